// panel-emu: plays the panels' firmware on pseudo-terminals, devices or the
// sockets of emulated USB-serial adapters. One thread, one ppoll() loop over
// stdin and the ports. The rules live in PanelEmulator; this file only moves
// bytes and prints.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/stop_signals.h"
#include "tools/panel-emu/emu_options.h"
#include "tools/panel-emu/panel_emulator.h"
#include "tools/panel-emu/pty_posix.h"

namespace {

using namespace brelvik::panelemu;

// Bytes a bridge leaves unread pile up here; past this the oldest reason to
// keep them is gone and the panel drops what it cannot send, as firmware would.
constexpr std::size_t kMaxPending = 65536;

volatile std::sig_atomic_t stopSignal = 0;
void onStopSignal(int sig) { stopSignal = sig; }

// Tests read stdout through a pipe: every line must reach them at once.
void print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Port {
    PanelPortFds fds;
    std::vector<std::uint8_t> pending;
};

void queue(Panel panel, Port& port, const std::vector<std::uint8_t>& bytes) {
    if (port.fds.fd < 0 || bytes.empty()) return;
    if (port.pending.size() + bytes.size() > kMaxPending) {
        print("error " + std::string(panelName(panel)) + ": nobody reads, " + std::to_string(bytes.size()) +
              " bytes dropped");
        return;
    }
    port.pending.insert(port.pending.end(), bytes.begin(), bytes.end());
}

void flushPending(Panel panel, Port& port) {
    while (!port.pending.empty() && port.fds.fd >= 0) {
        const ssize_t n = ::write(port.fds.fd, port.pending.data(), port.pending.size());
        if (n > 0) {
            port.pending.erase(port.pending.begin(), port.pending.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        print("error " + std::string(panelName(panel)) + ": write failed: " + std::strerror(errno));
        port.pending.clear();
    }
}

void receive(Panel panel, Port& port, PanelEmulator& emulator, bool hungUp) {
    std::uint8_t chunk[4096];
    const ssize_t n = ::read(port.fds.fd, chunk, sizeof chunk);
    // A socket's peer (the virtual machine) that left, or a device that hung
    // up (its USB link went away) stays ready for ever: polling it again would
    // spin, and a stop signal is never taken while ppoll() finds a ready port.
    if ((n == 0 || (n < 0 && errno == EIO)) && (port.fds.isSocket || hungUp)) {
        print("error " + std::string(panelName(panel)) + (port.fds.isSocket ? ": the socket was closed" : ": hung up"));
        closePort(port.fds);
        port.pending.clear();
        return;
    }
    if (n <= 0) return;  // EAGAIN, or EIO while no one holds the other side: nothing to do
    const Output out = emulator.onReceived(panel, std::span(chunk, static_cast<std::size_t>(n)));
    for (const auto& line : out.lines) print(line);
    queue(panel, port, out.bytes);
}

// Returns false when the line asks to quit.
bool handleLine(const std::string& line, PanelEmulator& emulator, std::array<Port, kPanelCount>& ports) {
    const CommandResult result = emulator.onCommand(line);
    for (const auto& text : result.lines) print(text);
    if (result.action == CommandResult::Action::Exit) return false;
    if (!result.panel) return true;
    Port& port = ports[static_cast<std::size_t>(*result.panel)];
    if (result.action == CommandResult::Action::Unplug) {
        closePort(port.fds);
        port.pending.clear();
        return true;
    }
    queue(*result.panel, port, result.bytes);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.showHelp) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "panel-emu: %s (see --help)\n", parsed.error.c_str());
        return 2;
    }

    const sigset_t waitMask = brelvik::tools::blockStopSignals(onStopSignal);
    std::signal(SIGPIPE, SIG_IGN);

    std::array<Port, kPanelCount> ports{};
    std::array<bool, kPanelCount> open{};
    std::array<std::optional<std::string>, kPanelCount> paths{};
    std::array<std::optional<std::string>, kPanelCount> listed{};  // what the bridge itself can open
    for (Panel panel : kAllPanels) {
        const std::size_t i = static_cast<std::size_t>(panel);
        const PanelChoice& choice = parsed.options.panels[i];
        if (!choice.wanted) continue;
        std::string error;
        auto fds = choice.device ? openDevice(*choice.device, baudRate(panel), error)
                                 : openPseudoTerminal(baudRate(panel), error);
        if (!fds) {
            std::fprintf(stderr, "panel-emu: %s: %s\n", std::string(panelName(panel)).c_str(), error.c_str());
            for (Port& port : ports) closePort(port.fds);
            return 1;
        }
        ports[i].fds = *fds;
        open[i] = true;
        paths[i] = fds->path;
        if (!fds->isSocket) listed[i] = fds->path;
    }
    for (Panel panel : kAllPanels) {
        const auto& path = paths[static_cast<std::size_t>(panel)];
        if (path) print("port " + std::string(panelName(panel)) + " " + *path);
    }
    print(extraPortsLine(listed));

    PanelEmulator emulator(open);
    bool stdinOpen = true;
    std::string typed;  // stdin bytes after the last complete line
    bool running = true;
    while (running && stopSignal == 0) {
        std::vector<pollfd> fds;
        std::vector<Panel> fdPanels;
        if (stdinOpen) fds.push_back({STDIN_FILENO, POLLIN, 0});
        for (Panel panel : kAllPanels) {
            const Port& port = ports[static_cast<std::size_t>(panel)];
            if (port.fds.fd < 0) continue;
            const short events = static_cast<short>(POLLIN | (port.pending.empty() ? 0 : POLLOUT));
            fds.push_back({port.fds.fd, events, 0});
            fdPanels.push_back(panel);
        }
        if (fds.empty()) break;  // stdin gone and every cable pulled: nothing left to play
        const int ready = ::ppoll(fds.data(), fds.size(), nullptr, &waitMask);
        if (ready < 0 && errno != EINTR) {
            print(std::string("error poll failed: ") + std::strerror(errno));
            break;
        }
        if (ready <= 0) continue;
        const std::size_t first = stdinOpen ? 1 : 0;
        for (std::size_t k = first; k < fds.size(); ++k) {
            const Panel panel = fdPanels[k - first];
            Port& port = ports[static_cast<std::size_t>(panel)];
            if (fds[k].revents & (POLLIN | POLLERR | POLLHUP)) {
                receive(panel, port, emulator, (fds[k].revents & POLLHUP) != 0);
            }
            flushPending(panel, port);
        }
        if (stdinOpen && fds[0].revents != 0) {
            char chunk[4096];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n > 0) {
                typed.append(chunk, static_cast<std::size_t>(n));
                std::size_t newline;
                while (running && (newline = typed.find('\n')) != std::string::npos) {
                    const std::string line = typed.substr(0, newline);
                    typed.erase(0, newline + 1);
                    running = handleLine(line, emulator, ports);
                }
            } else {
                stdinOpen = false;
                if (!typed.empty()) running = handleLine(typed, emulator, ports);
                typed.clear();
                if (!parsed.options.stayAfterEof) running = false;
            }
            for (Panel panel : kAllPanels) flushPending(panel, ports[static_cast<std::size_t>(panel)]);
        }
    }
    for (Port& port : ports) closePort(port.fds);
    return 0;
}
