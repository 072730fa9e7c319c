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
#include "sim/sim_event_table.h"
#include "support/core_harness.h"

namespace brelvik {
namespace {

using Frame = std::vector<std::uint8_t>;
const std::string kTablet = "127.0.0.5";

TEST(ScaleKnob, MapsTheCalibratedRangeOnto0To255) {
    EXPECT_EQ(ScaleKnob(50, 200, 50), 0);
    EXPECT_EQ(ScaleKnob(52, 200, 50), 0);  // below 2 % of the range
    EXPECT_EQ(ScaleKnob(125, 200, 50), 127);
    EXPECT_EQ(ScaleKnob(250, 200, 50), 255);
    EXPECT_EQ(ScaleKnob(10, 200, 50), 0);
    // A range of nothing divides by nothing: full above it, dark at or below.
    EXPECT_EQ(ScaleKnob(90, 80, 80), 255);
    EXPECT_EQ(ScaleKnob(80, 80, 80), 0);
    EXPECT_EQ(ScaleKnob(0, 0, 0), 0);
}

TEST(FlapsLever, QuartersOfTheRangeGiveTheFourPositions) {
    struct Case {
        std::uint8_t raw;
        DWORD event;
    };
    // 50..200: q = 37, thresholds 161, 124, 87.
    for (const Case c : {Case{255, sim_events::kFlapsUp}, Case{161, sim_events::kFlapsUp},
                         Case{160, sim_events::kFlaps1}, Case{124, sim_events::kFlaps1},
                         Case{123, sim_events::kFlaps2}, Case{87, sim_events::kFlaps2},
                         Case{86, sim_events::kFlaps3}, Case{0, sim_events::kFlaps3}}) {
        EXPECT_EQ(flapsEventForLever(c.raw, 50, 200), c.event) << int(c.raw);
    }
    // A reversed range wraps in eight bits as the panel always did: q = -37,
    // a byte of 219, so t3 = 89 and the lower thresholds are never reached.
    for (const Case c : {Case{0, sim_events::kFlaps3}, Case{88, sim_events::kFlaps3}, Case{89, sim_events::kFlapsUp},
                         Case{255, sim_events::kFlapsUp}}) {
        EXPECT_EQ(flapsEventForLever(c.raw, 200, 50), c.event) << int(c.raw);
    }
}

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

    // A frame and what it must send, for rows whose event may depend on the
    // simulator's own state: that state (unless `variable` is null) is set in
    // the bench simulator and sampled back before the frame.
    struct StateRow {
        bool pedestal;
        std::uint8_t code, value;
        const char* variable;
        double state;
        const char* event;  // "NAME DATA PRIORITY"; nullptr: nothing
    };
    void expectStateRows(std::initializer_list<StateRow> rows) {
        for (const StateRow& row : rows) {
            if (row.variable != nullptr) {
                bench.setValue(row.variable, row.state);
                tick(3);
                bench.takeReports();
            }
            if (row.pedestal) {
                pedestalFrame(row.code, row.value);
            } else {
                switchFrame(row.code, row.value);
            }
            const auto expected = row.event != nullptr ? std::vector<std::string>{std::string("event ") + row.event}
                                                       : std::vector<std::string>{};
            EXPECT_EQ(simulatorSaw(), expected) << (row.pedestal ? "pedestal " : "switch ") << int(row.code) << " "
                                                << int(row.value) << " with " << (row.variable ? row.variable : "-");
        }
    }
    // The rows of the switch panel and pedestal tables whose event does not
    // depend on the simulator's state or generation: each value, and one the
    // row ignores.
    void expectTheNamedEventRows() {
        expectStateRows({
            {false, 7, 1, nullptr, 0, "LANDING_LIGHTS_ON 0 1"},    {false, 7, 0, nullptr, 0, "LANDING_LIGHTS_OFF 0 1"},
            {false, 7, 2, nullptr, 0, nullptr},                    {false, 10, 1, nullptr, 0, "STROBES_ON 0 1"},
            {false, 10, 0, nullptr, 0, "STROBES_OFF 0 1"},         {false, 10, 2, nullptr, 0, nullptr},
            {false, 12, 1, nullptr, 0, "PITOT_HEAT_ON 0 1"},       {false, 12, 0, nullptr, 0, "PITOT_HEAT_OFF 0 1"},
            {false, 12, 2, nullptr, 0, nullptr},                   {false, 18, 0, nullptr, 0, "MAGNETO_OFF 0 1"},
            {false, 18, 1, nullptr, 0, "MAGNETO_RIGHT 0 1"},       {false, 18, 2, nullptr, 0, "MAGNETO_LEFT 0 1"},
            {false, 18, 3, nullptr, 0, "MAGNETO_BOTH 0 1"},        {false, 18, 4, nullptr, 0, "MAGNETO_START 0 1"},
            {false, 18, 5, nullptr, 0, nullptr},                   {false, 13, 1, nullptr, 0, nullptr},
            {true, 96, 0, nullptr, 0, "FUEL_SELECTOR_ALL 0 1"},    {true, 96, 1, nullptr, 0, "FUEL_SELECTOR_LEFT 0 1"},
            {true, 96, 2, nullptr, 0, "FUEL_SELECTOR_RIGHT 0 1"},  {true, 96, 3, nullptr, 0, nullptr},
            {true, 97, 1, nullptr, 0, nullptr},
        });
    }

