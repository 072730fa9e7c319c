// The tablet's side of the UDP text protocol, without sockets: what to print for
// a received datagram, what to answer, what a typed line means. main() owns the
// socket and the clock and carries out what this class decides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/tablet-emu/emu_options.h"

namespace brelvik::tabletemu {

struct Outgoing {
    std::string text;
    std::string address;  // dotted IPv4
    int port = 0;

    bool operator==(const Outgoing&) const = default;
};

// The datagram as one printable line (no newline): bytes outside printable
// ASCII, and the backslash, become \xNN so the line cannot be split or mistaken.
std::string escapeDatagram(std::string_view bytes);

// The first non-empty "|"-separated field: the message word.
std::string_view messageWord(std::string_view text);

class TabletEmulator {
public:
    explicit TabletEmulator(const Options& options);

    // What to write to stdout for a received datagram, newline included.
    std::string printedLine(std::string_view bytes, const std::string& sender) const;

    // A datagram from `sender` (dotted IPv4): remembers the sender as the bridge
    // and returns the reply, if one is due.
    std::optional<Outgoing> onDatagram(std::string_view bytes, const std::string& sender);

    // The keep-alive probe due at a probe tick, if any.
    std::optional<Outgoing> probe() const;

    struct LineResult {
        std::optional<Outgoing> send;
        std::string note;  // for stderr; empty when there is nothing to say
        bool quit = false;
    };
    // One line typed on stdin, without its newline.
    LineResult onInputLine(std::string_view line);

    bool silent() const { return silent_; }
    std::int32_t answerA() const { return answerA_; }
    // Where typed datagrams go now.
    std::string target() const;

private:
    int bridgePort_;
    bool probing_;
    bool showSender_;
    bool silent_;
    std::int32_t answerA_;
    std::optional<std::string> explicitTarget_;
    std::optional<std::string> lastBridge_;
};

}  // namespace brelvik::tabletemu
