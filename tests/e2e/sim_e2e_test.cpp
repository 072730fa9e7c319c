#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/brelvik_dlg_wx.h"
#include "base/control_ids.h"
#include "settings/ini_settings_store.h"
#include "support/child_process.h"
#include "support/hosted_dialog.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::answeredBoxes;
using testing::builtProgram;
using testing::ChildProcess;
using testing::pumpFor;
using testing::pumpUntil;
using testing::startBenchsim;
using testing::startTabletEmu;

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

// The real dialog hosted here (so its texts can be read) against the real
// benchsim and tablet-emu programs.
class SimulatorEndToEnd : public testing::HostedDialogTest {
protected:
    std::string simStatus() const { return dialog->text(ids::kSimStatus); }
    bool showsVersion() const { return simStatus().find(" v11.") != std::string::npos; }
    bool tabletConnected() const { return dialog->text(ids::kTabletStatus) == "Connected"; }
    bool waitTablet(const std::function<bool(const std::string&)>& match, std::size_t from = 0) {
        return pumpUntil([&] { return tablet->waitForLine(match, 0ms, from) >= 0; }, 5s);
    }
    bool waitSim(const std::function<bool(const std::string&)>& match, std::size_t from = 0) {
        return pumpUntil([&] { return sim->waitForLine(match, 0ms, from) >= 0; }, 5s);
    }

    std::unique_ptr<ChildProcess> sim;
    std::unique_ptr<ChildProcess> tablet;
};

TEST_F(SimulatorEndToEnd, TabletReceivesLiveFlightDataAndTheNewGenerationNotice) {
    sim = startBenchsim();
    tablet = startTabletEmu();
    sim->sendLine("set PLANE ALTITUDE 5000");
    sim->sendLine("set AIRSPEED INDICATED 95");
    openDialog();
    ASSERT_TRUE(pumpUntil([&] { return showsVersion() && tabletConnected(); }, 5s)) << simStatus();
    EXPECT_FALSE(dialog->isChecked(ids::kSyncAutopilotMaster));  // cleared for a version 11 simulator
    EXPECT_TRUE(waitTablet([](const std::string& l) { return l == "ClientData|FS2020=1"; }));
    EXPECT_TRUE(waitTablet([](const std::string& l) {
        return startsWith(l, "ClientData|LAT=") && l.find("|ALT=5000.0|") != std::string::npos &&
               l.find("|IAS=95.0|") != std::string::npos;
    }));

    // About twenty samples a second: count three seconds' worth, loosely.
    const std::size_t mark = tablet->lineCount();
    pumpFor(3s);
    std::size_t samples = 0;
    const auto lines = tablet->lines();
    for (std::size_t i = mark; i < lines.size(); ++i) samples += startsWith(lines[i], "ClientData|LAT=");
    EXPECT_GE(samples, 40u);
    EXPECT_LE(samples, 75u);
}

TEST_F(SimulatorEndToEnd, TabletFrequenciesReachTheSimulatorAndPilotChangesAreEchoed) {
    sim = startBenchsim();
    tablet = startTabletEmu();
    openDialog();
    ASSERT_TRUE(pumpUntil([&] { return showsVersion() && tabletConnected(); }, 5s)) << simStatus();

    tablet->sendLine("ServerAv|COM1=118250");
    EXPECT_TRUE(waitSim([](const std::string& l) { return startsWith(l, "event COM_RADIO_SET 71717 "); }));

    // The pilot tunes COM 1 in the simulator; the tablet's stale value is answered, not applied.
    sim->sendLine("set COM ACTIVE FREQUENCY:1 121.5");
    pumpFor(300ms);
    const std::size_t simMark = sim->lineCount();
    tablet->sendLine("ServerAv|COM1=118250");
    EXPECT_TRUE(waitTablet([](const std::string& l) { return l == "ClientAv|COM1=121.500000"; }));
    pumpFor(200ms);
    EXPECT_LT(sim->waitForLine([](const std::string& l) { return startsWith(l, "event COM_RADIO_SET"); }, 0ms, simMark),
              0);
}

TEST_F(SimulatorEndToEnd, QuitAndCrashBothLeadToReconnection) {
    sim = startBenchsim();
    openDialog();
    ASSERT_TRUE(pumpUntil([&] { return showsVersion(); }, 5s)) << simStatus();

    sim->sendLine("quit");
    sim->sendLine("exit");
    EXPECT_TRUE(pumpUntil([&] { return simStatus() == "Not connected"; }, 5s)) << simStatus();
    pumpFor(1500ms);
    EXPECT_EQ(simStatus(), "Not connected");

    sim = startBenchsim();
    ASSERT_TRUE(pumpUntil([&] { return showsVersion(); }, 5s)) << simStatus();

    kill(sim->pid(), SIGKILL);  // no quit message: the broken connection must still be noticed
    EXPECT_TRUE(pumpUntil([&] { return simStatus() == "Not connected"; }, 5s)) << simStatus();
    sim = startBenchsim();
    EXPECT_TRUE(pumpUntil([&] { return showsVersion(); }, 5s)) << simStatus();
}

// The bench simulator on this PC, and one that a SimConnect.cfg names, as a
// cockpit computer names the simulator PC (another loopback address stands in
// for it here), by IPv4 and by IPv6.
TEST(BrelvikProgramWithSimulator, BridgesFlightDataToTheTabletWhereverTheSimulatorIs) {
    struct Place {
        const char* listen;  // empty: benchsim's own default
        const char* cfg;     // empty: no SimConnect.cfg
    };
    for (const Place place : {Place{"", ""},
                              Place{"127.0.0.2:15698", "[SimConnect]\nProtocol=Ipv4\nAddress=127.0.0.2\nPort=15698\n"},
                              Place{"[::1]:15699", "[SimConnect.0]\r\nProtocol=Ipv6\r\nAddress=::1\r\nPort=15699\r\n"}}) {
        SCOPED_TRACE(place.listen);
        const std::string config = testing::freshSettingsFolder();
        if (*place.cfg != '\0') {
            std::filesystem::create_directories(config + "/Brelvik");
            std::FILE* cfg = std::fopen((config + "/Brelvik/SimConnect.cfg").c_str(), "wb");
            ASSERT_NE(cfg, nullptr);
            std::fputs(place.cfg, cfg);
            std::fclose(cfg);
        }
        auto sim = *place.listen != '\0' ? startBenchsim({"--listen", place.listen}) : startBenchsim();
        auto tablet = startTabletEmu();
        ChildProcess bridge(builtProgram("brelvik"), {}, {"XDG_CONFIG_HOME=" + config});
        EXPECT_GE(sim->waitForLine("client Brelvik", 5s), 0);
        EXPECT_GE(tablet->waitForLine([](const std::string& l) { return startsWith(l, "ClientData|LAT="); }, 8s), 0);
    }
}

}  // namespace
}  // namespace brelvik
