#include "tools/benchsim/client_session.h"

#include "simconnect/standin.h"
#include "tools/benchsim/bench_simulator.h"
#include "tools/benchsim/key_events.h"

namespace brelvik::benchsim {
namespace {

using standin::kExceptionIndexName;
using standin::kExceptionIndexUnit;
using wire::Op;

constexpr std::uint32_t kUserObjectId = 1;  // what replies name the user aircraft
constexpr std::size_t kMaxOutput = std::size_t{64} << 20;
// Groups at these priorities may hold an event back from the simulator.
constexpr std::uint32_t kFirstMaskingPriority = SIMCONNECT_GROUP_PRIORITY_HIGHEST_MASKABLE;
constexpr std::uint32_t kDefaultPriority = 2000000000;

const char* exceptionName(std::uint32_t code) {
    switch (code) {
        case standin::kExceptionSizeMismatch: return "SIZE_MISMATCH";
        case standin::kExceptionUnrecognizedId: return "UNRECOGNIZED_ID";
        case standin::kExceptionNameUnrecognized: return "NAME_UNRECOGNIZED";
        case standin::kExceptionEventIdDuplicate: return "EVENT_ID_DUPLICATE";
        case standin::kExceptionUnopened: return "UNOPENED";
        case standin::kExceptionVersionMismatch: return "VERSION_MISMATCH";
        default: return "ERROR";
    }
}

}  // namespace

void ClientSession::receive(const std::uint8_t* data, std::size_t size) {
    if (ended_) return;
    if (size > 0) input_.append(data, size);
    if (simulator_ != nullptr && simulator_->stalled()) return;  // answered when it resumes
    std::vector<std::uint8_t> packet;
    for (;;) {
        const auto status = input_.next(packet);
        if (status == wire::PacketReader::Status::NeedMore) return;
        if (status == wire::PacketReader::Status::Corrupt) {
            if (simulator_ != nullptr) simulator_->report("exception ERROR stream from " + name_ + " is corrupt");
            end();  // nothing after a bad size can be trusted
            return;
        }
        handle(packet);
        if (ended_) return;
    }
}

std::vector<std::uint8_t> ClientSession::takeOutput() {
    std::vector<std::uint8_t> out;
    out.swap(output_);
    return out;
}

void ClientSession::send(const std::vector<std::uint8_t>& message) {
    if (ended_) return;
    output_.insert(output_.end(), message.begin(), message.end());
    if (output_.size() > kMaxOutput) end();  // a client that never reads is gone
}

void ClientSession::refuse(std::uint32_t code, std::uint32_t packet, std::uint32_t index, const std::string& detail) {
    send(wire::exceptionMessage(code, packet, index, protocol_));
    simulator_->report(std::string("exception ") + exceptionName(code) + " " + detail);
}

void ClientSession::handle(const std::vector<std::uint8_t>& packet) {
    if (simulator_ == nullptr) return;
    const auto header = wire::readRequestHeader(packet);
    wire::ByteReader in(std::span<const std::uint8_t>(packet).subspan(wire::kRequestHeaderSize));
    const std::uint32_t sendId = header.sendId;
    const auto op = static_cast<Op>(header.op());
    const std::size_t expected = wire::requestSize(op);
    if ((header.id & wire::kRequestIdBits) != wire::kRequestIdBits || expected == 0) {
        refuse(standin::kExceptionUnrecognizedId, sendId, 0, "unknown request " + std::to_string(header.op()));
        return;
    }
    if (op == Op::Open) {
        open(header, in);
        return;
    }
    if (!opened_) {
        refuse(standin::kExceptionUnopened, sendId, 0, "request " + std::to_string(header.op()) + " before open");
        return;
    }
    const bool sizeRight = op == Op::SetData ? packet.size() >= expected : packet.size() == expected;
    if (!sizeRight) {
        refuse(standin::kExceptionSizeMismatch, sendId, 0,
               "request " + std::to_string(header.op()) + " of " + std::to_string(packet.size()) + " bytes");
        return;
    }
    switch (op) {
        case Op::Open: return;
        case Op::AddToDefinition: addToDefinition(in, sendId); return;
        case Op::RequestData: requestData(in, sendId); return;
        case Op::SetData: setData(in, sendId); return;
        case Op::MapEvent: mapEvent(in, sendId); return;
        case Op::AddToGroup: addToGroup(in, sendId); return;
        case Op::SetGroupPriority: setGroupPriority(in, sendId); return;
        case Op::TransmitEvent: transmitEvent(in, sendId); return;
    }
}

void ClientSession::open(const wire::RequestHeader& header, wire::ByteReader& in) {
    std::string name;
    if (header.size != wire::requestSize(Op::Open) || !in.name(name)) {
        refuse(standin::kExceptionSizeMismatch, header.sendId, 0, "open of " + std::to_string(header.size) + " bytes");
        end();
        return;
    }
    if (opened_) {
        refuse(standin::kExceptionError, header.sendId, 0, "second open from " + name_);
        return;
    }
    if (!simulator_->acceptsProtocol(header.protocol)) {
        // The client opens again with an older protocol, on a new connection.
        protocol_ = header.protocol;
        refuse(standin::kExceptionVersionMismatch, header.sendId, 0,
               "protocol " + std::to_string(header.protocol) + " from " + name);
        end();
        return;
    }
    protocol_ = header.protocol;
    opened_ = true;
    name_ = name;
    simulator_->report("client " + name_);
    send(wire::openMessage(simulator_->openInfo(), simulator_->serverProtocol(protocol_)));
}

void ClientSession::addToDefinition(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t definition = 0, type = 0, datum = 0;
    std::string name;
    std::optional<std::string> unitName;
    float epsilon = 0;
    std::string unitText;
    if (!in.u32(definition) || !in.name(name) || !in.name(unitText) || !in.u32(type) || !in.f32(epsilon) ||
        !in.u32(datum)) {
        refuse(standin::kExceptionError, packet, 0, "short AddToDataDefinition");
        return;
    }
    // An empty unit is the vendor's null unit: the variable's default.
    if (!unitText.empty()) unitName = unitText;
    if (!simulator_->variableKnown(name)) {
        refuse(standin::kExceptionNameUnrecognized, packet, kExceptionIndexName, "variable " + name);
        return;
    }
    const auto datatype = static_cast<SIMCONNECT_DATATYPE>(type);
    if (fieldSize(datatype) == 0) {
        refuse(standin::kExceptionError, packet, 4, "data type " + std::to_string(type) + " of " + name);
        return;
    }
    std::optional<Unit> unit;
    if (unitName && !isTextType(datatype)) {
        unit = findUnit(*unitName);
        if (!unit) {
            refuse(standin::kExceptionNameUnrecognized, packet, kExceptionIndexUnit,
                   "unit " + *unitName + " of " + name);
            return;
        }
    }
    // The first declaration of a variable the bench does not list fixes its unit.
    simulator_->store().obtain(name, unit, isTextType(datatype));
    definitions_[definition].push_back(Field{name, unit, datatype});
}

void ClientSession::requestData(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t request = 0, definition = 0, radius = 0, objectType = 0;
    if (!in.u32(request) || !in.u32(definition) || !in.u32(radius) || !in.u32(objectType)) {
        refuse(standin::kExceptionError, packet, 0, "short RequestDataOnSimObjectType");
        return;
    }
    const auto it = definitions_.find(definition);
    if (it == definitions_.end() || it->second.empty()) {
        refuse(standin::kExceptionUnrecognizedId, packet, 2, "definition " + std::to_string(definition));
        return;
    }
    if (objectType != SIMCONNECT_SIMOBJECT_TYPE_USER) {
        refuse(standin::kExceptionUnrecognizedId, packet, 4, "object type " + std::to_string(objectType));
        return;
    }
    const auto block = packFields(it->second, simulator_->store());
    send(wire::dataMessage(request, kUserObjectId, definition, static_cast<std::uint32_t>(it->second.size()), block));
}

void ClientSession::setData(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t definition = 0, object = 0, flags = 0, count = 0, unitSize = 0;
    if (!in.u32(definition) || !in.u32(object) || !in.u32(flags) || !in.u32(count) || !in.u32(unitSize)) {
        refuse(standin::kExceptionError, packet, 0, "short SetDataOnSimObject");
        return;
    }
    const auto it = definitions_.find(definition);
    if (it == definitions_.end() || it->second.empty()) {
        refuse(standin::kExceptionUnrecognizedId, packet, 1, "definition " + std::to_string(definition));
        return;
    }
    const auto rest = in.rest();
    const std::vector<std::uint8_t> block(rest.begin(), rest.end());
    if (static_cast<std::uint64_t>(unitSize) * (count > 1 ? count : 1) != block.size()) {
        refuse(standin::kExceptionSizeMismatch, packet, 0,
               "setdata of " + std::to_string(block.size()) + " bytes for " + std::to_string(count) + " x " +
                   std::to_string(unitSize));
        return;
    }
    std::string values;
    if (!unpackFields(it->second, block, simulator_->store(), values)) {
        refuse(standin::kExceptionSizeMismatch, packet, 5,
               "setdata " + std::to_string(definition) + " of " + std::to_string(block.size()) + " bytes");
        return;
    }
    simulator_->report("setdata " + std::to_string(definition) + " " + values);
}

void ClientSession::mapEvent(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t event = 0;
    std::string name;
    if (!in.u32(event) || !in.name(name)) {
        refuse(standin::kExceptionError, packet, 0, "short MapClientEventToSimEvent");
        return;
    }
    simulator_->report("map " + std::to_string(event) + " " + name);
    if (events_.count(event) != 0) {
        refuse(standin::kExceptionEventIdDuplicate, packet, 1, "event " + std::to_string(event) + " " + name);
        return;
    }
    if (!simulator_->eventKnown(name)) {
        refuse(standin::kExceptionNameUnrecognized, packet, kExceptionIndexName, "event " + name);
        return;
    }
    events_.emplace(event, name);
}

void ClientSession::addToGroup(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t group = 0, event = 0, maskable = 0;
    if (!in.u32(group) || !in.u32(event) || !in.u32(maskable)) {
        refuse(standin::kExceptionError, packet, 0, "short AddClientEventToNotificationGroup");
        return;
    }
    groups_[group].events.emplace_back(event, maskable != 0);
}

void ClientSession::setGroupPriority(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t group = 0, priority = 0;
    if (!in.u32(group) || !in.u32(priority)) {
        refuse(standin::kExceptionError, packet, 0, "short SetNotificationGroupPriority");
        return;
    }
    groups_[group].priority = priority;
    simulator_->report("priority " + std::to_string(group) + " " + std::to_string(priority));
}

void ClientSession::transmitEvent(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t object = 0, event = 0, data = 0, group = 0, flags = 0;
    if (!in.u32(object) || !in.u32(event) || !in.u32(data) || !in.u32(group) || !in.u32(flags)) {
        refuse(standin::kExceptionError, packet, 0, "short TransmitClientEvent");
        return;
    }
    const auto it = events_.find(event);
    if (it == events_.end()) {
        refuse(standin::kExceptionUnrecognizedId, packet, 2, "transmit of unmapped event " + std::to_string(event));
        return;
    }
    const auto signedData = static_cast<std::int32_t>(data);
    simulator_->report("event " + it->second + " " + std::to_string(signedData) + " " + std::to_string(group));
    applyKeyEvent(simulator_->store(), it->second, signedData);
}

bool ClientSession::notifyPilotEvent(std::string_view upperName, std::uint32_t data) {
    bool masked = false;
    for (const auto& [groupId, group] : groups_) {
        for (const auto& [event, maskable] : group.events) {
            const auto it = events_.find(event);
            if (it == events_.end() || upperCase(it->second) != upperName) continue;
            send(wire::eventMessage(groupId, event, data, protocol_));
            if (maskable && group.priority >= kFirstMaskingPriority && group.priority < kDefaultPriority) masked = true;
        }
    }
    return masked;
}

}  // namespace brelvik::benchsim
