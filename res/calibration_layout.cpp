#include "res/calibration_layout.h"

#include <array>

#include "base/wizard_ids.h"

namespace brelvik::res {
namespace {

using K = ControlKind;
using namespace wizard_ids;

// Left: the seven device buttons, the four knobs framed as "Knobs". Right: the
// step area in an unlabelled frame, the texts above, the servo and compass
// controls below them, the step buttons along the bottom.
constexpr int kDeviceX = 7, kDeviceW = 58, kDeviceH = 15;
constexpr int kAreaX = 73, kAreaW = 177;       // frame spans 73..250
constexpr int kIn = kAreaX + 7, kInW = kAreaW - 14;  // 80..243
constexpr int kButtonH = 14, kCheckH = 10, kTextH = 10;
constexpr int kStepButtonW = 50;
constexpr int kCompassButtonW = 24;
constexpr int kCompassTop = 170, kCompassPitch = 20;

constexpr ControlSpec row(int index, int id, const char* caption, int x, int width, K kind, int dy = 0) {
    return {id, kind, caption, x, kCompassTop + index * kCompassPitch + dy, width,
            kind == K::Label ? kTextH : kButtonH, false};
}

constexpr std::array kControls = {
    ControlSpec{kFlapsLever, K::PushButton, "Flaps Lever", kDeviceX, 10, kDeviceW, kDeviceH, true},
    ControlSpec{kFlapsIndicator, K::PushButton, "Flaps indicator", kDeviceX, 31, kDeviceW, kDeviceH, true},
    ControlSpec{kCompass, K::PushButton, "Compass", kDeviceX, 52, kDeviceW, kDeviceH, true},
    ControlSpec{-1, K::GroupBox, "Knobs", 4, 76, 64, 100, true},
    ControlSpec{kSwitchPanelKnob, K::PushButton, "SW/CB PANEL", kDeviceX, 92, kDeviceW, kDeviceH, true},
    ControlSpec{kStandbyKnob, K::PushButton, "STBY IND", kDeviceX, 112, kDeviceW, kDeviceH, true},
    ControlSpec{kPedestalKnob, K::PushButton, "PEDESTAL", kDeviceX, 132, kDeviceW, kDeviceH, true},
    ControlSpec{kAvionicsKnob, K::PushButton, "AVONICS", kDeviceX, 152, kDeviceW, kDeviceH, true},

    ControlSpec{-1, K::GroupBox, "", kAreaX, 4, kAreaW, 272, true},
    ControlSpec{kTitle, K::StaticText, "", kIn, 14, kInW, kTextH, true},
    ControlSpec{kStepText, K::StaticText, "", kIn, 30, kInW, 78, true},
    ControlSpec{kSecondText, K::StaticText, "", kIn, 110, kInW, 28, true},
    ControlSpec{kOutOfRange, K::StaticText, kOutOfRangeText, kIn, 30, kInW, 106, false},
    ControlSpec{kUp, K::PushButton, "Up", kIn + 20, 144, kStepButtonW, kButtonH, false},
    ControlSpec{kDown, K::PushButton, "Down", kIn + kInW - 20 - kStepButtonW, 144, kStepButtonW, kButtonH, false},

    row(0, kLeftButtons[0], "+", kIn + 10, kCompassButtonW, K::PushButton),
    row(0, kRowLabels[0], "0.5 degree", kIn + 40, 80, K::Label, 2),
    row(0, kRightButtons[0], "-", kIn + kInW - 10 - kCompassButtonW, kCompassButtonW, K::PushButton),
    row(1, kLeftButtons[1], "+", kIn + 10, kCompassButtonW, K::PushButton),
    row(1, kRowLabels[1], "5 degrees", kIn + 40, 80, K::Label, 2),
    row(1, kRightButtons[1], "-", kIn + kInW - 10 - kCompassButtonW, kCompassButtonW, K::PushButton),
    row(2, kLeftButtons[2], "+", kIn + 10, kCompassButtonW, K::PushButton),
    row(2, kRowLabels[2], "10 degrees", kIn + 40, 80, K::Label, 2),
    row(2, kRightButtons[2], "-", kIn + kInW - 10 - kCompassButtonW, kCompassButtonW, K::PushButton),
    ControlSpec{kReverse, K::CheckBox, "Reverse", kIn + 10, 232, 80, kCheckH, false},

    ControlSpec{kPrevious, K::PushButton, "Previous", kIn, 254, kStepButtonW, kButtonH, false},
    ControlSpec{kCancel, K::PushButton, "Cancel", kIn + (kInW - kStepButtonW) / 2, 254, kStepButtonW, kButtonH, false},
    ControlSpec{kNext, K::PushButton, "Next", kIn + kInW - kStepButtonW, 254, kStepButtonW, kButtonH, false},
};

}  // namespace

std::span<const ControlSpec> calibrationDialogControls() { return kControls; }

}  // namespace brelvik::res
