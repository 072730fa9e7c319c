// Geometry checks shared by the dialogs' layout tests: rectangles in dialog
// units, and whether a caption fits its control when GTK draws it.
#pragma once

#include <algorithm>
#include <string_view>

#include "res/main_dialog_layout.h"

namespace brelvik::res {

using K = ControlKind;

// Any layout entry with x, y, width and height in dialog units.
template <typename Control>
bool intersects(const Control& a, const Control& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

inline bool contains(const ControlSpec& outer, const ControlSpec& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

// By the definition of dialog units an average character is 4 DLU wide on every
// platform; real captions run narrower, so this errs on the roomy side.
constexpr int kCharWidth = 4;

// Lines a text needs when wrapped at blanks into `width` DLU.
inline int linesNeeded(std::string_view text, int width) {
    const std::size_t perLine = static_cast<std::size_t>(std::max(width / kCharWidth, 1));
    int lines = 1;
    std::size_t used = 0;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        const std::size_t need = used == 0 ? word.size() : used + 1 + word.size();
        if (need <= perLine || used == 0) {
            used = need;
        } else {
            ++lines;
            used = word.size();
        }
        if (used > perLine) return 1000;  // a single word wider than the control
        text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
    }
    return lines;
}

// Room a control of this kind needs around its text: the check mark, a
// button's bevel, an edit's inner padding.
inline int textPadding(ControlKind kind) {
    switch (kind) {
        case K::CheckBox: return 12;
        case K::DefaultButton:
        case K::PushButton: return 10;
        case K::IpAddressField:
        case K::ReadOnlyEdit:
        case K::DropDownList: return 8;
        default: return 0;
    }
}

// Height of one line of the kind under GTK; check boxes may wrap into more.
inline int lineHeight(ControlKind kind) {
    switch (kind) {
        case K::CheckBox: return 10;
        case K::DefaultButton:
        case K::PushButton:
        case K::IpAddressField:
        case K::ReadOnlyEdit:
        case K::DropDownList: return 14;
        default: return 8;
    }
}

inline bool textFits(const ControlSpec& c, std::string_view text) {
    const int lines = c.height / lineHeight(c.kind);
    return lines >= 1 && c.width >= textPadding(c.kind) && linesNeeded(text, c.width - textPadding(c.kind)) <= lines;
}

}  // namespace brelvik::res
