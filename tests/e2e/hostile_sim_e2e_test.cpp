// A simulator that misbehaves, played by a relay between the hosted dialog and
// the real benchsim: after the simulator's open message each connection gets
// one fault. A stream that can no longer be trusted must end that connection
// ("Not connected", then a new one); one the program can read past safely must
// keep the flight data coming. The simulator is named in a SimConnect.cfg at
// another loopback address, as a cockpit computer names the simulator PC, so
// silence counts as a lost link.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <wx/timer.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/control_ids.h"
#include "support/child_process.h"
#include "support/hosted_dialog.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::pumpFor;
using testing::pumpUntil;
using testing::startBenchsim;
using testing::startTabletEmu;

enum class Fault {
    None, SizeZero, SizeEight, SizeHuge, Truncated, UnknownKind, ExceptionBurst, EveryByteAlone, CloseWithoutQuit, Silent,
};

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> message(std::uint32_t size, std::uint32_t id, std::size_t length) {
    std::vector<std::uint8_t> bytes;
    put32(bytes, size);
    put32(bytes, 6);
    put32(bytes, id);
    bytes.resize(length, 0xA5);
    return bytes;
}

// What the fault puts into the stream once the open message has gone through.
std::vector<std::uint8_t> injected(Fault fault) {
    switch (fault) {
    case Fault::SizeZero: return message(0, 8, 64);
    case Fault::SizeEight: return message(8, 8, 64);
    case Fault::SizeHuge: return message(0x80000000u, 8, 64);
    case Fault::Truncated: return message(16, 9, 16);  // data by type needs 40 bytes and more
    case Fault::UnknownKind: return message(20, 0x7777, 20);
    case Fault::ExceptionBurst: {
        std::vector<std::uint8_t> burst;
        for (std::uint32_t i = 0; i < 1100; ++i) {
            auto exception = message(24, 1, 12);
            put32(exception, 7);       // name unrecognised
            put32(exception, 10 + i);  // send id
            put32(exception, 2);       // the name argument
            burst.insert(burst.end(), exception.begin(), exception.end());
        }
        return burst;
    }
    default: return {};
    }
}

bool sendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int tcpSocket(const char* address, std::uint16_t port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &where.sin_addr);
    const auto* at = reinterpret_cast<const sockaddr*>(&where);
    if (listening ? ::bind(fd, at, sizeof where) != 0 || ::listen(fd, 4) != 0 : ::connect(fd, at, sizeof where) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One client connection between the program and benchsim, with one fault.
struct FaultyConnection {
    std::atomic<bool> accepted{false};
    std::atomic<bool> closedByClient{false};
    std::atomic<bool> stop{false};
    std::thread thread;

    void serve(int listener, std::uint16_t benchsimPort, Fault fault) {
        thread = std::thread([this, listener, benchsimPort, fault] {
            pollfd waiting{listener, POLLIN, 0};
            while (!stop && ::poll(&waiting, 1, 50) <= 0) {}
            if (stop) return;
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            const int sim = tcpSocket("127.0.0.1", benchsimPort, false);
            accepted = true;
            relay(client, sim, fault);
            ::close(client);
            if (sim >= 0) ::close(sim);
        });
    }

    void relay(int client, int sim, Fault fault) {
        std::vector<std::uint8_t> fromSim;
        bool openPassed = false;
        bool quiet = false;
        const auto openedAt = std::chrono::steady_clock::now();
        while (!stop && sim >= 0) {
            pollfd fds[2] = {{client, POLLIN, 0}, {sim, POLLIN, 0}};
            if (::poll(fds, 2, 20) < 0) return;
            std::uint8_t buffer[65536];
            if (fds[0].revents != 0) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    closedByClient = true;
                    return;
                }
                if (!sendAll(sim, buffer, static_cast<std::size_t>(n))) return;
            }
            if (fds[1].revents != 0) {
                const ssize_t n = ::recv(sim, buffer, sizeof buffer, 0);
                if (n <= 0) return;
                fromSim.insert(fromSim.end(), buffer, buffer + n);
            }
            // Whole messages only, so a fault lands between two of them.
            while (fromSim.size() >= 4) {
                const std::uint32_t size = fromSim[0] | fromSim[1] << 8 | fromSim[2] << 16 | fromSim[3] << 24;
                if (fromSim.size() < size) break;
                bool sent = true;
                if (quiet) {
                } else if (fault == Fault::EveryByteAlone) {
                    for (std::uint32_t i = 0; i < size && sent; ++i) sent = sendAll(client, &fromSim[i], 1);
                } else {
                    sent = sendAll(client, fromSim.data(), size);
                }
                fromSim.erase(fromSim.begin(), fromSim.begin() + size);
                if (!sent) return;
                if (!openPassed) {
                    openPassed = true;
                    const auto bytes = injected(fault);
                    if (!bytes.empty() && !sendAll(client, bytes.data(), bytes.size())) return;
                    quiet = fault == Fault::Silent;
                }
            }
            if (fault == Fault::CloseWithoutQuit && openPassed &&
                std::chrono::steady_clock::now() - openedAt > 1500ms) {
                return;
            }
        }
    }

    ~FaultyConnection() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
};

class HostileSimulator : public testing::HostedDialogTest {
protected:
    std::string simStatus() const { return dialog->text(ids::kSimStatus); }
    bool fedAfter(std::size_t mark, std::chrono::milliseconds within) {
        return pumpUntil(
            [&] {
                return tablet->waitForLine([](const std::string& l) { return l.rfind("ClientData|LAT=", 0) == 0; },
                                           0ms, mark) >= 0;
            },
            within);
    }
    std::unique_ptr<testing::ChildProcess> tablet;
};

