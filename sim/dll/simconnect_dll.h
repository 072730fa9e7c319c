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

// Loads SimConnect.dll from `folder` (UTF-8; the executable's folder when
// empty), else from the normal search path, and takes all ten operations. Only
// the first call loads; later calls return the same text. Empty on success.
std::string load(const std::string& folder = {});

// The address of operation `index` of kProcedureNames; nullptr unless load()
// succeeded.
void* procedure(std::size_t index);

// Forgets the library so a test can load another one.
void unload();

}  // namespace brelvik::simdll
