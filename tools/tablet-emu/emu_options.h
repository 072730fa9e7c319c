// Command line of tablet-emu. Kept apart from main() so the rules for what is
// accepted are testable without starting the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelvik::tabletemu {

inline constexpr int kTabletPort = 15684;  // where a tablet listens
inline constexpr int kBridgePort = 15683;  // where the bridge listens
inline constexpr const char* kDefaultTarget = "127.0.0.1";

struct Options {
    int port = kTabletPort;
    int bridgePort = kBridgePort;
    int probeIntervalMs = 1000;  // 0: no probes
    std::int32_t answerA = 1;
    bool silent = false;
    bool showSender = false;    // --from
    bool stayAfterEof = false;  // --stay
    std::optional<std::string> target;
};

struct ParsedOptions {
    Options options;
    bool showHelp = false;
    std::string error;  // empty when the command line was accepted
};

// args excludes the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);

std::string helpText();

// A dotted IPv4 address "a.b.c.d", each part 0-255 in decimal without leading
// zeros. Host names are refused so the emulator never resolves (or leaks to) a
// name it was not given as an address.
bool isDottedIpv4(const std::string& text);

// A whole decimal integer that fits in `out`'s range; nothing else accepted.
bool parseWholeInt(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out);

}  // namespace brelvik::tabletemu
