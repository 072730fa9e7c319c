// The flaps indicator: the servo's up and down points found with the Up and
// Down buttons, within the servo's range.
#include "dialogs/calibration_wizard.h"
#include "dialogs/calibration_wizard_parts.h"

#include "base/text_numbers.h"

namespace brelvik {

using namespace wizard_ids;

void CalibrationWizard::nextIndicator() {
    switch (step(FlapsIndicator)) {
    case 1:
        enterStep(FlapsIndicator, 2);
        controls_->enable(kPrevious, true);
        controls_->enable(kCancel, true);
        break;
    case 2:
        enterStep(FlapsIndicator, 3);
        shared_.indicatorCalibrating = true;
        shared_.indicatorLive = false;
        show({kPrevious, kNext, kCancel, kUp, kDown}, true);
        show({kReverse}, false);
        sendIndicator(workUp_);
        break;
    case 3:
        enterStep(FlapsIndicator, 4);
        sendIndicator(workDown_);
        break;
    case 4:
        enterStep(FlapsIndicator, 5);
        show({kPrevious, kNext, kCancel}, true);
        show({kUp, kDown, kReverse}, false);
        controls_->setText(kNext, "Save");
        break;
    case 5:
        saveIndicator();
        shared_.indicatorCalibrating = false;
        shared_.indicatorLive = true;
        finishDevice();
        break;
    default:
        break;
    }
}

void CalibrationWizard::previousIndicator() {
    switch (step(FlapsIndicator)) {
    case 2:
        enterStep(FlapsIndicator, 1);
        controls_->enable(kPrevious, false);
        controls_->enable(kCancel, false);
        break;
    case 3:
        enterStep(FlapsIndicator, 2);
        shared_.indicatorCalibrating = false;
        shared_.indicatorLive = true;
        show({kPrevious, kNext, kCancel}, true);
        show({kUp, kDown, kReverse}, false);
        workUp_ = workDown_ = kServoMiddle;
        reDriveIndicator();
        break;
    case 4:
        enterStep(FlapsIndicator, 3);
        sendIndicator(workUp_);
        break;
    case 5:
        enterStep(FlapsIndicator, 4);
        show({kPrevious, kNext, kCancel, kUp, kDown}, true);
        show({kReverse}, false);
        controls_->setText(kNext, "Next");
        sendIndicator(workDown_);
        break;
    default:
        break;
    }
}

void CalibrationWizard::upDown(int delta) {
    if (selected_ != FlapsIndicator || (step(FlapsIndicator) != 3 && step(FlapsIndicator) != 4)) return;
    int& value = step(FlapsIndicator) == 3 ? workUp_ : workDown_;
    if ((delta < 0 && value == 0) || (delta > 0 && value == 255)) {
        showOutOfRange();
        return;
    }
    value += delta;
    sendIndicator(value);
}

void CalibrationWizard::showOutOfRange() {
    show({kPrevious, kCancel, kUp, kDown, kReverse}, false);
    show({kNext}, true);
    controls_->setText(kNext, "Ok");
    // The notice takes the place of the step texts (drawn over them, text
    // on text would be unreadable).
    show({kStepText, kSecondText}, false);
    show({kOutOfRange}, true);
    outOfRange_ = true;
}

void CalibrationWizard::leaveOutOfRange() {
    show({kOutOfRange}, false);
    show({kStepText, kSecondText}, true);
    show({kPrevious, kNext, kCancel, kUp, kDown}, true);
    show({kReverse}, false);
    outOfRange_ = false;
    controls_->setText(kNext, "Next");
}

void CalibrationWizard::saveIndicator() {
    steps_[FlapsIndicator] = 0;
    if (workUp_ == kServoMiddle && workDown_ == kServoMiddle) {
        const PanelDrive& drive = simLink_.panelDrive();
        if (drive.flapIndicatorLow != 0 && drive.flapIndicatorHigh != 0) sendIndicator(indicatorPosition());
        return;
    }
    shared_.newIndicatorUp = static_cast<std::uint8_t>(workUp_);
    shared_.newIndicatorDown = static_cast<std::uint8_t>(workDown_);
    storeNumber(setting::kFlapIndicatorSection, setting::kFlapsIndUp, workUp_);
    storeNumber(setting::kFlapIndicatorSection, setting::kFlapsIndDown, workDown_);
    sendIndicator(indicatorPosition());
}

std::uint8_t CalibrationWizard::indicatorPosition() const {
    const PanelDrive& drive = simLink_.panelDrive();
    const float up = drive.flapIndicatorLow;
    const float down = drive.flapIndicatorHigh;
    return saturatingByte(up + (down - up) * drive.indicatorFraction());
}

void CalibrationWizard::reDriveIndicator() {
    const PanelDrive& drive = simLink_.panelDrive();
    if (drive.flapIndicatorLow == 0 && drive.flapIndicatorHigh == 0) {
        sendIndicator(kServoMiddle);
    } else {
        sendIndicator(indicatorPosition());
    }
}

}  // namespace brelvik
