// SimConnect's own byte format, as the vendor's client library speaks it to the
// simulator over a named pipe or TCP: the same on both ends, so the client
// library and the bench simulator share it.
//
// A request is a 16-byte little-endian header (total size, protocol version,
// 0xF0000000 | operation, a send id counted per connection) and the
// operation's fixed-width fields; names are 256-byte fields. A simulator
// message is a SIMCONNECT_RECV image, 12-byte header first, cut out of the
// stream by its own dwSize. There is no other framing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik::standin::wire {

// Beyond this a size field means the stream is broken: the largest message
// the bridge ever receives (a flight sample) is a few hundred bytes.
constexpr std::size_t kMaxMessage = std::size_t{64} << 10;
constexpr std::size_t kMessageHeaderSize = 12;
constexpr std::size_t kRequestHeaderSize = 16;
constexpr std::size_t kNameField = 256;
constexpr std::uint32_t kRequestIdBits = 0xF0000000u;

enum class Op : std::uint32_t {
    Open = 0x01,
    MapEvent = 0x04,          // u32 client event, name
    TransmitEvent = 0x05,     // u32 object, client event, data, group, flags
    AddToGroup = 0x07,        // u32 group, client event, maskable
    SetGroupPriority = 0x09,  // u32 group, priority
    AddToDefinition = 0x0C,   // u32 definition, name, unit name, u32 type, f32 epsilon, u32 datum
    RequestData = 0x0F,       // u32 request, definition, radius, object type
    SetData = 0x10,           // u32 definition, object, flags, array count, unit size, then the data
};

// The size a request of `op` must have; SetData is this plus its data.
std::size_t requestSize(Op op);

// One protocol generation: what the client writes in its open request.
struct Protocol {
    std::uint32_t number;
    std::array<std::uint8_t, 4> tag;
    std::uint32_t major, minor, buildMajor, buildMinor;
    const char* name;
};
// Newest first: a client opens with the first and steps down on a
// version-mismatch exception. 6 is MSFS 2024, 5 MSFS 2020, 4 FSX SP2 and
// Acceleration (which Prepar3D also serves).
inline constexpr Protocol kProtocols[] = {
    {6, {0x00, 'R', 'S', 0x00}, 12, 2, 282174, 999, "MSFS 2024"},
    {5, {0x00, 'H', 'K', 0x00}, 11, 0, 62651, 3, "MSFS 2020"},
    {4, {0x00, 'X', 'S', 'F'}, 10, 0, 61259, 0, "FSX SP2"},
};
const Protocol* findProtocol(std::uint32_t number);

class ByteWriter {
public:
    void u32(std::uint32_t value);
    void f32(float value);
    // A 256-byte name field: the text cut to 255 bytes, then zeros. A null
    // text (a unit left to the simulator's default) is all zeros.
    void name(const char* text);
    void name(std::string_view text);
    void raw(const void* data, std::size_t size);
    void zeros(std::size_t count);
    std::vector<std::uint8_t>& data() { return bytes_; }
    const std::vector<std::uint8_t>& data() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Fixed-width fields in order; every getter fails, leaving the output
// untouched, when too few bytes are left.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteReader(std::span<const std::uint8_t> bytes) : ByteReader(bytes.data(), bytes.size()) {}
    bool u32(std::uint32_t& value);
    bool f32(float& value);
    bool name(std::string& value);  // up to its first NUL, at most 256 bytes
    bool skip(std::size_t count);
    std::span<const std::uint8_t> rest() const { return {data_ + offset_, size_ - offset_}; }

private:
    bool take(std::size_t count, const std::uint8_t*& at);
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// A whole request: header, then `fields`.
std::vector<std::uint8_t> request(Op op, std::uint32_t protocol, std::uint32_t sendId, const ByteWriter& fields);
std::vector<std::uint8_t> openRequest(const Protocol& protocol, std::uint32_t sendId, std::string_view clientName);

struct RequestHeader {
    std::uint32_t size = 0, protocol = 0, id = 0, sendId = 0;
    std::uint32_t op() const { return id & ~kRequestIdBits; }
};
RequestHeader readRequestHeader(std::span<const std::uint8_t> packet);  // packet holds at least the header

// Cuts packets out of a byte stream that arrives in pieces of any size, by
// the size field each begins with. A size below `minimum` or above
// kMaxMessage breaks the stream for good: nothing after it can be trusted.
class PacketReader {
public:
    explicit PacketReader(std::size_t minimum) : minimum_(minimum) {}
    enum class Status { Packet, NeedMore, Corrupt };
    void append(const std::uint8_t* data, std::size_t size);
    Status next(std::vector<std::uint8_t>& packet);
    std::size_t buffered() const { return buffer_.size() - start_; }

private:
    std::size_t minimum_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    bool corrupt_ = false;
};

// Messages of the simulator.
struct OpenInfo {
    std::string applicationName;
    std::uint32_t versionMajor = 0, versionMinor = 0, buildMajor = 0, buildMinor = 0;
    std::uint32_t libraryMajor = 0, libraryMinor = 0, libraryBuildMajor = 0, libraryBuildMinor = 0;
};
// `protocol` is what the simulator writes as dwVersion: its own protocol.
std::vector<std::uint8_t> openMessage(const OpenInfo& info, std::uint32_t protocol = 4);
std::vector<std::uint8_t> quitMessage(std::uint32_t protocol = 4);
std::vector<std::uint8_t> exceptionMessage(std::uint32_t code, std::uint32_t sendId, std::uint32_t index,
                                           std::uint32_t protocol = 4);
std::vector<std::uint8_t> dataMessage(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId,
                                      std::uint32_t fieldCount, const std::vector<std::uint8_t>& block,
                                      std::uint32_t protocol = 4);
std::vector<std::uint8_t> eventMessage(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data,
                                       std::uint32_t protocol = 4);

// "a.b.c.d:port" with a loopback address (127.x.x.x) and a port 1-65535 (0 too
// when `anyPort`, for a listener that takes whatever port is free); the address
// comes back in host byte order. The bench simulator only ever listens on
// this machine.
bool parseLoopbackAddress(std::string_view text, std::uint32_t& address, std::uint16_t& port, bool anyPort = false);

}  // namespace brelvik::standin::wire
