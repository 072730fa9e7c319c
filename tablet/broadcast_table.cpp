#include "tablet/broadcast_table.h"

#include "base/text_numbers.h"

namespace brelvik {
namespace {

// Reads a dotted quad; anything else gives std::nullopt.
std::optional<std::uint32_t> parseDotted(const std::string& text) {
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t pos = 0;
    while (parts < 4) {
        std::size_t end = pos;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end == pos || end - pos > 3) return std::nullopt;
        const int octet = leadingInt(std::string_view(text).substr(pos, end - pos));
        if (octet > 255) return std::nullopt;
        value = (value << 8) | static_cast<std::uint32_t>(octet);
        ++parts;
        if (parts < 4) {
            if (end >= text.size() || text[end] != '.') return std::nullopt;
            pos = end + 1;
        } else if (end != text.size()) {
            return std::nullopt;
        }
    }
    return value;
}

std::string toDotted(std::uint32_t v) {
    return formatText("%u.%u.%u.%u", (v >> 24) & 0xFF, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

}  // namespace

std::vector<std::string> buildBroadcastTable(const std::optional<std::vector<AdapterAddress>>& adapters) {
    if (!adapters) return {"255.255.255.255"};
    std::vector<std::string> table;
    for (const auto& adapter : *adapters) {
        if (table.size() == kMaxBroadcastAddresses) break;
        if (adapter.address == "0.0.0.0") continue;
        const auto address = parseDotted(adapter.address);
        const auto mask = parseDotted(adapter.mask);
        if (!address || !mask) continue;
        table.push_back(toDotted(*address | ~*mask));
    }
    return table;
}

}  // namespace brelvik
