// The calibration wizard's controls, in creation (and tab) order, in dialog
// units like the main dialog's. Hidden controls keep their place.
#pragma once

#include <span>

#include "res/main_dialog_layout.h"

namespace brelvik::res {

std::span<const ControlSpec> calibrationDialogControls();

inline constexpr const char* kCalibrationCaption = "Calibration";
inline constexpr int kCalibrationWidth = 257, kCalibrationHeight = 282;  // dialog units

inline constexpr const char* kOutOfRangeText =
    "Caliration out of range. Please start over the calibration procedure if this doesn't meet your "
    "satisfaction. Please make sure you install the arm (in the position which is as close as the middle of the "
    "full range)at the beginning of  the calibration.";

}  // namespace brelvik::res
