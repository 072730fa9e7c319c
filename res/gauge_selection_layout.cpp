#include "res/gauge_selection_layout.h"

#include <array>
#include <cstddef>
#include <iterator>

namespace brelvik::res {
namespace {

using K = ControlKind;

constexpr const char* kBoxCaptions[] = {
    "Airspeed Ind.", "Attitude Ind.", "Altitude Ind.", "Slip Ind./Turn coordinator", "Heading Ind.",
    "Vertical speed Ind.", "RPM Ind.", "Nav1/ILS Ind.", "Nav2 Ind.", "ADF Ind.", "Fuel Qty Ind.",
    "Fuel flow Ind.", "EGT Ind.", "Amp Ind.", "Oil press Ind.", "Oil temp Ind.", "GPS position", "Track",
    "Wind", "Manifold pressure", "Engine RPM",
};
static_assert(std::size(kBoxCaptions) == std::size(gauge_ids::kBoxes));

// Sixteen instruments down the left column, the five others down the right,
// one row every 12 DLU from the top; OK and Cancel bottom right.
constexpr int kLeftRows = 16;
constexpr int kLeftX = 7, kRightX = 111, kTopY = 7, kPitch = 12;
// Each column as wide as it can be with 4 DLU between them and 7 to the
// right edge: "Slip Ind./Turn coordinator" needs nearly all of the left one.
constexpr int kLeftW = kRightX - 4 - kLeftX;                 // 100
constexpr int kRightW = kGaugeSelectionWidth - 7 - kRightX;  // 86
// A GTK check box needs 22 px, a little more than 10 DLU; 12 DLU rows leave
// 1 between boxes 11 high.
constexpr int kCheckH = 11;
constexpr int kButtonY = 196, kButtonW = 50, kButtonH = 14;
constexpr int kOkX = 89, kCancelX = 147;
// The last left row reaches down beside the buttons: it stops short of OK.
constexpr int kLastLeftW = kOkX - 4 - kLeftX;  // 78

constexpr std::size_t kControlCount = std::size(gauge_ids::kBoxes) + 2;

constexpr std::array<ControlSpec, kControlCount> buildControls() {
    std::array<ControlSpec, kControlCount> table{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < std::size(gauge_ids::kBoxes); ++i) {
        const int row = static_cast<int>(i) % kLeftRows;
        const bool left = static_cast<int>(i) < kLeftRows;
        const int width = !left ? kRightW : row == kLeftRows - 1 ? kLastLeftW : kLeftW;
        table.at(n++) = ControlSpec{gauge_ids::kBoxes[i], K::CheckBox, kBoxCaptions[i], left ? kLeftX : kRightX,
                                    kTopY + kPitch * row, width, kCheckH, true};
    }
    table.at(n++) = ControlSpec{gauge_ids::kOk, K::DefaultButton, "OK", kOkX, kButtonY, kButtonW, kButtonH, true};
    table.at(n++) =
        ControlSpec{gauge_ids::kCancel, K::PushButton, "Cancel", kCancelX, kButtonY, kButtonW, kButtonH, true};
    if (n != table.size()) throw "kControlCount does not match the controls added";
    return table;
}

constexpr auto kControls = buildControls();

}  // namespace

std::span<const ControlSpec> gaugeSelectionControls() { return kControls; }

}  // namespace brelvik::res
