#include "res/main_dialog_layout.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

#include "base/control_ids.h"

namespace brelvik::res {
namespace {

using K = ControlKind;

// Two columns. The left one holds the tablet link and the failure switches,
// the right one the serial panels; each group keeps 7 DLU of frame margin and
// captioned groups leave at least 12 DLU above their first row for the caption.
constexpr int kLeftX = 7, kLeftW = 244;     // groups span 7..251
constexpr int kLeftIn = kLeftX + 7;         // controls span 14..244
constexpr int kLeftInW = kLeftW - 14;       // 230
constexpr int kRightX = 258, kRightW = 253; // groups span 258..511
constexpr int kRightIn = kRightX + 7;       // controls span 265..504
constexpr int kRightInW = kRightW - 14;     // 239

// GTK draws buttons, edits and combo boxes about 14 DLU high and check boxes
// about 10; a label sits 2 DLU lower than the field beside it to share its
// text baseline.
constexpr int kFieldH = 14, kCheckH = 10, kTextH = 10;

// Panel group rows: a port list, then "Connect", then a third button, the
// buttons flush with the group's right margin.
constexpr int kPanelButtonW = 54;
constexpr int kThirdButtonX = kRightIn + kRightInW - kPanelButtonW;  // 450
constexpr int kConnectX = kThirdButtonX - 4 - kPanelButtonW;         // 392
constexpr int kPortListW = kConnectX - 4 - kRightIn;                 // 123

// Breaker grid: 14 small boxes per row, one row per 14 consecutive ids.
constexpr int kBreakersPerRow = 14;
constexpr int kBreakerPitchX = 17, kBreakerPitchY = 12, kBreakerW = 12;
constexpr int kBreakerX = kRightIn;

constexpr const char* kFailureCaptions[] = {
    "GIA1", "GIA2", "Air Data Computer", "AHRS", "Magnetometer", "MFD",
    "GEA", "Transponder", "Airspeed", "Altitude", "Vertical Speed",
};
static_assert(std::size(kFailureCaptions) == std::size(ids::kFailureBoxes));
// The first column holds "Air Data Computer", the widest caption.
constexpr int kFailureColumnX[3] = {kLeftIn, 97, 172};
constexpr int kFailureColumnW[3] = {80, 72, 72};

constexpr std::size_t kControlCount = 45 + ids::kBreakerCount;

constexpr bool isHiddenBreaker(int id) {
    return std::find(std::begin(ids::kHiddenBreakers), std::end(ids::kHiddenBreakers), id) !=
           std::end(ids::kHiddenBreakers);
}

constexpr std::array<ControlSpec, kControlCount> buildControls() {
    std::array<ControlSpec, kControlCount> table{};
    std::size_t n = 0;
    auto add = [&](int id, K kind, const char* caption, int x, int y, int w, int h,
                   bool visible = true) {
        table.at(n++) = ControlSpec{id, kind, caption, x, y, w, h, visible};
    };

    // Tablet link: address and start/stop, both statuses, its options.
    add(-1, K::GroupBox, "", kLeftX, 4, kLeftW, 130);
    add(-1, K::Label, "Quillon's IP:", kLeftIn, 17, 52, kTextH);
    add(ids::kTabletAddress, K::IpAddressField, "", 68, 14, 80, kFieldH);
    add(ids::kStart, K::DefaultButton, "Start", 152, 14, 44, kFieldH);
    add(ids::kClose, K::PushButton, "Close", 200, 14, 44, kFieldH);
    add(-1, K::Label, "Quillon Status:", kLeftIn, 37, 60, kTextH);
    add(ids::kTabletStatus, K::ReadOnlyEdit, "", 76, 34, 168, kFieldH);
    // The simulator's version text is long: its field takes the whole row.
    add(-1, K::Label, "FS:", kLeftIn, 55, 16, kTextH);
    add(ids::kSimStatus, K::ReadOnlyEdit, "", 32, 52, 212, kFieldH);
    // Two lines high: the caption is far wider than the column.
    add(ids::kSendSimOperations, K::CheckBox,
        "Send FSX operations to Quillon simulator(Uncheck this if the Quillon simulator is abnormal)",
        kLeftIn, 72, kLeftInW, 2 * kCheckH);
    add(ids::kTabletAutoConnect, K::CheckBox, "Auto-Connect", kLeftIn, 98, 62, kCheckH);
    add(ids::kSyncAutopilotMaster, K::CheckBox, "Synchronize autopilot master switch", 82, 98, 162,
        kCheckH);
    add(ids::kInputMapping, K::PushButton, "Input Mapping", kLeftIn, 114, 70, kFieldH);

    // Failure switches, down the columns in the order of their control ids
    // (not the order their flags travel to the tablet), which puts the
    // computers, the displays and sensors, and the pitot-static instruments in
    // one column each.
    add(-1, K::GroupBox, "Quillon Failures", kLeftX, 140, kLeftW, 90);
    for (std::size_t i = 0; i < std::size(ids::kFailureBoxes); ++i) {
        const int column = static_cast<int>(i / 4), row = static_cast<int>(i % 4);
        add(ids::kFailureBoxes[i], K::CheckBox, kFailureCaptions[i], kFailureColumnX[column],
            156 + 18 * row, kFailureColumnW[column], kCheckH);
    }

    // Above the panel groups: what applies to all three panels.
    add(ids::kRefreshPorts, K::PushButton, "Refresh serial port lists", kRightX, 6, 110, kFieldH);
    add(ids::kPanelAutoConnect, K::CheckBox, "Auto-Connect", 372, 8, 62, kCheckH);
    add(ids::kPanelAutoConnectStatus, K::ReadOnlyEdit, "", 437, 6, 74, kFieldH);

    // Each panel group: port list, Connect, its own button; status below,
    // wide enough for "Please select a COM port".
    add(-1, K::GroupBox, "Standby gauges", kRightX, 24, kRightW, 50);
    add(ids::kGaugesPort, K::DropDownList, "", kRightIn, 36, kPortListW, kFieldH);
    add(ids::kGaugesConnect, K::PushButton, "Connect", kConnectX, 36, kPanelButtonW, kFieldH);
    add(ids::kGaugesConfig, K::PushButton, "Config", kThirdButtonX, 36, kPanelButtonW, kFieldH);
    add(ids::kGaugesStatus, K::StaticText, "Not connected", kRightIn, 56, 150, kTextH);
    add(ids::kSyncBaro, K::CheckBox, "Sync Baro", kThirdButtonX, 56, kPanelButtonW, kCheckH);

    add(-1, K::GroupBox, "Switch panel", kRightX, 78, kRightW, 98);
    add(ids::kSwitchPanelPort, K::DropDownList, "", kRightIn, 90, kPortListW, kFieldH);
    add(ids::kSwitchPanelConnect, K::PushButton, "Connect", kConnectX, 90, kPanelButtonW, kFieldH);
    add(ids::kCalibrationConfig, K::PushButton, "Config", kThirdButtonX, 90, kPanelButtonW,
        kFieldH);
    add(ids::kSwitchPanelStatus, K::StaticText, "Not connected", kRightIn, 108, 150, kTextH);
    add(-1, K::Label, "Circuit Breakers", kRightIn, 122, 80, kTextH);
    for (int id = ids::kFirstBreaker; id <= ids::kLastBreaker; ++id) {
        const int index = id - ids::kFirstBreaker;
        add(id, K::CheckBox, "", kBreakerX + kBreakerPitchX * (index % kBreakersPerRow),
            134 + kBreakerPitchY * (index / kBreakersPerRow), kBreakerW, kCheckH,
            !isHiddenBreaker(id));
    }

    add(-1, K::GroupBox, "Pedestal", kRightX, 182, kRightW, 48);
    add(ids::kPedestalPort, K::DropDownList, "", kRightIn, 194, kPortListW, kFieldH);
    add(ids::kPedestalConnect, K::PushButton, "Connect", kConnectX, 194, kPanelButtonW, kFieldH);
    add(ids::kPedestalInitialize, K::PushButton, "Initialize", kThirdButtonX, 194, kPanelButtonW,
        kFieldH);
    add(ids::kPedestalStatus, K::StaticText, "Not connected", kRightIn, 212, 150, kTextH);

    if (n != table.size()) throw "kControlCount does not match the controls added";
    return table;
}

constexpr auto kControls = buildControls();

}  // namespace

std::span<const ControlSpec> mainDialogControls() { return kControls; }

}  // namespace brelvik::res
