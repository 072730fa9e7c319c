// The client library's entry points as brelvik.exe links them in on Windows,
// under names that cannot clash with a vendor SimConnect.dll: the program
// falls back on them when no usable DLL is beside it.
#pragma once

#include "sim/simconnect.h"

extern "C" {
decltype(SimConnect_Open) BrelvikClient_Open;
decltype(SimConnect_Close) BrelvikClient_Close;
decltype(SimConnect_CallDispatch) BrelvikClient_CallDispatch;
decltype(SimConnect_AddToDataDefinition) BrelvikClient_AddToDataDefinition;
decltype(SimConnect_RequestDataOnSimObjectType) BrelvikClient_RequestDataOnSimObjectType;
decltype(SimConnect_SetDataOnSimObject) BrelvikClient_SetDataOnSimObject;
decltype(SimConnect_MapClientEventToSimEvent) BrelvikClient_MapClientEventToSimEvent;
decltype(SimConnect_AddClientEventToNotificationGroup) BrelvikClient_AddClientEventToNotificationGroup;
decltype(SimConnect_SetNotificationGroupPriority) BrelvikClient_SetNotificationGroupPriority;
decltype(SimConnect_TransmitClientEvent) BrelvikClient_TransmitClientEvent;
}
