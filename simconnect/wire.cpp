#include "simconnect/wire.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "sim/simconnect.h"
#include "simconnect/standin.h"

namespace brelvik::standin::wire {
namespace {

constexpr std::size_t kDataHeaderSize = 40;

std::uint32_t readLe32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// Starts a message; its dwSize is patched once the message is complete.
ByteWriter messageHeader(std::uint32_t id, std::uint32_t protocol) {
    ByteWriter w;
    w.u32(0);
    w.u32(protocol);
    w.u32(id);
    return w;
}

std::vector<std::uint8_t> finish(ByteWriter& w) {
    auto& bytes = w.data();
    const auto size = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
    return std::move(bytes);
}

}  // namespace

static_assert(sizeof(SIMCONNECT_RECV_OPEN) == kMessageHeaderSize + 256 + 10 * 4);
static_assert(sizeof(SIMCONNECT_RECV_EXCEPTION) == kMessageHeaderSize + 3 * 4);
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE) == kDataHeaderSize + 4);  // dwData is the block
static_assert(sizeof(RecvEvent) == kMessageHeaderSize + 3 * 4);

std::size_t requestSize(Op op) {
    switch (op) {
        case Op::Open: return 296;
        case Op::MapEvent: return kRequestHeaderSize + 4 + kNameField;
        case Op::TransmitEvent: return kRequestHeaderSize + 5 * 4;
        case Op::AddToGroup: return kRequestHeaderSize + 3 * 4;
        case Op::SetGroupPriority: return kRequestHeaderSize + 2 * 4;
        case Op::AddToDefinition: return kRequestHeaderSize + 4 + 2 * kNameField + 3 * 4;
        case Op::RequestData: return kRequestHeaderSize + 4 * 4;
        case Op::SetData: return kRequestHeaderSize + 5 * 4;
    }
    return 0;
}

const Protocol* findProtocol(std::uint32_t number) {
    for (const auto& p : kProtocols) {
        if (p.number == number) return &p;
    }
    return nullptr;
}

void ByteWriter::u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void ByteWriter::f32(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    u32(bits);
}

void ByteWriter::name(const char* text) {
    if (text == nullptr) {
        zeros(kNameField);
    } else {
        name(std::string_view(text));
    }
}

void ByteWriter::name(std::string_view text) {
    const std::size_t length = std::min(text.size(), kNameField - 1);
    raw(text.data(), length);
    zeros(kNameField - length);
}

void ByteWriter::raw(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (size > 0) bytes_.insert(bytes_.end(), p, p + size);
}

void ByteWriter::zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

bool ByteReader::take(std::size_t count, const std::uint8_t*& at) {
    if (count > size_ - offset_) return false;
    at = data_ + offset_;
    offset_ += count;
    return true;
}

bool ByteReader::u32(std::uint32_t& value) {
    const std::uint8_t* at = nullptr;
    if (!take(4, at)) return false;
    value = readLe32(at);
    return true;
}

