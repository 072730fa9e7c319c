#include "dialogs/calibration_wizard.h"

#include <algorithm>

#include "base/text_numbers.h"
#include "settings/startup_settings.h"

namespace brelvik {
namespace {

using namespace wizard_ids;

constexpr std::uint8_t kKnobLow = 20;
constexpr std::uint8_t kKnobHigh = 235;
constexpr int kServoMiddle = 125;
constexpr std::int32_t kCompassSteps[3] = {5, 50, 100};  // tenths of a degree per row

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
    controls_->setText(kTitle, kTitles[device]);
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

void CalibrationWizard::nextCompass() {
    if (step(Compass) == 1) {
        enterStep(Compass, 2);
        controls_->enable(kPrevious, true);
        controls_->enable(kCancel, true);
        showCompassControls(true);
        controls_->setText(kTitle, kTitles[Compass]);
        controls_->setText(kNext, "Finish");
        sendFrame(0x02, 0x00);  // the panel stops driving the rose by itself
    } else if (step(Compass) == 2) {
        finishCompass();
    }
}

void CalibrationWizard::previousCompass() {
    enterStep(Compass, 1);
    showCompassControls(false);
    controls_->enable(kPrevious, false);
    controls_->enable(kCancel, false);
    controls_->setText(kNext, "Next");
    decoders_.SendCompassOffset();
    adjustment_ = 0;
}

void CalibrationWizard::compassButton(int id) {
    for (int row = 0; row < 3; ++row) {
        const std::int32_t amount = kCompassSteps[row];
        if (id == kLeftButtons[row]) {
            adjustment_ += amount;
            sendFrame(0x03, static_cast<std::uint8_t>(amount));
        } else if (id == kRightButtons[row]) {
            adjustment_ -= amount;
            sendFrame(0x04, static_cast<std::uint8_t>(amount));
        }
    }
}

void CalibrationWizard::finishCompass() {
    const bool reversed = controls_->isChecked(kReverse);
    storeNumber(setting::kCompassSection, setting::kCompassReverse, reversed ? 1 : 0);
    shared_.compassReversed = reversed;
    showCompassControls(false);
    steps_[Compass] = 0;
    selected_ = -1;
    controls_->setText(kTitle, "");
    controls_->setText(kStepText, "");
    controls_->setText(kSecondText, "");
    show({kPrevious, kNext, kCancel, kUp, kDown, kReverse}, false);
    controls_->setText(kNext, "Next");
    if (adjustment_ == 0) {
        decoders_.SendCompassOffset();
        return;
    }
    shared_.newCompassOffset = adjustment_;
    storeNumber(setting::kCompassSection, setting::kCompassValue, adjustment_);
    sendFrame(0x05, 0x00);
    shared_.compassOffsetPublished = true;
    adjustment_ = 0;
    sendFrame(0x05, 0x00);
}

void CalibrationWizard::showCompassControls(bool visible) {
    for (int row = 0; row < 3; ++row) show({kLeftButtons[row], kRightButtons[row], kRowLabels[row]}, visible);
    show({kReverse}, visible);
    const bool reversed = settingNumber(settings_.read(setting::kCompassSection, setting::kCompassReverse)) != 0;
    controls_->setChecked(kReverse, reversed);
    captionCompassButtons(reversed);
}

void CalibrationWizard::captionCompassButtons(bool reversed) {
    for (int row = 0; row < 3; ++row) {
        controls_->setText(kLeftButtons[row], reversed ? "-" : "+");
        controls_->setText(kRightButtons[row], reversed ? "+" : "-");
    }
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

void CalibrationWizard::saveLever() {
    steps_[FlapsLever] = 0;
    storeNumber(setting::kFlapLeverSection, setting::kFlapsLeverMin, shared_.leverMin);
    storeNumber(setting::kFlapLeverSection, setting::kFlapsLeverMax, shared_.leverMax);
    decoders_.setFlapsLeverRange(shared_.leverMin, shared_.leverMax);
    // The simulator's flaps follow the lever at once under the new range.
    decoders_.FlapsLeverToEvent();
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

void CalibrationWizard::saveKnob(int knob) {
    steps_[static_cast<std::size_t>(FirstKnob + knob)] = 0;
    if (sampler_.resultMin() == 0 && sampler_.resultMax() == 0) return;
    shared_.knobRange[static_cast<std::size_t>(knob)] = {sampler_.resultMax(), sampler_.resultMin()};
    storeNumber(setting::kKnobSection, kKnobKeys[knob].min, sampler_.resultMin());
    storeNumber(setting::kKnobSection, kKnobKeys[knob].max, sampler_.resultMax());
    sampler_.clearResults();
}

void CalibrationWizard::finishDevice() {
    selected_ = -1;
    controls_->setText(kTitle, "");
    controls_->setText(kStepText, "");
    controls_->setText(kSecondText, "");
    show({kPrevious, kNext, kCancel, kUp, kDown, kReverse}, false);
    controls_->setText(kNext, "Next");
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
