// Difference markers: when the simulator's radio value counts as agreeing with
// the tablet's.
#include "unit/avionics_fixture.h"

namespace brelvik::testing {
namespace {

struct MarkerCase {
    const char* tabletFields;
    void (*simulate)(RadioSample&);
    double (*marker)(const DifferenceMarkers&);
    double expected;
};

class AvionicsMarkers : public AvionicsTableTest<MarkerCase> {};

TEST_P(AvionicsMarkers, ComparesTheSampleWithTheTabletValue) {
    serverAv(GetParam().tabletFields);
    RadioSample sample{};
    GetParam().simulate(sample);
    avionics.onRadioSample(sample);
    EXPECT_EQ(GetParam().marker(avionics.markers()), GetParam().expected);
}

constexpr double kAgree = 0;
constexpr double kDiffer = -10000;

double hpa(const DifferenceMarkers& m) { return m.kohlsmanSettingMb; }
double com1(const DifferenceMarkers& m) { return m.comActiveFrequency1; }
double nav2s(const DifferenceMarkers& m) { return m.navStandbyFrequency2; }
double dme(const DifferenceMarkers& m) { return m.selectedDme; }
double adf(const DifferenceMarkers& m) { return m.adfActiveFrequency1; }
double xpdr(const DifferenceMarkers& m) { return m.transponderCode1; }
double salt(const DifferenceMarkers& m) { return m.autopilotAltitudeLockVar; }
double vs(const DifferenceMarkers& m) { return m.autopilotVerticalHoldVar; }
double spd(const DifferenceMarkers& m) { return m.autopilotAirspeedHoldVar; }
double ap(const DifferenceMarkers& m) { return m.autopilotMaster; }
double markerSound(const DifferenceMarkers& m) { return m.markerSound; }
double dmeSound(const DifferenceMarkers& m) { return m.dmeSound; }
double transmit2(const DifferenceMarkers& m) { return m.comTransmit2; }

INSTANTIATE_TEST_SUITE_P(
    Rules, AvionicsMarkers,
    ::testing::Values(
        // Sixteenths of a millibar against millibars, both rounded to whole millibars.
        MarkerCase{"HPA=16216", [](RadioSample& s) { s.kohlsmanSettingMb = 1013.5; }, hpa, kAgree},
        MarkerCase{"HPA=16216", [](RadioSample& s) { s.kohlsmanSettingMb = 1013.49; }, hpa, kDiffer},
        MarkerCase{"HPA=16210", [](RadioSample& s) { s.kohlsmanSettingMb = 1013.49; }, hpa, kAgree},
        // Frequencies agree within 3 kHz.
        MarkerCase{"COM1=118250", [](RadioSample& s) { s.comActiveFrequency1 = 118.2525; }, com1, kAgree},
        MarkerCase{"COM1=118250", [](RadioSample& s) { s.comActiveFrequency1 = 118.254; }, com1, kDiffer},
        MarkerCase{"NAV2S=10800", [](RadioSample& s) { s.navStandbyFrequency2 = 108.0; }, nav2s, kAgree},
        MarkerCase{"NAV2S=10800", [](RadioSample& s) { s.navStandbyFrequency2 = 108.05; }, nav2s, kDiffer},
        // The tablet's DME 2 is stored as 3, "none", which agrees with anything.
        MarkerCase{"DME=2", [](RadioSample& s) { s.selectedDme = 1; }, dme, kAgree},
        MarkerCase{"DME=0", [](RadioSample& s) { s.selectedDme = 1.9; }, dme, kAgree},
        MarkerCase{"DME=0", [](RadioSample& s) { s.selectedDme = 2; }, dme, kDiffer},
        // Simulator Hz / 100 against the tablet's value / 1000.
        MarkerCase{"ADF=3505000", [](RadioSample& s) { s.adfActiveFrequency1 = 350599; }, adf, kAgree},
        MarkerCase{"ADF=3505000", [](RadioSample& s) { s.adfActiveFrequency1 = 350600; }, adf, kDiffer},
        MarkerCase{"XPDR=4608", [](RadioSample& s) { s.transponderCode1 = 4608; }, xpdr, kAgree},
        MarkerCase{"XPDR=4608", [](RadioSample& s) { s.transponderCode1 = 4609; }, xpdr, kDiffer},
        MarkerCase{"SALT=5000", [](RadioSample& s) { s.autopilotAltitudeLockVar = 5000; }, salt, kAgree},
        // The tablet's "no target" agrees with any simulator target.
        MarkerCase{"VS=-10000", [](RadioSample& s) { s.autopilotVerticalHoldVar = -700; }, vs, kAgree},
        MarkerCase{"VS=-500", [](RadioSample& s) { s.autopilotVerticalHoldVar = -700; }, vs, kDiffer},
        MarkerCase{"SPD=-10000", [](RadioSample& s) { s.autopilotAirspeedHoldVar = 90; }, spd, kAgree},
        // Switches compare truncated.
        MarkerCase{"AP=1", [](RadioSample& s) { s.autopilotMaster = 1.9; }, ap, kAgree},
        MarkerCase{"AP=1", [](RadioSample& s) { s.autopilotMaster = 0.5; }, ap, kDiffer},
        MarkerCase{"AS=1", [](RadioSample& s) { s.markerSound = 1; }, markerSound, kAgree},
        MarkerCase{"AS=1", [](RadioSample& s) { s.dmeSound = 1; }, dmeSound, kDiffer},
        MarkerCase{"CS=4", [](RadioSample& s) { s.comTransmit2 = 1; }, transmit2, kAgree}));

TEST_F(AvionicsTest, SampleLeavesTheLastSentMasterValuesAlone) {
    bench.setValue("ELECTRICAL MASTER BATTERY", 1);
    feedRadioSample();
    serverAv("SHDG=0");
    ASSERT_EQ(avionics.lastSentBattery(), 1.0);
    RadioSample off{};
    avionics.onRadioSample(off);
    EXPECT_EQ(avionics.lastSentBattery(), 1.0);
    EXPECT_EQ(avionics.markers().electricalMasterBattery, 1.0);
}

TEST_F(AvionicsTest, UncheckingSendOperationsZeroesTheWholeRecord) {
    bench.setValue("AVIONICS MASTER SWITCH", 1);
    serverAv("SHDG=90");
    pilotSets("AUTOPILOT HEADING LOCK DIR", 180);
    serverAv("SHDG=90");
    ASSERT_EQ(avionics.markers().autopilotHeadingLockDir, -10000);
    ASSERT_EQ(avionics.lastSentAvionics(), 1.0);
    avionics.onSendOperationsUnchecked();
    const DifferenceMarkers zero{};
    EXPECT_EQ(std::memcmp(&avionics.markers(), &zero, sizeof zero), 0);
}

TEST(ComFrequencyCode, DigitsOfTheTensOfKilohertzOnePerNibble) {
    EXPECT_EQ(comFrequencyCode(118250), 0x11825u);
    EXPECT_EQ(comFrequencyCode(136975), 0x13697u);
    EXPECT_EQ(comFrequencyCode(9), 0u);
    EXPECT_EQ(comFrequencyCode(-118250), 0u);
    // Regression: nine digits shifted a nibble past the 32-bit data.
    EXPECT_EQ(comFrequencyCode(2147483647), 0x14748364u);
}

}  // namespace
}  // namespace brelvik::testing
