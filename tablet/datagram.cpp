#include "tablet/datagram.h"

namespace brelvik {

SplitDatagram splitDatagram(std::string_view text) {
    if (text.size() > kMaxDatagramText) text = text.substr(0, kMaxDatagramText);
    // A NUL inside the datagram ends the text, as it would for a C string.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);

    SplitDatagram out;
    bool first = true;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t bar = text.find('|', pos);
        const std::size_t end = bar == std::string_view::npos ? text.size() : bar;
        const std::string_view field = text.substr(pos, end - pos);
        pos = end + 1;
        if (field.empty()) continue;
        if (first) {
            out.word = field;
            first = false;
            continue;
        }
        const std::size_t eq = field.find('=');
        if (eq == std::string_view::npos || eq > kMaxKeyLength) continue;
        out.fields.push_back({field.substr(0, eq), field.substr(eq + 1)});
    }
    return out;
}

}  // namespace brelvik