TEST_F(HostileSimulator, BrokenStreamsEndTheirConnectionAndReadableOnesKeepTheDataFlowing) {
    const char* home = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(home, nullptr);
    std::filesystem::create_directories(std::string(home) + "/Brelvik");
    std::FILE* cfg = std::fopen((std::string(home) + "/Brelvik/SimConnect.cfg").c_str(), "wb");
    ASSERT_NE(cfg, nullptr);
    std::fputs("[SimConnect]\nProtocol=Ipv4\nAddress=127.0.0.2\nPort=15694\n", cfg);
    std::fclose(cfg);
    const int listener = tcpSocket("127.0.0.2", 15694, true);
    ASSERT_GE(listener, 0);
    auto sim = startBenchsim({"--listen", "127.0.0.1:15693"});
    tablet = startTabletEmu();

    struct Case {
        Fault fault;
        bool breaks;
    };
    const Case cases[] = {
        {Fault::SizeZero, true},        {Fault::SizeEight, true},       {Fault::SizeHuge, true},
        {Fault::Truncated, true},       {Fault::UnknownKind, false},    {Fault::ExceptionBurst, false},
        {Fault::EveryByteAlone, false}, {Fault::CloseWithoutQuit, true}, {Fault::Silent, true},
        {Fault::None, false},
    };
    auto first = std::make_unique<FaultyConnection>();
    first->serve(listener, 15693, cases[0].fault);
    openDialog();
    std::unique_ptr<FaultyConnection> current = std::move(first);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(static_cast<int>(cases[i].fault));
        ASSERT_TRUE(pumpUntil([&] { return current->accepted.load(); }, 10s)) << simStatus();
        const std::size_t mark = tablet->lineCount();
        // The open message goes through before every fault.
        ASSERT_TRUE(pumpUntil([&] { return simStatus() != "Not connected"; }, 10s)) << simStatus();
        if (cases[i].breaks) {
            EXPECT_TRUE(pumpUntil([&] { return simStatus() == "Not connected"; }, 10s)) << simStatus();
            if (cases[i].fault != Fault::CloseWithoutQuit) {
                EXPECT_TRUE(pumpUntil([&] { return current->closedByClient.load(); }, 5s));
            }
        } else {
            EXPECT_TRUE(fedAfter(mark, 5s)) << simStatus();
            pumpFor(300ms);
            EXPECT_FALSE(current->closedByClient);
            EXPECT_NE(simStatus(), "Not connected");
        }
        if (i + 1 == std::size(cases)) break;
        auto next = std::make_unique<FaultyConnection>();
        current->stop = true;
        current.reset();  // a readable stream is ended here, by the relay
        next->serve(listener, 15693, cases[i + 1].fault);
        current = std::move(next);
    }
    // The last, good connection: data flows again.
    EXPECT_TRUE(fedAfter(tablet->lineCount(), 5s)) << simStatus();
    current.reset();
    ::close(listener);
}

// A simulator PC that is switched off answers no SYN at all. Played by a
// listener that never accepts and whose queue is full: the program's open
// attempts must not hold the window. A timer of the window's own loop,
// meant to fire every 5 ms, shows the longest the loop was held, with that
// simulator named and with none reachable at all.
TEST_F(HostileSimulator, ASimulatorPcThatNeverAnswersDoesNotHoldTheWindow) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(15695);
    ::inet_pton(AF_INET, "127.0.0.3", &where.sin_addr);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(fillers.back(), reinterpret_cast<const sockaddr*>(&where), sizeof where);
    }
    pumpFor(200ms);

    const auto longestHold = [this](bool simulatorNamed) {
        const char* home = std::getenv("XDG_CONFIG_HOME");
        std::filesystem::create_directories(std::string(home) + "/Brelvik");
        const std::string cfgPath = std::string(home) + "/Brelvik/SimConnect.cfg";
        std::filesystem::remove(cfgPath);
        if (simulatorNamed) {
            std::FILE* cfg = std::fopen(cfgPath.c_str(), "wb");
            std::fputs("[SimConnect]\nProtocol=Ipv4\nAddress=127.0.0.3\nPort=15695\n", cfg);
            std::fclose(cfg);
        }
        openDialog();
        auto last = std::chrono::steady_clock::now();
        std::chrono::steady_clock::duration longest{};
        wxTimer timer;
        timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            const auto now = std::chrono::steady_clock::now();
            longest = std::max(longest, now - last);
            last = now;
        });
        timer.Start(5);
        pumpFor(4500ms);  // four open attempts and more
        timer.Stop();
        EXPECT_EQ(simStatus(), "Not connected");
        dialog->Destroy();
        dialog = nullptr;
        pumpFor(50ms);
        return std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
    };
    const long withNone = longestHold(false);
    const long withSilentPc = longestHold(true);
    RecordProperty("longest_hold_ms_no_simulator", static_cast<int>(withNone));
    RecordProperty("longest_hold_ms_silent_simulator_pc", static_cast<int>(withSilentPc));
    std::printf("longest hold of the window's loop: %ld ms with no simulator, %ld ms with a silent simulator PC\n",
                withNone, withSilentPc);
    EXPECT_LT(withSilentPc, withNone + 250);  // a generous bound, as the other end-to-end tests use
    for (const int fd : fillers) ::close(fd);
    ::close(listener);
}

}  // namespace
}  // namespace brelvik
