// The gauges selection dialog's controls: id, kind, caption and place, in
// creation (and tab) order. Positions are dialog units, as for the main dialog.
#pragma once

#include <span>

#include "res/main_dialog_layout.h"

namespace brelvik::res {

// Ids inside this dialog only. They repeat ids of the main dialog (1004 is
// also "Send FSX operations", 1 is "Start"): the dialog must keep its events
// to itself.
namespace gauge_ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
// One box per gauge flag, in the order of the flags (and of the gauge line's
// segments); attitude has the lower id but comes second.
inline constexpr int kBoxes[21] = {1005, 1004, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 1014,
                                   1015, 1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023, 1024};
}  // namespace gauge_ids

// The 21 check boxes in flag order, then "OK" and "Cancel".
std::span<const ControlSpec> gaugeSelectionControls();

inline constexpr const char* kGaugeSelectionCaption = "Gauges Selection";
inline constexpr int kGaugeSelectionWidth = 204, kGaugeSelectionHeight = 217;  // dialog units

}  // namespace brelvik::res
