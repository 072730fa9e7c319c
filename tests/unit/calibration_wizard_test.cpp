// The calibration wizard's procedures against the decoders, the bench
// simulator and a fake switch panel: what each step measures, sends, stores
// and publishes, and what an abort gives back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/calibration_wizard.h"
#include "support/core_harness.h"

namespace brelvik {
namespace {

using namespace wizard_ids;
using Frame = std::vector<std::uint8_t>;

TEST(KnobSampler, TakesTheExtremesOfThreeSweepsEachWay) {
    KnobSampler sampler;
    const std::vector<int> sweeps = {10, 5, 8, 240, 250, 245, 12, 3, 15, 238, 254, 236, 9, 7, 11, 250, 249, 30};
    std::vector<bool> done;
    for (const int v : sweeps) done.push_back(sampler.feed(static_cast<std::uint8_t>(v)));
    // The last trough is taken when 11 follows 7, the last peak when 249 follows 250.
    EXPECT_TRUE(sampler.done());
    EXPECT_EQ(sampler.resultMin(), 3);
    EXPECT_EQ(sampler.resultMax(), 254);
    EXPECT_TRUE(done[16]);
    EXPECT_FALSE(done[15]);

    KnobSampler high;
    for (int i = 0; i < 20; ++i) high.feed(static_cast<std::uint8_t>(i % 2 == 0 ? 25 : 250));
    EXPECT_FALSE(high.done());  // never below 20: never done
}

class CalibrationWizardTest : public ::testing::Test, protected testing::BenchHarness, protected testing::CoreHarness {
protected:
    CalibrationWizardTest() {
        core.start({});
        core.setPanelOutput(&panels);
        panels.connected[static_cast<int>(Panel::SwitchPanel)] = true;
        tick(2);
        bench.takeReports();
        window.startHidden = true;
        wizard().attach(&window);
        wizard().onOpen();
        panels.written.clear();
    }
    ~CalibrationWizardTest() override { wizard().attach(nullptr); }

    CalibrationWizard& wizard() { return core.wizard(); }
    void press(int id) { wizard().onCommand(id); }
    void lever(std::uint8_t raw) { core.decoders().onSwitchFrame({19, raw}); }
    std::vector<std::string> flapsEvents() {
        tick();
        std::vector<std::string> out;
        for (const std::string& line : bench.takeReports()) {
            if (line.rfind("event FLAPS", 0) == 0) out.push_back(line);
        }
        return out;
    }
    std::vector<Frame> switchFrames(std::uint8_t code) const {
        std::vector<Frame> out;
        for (const auto& [panel, bytes] : panels.written) {
            if (panel == Panel::SwitchPanel && bytes.size() == 4 && bytes[2] == code) out.push_back(bytes);
        }
        return out;
    }
    std::string stored(const char* section, const char* key) const {
        return settings.read(section, key).value_or("<none>");
    }

