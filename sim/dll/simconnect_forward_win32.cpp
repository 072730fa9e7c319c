// The ten operations of sim/simconnect.h on Windows: each goes to a usable
// SimConnect.dll beside brelvik.exe if the user put one there, else to the
// client linked into the program.
#include "sim/dll/simconnect_dll.h"
#include "sim/simconnect.h"
#include "sim/simulator_library.h"
#include "simconnect/client_config.h"
#include "simconnect/own_client.h"

namespace {

// Index of each operation in brelvik::simdll::kProcedureNames.
enum Operation : std::size_t {
    kOpen, kClose, kCallDispatch, kAddToDataDefinition, kRequestDataOnSimObjectType, kSetDataOnSimObject,
    kMapClientEventToSimEvent, kAddClientEventToNotificationGroup, kSetNotificationGroupPriority,
    kTransmitClientEvent,
};

void* vendorProcedure(Operation operation) {
    brelvik::simdll::load();  // looks once
    return brelvik::simdll::procedure(operation);
}

template <typename Function, typename... Args>
HRESULT call(Operation operation, Function* own, Args... args) {
    if (void* vendor = vendorProcedure(operation)) return reinterpret_cast<Function*>(vendor)(args...);
    return own(args...);
}

}  // namespace

namespace brelvik {

std::string loadSimulatorLibrary() {
    std::string problem = simdll::load();
    std::string cfgProblem;
    if (simdll::procedure(kOpen) == nullptr) standin::simulatorTargets(SIMCONNECT_OPEN_CONFIGINDEX_LOCAL, cfgProblem);
    if (!cfgProblem.empty()) {
        if (!problem.empty()) problem += "\n\n";
        problem += cfgProblem + " The simulator stays \"Not connected\"; the tablet and the panels are served as usual.";
    }
    return problem;
}

}  // namespace brelvik

extern "C" {

HRESULT SIMCONNECT_API SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND hWnd, DWORD UserEventWin32,
                                       HANDLE hEventHandle, DWORD ConfigIndex) {
    if (void* vendor = vendorProcedure(kOpen)) {
        // The vendor's library reads a SimConnect.cfg only for an index it is
        // given; without one it takes the simulator on this PC.
        const DWORD index = brelvik::standin::findSimConnectCfg().empty() ? ConfigIndex : 0;
        return reinterpret_cast<decltype(SimConnect_Open)*>(vendor)(phSimConnect, szName, hWnd, UserEventWin32,
                                                                    hEventHandle, index);
    }
    return BrelvikClient_Open(phSimConnect, szName, hWnd, UserEventWin32, hEventHandle, ConfigIndex);
}

HRESULT SIMCONNECT_API SimConnect_Close(HANDLE hSimConnect) { return call(kClose, &BrelvikClient_Close, hSimConnect); }

HRESULT SIMCONNECT_API SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
    return call(kCallDispatch, &BrelvikClient_CallDispatch, hSimConnect, pfcnDispatch, pContext);
}

HRESULT SIMCONNECT_API SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName,
                                       SIMCONNECT_DATATYPE DatumType, float fEpsilon, DWORD DatumID) {
    return call(kAddToDataDefinition, &BrelvikClient_AddToDataDefinition, hSimConnect, DefineID, DatumName,
                                                          UnitsName, DatumType, fEpsilon, DatumID);
}

HRESULT SIMCONNECT_API SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type) {
    return call(kRequestDataOnSimObjectType, &BrelvikClient_RequestDataOnSimObjectType, hSimConnect,
                                                                 RequestID, DefineID, dwRadiusMeters, type);
}

HRESULT SIMCONNECT_API SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags,
                                      DWORD ArrayCount, DWORD cbUnitSize, void* pDataSet) {
    return call(kSetDataOnSimObject, &BrelvikClient_SetDataOnSimObject, hSimConnect, DefineID, ObjectID,
                                                         Flags, ArrayCount, cbUnitSize, pDataSet);
}

HRESULT SIMCONNECT_API SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName) {
    return call(kMapClientEventToSimEvent, &BrelvikClient_MapClientEventToSimEvent, hSimConnect, EventID,
                                                               EventName);
}

HRESULT SIMCONNECT_API SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable) {
    return call(kAddClientEventToNotificationGroup, &BrelvikClient_AddClientEventToNotificationGroup,
                                                                        hSimConnect, GroupID, EventID, bMaskable);
}

HRESULT SIMCONNECT_API SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority) {
    return call(kSetNotificationGroupPriority, &BrelvikClient_SetNotificationGroupPriority, hSimConnect,
                                                                   GroupID, uPriority);
}

HRESULT SIMCONNECT_API SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags) {
    return call(kTransmitClientEvent, &BrelvikClient_TransmitClientEvent, hSimConnect, ObjectID, EventID,
                                                          dwData, GroupID, Flags);
}

}  // extern "C"