    // The rows both generations share.
    void expectSharedStateRows() {
        expectStateRows({
            {false, 81, 1, "ALTERNATE STATIC SOURCE OPEN", 0, "TOGGLE_ALTERNATE_STATIC 0 1900000000"},
            {false, 81, 1, "ALTERNATE STATIC SOURCE OPEN", 1, nullptr},
            {false, 81, 0, "ALTERNATE STATIC SOURCE OPEN", 1, "TOGGLE_ALTERNATE_STATIC 0 1900000000"},
            {false, 87, 1, "BRAKE PARKING POSITION", 1, "PARKING_BRAKES 0 1"},
            {false, 87, 0, "BRAKE PARKING POSITION", 1, nullptr},
            {false, 87, 0, "BRAKE PARKING POSITION", 0, "PARKING_BRAKES 0 1"},
            {false, 87, 1, "BRAKE PARKING POSITION", 0, nullptr},
            {true, 95, 0, "GENERAL ENG FUEL VALVE:1", 0, "TOGGLE_FUEL_VALVE_ALL 0 1"},
            {true, 95, 1, "GENERAL ENG FUEL VALVE:1", 0, nullptr},
            {true, 95, 1, "GENERAL ENG FUEL VALVE:1", 1, "TOGGLE_FUEL_VALVE_ALL 0 1"},
            {true, 95, 0, "GENERAL ENG FUEL VALVE:1", 1, nullptr},
            {true, 95, 2, "GENERAL ENG FUEL VALVE:1", 1, nullptr},
        });
    }

