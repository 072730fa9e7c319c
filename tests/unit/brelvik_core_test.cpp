#include <gtest/gtest.h>

#include "app/brelvik_core.h"
#include "base/control_ids.h"
#include "support/core_harness.h"

namespace brelvik {
namespace {

using testing::FakeControls;
using testing::FakeDatagramSender;
using testing::FakeMessageBoxes;
using testing::FakeTimers;
using testing::MemorySettingsStore;

class CoreStartTest : public ::testing::Test, protected testing::NoSimulator {
protected:
    CoreStartTest() : core(controls, timers, boxes, sender, settings) {}

    FakeControls controls;
    FakeTimers timers;
    FakeMessageBoxes boxes;
    FakeDatagramSender sender;
    MemorySettingsStore settings;
    BrelvikCore core;
};

TEST_F(CoreStartTest, StartsTheSimulatorTimerBroadcastsOnceAndChecksTheFailureBoxes) {
    core.start({"127.255.255.255"});
    EXPECT_EQ(timers.period(ids::kSimTimer), 1000);
    EXPECT_EQ(sender.sent, (std::vector<testing::SentDatagram>{{"ClientRequest", "127.255.255.255", 15684}}));
    EXPECT_EQ(controls.text(ids::kSimStatus), "Not connected");
    EXPECT_EQ(controls.text(ids::kTabletStatus), "Not connected");
    for (const int id : ids::kFailureBoxes) EXPECT_TRUE(controls.isChecked(id)) << id;
    EXPECT_EQ(core.breakerIds().front(), 1014);
    EXPECT_EQ(core.breakerIds().back(), 1055);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CoreStartTest, SavedAutoConnectKeepsLookingForATabletFromTheStart) {
    core.start({"127.255.255.255"});  // first run: Auto-Connect comes up on
    EXPECT_EQ(timers.period(ids::kDiscoveryTimer), 3000);
}

TEST_F(CoreStartTest, WithoutAutoConnectThereIsOnlyTheFirstBroadcast) {
    settings.write("B_keyCheck", "SendCtrlCheck", "1");
    settings.write("B_keyCheck", "ReconnectCheck", "0");
    core.start({"127.255.255.255"});
    EXPECT_FALSE(timers.isRunning(ids::kDiscoveryTimer));
}

TEST_F(CoreStartTest, UncheckingSendOperationsForgetsTheMarkersAndIsStored) {
    core.start({});
    // A first avionics message, then a simulator that disagrees about COM 1
    // and reports a battery: a marker and a last-sent value are set.
    core.onDatagram("ServerReady", "127.0.0.5");
    core.onDatagram("ServerAv|COM1=118250", "127.0.0.5");
    RadioSample sample{};
    sample.comActiveFrequency1 = 121.5;
    sample.electricalMasterBattery = 1;
    core.avionics().onRadioSample(sample);
    core.onDatagram("ServerAv|ZZ=1", "127.0.0.5");  // any field reports the battery
    const auto& markers = core.avionics().markers();
    ASSERT_EQ(markers.comActiveFrequency1, -10000.0);
    ASSERT_EQ(markers.electricalMasterBattery, 1.0);

    controls.setChecked(ids::kSendSimOperations, false);
    core.onCommand(ids::kSendSimOperations);
    EXPECT_EQ(settings.read("B_keyCheck", "SendCtrlCheck"), "0");
    EXPECT_EQ(markers.comActiveFrequency1, 0.0);
    EXPECT_EQ(markers.electricalMasterBattery, 0.0);
}

TEST_F(CoreStartTest, WithoutASimulatorKeepsTryingOncePerSecondAndChangesNothing) {
    core.start({});
    for (int i = 0; i < 3; ++i) core.onTimer(ids::kSimTimer);
    EXPECT_EQ(controls.text(ids::kSimStatus), "Not connected");
    EXPECT_FALSE(core.sim().connected);
    EXPECT_EQ(timers.period(ids::kSimTimer), 1000);
    EXPECT_EQ(timers.starts[ids::kSimTimer], 1);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CoreStartTest, CloseEndsTheDialogAndOtherButtonsDoNot) {
    core.start({});
    for (const int id : {ids::kRefreshPorts, ids::kGaugesConnect, ids::kInputMapping, ids::kPedestalInitialize,
                         ids::kGaugesConfig, ids::kCalibrationConfig, ids::kPanelAutoConnect}) {
        EXPECT_FALSE(core.onCommand(id)) << id;
    }
    EXPECT_TRUE(core.onCommand(ids::kClose));
    EXPECT_TRUE(boxes.texts.empty());
}

// A settings store that cannot keep this run's changes tells the user so once.
TEST(CoreSettingsProblem, IsShownOnceAtStart) {
    class UnsavableSettings : public MemorySettingsStore {
    public:
        std::string problem() const override { return "settings will not be saved"; }
    };
    FakeControls controls;
    FakeTimers timers;
    FakeMessageBoxes boxes;
    FakeDatagramSender sender;
    UnsavableSettings settings;
    testing::NoSimulator noSimulator;
    BrelvikCore core(controls, timers, boxes, sender, settings);
    core.start({});
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"settings will not be saved"});
}

}  // namespace
}  // namespace brelvik
