// Control ids of the calibration wizard's window, shared by its rules and its
// layout table.
#pragma once

namespace brelvik {

namespace wizard_ids {
inline constexpr int kFlapsLever = 1185;
inline constexpr int kFlapsIndicator = 1186;
inline constexpr int kCompass = 1227;
inline constexpr int kSwitchPanelKnob = 1228;
inline constexpr int kStandbyKnob = 1229;
inline constexpr int kPedestalKnob = 1236;
inline constexpr int kAvionicsKnob = 1237;
inline constexpr int kDeviceButtons[7] = {kFlapsLever, kFlapsIndicator, kCompass, kSwitchPanelKnob,
                                          kStandbyKnob, kPedestalKnob, kAvionicsKnob};

inline constexpr int kTitle = 1192;
inline constexpr int kStepText = 1202;
inline constexpr int kSecondText = 1178;
inline constexpr int kPrevious = 1208;
inline constexpr int kCancel = 1210;
inline constexpr int kNext = 1213;
inline constexpr int kUp = 1221;
inline constexpr int kDown = 1222;
inline constexpr int kOutOfRange = 1223;
// Compass: the left column turns the rose one way, the right the other, by
// 0.5, 5 and 10 degrees per row.
inline constexpr int kLeftButtons[3] = {1224, 1232, 1233};
inline constexpr int kRightButtons[3] = {1225, 1230, 1231};
inline constexpr int kRowLabels[3] = {1226, 1234, 1235};
inline constexpr int kReverse = 1238;
}  // namespace wizard_ids

}  // namespace brelvik
