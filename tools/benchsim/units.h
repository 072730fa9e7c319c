// Units a client may name when it declares a variable, and how values move
// between them. Each unit belongs to a quantity (length, angle, frequency, ...);
// a value converts only between units of the same quantity.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brelvik::benchsim {

enum class Quantity {
    None,  // number, bool, enum: no conversion at all
    Length,
    Angle,
    Speed,
    Acceleration,
    Pressure,
    Temperature,
    Frequency,
    Ratio,
    AngularRate,
    Rotation,
    Time,
    Volume,
    VolumeFlow,
    Power,
    Torque,
    Current,
    Voltage,
    Squawk,
};

// Special encodings that are not a factor and an offset.
enum class Encoding { Linear, Bcd16, Bcd32, Bco16 };

struct Unit {
    std::string name;  // as the client spelled it
    Quantity quantity = Quantity::None;
    double factor = 1.0;  // base = value * factor + offset
    double offset = 0.0;
    Encoding encoding = Encoding::Linear;
};

// The unit of that name, case and surrounding blanks ignored; nothing when the
// bench does not know it.
std::optional<Unit> findUnit(std::string_view name);

// `value` in unit `from` expressed in unit `to`. Between units of different
// quantities, or where either has no quantity, the value passes unchanged.
double convert(double value, const Unit& from, const Unit& to);

// The unit of a variable with no unit of its own.
Unit plainNumber();

std::string upperCase(std::string_view text);
std::string trimmed(std::string_view text);

}  // namespace brelvik::benchsim
