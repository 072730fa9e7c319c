// The ten client operations over SimConnect's own protocol. Handles are
// numbers into a table, never pointers, and are not reused: a call with a
// closed or made-up handle fails without effect instead of touching freed
// memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "sim/simconnect.h"
#include "simconnect/client_config.h"
#include "simconnect/connection.h"
#include "simconnect/standin.h"
#ifdef BRELVIK_OWN_CLIENT
#include "simconnect/own_client.h"
#endif

namespace brelvik::standin {
namespace {

// What one SimConnect_Open call may spend waiting for the simulator, twice
// (the stream made, then its answer): a simulator on this PC answers well
// within it, so it connects in one call; one elsewhere in later calls.
constexpr int kOpenBudgetMs = 2;

// The open under way: the target it tries and the protocol it offers.
struct Attempt {
    std::shared_ptr<Connection> connection;
    std::size_t target = 0;
    std::size_t protocol = 0;
};

// The stand-in SimConnect.dll is what the Windows tests put beside brelvik.exe
// in the vendor's place; there they ask it to behave as the vendor's.
bool vendorBehaviourAsked() {
#ifdef BRELVIK_STANDIN_DLL
    const char* asked = std::getenv("BRELVIK_STANDIN_AS_VENDOR");
    return asked != nullptr && asked[0] == '1';
#else
    return false;
#endif
}

struct Registry {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<Connection>> connections;
    std::uintptr_t nextHandle = 1;
    SimulatorEndpoint* endpoint = nullptr;
    std::unique_ptr<Attempt> attempt;
    std::size_t nextTarget = 0;
    bool vendorBehaviour = vendorBehaviourAsked();
};

Registry& registry() {
    static Registry instance;
    return instance;
}

void misuse(const char* call) {
    // The vendor's library promises nothing for such a call: where the tests
    // play it, the call is a fault of the caller.
    std::fprintf(stderr, "SimConnect stand-in: %s on a handle that is not open\n", call);
    std::abort();
}

// Kept alive by the caller for the length of one call, so a Close from inside
// the dispatch callback cannot free the connection under the dispatch.
std::shared_ptr<Connection> find(HANDLE handle, const char* call) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.connections.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == r.connections.end()) {
        if (r.vendorBehaviour) misuse(call);
        return nullptr;
    }
    return it->second;
}

HRESULT sendOn(HANDLE handle, wire::Op op, const wire::ByteWriter& fields, const char* call) {
    const auto connection = find(handle, call);
    return connection != nullptr && connection->send(op, fields) ? S_OK_RESULT : E_FAIL_RESULT;
}

std::unique_ptr<SimulatorLink> linkTo(const SimulatorTarget& target) {
    return target.transport == SimulatorTarget::Transport::Pipe ? connectPipe(target) : connectTcp(target);
}

// A new connection for the next attempt: the in-process simulator of a test,
// else the targets in turn, each from the newest protocol down.
std::unique_ptr<Attempt> startAttempt(Registry& r, DWORD configIndex, std::size_t protocol, std::size_t target,
                                      const std::string& clientName) {
    auto attempt = std::make_unique<Attempt>();
    attempt->protocol = protocol;
    attempt->target = target;
    std::unique_ptr<SimulatorLink> link;
    if (r.endpoint != nullptr) {
        link = r.endpoint->connect();
    } else {
        std::string problem;
        const auto targets = simulatorTargets(configIndex, problem);
        if (targets.empty()) return nullptr;
        attempt->target = target % targets.size();
        link = linkTo(targets[attempt->target]);
    }
    if (link == nullptr) return nullptr;
    attempt->connection = std::make_shared<Connection>(std::move(link), wire::kProtocols[protocol], clientName);
    return attempt;
}

}  // namespace

void standinUseInProcess(SimulatorEndpoint* endpoint) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.endpoint = endpoint;
    r.attempt.reset();
}

void standinBehaveAsVendor(bool on) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.vendorBehaviour = on;
}

HRESULT openStep(HANDLE* phSimConnect, const char* szName, DWORD configIndex) {
    if (phSimConnect == nullptr) return E_FAIL_RESULT;
    *phSimConnect = nullptr;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const std::string name = szName != nullptr ? szName : "";
    // A refused protocol and the next one are tried in one call when the
    // simulator answers at once.
    for (std::size_t step = 0; step < std::size(wire::kProtocols); ++step) {
        if (r.attempt == nullptr) {
            r.attempt = startAttempt(r, configIndex, 0, r.nextTarget, name);
            if (r.attempt == nullptr) return E_FAIL_RESULT;
        }
        switch (r.attempt->connection->advanceOpen(kOpenBudgetMs)) {
            case Connection::Opening::Waiting: return E_FAIL_RESULT;
            case Connection::Opening::Open: {
                const std::uintptr_t handle = r.nextHandle++;
                r.connections.emplace(handle, std::move(r.attempt->connection));
                r.attempt.reset();
                *phSimConnect = reinterpret_cast<HANDLE>(handle);
                return S_OK_RESULT;
            }
            case Connection::Opening::VersionRefused: {
                const std::size_t next = r.attempt->protocol + 1;
                const std::size_t target = r.attempt->target;
                r.attempt.reset();
                if (next >= std::size(wire::kProtocols)) {
                    r.nextTarget = target + 1;
                    return E_FAIL_RESULT;
                }
                r.attempt = startAttempt(r, configIndex, next, target, name);
                if (r.attempt == nullptr) return E_FAIL_RESULT;
                continue;
            }
            case Connection::Opening::Failed:
                r.nextTarget = r.attempt->target + 1;
                r.attempt.reset();
                return E_FAIL_RESULT;
        }
    }
    return E_FAIL_RESULT;
}

}  // namespace brelvik::standin

