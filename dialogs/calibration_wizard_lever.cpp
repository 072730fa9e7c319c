// The flaps lever: its range measured while the flaps stay where they are,
// then saved and applied.
#include "dialogs/calibration_wizard.h"
#include "dialogs/calibration_wizard_parts.h"

namespace brelvik {

using namespace wizard_ids;

void CalibrationWizard::nextLever() {
    switch (step(FlapsLever)) {
    case 1:
        enterStep(FlapsLever, 2);
        shared_.leverMax = shared_.leverMin = 128;
        shared_.leverCalibrating = true;
        shared_.leverLive = false;
        controls_->enable(kPrevious, true);
        controls_->enable(kCancel, true);
        controls_->enable(kNext, false);  // until the lever has travelled more than 100
        break;
    case 2:
        enterStep(FlapsLever, 3);
        controls_->setText(kNext, "Save");
        break;
    case 3:
        saveLever();
        shared_.leverCalibrating = false;
        shared_.leverLive = true;
        finishDevice();
        break;
    default:
        break;
    }
}

void CalibrationWizard::previousLever() {
    if (step(FlapsLever) == 2) {
        enterStep(FlapsLever, 1);
        shared_.leverCalibrating = false;
        shared_.leverLive = true;
        controls_->enable(kPrevious, false);
        controls_->enable(kCancel, false);
        controls_->enable(kNext, true);
        decoders_.FlapsLeverToEvent();
    } else {
        // The measurement goes on, and what was measured stays.
        enterStep(FlapsLever, 2);
        controls_->setText(kNext, "Next");
        controls_->enable(kNext, false);
    }
}

void CalibrationWizard::saveLever() {
    steps_[FlapsLever] = 0;
    storeNumber(setting::kFlapLeverSection, setting::kFlapsLeverMin, shared_.leverMin);
    storeNumber(setting::kFlapLeverSection, setting::kFlapsLeverMax, shared_.leverMax);
    decoders_.setFlapsLeverRange(shared_.leverMin, shared_.leverMax);
    // The simulator's flaps follow the lever at once under the new range.
    decoders_.FlapsLeverToEvent();
}

}  // namespace brelvik
