#include "dialogs/calibration_wizard.h"

#include "base/wizard_ids.h"

namespace brelvik {

using namespace wizard_ids;

CalibrationWizard::CalibrationWizard(SettingsStore& settings, CalibrationState& shared, PanelDecoders& decoders,
                                     SimLink& simLink)
    : state_(settings, shared, decoders, simLink) {}

CalibrationProcedure& CalibrationWizard::procedure(int device) {
    switch (device) {
    case FlapsLever:
        return lever_;
    case FlapsIndicator:
        return indicator_;
    case Compass:
        return compass_;
    default:
        return knobs_;
    }
}

void CalibrationWizard::onOpen() {
    lever_.onOpen();
    indicator_.onOpen();
    compass_.onOpen();
    knobs_.onOpen();
}

void CalibrationWizard::onCommand(int id) {
    for (int device = 0; device < DeviceCount; ++device) {
        if (id == kDeviceButtons[device]) {
            selectDevice(device);
            return;
        }
    }
    for (int row = 0; row < 3; ++row) {
        if (id == kLeftButtons[row] || id == kRightButtons[row]) {
            compass_.turn(id);
            return;
        }
    }
    switch (id) {
    case kNext:
        next();
        break;
    case kPrevious:
        previous();
        break;
    case kCancel:
        abort(true);
        break;
    case kUp:
        indicator_.upDown(-1);
        break;
    case kDown:
        indicator_.upDown(+1);
        break;
    case kReverse:
        compass_.captionButtons(state_.controls->isChecked(kReverse));
        break;
    default:
        break;
    }
}

void CalibrationWizard::selectDevice(int device) {
    if (state_.selected == device) return;
    for (int other = 0; other < DeviceCount; ++other) {
        if (other != device && step(other) > 1) return;  // a procedure is under way
    }
    state_.steps.fill(0);
    state_.setStep(device, 1);
    state_.selected = device;
    CalibrationProcedure& chosen = procedure(device);
    Controls& controls = *state_.controls;
    state_.show({kPrevious, kNext, kCancel}, true);
    state_.show({kUp, kDown, kReverse}, false);
    controls.setText(kTitle, chosen.title(device));
    controls.setText(kNext, "Next");
    state_.enterStep(device, 1, chosen.stepText(device, 1));
    controls.enable(kPrevious, false);
    controls.enable(kCancel, false);
    chosen.onSelected();
}

void CalibrationWizard::next() {
    // The out-of-range notice's "Ok" needs no panel.
    if (indicator_.outOfRange()) {
        indicator_.leaveOutOfRange();
        return;
    }
    if (!state_.switchPanelConnected() || state_.selected < 0) return;
    procedure(state_.selected).next(state_.selected);
}

void CalibrationWizard::previous() {
    if (state_.selected < 0 || step(state_.selected) <= 1) return;
    procedure(state_.selected).previous(state_.selected);
}

void CalibrationWizard::abort(bool fromCancelButton) {
    if (fromCancelButton) state_.controls->setText(kNext, "Next");
    state_.clearPage();
    for (int device = 0; device < DeviceCount; ++device) {
        const int at = step(device);
        if (at == 0) continue;
        procedure(device).abort(device, at);
        state_.setStep(device, 0);
    }
    state_.selected = -1;
}

}  // namespace brelvik
