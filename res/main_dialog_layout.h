// The main dialog's controls: id, kind, caption and place. The window code
// creates exactly these controls in this order (which is also the tab order),
// so ids, captions and positions have one home. Positions are dialog units
// (1 DLU = 2 px across, 2.125 px down at GTK's default Sans 10).
#pragma once

#include <span>

namespace brelvik::res {

enum class ControlKind {
    GroupBox,
    Label,
    IpAddressField,
    DefaultButton,
    PushButton,
    CheckBox,
    ReadOnlyEdit,
    StaticText,
    DropDownList
};

// id is -1 for labels and group boxes: nothing addresses them after creation.
// A control that exists but is not visible still has its place, so showing it
// later never needs a new position.
struct ControlSpec {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, width, height;
    bool visible;
};

// Every control of the main dialog; each group box precedes the controls it
// frames, and each label precedes the field it names.
std::span<const ControlSpec> mainDialogControls();

inline constexpr const char* kMainDialogCaption = "Brelvik V4.9.0";
inline constexpr int kMainDialogWidth = 518, kMainDialogHeight = 238;  // dialog units

}  // namespace brelvik::res
