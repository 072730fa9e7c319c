#include "base/ipv4_text.h"

namespace brelvik {

std::optional<std::string> dottedQuad(std::string_view text) {
    std::string canonical;
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '.') return std::nullopt;
            ++i;
            canonical += '.';
        }
        const std::size_t start = i;
        int value = 0;
        while (i < text.size() && i - start < 3 && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
        if (i == start || value > 255) return std::nullopt;
        canonical += std::to_string(value);
    }
    if (i != text.size()) return std::nullopt;
    return canonical;
}

}  // namespace brelvik
