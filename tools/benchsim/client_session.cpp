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
        default: return "ERROR";
    }
}

}  // namespace

void ClientSession::receive(const std::uint8_t* data, std::size_t size) {
    if (ended_) return;
    if (size > 0) input_.append(data, size);
    if (simulator_ != nullptr && simulator_->stalled()) return;  // answered when it resumes
    std::vector<std::uint8_t> payload;
    for (;;) {
        const auto status = input_.next(payload);
        if (status == wire::FrameReader::Status::NeedMore) return;
        if (status == wire::FrameReader::Status::Corrupt) {
            if (simulator_ != nullptr) simulator_->report("exception ERROR stream from " + name_ + " is corrupt");
            end();  // nothing after a bad length can be trusted
            return;
        }
        handle(payload);
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
    const auto framed = wire::frame(message);
    output_.insert(output_.end(), framed.begin(), framed.end());
    if (output_.size() > kMaxOutput) end();  // a client that never reads is gone
}

void ClientSession::refuse(std::uint32_t code, std::uint32_t packet, std::uint32_t index, const std::string& detail) {
    send(wire::exceptionMessage(code, packet, index));
    simulator_->report(std::string("exception ") + exceptionName(code) + " " + detail);
}

void ClientSession::handle(const std::vector<std::uint8_t>& payload) {
    if (simulator_ == nullptr) return;
    wire::ByteReader in(payload.data(), payload.size());
    std::uint32_t op = 0;
    std::uint32_t packet = 0;
    if (!in.u32(op) || !in.u32(packet)) {
        refuse(standin::kExceptionError, packet, 0, "short request");
        return;
    }
    switch (static_cast<Op>(op)) {
        case Op::Hello: hello(in); return;
        case Op::AddToDefinition: addToDefinition(in, packet); return;
        case Op::RequestData: requestData(in, packet); return;
        case Op::SetData: setData(in, packet); return;
        case Op::MapEvent: mapEvent(in, packet); return;
        case Op::AddToGroup: addToGroup(in, packet); return;
        case Op::SetGroupPriority: setGroupPriority(in, packet); return;
        case Op::TransmitEvent: transmitEvent(in, packet); return;
    }
    refuse(standin::kExceptionError, packet, 0, "unknown request " + std::to_string(op));
}

void ClientSession::hello(wire::ByteReader& in) {
    if (!in.text(name_)) name_.clear();
    simulator_->report("client " + name_);
    send(wire::openMessage(simulator_->openInfo()));
}

void ClientSession::addToDefinition(wire::ByteReader& in, std::uint32_t packet) {
    std::uint32_t definition = 0, type = 0, datum = 0;
    std::string name;
    std::optional<std::string> unitName;
    float epsilon = 0;
    if (!in.u32(definition) || !in.text(name) || !in.optionalText(unitName) || !in.u32(type) || !in.f32(epsilon) ||
        !in.u32(datum)) {
        refuse(standin::kExceptionError, packet, 0, "short AddToDataDefinition");
        return;
    }
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
    std::vector<std::uint8_t> block;
    if (!in.u32(definition) || !in.u32(object) || !in.u32(flags) || !in.u32(count) || !in.u32(unitSize) ||
        !in.bytes(block)) {
        refuse(standin::kExceptionError, packet, 0, "short SetDataOnSimObject");
        return;
    }
    const auto it = definitions_.find(definition);
    if (it == definitions_.end() || it->second.empty()) {
        refuse(standin::kExceptionUnrecognizedId, packet, 1, "definition " + std::to_string(definition));
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
    if (!in.u32(event) || !in.text(name)) {
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
            send(wire::eventMessage(groupId, event, data));
            if (maskable && group.priority >= kFirstMaskingPriority && group.priority < kDefaultPriority) masked = true;
        }
    }
    return masked;
}

}  // namespace brelvik::benchsim
