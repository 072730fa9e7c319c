// Until a bench simulator can be reached, no simulator is ever there: opening
// fails, and every call on the zero handle fails without effect.
#include "sim/simconnect.h"

extern "C" {

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char*, HWND, DWORD, HANDLE, DWORD) {
    if (phSimConnect != nullptr) *phSimConnect = nullptr;
    return E_FAIL_RESULT;
}
HRESULT SimConnect_Close(HANDLE) { return E_FAIL_RESULT; }
HRESULT SimConnect_CallDispatch(HANDLE, DispatchProc, void*) { return E_FAIL_RESULT; }
HRESULT SimConnect_AddToDataDefinition(HANDLE, SIMCONNECT_DATA_DEFINITION_ID, const char*, const char*,
                                       SIMCONNECT_DATATYPE, float, DWORD) {
    return E_FAIL_RESULT;
}
HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE, SIMCONNECT_DATA_REQUEST_ID, SIMCONNECT_DATA_DEFINITION_ID,
                                              DWORD, SIMCONNECT_SIMOBJECT_TYPE) {
    return E_FAIL_RESULT;
}
HRESULT SimConnect_SetDataOnSimObject(HANDLE, SIMCONNECT_DATA_DEFINITION_ID, SIMCONNECT_OBJECT_ID,
                                      SIMCONNECT_DATA_SET_FLAG, DWORD, DWORD, void*) {
    return E_FAIL_RESULT;
}
HRESULT SimConnect_MapClientEventToSimEvent(HANDLE, SIMCONNECT_CLIENT_EVENT_ID, const char*) { return E_FAIL_RESULT; }
HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE, SIMCONNECT_NOTIFICATION_GROUP_ID,
                                                     SIMCONNECT_CLIENT_EVENT_ID, BOOL) {
    return E_FAIL_RESULT;
}
HRESULT SimConnect_SetNotificationGroupPriority(HANDLE, SIMCONNECT_NOTIFICATION_GROUP_ID, DWORD) {
    return E_FAIL_RESULT;
}
HRESULT SimConnect_TransmitClientEvent(HANDLE, SIMCONNECT_OBJECT_ID, SIMCONNECT_CLIENT_EVENT_ID, DWORD,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID, SIMCONNECT_EVENT_FLAG) {
    return E_FAIL_RESULT;
}

}  // extern "C"
