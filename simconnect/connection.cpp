#include "simconnect/connection.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace brelvik::standin {
namespace {

constexpr std::size_t kHeaderSize = sizeof(SIMCONNECT_RECV);

// The least a message of each kind must hold for its fields to be read.
std::size_t minimumSize(DWORD id) {
    switch (id) {
        case SIMCONNECT_RECV_ID_OPEN: return sizeof(SIMCONNECT_RECV_OPEN);
        case SIMCONNECT_RECV_ID_EXCEPTION: return sizeof(SIMCONNECT_RECV_EXCEPTION);
        case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
            return sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE) - sizeof(DWORD);  // the block starts at dwData
        case kRecvIdEvent: return sizeof(RecvEvent);
        default: return kHeaderSize;
    }
}

}  // namespace

Connection::Connection(std::unique_ptr<SimulatorLink> link) : link_(std::move(link)) {}

bool Connection::send(wire::Op op, wire::ByteWriter& fields) {
    if (!usable()) return false;
    wire::ByteWriter payload;
    payload.u32(static_cast<std::uint32_t>(op));
    payload.u32(nextPacket_++);
    payload.raw(fields.data().data(), fields.data().size());
    const auto bytes = wire::frame(payload.data());
    if (!link_->write(bytes.data(), bytes.size())) broken_ = true;
    return !broken_;
}

void Connection::dispatch(DispatchProc proc, void* context) {
    if (closed_ || quitDelivered_) return;
    if (!broken_) {
        if (!link_->write(nullptr, 0)) broken_ = true;  // retry what an earlier write kept
        std::vector<std::uint8_t> incoming;
        if (!link_->readAvailable(incoming)) broken_ = true;
        reader_.append(incoming.data(), incoming.size());
    }
    std::vector<std::vector<std::uint8_t>> messages;
    for (;;) {
        std::vector<std::uint8_t> payload;
        const auto status = reader_.next(payload);
        if (status == wire::FrameReader::Status::NeedMore) break;
        if (status == wire::FrameReader::Status::Corrupt) {
            broken_ = true;  // nothing after a bad length can be trusted
            break;
        }
        messages.push_back(std::move(payload));
    }
    for (const auto& message : messages) {
        if (closed_ || quitDelivered_) return;
        deliver(message, proc, context);
    }
    if (broken_ && !closed_ && !quitDelivered_) deliver(wire::quitMessage(), proc, context);
}

void Connection::deliver(const std::vector<std::uint8_t>& message, DispatchProc proc, void* context) {
    if (message.size() < kHeaderSize) return;
    SIMCONNECT_RECV header{};
    std::memcpy(&header, message.data(), kHeaderSize);
    // A message that lies about its size or is too short for its kind is dropped
    // rather than handed to a callback that would read past its end.
    if (header.dwSize != message.size() || message.size() < minimumSize(header.dwID)) return;
    // Aligned and zero-padded, so a callback reading a whole header struct stays
    // inside the buffer even for the shortest messages.
    std::vector<std::uint64_t> storage((std::max<std::size_t>(message.size(), 512) + 7) / 8, 0);
    std::memcpy(storage.data(), message.data(), message.size());
    if (header.dwID == SIMCONNECT_RECV_ID_QUIT) quitDelivered_ = true;
    if (proc != nullptr) {
        proc(reinterpret_cast<SIMCONNECT_RECV*>(storage.data()), static_cast<DWORD>(message.size()), context);
    }
}

void Connection::close() {
    closed_ = true;
    link_.reset();
}

}  // namespace brelvik::standin