    testing::FakePanelOutput panels;
};

TEST_F(PanelDecodersTest, SwitchAndPedestalRowsSendTheirNamedEvents) { expectTheNamedEventRows(); }

TEST_F(PanelDecodersTest, RowsThatDependOnTheSimulatorsState) {
    expectSharedStateRows();
    // The newer simulator gets the taxi light and the fuel pump whatever its state.
    expectStateRows({{false, 8, 1, "LIGHT TAXI", 1, "MobiFlight.TAXI_LIGHTS_ON 0 1"},
                     {false, 8, 0, "LIGHT TAXI", 0, "MobiFlight.TAXI_LIGHTS_OFF 0 1"},
                     {false, 11, 1, "GENERAL ENG FUEL PUMP SWITCH:1", 1, "MobiFlight.Fuel_Pump_Switch_On 0 1"},
                     {false, 11, 0, "GENERAL ENG FUEL PUMP SWITCH:1", 0, "MobiFlight.Fuel_Pump_Switch_Off 0 1"}});
}

// What a switch-panel input sends to a panel goes only to a connected one (the
// knob test below sees the same inputs reach connected panels).
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

TEST_F(OlderSimulatorDecodersTest, SwitchAndPedestalRowsSendTheSameNamedEvents) { expectTheNamedEventRows(); }

TEST_F(OlderSimulatorDecodersTest, BatteriesAlternatorAndLightsWriteTheElectricalBlock) {
    switchFrame(2, 1);
    EXPECT_EQ(core.decoders().electricalBlock(), (std::array<std::int32_t, 4>{0, 1, 0, 0}));
    ASSERT_EQ(simulatorSaw().size(), 1u);
    switchFrame(0, 1);
    switchFrame(2, 0);  // the standby battery still powers the bus
    EXPECT_EQ(core.decoders().electricalBlock()[1], 1);
    switchFrame(3, 1);
    switchFrame(6, 1);
    switchFrame(9, 1);
    EXPECT_EQ(core.decoders().electricalBlock(), (std::array<std::int32_t, 4>{1, 1, 1, 1}));
    const auto saw = simulatorSaw();
    EXPECT_EQ(saw.size(), 5u);
    for (const std::string& line : saw) EXPECT_EQ(line.rfind("setdata 3 ", 0), 0u) << line;
    // Out of range: nothing at all, not even for an avionics master that is off.
    bench.setValue("AVIONICS MASTER SWITCH", 0);
    tick(3);
    bench.takeReports();
    switchFrame(0, 7);
    switchFrame(4, 2);
    EXPECT_TRUE(simulatorSaw().empty());
}

TEST_F(OlderSimulatorDecodersTest, RowsThatDependOnTheSimulatorsStateToo) {
    expectSharedStateRows();
    // The older simulator's taxi light and fuel pump toggle only where they differ.
    expectStateRows({{false, 8, 1, "LIGHT TAXI", 1, nullptr},
                     {false, 8, 0, "LIGHT TAXI", 1, "TOGGLE_TAXI_LIGHTS 0 1"},
                     {false, 11, 1, "GENERAL ENG FUEL PUMP SWITCH:1", 0, "FUEL_PUMP 0 1"},
                     {false, 11, 0, "GENERAL ENG FUEL PUMP SWITCH:1", 0, nullptr}});
}

TEST_F(OlderSimulatorDecodersTest, OneAvionicsToggleForTwoBusSwitchesMovedTogether) {
    switchFrame(4, 1);  // master off in the simulator: toggle, and ignore bus 2's echo
    switchFrame(5, 1);
    EXPECT_EQ(simulatorSaw(), std::vector<std::string>{"event TOGGLE_AVIONICS_MASTER 0 1"});
}

// The newer simulator gets an on/off event for each switch, both ways, and
// never the older one's electrical block; the test switch is echoed to the panel.
TEST_F(PanelDecodersTest, NewerSimulatorGetsItsSwitchEventsAndNoElectricalBlock) {
    expectStateRows({
        {false, 0, 1, nullptr, 0, "MobiFlight.C_172_STBYBATTERY_ON 0 1"},
        {false, 0, 0, nullptr, 0, "MobiFlight.C_172_STBYBATTERY_OFF 0 1"},
        {false, 0, 2, nullptr, 0, nullptr},
        {false, 1, 5, nullptr, 0, "MobiFlight.C_172_STBYBATTERY_TEST_ON 0 1"},
        {false, 1, 0, nullptr, 0, "MobiFlight.C_172_STBYBATTERY_TEST_OFF 0 1"},
        {false, 2, 1, nullptr, 0, "MobiFlight.C172_BATTERY_ON 0 1"},
        {false, 2, 0, nullptr, 0, "MobiFlight.C172_BATTERY_OFF 0 1"},
        {false, 2, 2, nullptr, 0, nullptr},
        {false, 3, 7, nullptr, 0, "MobiFlight.C172_ALTERNATOR_ON 0 1"},
        {false, 3, 0, nullptr, 0, "MobiFlight.C172_ALTERNATOR_OFF 0 1"},
        {false, 4, 1, nullptr, 0, "MobiFlight.C_172_AVIONICS_BUS_1_ON 0 1"},
        {false, 4, 0, nullptr, 0, "MobiFlight.C_172_AVIONICS_BUS_1_OFF 0 1"},
        {false, 4, 2, nullptr, 0, nullptr},
        {false, 5, 1, nullptr, 0, "MobiFlight.C_172_AVIONICS_BUS_2_ON 0 1"},
        {false, 5, 0, nullptr, 0, "MobiFlight.C_172_AVIONICS_BUS_2_OFF 0 1"},
        {false, 6, 1, nullptr, 0, "MobiFlight.BEACON_LIGHTS_ON 0 1"},
        {false, 6, 0, nullptr, 0, "MobiFlight.BEACON_LIGHTS_OFF 0 1"},
        {false, 9, 1, nullptr, 0, "MobiFlight.NAV_LIGHTS_ON 0 1"},
        {false, 9, 0, nullptr, 0, "MobiFlight.NAV_LIGHTS_OFF 0 1"},
    });
    const auto frames = framesTo(Panel::SwitchPanel);
    EXPECT_NE(std::find(frames.begin(), frames.end(), Frame{0xFF, 0xFF, 0x01, 0x05}), frames.end());
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

TEST_F(PanelDecodersTest, StandbyLettersTurnTheCardsAndTheObs) {
    for (const char c : std::string("ABCDEFGQ\n")) core.decoders().onStandbyByte(static_cast<std::uint8_t>(c));
    EXPECT_EQ(simulatorSaw(),
              (std::vector<std::string>{"event ADF_CARD_INC 0 1", "event ADF_CARD_DEC 0 1", "event VOR1_OBI_INC 0 1",
                                        "event VOR1_OBI_DEC 0 1", "event VOR2_OBI_INC 0 1",
                                        "event VOR2_OBI_DEC 0 1"}));
}

TEST_F(PanelDecodersTest, PedestalTrimWheel) {
    pedestalFrame(94, 128);
    EXPECT_EQ(core.simLink().panelDrive().trimIndicator, 0.0f);
    pedestalFrame(94, 0);
    pedestalFrame(94, 255);
    EXPECT_EQ(simulatorSaw(), (std::vector<std::string>{"event AXIS_ELEV_TRIM_SET -1 1900000000",
                                                         "event AXIS_ELEV_TRIM_SET 16383 1900000000",
                                                         "event AXIS_ELEV_TRIM_SET -16257 1900000000"}));
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

TEST_F(PanelDecodersTest, KnobsLightThePanelsAndSetTheBrightnesses) {
    switchFrame(14, 100);  // no calibration: raw
    switchFrame(16, 60);
    core.calibrationState().knobRange[2] = {200, 50};  // published by the wizard
    switchFrame(16, 125);
    EXPECT_EQ(framesTo(Panel::SwitchPanel), (std::vector<Frame>{{0xFF, 0xFF, 0xFD, 100}}));
    EXPECT_EQ(framesTo(Panel::Pedestal), (std::vector<Frame>{{0xFF, 0xFF, 0x0A, 60}, {0xFF, 0xFF, 0x0A, 127}}));
    switchFrame(15, 77);
    EXPECT_EQ(core.simLink().gaugeLine().panelBrightness(), 77);
    switchFrame(17, 33);  // no tablet: kept as it was
    EXPECT_EQ(core.simLink().composer().avionicsBrightness(), 0);
    connectTablet(kTablet);
    core.calibrationState().knobRange[3] = {200, 50};
    switchFrame(17, 125);  // the wizard's range counts at once
    EXPECT_EQ(core.simLink().composer().avionicsBrightness(), 127);
    // Its ends: full at the maximum, dark just above the minimum (under 2 %).
    switchFrame(17, 200);
    EXPECT_EQ(core.simLink().composer().avionicsBrightness(), 255);
    switchFrame(17, 52);
    EXPECT_EQ(core.simLink().composer().avionicsBrightness(), 0);

    std::vector<std::pair<int, int>> sampled;
    core.calibrationState().feedKnobRange = [&](int knob, std::uint8_t raw) { sampled.push_back({knob, raw}); };
    core.calibrationState().knobCalibrating[0] = true;
    panels.written.clear();
    switchFrame(14, 42);
    EXPECT_EQ(sampled, (std::vector<std::pair<int, int>>{{0, 42}}));
    EXPECT_TRUE(panels.written.empty());
}

TEST_F(PanelDecodersTest, LeverSetsFlapsEveryTimeUnlessItIsBeingCalibrated) {
    switchFrame(19, 200);
    switchFrame(19, 200);
    EXPECT_EQ(simulatorSaw(), (std::vector<std::string>{"event FLAPS_UP 0 1", "event FLAPS_UP 0 1"}));

    CalibrationState& wizard = core.calibrationState();
    int ready = 0;
    wizard.leverRangeReady = [&] { ++ready; };
    wizard.leverCalibrating = true;
    wizard.leverLive = false;
    wizard.leverMax = wizard.leverMin = 128;
    for (const std::uint8_t raw : {128, 60, 160}) switchFrame(19, raw);
    EXPECT_EQ(ready, 0);  // a range of exactly 100
    switchFrame(19, 200);
    EXPECT_EQ(wizard.leverMin, 60);
    EXPECT_EQ(wizard.leverMax, 200);
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(core.decoders().lastLeverValue(), 200);
    EXPECT_TRUE(simulatorSaw().empty());
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

TEST_F(PanelDecodersTest, SimulatorDrivesFlapsIndicatorAndCompassThenReadsThePanel) {
    core.simLink().panelDrive().flapIndicatorSent = 100.0f;  // as on connecting
    core.simLink().panelDrive().flapIndicatorLow = 20;
    core.simLink().panelDrive().flapIndicatorHigh = 220;
    panels.onInlineRead = [&](Panel) { switchFrame(21, 0); };  // the panel's answer
    tick(2);
    const auto frames = framesTo(Panel::SwitchPanel);
    const auto tenths = [&](bool reversed) {
        const float h = static_cast<float>(core.simLink().compassHeading());
        return static_cast<int>((reversed ? 360.0f - h : h) * 10);
    };
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Frame{0xFF, 0xFF, 0x80, 20}));  // flaps up
    EXPECT_EQ(frames[1][2], 0x06);
    EXPECT_EQ(frames[2][2], 0x07);
    EXPECT_EQ(frames[1][3] * 256 + frames[2][3], tenths(false));
    EXPECT_GT(tenths(false), 0);
    ASSERT_FALSE(panels.inlineReads.empty());
    EXPECT_EQ(panels.inlineReads[0], (std::pair<Panel, std::size_t>{Panel::SwitchPanel, 255}));
    EXPECT_TRUE(controls.isChecked(1015));

    panels.written.clear();
    core.calibrationState().compassReversed = true;
    tick();
    const auto reversed = framesTo(Panel::SwitchPanel);
    ASSERT_EQ(reversed.size(), 2u);  // the flaps have not moved
    EXPECT_EQ(reversed[0][3] * 256 + reversed[1][3], tenths(true));
}

// Tenths of a degree as the panel shows them, from the simulator's compass.
TEST_F(PanelDecodersTest, CompassHeadingIsSentInTenthsOfADegree) {
    struct Case {
        double degrees;
        bool reversed;
        Frame high, low;
    };
    for (const Case& c : {Case{12.3, false, {0xFF, 0xFF, 0x06, 0x00}, {0xFF, 0xFF, 0x07, 0x7B}},
                         Case{0.7, false, {0xFF, 0xFF, 0x06, 0x00}, {0xFF, 0xFF, 0x07, 0x07}},
                         Case{359.9, false, {0xFF, 0xFF, 0x06, 0x0E}, {0xFF, 0xFF, 0x07, 0x0F}},
                         Case{0.1, true, {0xFF, 0xFF, 0x06, 0x0E}, {0xFF, 0xFF, 0x07, 0x0F}}}) {
        core.calibrationState().compassReversed = c.reversed;
        bench.setValue("WISKEY COMPASS INDICATION DEGREES", c.degrees);
        tick();
        panels.written.clear();
        tick();
        std::vector<Frame> compass;
        for (const Frame& f : framesTo(Panel::SwitchPanel)) {
            if (f[2] == 0x06 || f[2] == 0x07) compass.push_back(f);
        }
        EXPECT_EQ(compass, (std::vector<Frame>{c.high, c.low})) << c.degrees << (c.reversed ? " reversed" : "");
    }
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
