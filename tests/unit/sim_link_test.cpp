#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/control_ids.h"
#include "support/core_harness.h"

namespace brelvik {
namespace {

const std::string kTablet = "127.0.0.5";

// The whole core against the bench simulator in this process: every timer tick
// is stepped by hand, so each request, reply and reconnection is deterministic.
class SimLinkTest : public ::testing::Test, protected testing::BenchHarness, protected testing::CoreHarness {
protected:
    explicit SimLinkTest(benchsim::BenchOptions options = {.versionMajor = 11, .frozen = true})
        : BenchHarness(options) {
        core.start({"127.255.255.255"});
        sender.sent.clear();
    }

    void connectTablet() { CoreHarness::connectTablet(kTablet); }
    std::size_t sentStartingWith(const std::string& prefix) const {
        std::size_t n = 0;
        for (const auto& d : sender.sent) n += d.text.rfind(prefix, 0) == 0;
        return n;
    }
    std::string simStatus() const { return controls.text(ids::kSimStatus); }
};

TEST_F(SimLinkTest, OpensDeclaresPollsAndShowsTheSimulatorsVersion) {
    EXPECT_EQ(timers.period(ids::kSimTimer), 1000);
    tick();
    EXPECT_EQ(simStatus(), "Connected");
    EXPECT_TRUE(core.sim().connected);
    EXPECT_EQ(timers.period(ids::kSimTimer), 50);

    tick();  // the open message arrives with the first dispatch
    EXPECT_EQ(core.sim().versionMajor, 11u);
    EXPECT_EQ(simStatus().find("v11.0"), simStatus().find(" v11.0") + 1) << simStatus();
    EXPECT_NE(simStatus().find(", SimConnect v"), std::string::npos) << simStatus();
    EXPECT_FALSE(controls.isChecked(ids::kSyncAutopilotMaster));
    // Declaring names the simulator knows raised no exception worth a report.
    for (const auto& line : bench.takeReports()) EXPECT_NE(line.rfind("exception", 0), 0u) << line;
}

// Regression: an application name in the simulator's narrow code page
// blanked the whole status text.
class SimLinkLatin1NameTest : public SimLinkTest {
protected:
    SimLinkLatin1NameTest()
        : SimLinkTest({.versionMajor = 11, .frozen = true, .applicationName = "Simulateur \xe9t\xe9"}) {}
};

TEST_F(SimLinkLatin1NameTest, StatusShowsTheNameInUtf8) {
    tick(2);
    EXPECT_EQ(simStatus().rfind("Simulateur \xc3\xa9t\xc3\xa9 v11.0 b1.0, SimConnect v11.0", 0), 0u) << simStatus();
}

TEST_F(SimLinkTest, NewGenerationSimulatorIsAnnouncedToAConnectedTabletOnce) {
    connectTablet();
    tick(4);
    EXPECT_EQ(sentStartingWith("ClientData|FS2020=1"), 1u);
    EXPECT_GT(sentStartingWith("ClientData|LAT="), 0u);
}

TEST_F(SimLinkTest, QuitIsFollowedByAnOpenInTheSameTick) {
    tick(2);
    bench.quitClients();
    timers.starts.clear();
    tick();
    // Quit seen: status back, timer to 1000 ms, then the same tick reopened.
    EXPECT_EQ(simStatus(), "Connected");
    EXPECT_EQ(timers.starts[ids::kSimTimer], 2);
    EXPECT_EQ(timers.period(ids::kSimTimer), 50);
    tick();
    EXPECT_NE(simStatus().find(" v11."), std::string::npos) << simStatus();
}

TEST_F(SimLinkTest, BrokenConnectionCountsAsQuit) {
    tick(2);
    bench.dropClients();
    tick();
    EXPECT_TRUE(core.sim().connected);  // reopened at once: the bench still answers
    EXPECT_EQ(bench.clientCount(), 1u);
}

TEST_F(SimLinkTest, RadioSamplesAreRequestedOnlyWhileSendingOperationsIsOn) {
    bench.setValue("COM ACTIVE FREQUENCY:1", 121.5);
    controls.setChecked(ids::kSendSimOperations, false);
    tick(4);
    EXPECT_EQ(static_cast<double>(core.avionics().radioState().comActiveFrequency1), 0.0);  // packed: a copy
    controls.setChecked(ids::kSendSimOperations, true);
    tick(2);
    EXPECT_EQ(static_cast<double>(core.avionics().radioState().comActiveFrequency1), 121.5);
}

TEST_F(SimLinkTest, TitleWithoutItsNulSendsNothingToTheTablet) {
    connectTablet();
    bench.setTitle(std::string(300, 'C'));
    tick(4);
    EXPECT_EQ(sentStartingWith("ClientData|LAT="), 0u);
    bench.setTitle("Cessna");
    tick(2);
    EXPECT_GT(sentStartingWith("ClientData|LAT="), 0u);
}

TEST_F(SimLinkTest, ClearedFailureBoxesReachTheTabletUnderTheirOwnKeysOnce) {
    connectTablet();
    tick(3);
    ASSERT_EQ(sentStartingWith("ClientAv|"), 0u);  // all boxes checked: nothing failed
    controls.setChecked(1245, false);               // "Air Data Computer"
    controls.setChecked(1247, false);               // "Magnetometer"
    tick(2);
    controls.setChecked(1249, false);               // "GEA"
    tick(2);
    std::vector<std::string> failures;
    for (const auto& d : sender.sent) {
        if (d.text.rfind("ClientAv|", 0) == 0) failures.push_back(d.text);
    }
    EXPECT_EQ(failures, (std::vector<std::string>{"ClientAv|FADC=1|FMAG=1", "ClientAv|FGEA=1"}));
}

TEST_F(SimLinkTest, EveryWayTheTabletLeavesGivesThePilotTheStickBack) {
    tick(2);
    const auto priorities = [&] {
        std::vector<std::string> out;
        for (const auto& line : bench.takeReports()) {
            if (line.rfind("priority 0 ", 0) == 0) out.push_back(line);
        }
        return out;
    };
    priorities();
    const auto flyThenLose = [&](const std::function<void()>& lose) {
        connectTablet();
        core.onDatagram("ServerAv|AP=1", kTablet);
        tick();
        lose();
        tick();
        return priorities();
    };
    const std::vector<std::string> maskedThenReleased{"priority 0 10000000", "priority 0 1"};
    EXPECT_EQ(flyThenLose([&] { core.onDatagram("ServerStop", kTablet); }), maskedThenReleased);
    EXPECT_EQ(flyThenLose([&] { core.onCommand(ids::kStart); }), maskedThenReleased);  // "Stop"
    EXPECT_EQ(flyThenLose([&] {
                  for (int i = 0; i < 11; ++i) core.onTimer(ids::kKeepAliveTimer);
              }),
              maskedThenReleased);
}

// Regression: a simulator that hung for 30 s and resumed answered every request
// the bridge had made meanwhile, and the tablet's instruments replayed 600 samples.
TEST_F(SimLinkTest, ResumedSimulatorSendsOneFreshSampleAfterAStall) {
    connectTablet();
    tick(3);
    bench.stall(true);
    tick();  // the reply already on its way still arrives
    sender.sent.clear();
    tick(600);  // 30 s at 50 ms
    EXPECT_EQ(sentStartingWith("ClientData|LAT="), 0u);
    bench.setValue("PLANE ALTITUDE", 4321);
    bench.stall(false);
    tick();
    ASSERT_EQ(sentStartingWith("ClientData|LAT="), 1u);
    EXPECT_NE(sender.sent.back().text.find("|ALT=4321.0|"), std::string::npos) << sender.sent.back().text;
    tick(4);  // and the ordinary pace goes on
    EXPECT_EQ(sentStartingWith("ClientData|LAT="), 5u);
}

TEST_F(SimLinkTest, ShortOrForeignMessagesAreIgnored) {
    connectTablet();
    // A data message for the flight sample that is far shorter than the block.
    SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE shortData{};
    shortData.dwSize = sizeof shortData;
    shortData.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE;
    shortData.dwRequestID = 0;
    core.simLink().onMessage(&shortData, sizeof shortData);
    shortData.dwRequestID = 9;  // not ours
    core.simLink().onMessage(&shortData, sizeof shortData);
    SIMCONNECT_RECV exception{sizeof(SIMCONNECT_RECV), 0, SIMCONNECT_RECV_ID_EXCEPTION};
    core.simLink().onMessage(&exception, sizeof exception);
    EXPECT_TRUE(sender.sent.empty());
}

// The standby gauges panel behind a fake port: each flight sample that reaches
// the tablet also reaches the gauges, as one line, whether the tablet is there or not.
class SimLinkGaugesTest : public SimLinkTest {
protected:
    SimLinkGaugesTest() {
        core.setPanelOutput(&panels);
        tick(3);  // open, the open message, then the first sample is on its way
    }

