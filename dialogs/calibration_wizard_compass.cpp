#include "dialogs/calibration_wizard_compass.h"

#include "base/wizard_ids.h"
#include "settings/startup_settings.h"

namespace brelvik {
namespace {

using namespace wizard_ids;
constexpr int kDevice = wizard_device::kCompass;

constexpr std::int32_t kTurnSteps[3] = {5, 50, 100};  // tenths of a degree per row

const StepText kSteps[] = {
    {"1.Click button to initiate compass component.\n2.Wait until the compass to stop.", ""},
    {"3.Click the corresponding buttons to turn the compass rose.",
     "4.Click \"Finish\" while the line on the front cover is aligned with 360 degree(N)."}};

}  // namespace

const char* CompassProcedure::title(int) const { return "Compass calibration"; }

StepText CompassProcedure::stepText(int, int step) const { return kSteps[static_cast<std::size_t>(step - 1)]; }

void CompassProcedure::next(int) {
    if (state_.step(kDevice) == 1) {
        enterStep(kDevice, 2);
        state_.controls->enable(kPrevious, true);
        state_.controls->enable(kCancel, true);
        showControls(true);
        state_.controls->setText(kTitle, title(kDevice));
        state_.controls->setText(kNext, "Finish");
        state_.sendFrame(0x02, 0x00);  // the panel stops driving the rose by itself
    } else if (state_.step(kDevice) == 2) {
        finish();
    }
}

void CompassProcedure::previous(int) {
    enterStep(kDevice, 1);
    showControls(false);
    state_.controls->enable(kPrevious, false);
    state_.controls->enable(kCancel, false);
    state_.controls->setText(kNext, "Next");
    state_.decoders.SendCompassOffset();
    adjustment_ = 0;
}

void CompassProcedure::abort(int, int step) {
    if (step <= 1) return;
    state_.decoders.SendCompassOffset();
    adjustment_ = 0;
    showControls(false);
}

void CompassProcedure::turn(int id) {
    for (int row = 0; row < 3; ++row) {
        const std::int32_t amount = kTurnSteps[row];
        if (id == kLeftButtons[row]) {
            adjustment_ += amount;
            state_.sendFrame(0x03, static_cast<std::uint8_t>(amount));
        } else if (id == kRightButtons[row]) {
            adjustment_ -= amount;
            state_.sendFrame(0x04, static_cast<std::uint8_t>(amount));
        }
    }
}

void CompassProcedure::finish() {
    const bool reversed = state_.controls->isChecked(kReverse);
    state_.storeNumber(setting::kCompassSection, setting::kCompassReverse, reversed ? 1 : 0);
    state_.shared.compassReversed = reversed;
    showControls(false);
    state_.setStep(kDevice, 0);
    state_.finishDevice();
    if (adjustment_ == 0) {
        state_.decoders.SendCompassOffset();
        return;
    }
    state_.shared.newCompassOffset = adjustment_;
    state_.storeNumber(setting::kCompassSection, setting::kCompassValue, adjustment_);
    state_.sendFrame(0x05, 0x00);
    state_.shared.compassOffsetPublished = true;
    adjustment_ = 0;
    state_.sendFrame(0x05, 0x00);
}

void CompassProcedure::showControls(bool visible) {
    for (int row = 0; row < 3; ++row) state_.show({kLeftButtons[row], kRightButtons[row], kRowLabels[row]}, visible);
    state_.show({kReverse}, visible);
    const bool reversed =
        settingNumber(state_.settings.read(setting::kCompassSection, setting::kCompassReverse)) != 0;
    state_.controls->setChecked(kReverse, reversed);
    captionButtons(reversed);
}

void CompassProcedure::captionButtons(bool reversed) {
    for (int row = 0; row < 3; ++row) {
        state_.controls->setText(kLeftButtons[row], reversed ? "-" : "+");
        state_.controls->setText(kRightButtons[row], reversed ? "+" : "-");
    }
}

}  // namespace brelvik
