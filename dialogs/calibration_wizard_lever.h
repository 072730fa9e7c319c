// The flaps lever: its range measured while the flaps stay where they are,
// then saved and applied.
#pragma once

#include "dialogs/calibration_wizard_state.h"

namespace brelvik {

class LeverProcedure final : public CalibrationProcedure {
public:
    explicit LeverProcedure(WizardState& state);
    ~LeverProcedure() override;

    const char* title(int device) const override;
    StepText stepText(int device, int step) const override;
    void onOpen() override;
    void onSelected() override;
    void next(int device) override;
    void previous(int device) override;
    void abort(int device, int step) override;

private:
    void save();
};

}  // namespace brelvik
