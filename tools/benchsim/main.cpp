// benchsim: the bench simulator as a program. Clients connect over TCP on
// loopback; the control channel is standard input and output, one line each.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/benchsim/bench_simulator.h"
#include "tools/benchsim/control_channel.h"
#include "tools/benchsim/tcp_server.h"

namespace {

using brelvik::benchsim::BenchOptions;
using brelvik::benchsim::BenchSimulator;
using brelvik::benchsim::ControlChannel;
using brelvik::benchsim::TcpServer;

constexpr int kTickMs = 50;

void printLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool readCount(const char* text, std::uint32_t& value) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || n > 0xFFFFFFFFul) return false;
    value = static_cast<std::uint32_t>(n);
    return true;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "benchsim: %s\n(benchsim --help lists the options)\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    std::string address = "127.0.0.1:15690";
    bool stay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            printLine(brelvik::benchsim::helpText());
            return 0;
        } else if (arg == "--listen" && hasValue) {
            address = argv[++i];
        } else if (arg == "--version-major" && hasValue) {
            if (!readCount(argv[++i], options.versionMajor)) return usageError("bad --version-major");
        } else if (arg == "--version-minor" && hasValue) {
            if (!readCount(argv[++i], options.versionMinor)) return usageError("bad --version-minor");
        } else if (arg == "--app-name" && hasValue) {
            // Bytes as given (a test may pass a Latin-1 name), cut to the field's 255.
            options.applicationName = std::string(argv[++i]).substr(0, 255);
        } else if (arg == "--simulator" && hasValue) {
            if (!brelvik::benchsim::playSimulator(argv[++i], options)) {
                return usageError("--simulator takes fsx, p3d, msfs2020 or msfs2024");
            }
        } else if (arg == "--frozen") {
            options.frozen = true;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--no-addons") {
            options.addons = false;
        } else if (arg == "--stay") {
            stay = true;
        } else {
            return usageError("unknown option " + arg);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);

    BenchSimulator simulator(options);
    simulator.setReportSink(printLine);
    TcpServer server(simulator);
    std::string error;
    if (!server.listen(address, error)) {
        std::fprintf(stderr, "benchsim: %s\n", error.c_str());
        return 1;
    }
    printLine("listening " + address.substr(0, address.rfind(':') + 1) + std::to_string(server.port()));

    ControlChannel control(simulator);
    bool stdinOpen = true;
    std::string input;
    auto last = std::chrono::steady_clock::now();
    while (!control.exitRequested()) {
        if (server.poll(kTickMs, stdinOpen ? STDIN_FILENO : -1)) {
            char chunk[4096];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n > 0) {
                input.append(chunk, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                stdinOpen = false;
                if (!stay) break;
            }
            for (auto end = input.find('\n'); end != std::string::npos && !control.exitRequested();
                 end = input.find('\n')) {
                const std::string line = input.substr(0, end);
                input.erase(0, end + 1);
                for (const auto& reply : control.execute(line)) printLine(reply);
            }
        }
        const auto now = std::chrono::steady_clock::now();
        simulator.advance(std::chrono::duration<double>(now - last).count());
        last = now;
    }
    // Leaving like a simulator that is shut down: every client hears the quit.
    simulator.quitClients();
    for (int i = 0; i < 20 && simulator.clientCount() > 0; ++i) server.poll(10);
    return 0;
}
