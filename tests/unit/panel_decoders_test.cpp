// What the panels' controls do to the simulator, the dialog and the tablet,
// and what the simulator makes the panels show, with the bench simulator in
// this process and the panels behind a fake port.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/control_ids.h"
#include "base/text_numbers.h"
#include "support/core_harness.h"

namespace brelvik {
namespace {

using Frame = std::vector<std::uint8_t>;
const std::string kTablet = "127.0.0.5";

class PanelDecodersTest : public ::testing::Test, protected testing::BenchHarness, protected testing::CoreHarness {
protected:
    explicit PanelDecodersTest(std::uint32_t version = 11)
        : BenchHarness({.versionMajor = version, .frozen = true}) {
        core.start({});
        core.setPanelOutput(&panels);
        for (bool& c : panels.connected) c = true;
        tick(2);  // connected, and the open message told the version
        bench.takeReports();
        panels.written.clear();
    }
    void switchFrame(std::uint8_t code, std::uint8_t value) { core.decoders().onSwitchFrame({code, value}); }
    void pedestalFrame(std::uint8_t code, std::uint8_t value) { core.decoders().onPedestalFrame({code, value}); }
    // The reports of what reached the simulator: "event NAME DATA PRIORITY", "setdata ...".
    std::vector<std::string> simulatorSaw() {
        tick();
        std::vector<std::string> out;
        for (const std::string& line : bench.takeReports()) {
            if (line.rfind("event ", 0) == 0 || line.rfind("setdata ", 0) == 0) out.push_back(line);
        }
        return out;
    }
    std::vector<Frame> framesTo(Panel panel) const {
        std::vector<Frame> out;
        for (const auto& [to, bytes] : panels.written) {
            if (to == panel && bytes.size() == 4) out.push_back(bytes);
        }
        return out;
    }

