// The flaps indicator: the servo's up and down points found with the Up and
// Down buttons, within the servo's range.
#pragma once

#include "dialogs/calibration_wizard_state.h"

namespace brelvik {

class IndicatorProcedure final : public CalibrationProcedure {
public:
    // The servo value the points start from, and where the needle goes when
    // there is nothing to drive it from.
    static constexpr int kServoMiddle = 125;

    using CalibrationProcedure::CalibrationProcedure;

    const char* title(int device) const override;
    StepText stepText(int device, int step) const override;
    void onOpen() override;
    void next(int device) override;
    void previous(int device) override;
    void abort(int device, int step) override;

    // Up (-1) and Down (+1) on the steps that set a point.
    void upDown(int delta);
    // The out-of-range page's "Ok", whatever the switch panel does.
    void leaveOutOfRange();

    bool outOfRange() const { return outOfRange_; }
    int workingUp() const { return workUp_; }
    int workingDown() const { return workDown_; }

private:
    void showOutOfRange();
    void save();
    void reDrive();
    void send(int value) { state_.sendFrame(0x80, static_cast<std::uint8_t>(value)); }
    std::uint8_t position() const;

    bool outOfRange_ = false;
    int workUp_ = kServoMiddle;
    int workDown_ = kServoMiddle;
};

}  // namespace brelvik
