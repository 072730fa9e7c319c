// The Windows program end to end: brelvik.exe under Wine, with no SimConnect.dll
// (its own client on TCP or on the simulator's named pipe) or with the stand-in
// DLL beside it behaving as the vendor's, against the native benchsim and
// tablet-emu, in the test's private network. Runs when BRELVIK_WINDOWS_BINARY_DIR
// names a build of the windows preset (scripts/test sets it).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::builtProgram;
using testing::ChildProcess;
using testing::startBenchsim;
using testing::startTabletEmu;

constexpr char kProfileKey[] = "HKCU\\Software\\Local AppWizard-Generated Applications\\Brelvik";

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

// Wine's helpers outlive a command and would hold a pipe open for ever: every
// Wine command gets /dev/null for all three streams, except what is asked for.
int wineCommand(const std::string& arguments, const std::string& outputFile = "/dev/null") {
    const std::string command = "wine " + arguments + " </dev/null >" + shellQuoted(outputFile) + " 2>/dev/null";
    return std::system(command.c_str());
}

class WindowsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const char* dir = std::getenv("BRELVIK_WINDOWS_BINARY_DIR");
        if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "no Windows build given (BRELVIK_WINDOWS_BINARY_DIR)";
        windowsDir_ = dir;
        wineCommand(std::string("reg delete \"") + kProfileKey + "\" /f");  // a first run
    }

    void startBridge(const std::vector<std::string>& extraEnv = {}, const std::string& folder = {}) {
        const std::string exe = (folder.empty() ? windowsDir_ : folder) + "/brelvik.exe";
        std::vector<std::string> env{"WINEDEBUG=-all"};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        bridge_ = std::make_unique<ChildProcess>(
            "/bin/sh", std::vector<std::string>{"-c", "exec wine " + shellQuoted(exe) + " </dev/null >/dev/null 2>&1"},
            env);
    }

    // Right after a wineserver restart Wine's own services are still
    // starting and a registry write can fail once; it is tried again.
    bool storeSetting(const std::string& section, const std::string& key, const std::string& value) {
        const std::string command = std::string("reg add \"") + kProfileKey + "\\" + section + "\" /v " + key +
                                    " /d " + shellQuoted(value) + " /f";
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (wineCommand(command) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        return false;
    }

    // The text of a REG_SZ value as the bridge left it, or "<none>".
    std::string storedSetting(const std::string& section, const std::string& key) {
        const std::string values = profileValues(section);
        std::size_t lineStart = 0;
        while (lineStart < values.size()) {
            std::size_t lineEnd = values.find('\n', lineStart);
            if (lineEnd == std::string::npos) lineEnd = values.size();
            std::string line = values.substr(lineStart, lineEnd - lineStart);
            lineStart = lineEnd + 1;
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            const std::size_t name = line.find_first_not_of(' ');
            const std::size_t type = line.find("    REG_SZ    ");
            if (name == std::string::npos || type == std::string::npos || line.substr(name, type - name) != key) {
                continue;
            }
            return line.substr(type + std::string("    REG_SZ    ").size());
        }
        return "<none>";
    }

    std::string profileValues(const std::string& section) {
        const std::string out = ::testing::TempDir() + "/brelvik-reg-query.txt";
        wineCommand(std::string("reg query \"") + kProfileKey + "\\" + section + "\"", out);
        std::FILE* in = std::fopen(out.c_str(), "rb");
        std::string text;
        if (in != nullptr) {
            char buffer[4096];
            std::size_t got = 0;
            while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, got);
            std::fclose(in);
        }
        return text;
    }

    // Wine takes a few seconds to start. Its adapter list leaves out loopback, the
    // only adapter of this network, so the bridge's broadcast reaches no one: the
    // tablet announces itself instead, as a tablet does when it starts, until the
    // bridge (Auto-Connect is on at a first run) invites it.
    static bool fedWithAltitude(ChildProcess& tablet, const std::string& altitude, int seconds) {
        const auto flightData = [&altitude](const std::string& l) {
            return startsWith(l, "ClientData|LAT=") && l.find("|ALT=" + altitude + "|") != std::string::npos;
        };
        for (int second = 0; second < seconds; ++second) {
            tablet.sendLine("ServerHere");
            if (tablet.waitForLine(flightData, 1s, tablet.lineCount()) >= 0) return true;
        }
        return false;
    }

    static std::string lastLines(ChildProcess& tablet, ChildProcess& sim) {
        const auto seen = tablet.lines();
        return "the tablet's last line: " + (seen.empty() ? std::string("none") : seen.back()) +
               "; the simulator's last line: " + (sim.lines().empty() ? std::string("none") : sim.lines().back());
    }

    std::string windowsDir_;
    std::unique_ptr<ChildProcess> bridge_;
};

