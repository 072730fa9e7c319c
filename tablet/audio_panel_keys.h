// The tablet's seventeen audio-panel keys: the numeric code the tablet reports
// for each, and how a press reaches the simulator through the user's mapping.
#pragma once

#include <optional>

#include "base/seams.h"
#include "sim/sim_session.h"

namespace brelvik {

struct AudioPanelKey {
    int keyCode;          // as the tablet reports it in "UKP" / "UKM"
    const char* caption;  // the key's button caption in the input mapping dialog
};

// Index i is the key's slot number in the "button[%d]..." settings keys; the
// dialog's button for it has control id 1098 + i.
inline constexpr AudioPanelKey kAudioPanelKeys[17] = {
    {46, "COM3 MIC"}, {48, "COM 1/2"},    {54, "COM3"},       {114, "TEL"},       {116, "PA"},
    {118, "SPKR"},    {122, "HI SENS"},   {128, "AUX"},       {134, "MAN SQ"},    {136, "PLAY"},
    {138, "PILOT"},   {140, "COPLT"},     {144, "VOL(press)"}, {146, "VOL_PILOT+"}, {147, "VOL_PILOT-"},
    {148, "VOL_PASS+"}, {149, "VOL_PASS-"},
};

// The ranges the avionics handler lets through to the key lookup (46-55 and
// 114-149). Codes inside them that name no key are possible and fire nothing.
constexpr bool isAudioPanelKeyRange(int keyCode) {
    return (keyCode >= 46 && keyCode <= 55) || (keyCode >= 114 && keyCode <= 149);
}

// The slot of a key code; nullopt for a code that is not one of the seventeen.
std::optional<int> audioPanelKeyIndex(int keyCode);

// Transmits the simulator event the user mapped to slot `keyIndex`, with data 0
// at the highest priority. The mapping is read at every press, so a change made
// in the dialog applies to the next press. A missing or empty mapping, or one
// that names no event of the simulator event table, fires nothing.
void FireButtonEvent(int keyIndex, const SimSession& sim, const SettingsStore& settings);

}  // namespace brelvik
