#include "simconnect/connection.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace brelvik::standin {
namespace {

// The least a message of each kind must hold for its fields to be read.
std::size_t minimumSize(DWORD id) {
    switch (id) {
        case SIMCONNECT_RECV_ID_OPEN: return sizeof(SIMCONNECT_RECV_OPEN);
        case SIMCONNECT_RECV_ID_EXCEPTION: return sizeof(SIMCONNECT_RECV_EXCEPTION);
        case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
            return sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE) - sizeof(DWORD);  // the block starts at dwData
        case kRecvIdEvent: return sizeof(RecvEvent);
        default: return wire::kMessageHeaderSize;
    }
}

DWORD field(const std::vector<std::uint8_t>& message, std::size_t offset) {
    DWORD value = 0;
    if (message.size() >= offset + sizeof value) std::memcpy(&value, message.data() + offset, sizeof value);
    return value;
}

}  // namespace

Connection::Connection(std::unique_ptr<SimulatorLink> link, const wire::Protocol& protocol, std::string clientName)
    : link_(std::move(link)), protocol_(&protocol), clientName_(std::move(clientName)) {}

Connection::Opening Connection::advanceOpen(int budgetMs) {
    if (opened_) return Opening::Open;
    if (closed_ || broken_) return Opening::Failed;
    const auto state = link_->progress();
    if (state == SimulatorLink::State::Failed) {
        broken_ = true;
        return Opening::Failed;
    }
    if (state == SimulatorLink::State::Connecting) {
        link_->wait(budgetMs);
        return link_->progress() == SimulatorLink::State::Ready ? advanceOpen(0) : Opening::Waiting;
    }
    if (!openSent_) {
        const auto packet = wire::openRequest(*protocol_, nextSendId_++, clientName_);
        openSent_ = true;
        if (!link_->write(packet.data(), packet.size())) broken_ = true;
    }
    readIncoming();
    if (arrived_.empty() && !broken_) {
        link_->wait(budgetMs);
        readIncoming();
    }
    // Before the open message only a refusal of the open is expected; what
    // else comes first waits for the dispatch that follows a successful open.
    for (auto it = arrived_.begin(); it != arrived_.end(); ++it) {
        const DWORD id = field(*it, 8);
        if (id == SIMCONNECT_RECV_ID_OPEN) {
            // The open message goes first, whatever came before it.
            auto open = std::move(*it);
            arrived_.erase(it);
            arrived_.push_front(std::move(open));
            opened_ = true;
            return Opening::Open;
        }
        if (id == SIMCONNECT_RECV_ID_EXCEPTION && field(*it, 12) == kExceptionVersionMismatch) {
            return Opening::VersionRefused;
        }
    }
    return broken_ ? Opening::Failed : Opening::Waiting;
}

bool Connection::send(wire::Op op, const wire::ByteWriter& fields) {
    if (closed_ || broken_ || !opened_) return false;
    const auto bytes = wire::request(op, protocol_->number, nextSendId_++, fields);
    if (!link_->write(bytes.data(), bytes.size())) {
        broken_ = true;
        return false;
    }
    if (!waiting_) {
        waiting_ = true;
        waitingSince_ = Clock::now();
    }
    return true;
}

void Connection::readIncoming() {
    if (broken_ || closed_) return;
    if (!link_->write(nullptr, 0)) broken_ = true;  // retry what an earlier write kept
    std::vector<std::uint8_t> incoming;
    if (!link_->readAvailable(incoming)) broken_ = true;
    reader_.append(incoming.data(), incoming.size());
    for (;;) {
        std::vector<std::uint8_t> message;
        const auto status = reader_.next(message);
        if (status == wire::PacketReader::Status::NeedMore) break;
        if (status == wire::PacketReader::Status::Corrupt || !acceptable(message)) {
            broken_ = true;  // nothing after a bad size can be trusted
            break;
        }
        arrived_.push_back(std::move(message));
        waiting_ = false;
    }
    if (!broken_ && waiting_ && link_->silenceMeansLost() && Clock::now() - waitingSince_ > kSilenceLimit) {
        broken_ = true;
    }
}

// A message too short for its kind would have the callback read past its end:
// the stream that carries it is broken.
bool Connection::acceptable(const std::vector<std::uint8_t>& message) const {
    return message.size() >= minimumSize(field(message, 8));
}

bool Connection::dispatch(DispatchProc proc, void* context, std::size_t limit) {
    if (closed_) return false;
    readIncoming();
    if (arrived_.empty()) return !broken_;
    const std::size_t count = std::min(limit, arrived_.size());
    std::vector<std::vector<std::uint8_t>> batch;
    for (std::size_t i = 0; i < count; ++i) {
        batch.push_back(std::move(arrived_.front()));
        arrived_.pop_front();
    }
    for (const auto& message : batch) {
        if (closed_) break;
        // Aligned and zero-padded, so a callback reading a whole header struct
        // stays inside the buffer even for the shortest messages.
        std::vector<std::uint64_t> storage((std::max<std::size_t>(message.size(), 512) + 7) / 8, 0);
        std::memcpy(storage.data(), message.data(), message.size());
        if (proc != nullptr) {
            proc(reinterpret_cast<SIMCONNECT_RECV*>(storage.data()), static_cast<DWORD>(message.size()), context);
        }
    }
    return true;
}

void Connection::close() {
    closed_ = true;
    link_.reset();
}

}  // namespace brelvik::standin
