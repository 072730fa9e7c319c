// The four knobs: each one's range sampled while it is turned, then saved.
#include "dialogs/calibration_wizard.h"
#include "dialogs/calibration_wizard_parts.h"

#include "settings/startup_settings.h"

namespace brelvik {
namespace {

constexpr std::uint8_t kKnobLow = 20;
constexpr std::uint8_t kKnobHigh = 235;

struct KnobKeys {
    const char* min;
    const char* max;
};
constexpr KnobKeys kKnobKeys[kKnobCount] = {
    {setting::kSwitchPanelKnobMin, setting::kSwitchPanelKnobMax},
    {setting::kStandbyKnobMin, setting::kStandbyKnobMax},
    {setting::kPedestalKnobMin, setting::kPedestalKnobMax},
    {setting::kAvionicsKnobMin, setting::kAvionicsKnobMax}};

}  // namespace

using namespace wizard_ids;

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

void CalibrationWizard::nextKnob(int knob) {
    const int device = FirstKnob + knob;
    switch (step(device)) {
    case 1:
        enterStep(device, 2);
        shared_.knobCalibrating[static_cast<std::size_t>(knob)] = true;
        controls_->enable(kPrevious, true);
        controls_->enable(kCancel, true);
        controls_->enable(kNext, false);  // until the sampler has seen both ends three times
        break;
    case 2:
        enterStep(device, 3);
        controls_->setText(kNext, "Save");
        break;
    case 3:
        saveKnob(knob);
        sampler_.clearDone();
        shared_.knobCalibrating[static_cast<std::size_t>(knob)] = false;
        finishDevice();
        break;
    default:
        break;
    }
}

void CalibrationWizard::previousKnob(int knob) {
    const int device = FirstKnob + knob;
    if (step(device) == 2) {
        enterStep(device, 1);
        sampler_.reset();
        shared_.knobCalibrating[static_cast<std::size_t>(knob)] = false;
        controls_->enable(kNext, true);
        controls_->enable(kPrevious, false);
        controls_->enable(kCancel, false);
    } else {
        enterStep(device, 2);
        controls_->setText(kNext, "Next");  // the sampler stays done, and Next enabled
    }
}

void CalibrationWizard::feedKnob(int knob, std::uint8_t value) {
    if (knob < 0 || knob >= kKnobCount) return;
    if (sampler_.feed(value)) controls_->enable(kNext, true);
}

void CalibrationWizard::saveKnob(int knob) {
    steps_[static_cast<std::size_t>(FirstKnob + knob)] = 0;
    if (sampler_.resultMin() == 0 && sampler_.resultMax() == 0) return;
    shared_.knobRange[static_cast<std::size_t>(knob)] = {sampler_.resultMax(), sampler_.resultMin()};
    storeNumber(setting::kKnobSection, kKnobKeys[knob].min, sampler_.resultMin());
    storeNumber(setting::kKnobSection, kKnobKeys[knob].max, sampler_.resultMax());
    sampler_.clearResults();
}

}  // namespace brelvik