    testing::FakePanelOutput panels;
};

// One row: an input from a panel, or a value the simulator reports, with the
// simulator state and calibration it meets, and everything it sends: frames
// ("sw 80 46": to the switch panel, FF FF 80 46), then simulator events
// ("NAME DATA PRIORITY") and data writes ("setdata ...").
enum Generation { Both, Older, Newer };
enum From { Sw, Ped, Stby, Sim };
enum Given { Unchanged, Uncalibrated, ReversedLever, CalibratedKnobs, CompassAhead, CompassReversed };
struct Row {
    Generation generation;
    From from;
    int code, value;  // the frame, or the standby panel's byte in `code`
    std::vector<std::string> sends;
    const char* variable = nullptr;  // set first; for From::Sim the value that drives the panels
    double state = 0;
    Given given = Unchanged;
};

constexpr const char* kAltStatic = "ALTERNATE STATIC SOURCE OPEN";
constexpr const char* kBrake = "BRAKE PARKING POSITION";
constexpr const char* kFuelValve = "GENERAL ENG FUEL VALVE:1";
constexpr const char* kFuelPump = "GENERAL ENG FUEL PUMP SWITCH:1";
constexpr const char* kTaxi = "LIGHT TAXI";
constexpr const char* kAvionics = "AVIONICS MASTER SWITCH";
constexpr const char* kTrim = "ELEVATOR TRIM PCT";
constexpr const char* kFlaps = "TRAILING EDGE FLAPS LEFT PERCENT";
constexpr const char* kCompass = "WISKEY COMPASS INDICATION DEGREES";

const Row kRows[] = {
    // Switch panel, either simulator; a value the row does not know sends nothing.
    {Both, Sw, 7, 1, {"LANDING_LIGHTS_ON 0 1"}}, {Both, Sw, 7, 0, {"LANDING_LIGHTS_OFF 0 1"}}, {Both, Sw, 7, 2, {}},
    {Both, Sw, 10, 1, {"STROBES_ON 0 1"}}, {Both, Sw, 10, 0, {"STROBES_OFF 0 1"}}, {Both, Sw, 10, 2, {}},
    {Both, Sw, 12, 1, {"PITOT_HEAT_ON 0 1"}}, {Both, Sw, 12, 0, {"PITOT_HEAT_OFF 0 1"}}, {Both, Sw, 12, 2, {}},
    {Both, Sw, 18, 0, {"MAGNETO_OFF 0 1"}}, {Both, Sw, 18, 1, {"MAGNETO_RIGHT 0 1"}},
    {Both, Sw, 18, 2, {"MAGNETO_LEFT 0 1"}}, {Both, Sw, 18, 3, {"MAGNETO_BOTH 0 1"}},
    {Both, Sw, 18, 4, {"MAGNETO_START 0 1"}}, {Both, Sw, 18, 5, {}}, {Both, Sw, 13, 1, {}},
    {Both, Sw, 81, 1, {"TOGGLE_ALTERNATE_STATIC 0 1900000000"}, kAltStatic, 0},
    {Both, Sw, 81, 1, {}, kAltStatic, 1},
    {Both, Sw, 81, 0, {"TOGGLE_ALTERNATE_STATIC 0 1900000000"}, kAltStatic, 1},
    {Both, Sw, 87, 1, {"PARKING_BRAKES 0 1"}, kBrake, 1}, {Both, Sw, 87, 0, {}, kBrake, 1},
    {Both, Sw, 87, 0, {"PARKING_BRAKES 0 1"}, kBrake, 0}, {Both, Sw, 87, 1, {}, kBrake, 0},
    // The newer simulator: an on/off event per switch, whatever its state, and no electrical block.
    {Newer, Sw, 0, 1, {"MobiFlight.C_172_STBYBATTERY_ON 0 1"}},
    {Newer, Sw, 0, 0, {"MobiFlight.C_172_STBYBATTERY_OFF 0 1"}}, {Newer, Sw, 0, 2, {}},
    {Newer, Sw, 1, 5, {"sw 01 05", "MobiFlight.C_172_STBYBATTERY_TEST_ON 0 1"}},
    {Newer, Sw, 1, 0, {"sw 01 00", "MobiFlight.C_172_STBYBATTERY_TEST_OFF 0 1"}},
    {Newer, Sw, 2, 1, {"MobiFlight.C172_BATTERY_ON 0 1"}}, {Newer, Sw, 2, 0, {"MobiFlight.C172_BATTERY_OFF 0 1"}},
    {Newer, Sw, 2, 2, {}}, {Newer, Sw, 3, 7, {"MobiFlight.C172_ALTERNATOR_ON 0 1"}},
    {Newer, Sw, 3, 0, {"MobiFlight.C172_ALTERNATOR_OFF 0 1"}},
    {Newer, Sw, 4, 1, {"MobiFlight.C_172_AVIONICS_BUS_1_ON 0 1"}},
    {Newer, Sw, 4, 0, {"MobiFlight.C_172_AVIONICS_BUS_1_OFF 0 1"}}, {Newer, Sw, 4, 2, {}},
    {Newer, Sw, 5, 1, {"MobiFlight.C_172_AVIONICS_BUS_2_ON 0 1"}},
    {Newer, Sw, 5, 0, {"MobiFlight.C_172_AVIONICS_BUS_2_OFF 0 1"}},
    {Newer, Sw, 6, 1, {"MobiFlight.BEACON_LIGHTS_ON 0 1"}}, {Newer, Sw, 6, 0, {"MobiFlight.BEACON_LIGHTS_OFF 0 1"}},
    {Newer, Sw, 9, 1, {"MobiFlight.NAV_LIGHTS_ON 0 1"}}, {Newer, Sw, 9, 0, {"MobiFlight.NAV_LIGHTS_OFF 0 1"}},
    {Newer, Sw, 8, 1, {"MobiFlight.TAXI_LIGHTS_ON 0 1"}, kTaxi, 1},
    {Newer, Sw, 8, 0, {"MobiFlight.TAXI_LIGHTS_OFF 0 1"}, kTaxi, 0},
    {Newer, Sw, 11, 1, {"MobiFlight.Fuel_Pump_Switch_On 0 1"}, kFuelPump, 1},
    {Newer, Sw, 11, 0, {"MobiFlight.Fuel_Pump_Switch_Off 0 1"}, kFuelPump, 0},
    // The older simulator: alternator, battery (either switch), beacon, nav written as one block.
    {Older, Sw, 2, 1, {"setdata 3 0 1 0 0"}}, {Older, Sw, 0, 1, {"setdata 3 0 1 0 0"}},
    {Older, Sw, 2, 0, {"setdata 3 0 1 0 0"}}, {Older, Sw, 0, 0, {"setdata 3 0 0 0 0"}},
    {Older, Sw, 3, 1, {"setdata 3 1 0 0 0"}}, {Older, Sw, 6, 1, {"setdata 3 1 0 1 0"}},
    {Older, Sw, 9, 1, {"setdata 3 1 0 1 1"}}, {Older, Sw, 0, 7, {}}, {Older, Sw, 1, 5, {"sw 01 05"}},
    {Older, Sw, 4, 2, {}, kAvionics, 0}, {Older, Sw, 4, 1, {"TOGGLE_AVIONICS_MASTER 0 1"}, kAvionics, 0},
    {Older, Sw, 4, 1, {}, kAvionics, 1}, {Older, Sw, 8, 1, {}, kTaxi, 1},
    {Older, Sw, 8, 0, {"TOGGLE_TAXI_LIGHTS 0 1"}, kTaxi, 1}, {Older, Sw, 11, 1, {"FUEL_PUMP 0 1"}, kFuelPump, 0},
    {Older, Sw, 11, 0, {}, kFuelPump, 0},
    // Flaps lever, every frame: quarters of 50...200 (q = 37), 161 and up is up.
    {Both, Sw, 19, 255, {"FLAPS_UP 0 1"}, nullptr, 0, Uncalibrated}, {Both, Sw, 19, 161, {"FLAPS_UP 0 1"}},
    {Both, Sw, 19, 161, {"FLAPS_UP 0 1"}}, {Both, Sw, 19, 160, {"FLAPS_1 0 1"}}, {Both, Sw, 19, 124, {"FLAPS_1 0 1"}},
    {Both, Sw, 19, 123, {"FLAPS_2 0 1"}}, {Both, Sw, 19, 87, {"FLAPS_2 0 1"}}, {Both, Sw, 19, 86, {"FLAPS_3 0 1"}},
    {Both, Sw, 19, 0, {"FLAPS_3 0 1"}},
    // A reversed range wraps in eight bits as the panel always did: q = -37,
    // a byte of 219, so t3 = 89 and the lower thresholds are never reached.
    {Both, Sw, 19, 0, {"FLAPS_3 0 1"}, nullptr, 0, ReversedLever}, {Both, Sw, 19, 88, {"FLAPS_3 0 1"}},
    {Both, Sw, 19, 89, {"FLAPS_UP 0 1"}}, {Both, Sw, 19, 255, {"FLAPS_UP 0 1"}},
    // Backlight knobs: raw without a range; a range maps onto 0...255, dark
    // under 2 % of it, full at its top; a range of nothing is full above it.
    {Both, Sw, 14, 100, {"sw FD 64"}, nullptr, 0, Uncalibrated}, {Both, Sw, 16, 60, {"ped 0A 3C"}},
    {Both, Sw, 16, 50, {"ped 0A 00"}, nullptr, 0, CalibratedKnobs}, {Both, Sw, 16, 52, {"ped 0A 00"}},
    {Both, Sw, 16, 125, {"ped 0A 7F"}}, {Both, Sw, 16, 200, {"ped 0A FF"}}, {Both, Sw, 16, 250, {"ped 0A FF"}},
    {Both, Sw, 16, 10, {"ped 0A 00"}}, {Both, Sw, 14, 90, {"sw FD FF"}}, {Both, Sw, 14, 80, {"sw FD 00"}},
    // Standby gauges: six letters; anything else (the panel's answers) nothing.
    {Both, Stby, 'A', 0, {"ADF_CARD_INC 0 1"}}, {Both, Stby, 'B', 0, {"ADF_CARD_DEC 0 1"}},
    {Both, Stby, 'C', 0, {"VOR1_OBI_INC 0 1"}}, {Both, Stby, 'D', 0, {"VOR1_OBI_DEC 0 1"}},
    {Both, Stby, 'E', 0, {"VOR2_OBI_INC 0 1"}}, {Both, Stby, 'F', 0, {"VOR2_OBI_DEC 0 1"}},
    {Both, Stby, 'G', 0, {}}, {Both, Stby, '\n', 0, {}},
    // Pedestal.
    {Both, Ped, 96, 0, {"FUEL_SELECTOR_ALL 0 1"}}, {Both, Ped, 96, 1, {"FUEL_SELECTOR_LEFT 0 1"}},
    {Both, Ped, 96, 2, {"FUEL_SELECTOR_RIGHT 0 1"}}, {Both, Ped, 96, 3, {}}, {Both, Ped, 97, 1, {}},
    {Both, Ped, 95, 0, {"TOGGLE_FUEL_VALVE_ALL 0 1"}, kFuelValve, 0}, {Both, Ped, 95, 1, {}, kFuelValve, 0},
    {Both, Ped, 95, 1, {"TOGGLE_FUEL_VALVE_ALL 0 1"}, kFuelValve, 1}, {Both, Ped, 95, 0, {}, kFuelValve, 1},
    {Both, Ped, 95, 2, {}, kFuelValve, 1},
    // The trim wheel; its indicator takes the wheel's position, so a
    // simulator trim that agrees with the wheel does not move it.
    {Both, Ped, 94, 128, {"AXIS_ELEV_TRIM_SET -1 1900000000"}, kTrim, 0},
    {Both, Ped, 94, 0, {"AXIS_ELEV_TRIM_SET 16383 1900000000"}, kTrim, -1},
    {Both, Ped, 94, 255, {"AXIS_ELEV_TRIM_SET -16257 1900000000"}, kTrim, 0.9921875},
    // The simulator's trim moves the pedestal's indicator by more than 0.05 only.
    {Both, Sim, 0, 0, {"ped 0B BF"}, kTrim, 0.5}, {Both, Sim, 0, 0, {}, kTrim, 0.54},
    {Both, Sim, 0, 0, {"ped 0B C6"}, kTrim, 0.56}, {Both, Sim, 0, 0, {"ped 0B 00"}, kTrim, -1},
    {Both, Sim, 0, 0, {"ped 0B FF"}, kTrim, 1},
    // Its flaps move the flaps indicator (points 20 and 220) by more than
    // 0.005 only, and never beyond its points.
    {Both, Sim, 0, 0, {"sw 80 46"}, kFlaps, 0.25}, {Both, Sim, 0, 0, {}, kFlaps, 0.254},
    {Both, Sim, 0, 0, {"sw 80 DC"}, kFlaps, 1.5}, {Both, Sim, 0, 0, {"sw 80 14"}, kFlaps, -0.2},
    // Its compass turns the rose, in tenths of a degree cut in single precision.
    {Both, Sim, 0, 0, {"sw 06 00", "sw 07 7B"}, kCompass, 12.3, CompassAhead},
    {Both, Sim, 0, 0, {"sw 06 00", "sw 07 7B"}, kCompass, 12.36},
    {Both, Sim, 0, 0, {"sw 06 00", "sw 07 07"}, kCompass, 0.7},
    {Both, Sim, 0, 0, {"sw 06 0E", "sw 07 0F"}, kCompass, 359.9},
    {Both, Sim, 0, 0, {"sw 06 0E", "sw 07 0F"}, kCompass, 0.1, CompassReversed},
};

class PanelRowsTest : public PanelDecodersTest, public ::testing::WithParamInterface<std::uint32_t> {
protected:
    PanelRowsTest() : PanelDecodersTest(GetParam()) {}

