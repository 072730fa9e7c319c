// What the rest of the bridge needs to know about the simulator connection.
#pragma once

#include "sim/simconnect.h"

namespace brelvik {

// Every key event the bridge sends goes to the user aircraft, its group
// number read as the priority.
inline void transmitToUserAircraft(HANDLE handle, DWORD event, DWORD data = 0,
                                   DWORD priority = SIMCONNECT_GROUP_PRIORITY_HIGHEST) {
    SimConnect_TransmitClientEvent(handle, SIMCONNECT_OBJECT_ID_USER, event, data, priority,
                                   SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
}

struct SimSession {
    HANDLE handle = nullptr;  // zero until connected: calls on it fail without effect
    bool connected = false;
    DWORD versionMajor = 0;   // from the open message; 11 or more is the newer simulator generation

    bool isNewGeneration() const { return versionMajor >= 11; }

    // Group 0 holds the pilot's stick events; at HIGHEST_MASKABLE they are held
    // back while the tablet's autopilot flies, at HIGHEST they pass.
    void setStickGroupPriority(DWORD priority) const {
        SimConnect_SetNotificationGroupPriority(handle, 0, priority);
    }
};

}  // namespace brelvik
