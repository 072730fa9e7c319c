// Drives the Windows panel port against a COM port whose far end belongs to
// the test that started it (under Wine, a pseudo-terminal): writes a panel
// frame, takes the reply the way the panel reader does (one thread waits, the
// main thread reads), checks that an empty read returns and that wake() ends a
// blocked wait, then opens the port again and waits for the far end to go.
// Prints one line per step for the test to check; waits that never end make it
// exit with 3 rather than hang.
//
//   serial_port_probe <device> <reply byte count>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "panels/serial_port.h"

namespace {

using namespace std::chrono_literals;
using brelvik::PortWait;
using Clock = std::chrono::steady_clock;

const char* nameOf(PortWait wait) {
    switch (wait) {
    case PortWait::Input: return "input";
    case PortWait::Woken: return "woken";
    case PortWait::Gone: return "gone";
    }
    return "?";
}

long msSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A wait that outlives its bound would block the future's destructor for ever.
PortWait finish(std::future<PortWait>& wait, std::chrono::milliseconds bound, const char* step) {
    if (wait.wait_for(bound) != std::future_status::ready) {
        say(std::string(step) + ": wait did not return");
        std::_Exit(3);
    }
    return wait.get();
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone, as the test reads them
    if (argc != 3) {
        say("usage: serial_port_probe <device> <reply byte count>");
        return 2;
    }
    const std::size_t expected = std::strtoul(argv[2], nullptr, 10);
    brelvik::OpenedPort opened = brelvik::openSerialPort(argv[1], 9600);
    if (!opened.port) {
        say("open failed: " + opened.error);
        return 2;
    }
    brelvik::SerialPort& port = *opened.port;
    const auto waitOnThread = [&port] {
        return std::async(std::launch::async, [&port] { return port.waitForInput(); });
    };

    // Waiting already, as the reader does, before the frame that brings the reply.
    auto wait = waitOnThread();
    const std::vector<std::uint8_t> frame = {0xFF, 0xFF, 0xFE, 0x00};
    say("wrote " + std::to_string(port.write(frame)));

    std::vector<std::uint8_t> reply;
    std::string waits;
    const auto deadline = Clock::now() + 15s;
    while (reply.size() < expected && Clock::now() < deadline) {
        const PortWait result = finish(wait, 15s, "reply");
        waits += std::string(waits.empty() ? "" : " ") + nameOf(result);
        if (result != PortWait::Input) break;
        std::uint8_t buffer[64];
        const std::size_t got = port.read(buffer);
        reply.insert(reply.end(), buffer, buffer + got);
        wait = waitOnThread();
    }
    std::string hex;
    for (const std::uint8_t b : reply) {
        char text[4];
        std::snprintf(text, sizeof text, "%s%02x", hex.empty() ? "" : " ", b);
        hex += text;
    }
    say("read " + hex);
    say("waits " + waits);

    // Nothing more comes: the last wait is still blocked.
    if (!wait.valid()) return 1;
    say(std::string("still waiting ") + (wait.wait_for(300ms) == std::future_status::timeout ? "yes" : "no"));
    std::uint8_t buffer[64];
    auto start = Clock::now();
    const std::size_t got = port.read(buffer);
    say("empty read " + std::to_string(got) + " bytes in " + std::to_string(msSince(start)) + " ms");

    start = Clock::now();
    port.wake();
    const PortWait woken = finish(wait, 5s, "wake");
    say(std::string("wake ") + nameOf(woken) + " in " + std::to_string(msSince(start)) + " ms");
    port.wake();
    say(std::string("after wake ") + nameOf(port.waitForInput()));

    // Closed and opened again (nobody else may hold it open), then the far end hangs up.
    opened.port.reset();
    opened = brelvik::openSerialPort(argv[1], 9600);
    if (!opened.port) {
        say("reopen failed: " + opened.error);
        return 1;
    }
    auto hangUp = std::async(std::launch::async, [&opened] { return opened.port->waitForInput(); });
    say("waiting for hang-up");
    say(std::string("hang-up ") + nameOf(finish(hangUp, 10s, "hang-up")));
    return 0;
}