TEST_F(WindowsEndToEnd, FindsTheTabletFeedsItAndStoresSettingsInTheRegistry) {
    auto sim = startBenchsim();
    auto tablet = startTabletEmu();
    sim->sendLine("set PLANE ALTITUDE 5000");
    startBridge();
    ASSERT_TRUE(fedWithAltitude(*tablet, "5000.0", 60)) << "no flight data from brelvik.exe; " << lastLines(*tablet, *sim);
    const std::size_t mark = tablet->lineCount();
    ::sleep(3);
    std::size_t samples = 0;
    const auto lines = tablet->lines();
    for (std::size_t i = mark; i < lines.size(); ++i) samples += startsWith(lines[i], "ClientData|LAT=");
    EXPECT_GE(samples, 40u);  // about twenty a second, loosely
    EXPECT_LE(samples, 75u);

    tablet->sendLine("ServerAv|COM1=118250");
    EXPECT_GE(sim->waitForLine([](const std::string& l) { return startsWith(l, "event COM_RADIO_SET 71717 "); }, 10s),
              0);

    bridge_->terminate();
    // The first run's check boxes, written the moment they were set.
    const std::string values = profileValues("B_keyCheck");
    for (const char* key : {"SendCtrlCheck", "ReconnectCheck", "MasterCheck"}) {
        const std::size_t at = values.find(key);
        ASSERT_NE(at, std::string::npos) << key << " missing in:\n" << values;
        const std::size_t lineEnd = values.find('\n', at);
        const std::string line = values.substr(at, lineEnd - at);
        EXPECT_NE(line.find("REG_SZ"), std::string::npos) << line;
        EXPECT_NE(line.find("1"), std::string::npos) << line;
    }
}

// The simulator on this PC without any DLL: its named pipe (played by a relay
// under Wine to benchsim, on a port the program would not try by itself). Then
// the stand-in DLL beside a copy of brelvik.exe, behaving as the vendor's
// library (one message per dispatch, no quit when the simulator dies, a call
// on a handle that is not open ends the program): the simulator is killed and
// started again, and the data must come back.
TEST_F(WindowsEndToEnd, ReachesTheSimulatorThroughItsPipeAndThroughAVendorLibrary) {
    auto sim = startBenchsim({"--listen", "127.0.0.1:15697"});
    sim->sendLine("set PLANE ALTITUDE 3100");
    auto tablet = startTabletEmu();
    ChildProcess relay("/bin/sh",
                       {"-c", "exec wine " + shellQuoted(windowsDir_ + "/tests/windows/pipe_relay.exe") +
                                  " 'Microsoft Flight Simulator\\SimConnect' 15697 </dev/null 2>&1"},
                       {"WINEDEBUG=-all"});
    ASSERT_GE(relay.waitForLine("waiting", 30s), 0) << ::testing::PrintToString(relay.lines());
    startBridge();
    ASSERT_TRUE(fedWithAltitude(*tablet, "3100.0", 60)) << "nothing over the pipe; " << lastLines(*tablet, *sim);
    EXPECT_GE(relay.waitForLine("pipe client", 1s), 0);
    bridge_->terminate();
    relay.terminate();

    const std::string folder = ::testing::TempDir() + "brelvik-with-vendor-dll";
    std::filesystem::create_directories(folder);
    const auto overwrite = std::filesystem::copy_options::overwrite_existing;
    std::filesystem::copy_file(windowsDir_ + "/brelvik.exe", folder + "/brelvik.exe", overwrite);
    std::filesystem::copy_file(windowsDir_ + "/standin-dll/SimConnect.dll", folder + "/SimConnect.dll", overwrite);
    startBridge({"BRELVIK_STANDIN_AS_VENDOR=1", "BRELVIK_SIM_ADDRESS=127.0.0.1:15697"}, folder);
    ASSERT_TRUE(fedWithAltitude(*tablet, "3100.0", 60)) << "nothing through the DLL; " << lastLines(*tablet, *sim);
    // Wine maps the DLLs a program loads into its own process.
    std::string maps;
    if (std::FILE* in = std::fopen(("/proc/" + std::to_string(bridge_->pid()) + "/maps").c_str(), "r")) {
        char line[4096];
        while (std::fgets(line, sizeof line, in) != nullptr) maps += line;
        std::fclose(in);
    }
    EXPECT_NE(maps.find(folder + "/SimConnect.dll"), std::string::npos) << "the DLL beside brelvik.exe is not loaded";
    tablet->sendLine("ServerAv|COM1=118250");
    EXPECT_GE(sim->waitForLine([](const std::string& l) { return startsWith(l, "event COM_RADIO_SET 71717 "); }, 10s),
              0);

    ::kill(sim->pid(), SIGKILL);  // a crash: no quit message
    sim = startBenchsim({"--listen", "127.0.0.1:15697"});
    sim->sendLine("set PLANE ALTITUDE 3200");
    EXPECT_TRUE(fedWithAltitude(*tablet, "3200.0", 30)) << "no data after the simulator came back; "
                                                         << lastLines(*tablet, *sim);
    EXPECT_TRUE(bridge_->running()) << "brelvik.exe called the library on a handle that is not open";
}

