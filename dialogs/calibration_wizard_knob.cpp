#include "dialogs/calibration_wizard_knob.h"

#include <algorithm>

#include "base/wizard_ids.h"
#include "settings/startup_settings.h"

namespace brelvik {
namespace {

using namespace wizard_ids;

constexpr std::uint8_t kKnobLow = 20;
constexpr std::uint8_t kKnobHigh = 235;

struct KnobTexts {
    const char* title;
    const char* turn;
    const char* minKey;
    const char* maxKey;
};
constexpr KnobTexts kKnobs[kKnobCount] = {
    {"SW/CB PANEL knob calibration", "2.Turn the SW/CB PANEL knob multiple times to maximum range",
     setting::kSwitchPanelKnobMin, setting::kSwitchPanelKnobMax},
    {"STBY IND knob calibration", "2.Turn the STBY IND knob multiple times to maximum range",
     setting::kStandbyKnobMin, setting::kStandbyKnobMax},
    {"PEDESTAL knob calibration", "2.Turn the PEDESTAL knob multiple times to maximum range",
     setting::kPedestalKnobMin, setting::kPedestalKnobMax},
    {"AVONICS knob calibration", "2.Turn the AVONICS knob multiple times to maximum range",
     setting::kAvionicsKnobMin, setting::kAvionicsKnobMax}};

int knobOf(int device) { return device - wizard_device::kFirstKnob; }
std::size_t at(int knob) { return static_cast<std::size_t>(knob); }

}  // namespace

bool KnobSampler::feed(std::uint8_t v) {
    if (v < kKnobLow && troughCount_ < 3 && !done_) {
        if (runningLow_ >= v) {
            runningLow_ = v;
            falling_ = true;
        } else if (falling_) {
            troughs_[static_cast<std::size_t>(troughCount_++)] = runningLow_;
            runningLow_ = v;
            falling_ = false;
        }
    }
    if (v > kKnobHigh && peakCount_ < 3 && !done_) {
        if (runningHigh_ <= v) {
            rising_ = true;
            runningHigh_ = v;
        } else if (rising_) {
            peaks_[static_cast<std::size_t>(peakCount_++)] = runningHigh_;
            rising_ = false;
            runningHigh_ = v;
        }
    }
    if (peakCount_ == 3 && troughCount_ == 3) {
        resultMax_ = std::max({peaks_[0], peaks_[1], peaks_[2]});
        resultMin_ = std::min({troughs_[0], troughs_[1], troughs_[2]});
        rising_ = falling_ = false;
        runningLow_ = kKnobLow;
        runningHigh_ = kKnobHigh;
        peakCount_ = troughCount_ = 0;
        done_ = true;
        return true;
    }
    return false;
}

KnobProcedure::KnobProcedure(WizardState& state) : CalibrationProcedure(state) {
    // The decoders hand over each raw value of a knob being calibrated.
    state_.shared.feedKnobRange = [this](int knob, std::uint8_t raw) { feed(knob, raw); };
}

KnobProcedure::~KnobProcedure() { state_.shared.feedKnobRange = nullptr; }

const char* KnobProcedure::title(int device) const { return kKnobs[knobOf(device)].title; }

StepText KnobProcedure::stepText(int device, int step) const {
    if (step == 1) return {"1.Click Next to begin calibration.", ""};
    if (step == 2) return {kKnobs[knobOf(device)].turn, ""};
    return {"3.Calibration completed.", ""};
}

void KnobProcedure::next(int device) {
    const int knob = knobOf(device);
    switch (state_.step(device)) {
    case 1:
        enterStep(device, 2);
        state_.shared.knobCalibrating[at(knob)] = true;
        state_.controls->enable(kPrevious, true);
        state_.controls->enable(kCancel, true);
        state_.controls->enable(kNext, false);  // until the sampler has seen both ends three times
        break;
    case 2:
        enterStep(device, 3);
        state_.controls->setText(kNext, "Save");
        break;
    case 3:
        save(knob);
        sampler_.clearDone();
        state_.shared.knobCalibrating[at(knob)] = false;
        state_.finishDevice();
        break;
    default:
        break;
    }
}

void KnobProcedure::previous(int device) {
    if (state_.step(device) == 2) {
        enterStep(device, 1);
        sampler_.reset();
        state_.shared.knobCalibrating[at(knobOf(device))] = false;
        state_.controls->enable(kNext, true);
        state_.controls->enable(kPrevious, false);
        state_.controls->enable(kCancel, false);
    } else {
        enterStep(device, 2);
        state_.controls->setText(kNext, "Next");  // the sampler stays done, and Next enabled
    }
}

void KnobProcedure::abort(int device, int step) {
    if (step <= 1) return;
    sampler_.reset();
    state_.controls->enable(kNext, true);
    state_.shared.knobCalibrating[at(knobOf(device))] = false;
}

void KnobProcedure::feed(int knob, std::uint8_t value) {
    if (knob < 0 || knob >= kKnobCount) return;
    if (sampler_.feed(value)) state_.controls->enable(kNext, true);
}

void KnobProcedure::save(int knob) {
    state_.setStep(wizard_device::kFirstKnob + knob, 0);
    if (sampler_.resultMin() == 0 && sampler_.resultMax() == 0) return;
    state_.shared.knobRange[at(knob)] = {sampler_.resultMax(), sampler_.resultMin()};
    state_.storeNumber(setting::kKnobSection, kKnobs[knob].minKey, sampler_.resultMin());
    state_.storeNumber(setting::kKnobSection, kKnobs[knob].maxKey, sampler_.resultMax());
    sampler_.clearResults();
}

}  // namespace brelvik
