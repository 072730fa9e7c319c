#include "sim/gauge_line.h"

#include <cmath>
#include <limits>

#include "base/text_numbers.h"
#include "sim/sample_units.h"

namespace brelvik {
namespace {

// Most gauges take tenths as integers.
double tenths(double value) { return value * 10.0; }

// Decimal values share the integer fields' range: the panel has no use for a
// 300-digit latitude, and its line buffer has a fixed size. NaN reads 0, as it
// does in the integer fields.
double boundedDecimal(double value) {
    constexpr double kMin = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (std::isnan(value)) return 0.0;
    if (value < kMin) return kMin;
    if (value > kMax) return kMax;
    return value;
}

// The airspeed in tenths goes through single precision, as the panel has always
// received it; its gauge starts at zero, so rolling backwards reads 0.
std::int32_t indicatedAirspeed(double knots) {
    const double value = singlePrecision(tenths(knots));
    return saturatingRound(value < 0.0 ? 0.0 : value);
}

// Attitude is sent with its sign inverted, rounded by trunc(0.5 - x) rather
// than by negating a rounded value, so -99.5 and 99.5 do not mirror each other.
std::int32_t invertedTenthsOfDegrees(double radians) { return saturatingTrunc(0.5 - tenths(degrees(radians))); }

std::int32_t tenthsOfDegrees(double radians) { return saturatingRound(tenths(degrees(radians))); }

// The NAV needles: full deflection is 25 steps on the panel, 127 (course) or
// 119 (glide slope) in the simulator.
std::int32_t needle(double deflection, double fullScale) { return saturatingTrunc(25.0 * deflection / fullScale); }

}  // namespace

std::string GaugeLineComposer::compose(const FlightSample& s, const GaugeLineInputs& inputs) {
    const GaugeSelection& on = inputs.selection;
    std::string line;
    line.reserve(kGaugeLineMaxLength);

    if (panelBrightness_ != lastPanelBrightness_) {
        lastPanelBrightness_ = panelBrightness_;
        line += formatText("BRT=%d|", lastPanelBrightness_);
    }
    if (inputs.syncBaro) line += formatText("AS=%d|", saturatingRound(tenths(inputs.kohlsmanMillibars)));
    if (on.ias) line += formatText("IAS=%d|", indicatedAirspeed(s.airspeedIndicated));
    if (on.att) {
        line += formatText("ROL=%d|PIT=%d|", invertedTenthsOfDegrees(s.planeBankDegrees),
                           invertedTenthsOfDegrees(s.planePitchDegrees));
    }
    if (on.alt) line += formatText("ALT=%d|", saturatingRound(tenths(s.planeAltitude)));
    if (on.slip) {
        line += formatText("SLIP=%0.2f|TR=%d|", boundedDecimal(clampedSlip(s.turnCoordinatorBall)),
                           tenthsOfDegrees(s.turnIndicatorRate));
    }
    if (on.hdg) line += formatText("HDG=%d|", tenthsOfDegrees(s.planeHeadingDegreesMagnetic));
    // Feet per second to feet per minute in tenths: 60 * 60 * 10, in this order.
    if (on.vs) line += formatText("VS=%d|", saturatingRound(s.verticalSpeed * 60.0 * 60.0 * 10.0));
    if (on.rpm) {
        line += formatText("RPM=%d|HR=%d|RR=%d|", saturatingRound(s.propRpm1),
                           saturatingRound(s.generalEngElapsedTime1 * 1000.0), saturatingRound(s.rotorRpmPct1 * 1000.0));
    }
    if (on.nav1) {
        line += formatText("N1HD=%d|N1VD=%d|N1F=%d|N1G=%d|N1O=%d|", needle(s.navCdi1, 127.0), needle(s.navGsi1, 119.0),
                           saturatingTrunc(s.navTofrom1), s.navGsFlag1 == 0.0 ? 1 : 0,
                           saturatingRound(tenths(s.navObs1)));
    }
    if (on.nav2) {
        line += formatText("N2HD=%d|N2F=%d|N2O=%d|", needle(s.navCdi2, 127.0), saturatingTrunc(s.navTofrom2),
                           saturatingRound(tenths(s.navObs2)));
    }
    if (on.adf) {
        line += formatText("ADFH=%d|ADFD=%d|", saturatingRound(tenths(s.adfCard)),
                           saturatingRound(tenths(s.adfRadial1)));
    }
    if (on.fqty) {
        line += formatText("FQL=%d|FQR=%d|", saturatingRound(tenths(s.fuelLeftQuantity)),
                           saturatingRound(tenths(s.fuelRightQuantity)));
    }
    if (on.fflow) line += formatText("FFL=%d|", saturatingRound(tenths(s.engFuelFlowGph1)));
    if (on.egt) line += formatText("EGT=%d|", saturatingRound(tenths(fahrenheit(s.engExhaustGasTemperature1))));
    if (on.amp) line += formatText("AMP=%d|", saturatingRound(tenths(s.electricalBatteryLoad)));
    if (on.oilPress) line += formatText("OPR=%d|", saturatingRound(tenths(s.generalEngOilPressure1 / kPsfPerPsi)));
    if (on.oilTemp) line += formatText("OT=%d|", saturatingRound(tenths(fahrenheit(s.generalEngOilTemperature1))));
    if (on.gps) {
        line += formatText("LAT=%f|LON=%f|", boundedDecimal(s.planeLatitude), boundedDecimal(s.planeLongitude));
    }
    if (on.trk) line += formatText("TRK=%d|", tenthsOfDegrees(s.gpsGroundMagneticTrack));
    // Direction relative to magnetic north, not wrapped into 0-360.
    if (on.wind) {
        line += formatText("WV=%0.1f|WD=%0.1f|", boundedDecimal(s.ambientWindVelocity),
                           boundedDecimal(s.ambientWindDirection - s.magvar));
    }
    if (on.mpr) line += formatText("MPR=%0.2f|", boundedDecimal(s.engManifoldPressure1));
    if (on.rpme) line += formatText("RE=%d|", saturatingRound(s.generalEngRpm1));

    line += formatText("HPA=%d|VAC=%d|VF=%d\r\n", saturatingRound(tenths(s.seaLevelPressure)),
                       saturatingRound(tenths(s.suctionPressure)), saturatingRound(s.suctionPressure * 100.0));
    return line;
}

}  // namespace brelvik
