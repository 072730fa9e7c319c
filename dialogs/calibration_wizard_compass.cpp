// The compass: the rose turned in steps until it reads north, then the
// offset saved.
#include "dialogs/calibration_wizard.h"
#include "dialogs/calibration_wizard_parts.h"

namespace brelvik {
namespace {

constexpr std::int32_t kCompassSteps[3] = {5, 50, 100};  // tenths of a degree per row

}  // namespace

using namespace wizard_ids;

void CalibrationWizard::nextCompass() {
    if (step(Compass) == 1) {
        enterStep(Compass, 2);
        controls_->enable(kPrevious, true);
        controls_->enable(kCancel, true);
        showCompassControls(true);
        controls_->setText(kTitle, wizardTitle(Compass));
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
    finishDevice();
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

}  // namespace brelvik