    void given(Given what) {
        CalibrationValues values;  // the start values: lever 50...200, knobs raw
        switch (what) {
        case Unchanged:
            return;
        case CompassAhead:
        case CompassReversed:
            core.calibrationState().compassReversed = what == CompassReversed;
            return;
        case ReversedLever:
            values.flapsLeverMin = 200;
            values.flapsLeverMax = 50;
            break;
        case CalibratedKnobs:
            values.switchPanelKnobMin = values.switchPanelKnobMax = 80;
            values.pedestalKnobMin = 50;
            values.pedestalKnobMax = 200;
            break;
        case Uncalibrated:
            break;
        }
        core.decoders().load(values);
    }
    // What the row sent: its frames, then what reached the simulator.
    std::vector<std::string> sent(const Row& row) {
        std::vector<std::string> out;
        for (const auto& [panel, bytes] : panels.written) {
            if (panel == Panel::StandbyGauges || bytes.size() != 4) continue;
            // The compass is redrawn with every sample: only its own rows look at it.
            const bool compass = panel == Panel::SwitchPanel && (bytes[2] == 0x06 || bytes[2] == 0x07);
            if (compass && row.variable != kCompass) continue;
            out.push_back(formatText("%s %02X %02X", panel == Panel::Pedestal ? "ped" : "sw", bytes[2], bytes[3]));
        }
        for (const std::string& line : bench.takeReports()) {
            if (line.rfind("event ", 0) == 0) out.push_back(line.substr(6));
            if (line.rfind("setdata ", 0) == 0) out.push_back(line);
        }
        return out;
    }
};

TEST_P(PanelRowsTest, EachInputOrSimulatorValueSendsExactlyItsRow) {
    const bool older = GetParam() < 11;
    core.simLink().panelDrive().flapIndicatorLow = 20;
    core.simLink().panelDrive().flapIndicatorHigh = 220;
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const Row& row = kRows[i];
        if ((row.generation == Older && !older) || (row.generation == Newer && older)) continue;
        given(row.given);
        if (row.variable != nullptr && row.from != Sim) bench.setValue(row.variable, row.state);
        tick(8);  // the state sampled, what earlier rows sent settled, the trim wheel heard again
        if (row.from == Sim) {
            bench.setValue(row.variable, row.state);
            tick();  // brings the last sample from before it
        }
        panels.written.clear();
        bench.takeReports();
        const auto code = static_cast<std::uint8_t>(row.code);
        const auto value = static_cast<std::uint8_t>(row.value);
        if (row.from == Sw) switchFrame(code, value);
        if (row.from == Ped) pedestalFrame(code, value);
        if (row.from == Stby) core.decoders().onStandbyByte(code);
        tick();
        EXPECT_EQ(sent(row), row.sends) << "row " << i << ": " << row.code << " " << row.value << ", "
                                        << (row.variable != nullptr ? row.variable : "-") << " " << row.state;
    }
}

INSTANTIATE_TEST_SUITE_P(OlderAndNewerSimulator, PanelRowsTest, ::testing::Values(10u, 11u));

// What a switch-panel input sends to a panel goes only to a connected one (the
// rows above see the same inputs reach connected panels).
TEST_F(PanelDecodersTest, InputsReachOnlyConnectedPanels) {
    for (bool& c : panels.connected) c = false;
    core.simLink().gaugeLine().setPanelBrightness(7);
    switchFrame(1, 5);    // standby battery test: 01 to the switch panel
    switchFrame(14, 90);  // backlight: FD to the switch panel
    switchFrame(15, 91);  // standby gauges' brightness
    switchFrame(16, 92);  // pedestal backlight: 0A to the pedestal
    EXPECT_TRUE(panels.written.empty());
    EXPECT_EQ(core.simLink().gaugeLine().panelBrightness(), 7);
}

class OlderSimulatorDecodersTest : public PanelDecodersTest {
protected:
    OlderSimulatorDecodersTest() : PanelDecodersTest(10) {}
};

TEST_F(OlderSimulatorDecodersTest, OneAvionicsToggleForTwoBusSwitchesMovedTogether) {
    switchFrame(4, 1);  // master off in the simulator: toggle, and ignore bus 2's echo
    switchFrame(5, 1);
    EXPECT_EQ(simulatorSaw(), std::vector<std::string>{"event TOGGLE_AVIONICS_MASTER 0 1"});
}

TEST_F(PanelDecodersTest, BreakersAndGoAround) {
    controls.setChecked(1015, false);
    switchFrame(21, 0);
    EXPECT_TRUE(controls.isChecked(1015));
    switchFrame(21, 1);
    EXPECT_FALSE(controls.isChecked(1015));
    EXPECT_TRUE(framesTo(Panel::SwitchPanel).empty());  // no reset went back to the panel

    switchFrame(80, 0);
    switchFrame(80, 1);  // no tablet: nothing
    connectTablet(kTablet);
    switchFrame(80, 1);
    ASSERT_EQ(sender.sent.size(), 1u);
    EXPECT_EQ(sender.sent[0].text, "ClientAv|GA=1");

}

TEST_F(PanelDecodersTest, SimulatorTrimMovesTheIndicatorAndTheWheelWaitsFiveSamples) {
    bench.setValue("ELEVATOR TRIM PCT", 0.5);
    tick(2);
    EXPECT_EQ(framesTo(Panel::Pedestal), (std::vector<Frame>{{0xFF, 0xFF, 0x0B, 191}}));
    EXPECT_EQ(core.simLink().panelDrive().trimSettleCount, 5);
    bench.takeReports();
    int ignored = 0;
    while (core.simLink().panelDrive().trimSettleCount > 0 && ignored < 10) {
        pedestalFrame(94, 191);
        EXPECT_TRUE(simulatorSaw().empty());  // each also brings one sample
        ++ignored;
    }
    EXPECT_EQ(ignored, 5);
    pedestalFrame(94, 192);
    EXPECT_EQ(simulatorSaw().size(), 1u);
}

// The standby gauges' and the avionics' knobs set brightnesses that the gauge
// line and the tablet's message carry; a range the wizard publishes counts at
// once, and a knob being calibrated feeds the wizard only.
TEST_F(PanelDecodersTest, KnobsSetTheBrightnessesOrFeedTheWizard) {
    switchFrame(15, 77);
    EXPECT_EQ(core.simLink().gaugeLine().panelBrightness(), 77);
    switchFrame(17, 33);  // no tablet: kept as it was
    EXPECT_EQ(core.simLink().composer().avionicsBrightness(), 0);
    connectTablet(kTablet);
    core.calibrationState().knobRange[3] = {200, 50};
    switchFrame(17, 125);
    EXPECT_EQ(core.simLink().composer().avionicsBrightness(), 127);

    std::vector<std::pair<int, int>> sampled;
    core.calibrationState().feedKnobRange = [&](int knob, std::uint8_t raw) { sampled.push_back({knob, raw}); };
    core.calibrationState().knobCalibrating[0] = true;
    panels.written.clear();
    switchFrame(14, 42);
    EXPECT_EQ(sampled, (std::vector<std::pair<int, int>>{{0, 42}}));
    EXPECT_TRUE(panels.written.empty());
}

// A sample moves the flaps needle, then the rose, then reads what the switch
// panel answered and decodes it at once.
TEST_F(PanelDecodersTest, SampleDrivesFlapsThenCompassThenReadsTheSwitchPanel) {
    core.simLink().panelDrive().flapIndicatorSent = 100.0f;  // as on connecting
    std::vector<std::string> order;
    panels.onWrite = [&](Panel to) {
        if (to == Panel::SwitchPanel) order.push_back(formatText("%02X", panels.written.back().second[2]));
    };
    panels.onInlineRead = [&](Panel from) {
        order.push_back(from == Panel::SwitchPanel ? "read 255" : "read elsewhere");
        EXPECT_EQ(panels.inlineReads.back().second, 255u);
        switchFrame(21, 0);
    };
    tick(2);
    order.resize(std::min<std::size_t>(order.size(), 4));
    EXPECT_EQ(order, (std::vector<std::string>{"80", "06", "07", "read 255"}));
    EXPECT_TRUE(controls.isChecked(1015));
}

TEST_F(PanelDecodersTest, CompassOffsetIsSentOnceTheBreakersAreReported) {
    core.simLink().panelDrive().compassOffset = -123;
    switchFrame(59, 1);
    EXPECT_TRUE(framesTo(Panel::SwitchPanel).empty());
    switchFrame(60, 1);
    EXPECT_EQ(framesTo(Panel::SwitchPanel), (std::vector<Frame>{{0xFF, 0xFF, 0x04, 123}}));
    EXPECT_TRUE(core.simLink().panelDrive().compassSettlePending);
    switchFrame(61, 1);  // sent once per connection
    EXPECT_EQ(framesTo(Panel::SwitchPanel).size(), 1u);

    // A turn and more is reduced to its remainder and sent in steps the panel adds up,
    // once the next connection's panel reports its breakers.
    panels.written.clear();
    core.decoders().onSwitchPanelDisconnected();
    core.simLink().panelDrive().compassOffset = 3600 + 300;
    switchFrame(21, 0);
    EXPECT_TRUE(framesTo(Panel::SwitchPanel).empty());
    switchFrame(60, 1);
    EXPECT_EQ(framesTo(Panel::SwitchPanel), (std::vector<Frame>{{0xFF, 0xFF, 0x03, 255}, {0xFF, 0xFF, 0x03, 45}}));

    panels.written.clear();
    core.decoders().onSwitchPanelDisconnected();
    core.simLink().panelDrive().compassOffset = INT32_MIN;
    switchFrame(60, 1);
    int total = 0;
    for (const Frame& f : framesTo(Panel::SwitchPanel)) {
        EXPECT_EQ(f[2], 0x04);
        total += f[3];
    }
    EXPECT_EQ(total, 848);  // -2147483648 tenths is 596523 turns and 848 tenths back
}

TEST_F(PanelDecodersTest, CompassOffsetReportedBeforeTheSimulatorWaitsForIt) {
    core.sim().connected = false;  // the panels came up first
    core.simLink().panelDrive().compassOffset = 70;
    switchFrame(60, 1);
    core.decoders().onSimulatorTick();
    EXPECT_TRUE(framesTo(Panel::SwitchPanel).empty());
    core.sim().connected = true;
    core.decoders().onSimulatorTick();
    core.decoders().onSimulatorTick();
    EXPECT_EQ(framesTo(Panel::SwitchPanel), (std::vector<Frame>{{0xFF, 0xFF, 0x03, 70}}));
}

TEST_F(PanelDecodersTest, CompassOffsetEndsWith0500AfterThirtyFiveCallbacks) {
    core.simLink().panelDrive().compassOffset = 50;
    switchFrame(60, 1);
    panels.written.clear();
    const Frame end{0xFF, 0xFF, 0x05, 0x00};
    SIMCONNECT_RECV nothing{};
    nothing.dwSize = sizeof nothing;
    nothing.dwID = SIMCONNECT_RECV_ID_NULL;
    for (int callback = 1; callback <= 34; ++callback) core.simLink().onMessage(&nothing, sizeof nothing);
    EXPECT_TRUE(framesTo(Panel::SwitchPanel).empty());
    core.simLink().onMessage(&nothing, sizeof nothing);
    EXPECT_EQ(framesTo(Panel::SwitchPanel), std::vector<Frame>{end});
    EXPECT_FALSE(core.simLink().panelDrive().compassSettlePending);
}

// Whatever a broken or hostile panel sends, cut into frames as the port
// would: nothing crashes, only breaker boxes change, and every frame the
// bridge writes back is a whole one.
TEST_F(PanelDecodersTest, RandomStreamsFromEveryPanelAreHandledWithinBounds) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    connectTablet(kTablet);
    std::map<int, testing::FakeControls::State> before = controls.states;
    FrameParser switchParser, pedestalParser;
    for (int round = 0; round < 40; ++round) {
        // Calibration flags as the wizard may leave them at any moment.
        CalibrationState& wizard = core.calibrationState();
        wizard.leverCalibrating = byte(random) < 64;
        wizard.leverLive = byte(random) < 192;
        for (bool& knob : wizard.knobCalibrating) knob = byte(random) < 32;
        for (KnobRange& range : wizard.knobRange) {
            range = {static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random))};
        }
        std::vector<std::uint8_t> stream(512);
        for (auto& b : stream) b = static_cast<std::uint8_t>(byte(random) < 90 ? 0xFF : byte(random));
        switchParser.feed(stream, [&](PanelFramePair frame) { core.decoders().onSwitchFrame(frame); });
        pedestalParser.feed(stream, [&](PanelFramePair frame) { core.decoders().onPedestalFrame(frame); });
        for (const std::uint8_t b : stream) core.decoders().onStandbyByte(b);
        tick();
    }
    for (const auto& [id, state] : controls.states) {
        const bool breaker = id >= ids::kFirstBreaker && id <= ids::kLastBreaker;
        if (!breaker && before.count(id) != 0) {
            EXPECT_EQ(state.checked, before[id].checked) << id;
        }
    }
    for (const auto& [panel, bytes] : panels.written) {
        if (panel == Panel::StandbyGauges) continue;
        ASSERT_EQ(bytes.size(), 4u);
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1], 0xFF);
    }
    for (const std::string& line : bench.takeReports()) EXPECT_NE(line.rfind("exception", 0), 0u) << line;
}

}  // namespace
}  // namespace brelvik
