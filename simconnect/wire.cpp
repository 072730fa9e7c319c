#include "simconnect/wire.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "sim/simconnect.h"
#include "simconnect/standin.h"

namespace brelvik::standin::wire {
namespace {

constexpr std::uint32_t kNullText = 0xFFFFFFFFu;
constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kDataHeaderSize = 40;

std::uint32_t readLe32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// Starts a message; its dwSize is patched once the message is complete.
ByteWriter messageHeader(std::uint32_t id) {
    ByteWriter w;
    w.u32(0);
    w.u32(kMessageVersion);
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

static_assert(sizeof(SIMCONNECT_RECV_OPEN) == kHeaderSize + 256 + 10 * 4);
static_assert(sizeof(SIMCONNECT_RECV_EXCEPTION) == kHeaderSize + 3 * 4);
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE) == kDataHeaderSize + 4);  // dwData is the block
static_assert(sizeof(RecvEvent) == kHeaderSize + 3 * 4);

void ByteWriter::u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void ByteWriter::f32(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    u32(bits);
}

void ByteWriter::text(std::string_view value) { bytes(value.data(), value.size()); }

void ByteWriter::optionalText(const char* value) {
    if (value == nullptr) {
        u32(kNullText);
    } else {
        text(value);
    }
}

void ByteWriter::bytes(const void* data, std::size_t size) {
    u32(static_cast<std::uint32_t>(size));
    raw(data, size);
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

bool ByteReader::text(std::string& value) {
    std::vector<std::uint8_t> raw;
    if (!bytes(raw)) return false;
    value.assign(raw.begin(), raw.end());
    return true;
}

bool ByteReader::optionalText(std::optional<std::string>& value) {
    const std::size_t mark = offset_;
    std::uint32_t length = 0;
    if (!u32(length)) return false;
    if (length == kNullText) {
        value.reset();
        return true;
    }
    offset_ = mark;
    std::string text;
    if (!this->text(text)) return false;
    value = std::move(text);
    return true;
}

bool ByteReader::bytes(std::vector<std::uint8_t>& value) {
    const std::size_t mark = offset_;
    std::uint32_t length = 0;
    const std::uint8_t* at = nullptr;
    if (!u32(length) || !take(length, at)) {
        offset_ = mark;
        return false;
    }
    value.assign(at, at + length);
    return true;
}

std::vector<std::uint8_t> frame(const std::vector<std::uint8_t>& payload) {
    ByteWriter w;
    // One allocation up front; it also keeps g++ 12 at -O3 from a false
    // overflow warning on the copy after a growing length prefix.
    w.data().reserve(4 + payload.size());
    w.bytes(payload.data(), payload.size());
    return std::move(w.data());
}

void FrameReader::append(const std::uint8_t* data, std::size_t size) {
    if (corrupt_ || size == 0) return;
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

FrameReader::Status FrameReader::next(std::vector<std::uint8_t>& payload) {
    if (corrupt_) return Status::Corrupt;
    if (buffered() < 4) return Status::NeedMore;
    const std::uint32_t length = readLe32(buffer_.data() + start_);
    if (length > kMaxPayload) {
        corrupt_ = true;
        buffer_.clear();
        start_ = 0;
        return Status::Corrupt;
    }
    if (buffered() - 4 < length) return Status::NeedMore;
    const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + 4);
    payload.assign(first, first + length);
    start_ += 4 + length;
    // Drop consumed bytes now and then, so a long session does not grow the buffer.
    if (start_ > 65536 && start_ * 2 > buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    return Status::Frame;
}

std::vector<std::uint8_t> openMessage(const OpenInfo& info) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_OPEN);
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

std::vector<std::uint8_t> quitMessage() {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_QUIT);
    return finish(w);
}

std::vector<std::uint8_t> exceptionMessage(std::uint32_t code, std::uint32_t sendId, std::uint32_t index) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_EXCEPTION);
    w.u32(code);
    w.u32(sendId);
    w.u32(index);
    return finish(w);
}

std::vector<std::uint8_t> dataMessage(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId,
                                      std::uint32_t fieldCount, const std::vector<std::uint8_t>& block) {
    ByteWriter w = messageHeader(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE);
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

std::vector<std::uint8_t> eventMessage(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data) {
    ByteWriter w = messageHeader(kRecvIdEvent);
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
