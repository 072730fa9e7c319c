// The gauges selection dialog without its window: what an opening shows and
// what OK does. The window only moves check box states in and out.
#pragma once

#include <array>

#include "base/seams.h"
#include "settings/startup_settings.h"

namespace brelvik {

// One state per check box, in the order of kGaugeKeys, which is the dialog's
// control order and the order of the gauge line's segments.
using GaugeBoxStates = std::array<bool, kGaugeCount>;

class GaugeSelectionForm {
public:
    // `flags` is the very object the simulator link reads for every gauge
    // line; both it and `settings` outlive the form.
    GaugeSelectionForm(GaugeSelection& flags, SettingsStore& settings) : flags_(flags), settings_(settings) {}

    // The flags as they are now: a cancelled opening leaves no trace.
    GaugeBoxStates opening() const;

    // OK. The flags change first, so the next gauge line uses them even when
    // the store cannot write; then all 21 keys are written, "0" or "1".
    void accept(const GaugeBoxStates& boxes);

private:
    GaugeSelection& flags_;
    SettingsStore& settings_;
};

}  // namespace brelvik