using brelvik::standin::Connection;
using brelvik::standin::find;
using brelvik::standin::registry;
using brelvik::standin::sendOn;
using brelvik::standin::wire::ByteWriter;
using brelvik::standin::wire::Op;

extern "C" {

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(Open)(HANDLE* phSimConnect, const char* szName, HWND, DWORD, HANDLE, DWORD ConfigIndex) {
    return brelvik::standin::openStep(phSimConnect, szName, ConfigIndex);
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(Close)(HANDLE hSimConnect) {
    std::shared_ptr<brelvik::standin::Connection> connection;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        const auto it = r.connections.find(reinterpret_cast<std::uintptr_t>(hSimConnect));
        if (it == r.connections.end()) {
            if (r.vendorBehaviour) brelvik::standin::misuse("SimConnect_Close");
            return E_FAIL_RESULT;
        }
        connection = std::move(it->second);
        r.connections.erase(it);
    }
    connection->close();
    return S_OK_RESULT;
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(CallDispatch)(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
    const auto connection = find(hSimConnect, "SimConnect_CallDispatch");
    if (connection == nullptr) return E_FAIL_RESULT;
    const bool oneEach = [] {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        return r.vendorBehaviour;
    }();
    return connection->dispatch(pfcnDispatch, pContext, oneEach ? 1 : SIZE_MAX) ? S_OK_RESULT : E_FAIL_RESULT;
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(AddToDataDefinition)(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName, SIMCONNECT_DATATYPE DatumType,
                                       float fEpsilon, DWORD DatumID) {
    if (DatumName == nullptr) return E_FAIL_RESULT;
    ByteWriter w;
    w.u32(DefineID);
    w.name(DatumName);
    w.name(UnitsName);
    w.u32(static_cast<std::uint32_t>(DatumType));
    w.f32(fEpsilon);
    w.u32(DatumID);
    return sendOn(hSimConnect, Op::AddToDefinition, w, "SimConnect_AddToDataDefinition");
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(RequestDataOnSimObjectType)(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type) {
    ByteWriter w;
    w.u32(RequestID);
    w.u32(DefineID);
    w.u32(dwRadiusMeters);
    w.u32(static_cast<std::uint32_t>(type));
    return sendOn(hSimConnect, Op::RequestData, w, "SimConnect_RequestDataOnSimObjectType");
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(SetDataOnSimObject)(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags, DWORD ArrayCount,
                                      DWORD cbUnitSize, void* pDataSet) {
    // An array count of 0 or 1 means one element; the block is count x unit size.
    const std::uint64_t size = static_cast<std::uint64_t>(cbUnitSize) * (ArrayCount > 1 ? ArrayCount : 1);
    if (pDataSet == nullptr || size > brelvik::standin::wire::kMaxMessage / 2) return E_FAIL_RESULT;
    ByteWriter w;
    w.u32(DefineID);
    w.u32(ObjectID);
    w.u32(Flags);
    w.u32(ArrayCount);
    w.u32(cbUnitSize);
    w.raw(pDataSet, static_cast<std::size_t>(size));
    return sendOn(hSimConnect, Op::SetData, w, "SimConnect_SetDataOnSimObject");
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(MapClientEventToSimEvent)(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName) {
    ByteWriter w;
    w.u32(EventID);
    w.name(EventName != nullptr ? EventName : "");
    return sendOn(hSimConnect, Op::MapEvent, w, "SimConnect_MapClientEventToSimEvent");
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(AddClientEventToNotificationGroup)(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable) {
    ByteWriter w;
    w.u32(GroupID);
    w.u32(EventID);
    w.u32(bMaskable != 0 ? 1 : 0);
    return sendOn(hSimConnect, Op::AddToGroup, w, "SimConnect_AddClientEventToNotificationGroup");
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(SetNotificationGroupPriority)(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority) {
    ByteWriter w;
    w.u32(GroupID);
    w.u32(uPriority);
    return sendOn(hSimConnect, Op::SetGroupPriority, w, "SimConnect_SetNotificationGroupPriority");
}

HRESULT SIMCONNECT_API BRELVIK_CLIENT_ENTRY(TransmitClientEvent)(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags) {
    ByteWriter w;
    w.u32(ObjectID);
    w.u32(EventID);
    w.u32(dwData);
    w.u32(GroupID);
    w.u32(Flags);
    return sendOn(hSimConnect, Op::TransmitEvent, w, "SimConnect_TransmitClientEvent");
}

}  // extern "C"
