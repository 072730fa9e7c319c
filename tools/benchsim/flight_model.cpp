#include "tools/benchsim/flight_model.h"

#include <algorithm>
#include <cmath>

namespace brelvik::benchsim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;
constexpr double kGravity = 32.174;  // ft/s^2
constexpr double kKnotsToFeetPerSecond = 1.6878098571;
constexpr double kCruiseTas = 112;  // knots
constexpr double kCruiseRpm = 2350;
constexpr double kCruiseFuelFlow = 8.4;  // gallons per hour
constexpr double kMaxStep = 0.1;         // seconds

double approach(double value, double target, double maxChange) {
    return value + std::clamp(target - value, -maxChange, maxChange);
}

double wrapSigned(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

int daysInMonth(int month, int year) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) return 29;
    return kDays[std::clamp(month, 1, 12) - 1];
}

void advanceClock(VariableStore& s, double dt) {
    double time = s.get("LOCAL TIME") + dt;
    while (time >= 86400) {
        time -= 86400;
        int day = static_cast<int>(s.get("LOCAL DAY OF MONTH")) + 1;
        int month = static_cast<int>(s.get("LOCAL MONTH OF YEAR"));
        int year = static_cast<int>(s.get("LOCAL YEAR"));
        if (day > daysInMonth(month, year)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
        s.set("LOCAL DAY OF MONTH", day);
        s.set("LOCAL MONTH OF YEAR", month);
        s.set("LOCAL YEAR", year);
    }
    s.set("LOCAL TIME", time);
}

void runEngine(VariableStore& s, double dt) {
    const bool ignition = s.get("RECIP ENG LEFT MAGNETO:1") != 0 || s.get("RECIP ENG RIGHT MAGNETO:1") != 0;
    const double fuel = s.get("FUEL LEFT QUANTITY") + s.get("FUEL RIGHT QUANTITY");
    const bool running = ignition && s.get("GENERAL ENG FUEL VALVE:1") != 0 && fuel > 0;
    const double rpm = approach(s.get("GENERAL ENG RPM:1"), running ? kCruiseRpm : 0, 500 * dt);
    const double load = rpm / kCruiseRpm;
    s.set("GENERAL ENG RPM:1", rpm);
    s.set("PROP RPM:1", rpm);
    s.set("ENG FUEL FLOW GPH:1", kCruiseFuelFlow * load);
    // A throttled engine draws the manifold below the ambient pressure.
    s.set("ENG MANIFOLD PRESSURE:1", 29.92 - s.get("PLANE ALTITUDE") / 1000 - 4.4 * load);
    s.set("RECIP ENG BRAKE POWER:1", 115 * 550 * load);
    const double burnt = kCruiseFuelFlow * load * dt / 3600 / 2;
    s.set("FUEL LEFT QUANTITY", std::max(0.0, s.get("FUEL LEFT QUANTITY") - burnt));
    s.set("FUEL RIGHT QUANTITY", std::max(0.0, s.get("FUEL RIGHT QUANTITY") - burnt));
    if (running) s.set("GENERAL ENG ELAPSED TIME:1", s.get("GENERAL ENG ELAPSED TIME:1") + dt / 3600);
}

}  // namespace

void FlightModel::advance(VariableStore& store, double seconds) {
    while (seconds > 0) {
        const double dt = std::min(seconds, kMaxStep);
        step(store, dt);
        seconds -= dt;
    }
}

void FlightModel::step(VariableStore& s, double dt) {
    elapsed_ += dt;
    // Bank and pitch follow the sign conventions of the variables: bank positive
    // to the left, pitch positive nose down.
    double targetBank = 0;  // degrees, positive left
    double targetVs = 0;    // feet per minute
    const double heading = s.get("PLANE HEADING DEGREES MAGNETIC") / kDeg;
    const double altitude = s.get("PLANE ALTITUDE");
    if (s.get("AUTOPILOT MASTER") != 0) {
        targetBank = -std::clamp(wrapSigned(s.get("AUTOPILOT HEADING LOCK DIR") - heading), -20.0, 20.0);
        const double limit = std::max(100.0, std::fabs(s.get("AUTOPILOT VERTICAL HOLD VAR")));
        targetVs = std::clamp((s.get("AUTOPILOT ALTITUDE LOCK VAR") - altitude) * 3, -limit, limit);
    } else {
        const double yokeX = s.get("YOKE X POSITION");
        targetBank = -30 * yokeX;
        if (std::fabs(yokeX) < 0.01) targetBank += 8 * std::sin(2 * kPi * elapsed_ / 90);
        targetVs = 1000 * s.get("YOKE Y POSITION") + 300 * s.get("ELEVATOR TRIM PCT");
    }
    const double bank = approach(s.get("PLANE BANK DEGREES") / kDeg, targetBank, 10 * dt);
    const double vsFpm = approach(s.get("VERTICAL SPEED") * 60, targetVs, 300 * dt);
    const double tas = approach(s.get("AIRSPEED TRUE"), kCruiseTas - vsFpm / 100, 2 * dt);
    const double tasFps = std::max(1.0, tas * kKnotsToFeetPerSecond);
    const double turnRate = kGravity * std::tan(-bank * kDeg) / tasFps;  // rad/s, positive to the right
    double newHeading = std::fmod(heading * kDeg + turnRate * dt, 2 * kPi);
    if (newHeading < 0) newHeading += 2 * kPi;
    const double newAltitude = std::max(0.0, altitude + vsFpm / 60 * dt);

    s.set("PLANE BANK DEGREES", bank * kDeg);
    s.set("PLANE PITCH DEGREES", -std::asin(std::clamp(vsFpm / 60 / tasFps, -1.0, 1.0)));
    s.set("VERTICAL SPEED", vsFpm / 60);
    s.set("AIRSPEED TRUE", tas);
    s.set("AIRSPEED INDICATED", tas / (1 + 0.02 * newAltitude / 1000));
    s.set("PLANE HEADING DEGREES MAGNETIC", newHeading);
    s.set("GPS GROUND MAGNETIC TRACK", newHeading);
    s.set("WISKEY COMPASS INDICATION DEGREES", newHeading / kDeg);
    s.set("TURN INDICATOR RATE", turnRate);
    s.set("PLANE ALTITUDE", newAltitude);
    s.set("GPS GROUND SPEED", tas * 1852 / 3600);

    const double track = newHeading + s.get("MAGVAR") * kDeg;
    const double nauticalMiles = tas * dt / 3600;
    const double latitude = s.get("PLANE LATITUDE") + nauticalMiles * std::cos(track) / 60;
    const double cosLat = std::max(0.01, std::cos(latitude * kDeg));
    s.set("PLANE LATITUDE", std::clamp(latitude, -89.9, 89.9));
    s.set("PLANE LONGITUDE", wrapSigned(s.get("PLANE LONGITUDE") + nauticalMiles * std::sin(track) / 60 / cosLat));

    runEngine(s, dt);
    advanceClock(s, dt);
}

}  // namespace brelvik::benchsim
