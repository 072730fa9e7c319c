// What the rest of the bridge needs to know about the simulator connection.
#pragma once

#include "sim/simconnect.h"

namespace brelvik {

struct SimSession {
    // Only an open connection is ever handed to the simulator's library: the
    // vendor promises nothing for a call with a null or closed handle.
    HANDLE handle = nullptr;
    bool connected = false;
    DWORD versionMajor = 0;   // from the open message; 11 or more is the newer simulator generation

    bool isNewGeneration() const { return versionMajor >= 11; }

    // Group 0 holds the pilot's stick events; at HIGHEST_MASKABLE they are held
    // back while the tablet's autopilot flies, at HIGHEST they pass.
    void setStickGroupPriority(DWORD priority) const {
        if (connected) SimConnect_SetNotificationGroupPriority(handle, 0, priority);
    }
};

// Every key event the bridge sends goes to the user aircraft, its group
// number read as the priority. Nothing while the simulator is not connected.
inline void transmitToUserAircraft(const SimSession& session, DWORD event, DWORD data = 0,
                                   DWORD priority = SIMCONNECT_GROUP_PRIORITY_HIGHEST) {
    if (!session.connected) return;
    SimConnect_TransmitClientEvent(session.handle, SIMCONNECT_OBJECT_ID_USER, event, data, priority,
                                   SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
}

}  // namespace brelvik
