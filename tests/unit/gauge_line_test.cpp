#include "sim/gauge_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <string>

namespace brelvik {
namespace {

using Flag = bool GaugeSelection::*;

GaugeSelection allGauges(bool on) {
    GaugeSelection selection;
    for (const auto& gauge : kGaugeKeys) selection.*gauge.flag = on;
    return selection;
}

GaugeSelection only(std::initializer_list<Flag> flags) {
    GaugeSelection selection = allGauges(false);
    for (const Flag flag : flags) selection.*flag = true;
    return selection;
}

// A distinct value in every field the line reads, chosen away from the
// rounding midpoints so that each expected digit is certain.
FlightSample goldenSample() {
    FlightSample s{};
    std::strcpy(s.title, "Cessna Skyhawk");
    s.airspeedIndicated = 105.67;
    s.planeBankDegrees = 0.1;
    s.planePitchDegrees = -0.05;
    s.planeAltitude = 3512.46;
    s.turnCoordinatorBall = 13.0;
    s.turnIndicatorRate = 0.03;
    s.planeHeadingDegreesMagnetic = 1.5707963;
    s.verticalSpeed = 8.5;
    s.propRpm1 = 2400.4;
    s.generalEngElapsedTime1 = 123.4567;
    s.rotorRpmPct1 = 0.8764;
    s.navCdi1 = 63.5;
    s.navGsi1 = -60.0;
    s.navTofrom1 = 1.0;
    s.navGsFlag1 = 0.0;
    s.navObs1 = 123.4;
    s.navCdi2 = -127.0;
    s.navTofrom2 = 2.0;
    s.navObs2 = 270.0;
    s.adfCard = 15.5;
    s.adfRadial1 = 200.26;
    s.fuelLeftQuantity = 20.5;
    s.fuelRightQuantity = 19.25;
    s.engFuelFlowGph1 = 9.876;
    s.engExhaustGasTemperature1 = 1760.0;
    s.electricalBatteryLoad = -2.34;
    s.generalEngOilPressure1 = 8640.0;
    s.generalEngOilTemperature1 = 640.0;
    s.planeLatitude = 47.123456789;
    s.planeLongitude = -122.3456785;
    s.gpsGroundMagneticTrack = 1.6;
    s.ambientWindVelocity = 12.34;
    s.ambientWindDirection = 5.0;
    s.magvar = 15.3;
    s.engManifoldPressure1 = 24.567;
    s.generalEngRpm1 = 2399.6;
    s.seaLevelPressure = 1012.8;
    s.suctionPressure = 5.1;
    return s;
}

// Every double of the sample set to one value.
FlightSample filledWith(double value) {
    FlightSample s{};
    constexpr std::size_t kFirstDouble = 320;
    constexpr std::size_t kDoubles = (sizeof(FlightSample) - kFirstDouble) / sizeof(double);
    auto* bytes = reinterpret_cast<unsigned char*>(&s);
    for (std::size_t i = 0; i < kDoubles; ++i) std::memcpy(bytes + kFirstDouble + i * sizeof(double), &value, sizeof value);
    return s;
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kTenDegrees = 10.0 * 3.141592654 / 180.0;
const char kGoldenTail[] = "HPA=10128|VAC=51|VF=510\r\n";

struct LineCase {
    const char* name;
    GaugeSelection selection;
    bool syncBaro;
    double baro;
    FlightSample sample;
    std::string expected;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

FlightSample golden(void (*change)(FlightSample&)) {
    FlightSample s = goldenSample();
    change(s);
    return s;
}

class GaugeLineText : public ::testing::TestWithParam<LineCase> {};

TEST_P(GaugeLineText, IsExactlyTheExpectedLine) {
    const LineCase& c = GetParam();
    GaugeLineComposer composer;
    EXPECT_EQ(composer.compose(c.sample, {c.selection, c.syncBaro, c.baro}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, GaugeLineText,
    ::testing::Values(
        LineCase{"DefaultSelection", GaugeSelection{}, false, 0.0, golden([](FlightSample& s) {
                     s.airspeedIndicated = 100.04;
                     s.planeBankDegrees = kTenDegrees;
                     s.planePitchDegrees = 0.0;
                     s.planeAltitude = 1500.0;
                     s.seaLevelPressure = 1013.25;
                     s.suctionPressure = 5.0;
                 }),
                 "IAS=1000|ROL=-99|PIT=0|ALT=15000|HPA=10133|VAC=50|VF=500\r\n"},
        LineCase{"AllOffIsJustTheTail", allGauges(false), false, 0.0, goldenSample(), kGoldenTail},
        LineCase{"EveryGaugeInLineOrder", allGauges(true), true, 1013.25, goldenSample(),
                 std::string("AS=10133|IAS=1057|ROL=-56|PIT=29|ALT=35125|SLIP=0.10|TR=17|HDG=900|VS=306000"
                             "|RPM=2400|HR=123457|RR=876|N1HD=12|N1VD=-12|N1F=1|N1G=1|N1O=1234|N2HD=-25|N2F=2"
                             "|N2O=2700|ADFH=155|ADFD=2003|FQL=205|FQR=193|FFL=99|EGT=13003|AMP=-22|OPR=600"
                             "|OT=1803|LAT=47.123457|LON=-122.345679|TRK=917|WV=12.3|WD=-10.3|MPR=24.57|RE=2400|") +
                     kGoldenTail},
        LineCase{"WindBeforeManifoldPressure", only({&GaugeSelection::mpr, &GaugeSelection::wind}), false, 0.0,
                 goldenSample(), std::string("WV=12.3|WD=-10.3|MPR=24.57|") + kGoldenTail},
        LineCase{"NegativeAirspeedIsZero", only({&GaugeSelection::ias}), false, 0.0,
                 golden([](FlightSample& s) { s.airspeedIndicated = -3.2; }), std::string("IAS=0|") + kGoldenTail},
        // 1000.4999999999 becomes 1000.5 in single precision and rounds up.
        LineCase{"AirspeedPassesThroughSinglePrecision", only({&GaugeSelection::ias}), false, 0.0,
                 golden([](FlightSample& s) { s.airspeedIndicated = 100.04999999999; }),
                 std::string("IAS=1001|") + kGoldenTail},
        LineCase{"SyncBaroFromTheRadioSample", allGauges(false), true, 1009.96, goldenSample(),
                 std::string("AS=10100|") + kGoldenTail},
        LineCase{"SyncBaroBeforeAnyRadioSample", allGauges(false), true, 0.0, goldenSample(),
                 std::string("AS=0|") + kGoldenTail},
        LineCase{"SyncBaroClearSendsNoSetting", allGauges(false), false, 1013.25, goldenSample(), kGoldenTail},
        LineCase{"GlideSlopeFlagRaised", only({&GaugeSelection::nav1}), false, 0.0,
                 golden([](FlightSample& s) { s.navGsFlag1 = 1.0; }),
                 std::string("N1HD=12|N1VD=-12|N1F=1|N1G=0|N1O=1234|") + kGoldenTail},
        LineCase{"BallBeyondFullDeflectionClamps", only({&GaugeSelection::slip}), false, 0.0,
                 golden([](FlightSample& s) { s.turnCoordinatorBall = -300.0; }),
                 std::string("SLIP=-1.00|TR=17|") + kGoldenTail},
        // r(x) truncates toward zero after adding a half, also below zero.
        LineCase{"NegativeValuesRoundTowardPlusHalf", only({&GaugeSelection::amp, &GaugeSelection::vs}), false, 0.0,
                 golden([](FlightSample& s) {
                     s.electricalBatteryLoad = -3.45;
                     s.verticalSpeed = -0.001;
                 }),
                 std::string("VS=-35|AMP=-34|") + kGoldenTail},
        LineCase{"NotANumberReadsZero", allGauges(true), true, kNan, filledWith(kNan),
                 "AS=0|IAS=0|ROL=0|PIT=0|ALT=0|SLIP=0.00|TR=0|HDG=0|VS=0|RPM=0|HR=0|RR=0|N1HD=0|N1VD=0|N1F=0"
                 "|N1G=0|N1O=0|N2HD=0|N2F=0|N2O=0|ADFH=0|ADFD=0|FQL=0|FQR=0|FFL=0|EGT=0|AMP=0|OPR=0|OT=0"
                 "|LAT=0.000000|LON=0.000000|TRK=0|WV=0.0|WD=0.0|MPR=0.00|RE=0|HPA=0|VAC=0|VF=0\r\n"},
        LineCase{"HugeValuesSaturate", allGauges(true), true, 1e300, filledWith(1e300),
                 "AS=2147483647|IAS=2147483647|ROL=-2147483648|PIT=-2147483648|ALT=2147483647|SLIP=1.00"
                 "|TR=2147483647|HDG=2147483647|VS=2147483647|RPM=2147483647|HR=2147483647|RR=2147483647"
                 "|N1HD=2147483647|N1VD=2147483647|N1F=2147483647|N1G=0|N1O=2147483647|N2HD=2147483647"
                 "|N2F=2147483647|N2O=2147483647|ADFH=2147483647|ADFD=2147483647|FQL=2147483647|FQR=2147483647"
                 "|FFL=2147483647|EGT=2147483647|AMP=2147483647|OPR=2147483647|OT=2147483647"
                 "|LAT=2147483647.000000|LON=2147483647.000000|TRK=2147483647|WV=2147483647.0|WD=0.0"
                 "|MPR=2147483647.00|RE=2147483647|HPA=2147483647|VAC=2147483647|VF=2147483647\r\n"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(GaugeLine, BrightnessTravelsOnceAfterEachChangeAheadOfEverything) {
    GaugeLineComposer composer;
    const FlightSample sample = goldenSample();
    const GaugeSelection none = allGauges(false);
    const auto line = [&] { return composer.compose(sample, {none, true, 1013.25}); };
    const std::string usual = std::string("AS=10133|") + kGoldenTail;

    EXPECT_EQ(line(), usual);
    composer.setPanelBrightness(7);
    EXPECT_EQ(line(), "BRT=7|" + usual);
    EXPECT_EQ(line(), usual);
    composer.setPanelBrightness(7);  // the same value again is no change
    EXPECT_EQ(line(), usual);
    composer.setPanelBrightness(0);
    EXPECT_EQ(line(), "BRT=0|" + usual);
    EXPECT_EQ(composer.lastPanelBrightness(), 0);
}

// The documented bound is reached, not merely respected: each field at its
// widest form, which for most is the int32 minimum, for the airspeed (never
// negative) its maximum, for the attitude (sign inverted) a huge positive angle.
TEST(GaugeLine, WidestSampleFillsTheBoundExactly) {
    constexpr double kMost = std::numeric_limits<double>::max();
    FlightSample sample = filledWith(-kMost);
    sample.airspeedIndicated = kMost;
    sample.planeBankDegrees = kMost;
    sample.planePitchDegrees = kMost;
    sample.magvar = kMost;  // wind direction minus it
    GaugeLineComposer composer;
    composer.setPanelBrightness(std::numeric_limits<std::int32_t>::min());
    const std::string line = composer.compose(sample, {allGauges(true), true, -kMost});
    EXPECT_EQ(line.size(), kGaugeLineMaxLength) << line;
    for (const double value : {kNan, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               kMost, -kMost, 1e300, -1e300}) {
        GaugeLineComposer other;
        other.setPanelBrightness(std::numeric_limits<std::int32_t>::min());
        EXPECT_LE(other.compose(filledWith(value), {allGauges(true), true, value}).size(), kGaugeLineMaxLength)
            << value;
    }
}

}  // namespace
}  // namespace brelvik
