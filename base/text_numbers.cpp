#include "base/text_numbers.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace brelvik {
namespace {

constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

int digitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

std::int32_t leadingNumber(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (base == 16 && i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        i + 2 < text.size() && digitValue(text[i + 2], 16) >= 0) {
        i += 2;
    }
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = digitValue(text[i], base);
        if (d < 0) break;
        value = value * base + d;
        if (value > kIntMax + 1) value = kIntMax + 1;  // keep accumulating bounded
    }
    if (negative) value = -value;
    if (value > kIntMax) return static_cast<std::int32_t>(kIntMax);
    if (value < kIntMin) return static_cast<std::int32_t>(kIntMin);
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t leadingInt(std::string_view text) { return leadingNumber(text, 10); }

std::int32_t leadingHex(std::string_view text) { return leadingNumber(text, 16); }

double leadingDouble(std::string_view text) {
    const std::string copy(text);  // strtod needs a terminated string
    return std::strtod(copy.c_str(), nullptr);
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return out;
}

std::int32_t saturatingTrunc(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(kIntMax)) return static_cast<std::int32_t>(kIntMax);
    if (value <= static_cast<double>(kIntMin)) return static_cast<std::int32_t>(kIntMin);
    return static_cast<std::int32_t>(value);
}

std::int32_t saturatingRound(double value) { return saturatingTrunc(value + 0.5); }

std::uint8_t saturatingByte(double value) {
    if (!(value > 0)) return 0;
    return value >= 255 ? 255 : static_cast<std::uint8_t>(value);
}

}  // namespace brelvik