    testing::FakePanelOutput panels;
    testing::FakeControls window;
};

TEST_F(CalibrationWizardTest, LeverRangeIsMeasuredWithoutMovingTheFlapsThenSavedAndApplied) {
    press(kFlapsLever);
    EXPECT_EQ(window.text(kTitle), "Flaps Lever calibration");
    EXPECT_TRUE(window.isEnabled(kNext));
    press(kNext);
    EXPECT_FALSE(window.isEnabled(kNext));
    lever(128);
    lever(60);
    lever(160);
    EXPECT_FALSE(window.isEnabled(kNext));  // a range of exactly 100
    lever(200);
    EXPECT_TRUE(window.isEnabled(kNext));
    press(kNext);
    EXPECT_EQ(window.text(kNext), "Save");
    lever(190);
    EXPECT_TRUE(flapsEvents().empty());

    press(kNext);
    EXPECT_EQ(stored("C_FlapLeverValue", "flapsLeverMin"), "60");
    EXPECT_EQ(stored("C_FlapLeverValue", "flapsLeverMax"), "200");
    // At once, for where the lever stands under the new range (q = 35: 165 and up is up).
    EXPECT_EQ(flapsEvents(), std::vector<std::string>{"event FLAPS_UP 0 1"});
    lever(100);
    EXPECT_EQ(flapsEvents(), std::vector<std::string>{"event FLAPS_2 0 1"});
    EXPECT_EQ(wizard().selected(), -1);
    EXPECT_FALSE(window.shown(kNext));
}

TEST_F(CalibrationWizardTest, AbortDuringTheLeverMeasurementGivesTheLeverBack) {
    press(kFlapsLever);
    press(kNext);
    lever(50);
    EXPECT_TRUE(flapsEvents().empty());
    wizard().abort(false);  // Escape or the close box
    EXPECT_EQ(flapsEvents(), std::vector<std::string>{"event FLAPS_3 0 1"});
    lever(200);
    EXPECT_EQ(flapsEvents(), std::vector<std::string>{"event FLAPS_UP 0 1"});
    EXPECT_EQ(wizard().step(CalibrationWizard::FlapsLever), 0);
    // Nothing blocks the next device, and Next works for it.
    press(kCompass);
    EXPECT_EQ(wizard().selected(), CalibrationWizard::Compass);
    EXPECT_TRUE(window.isEnabled(kNext));
}

TEST_F(CalibrationWizardTest, DeviceButtonsWaitWhileAProcedureIsUnderWay) {
    press(kFlapsIndicator);
    press(kCompass);  // at step 1 another device takes over
    EXPECT_EQ(wizard().selected(), CalibrationWizard::Compass);
    press(kNext);
    press(kFlapsLever);  // the compass is at step 2
    EXPECT_EQ(wizard().selected(), CalibrationWizard::Compass);
    EXPECT_EQ(wizard().step(CalibrationWizard::Compass), 2);
}

TEST_F(CalibrationWizardTest, NextWaitsForTheSwitchPanel) {
    panels.connected[static_cast<int>(Panel::SwitchPanel)] = false;
    press(kFlapsLever);
    press(kNext);
    EXPECT_EQ(wizard().step(CalibrationWizard::FlapsLever), 1);
}

TEST_F(CalibrationWizardTest, IndicatorOutOfRangeAfter126UpsAndUntouchedPointsStoreNothing) {
    press(kFlapsIndicator);
    press(kNext);
    press(kNext);  // step 3: servo to the working flaps-up value
    EXPECT_EQ(switchFrames(0x80), (std::vector<Frame>{{0xFF, 0xFF, 0x80, 125}}));
    EXPECT_FALSE(core.calibrationState().indicatorLive);
    for (int i = 0; i < 125; ++i) press(kUp);
    EXPECT_FALSE(wizard().outOfRange());
    press(kUp);
    EXPECT_TRUE(wizard().outOfRange());
    EXPECT_TRUE(window.shown(kOutOfRange));
    EXPECT_EQ(window.text(kNext), "Ok");
    EXPECT_EQ(switchFrames(0x80).back(), (Frame{0xFF, 0xFF, 0x80, 0}));
    panels.connected[static_cast<int>(Panel::SwitchPanel)] = false;
    press(kNext);  // "Ok" works even without the panel
    EXPECT_FALSE(wizard().outOfRange());
    EXPECT_EQ(wizard().step(CalibrationWizard::FlapsIndicator), 3);
    EXPECT_EQ(window.text(kNext), "Next");
    panels.connected[static_cast<int>(Panel::SwitchPanel)] = true;

    // Back to step 2 resets the points; through to Save without touching them.
    press(kPrevious);
    EXPECT_TRUE(core.calibrationState().indicatorLive);
    press(kNext);
    press(kNext);
    press(kNext);
    press(kNext);
    EXPECT_EQ(stored("C_FlapIndValue", "flapsInd_Up"), "<none>");
    EXPECT_EQ(core.calibrationState().newIndicatorUp, 0);
}

// Right after the switch panel connects nothing has been sent yet; going back
// a step re-drives the needle where the flaps are, never past the up point.
TEST_F(CalibrationWizardTest, IndicatorIsNotDrivenIntoItsStopBeforeAnythingWasSent) {
    PanelDrive& drive = core.simLink().panelDrive();
    for (const float sample : {-1.0f, 0.5f}) {
        drive.flapIndicatorLow = 100;
        drive.flapIndicatorHigh = 150;
        drive.flapIndicatorSent = 100.0f;  // as on connecting
        drive.lastFlapsFraction = sample;
        press(kFlapsIndicator);
        press(kNext);
        press(kNext);
        panels.written.clear();
        press(kPrevious);
        const std::uint8_t needle = sample < 0 ? 100 : 125;
        EXPECT_EQ(switchFrames(0x80), (std::vector<Frame>{{0xFF, 0xFF, 0x80, needle}})) << sample;
        press(kCancel);
    }
}

TEST_F(CalibrationWizardTest, SavedIndicatorPointsArePublishedAndStored) {
    press(kFlapsIndicator);
    press(kNext);
    press(kNext);
    for (int i = 0; i < 5; ++i) press(kUp);
    press(kNext);
    for (int i = 0; i < 7; ++i) press(kDown);
    press(kNext);
    press(kNext);
    EXPECT_EQ(stored("C_FlapIndValue", "flapsInd_Up"), "120");
    EXPECT_EQ(stored("C_FlapIndValue", "flapsInd_Down"), "132");
    EXPECT_EQ(core.calibrationState().newIndicatorUp, 120);
    EXPECT_EQ(core.calibrationState().newIndicatorDown, 132);
    EXPECT_TRUE(core.calibrationState().indicatorLive);
}

TEST_F(CalibrationWizardTest, CompassAdjustmentIsStoredPublishedAndEndedTwice) {
    press(kCompass);
    press(kNext);
    EXPECT_EQ(switchFrames(0x02), (std::vector<Frame>{{0xFF, 0xFF, 0x02, 0x00}}));
    EXPECT_TRUE(window.shown(kLeftButtons[2]));
    EXPECT_EQ(window.text(kNext), "Finish");
    press(kLeftButtons[2]);
    press(kLeftButtons[2]);
    press(kRightButtons[0]);
    EXPECT_EQ(switchFrames(0x03), (std::vector<Frame>{{0xFF, 0xFF, 0x03, 100}, {0xFF, 0xFF, 0x03, 100}}));
    EXPECT_EQ(switchFrames(0x04), (std::vector<Frame>{{0xFF, 0xFF, 0x04, 5}}));
    press(kNext);
    EXPECT_EQ(stored("C_Compass", "compassValue"), "195");
    EXPECT_EQ(stored("C_Compass", "compassReverse"), "0");
    EXPECT_EQ(switchFrames(0x05).size(), 2u);
    EXPECT_EQ(core.calibrationState().newCompassOffset, 195);
    EXPECT_TRUE(core.calibrationState().compassOffsetPublished);
    EXPECT_FALSE(window.shown(kLeftButtons[0]));
}

TEST_F(CalibrationWizardTest, ReverseRecaptionsTheButtonsButTheLeftColumnStillAdds) {
    press(kCompass);
    press(kNext);
    window.setChecked(kReverse, true);
    press(kReverse);
    EXPECT_EQ(window.text(kLeftButtons[1]), "-");
    EXPECT_EQ(window.text(kRightButtons[1]), "+");
    press(kLeftButtons[1]);
    EXPECT_EQ(switchFrames(0x03), (std::vector<Frame>{{0xFF, 0xFF, 0x03, 50}}));
    EXPECT_EQ(wizard().adjustment(), 50);
    press(kNext);
    EXPECT_EQ(stored("C_Compass", "compassReverse"), "1");
    EXPECT_TRUE(core.calibrationState().compassReversed);
}

TEST_F(CalibrationWizardTest, KnobRangeComesFromTheSamplerAndIsStoredUnderItsOwnKeys) {
    panels.connected[static_cast<int>(Panel::Pedestal)] = true;  // so that a frame to it would show
    press(kPedestalKnob);
    press(kNext);
    EXPECT_FALSE(window.isEnabled(kNext));
    EXPECT_TRUE(core.calibrationState().knobCalibrating[2]);
    for (const int v : {10, 5, 8, 240, 250, 245, 12, 3, 15, 238, 254, 236, 9, 7, 11, 250, 249}) {
        core.decoders().onSwitchFrame({16, static_cast<std::uint8_t>(v)});
    }
    EXPECT_TRUE(window.isEnabled(kNext));
    EXPECT_TRUE(panels.written.empty());  // measured, not shown on the pedestal
    press(kNext);
    press(kNext);
    EXPECT_EQ(stored("I_KONBVALUE", "pedestalMinValue"), "3");
    EXPECT_EQ(stored("I_KONBVALUE", "pedestalMaxValue"), "254");
    EXPECT_EQ(core.calibrationState().knobRange[2], (KnobRange{254, 3}));
    EXPECT_FALSE(core.calibrationState().knobCalibrating[2]);
}

}  // namespace
}  // namespace brelvik
