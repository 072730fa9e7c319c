// Tablet avionics operations reaching the simulator, and simulator-side changes
// echoed back instead of being overwritten.
#include <cmath>
#include <limits>

#include "unit/avionics_fixture.h"

namespace brelvik::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string event(const std::string& name, long long data, long long group = 1900000000) {
    return "event " + name + " " + std::to_string(data) + " " + std::to_string(group);
}

std::vector<std::string> repeat(int count, const std::string& line) { return std::vector<std::string>(count, line); }

std::vector<std::string> engageSequence() {
    std::vector<std::string> out;
    for (const char* name : {"AUTOPILOT_ON", "AP_ATT_HOLD_OFF", "AP_LOC_HOLD_OFF", "AP_APR_HOLD_OFF", "AP_HDG_HOLD_OFF",
                             "AP_ALT_HOLD_OFF", "AP_WING_LEVELER_OFF", "AP_BC_HOLD_OFF", "AP_NAV1_HOLD_OFF",
                             "AP_AIRSPEED_OFF", "AP_MACH_OFF"}) {
        out.push_back(event(name, 0));
    }
    return out;
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The first message of a connection, from start-up values: everything applies.
struct ApplyCase {
    const char* fields;
    std::vector<std::string> events;
};

class AvionicsApply : public AvionicsTableTest<ApplyCase> {};

TEST_P(AvionicsApply, FirstMessageTransmits) {
    serverAv(GetParam().fields);
    EXPECT_EQ(simReports(), GetParam().events);
    EXPECT_THAT(replies(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AvionicsApply,
    ::testing::Values(
        ApplyCase{"HPA=16210", {event("KOHLSMAN_SET", 16210)}},
        ApplyCase{"COM1=118250", {event("COM_RADIO_SET", 0x11825)}},
        ApplyCase{"COM1=118255", {event("COM_STBY_RADIO_SWAP", 0)}},  // 8.33 kHz channel
        ApplyCase{"COM1S=118255", {event("COM_STBY_RADIO_SET", 0x11825), event("COM_RADIO_FRACT_INC", 0)}},
        ApplyCase{"COM1S=121000", {event("COM_STBY_RADIO_SET", 0x12100)}},
        ApplyCase{"COM2=132085", {event("COM2_RADIO_SWAP", 0)}},
        ApplyCase{"COM2=132080", {event("COM2_RADIO_SET", 0x13208)}},
        ApplyCase{"COM2S=127015", {event("COM2_STBY_RADIO_SET", 0x12701), event("COM2_RADIO_FRACT_INC", 0)}},
        ApplyCase{"COM1=2", {}},  // below the 3 kHz step from the start value 0
        ApplyCase{"NAV1=11030", {event("NAV1_RADIO_SET", 0x11030)}},
        ApplyCase{"NAV1S=11595", {event("NAV1_STBY_SET", 0x11595)}},
        ApplyCase{"NAV2=10800", {event("NAV2_RADIO_SET", 0x10800)}},
        ApplyCase{"NAV2S=11710", {event("NAV2_STBY_SET", 0x11710)}},
        ApplyCase{"DME=0", {event("DME_SELECT", 1)}},
        ApplyCase{"DME=1", {event("DME_SELECT", 2)}},
        ApplyCase{"DME=2", {}},
        ApplyCase{"ADF=3505000", {event("ADF_COMPLETE_SET", 0x3505000)}},
        ApplyCase{"XPDR=4608", {event("XPNDR_SET", 4608)}},
        ApplyCase{"SHDG=270", {event("HEADING_BUG_SET", 270)}},
        ApplyCase{"SCRS1=90", {event("VOR1_SET", 90)}},
        ApplyCase{"SCRS2=181", {event("VOR2_SET", 181)}},
        ApplyCase{"VS=-500", {event("AP_VS_VAR_SET_ENGLISH", -500)}},
        ApplyCase{"VS=-10000", {}},
        ApplyCase{"SPD=110", {event("AP_SPD_VAR_SET", 110)}},
        ApplyCase{"SPD=-10000", {}},
        ApplyCase{"CS=1", {event("COM1_TRANSMIT_SELECT", 0)}},
        ApplyCase{"CS=2", {}},  // same as the start values
        ApplyCase{"CS=3", {event("COM1_TRANSMIT_SELECT", 0), event("COM_RECEIVE_ALL_SET", 1)}},
        ApplyCase{"CS=4", {event("COM_RECEIVE_ALL_SET", 1)}},
        ApplyCase{"CS=7", {}},
        ApplyCase{"AS=1",
                  {event("MARKER_SOUND_TOGGLE", 0), event("RADIO_DME1_IDENT_SET", 0), event("RADIO_ADF_IDENT_SET", 0),
                   event("RADIO_VOR1_IDENT_SET", 0), event("RADIO_VOR2_IDENT_SET", 0)}},
        ApplyCase{"AS=26",
                  {event("RADIO_DME1_IDENT_SET", 1), event("RADIO_ADF_IDENT_SET", 0), event("RADIO_VOR1_IDENT_SET", 1),
                   event("RADIO_VOR2_IDENT_SET", 1)}},
        ApplyCase{"UKP=47", {}},
        ApplyCase{"UKM=56", {}},
        ApplyCase{"XPDR=abc", {event("XPNDR_SET", 0)}},
        ApplyCase{"LIGHTS=1", {}},
        ApplyCase{"NAV1=11030|SHDG=90|DME=2|VS=700",
                  {event("NAV1_RADIO_SET", 0x11030), event("HEADING_BUG_SET", 90), event("AP_VS_VAR_SET_ENGLISH", 700)}}));

// Only the SALT row depends on the simulator generation; the older one sets the target at once.
class AvionicsApplyOlderSimulator : public AvionicsApply {
protected:
    void SetUp() override {
        AvionicsApply::SetUp();
        sim.versionMajor = 10;
    }
};
TEST_P(AvionicsApplyOlderSimulator, FirstMessageTransmits) {
    serverAv(GetParam().fields);
    EXPECT_EQ(simReports(), GetParam().events);
}
INSTANTIATE_TEST_SUITE_P(Altitude, AvionicsApplyOlderSimulator,
                         ::testing::Values(ApplyCase{"SALT=5500", {event("AP_ALT_VAR_SET_ENGLISH", 5500, 1)}},
                                           ApplyCase{"SALT=-200", {event("AP_ALT_VAR_SET_ENGLISH", -200, 1)}}));

// After the first message, a value the pilot changed in the simulator goes back
// to the tablet, and the simulator is left alone.
struct EchoCase {
    const char* field;
    const char* variable;
    double pilotValue;
    const char* reply;
};

class AvionicsEcho : public AvionicsTableTest<EchoCase> {};

TEST_P(AvionicsEcho, PilotChangeIsEchoedNotOverwritten) {
    const EchoCase& c = GetParam();
    serverAv(c.field);
    feedRadioSample();
    pilotSets(c.variable, c.pilotValue);
    simReports();
    serverAv(c.field);
    EXPECT_THAT(replies(), ElementsAre(c.reply));
    EXPECT_THAT(simReports(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AvionicsEcho,
    ::testing::Values(EchoCase{"HPA=16210", "KOHLSMAN SETTING MB", 1020.4, "ClientAv|HPA=1020"},
                      EchoCase{"COM1=118250", "COM ACTIVE FREQUENCY:1", 121.5, "ClientAv|COM1=121.500000"},
                      EchoCase{"COM1S=118250", "COM STANDBY FREQUENCY:1", 119.0, "ClientAv|COM1S=119.000000"},
                      EchoCase{"COM2=127000", "COM ACTIVE FREQUENCY:2", 121.5, "ClientAv|COM2=121.500000"},
                      EchoCase{"COM2S=118250", "COM STANDBY FREQUENCY:2", 119.1, "ClientAv|COM2S=119.100000"},
                      EchoCase{"NAV1=11030", "NAV ACTIVE FREQUENCY:1", 113.9, "ClientAv|NAV1=113.900000"},
                      EchoCase{"NAV1S=11150", "NAV STANDBY FREQUENCY:1", 110.5, "ClientAv|NAV1S=110.500000"},
                      EchoCase{"NAV2=11170", "NAV ACTIVE FREQUENCY:2", 108.2, "ClientAv|NAV2=108.200000"},
                      EchoCase{"NAV2S=10800", "NAV STANDBY FREQUENCY:2", 117.95, "ClientAv|NAV2S=117.950000"},
                      EchoCase{"DME=0", "SELECTED DME", 2, "ClientAv|DME=1"},
                      EchoCase{"ADF=3505000", "ADF ACTIVE FREQUENCY:1", 350000, "ClientAv|ADF=350.0"},
                      EchoCase{"XPDR=4608", "TRANSPONDER CODE:1", 0x7000, "ClientAv|XPDR=7000"},
                      EchoCase{"SHDG=270", "AUTOPILOT HEADING LOCK DIR", 180, "ClientAv|SHDG=180"},
                      EchoCase{"SCRS1=90", "NAV OBS:1", 45, "ClientAv|SCRS1=45"},
                      EchoCase{"SCRS2=181", "NAV OBS:2", 3, "ClientAv|SCRS2=3"},
                      EchoCase{"VS=-500", "AUTOPILOT VERTICAL HOLD VAR", -700, "ClientAv|VS=-700"},
                      EchoCase{"SPD=110", "AUTOPILOT AIRSPEED HOLD VAR", 90, "ClientAv|SPD=90"},
                      EchoCase{"CS=3", "COM RECIEVE ALL", 0, "ClientAv|CS=1"},
                      EchoCase{"CS=1", "COM TRANSMIT:1", 0, "ClientAv|CS=2"},
                      EchoCase{"AS=26", "NAV SOUND:2", 0, "ClientAv|AS=10"}));

TEST_F(AvionicsTest, ComKeyMovesTheSimulatorOnlyWhenTheTabletValueMoves) {
    serverAv("COM1=121500");
    serverAv("COM1=118250");
    serverAv("COM1=118251");  // 1 kHz from the tablet's previous value
    EXPECT_THAT(simReports(), ElementsAre(event("COM_RADIO_SET", 0x12150), event("COM_RADIO_SET", 71717)));
    EXPECT_DOUBLE_EQ(avionics.tabletValues().comActiveFrequency1, 118.251);
}

TEST_F(AvionicsTest, NavKeyIsSentWithEveryMessage) {
    serverAv("NAV1=11030");
    serverAv("NAV1=11030");
    feedRadioSample();  // the simulator agrees: still sent
    serverAv("NAV1=11030");
    EXPECT_EQ(simReports(), repeat(3, event("NAV1_RADIO_SET", 69680)));
}

TEST_F(AvionicsTest, FirstMessageOfEachConnectionWinsOverThePilot) {
    serverAv("NAV1=11030");
    pilotSets("NAV ACTIVE FREQUENCY:1", 113.9);
    serverAv("NAV1=11030");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|NAV1=113.900000"));
    simReports();

    link.onDatagram("ServerReady", kTabletAddress);
    sender.sent.clear();
    EXPECT_FALSE(avionics.firstMessageApplied());
    serverAv("NAV1=11030");
    EXPECT_THAT(simReports(), ElementsAre(event("NAV1_RADIO_SET", 69680)));
    EXPECT_THAT(replies(), IsEmpty());
    EXPECT_DOUBLE_EQ(bench.value("NAV ACTIVE FREQUENCY:1").value_or(0), 110.3);
}

TEST_F(AvionicsTest, MarkersWaitForTheFirstMessage) {
    pilotSets("NAV ACTIVE FREQUENCY:1", 113.9);  // the tablet's start value 0 differs
    EXPECT_EQ(avionics.markers().navActiveFrequency1, 0.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(avionics.radioState().navActiveFrequency1), 113.9);  // packed: a copy
    serverAv("SHDG=90");
    feedRadioSample();
    EXPECT_EQ(avionics.markers().navActiveFrequency1, -10000.0);
}

TEST_F(AvionicsTest, DmeNoneNeverEchoes) {
    serverAv("DME=0");
    pilotSets("SELECTED DME", 2);
    ASSERT_EQ(avionics.markers().selectedDme, -10000.0);
    simReports();
    serverAv("DME=2");
    EXPECT_THAT(replies(), IsEmpty());
    EXPECT_THAT(simReports(), IsEmpty());
}

TEST_F(AvionicsTest, NoTargetVerticalSpeedIsNeitherEchoedNorApplied) {
    serverAv("VS=-500|SPD=100");
    pilotSets("AUTOPILOT VERTICAL HOLD VAR", 300);
    pilotSets("AUTOPILOT AIRSPEED HOLD VAR", 80);
    simReports();
    serverAv("VS=-10000|SPD=-10000");
    EXPECT_THAT(replies(), IsEmpty());
    EXPECT_THAT(simReports(), IsEmpty());
}

TEST_F(AvionicsTest, UncheckingSendOperationsStopsTheEchoes) {
    serverAv("SHDG=270");
    pilotSets("AUTOPILOT HEADING LOCK DIR", 180);
    avionics.onSendOperationsUnchecked();
    simReports();
    serverAv("SHDG=270");
    EXPECT_THAT(replies(), IsEmpty());
    EXPECT_THAT(simReports(), ElementsAre(event("HEADING_BUG_SET", 270)));
}

TEST_F(AvionicsTest, AltitudeTargetIsSteppedOnTheNewerSimulator) {
    feedRadioSample();  // target 3000 ft
    serverAv("SALT=5500");
    EXPECT_EQ(simReports(), concat(repeat(2, event("AP_ALT_VAR_INC", 1000, 1)), repeat(5, event("AP_ALT_VAR_INC", 0, 1))));
    EXPECT_TRUE(avionics.altitudeChangeInProgress());

    feedRadioSample();
    serverAv("SALT=5500");  // reached
    EXPECT_THAT(simReports(), IsEmpty());
    EXPECT_FALSE(avionics.altitudeChangeInProgress());
    EXPECT_THAT(replies(), IsEmpty());

    serverAv("SALT=3000");
    const auto down = concat(repeat(2, event("AP_ALT_VAR_DEC", 1000, 1)), repeat(5, event("AP_ALT_VAR_DEC", 0, 1)));
    EXPECT_EQ(simReports(), down);
    serverAv("SALT=3000");  // no sample since: the simulator still shows 5500, so the steps repeat
    EXPECT_EQ(simReports(), down);
}

TEST_F(AvionicsTest, AltitudeRemainderBelowHundredFeetIsNotSent) {
    feedRadioSample();
    serverAv("SALT=4250");
    EXPECT_EQ(simReports(), concat(repeat(1, event("AP_ALT_VAR_INC", 1000, 1)), repeat(2, event("AP_ALT_VAR_INC", 0, 1))));
}

// Regression: a tablet target near the integer limit became two million key events in one message.
TEST_F(AvionicsTest, AbsurdAltitudeTargetStepsAreBounded) {
    feedRadioSample();
    serverAv("SALT=2000000000");
    EXPECT_EQ(simReports(), repeat(100, event("AP_ALT_VAR_INC", 1000, 1)));
    serverAv("SALT=-2147483648");
    EXPECT_EQ(simReports().size(), 100u + 6u);  // 2147486648 ft down: hundreds digit 6
}

// Regression: a 4 KB datagram of repeated SALT fields became 34,000 key events,
// each field stepping again towards a target the simulator could not yet show.
TEST_F(AvionicsTest, RepeatedAltitudeInOneMessageStepsOnce) {
    feedRadioSample();  // target 3000 ft
    std::string fields = "SALT=5500";
    while (fields.size() < 4000) fields += "|SALT=5500";
    serverAv(fields);
    EXPECT_EQ(simReports(), concat(repeat(2, event("AP_ALT_VAR_INC", 1000, 1)), repeat(5, event("AP_ALT_VAR_INC", 0, 1))));
    serverAv("SALT=5500|SALT=5500");  // the next message carries on
    EXPECT_EQ(simReports().size(), 7u);
}

// A datagram from any host may name any key any number of times: what it
// causes is bounded per message, and a flood of them per simulator tick.
TEST_F(AvionicsTest, HostileMessagesAreBoundedPerMessageAndPerTick) {
    serverAv("AP=1");  // from now on every field repeats the engage sequence
    simReports();
    avionics.onSimulatorTick();
    std::string fields = "AP=1";
    while (fields.size() < 4000) fields += "|SHDG=90|COM1=118250";
    serverAv(fields);
    const auto first = simReports();
    EXPECT_EQ(first.size(), static_cast<std::size_t>(EventBudget::kEventsPerMessage));
    EXPECT_EQ(first.front(), event("AUTOPILOT_ON", 0));

    serverAv(fields);  // the same tick: what is left of the tick's allowance
    EXPECT_EQ(simReports().size(), static_cast<std::size_t>(EventBudget::kEventsPerTick - EventBudget::kEventsPerMessage));
    avionics.onSimulatorTick();
    serverAv(fields);
    EXPECT_EQ(simReports().size(), static_cast<std::size_t>(EventBudget::kEventsPerMessage));

    // Handing the aircraft back to the pilot is never left out.
    serverAv("AP=0");
    EXPECT_THAT(simReports(), ElementsAre(event("AUTOPILOT_OFF", 0), "priority 0 1"));
}

TEST_F(AvionicsTest, HostileMessagesAreBoundedInEchoes) {
    serverAv("COM1=118250");
    pilotSets("COM ACTIVE FREQUENCY:1", 121.5);
    replies();
    std::string fields = "COM1=118250";
    for (int i = 0; i < 200; ++i) fields += "|COM1=118250";
    serverAv(fields);
    EXPECT_EQ(replies().size(), static_cast<std::size_t>(EventBudget::kEchoesPerMessage));
    serverAv(fields);
    serverAv(fields);
    EXPECT_EQ(replies().size(), static_cast<std::size_t>(EventBudget::kEchoesPerTick - EventBudget::kEchoesPerMessage));
    avionics.onSimulatorTick();
    serverAv("COM1=118250");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|COM1=121.500000"));
}

TEST_F(AvionicsTest, ChangedAltitudeTargetIsEchoedWhenThePilotMovedIt) {
    feedRadioSample();
    serverAv("SALT=5000");
    feedRadioSample();
    serverAv("SALT=5000");  // reached: the change is over
    pilotSets("AUTOPILOT ALTITUDE LOCK VAR", 7000);
    simReports();
    serverAv("SALT=5000");  // unchanged tablet value: nothing at all
    EXPECT_THAT(replies(), IsEmpty());
    serverAv("SALT=6000");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|SALT=7000"));
    EXPECT_THAT(simReports(), IsEmpty());
}

TEST_F(AvionicsTest, TabletAutopilotEngagesAndMasksThePilotsStick) {
    serverAv("AP=1");
    EXPECT_EQ(simReports(), concat(engageSequence(), {"priority 0 10000000"}));
    EXPECT_EQ(avionics.tabletAutopilot(), 1);

    serverAv("SHDG=90|XPDR=4608");
    EXPECT_EQ(simReports(), concat(concat(engageSequence(), {event("HEADING_BUG_SET", 90)}),
                                   concat(engageSequence(), {event("XPNDR_SET", 4608)})));

    serverAv("AP=1");  // unchanged: only the per-field sequence
    EXPECT_EQ(simReports(), engageSequence());

    serverAv("AP=0");
    EXPECT_EQ(simReports(), concat(engageSequence(), {event("AUTOPILOT_OFF", 0), "priority 0 1"}));
    serverAv("SHDG=90");
    EXPECT_THAT(simReports(), ElementsAre(event("HEADING_BUG_SET", 90)));
}

TEST_F(AvionicsTest, UnsynchronisedAutopilotKeepsTheSimulatorsOff) {
    controls.setChecked(ids::kSyncAutopilotMaster, false);
    serverAv("AP=1");
    EXPECT_THAT(simReports(), ElementsAre("priority 0 10000000"));
    serverAv("SHDG=90");
    EXPECT_THAT(simReports(), ElementsAre(event("AUTOPILOT_OFF", 0), event("HEADING_BUG_SET", 90)));
    serverAv("AP=0");
    EXPECT_THAT(simReports(), ElementsAre(event("AUTOPILOT_OFF", 0), "priority 0 1"));
}

TEST_F(AvionicsTest, AutopilotEngagedByThePilotIsEchoed) {
    serverAv("AP=0");
    pilotSets("AUTOPILOT MASTER", 1);
    simReports();
    serverAv("AP=0");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|AP=1"));
    EXPECT_THAT(simReports(), IsEmpty());

    controls.setChecked(ids::kSyncAutopilotMaster, false);  // unsynchronised: no echo, unchanged state
    serverAv("AP=0");
    EXPECT_THAT(replies(), IsEmpty());
    EXPECT_THAT(simReports(), IsEmpty());
}

TEST_F(AvionicsTest, MasterSwitchesAreReportedOnChangeOnly) {
    bench.setValue("ELECTRICAL MASTER BATTERY", 1);
    bench.setValue("AVIONICS MASTER SWITCH", 1);
    feedRadioSample();
    serverAv("LIGHTS=1|SHDG=90");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|BATSW=1|BATSB=1", "ClientAv|AVSW=1"));
    serverAv("SHDG=90");
    EXPECT_THAT(replies(), IsEmpty());

    pilotSets("AVIONICS MASTER SWITCH", 0);
    EXPECT_EQ(avionics.lastSentAvionics(), 1.0);  // a sample leaves the last-sent slots alone
    serverAv("SHDG=90");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|AVSW=0"));

    avionics.onSendOperationsUnchecked();
    serverAv("SHDG=90");
    EXPECT_THAT(replies(), ElementsAre("ClientAv|BATSW=1|BATSB=1"));
}

TEST_F(AvionicsTest, StickDataWritesTheYoke) {
    avionics.setYoke(0.5f, -0.25f);
    serverData("");
    serverData("JOYX=0.25");
    serverData("JOYY=-0.75|JOYX=-1|OTHER=3");
    serverData("JOYX=nan|JOYY=inf");  // not a stick position: the sampled one stays
    EXPECT_THAT(simReports(), ElementsAre("setdata 1 0.5 -0.25", "setdata 1 -0.25 -0.25", "setdata 1 1 0.75",
                                          "setdata 1 0.5 -0.25"));
}

// Regression: a sampled 1e300 became an infinite stick position written back
// by an empty "ServerData", and a tablet's 1e300 went to the simulator as it was.
TEST_F(AvionicsTest, AbsurdYokeValuesStayWithinTheStops) {
    avionics.setYoke(0.5, -0.25);
    avionics.setYoke(1e300, std::nan(""));
    serverData("");
    avionics.setYoke(-std::numeric_limits<double>::infinity(), -3);
    serverData("");
    serverData("JOYX=1e300|JOYY=-1e300");
    EXPECT_THAT(simReports(), ElementsAre("setdata 1 1 -0.25", "setdata 1 1 -1", "setdata 1 -1 1"));
}

}  // namespace
}  // namespace brelvik::testing
