#include "sim/flight_data_message.h"

#include "base/text_numbers.h"
#include "sim/sample_units.h"

namespace brelvik {
namespace {

constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr double kKnotsPerKmh = 0.5399568;
constexpr double kInHgPerMillibar = 0.029529983071445;
constexpr double kBrakePowerToWatts = 1.3558;

struct TimeOfDay {
    std::int32_t hours;
    std::int32_t minutes;
    std::int32_t seconds;
};

// Seconds since local midnight to hh, mm, ss by truncation. Each part is a
// defined integer whatever the simulator sends: NaN gives 0, values beyond
// the int32 range saturate.
TimeOfDay splitLocalTime(double t) {
    const std::int32_t hh = saturatingTrunc(t / 3600.0);
    const double r = t - static_cast<double>(hh) * 3600.0;
    const std::int32_t mm = saturatingTrunc(r / 60.0);
    const std::int32_t ss = saturatingTrunc(r - static_cast<double>(mm) * 60.0);
    return {hh, mm, ss};
}

}  // namespace

std::string FlightDataComposer::composeFlightData(FlightSample& s, DWORD simVersionMajor,
                                                  std::int32_t tabletOption) {
    if (tabletOption == 0) {
        s.turbEngN1_1 = s.recipEngBrakePower1 * kBrakePowerToWatts;
        s.turbEngN1_2 = s.recipEngBrakePower2 * kBrakePowerToWatts;
    }
    if (simVersionMajor >= kFirstMsfsVersion) {
        s.electricalAvionicsBusVoltage = s.electricalMainBusVoltage;
        s.electricalBatteryLoad = -s.electricalBatteryLoad;
    }

    std::string prefix;
    if (avionicsBrightness_ != lastAvionicsBrightness_) {
        lastAvionicsBrightness_ = avionicsBrightness_;
        prefix = formatText("AVBRT=%d|", lastAvionicsBrightness_);
    }

    const double pressure = singlePrecision(s.seaLevelPressure);
    const TimeOfDay time = splitLocalTime(s.localTime);

    return formatText(
        "ClientData|%sLAT=%f|LON=%f|ALT=%0.1f|HDG=%0.1f|TRK=%0.1f|IAS=%0.1f|TAS=%0.1f|GS=%0.1f|ROL=%0.1f"
        "|PIT=%0.1f|SLIP=%0.1f|TR=%0.1f|VS=%0.1f|INHG=%0.2f|HPA=%0.1f|MAGVAR=%0.2f|WINDV=%0.1f"
        "|WINDD=%0.1f|OAT=%0.1f|RPM=%0.1f|ACC=%0.1f|TIME=%02d:%02d:%02d|DATE=%04d%02d%02d%02d%02d%02d"
        "|MPR=%0.2f|OPRESS=%0.2f|OTEMP=%0.2f|FFLOW=%0.2f|CHT=%0.2f|EGT=%0.2f|VAC=%0.2f|FQLEFT=%0.2f"
        "|FQRIGHT=%0.2f|BUSM=%0.2f|BUSE=%0.2f|BATM=%0.2f|BATS=0|PNLLT=%d|TRIM=%0.2f|RUD=%0.2f"
        "|JOYX=%0.2f|JOYY=%0.2f|RPM2=%0.1f|MPR2=%0.2f|OPRESS2=%0.2f|OTEMP2=%0.2f|FFLOW2=%0.2f"
        "|CHT2=%0.2f|EGT2=%0.2f|AMP1=%0.2f|VOLT1=%0.2f|AMP2=%0.2f|VOLT2=%0.2f|N11=%0.2f|N12=%0.2f"
        "|N21=%0.2f|N22=%0.2f|ITT1=%0.2f|ITT2=%0.2f|TRQ1=%0.2f|TRQ2=%0.2f|FLP=%0.2f",
        prefix.c_str(), s.planeLatitude, s.planeLongitude, s.planeAltitude, degrees(s.planeHeadingDegreesMagnetic),
        degrees(s.gpsGroundMagneticTrack), s.airspeedIndicated, s.airspeedTrue,
        s.gpsGroundSpeed * kKmhPerMetrePerSecond * kKnotsPerKmh,  // two roundings, left to right
        degrees(-s.planeBankDegrees), degrees(-s.planePitchDegrees), clampedSlip(s.turnCoordinatorBall),
        degrees(s.turnIndicatorRate), s.verticalSpeed * 60.0, pressure * kInHgPerMillibar, pressure, s.magvar,
        s.ambientWindVelocity, s.ambientWindDirection - s.magvar, s.totalAirTemperature, s.propRpm1,
        s.accelerationBodyZ, time.hours, time.minutes, time.seconds, saturatingTrunc(s.localYear),
        saturatingTrunc(s.localMonthOfYear), saturatingTrunc(s.localDayOfMonth), time.hours, time.minutes,
        time.seconds, s.engManifoldPressure1, s.generalEngOilPressure1 / kPsfPerPsi,
        fahrenheit(s.generalEngOilTemperature1), s.engFuelFlowGph1, fahrenheit(s.engCylinderHeadTemperature1),
        fahrenheit(s.engExhaustGasTemperature1), s.suctionPressure, s.fuelLeftQuantity, s.fuelRightQuantity,
        s.electricalMainBusVoltage, s.electricalAvionicsBusVoltage, s.electricalBatteryLoad,
        saturatingTrunc(s.lightPanel), -s.elevatorTrimPct, s.rudderTrimPct, -s.yokeXPosition, -s.yokeYPosition,
        s.propRpm2, s.engManifoldPressure2, s.generalEngOilPressure2 / kPsfPerPsi,
        fahrenheit(s.generalEngOilTemperature2), s.engFuelFlowGph2, fahrenheit(s.engCylinderHeadTemperature2),
        fahrenheit(s.engExhaustGasTemperature2), s.electricalGenaltBusAmps1, s.electricalGenaltBusVoltage1,
        s.electricalGenaltBusAmps2, s.electricalGenaltBusVoltage2, s.turbEngN1_1, s.turbEngN1_2, s.turbEngN2_1,
        s.turbEngN2_2, fahrenheit(s.turbEngItt1), fahrenheit(s.turbEngItt2), s.engTorque1, s.engTorque2,
        s.trailingEdgeFlapsLeftPercent);
}

std::string FlightDataComposer::composeFailureFlags(const FailureFlags& flags, const FailureFlags& lastFlags) {
    std::string text;
    for (std::size_t i = 0; i < kFailureFlagCount; ++i) {
        if (flags[i] == lastFlags[i]) continue;
        text += formatText("|%s=%d", kFailureFlagKeys[i], static_cast<int>(flags[i]));
    }
    if (text.empty()) return text;
    return "ClientAv" + text;
}

}  // namespace brelvik
