#include "dialogs/calibration_wizard_indicator.h"

#include "base/text_numbers.h"
#include "base/wizard_ids.h"
#include "settings/startup_settings.h"

namespace brelvik {
namespace {

using namespace wizard_ids;
constexpr int kDevice = wizard_device::kFlapsIndicator;

const StepText kSteps[] = {
    {"1.Unplug the servo if applicable.\n2.Remove the arm of the flaps indicator from the servo and install it back "
     "so that the arm is in the position which is as close as the middle of the full range.",
     ""},
    {"3.Plug back the servo if you've unplugged it in the previous step.", ""},
    {"4.Adjust the up-most(flaps up)position of the flaps indicator.\n5.Click the Up and Down button to move the arm "
     "until it reaches the up-most range of the indicator but not hitting the frame.",
     "6.When completed, click Next."},
    {"7.Adjust the down-most(flaps down)position of the flaps indicator.\n8.Click the Up and Down button to move the "
     "arm until it reaches the down-most range of the indicator but not hitting the frame.",
     "9.When completed, click Next."},
    {"10.Calibration completed.", ""}};

}  // namespace

const char* IndicatorProcedure::title(int) const { return "Flaps indicator calibration"; }

StepText IndicatorProcedure::stepText(int, int step) const { return kSteps[static_cast<std::size_t>(step - 1)]; }

void IndicatorProcedure::onOpen() {
    outOfRange_ = false;
    workUp_ = workDown_ = kServoMiddle;
}

void IndicatorProcedure::next(int) {
    switch (state_.step(kDevice)) {
    case 1:
        enterStep(kDevice, 2);
        state_.controls->enable(kPrevious, true);
        state_.controls->enable(kCancel, true);
        break;
    case 2:
        enterStep(kDevice, 3);
        state_.shared.indicatorCalibrating = true;
        state_.shared.indicatorLive = false;
        state_.show({kPrevious, kNext, kCancel, kUp, kDown}, true);
        state_.show({kReverse}, false);
        send(workUp_);
        break;
    case 3:
        enterStep(kDevice, 4);
        send(workDown_);
        break;
    case 4:
        enterStep(kDevice, 5);
        state_.show({kPrevious, kNext, kCancel}, true);
        state_.show({kUp, kDown, kReverse}, false);
        state_.controls->setText(kNext, "Save");
        break;
    case 5:
        save();
        state_.shared.indicatorCalibrating = false;
        state_.shared.indicatorLive = true;
        state_.finishDevice();
        break;
    default:
        break;
    }
}

void IndicatorProcedure::previous(int) {
    switch (state_.step(kDevice)) {
    case 2:
        enterStep(kDevice, 1);
        state_.controls->enable(kPrevious, false);
        state_.controls->enable(kCancel, false);
        break;
    case 3:
        enterStep(kDevice, 2);
        state_.shared.indicatorCalibrating = false;
        state_.shared.indicatorLive = true;
        state_.show({kPrevious, kNext, kCancel}, true);
        state_.show({kUp, kDown, kReverse}, false);
        workUp_ = workDown_ = kServoMiddle;
        reDrive();
        break;
    case 4:
        enterStep(kDevice, 3);
        send(workUp_);
        break;
    case 5:
        enterStep(kDevice, 4);
        state_.show({kPrevious, kNext, kCancel, kUp, kDown}, true);
        state_.show({kReverse}, false);
        state_.controls->setText(kNext, "Next");
        send(workDown_);
        break;
    default:
        break;
    }
}

void IndicatorProcedure::abort(int, int step) {
    if (step <= 2) return;
    state_.shared.indicatorCalibrating = false;
    state_.shared.indicatorLive = true;
    workUp_ = workDown_ = kServoMiddle;
    reDrive();
}

void IndicatorProcedure::upDown(int delta) {
    const int at = state_.step(kDevice);
    if (state_.selected != kDevice || (at != 3 && at != 4)) return;
    int& value = at == 3 ? workUp_ : workDown_;
    if ((delta < 0 && value == 0) || (delta > 0 && value == 255)) {
        showOutOfRange();
        return;
    }
    value += delta;
    send(value);
}

void IndicatorProcedure::showOutOfRange() {
    state_.show({kPrevious, kCancel, kUp, kDown, kReverse}, false);
    state_.show({kNext}, true);
    state_.controls->setText(kNext, "Ok");
    // The notice takes the place of the step texts (drawn over them, text
    // on text would be unreadable).
    state_.show({kStepText, kSecondText}, false);
    state_.show({kOutOfRange}, true);
    outOfRange_ = true;
}

void IndicatorProcedure::leaveOutOfRange() {
    state_.show({kOutOfRange}, false);
    state_.show({kStepText, kSecondText}, true);
    state_.show({kPrevious, kNext, kCancel, kUp, kDown}, true);
    state_.show({kReverse}, false);
    outOfRange_ = false;
    state_.controls->setText(kNext, "Next");
}

void IndicatorProcedure::save() {
    state_.setStep(kDevice, 0);
    if (workUp_ == kServoMiddle && workDown_ == kServoMiddle) {
        const PanelDrive& drive = state_.simLink.panelDrive();
        if (drive.flapIndicatorLow != 0 && drive.flapIndicatorHigh != 0) send(position());
        return;
    }
    state_.shared.newIndicatorUp = static_cast<std::uint8_t>(workUp_);
    state_.shared.newIndicatorDown = static_cast<std::uint8_t>(workDown_);
    state_.storeNumber(setting::kFlapIndicatorSection, setting::kFlapsIndUp, workUp_);
    state_.storeNumber(setting::kFlapIndicatorSection, setting::kFlapsIndDown, workDown_);
    send(position());
}

// Where the needle belongs under the points in force; new points reach the
// servo only once the simulator side has taken them over.
std::uint8_t IndicatorProcedure::position() const {
    const PanelDrive& drive = state_.simLink.panelDrive();
    const float up = drive.flapIndicatorLow;
    const float down = drive.flapIndicatorHigh;
    return saturatingByte(up + (down - up) * drive.indicatorFraction());
}

void IndicatorProcedure::reDrive() {
    const PanelDrive& drive = state_.simLink.panelDrive();
    if (drive.flapIndicatorLow == 0 && drive.flapIndicatorHigh == 0) {
        send(kServoMiddle);
    } else {
        send(position());
    }
}

}  // namespace brelvik
