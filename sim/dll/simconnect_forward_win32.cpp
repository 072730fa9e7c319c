// The ten operations of sim/simconnect.h on Windows: each goes to the loaded
// SimConnect.dll, or fails as a simulator that cannot be reached does.
#include "sim/dll/simconnect_dll.h"
#include "sim/simconnect.h"
#include "sim/simulator_library.h"

namespace {

// Index of each operation in brelvik::simdll::kProcedureNames.
enum Operation : std::size_t {
    kOpen, kClose, kCallDispatch, kAddToDataDefinition, kRequestDataOnSimObjectType, kSetDataOnSimObject,
    kMapClientEventToSimEvent, kAddClientEventToNotificationGroup, kSetNotificationGroupPriority,
    kTransmitClientEvent,
};

template <typename Function, typename... Args>
HRESULT call(Operation operation, Args... args) {
    void* address = brelvik::simdll::procedure(operation);
    if (address == nullptr) return E_FAIL_RESULT;
    return reinterpret_cast<Function*>(address)(args...);
}

}  // namespace

namespace brelvik {

std::string loadSimulatorLibrary() { return simdll::load(); }

}  // namespace brelvik

extern "C" {

HRESULT SIMCONNECT_API SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND hWnd, DWORD UserEventWin32,
                        HANDLE hEventHandle, DWORD ConfigIndex) {
    return call<decltype(SimConnect_Open)>(kOpen, phSimConnect, szName, hWnd, UserEventWin32, hEventHandle,
                                           ConfigIndex);
}

HRESULT SIMCONNECT_API SimConnect_Close(HANDLE hSimConnect) { return call<decltype(SimConnect_Close)>(kClose, hSimConnect); }

HRESULT SIMCONNECT_API SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
    return call<decltype(SimConnect_CallDispatch)>(kCallDispatch, hSimConnect, pfcnDispatch, pContext);
}

HRESULT SIMCONNECT_API SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName,
                                       SIMCONNECT_DATATYPE DatumType, float fEpsilon, DWORD DatumID) {
    return call<decltype(SimConnect_AddToDataDefinition)>(kAddToDataDefinition, hSimConnect, DefineID, DatumName,
                                                          UnitsName, DatumType, fEpsilon, DatumID);
}

HRESULT SIMCONNECT_API SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type) {
    return call<decltype(SimConnect_RequestDataOnSimObjectType)>(kRequestDataOnSimObjectType, hSimConnect,
                                                                 RequestID, DefineID, dwRadiusMeters, type);
}

HRESULT SIMCONNECT_API SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags,
                                      DWORD ArrayCount, DWORD cbUnitSize, void* pDataSet) {
    return call<decltype(SimConnect_SetDataOnSimObject)>(kSetDataOnSimObject, hSimConnect, DefineID, ObjectID,
                                                         Flags, ArrayCount, cbUnitSize, pDataSet);
}

HRESULT SIMCONNECT_API SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName) {
    return call<decltype(SimConnect_MapClientEventToSimEvent)>(kMapClientEventToSimEvent, hSimConnect, EventID,
                                                               EventName);
}

HRESULT SIMCONNECT_API SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable) {
    return call<decltype(SimConnect_AddClientEventToNotificationGroup)>(kAddClientEventToNotificationGroup,
                                                                        hSimConnect, GroupID, EventID, bMaskable);
}

HRESULT SIMCONNECT_API SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority) {
    return call<decltype(SimConnect_SetNotificationGroupPriority)>(kSetNotificationGroupPriority, hSimConnect,
                                                                   GroupID, uPriority);
}

HRESULT SIMCONNECT_API SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags) {
    return call<decltype(SimConnect_TransmitClientEvent)>(kTransmitClientEvent, hSimConnect, ObjectID, EventID,
                                                          dwData, GroupID, Flags);
}

}  // extern "C"
