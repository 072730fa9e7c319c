// What the stand-in client library offers beyond the vendor's C interface: the
// transport it talks over, a way for tests to put a bench simulator in the same
// process, and the message layouts the bench simulator sends that the bridge's
// header leaves out.
#pragma once

#include <memory>

#include "sim/simconnect.h"
#include "simconnect/link.h"

// Inside brelvik.exe the client sits beside a vendor SimConnect.dll the
// program may load instead, so there its ten entry points take names of their
// own (declared in simconnect/own_client.h); everywhere else they are the
// vendor's.
#ifdef BRELVIK_OWN_CLIENT
#define BRELVIK_CLIENT_ENTRY(name) BrelvikClient_##name
#else
#define BRELVIK_CLIENT_ENTRY(name) SimConnect_##name
#endif

namespace brelvik::standin {

// Something a client can connect to.
class SimulatorEndpoint {
public:
    virtual ~SimulatorEndpoint() = default;
    // A new connection, or nullptr while no simulator answers.
    virtual std::unique_ptr<SimulatorLink> connect() = 0;
};

// From now on SimConnect_Open connects to `endpoint` instead of the bench
// simulator's TCP address; nullptr goes back to TCP. Connections already open
// keep their link. The endpoint must outlive every connection made through it.
void standinUseInProcess(SimulatorEndpoint* endpoint);

// Behave as the vendor's library does where it differs from ours: one
// message per dispatch call, and (what it leaves undefined) a call with a
// handle that is not open ends the process, so tests see such a call.
void standinBehaveAsVendor(bool on);

// One step of SimConnect_Open: negative until the simulator's open message
// has arrived at a protocol it accepts.
HRESULT openStep(HANDLE* handle, const char* clientName, DWORD configIndex);

// The bench simulator's address, used on Linux when no SimConnect.cfg names
// a simulator: BRELVIK_SIM_ADDRESS ("127.0.0.1:15690" when unset or empty).
constexpr const char* kAddressVariable = "BRELVIK_SIM_ADDRESS";
constexpr const char* kDefaultAddress = "127.0.0.1:15690";

// Exception codes carried in SIMCONNECT_RECV_EXCEPTION::dwException (the
// vendor's numbering).
enum ExceptionCode : DWORD {
    kExceptionError = 1,
    kExceptionSizeMismatch = 2,
    kExceptionUnrecognizedId = 3,
    kExceptionUnopened = 4,
    kExceptionVersionMismatch = 5,
    kExceptionNameUnrecognized = 7,
    kExceptionEventIdDuplicate = 9,
};
// SIMCONNECT_RECV_EXCEPTION::dwIndex is the position of the refused argument,
// counting from 1 after the handle: a variable or event name is 2, a unit 3.
constexpr DWORD kExceptionIndexName = 2;
constexpr DWORD kExceptionIndexUnit = 3;

// An event of a notification group the client asked for (ID 4): the pilot's
// own occurrence of a key event the client added to one of its groups.
constexpr DWORD kRecvIdEvent = 4;
struct RecvEvent : SIMCONNECT_RECV {
    DWORD uGroupID;
    DWORD uEventID;
    DWORD dwData;
};

}  // namespace brelvik::standin
