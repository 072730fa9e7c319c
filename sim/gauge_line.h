// The text line the standby gauges panel receives for every flight sample:
// KEY=value| segments chosen by the gauge selection, a fixed tail, CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/startup_settings.h"
#include "sim/data_definitions.h"

namespace brelvik {

// The longest line any sample can give, CR LF included: every segment on, each
// integer at its widest (int32 minimum) and each decimal at its widest (the
// same int32 range, see composeGaugeLine). The firmware reads into a buffer of
// fixed size, so this bound is part of what the panel is promised.
inline constexpr std::size_t kGaugeLineMaxLength = 641;

// What the line reads besides the sample: the barometric setting comes from the
// last radio sample (0 before the first), and only goes out while "Sync Baro"
// is checked.
struct GaugeLineInputs {
    const GaugeSelection& selection;
    bool syncBaro;
    double kohlsmanMillibars;
};

// Keeps the one thing the line carries from sample to sample: the panel
// brightness goes out once, in the first line after it changes.
class GaugeLineComposer {
public:
    void setPanelBrightness(std::int32_t value) { panelBrightness_ = value; }
    std::int32_t panelBrightness() const { return panelBrightness_; }
    std::int32_t lastPanelBrightness() const { return lastPanelBrightness_; }

    // The whole line, at most kGaugeLineMaxLength bytes. Only call this for a
    // line that is written: a brightness change is consumed here, and must stay
    // pending while the panel is disconnected.
    std::string compose(const FlightSample& sample, const GaugeLineInputs& inputs);

private:
    std::int32_t panelBrightness_ = 0;
    std::int32_t lastPanelBrightness_ = 0;
};

}  // namespace brelvik
