#include "dialogs/calibration_wizard.h"
#include "dialogs/calibration_wizard_parts.h"

#include "base/text_numbers.h"

namespace brelvik {
namespace {

using namespace wizard_ids;


struct StepText {
    const char* text;
    const char* second;
};

const char* const kTitles[CalibrationWizard::DeviceCount] = {
    "Flaps Lever calibration",      "Flaps indicator calibration", "Compass calibration",
    "SW/CB PANEL knob calibration", "STBY IND knob calibration",   "PEDESTAL knob calibration",
    "AVONICS knob calibration"};

const StepText kLeverSteps[] = {
    {"1.Click button to begin calibration.", ""},
    {"2.Move the flaps lever handle in full range serveral times.", ""},
    {"3.Calibration completed.", ""}};

const StepText kIndicatorSteps[] = {
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

const StepText kCompassSteps2[] = {
    {"1.Click button to initiate compass component.\n2.Wait until the compass to stop.", ""},
    {"3.Click the corresponding buttons to turn the compass rose.",
     "4.Click \"Finish\" while the line on the front cover is aligned with 360 degree(N)."}};

const char* const kKnobTurnTexts[kKnobCount] = {
    "2.Turn the SW/CB PANEL knob multiple times to maximum range",
    "2.Turn the STBY IND knob multiple times to maximum range",
    "2.Turn the PEDESTAL knob multiple times to maximum range",
    "2.Turn the AVONICS knob multiple times to maximum range"};

StepText stepText(int device, int step) {
    const auto at = static_cast<std::size_t>(step - 1);
    switch (device) {
    case CalibrationWizard::FlapsLever:
        return kLeverSteps[at];
    case CalibrationWizard::FlapsIndicator:
        return kIndicatorSteps[at];
    case CalibrationWizard::Compass:
        return kCompassSteps2[at];
    default:
        if (step == 1) return {"1.Click Next to begin calibration.", ""};
        if (step == 2) return {kKnobTurnTexts[device - CalibrationWizard::FirstKnob], ""};
        return {"3.Calibration completed.", ""};
    }
}

}  // namespace

const char* wizardTitle(int device) { return kTitles[device]; }

CalibrationWizard::CalibrationWizard(SettingsStore& settings, CalibrationState& shared, PanelDecoders& decoders,
                                     SimLink& simLink)
    : settings_(settings), shared_(shared), decoders_(decoders), simLink_(simLink) {
    shared_.feedKnobRange = [this](int knob, std::uint8_t raw) { feedKnob(knob, raw); };
    shared_.leverRangeReady = [this] { controls_->enable(kNext, true); };
}

CalibrationWizard::~CalibrationWizard() {
    shared_.feedKnobRange = nullptr;
    shared_.leverRangeReady = nullptr;
}

void CalibrationWizard::onOpen() {
    shared_.leverMax = shared_.leverMin = 0;
    outOfRange_ = false;
    workUp_ = workDown_ = kServoMiddle;
    adjustment_ = 0;
    sampler_.reset();
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
            compassButton(id);
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
        upDown(-1);
        break;
    case kDown:
        upDown(+1);
        break;
    case kReverse:
        captionCompassButtons(controls_->isChecked(kReverse));
        break;
    default:
        break;
    }
}

void CalibrationWizard::selectDevice(int device) {
    if (selected_ == device) return;
    for (int other = 0; other < DeviceCount; ++other) {
        if (other != device && step(other) > 1) return;  // a procedure is under way
    }
    steps_.fill(0);
    steps_[static_cast<std::size_t>(device)] = 1;
    selected_ = device;
    show({kPrevious, kNext, kCancel}, true);
    show({kUp, kDown, kReverse}, false);
    controls_->setText(kTitle, wizardTitle(device));
    controls_->setText(kNext, "Next");
    enterStep(device, 1);
    controls_->enable(kPrevious, false);
    controls_->enable(kCancel, false);
    if (device == FlapsLever) controls_->enable(kNext, true);
}

void CalibrationWizard::enterStep(int device, int newStep) {
    steps_[static_cast<std::size_t>(device)] = newStep;
    const StepText texts = stepText(device, newStep);
    controls_->setText(kStepText, texts.text);
    controls_->setText(kSecondText, texts.second);
}

void CalibrationWizard::next() {
    if (outOfRange_) {
        leaveOutOfRange();
        return;
    }
    if (!switchPanelConnected() || selected_ < 0) return;
    switch (selected_) {
    case FlapsLever:
        nextLever();
        break;
    case FlapsIndicator:
        nextIndicator();
        break;
    case Compass:
        nextCompass();
        break;
    default:
        nextKnob(selected_ - FirstKnob);
        break;
    }
}

void CalibrationWizard::previous() {
    if (selected_ < 0 || step(selected_) <= 1) return;
    switch (selected_) {
    case FlapsLever:
        previousLever();
        break;
    case FlapsIndicator:
        previousIndicator();
        break;
    case Compass:
        previousCompass();
        break;
    default:
        previousKnob(selected_ - FirstKnob);
        break;
    }
}

void CalibrationWizard::finishDevice() {
    selected_ = -1;
    controls_->setText(kTitle, "");
    controls_->setText(kStepText, "");
    controls_->setText(kSecondText, "");
    show({kPrevious, kNext, kCancel, kUp, kDown, kReverse}, false);
    controls_->setText(kNext, "Next");
}

void CalibrationWizard::abort(bool fromCancelButton) {
    if (fromCancelButton) controls_->setText(kNext, "Next");
    controls_->setText(kTitle, "");
    controls_->setText(kStepText, "");
    controls_->setText(kSecondText, "");
    show({kPrevious, kNext, kCancel, kUp, kDown, kReverse}, false);
    for (int device = 0; device < DeviceCount; ++device) {
        const int at = step(device);
        if (at == 0) continue;
        if (device == FlapsLever && at > 1) {
            shared_.leverCalibrating = false;
            shared_.leverLive = true;
            decoders_.FlapsLeverToEvent();
            controls_->enable(kNext, true);
        } else if (device == FlapsIndicator && at > 2) {
            shared_.indicatorCalibrating = false;
            shared_.indicatorLive = true;
            workUp_ = workDown_ = kServoMiddle;
            reDriveIndicator();
        } else if (device == Compass && at > 1) {
            decoders_.SendCompassOffset();
            adjustment_ = 0;
            showCompassControls(false);
        } else if (device >= FirstKnob && at > 1) {
            sampler_.reset();
            controls_->enable(kNext, true);
            shared_.knobCalibrating[static_cast<std::size_t>(device - FirstKnob)] = false;
        }
        steps_[static_cast<std::size_t>(device)] = 0;
    }
    selected_ = -1;
}

void CalibrationWizard::show(std::initializer_list<int> ids, bool visible) {
    for (const int id : ids) controls_->show(id, visible);
}

void CalibrationWizard::sendFrame(std::uint8_t code, std::uint8_t value) {
    if (switchPanelConnected()) panels_->writeFrame(Panel::SwitchPanel, code, value);
}

void CalibrationWizard::storeNumber(const char* section, const char* key, std::int32_t value) {
    settings_.write(section, key, formatText("%d", static_cast<int>(value)));
}

}  // namespace brelvik
