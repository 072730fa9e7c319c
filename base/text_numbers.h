// Numbers carried as text: settings values, datagram fields. Every reader takes
// the leading number and ignores the rest, so "abc" reads 0 and "12x" reads 12;
// values beyond the type's range saturate instead of overflowing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brelvik {

// Leading whitespace, an optional sign, then decimal digits.
std::int32_t leadingInt(std::string_view text);
// Leading whitespace, optional sign, optional "0x", then hexadecimal digits.
std::int32_t leadingHex(std::string_view text);
// A leading floating-point number as strtod reads it; 0 when there is none.
double leadingDouble(std::string_view text);

// printf-style formatting into a string of whatever length the result needs.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Doubles to integers the way the tablet and the panels expect, saturating at
// the type's limits; NaN becomes 0.
std::int32_t saturatingTrunc(double value);
std::int32_t saturatingRound(double value);  // trunc(value + 0.5)
// A servo or indicator byte: truncated, held within 0-255, NaN as 0.
std::uint8_t saturatingByte(double value);

}  // namespace brelvik
