// tablet-emu: stands in for the tablet avionics app on the UDP text protocol.
// One thread, one socket, one ppoll() loop over the socket, stdin and the probe
// clock. The reply rules live in TabletEmulator; this file only moves bytes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/stop_signals.h"
#include "tools/tablet-emu/emu_options.h"
#include "tools/tablet-emu/tablet_emulator.h"

namespace {

using brelvik::tabletemu::Outgoing;
using brelvik::tabletemu::TabletEmulator;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int sig) { stopSignal = sig; }

void note(const std::string& text) { std::fprintf(stderr, "tablet-emu: %s\n", text.c_str()); }

int openSocket(int port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Only matters when the user points !target at a broadcast address on purpose.
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

void sendDatagram(int fd, const Outgoing& out) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(out.port));
    // Addresses reaching here are dotted IPv4 text by construction (received
    // senders or validated targets); no name is ever looked up.
    if (::inet_pton(AF_INET, out.address.c_str(), &peer.sin_addr) != 1) {
        note("not an address: " + out.address);
        return;
    }
    if (::sendto(fd, out.text.data(), out.text.size(), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) < 0) {
        note("send to " + out.address + ":" + std::to_string(out.port) + " failed: " + std::strerror(errno));
    }
}

void receiveOne(int fd, TabletEmulator& emulator) {
    static std::vector<char> buffer(65536);  // larger than any UDP payload over IPv4
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
                                 &fromLen);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) note(std::string("receive failed: ") + std::strerror(errno));
        return;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    const std::string sender = text;
    const std::string_view bytes(buffer.data(), static_cast<std::size_t>(n));
    const std::string line = emulator.printedLine(bytes, sender);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    if (const auto reply = emulator.onDatagram(bytes, sender)) sendDatagram(fd, *reply);
}

// Returns false when the line asks to quit.
bool handleLine(int fd, TabletEmulator& emulator, std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const TabletEmulator::LineResult result = emulator.onInputLine(line);
    if (!result.note.empty()) note(result.note);
    if (result.send) sendDatagram(fd, *result.send);
    return !result.quit;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = brelvik::tabletemu::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.showHelp) {
        std::fputs(brelvik::tabletemu::helpText().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        note(parsed.error + " (see --help)");
        return 2;
    }
    const auto& options = parsed.options;

    const sigset_t waitMask = brelvik::tools::blockStopSignals(onStopSignal);

    const int fd = openSocket(options.port);
    if (fd < 0) {
        note("cannot listen on UDP port " + std::to_string(options.port) + ": " + std::strerror(errno));
        return 1;
    }
    note("listening on UDP port " + std::to_string(options.port));

    TabletEmulator emulator(options);
    const auto probeEvery = std::chrono::milliseconds(options.probeIntervalMs);
    auto nextProbe = Clock::now() + probeEvery;
    bool stdinOpen = true;
    std::string pending;  // stdin bytes after the last complete line

    while (stopSignal == 0) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {STDIN_FILENO, static_cast<short>(stdinOpen ? POLLIN : 0), 0}};
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (options.probeIntervalMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(nextProbe - Clock::now());
            const auto ns = std::max<std::int64_t>(0, left.count());
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            timeoutPtr = &timeout;
        }
        const int ready = ::ppoll(fds, stdinOpen ? 2 : 1, timeoutPtr, &waitMask);
        if (ready < 0 && errno != EINTR) {
            note(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (options.probeIntervalMs > 0 && Clock::now() >= nextProbe) {
            if (const auto probe = emulator.probe()) sendDatagram(fd, *probe);
            nextProbe += probeEvery;
            if (nextProbe < Clock::now()) nextProbe = Clock::now() + probeEvery;  // no burst after a stall
        }
        if (ready <= 0) continue;
        if (fds[0].revents & POLLIN) receiveOne(fd, emulator);
        if (stdinOpen && fds[1].revents != 0) {
            char chunk[4096];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            bool quit = false;
            if (n > 0) {
                pending.append(chunk, static_cast<std::size_t>(n));
                std::size_t newline;
                while (!quit && (newline = pending.find('\n')) != std::string::npos) {
                    const std::string line = pending.substr(0, newline);
                    pending.erase(0, newline + 1);
                    quit = !handleLine(fd, emulator, line);
                }
            } else {  // end of input, or stdin unusable
                stdinOpen = false;
                if (!pending.empty()) quit = !handleLine(fd, emulator, pending);
                pending.clear();
                if (!options.stayAfterEof) quit = true;
            }
            if (quit) break;
        }
    }
    ::close(fd);
    return 0;
}