bool ByteReader::f32(float& value) {
    std::uint32_t bits = 0;
    if (!u32(bits)) return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool ByteReader::name(std::string& value) {
    const std::uint8_t* at = nullptr;
    if (!take(kNameField, at)) return false;
    const auto* text = reinterpret_cast<const char*>(at);
    value.assign(text, strnlen(text, kNameField));
    return true;
}

bool ByteReader::skip(std::size_t count) {
    const std::uint8_t* at = nullptr;
    return take(count, at);
}

std::vector<std::uint8_t> request(Op op, std::uint32_t protocol, std::uint32_t sendId, const ByteWriter& fields) {
    ByteWriter w;
    w.data().reserve(kRequestHeaderSize + fields.data().size());
    w.u32(static_cast<std::uint32_t>(kRequestHeaderSize + fields.data().size()));
    w.u32(protocol);
    w.u32(kRequestIdBits | static_cast<std::uint32_t>(op));
    w.u32(sendId);
    w.raw(fields.data().data(), fields.data().size());
    return std::move(w.data());
}

std::vector<std::uint8_t> openRequest(const Protocol& protocol, std::uint32_t sendId, std::string_view clientName) {
    ByteWriter w;
    w.name(clientName);
    w.u32(0);
    w.raw(protocol.tag.data(), protocol.tag.size());
    w.u32(protocol.major);
    w.u32(protocol.minor);
    w.u32(protocol.buildMajor);
    w.u32(protocol.buildMinor);
    return request(Op::Open, protocol.number, sendId, w);
}

RequestHeader readRequestHeader(std::span<const std::uint8_t> packet) {
    RequestHeader h;
    if (packet.size() < kRequestHeaderSize) return h;
    h.size = readLe32(packet.data());
    h.protocol = readLe32(packet.data() + 4);
    h.id = readLe32(packet.data() + 8);
    h.sendId = readLe32(packet.data() + 12);
    return h;
}

void PacketReader::append(const std::uint8_t* data, std::size_t size) {
    if (corrupt_ || size == 0) return;
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

PacketReader::Status PacketReader::next(std::vector<std::uint8_t>& packet) {
    if (corrupt_) return Status::Corrupt;
    if (buffered() < 4) return Status::NeedMore;
    const std::uint32_t size = readLe32(buffer_.data() + start_);
    if (size < minimum_ || size > kMaxMessage) {
        corrupt_ = true;
        buffer_.clear();
        buffer_.shrink_to_fit();
        start_ = 0;
        return Status::Corrupt;
    }
    if (buffered() < size) return Status::NeedMore;
    const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
    packet.assign(first, first + size);
    start_ += size;
    // Drop consumed bytes now and then, so a long session does not grow the buffer.
    if (start_ > 65536 && start_ * 2 > buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    return Status::Packet;
}

std::vector<std::uint8_t> openMessage(const OpenInfo& info, std::uint32_t protocol) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_OPEN, protocol);
    char name[256] = {};
    std::memcpy(name, info.applicationName.data(), std::min(info.applicationName.size(), sizeof name - 1));
    w.raw(name, sizeof name);
    for (std::uint32_t v : {info.versionMajor, info.versionMinor, info.buildMajor, info.buildMinor, info.libraryMajor,
                            info.libraryMinor, info.libraryBuildMajor, info.libraryBuildMinor}) {
        w.u32(v);
    }
    w.zeros(8);  // reserved
    return finish(w);
}

std::vector<std::uint8_t> quitMessage(std::uint32_t protocol) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_QUIT, protocol);
    return finish(w);
}

std::vector<std::uint8_t> exceptionMessage(std::uint32_t code, std::uint32_t sendId, std::uint32_t index,
                                           std::uint32_t protocol) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_EXCEPTION, protocol);
    w.u32(code);
    w.u32(sendId);
    w.u32(index);
    return finish(w);
}

std::vector<std::uint8_t> dataMessage(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId,
                                      std::uint32_t fieldCount, const std::vector<std::uint8_t>& block,
                                      std::uint32_t protocol) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, protocol);
    w.u32(requestId);
    w.u32(objectId);
    w.u32(definitionId);
    w.u32(0);  // flags
    w.u32(1);  // entry number
    w.u32(1);  // out of
    w.u32(fieldCount);
    w.raw(block.data(), block.size());
    return finish(w);
}

std::vector<std::uint8_t> eventMessage(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data,
                                       std::uint32_t protocol) {
    ByteWriter w = messageHeader(kRecvIdEvent, protocol);
    w.u32(groupId);
    w.u32(eventId);
    w.u32(data);
    return finish(w);
}

bool parseLoopbackAddress(std::string_view text, std::uint32_t& address, std::uint16_t& port, bool anyPort) {
    std::uint32_t parts[5] = {};
    int count = 0;
    std::size_t i = 0;
    while (count < 5) {
        std::uint32_t value = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 6) {
            value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0) return false;
        parts[count++] = value;
        if (i == text.size()) break;
        const char separator = count < 4 ? '.' : ':';
        if (count > 4 || text[i] != separator) return false;
        ++i;
    }
    if (count != 5 || i != text.size()) return false;
    for (int k = 0; k < 4; ++k) {
        if (parts[k] > 255) return false;
    }
    if (parts[0] != 127 || (parts[4] == 0 && !anyPort) || parts[4] > 65535) return false;
    address = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
    port = static_cast<std::uint16_t>(parts[4]);
    return true;
}

}  // namespace brelvik::standin::wire
