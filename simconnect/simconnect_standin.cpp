// The ten client operations over a bench simulator. Handles are numbers into a
// table, never pointers, and are not reused: a call with a closed or made-up
// handle (the bridge keeps its old handle after a quit) fails without effect
// instead of touching freed memory.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "sim/simconnect.h"
#include "simconnect/connection.h"
#include "simconnect/standin.h"

namespace brelvik::standin {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<Connection>> connections;
    std::uintptr_t nextHandle = 1;
    SimulatorEndpoint* endpoint = nullptr;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// Kept alive by the caller for the length of one call, so a Close from inside
// the dispatch callback cannot free the connection under the dispatch.
std::shared_ptr<Connection> find(HANDLE handle) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.connections.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == r.connections.end() ? nullptr : it->second;
}

HRESULT sendOn(HANDLE handle, wire::Op op, wire::ByteWriter& fields) {
    const auto connection = find(handle);
    return connection != nullptr && connection->send(op, fields) ? S_OK_RESULT : E_FAIL_RESULT;
}

std::unique_ptr<SimulatorLink> connectNow() {
    SimulatorEndpoint* endpoint = nullptr;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        endpoint = r.endpoint;
    }
    if (endpoint != nullptr) return endpoint->connect();
    const char* address = std::getenv(kAddressVariable);
    return connectTcp(address != nullptr && *address != '\0' ? address : kDefaultAddress);
}

}  // namespace

void standinUseInProcess(SimulatorEndpoint* endpoint) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.endpoint = endpoint;
}

}  // namespace brelvik::standin

using brelvik::standin::Connection;
using brelvik::standin::find;
using brelvik::standin::registry;
using brelvik::standin::sendOn;
using brelvik::standin::wire::ByteWriter;
using brelvik::standin::wire::Op;

extern "C" {

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND, DWORD, HANDLE, DWORD) {
    if (phSimConnect == nullptr) return E_FAIL_RESULT;
    *phSimConnect = nullptr;
    auto link = brelvik::standin::connectNow();
    if (link == nullptr) return E_FAIL_RESULT;
    auto connection = std::make_shared<Connection>(std::move(link));
    ByteWriter hello;
    hello.text(szName != nullptr ? szName : "");
    if (!connection->send(Op::Hello, hello)) return E_FAIL_RESULT;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const std::uintptr_t handle = r.nextHandle++;
    r.connections.emplace(handle, std::move(connection));
    *phSimConnect = reinterpret_cast<HANDLE>(handle);
    return S_OK_RESULT;
}

HRESULT SimConnect_Close(HANDLE hSimConnect) {
    std::shared_ptr<Connection> connection;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        const auto it = r.connections.find(reinterpret_cast<std::uintptr_t>(hSimConnect));
        if (it == r.connections.end()) return E_FAIL_RESULT;
        connection = std::move(it->second);
        r.connections.erase(it);
    }
    connection->close();
    return S_OK_RESULT;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
    const auto connection = find(hSimConnect);
    if (connection == nullptr) return E_FAIL_RESULT;
    connection->dispatch(pfcnDispatch, pContext);
    return S_OK_RESULT;
}

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName, SIMCONNECT_DATATYPE DatumType,
                                       float fEpsilon, DWORD DatumID) {
    if (DatumName == nullptr) return E_FAIL_RESULT;
    ByteWriter w;
    w.u32(DefineID);
    w.text(DatumName);
    w.optionalText(UnitsName);
    w.u32(static_cast<std::uint32_t>(DatumType));
    w.f32(fEpsilon);
    w.u32(DatumID);
    return sendOn(hSimConnect, Op::AddToDefinition, w);
}

HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type) {
    ByteWriter w;
    w.u32(RequestID);
    w.u32(DefineID);
    w.u32(dwRadiusMeters);
    w.u32(static_cast<std::uint32_t>(type));
    return sendOn(hSimConnect, Op::RequestData, w);
}

HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags, DWORD ArrayCount,
                                      DWORD cbUnitSize, void* pDataSet) {
    // An array count of 0 or 1 means one element; the block is count x unit size.
    const std::uint64_t size = static_cast<std::uint64_t>(cbUnitSize) * (ArrayCount > 1 ? ArrayCount : 1);
    if (pDataSet == nullptr || size > brelvik::standin::wire::kMaxPayload / 2) return E_FAIL_RESULT;
    ByteWriter w;
    w.u32(DefineID);
    w.u32(ObjectID);
    w.u32(Flags);
    w.u32(ArrayCount);
    w.u32(cbUnitSize);
    w.bytes(pDataSet, static_cast<std::size_t>(size));
    return sendOn(hSimConnect, Op::SetData, w);
}

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName) {
    ByteWriter w;
    w.u32(EventID);
    w.text(EventName != nullptr ? EventName : "");
    return sendOn(hSimConnect, Op::MapEvent, w);
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable) {
    ByteWriter w;
    w.u32(GroupID);
    w.u32(EventID);
    w.u32(bMaskable != 0 ? 1 : 0);
    return sendOn(hSimConnect, Op::AddToGroup, w);
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority) {
    ByteWriter w;
    w.u32(GroupID);
    w.u32(uPriority);
    return sendOn(hSimConnect, Op::SetGroupPriority, w);
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags) {
    ByteWriter w;
    w.u32(ObjectID);
    w.u32(EventID);
    w.u32(dwData);
    w.u32(GroupID);
    w.u32(Flags);
    return sendOn(hSimConnect, Op::TransmitEvent, w);
}

}  // extern "C"
