#include "sim/flight_data_message.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>

#include "base/text_numbers.h"

namespace brelvik {
namespace {

constexpr DWORD kFsxVersion = 10;
constexpr DWORD kMsfsVersion = 11;
constexpr std::int32_t kTurbineOption = 1;
constexpr std::int32_t kPistonOption = 0;

// A sample with a distinct value in every field the message reads.
FlightSample goldenSample() {
    FlightSample s{};
    std::strcpy(s.title, "Cessna Skyhawk");
    s.planeLatitude = 47.123456789;
    s.planeLongitude = -122.3456785;
    s.planeAltitude = 3512.46;
    s.planeBankDegrees = 0.1;
    s.planePitchDegrees = -0.05;
    s.verticalSpeed = 8.5;
    s.planeHeadingDegreesMagnetic = 1.5707963;
    s.airspeedTrue = 112.34;
    s.airspeedIndicated = 105.67;
    s.magvar = 15.3;
    s.ambientWindVelocity = 12.3;
    s.ambientWindDirection = 270.0;
    s.totalAirTemperature = 8.6;
    s.turnCoordinatorBall = 20.0;
    s.gpsGroundMagneticTrack = 1.6;
    s.gpsGroundSpeed = 60.0;
    s.yokeXPosition = 0.25;
    s.yokeYPosition = -0.3;
    s.seaLevelPressure = 1012.8;
    s.turnIndicatorRate = 0.03;
    s.propRpm1 = 2400.4;
    s.accelerationBodyZ = 3.21;
    s.localTime = 45296.7;
    s.localYear = 2024.0;
    s.localMonthOfYear = 3.0;
    s.localDayOfMonth = 7.0;
    s.engManifoldPressure1 = 24.567;
    s.generalEngOilPressure1 = 8640.0;
    s.generalEngOilTemperature1 = 640.0;
    s.engFuelFlowGph1 = 9.876;
    s.engCylinderHeadTemperature1 = 810.0;
    s.engExhaustGasTemperature1 = 1760.0;
    s.suctionPressure = 5.1;
    s.fuelLeftQuantity = 20.5;
    s.fuelRightQuantity = 19.25;
    s.electricalMainBusVoltage = 28.1;
    s.electricalAvionicsBusVoltage = 27.9;
    s.electricalBatteryLoad = 3.45;
    s.lightPanel = 1.0;
    s.elevatorTrimPct = 0.1;
    s.rudderTrimPct = -0.05;
    s.propRpm2 = 2300.0;
    s.engManifoldPressure2 = 23.1;
    s.generalEngOilPressure2 = 7200.0;
    s.generalEngOilTemperature2 = 630.0;
    s.engFuelFlowGph2 = 8.5;
    s.engCylinderHeadTemperature2 = 800.0;
    s.engExhaustGasTemperature2 = 1700.0;
    s.electricalGenaltBusAmps1 = 12.5;
    s.electricalGenaltBusVoltage1 = 28.2;
    s.turbEngN1_1 = 85.5;
    s.turbEngN1_2 = 84.25;
    s.turbEngN2_1 = 95.1;
    s.turbEngN2_2 = 94.9;
    s.engTorque1 = 1500.5;
    s.engTorque2 = 1400.0;
    s.turbEngItt1 = 1800.0;
    s.turbEngItt2 = 1790.0;
    s.trailingEdgeFlapsLeftPercent = 0.5;
    s.recipEngBrakePower1 = 100.0;
    s.recipEngBrakePower2 = 200.0;
    return s;
}

// The value between "|KEY=" and the next "|" (or the end).
std::string field(const std::string& text, const std::string& key) {
    const std::string marker = "|" + key + "=";
    const auto start = text.find(marker);
    if (start == std::string::npos) return "<missing " + key + ">";
    const auto from = start + marker.size();
    const auto end = text.find('|', from);
    return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

TEST(FlightDataMessage, GoldenTextCarriesEveryFieldInOrderAndFormat) {
    FlightDataComposer composer;
    FlightSample sample = goldenSample();
    EXPECT_EQ(composer.composeFlightData(sample, kFsxVersion, kTurbineOption),
              "ClientData|LAT=47.123457|LON=-122.345679|ALT=3512.5|HDG=90.0|TRK=91.7|IAS=105.7|TAS=112.3|GS=116.6"
              "|ROL=-5.7|PIT=2.9|SLIP=0.2|TR=1.7|VS=510.0|INHG=29.91|HPA=1012.8|MAGVAR=15.30|WINDV=12.3"
              "|WINDD=254.7|OAT=8.6|RPM=2400.4|ACC=3.2|TIME=12:34:56|DATE=20240307123456|MPR=24.57"
              "|OPRESS=60.00|OTEMP=180.33|FFLOW=9.88|CHT=350.33|EGT=1300.33|VAC=5.10|FQLEFT=20.50"
              "|FQRIGHT=19.25|BUSM=28.10|BUSE=27.90|BATM=3.45|BATS=0|PNLLT=1|TRIM=-0.10|RUD=-0.05"
              "|JOYX=-0.25|JOYY=0.30|RPM2=2300.0|MPR2=23.10|OPRESS2=50.00|OTEMP2=170.33|FFLOW2=8.50"
              "|CHT2=340.33|EGT2=1240.33|AMP1=12.50|VOLT1=28.20|AMP2=0.00|VOLT2=0.00|N11=85.50|N12=84.25"
              "|N21=95.10|N22=94.90|ITT1=1340.33|ITT2=1330.33|TRQ1=1500.50|TRQ2=1400.00|FLP=0.50");
}

// One field of the text for one changed input.
struct FieldCase {
    const char* name;
    void (*change)(FlightSample&);
    const char* key;
    const char* expected;
};
void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

class FlightDataField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FlightDataField, PrintsTheConvertedValue) {
    const FieldCase& c = GetParam();
    FlightSample sample = goldenSample();
    c.change(sample);
    FlightDataComposer composer;
    EXPECT_EQ(field(composer.composeFlightData(sample, kFsxVersion, kTurbineOption), c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, FlightDataField,
    ::testing::Values(
        FieldCase{"TimeOfDay", [](FlightSample& s) { s.localTime = 45296.7; }, "TIME", "12:34:56"},
        FieldCase{"Midnight", [](FlightSample& s) { s.localTime = 0.0; }, "TIME", "00:00:00"},
        FieldCase{"LastSecondOfDay", [](FlightSample& s) { s.localTime = 86399.99; }, "TIME", "23:59:59"},
        FieldCase{"DateTruncatesAndRepeatsTime",
                  [](FlightSample& s) {
                      s.localYear = 2024.9;
                      s.localMonthOfYear = 12.5;
                      s.localDayOfMonth = 31.2;
                      s.localTime = 3661.0;
                  },
                  "DATE", "20241231010101"},
        FieldCase{"BallAt127RoundsToOne", [](FlightSample& s) { s.turnCoordinatorBall = 127.0; }, "SLIP", "1.0"},
        FieldCase{"BallBeyondRightClamps", [](FlightSample& s) { s.turnCoordinatorBall = 300.0; }, "SLIP", "1.0"},
        FieldCase{"BallBeyondLeftClamps", [](FlightSample& s) { s.turnCoordinatorBall = -129.0; }, "SLIP",
                  "-1.0"},
        FieldCase{"BallHalfLeft", [](FlightSample& s) { s.turnCoordinatorBall = -64.0; }, "SLIP", "-0.5"},
        FieldCase{"HeadingOfPiRadians", [](FlightSample& s) { s.planeHeadingDegreesMagnetic = 3.141592654; },
                  "HDG", "180.0"},
        FieldCase{"BankSignInverted", [](FlightSample& s) { s.planeBankDegrees = -0.5; }, "ROL", "28.6"},
        FieldCase{"GroundSpeedInKnots", [](FlightSample& s) { s.gpsGroundSpeed = 10.0; }, "GS", "19.4"},
        FieldCase{"PressureRoundedToSingleFirst", [](FlightSample& s) { s.seaLevelPressure = 1009.949999; },
                  "HPA", "1010.0"},
        FieldCase{"WindNotWrapped",
                  [](FlightSample& s) {
                      s.ambientWindDirection = 5.0;
                      s.magvar = 15.0;
                  },
                  "WINDD", "-10.0"},
        FieldCase{"PanelLightTruncated", [](FlightSample& s) { s.lightPanel = 0.9; }, "PNLLT", "0"},
        FieldCase{"OilPressurePsi", [](FlightSample& s) { s.generalEngOilPressure1 = 72.0; }, "OPRESS", "0.50"},
        FieldCase{"IttFahrenheit", [](FlightSample& s) { s.turbEngItt2 = 459.67; }, "ITT2", "0.00"}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

TEST(FlightDataMessage, BrightnessTravelsOnceAfterEachChange) {
    FlightDataComposer composer;
    FlightSample sample = goldenSample();
    const auto start = [&] { return composer.composeFlightData(sample, kFsxVersion, kTurbineOption).substr(0, 22); };

    EXPECT_EQ(start(), "ClientData|LAT=47.1234");
    composer.setAvionicsBrightness(12);
    EXPECT_EQ(start(), "ClientData|AVBRT=12|LA");
    EXPECT_EQ(start(), "ClientData|LAT=47.1234");
    composer.setAvionicsBrightness(12);  // the same value again is no change
    EXPECT_EQ(start(), "ClientData|LAT=47.1234");
    composer.setAvionicsBrightness(0);
    EXPECT_EQ(start(), "ClientData|AVBRT=0|LAT");
    EXPECT_EQ(composer.lastAvionicsBrightness(), 0);
}

struct AdjustmentCase {
    const char* name;
    DWORD version;
    std::int32_t option;
    const char* buse;
    const char* batm;
    const char* n11;
    const char* n12;
};
void PrintTo(const AdjustmentCase& c, std::ostream* os) { *os << c.name; }

class FlightDataAdjustment : public ::testing::TestWithParam<AdjustmentCase> {};

TEST_P(FlightDataAdjustment, RewritesTheSampleAndPrintsTheRewrittenValues) {
    const AdjustmentCase& c = GetParam();
    FlightDataComposer composer;
    FlightSample sample = goldenSample();
    const std::string text = composer.composeFlightData(sample, c.version, c.option);
    EXPECT_EQ(field(text, "BUSM"), "28.10");
    EXPECT_EQ(field(text, "BUSE"), c.buse);
    EXPECT_EQ(field(text, "BATM"), c.batm);
    EXPECT_EQ(field(text, "N11"), c.n11);
    EXPECT_EQ(field(text, "N12"), c.n12);
    // The gauge line reads the sample afterwards and must see the same values.
    EXPECT_EQ(formatText("%0.2f", sample.electricalAvionicsBusVoltage), c.buse);
    EXPECT_EQ(formatText("%0.2f", sample.electricalBatteryLoad), c.batm);
    EXPECT_EQ(formatText("%0.2f", sample.turbEngN1_1), c.n11);
    EXPECT_EQ(formatText("%0.2f", sample.turbEngN1_2), c.n12);
}

INSTANTIATE_TEST_SUITE_P(
    VersionsAndOptions, FlightDataAdjustment,
    ::testing::Values(AdjustmentCase{"OlderSimulatorTurbine", kFsxVersion, kTurbineOption, "27.90", "3.45", "85.50",
                                     "84.25"},
                      AdjustmentCase{"Msfs", kMsfsVersion, kTurbineOption, "28.10", "-3.45", "85.50", "84.25"},
                      AdjustmentCase{"LaterMsfs", 12, kTurbineOption, "28.10", "-3.45", "85.50", "84.25"},
                      AdjustmentCase{"BrakePowerInWatts", kFsxVersion, kPistonOption, "27.90", "3.45", "135.58",
                                     "271.16"},
                      AdjustmentCase{"MsfsBrakePower", kMsfsVersion, kPistonOption, "28.10", "-3.45", "135.58",
                                     "271.16"}),
    [](const ::testing::TestParamInfo<AdjustmentCase>& info) { return std::string(info.param.name); });

std::string goldenText() {
    FlightDataComposer composer;
    FlightSample sample = goldenSample();
    return composer.composeFlightData(sample, kFsxVersion, kTurbineOption);
}

// The keys of a text in order, values left out: "A=1|B=2" gives "A|B".
std::string keysOf(const std::string& text) {
    std::string keys;
    std::size_t at = text.find('|');
    while (at != std::string::npos) {
        const std::size_t next = text.find('|', at + 1);
        const std::string item = text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        keys += item.substr(0, item.find('=')) + "|";
        at = next;
    }
    return keys;
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

struct ExtremeCase {
    const char* name;
    double value;
    const char* time;
    const char* date;
    const char* panelLight;
};
void PrintTo(const ExtremeCase& c, std::ostream* os) { *os << c.name; }

class FlightDataExtreme : public ::testing::TestWithParam<ExtremeCase> {};

// Regression: the time, date and panel-light integers came from unchecked
// casts, undefined for NaN or values beyond int32; the text had a fixed buffer.
TEST_P(FlightDataExtreme, GivesBoundedTextAndSaturatedIntegers) {
    const ExtremeCase& c = GetParam();
    FlightDataComposer composer;
    composer.setAvionicsBrightness(std::numeric_limits<std::int32_t>::min());
    FlightSample sample = filledWith(c.value);
    const std::string text = composer.composeFlightData(sample, kMsfsVersion, kPistonOption);
    // The longest text any sample can give: every value at its widest printed form.
    EXPECT_LE(text.size(), 17483u);
    EXPECT_EQ(text.rfind("ClientData|AVBRT=-2147483648|LAT=", 0), 0u) << text.substr(0, 40);
    EXPECT_EQ(field(text, "TIME"), c.time);
    EXPECT_EQ(field(text, "DATE"), c.date);
    EXPECT_EQ(field(text, "PNLLT"), c.panelLight);
    EXPECT_EQ(keysOf(text), "AVBRT|" + keysOf(goldenText()));
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    SimulatorValues, FlightDataExtreme,
    ::testing::Values(
        ExtremeCase{"NotANumber", kNan, "00:00:00", "00000000000000", "0"},
        ExtremeCase{"PlusInfinity", kInf, "2147483647:2147483647:2147483647",
                    "214748364721474836472147483647214748364721474836472147483647", "2147483647"},
        ExtremeCase{"MinusInfinity", -kInf, "-2147483648:-2147483648:-2147483648",
                    "-2147483648-2147483648-2147483648-2147483648-2147483648-2147483648", "-2147483648"},
        ExtremeCase{"Huge", 1e300, "2147483647:2147483647:2147483647",
                    "214748364721474836472147483647214748364721474836472147483647", "2147483647"},
        ExtremeCase{"MostNegative", -std::numeric_limits<double>::max(), "-2147483648:-2147483648:-2147483648",
                    "-2147483648-2147483648-2147483648-2147483648-2147483648-2147483648", "-2147483648"}),
    [](const ::testing::TestParamInfo<ExtremeCase>& info) { return std::string(info.param.name); });

struct FlagsCase {
    const char* name;
    FailureFlags flags;
    FailureFlags last;
    const char* expected;
};
void PrintTo(const FlagsCase& c, std::ostream* os) { *os << c.name; }

class FailureFlagText : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(FailureFlagText, CarriesOnlyTheChangedFlags) {
    const FlagsCase& c = GetParam();
    EXPECT_EQ(FlightDataComposer::composeFailureFlags(c.flags, c.last), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, FailureFlagText,
    ::testing::Values(
        FlagsCase{"NoneChanged", {}, {}, ""},
        FlagsCase{"AllClearAndUnchanged", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, ""},
        FlagsCase{"AirDataAndMagnetometerCleared", {0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0}, {}, "ClientAv|FADC=1|FMAG=1"},
        FlagsCase{"BoxCheckedAgain", {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                  "ClientAv|FGIA1=0"},
        FlagsCase{"LastFlag", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {}, "ClientAv|FMFD=1"},
        FlagsCase{"AllInOrder",
                  {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                  {},
                  "ClientAv|FGIA1=1|FGIA2=1|FADC=1|FGEA=1|FAHRS=1|FALT=1|FASI=1|FVVI=1|FMAG=1|FXPDR=1|FMFD=1"}),
    [](const ::testing::TestParamInfo<FlagsCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brelvik
