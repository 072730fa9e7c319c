#include "tools/benchsim/units.h"

#include <cctype>
#include <cmath>

namespace brelvik::benchsim {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct UnitRow {
    const char* name;  // lower case
    Quantity quantity;
    double factor;
    double offset;
    Encoding encoding;
};

// Bases: feet, radians, knots, feet per second squared, millibars, degrees
// Celsius, hertz, fraction (percent over 100), radians per second, rpm, seconds,
// gallons, gallons per hour, foot-pounds per second, foot-pounds, amperes, volts,
// squawk code as its four digits.
constexpr UnitRow kUnits[] = {
    {"number", Quantity::None, 1, 0, Encoding::Linear},
    {"numbers", Quantity::None, 1, 0, Encoding::Linear},
    {"bool", Quantity::None, 1, 0, Encoding::Linear},
    {"boolean", Quantity::None, 1, 0, Encoding::Linear},
    {"enum", Quantity::None, 1, 0, Encoding::Linear},
    {"mask", Quantity::None, 1, 0, Encoding::Linear},
    {"flags", Quantity::None, 1, 0, Encoding::Linear},
    {"feet", Quantity::Length, 1, 0, Encoding::Linear},
    {"foot", Quantity::Length, 1, 0, Encoding::Linear},
    {"ft", Quantity::Length, 1, 0, Encoding::Linear},
    {"meters", Quantity::Length, 1 / 0.3048, 0, Encoding::Linear},
    {"meter", Quantity::Length, 1 / 0.3048, 0, Encoding::Linear},
    {"m", Quantity::Length, 1 / 0.3048, 0, Encoding::Linear},
    {"kilometers", Quantity::Length, 1000 / 0.3048, 0, Encoding::Linear},
    {"nautical miles", Quantity::Length, 1852 / 0.3048, 0, Encoding::Linear},
    {"inches", Quantity::Length, 1.0 / 12, 0, Encoding::Linear},
    {"radians", Quantity::Angle, 1, 0, Encoding::Linear},
    {"radian", Quantity::Angle, 1, 0, Encoding::Linear},
    {"degrees", Quantity::Angle, kPi / 180, 0, Encoding::Linear},
    {"degree", Quantity::Angle, kPi / 180, 0, Encoding::Linear},
    {"knots", Quantity::Speed, 1, 0, Encoding::Linear},
    {"knot", Quantity::Speed, 1, 0, Encoding::Linear},
    {"meters per second", Quantity::Speed, 3600 / 1852.0, 0, Encoding::Linear},
    {"m/s", Quantity::Speed, 3600 / 1852.0, 0, Encoding::Linear},
    {"feet per second", Quantity::Speed, 0.3048 * 3600 / 1852, 0, Encoding::Linear},
    {"feet per minute", Quantity::Speed, 0.3048 * 60 / 1852, 0, Encoding::Linear},
    {"feet/minute", Quantity::Speed, 0.3048 * 60 / 1852, 0, Encoding::Linear},
    {"ft/min", Quantity::Speed, 0.3048 * 60 / 1852, 0, Encoding::Linear},
    {"meters per minute", Quantity::Speed, 60 / 1852.0, 0, Encoding::Linear},
    {"kilometers per hour", Quantity::Speed, 1000 / 1852.0, 0, Encoding::Linear},
    {"miles per hour", Quantity::Speed, 1609.344 / 1852, 0, Encoding::Linear},
    {"feet per second squared", Quantity::Acceleration, 1, 0, Encoding::Linear},
    {"meters per second squared", Quantity::Acceleration, 1 / 0.3048, 0, Encoding::Linear},
    {"gforce", Quantity::Acceleration, 32.174049, 0, Encoding::Linear},
    {"millibars", Quantity::Pressure, 1, 0, Encoding::Linear},
    {"millibar", Quantity::Pressure, 1, 0, Encoding::Linear},
    {"mbar", Quantity::Pressure, 1, 0, Encoding::Linear},
    {"hectopascals", Quantity::Pressure, 1, 0, Encoding::Linear},
    {"hpa", Quantity::Pressure, 1, 0, Encoding::Linear},
    {"millibar scaler 16", Quantity::Pressure, 1.0 / 16, 0, Encoding::Linear},
    {"pascals", Quantity::Pressure, 0.01, 0, Encoding::Linear},
    {"kpa", Quantity::Pressure, 10, 0, Encoding::Linear},
    {"inhg", Quantity::Pressure, 33.8638866667, 0, Encoding::Linear},
    {"inches of mercury", Quantity::Pressure, 33.8638866667, 0, Encoding::Linear},
    {"psf", Quantity::Pressure, 0.478802589803, 0, Encoding::Linear},
    {"pounds per square foot", Quantity::Pressure, 0.478802589803, 0, Encoding::Linear},
    {"psi", Quantity::Pressure, 68.9475729318, 0, Encoding::Linear},
    {"celsius", Quantity::Temperature, 1, 0, Encoding::Linear},
    {"fahrenheit", Quantity::Temperature, 1 / 1.8, -32 / 1.8, Encoding::Linear},
    {"rankine", Quantity::Temperature, 1 / 1.8, -273.15, Encoding::Linear},
    {"kelvin", Quantity::Temperature, 1, -273.15, Encoding::Linear},
    {"hz", Quantity::Frequency, 1, 0, Encoding::Linear},
    {"khz", Quantity::Frequency, 1e3, 0, Encoding::Linear},
    {"mhz", Quantity::Frequency, 1e6, 0, Encoding::Linear},
    {"frequency bcd16", Quantity::Frequency, 1, 0, Encoding::Bcd16},
    {"frequency bcd32", Quantity::Frequency, 1, 0, Encoding::Bcd32},
    {"percent over 100", Quantity::Ratio, 1, 0, Encoding::Linear},
    {"percent", Quantity::Ratio, 0.01, 0, Encoding::Linear},
    {"part", Quantity::Ratio, 1, 0, Encoding::Linear},
    {"position", Quantity::Ratio, 1, 0, Encoding::Linear},
    {"position 128", Quantity::Ratio, 1.0 / 128, 0, Encoding::Linear},
    {"position 16k", Quantity::Ratio, 1.0 / 16384, 0, Encoding::Linear},
    {"position 32k", Quantity::Ratio, 1.0 / 32768, 0, Encoding::Linear},
    {"radians per second", Quantity::AngularRate, 1, 0, Encoding::Linear},
    {"degrees per second", Quantity::AngularRate, kPi / 180, 0, Encoding::Linear},
    {"rpm", Quantity::Rotation, 1, 0, Encoding::Linear},
    {"revolutions per minute", Quantity::Rotation, 1, 0, Encoding::Linear},
    {"seconds", Quantity::Time, 1, 0, Encoding::Linear},
    {"second", Quantity::Time, 1, 0, Encoding::Linear},
    {"minutes", Quantity::Time, 60, 0, Encoding::Linear},
    {"hours", Quantity::Time, 3600, 0, Encoding::Linear},
    {"hour", Quantity::Time, 3600, 0, Encoding::Linear},
    {"days", Quantity::Time, 86400, 0, Encoding::Linear},
    {"gallons", Quantity::Volume, 1, 0, Encoding::Linear},
    {"gallon", Quantity::Volume, 1, 0, Encoding::Linear},
    {"liters", Quantity::Volume, 1 / 3.785411784, 0, Encoding::Linear},
    {"gallons per hour", Quantity::VolumeFlow, 1, 0, Encoding::Linear},
    {"liters per hour", Quantity::VolumeFlow, 1 / 3.785411784, 0, Encoding::Linear},
    {"ft lb per second", Quantity::Power, 1, 0, Encoding::Linear},
    {"foot pounds per second", Quantity::Power, 1, 0, Encoding::Linear},
    {"horsepower", Quantity::Power, 550, 0, Encoding::Linear},
    {"hp", Quantity::Power, 550, 0, Encoding::Linear},
    {"watts", Quantity::Power, 1 / 1.3558179483, 0, Encoding::Linear},
    {"foot pounds", Quantity::Torque, 1, 0, Encoding::Linear},
    {"foot pound", Quantity::Torque, 1, 0, Encoding::Linear},
    {"newton meters", Quantity::Torque, 1 / 1.3558179483, 0, Encoding::Linear},
    {"amperes", Quantity::Current, 1, 0, Encoding::Linear},
    {"ampere", Quantity::Current, 1, 0, Encoding::Linear},
    {"amps", Quantity::Current, 1, 0, Encoding::Linear},
    {"volts", Quantity::Voltage, 1, 0, Encoding::Linear},
    {"volt", Quantity::Voltage, 1, 0, Encoding::Linear},
    {"bco16", Quantity::Squawk, 1, 0, Encoding::Bco16},
    {"squawk", Quantity::Squawk, 1, 0, Encoding::Linear},
};

// Each decimal digit of `value` in its own nibble, least significant first.
double toNibbles(double value, int base, int digits) {
    auto n = static_cast<long long>(std::llround(std::fabs(value)));
    long long out = 0;
    for (int i = 0; i < digits; ++i) {
        out |= (n % base) << (4 * i);
        n /= base;
    }
    return static_cast<double>(out);
}

double fromNibbles(double value, int base) {
    auto n = static_cast<long long>(std::llround(std::fabs(value)));
    long long out = 0;
    long long scale = 1;
    for (; n > 0; n >>= 4, scale *= base) out += (n & 0xF) * scale;
    return static_cast<double>(out);
}

double toBase(double value, const Unit& unit) {
    switch (unit.encoding) {
        case Encoding::Bcd16: {
            // Four digits without the leading 1: 0x2345 is 123.45 MHz.
            const double digits = fromNibbles(value, 10);
            return (digits < 10000 ? digits + 10000 : digits) * 1e4;
        }
        case Encoding::Bcd32: return fromNibbles(value, 10) * 100;  // digits of hundreds of Hz
        case Encoding::Bco16: return fromNibbles(value, 10);
        case Encoding::Linear: break;
    }
    return value * unit.factor + unit.offset;
}

double fromBase(double base, const Unit& unit) {
    switch (unit.encoding) {
        case Encoding::Bcd16: return toNibbles(std::fmod(std::round(base / 1e4), 10000), 10, 4);
        case Encoding::Bcd32: return toNibbles(base / 100, 10, 8);
        case Encoding::Bco16: return toNibbles(base, 10, 4);
        case Encoding::Linear: break;
    }
    return (base - unit.offset) / unit.factor;
}

}  // namespace

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::optional<Unit> findUnit(std::string_view name) {
    std::string key = trimmed(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& row : kUnits) {
        if (key == row.name) return Unit{trimmed(name), row.quantity, row.factor, row.offset, row.encoding};
    }
    return std::nullopt;
}

double convert(double value, const Unit& from, const Unit& to) {
    if (from.quantity != to.quantity || from.quantity == Quantity::None) return value;
    if (from.encoding == to.encoding && from.factor == to.factor && from.offset == to.offset) return value;
    return fromBase(toBase(value, from), to);
}

Unit plainNumber() { return Unit{"Number", Quantity::None, 1, 0, Encoding::Linear}; }

}  // namespace brelvik::benchsim
