// The panels found and fed end to end: the real dialog (hosted here, so its
// texts can be read) or the real brelvik program, against the real panel-emu
// playing the three panels on pseudo-terminals.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "base/control_ids.h"
#include "panels/panel_connections.h"
#include "settings/ini_settings_store.h"
#include "support/child_process.h"
#include "support/hosted_dialog.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::builtProgram;
using testing::ChildProcess;
using testing::pumpUntil;

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

constexpr Panel kPanels[] = {Panel::StandbyGauges, Panel::SwitchPanel, Panel::Pedestal};

// panel-emu with the given panels; returns the BRELVIK_EXTRA_PORTS value it printed.
std::unique_ptr<ChildProcess> startPanelEmu(const std::vector<std::string>& panels, std::string& extraPorts) {
    auto emu = std::make_unique<ChildProcess>(builtProgram("tools/panel-emu/panel-emu"), panels);
    const int at = emu->waitForLine([](const std::string& l) { return startsWith(l, "BRELVIK_EXTRA_PORTS="); }, 5s);
    std::string printed;
    for (const std::string& line : emu->lines()) printed += line + "\n";
    EXPECT_GE(at, 0) << printed;
    if (at >= 0) extraPorts = emu->lines()[static_cast<std::size_t>(at)].substr(std::string("BRELVIK_EXTRA_PORTS=").size());
    return emu;
}

class PanelsEndToEnd : public testing::HostedDialogTest {
protected:
    void TearDown() override {
        HostedDialogTest::TearDown();
        dialog = nullptr;
        ::unsetenv("BRELVIK_EXTRA_PORTS");
    }
    void startEmu(const std::vector<std::string>& panels) {
        std::string extra;
        emu = startPanelEmu(panels, extra);
        ::setenv("BRELVIK_EXTRA_PORTS", extra.c_str(), 1);
    }
    void openWithAutoConnect(const char* lastSearchFailed = "0") {
        profile(true);
        settings->write("B_keyCheck", "AutoPanelConn", "1");
        settings->write("B_keyCheck", "AutoPanelConnFail", lastSearchFailed);
        openDialog();  // the port lists are filled, and searched, as it opens
    }
    std::string status(Panel panel) const { return dialog->text(groupOf(panel).statusText); }
    std::string stored(const char* key) const {
        return IniSettingsStore(defaultSettingsFile()).read("B_keyCheck", key).value_or("<none>");
    }

    std::unique_ptr<ChildProcess> emu;
};

TEST_F(PanelsEndToEnd, AutoConnectFindsAllThreePanels) {
    startEmu({"--gauges", "--switch", "--pedestal"});
    openWithAutoConnect();
    for (const Panel panel : kPanels) EXPECT_EQ(status(panel), "Connected");
    EXPECT_EQ(dialog->text(ids::kPanelAutoConnectStatus), "Completed");
    EXPECT_EQ(stored("AutoPanelConnFail"), "0");
    // The switch panel and the pedestal were greeted by their probes and once more on connecting.
    EXPECT_GE(emu->waitForLine("rx switch FE 00", 2s), 0);
    EXPECT_GE(emu->waitForLine("rx pedestal FE 00", 2s), 0);
    EXPECT_TRUE(pumpUntil([&] { return emu->countOf("rx switch FE 00") == 4; }, 2s));
}

TEST_F(PanelsEndToEnd, SilentUsbPortLeavesTheStatusTextsEmpty) {
    startEmu({"--switch"});
    emu->sendLine("silent switch on");
    ASSERT_TRUE(pumpUntil([&] { return emu->lineCount() > 0; }, 1s));
    openWithAutoConnect();
    for (const Panel panel : kPanels) EXPECT_EQ(status(panel), "") << static_cast<int>(panel);
    EXPECT_EQ(dialog->text(ids::kPanelAutoConnectStatus), "Completed");
    EXPECT_EQ(stored("AutoPanelConnFail"), "0");
}

TEST_F(PanelsEndToEnd, SearchThatNeverFinishedIsNotStartedAgain) {
    startEmu({"--gauges", "--switch", "--pedestal"});
    openWithAutoConnect("1");
    EXPECT_EQ(dialog->text(ids::kPanelAutoConnectStatus), "Last time failed");
    EXPECT_FALSE(dialog->isChecked(ids::kPanelAutoConnect));
    EXPECT_EQ(stored("AutoPanelConn"), "0");
    for (const Panel panel : kPanels) EXPECT_EQ(status(panel), "Not connected");
}