std::string readLink(const std::string& path) {
    char target[4096];
    const ssize_t size = ::readlink(path.c_str(), target, sizeof target);
    return size > 0 ? std::string(target, static_cast<std::size_t>(size)) : std::string();
}

// A COM port under Wine whose far end is a pseudo-terminal, its own or one that
// another program holds (panel-emu's), behind a fixed link that Wine's Ports
// key names. Wine reads that key only when its server starts, and then links
// the port in the prefix's dosdevices folder: linkInWine() restarts the server
// (kept running, as the test script started it) once for all the ports given,
// unless their links are already there.
class ComPortOnPty {
public:
    static constexpr char kPortsKey[] = "HKLM\\Software\\Wine\\Ports";

    explicit ComPortOnPty(int number, const std::string& existingPty = {})
        : name_("COM" + std::to_string(number)), link_("/tmp/brelvik-wine-com" + std::to_string(number)) {
        std::string slavePath = existingPty;
        if (slavePath.empty()) {
            // Not inherited: a copy in Wine's process would keep the line up after hangUp().
            master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
            if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
            slavePath = ::ptsname(master_);
        }
        // Held open so that the master never reads a hang-up while Wine's handle is not
        // yet open, or between the bridge's probe and its connection.
        slave_ = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::unlink(link_.c_str());
        linked_ = ::symlink(slavePath.c_str(), link_.c_str()) == 0;
        mapped_ = wineCommand("reg add " + shellQuoted(kPortsKey) + " /v " + name_ + " /d " + link_ + " /f") == 0;
    }
    ~ComPortOnPty() {
        if (mapped_) wineCommand("reg delete " + shellQuoted(kPortsKey) + " /v " + name_ + " /f");
        // Wine keeps the device link after the key is gone; it would point nowhere.
        if (readLink(dosDevice()) == link_) ::unlink(dosDevice().c_str());
        if (linked_) ::unlink(link_.c_str());
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    ComPortOnPty(const ComPortOnPty&) = delete;
    ComPortOnPty& operator=(const ComPortOnPty&) = delete;

    bool ready() const { return slave_ >= 0 && linked_ && mapped_ && readLink(dosDevice()) == link_; }

    // What the port sent, up to count bytes, collected until the time-out (own terminal only).
    std::vector<std::uint8_t> receive(std::size_t count, std::chrono::milliseconds timeout) {
        std::vector<std::uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd readable{master_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) break;
            std::uint8_t buffer[64];
            const ssize_t got = ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (got <= 0) break;
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        return bytes;
    }

    void hangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    bool send(const std::vector<std::uint8_t>& bytes) {
        return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    static void linkInWine(std::initializer_list<const ComPortOnPty*> ports) {
        const bool allLinked = std::all_of(ports.begin(), ports.end(), [](const ComPortOnPty* port) {
            return !port->mapped_ || readLink(port->dosDevice()) == port->link_;
        });
        if (allLinked) return;
        std::system("wineserver -k </dev/null >/dev/null 2>&1; wineserver -p </dev/null >/dev/null 2>&1");
        wineCommand("cmd /c exit");
    }

private:
    std::string dosDevice() const {
        const std::string device = "com" + name_.substr(3);
        const char* prefix = std::getenv("WINEPREFIX");
        if (prefix != nullptr && *prefix != '\0') return std::string(prefix) + "/dosdevices/" + device;
        const char* home = std::getenv("HOME");
        return std::string(home != nullptr ? home : "") + "/.wine/dosdevices/" + device;
    }

    std::string name_;
    std::string link_;
    int master_ = -1;
    int slave_ = -1;
    bool linked_ = false;
    bool mapped_ = false;
};

// The real Win32 port code on a COM port: the exact bytes both ways, a read
// of nothing that returns, wake() ending a blocked wait, and a far end that
// goes away. The reply holds bytes a terminal in its usual mode would change
// (CR, LF, DEL, Ctrl-C, Ctrl-\, Ctrl-D) and XON/XOFF, which a fresh
// pseudo-terminal reports as flow control on, so a port left in either mode
// fails here.
TEST_F(WindowsEndToEnd, PanelPortCarriesExactBytesOverAComPortAndWakesItsReader) {
    ComPortOnPty panel(7);
    ComPortOnPty::linkInWine({&panel});
    ASSERT_TRUE(panel.ready());
    const std::vector<std::uint8_t> reply = {0x01, 0x0D, 0x0A, 0x7F, 0x00, 0xFF, 0xFE, 0x03, 0x1C, 0x04, 0x11, 0x13};
    ChildProcess probe("/bin/sh",
                       {"-c", "exec wine " + shellQuoted(windowsDir_ + "/tests/windows/serial_port_probe.exe") +
                                  " '\\\\.\\COM7' " + std::to_string(reply.size()) + " </dev/null 2>/dev/null"},
                       {"WINEDEBUG=-all"});
    const auto said = [&probe] { return ::testing::PrintToString(probe.lines()); };

    const int opened = probe.waitForLine(
        [](const std::string& l) { return startsWith(l, "wrote ") || startsWith(l, "open failed"); }, 30s);
    ASSERT_GE(opened, 0) << said();
    ASSERT_EQ(probe.lines()[static_cast<std::size_t>(opened)], "wrote 4");
    EXPECT_EQ(panel.receive(4, 5s), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFE, 0x00}));
    ASSERT_TRUE(panel.send(reply));
    EXPECT_GE(probe.waitForLine("read 01 0d 0a 7f 00 ff fe 03 1c 04 11 13", 20s), 0) << said();
    EXPECT_GE(probe.waitForLine("still waiting yes", 5s), 0) << said();

