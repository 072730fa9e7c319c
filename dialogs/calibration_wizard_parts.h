// What the calibration wizard's procedures (one file each: lever, indicator,
// compass, knobs) share beyond the class itself.
#pragma once

namespace brelvik {

// The servo value the indicator's points start from, and where the needle
// goes when there is nothing to drive it from.
inline constexpr int kServoMiddle = 125;

// The title of a device's page.
const char* wizardTitle(int device);

}  // namespace brelvik
