// The Windows program end to end: brelvik.exe under Wine, with the stand-in
// SimConnect.dll beside it, against the native benchsim and tablet-emu, in the
// test's private network. Runs when BRELVIK_WINDOWS_BINARY_DIR names a build of
// the windows preset (scripts/test sets it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
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

    void startBridge() {
        const std::string exe = windowsDir_ + "/brelvik.exe";
        bridge_ = std::make_unique<ChildProcess>(
            "/bin/sh", std::vector<std::string>{"-c", "exec wine " + shellQuoted(exe) + " </dev/null >/dev/null 2>&1"},
            std::vector<std::string>{"WINEDEBUG=-all"});
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

    std::string windowsDir_;
    std::unique_ptr<ChildProcess> bridge_;
};

TEST_F(WindowsEndToEnd, FindsTheTabletFeedsItAndStoresSettingsInTheRegistry) {
    auto sim = startBenchsim();
    auto tablet = startTabletEmu();
    sim->sendLine("set PLANE ALTITUDE 5000");
    startBridge();

    // Wine takes a few seconds to start. Its adapter list leaves out loopback, the
    // only adapter of this network, so the bridge's broadcast reaches no one: the
    // tablet announces itself instead, as a tablet does when it starts, until the
    // bridge (Auto-Connect is on at a first run) invites it.
    const auto flightData = [](const std::string& l) {
        return startsWith(l, "ClientData|LAT=") && l.find("|ALT=5000.0|") != std::string::npos;
    };
    bool fed = false;
    for (int second = 0; second < 60 && !fed; ++second) {
        tablet->sendLine("ServerHere");
        fed = tablet->waitForLine(flightData, 1s) >= 0;
    }
    ASSERT_TRUE(fed) << "no flight data from brelvik.exe";
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

}  // namespace
}  // namespace brelvik
