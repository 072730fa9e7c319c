// The four lighting knobs: each one's range sampled while it is turned to
// both ends, then saved. One sampler serves all four; one knob is measured
// at a time.
#pragma once

#include <array>
#include <cstdint>

#include "dialogs/calibration_wizard_state.h"

namespace brelvik {

// Watches a knob turned to both ends several times and keeps the extremes.
class KnobSampler {
public:
    // True once three peaks and three troughs were seen.
    bool feed(std::uint8_t value);
    void reset() { *this = KnobSampler{}; }
    bool done() const { return done_; }
    void clearDone() { done_ = false; }
    std::uint8_t resultMin() const { return resultMin_; }
    std::uint8_t resultMax() const { return resultMax_; }
    void clearResults() { resultMin_ = resultMax_ = 0; }

private:
    std::uint8_t resultMin_ = 0;
    std::uint8_t resultMax_ = 0;
    std::uint8_t runningLow_ = 20;
    std::uint8_t runningHigh_ = 235;
    std::array<std::uint8_t, 3> peaks_{};
    std::array<std::uint8_t, 3> troughs_{};
    int peakCount_ = 0;
    int troughCount_ = 0;
    bool rising_ = false;
    bool falling_ = false;
    bool done_ = false;
};

class KnobProcedure final : public CalibrationProcedure {
public:
    explicit KnobProcedure(WizardState& state);
    ~KnobProcedure() override;

    const char* title(int device) const override;
    StepText stepText(int device, int step) const override;
    void onOpen() override { sampler_.reset(); }
    void next(int device) override;
    void previous(int device) override;
    void abort(int device, int step) override;

    const KnobSampler& sampler() const { return sampler_; }

private:
    void feed(int knob, std::uint8_t value);
    void save(int knob);

    KnobSampler sampler_;
};

}  // namespace brelvik
