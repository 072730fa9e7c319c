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

// GTK draws a drop-down list about 14 DLU high.
constexpr int kDropDownH = 14;

constexpr std::array<InputMappingControl, im::kKeyCount + 3> buildControls() {
    std::array<InputMappingControl, im::kKeyCount + 3> table{};
    std::size_t n = 0;
    for (int i = 0; i < im::kKeyCount; ++i) {
        table.at(n++) = {im::kFirstKey + i, K::KeyButton, kAudioPanelKeys[i].caption, kKeyX, kKeyTop + kKeyPitch * i,
                         kKeyW, kKeyH};
    }
    table.at(n++) = {im::kCategoryList, K::CategoryList, "", 93, 17, 106, kDropDownH};
    table.at(n++) = {im::kClear, K::PushButton, "Clear", 203, 16, 38, 14};
    table.at(n++) = {im::kEventList, K::EventList, "", 93, 39, 148, 330};
    if (n != table.size()) throw "the table's size does not match the controls added";
    return table;
}

constexpr auto kControls = buildControls();

}  // namespace

std::span<const InputMappingControl> inputMappingControls() { return kControls; }

}  // namespace brelvik::res
