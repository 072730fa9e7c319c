// Conversions of sampled values into the units the tablet and the panels show.
// Both were built against these exact constants; more precise ones would
// change the last printed digit of some values.
#pragma once

#include <limits>

namespace brelvik {

inline constexpr double kPi = 3.141592654;
inline constexpr double kRankineToFahrenheit = 459.67;
inline constexpr double kPsfPerPsi = 144.0;
inline constexpr double kBallScale = 0.0078125;  // 1/128: full deflection is 1

inline double degrees(double radians) { return radians / kPi * 180.0; }

inline double fahrenheit(double rankine) { return rankine - kRankineToFahrenheit; }

// The turn coordinator's ball as a fraction of full deflection, -1 ... 1.
// NaN stays NaN.
inline double clampedSlip(double ball) {
    const double slip = ball * kBallScale;
    if (slip > 1.0) return 1.0;
    if (slip < -1.0) return -1.0;
    return slip;
}

// A value passed through single precision, as the peers have always received
// it. Beyond float's range it becomes an infinity explicitly, since narrowing
// it by a plain cast is undefined.
inline double singlePrecision(double value) {
    constexpr double kFloatMax = std::numeric_limits<float>::max();
    if (value > kFloatMax) return std::numeric_limits<double>::infinity();
    if (value < -kFloatMax) return -std::numeric_limits<double>::infinity();
    return static_cast<double>(static_cast<float>(value));
}

}  // namespace brelvik