    void connectGauges(bool connected) { panels.connected[static_cast<int>(Panel::StandbyGauges)] = connected; }
    std::vector<std::string> gaugeLines() const {
        std::vector<std::string> lines;
        for (const auto& [panel, bytes] : panels.written) {
            EXPECT_EQ(panel, Panel::StandbyGauges);
            lines.emplace_back(bytes.begin(), bytes.end());
        }
        return lines;
    }

    testing::FakePanelOutput panels;
};

TEST_F(SimLinkGaugesTest, EachFlightSampleWritesOneLineAfterTheTabletsDatagrams) {
    connectTablet();
    connectGauges(true);
    std::vector<std::string> sentBeforeLine;
    panels.onWrite = [&](Panel) { sentBeforeLine.push_back(sender.sent.empty() ? "" : sender.sent.back().text); };
    for (int i = 1; i <= 5; ++i) {
        tick();
        ASSERT_EQ(gaugeLines().size(), static_cast<std::size_t>(i));
        ASSERT_EQ(sentStartingWith("ClientData|LAT="), static_cast<std::size_t>(i));
    }
    for (const std::string& line : gaugeLines()) {
        EXPECT_EQ(line.rfind("IAS=", 0), 0u) << line;
        EXPECT_EQ(line.find("\r\n"), line.size() - 2) << line;
    }
    for (const std::string& before : sentBeforeLine) EXPECT_EQ(before.rfind("ClientData|LAT=", 0), 0u) << before;
}

TEST_F(SimLinkGaugesTest, DisconnectedGaugesGetNothingAndKeepABrightnessChangePending) {
    core.simLink().gaugeLine().setPanelBrightness(9);
    tick(4);
    EXPECT_TRUE(panels.written.empty());
    connectGauges(true);
    tick(2);
    const auto lines = gaugeLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("BRT=9|IAS=", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("IAS=", 0), 0u) << lines[1];
}

TEST_F(SimLinkGaugesTest, TitleWithoutItsNulWritesNoLine) {
    connectGauges(true);
    bench.setTitle(std::string(300, 'C'));
    tick(2);  // the sample already requested still had its title
    panels.written.clear();
    tick(3);
    EXPECT_TRUE(panels.written.empty());
}

// The tablet's composer negates the battery load for this simulator in the
// sample itself; the gauges show what the tablet shows, and only then.
TEST_F(SimLinkGaugesTest, LineReadsTheSampleAsTheTabletsComposerLeftIt) {
    core.gauges() = GaugeSelection{.ias = false, .att = false, .alt = false, .amp = true};
    bench.setValue("ELECTRICAL BATTERY LOAD", 2.34);
    bench.setValue("SEA LEVEL PRESSURE", 1013.25);
    bench.setValue("SUCTION PRESSURE", 5.0);
    tick();  // the sample on its way was taken before the values changed
    connectGauges(true);
    tick();
    connectTablet();
    tick();
    EXPECT_EQ(gaugeLines(), (std::vector<std::string>{"AMP=23|HPA=10133|VAC=50|VF=500\r\n",
                                                      "AMP=-22|HPA=10133|VAC=50|VF=500\r\n"}));
}

TEST_F(SimLinkGaugesTest, SyncBaroSendsTheLastRadioSamplesSetting) {
    core.gauges() = GaugeSelection{.ias = false, .att = false, .alt = false};
    bench.setValue("KOHLSMAN SETTING MB", 1009.96);
    controls.setChecked(ids::kSyncBaro, true);
    controls.setChecked(ids::kSendSimOperations, true);
    connectGauges(true);
    tick(2);
    panels.written.clear();
    tick();
    ASSERT_EQ(gaugeLines().size(), 1u);
    EXPECT_EQ(gaugeLines()[0].rfind("AS=10100|HPA=", 0), 0u) << gaugeLines()[0];
    // A copy: the sample keeps the simulator's packed layout, where a double
    // need not be aligned for a reference to it.
    const double kohlsman = core.simLink().radioState().kohlsmanSettingMb;
    EXPECT_EQ(kohlsman, 1009.96);
}

}  // namespace
}  // namespace brelvik