    const auto msOf = [&](const std::string& prefix) {
        const int at = probe.waitForLine([&](const std::string& l) { return startsWith(l, prefix); }, 10s);
        if (at < 0) return -1L;
        return std::strtol(probe.lines()[static_cast<std::size_t>(at)].c_str() + prefix.size(), nullptr, 10);
    };
    // Nothing queued: the read is ended rather than left to the driver's time-outs.
    const long emptyReadMs = msOf("empty read 0 bytes in ");
    EXPECT_GE(emptyReadMs, 0) << said();
    EXPECT_LT(emptyReadMs, 500);
    const long wakeMs = msOf("wake woken in ");
    EXPECT_GE(wakeMs, 0) << said();
    EXPECT_LT(wakeMs, 500);
    EXPECT_GE(probe.waitForLine("after wake woken", 5s), 0) << said();

    // The port sent nothing else: no echo of the reply, no stray bytes.
    EXPECT_EQ(panel.receive(1, 300ms), std::vector<std::uint8_t>{});

    ASSERT_GE(probe.waitForLine("waiting for hang-up", 10s), 0) << said();
    panel.hangUp();
    EXPECT_GE(probe.waitForLine("hang-up gone", 10s), 0) << said();
}

// Auto-Connect under Wine, where SetupAPI lists no ports: the two COM ports
// named in BRELVIK_EXTRA_PORTS lead to panel-emu's terminals. The switch panel
// is found by its answer to the greeting and greeted once more on connecting;
// the standby gauges, found by name, take every sample of the simulator.
TEST_F(WindowsEndToEnd, AutoConnectFindsPanelsOnComPortsAndFeedsTheGaugesLive) {
    auto sim = startBenchsim();
    sim->sendLine("set AIRSPEED INDICATED 123.4");
    sim->sendLine("set PLANE ALTITUDE 4567.8");
    ChildProcess emu(builtProgram("tools/panel-emu/panel-emu"), {"--gauges", "--switch"});
    const auto said = [&emu] { return ::testing::PrintToString(emu.lines()); };
    ASSERT_GE(emu.waitForLine([](const std::string& l) { return startsWith(l, "BRELVIK_EXTRA_PORTS="); }, 5s), 0)
        << said();
    const auto ptyOf = [&emu](const std::string& panel) {
        const std::string prefix = "port " + panel + " ";
        for (const std::string& line : emu.lines()) {
            if (startsWith(line, prefix)) return line.substr(prefix.size());
        }
        return std::string();
    };
    ComPortOnPty switchPort(7, ptyOf("switch"));
    ComPortOnPty gaugesPort(8, ptyOf("gauges"));
    ComPortOnPty::linkInWine({&switchPort, &gaugesPort});
    ASSERT_TRUE(switchPort.ready());
    ASSERT_TRUE(gaugesPort.ready());
    for (const char* key : {"SendCtrlCheck", "ReconnectCheck", "MasterCheck", "AutoPanelConn"}) {
        ASSERT_TRUE(storeSetting("B_keyCheck", key, "1")) << key;
    }
    ASSERT_TRUE(storeSetting("B_keyCheck", "AutoPanelConnFail", "0"));

    startBridge({"BRELVIK_EXTRA_PORTS=STMicroelectronics Virtual COM Port USB (COM8)=\\\\.\\COM8;"
                 "USB Serial Port (COM7)=\\\\.\\COM7"});

    // Wine takes a few seconds to start; then three probes and the greeting on connecting.
    int greeting = emu.waitForLine("rx switch FE 00", 60s);
    ASSERT_GE(greeting, 0) << said();
    for (int more = 0; more < 3 && greeting >= 0; ++more) {
        greeting = emu.waitForLine("rx switch FE 00", 10s, static_cast<std::size_t>(greeting) + 1);
    }
    EXPECT_GE(greeting, 0) << said();

    const auto isGaugeLine = [](const std::string& l) { return startsWith(l, "rx gauges "); };
    const int first = emu.waitForLine(isGaugeLine, 30s);
    ASSERT_GE(first, 0) << said();
    ::sleep(3);
    const auto lines = emu.lines();
    std::size_t gaugeLines = 0;
    std::string last;
    for (std::size_t i = static_cast<std::size_t>(first) + 1; i < lines.size(); ++i) {
        if (!isGaugeLine(lines[i])) continue;
        ++gaugeLines;
        last = lines[i];
    }
    EXPECT_GE(gaugeLines, 40u);  // about twenty a second, loosely
    EXPECT_LE(gaugeLines, 75u);
    EXPECT_TRUE(startsWith(last, "rx gauges IAS=1234|")) << last;
    EXPECT_NE(last.find("|ALT=45678|"), std::string::npos) << last;

    bridge_->terminate();
    EXPECT_EQ(storedSetting("B_keyCheck", "AutoPanelConnFail"), "0");
    EXPECT_EQ(storedSetting("B_keyCheck", "AutoPanelConn"), "1");
}

}  // namespace
}  // namespace brelvik
