// The input mapping dialog's controls: id, kind, caption and place, in the
// order the window creates them (also the tab order). Positions are dialog
// units, converted with the dialog's own font when the window is built.
#pragma once

#include <span>

namespace brelvik::res {

namespace input_mapping {
// Key button i (0-16) is control kFirstKey + i; i is also the slot number of
// the "button[%d]..." settings keys.
inline constexpr int kFirstKey = 1098;
inline constexpr int kKeyCount = 17;
inline constexpr int kLastKey = kFirstKey + kKeyCount - 1;  // 1114
inline constexpr int kClear = 1115;
inline constexpr int kEventList = 1118;
inline constexpr int kCategoryList = 1119;

inline constexpr const char* kCaption = "Input Mapping";
inline constexpr int kWidth = 258, kHeight = 386;  // dialog units
}  // namespace input_mapping

enum class InputMappingKind {
    KeyButton,     // stays pushed while its key is the one being mapped
    CategoryList,  // drop-down list
    PushButton,
    EventList      // list box, one selection, both scroll bars
};

struct InputMappingControl {
    int id;
    InputMappingKind kind;
    const char* caption;
    int x, y, width, height;
};

std::span<const InputMappingControl> inputMappingControls();

}  // namespace brelvik::res
