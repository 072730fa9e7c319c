#include "res/input_mapping_layout.h"

#include <array>
#include <iterator>

#include "tablet/audio_panel_keys.h"

namespace brelvik::res {
namespace {

using K = InputMappingKind;
namespace im = input_mapping;

static_assert(std::size(kAudioPanelKeys) == im::kKeyCount);

// The keys form one column; the category list, "Clear" and the event list sit
// beside it, the list reaching as low as the last key.
constexpr int kKeyX = 17, kKeyTop = 17, kKeyPitch = 21, kKeyW = 59, kKeyH = 16;

// GTK draws a drop-down list about 14 DLU high, and needs 111 DLU across to
// show "Helicopter Specific Systems" whole, more than the 106 a native Windows
// list needs. The list is wider by as much and "Clear" moves right with it,
// into the dialog's right margin, so the dialog keeps its size.
constexpr int kDropDownH = 14;
constexpr int kCategoryW = 116;
constexpr int kClearX = 93 + kCategoryW + 4;  // 213
constexpr int kClearW = 38;
constexpr int kEventListW = kClearX + kClearW - 93;  // 158, flush with "Clear"

constexpr std::array<InputMappingControl, im::kKeyCount + 3> buildControls() {
    std::array<InputMappingControl, im::kKeyCount + 3> table{};
    std::size_t n = 0;
    for (int i = 0; i < im::kKeyCount; ++i) {
        table.at(n++) = {im::kFirstKey + i, K::KeyButton, kAudioPanelKeys[i].caption, kKeyX, kKeyTop + kKeyPitch * i,
                         kKeyW, kKeyH};
    }
    table.at(n++) = {im::kCategoryList, K::CategoryList, "", 93, 17, kCategoryW, kDropDownH};
    table.at(n++) = {im::kClear, K::PushButton, "Clear", kClearX, 16, kClearW, 14};
    table.at(n++) = {im::kEventList, K::EventList, "", 93, 39, kEventListW, 330};
    if (n != table.size()) throw "the table's size does not match the controls added";
    return table;
}

constexpr auto kControls = buildControls();

}  // namespace

std::span<const InputMappingControl> inputMappingControls() { return kControls; }

}  // namespace brelvik::res
