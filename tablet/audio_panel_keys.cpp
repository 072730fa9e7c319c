#include "tablet/audio_panel_keys.h"

#include <iterator>

#include "settings/startup_settings.h"
#include "base/text_numbers.h"
#include "sim/sim_event_table.h"
#include "sim/sim_session.h"

namespace brelvik {

static_assert(std::size(kAudioPanelKeys) == setting::kAudioSlotCount);

std::optional<int> audioPanelKeyIndex(int keyCode) {
    for (int i = 0; i < static_cast<int>(std::size(kAudioPanelKeys)); ++i) {
        if (kAudioPanelKeys[i].keyCode == keyCode) return i;
    }
    return std::nullopt;
}

void FireButtonEvent(int keyIndex, const SimSession& sim, const SettingsStore& settings) {
    const auto stored = settings.read(setting::kButtonListSection, buttonEventKey(keyIndex));
    if (!stored || stored->empty()) return;
    // Only the dialog writes this key, always with a table event. Anything else
    // (a hand-edited or damaged profile) would read as some fixed event number,
    // 0 being a COM tuning step, so it fires nothing instead.
    const auto event = static_cast<DWORD>(leadingInt(*stored));
    if (!SimEventTable::contains(event)) return;
    transmitToUserAircraft(sim, event);
}

}  // namespace brelvik
