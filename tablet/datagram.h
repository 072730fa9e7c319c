// Framing of the tablet protocol: one ASCII message per datagram, fields split on
// "|", the first field the message word, the others key=value.
#pragma once

#include <string_view>
#include <vector>

namespace brelvik {

// A received datagram is read into this many bytes and terminated there.
inline constexpr std::size_t kDatagramBufferSize = 4096;
inline constexpr std::size_t kMaxDatagramText = kDatagramBufferSize - 1;
// Longer keys match nothing the protocol knows, so their fields are dropped.
inline constexpr std::size_t kMaxKeyLength = 49;

inline constexpr int kBridgePort = 15683;  // we receive here
inline constexpr int kTabletPort = 15684;  // every datagram we send goes here

struct DatagramField {
    std::string_view key;
    std::string_view value;
};

// Views into the text passed to splitDatagram; valid while that text lives.
struct SplitDatagram {
    std::string_view word;
    std::vector<DatagramField> fields;
};

// Empty fields are skipped ("||" acts like "|"), fields without "=" are skipped,
// and so are fields whose key is longer than kMaxKeyLength. Text beyond
// kMaxDatagramText bytes is ignored.
SplitDatagram splitDatagram(std::string_view text);

}  // namespace brelvik
