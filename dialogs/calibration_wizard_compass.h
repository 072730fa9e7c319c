// The compass: the rose turned in steps until it reads north, then the
// offset saved.
#pragma once

#include <cstdint>

#include "dialogs/calibration_wizard_state.h"

namespace brelvik {

class CompassProcedure final : public CalibrationProcedure {
public:
    using CalibrationProcedure::CalibrationProcedure;

    const char* title(int device) const override;
    StepText stepText(int device, int step) const override;
    void onOpen() override { adjustment_ = 0; }
    void next(int device) override;
    void previous(int device) override;
    void abort(int device, int step) override;

    // One of the six turn buttons; they work on any page.
    void turn(int id);
    // The Reverse box swaps the columns' captions, not what they do.
    void captionButtons(bool reversed);

    std::int32_t adjustment() const { return adjustment_; }

private:
    void finish();
    void showControls(bool visible);

    std::int32_t adjustment_ = 0;  // tenths of a degree
};

}  // namespace brelvik
