// Run-time loading of the simulator's SimConnect.dll. Kept apart from
// sim/simconnect.h, whose own DWORD and HRESULT would clash with <windows.h>.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace brelvik::simdll {

// The ten operations the program calls, in the order of procedure()'s index.
inline constexpr std::array<const char*, 10> kProcedureNames = {
    "SimConnect_Open",
    "SimConnect_Close",
    "SimConnect_CallDispatch",
    "SimConnect_AddToDataDefinition",
    "SimConnect_RequestDataOnSimObjectType",
    "SimConnect_SetDataOnSimObject",
    "SimConnect_MapClientEventToSimEvent",
    "SimConnect_AddClientEventToNotificationGroup",
    "SimConnect_SetNotificationGroupPriority",
    "SimConnect_TransmitClientEvent",
};

// Looks for a SimConnect.dll in `folder` (UTF-8; the executable's folder when
// empty), and only there, and takes all ten operations from it. Only the first
// call looks; later calls return the same text. Empty when there is no DLL (the
// program's own client is used) or it was taken; otherwise a text for the user
// naming the DLL that cannot be used and saying the own client is used instead.
std::string load(const std::string& folder = {});

// The address of operation `index` of kProcedureNames in the DLL; nullptr
// unless load() took one.
void* procedure(std::size_t index);

// Forgets the library so a test can load another one.
void unload();

}  // namespace brelvik::simdll
