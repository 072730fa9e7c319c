// The byte format between the stand-in client library and the bench simulator.
//
// Both directions carry frames: a 32-bit little-endian payload length, then the
// payload. A client payload is a request: operation, packet number (counted from
// 1 per connection, echoed in exceptions as dwSendID), then the operation's
// fields. A simulator payload is one message exactly as the client's dispatch
// callback receives it (a SIMCONNECT_RECV whose dwSize is the payload length), so
// the library hands it over without knowing its kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik::standin::wire {

// A frame longer than this means the stream is corrupt; the largest real payload
// (a data block of a few hundred variables) is far smaller.
constexpr std::size_t kMaxPayload = std::size_t{1} << 20;
// dwVersion of every message the bench simulator sends.
constexpr std::uint32_t kMessageVersion = 4;

enum class Op : std::uint32_t {
    Hello = 1,         // text client name
    AddToDefinition,   // u32 definition, text name, optional text unit, u32 type, f32 epsilon, u32 datum
    RequestData,       // u32 request, u32 definition, u32 radius, u32 object type
    SetData,           // u32 definition, u32 object, u32 flags, u32 array count, u32 unit size, bytes
    MapEvent,          // u32 client event, text name
    AddToGroup,        // u32 group, u32 client event, u32 maskable
    SetGroupPriority,  // u32 group, u32 priority
    TransmitEvent,     // u32 object, u32 client event, u32 data, u32 group, u32 flags
};

class ByteWriter {
public:
    void u32(std::uint32_t value);
    void f32(float value);
    void text(std::string_view value);
    // A null text is distinct from an empty one (a null unit means the default).
    void optionalText(const char* value);
    void bytes(const void* data, std::size_t size);
    void raw(const void* data, std::size_t size);  // without a length
    void zeros(std::size_t count);
    std::vector<std::uint8_t>& data() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Every getter fails, leaving the output untouched, when the payload is too short.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool u32(std::uint32_t& value);
    bool f32(float& value);
    bool text(std::string& value);
    bool optionalText(std::optional<std::string>& value);
    bool bytes(std::vector<std::uint8_t>& value);

private:
    bool take(std::size_t count, const std::uint8_t*& at);
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// The payload with its length in front.
std::vector<std::uint8_t> frame(const std::vector<std::uint8_t>& payload);

// Cuts frames out of a byte stream that arrives in pieces of any size.
class FrameReader {
public:
    enum class Status { Frame, NeedMore, Corrupt };
    void append(const std::uint8_t* data, std::size_t size);
    // The next complete payload; Corrupt (for good) on an impossible length.
    Status next(std::vector<std::uint8_t>& payload);
    std::size_t buffered() const { return buffer_.size() - start_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    bool corrupt_ = false;
};

// Messages of the simulator, as payloads.
struct OpenInfo {
    std::string applicationName;
    std::uint32_t versionMajor = 0, versionMinor = 0, buildMajor = 0, buildMinor = 0;
    std::uint32_t libraryMajor = 0, libraryMinor = 0, libraryBuildMajor = 0, libraryBuildMinor = 0;
};
std::vector<std::uint8_t> openMessage(const OpenInfo& info);
std::vector<std::uint8_t> quitMessage();
std::vector<std::uint8_t> exceptionMessage(std::uint32_t code, std::uint32_t sendId, std::uint32_t index);
std::vector<std::uint8_t> dataMessage(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId,
                                      std::uint32_t fieldCount, const std::vector<std::uint8_t>& block);
std::vector<std::uint8_t> eventMessage(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data);

// "a.b.c.d:port" with a loopback address (127.x.x.x) and a port 1-65535 (0 too
// when `anyPort`, for a listener that takes whatever port is free); the address
// comes back in host byte order. Anything else is refused: the bench simulator
// is only ever reached on this machine.
bool parseLoopbackAddress(std::string_view text, std::uint32_t& address, std::uint16_t& port, bool anyPort = false);

}  // namespace brelvik::standin::wire