TEST(BrelvikProgramWithPanels, GaugesReceiveLiveLinesWithTheSimulatorsValues) {
    const std::string config = testing::freshSettingsFolder();
    {
        IniSettingsStore settings(defaultSettingsFile());
        settings.write("B_keyCheck", "SendCtrlCheck", "1");
        settings.write("B_keyCheck", "AutoPanelConn", "1");
    }
    auto sim = testing::startBenchsim();
    sim->sendLine("set AIRSPEED INDICATED 123.4");
    sim->sendLine("set PLANE ALTITUDE 4567.8");
    std::string extra;
    auto emu = startPanelEmu({"--gauges"}, extra);
    ChildProcess bridge(builtProgram("brelvik"), {},
                        {"XDG_CONFIG_HOME=" + config, "BRELVIK_EXTRA_PORTS=" + extra});
    auto isGaugeLine = [](const std::string& l) { return startsWith(l, "rx gauges "); };
    const int first = emu->waitForLine(isGaugeLine, 10s);
    ASSERT_GE(first, 0);
    // A second's worth of lines at the simulator's 20 Hz.
    const int twentieth = emu->waitForLine(isGaugeLine, 5s, static_cast<std::size_t>(first) + 19);
    ASSERT_GE(twentieth, 0);
    const std::string line = emu->lines()[static_cast<std::size_t>(twentieth)];
    EXPECT_TRUE(startsWith(line, "rx gauges IAS=1234|")) << line;
    EXPECT_NE(line.find("|ALT=45678|"), std::string::npos) << line;
}

// The panels drive the simulator and the simulator drives the panels, on the
// wire between the real programs.
TEST(BrelvikProgramWithPanels, ControlsReachTheSimulatorAndIndicatorsFollowIt) {
    const std::string config = testing::freshSettingsFolder();
    {
        IniSettingsStore settings(defaultSettingsFile());
        settings.write("B_keyCheck", "SendCtrlCheck", "1");
        settings.write("B_keyCheck", "ReconnectCheck", "1");
        settings.write("B_keyCheck", "MasterCheck", "1");
        settings.write("B_keyCheck", "AutoPanelConn", "1");
    }
    auto sim = testing::startBenchsim();
    auto tablet = testing::startTabletEmu();
    std::string extra;
    auto emu = startPanelEmu({"--switch", "--pedestal"}, extra);
    ChildProcess bridge(builtProgram("brelvik"), {},
                        {"XDG_CONFIG_HOME=" + config, "BRELVIK_EXTRA_PORTS=" + extra});
    // Greeted at start-up, the switch panel reports its breakers before the
    // simulator is connected: it is told its compass offset (none: 05 00)
    // once the simulator is there.
    ASSERT_GE(sim->waitForLine("client Brelvik", 10s), 0);
    EXPECT_GE(emu->waitForLine("rx switch 05 00", 5s), 0);

    const auto moves = [&](const std::string& command, const std::string& event) {
        const std::size_t mark = sim->lineCount();
        emu->sendLine(command);
        EXPECT_GE(sim->waitForLine(event, 5s, mark), 0) << command;
    };
    moves("set switch 7 1", "event LANDING_LIGHTS_ON 0 1");
    moves("set switch 18 4", "event MAGNETO_START 0 1");
    // The lever through its detents (calibrated range 50-200).
    moves("set switch 19 60", "event FLAPS_3 0 1");
    moves("set switch 19 100", "event FLAPS_2 0 1");
    moves("set switch 19 140", "event FLAPS_1 0 1");
    moves("set switch 19 200", "event FLAPS_UP 0 1");
    moves("set pedestal 94 0", "event AXIS_ELEV_TRIM_SET 16383 1900000000");
    moves("set pedestal 96 1", "event FUEL_SELECTOR_LEFT 0 1");

    // The compass follows the simulator: 180.0 degrees is 1800 tenths, 07 08.
    sim->sendLine("set WISKEY COMPASS INDICATION DEGREES 180");
    const int high = emu->waitForLine("rx switch 06 07", 5s);
    ASSERT_GE(high, 0);
    EXPECT_EQ(emu->waitForLine("rx switch 07 08", 5s, static_cast<std::size_t>(high) + 1), high + 1);
    sim->sendLine("set ELEVATOR TRIM PCT -0.5");
    EXPECT_GE(emu->waitForLine("rx pedestal 0B 3F", 5s), 0);

    // Go-around reaches the tablet.
    ASSERT_GE(tablet->waitForLine([](const std::string& l) { return startsWith(l, "ClientData|LAT="); }, 8s), 0);
    emu->sendLine("set switch 80 1");
    EXPECT_GE(tablet->waitForLine("ClientAv|GA=1", 5s), 0);
}

}  // namespace
}  // namespace brelvik
