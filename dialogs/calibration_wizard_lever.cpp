#include "dialogs/calibration_wizard_lever.h"

#include "base/wizard_ids.h"
#include "settings/startup_settings.h"

namespace brelvik {
namespace {

using namespace wizard_ids;
constexpr int kDevice = wizard_device::kFlapsLever;

const StepText kSteps[] = {{"1.Click button to begin calibration.", ""},
                           {"2.Move the flaps lever handle in full range serveral times.", ""},
                           {"3.Calibration completed.", ""}};

}  // namespace

LeverProcedure::LeverProcedure(WizardState& state) : CalibrationProcedure(state) {
    // The decoders widen the range; Next waits until it exceeds 100.
    state_.shared.leverRangeReady = [this] { state_.controls->enable(kNext, true); };
}

LeverProcedure::~LeverProcedure() { state_.shared.leverRangeReady = nullptr; }

const char* LeverProcedure::title(int) const { return "Flaps Lever calibration"; }

StepText LeverProcedure::stepText(int, int step) const { return kSteps[static_cast<std::size_t>(step - 1)]; }

void LeverProcedure::onOpen() { state_.shared.leverMax = state_.shared.leverMin = 0; }

void LeverProcedure::onSelected() { state_.controls->enable(kNext, true); }

void LeverProcedure::next(int) {
    CalibrationState& shared = state_.shared;
    switch (state_.step(kDevice)) {
    case 1:
        enterStep(kDevice, 2);
        shared.leverMax = shared.leverMin = 128;
        shared.leverCalibrating = true;
        shared.leverLive = false;
        state_.controls->enable(kPrevious, true);
        state_.controls->enable(kCancel, true);
        state_.controls->enable(kNext, false);  // until the lever has travelled more than 100
        break;
    case 2:
        enterStep(kDevice, 3);
        state_.controls->setText(kNext, "Save");
        break;
    case 3:
        save();
        shared.leverCalibrating = false;
        shared.leverLive = true;
        state_.finishDevice();
        break;
    default:
        break;
    }
}

void LeverProcedure::previous(int) {
    if (state_.step(kDevice) == 2) {
        enterStep(kDevice, 1);
        state_.shared.leverCalibrating = false;
        state_.shared.leverLive = true;
        state_.controls->enable(kPrevious, false);
        state_.controls->enable(kCancel, false);
        state_.controls->enable(kNext, true);
        state_.decoders.FlapsLeverToEvent();
    } else {
        // The measurement goes on, and what was measured stays.
        enterStep(kDevice, 2);
        state_.controls->setText(kNext, "Next");
        state_.controls->enable(kNext, false);
    }
}

void LeverProcedure::abort(int, int step) {
    if (step <= 1) return;
    state_.shared.leverCalibrating = false;
    state_.shared.leverLive = true;
    state_.decoders.FlapsLeverToEvent();
    state_.controls->enable(kNext, true);
}

void LeverProcedure::save() {
    state_.setStep(kDevice, 0);
    const CalibrationState& shared = state_.shared;
    state_.storeNumber(setting::kFlapLeverSection, setting::kFlapsLeverMin, shared.leverMin);
    state_.storeNumber(setting::kFlapLeverSection, setting::kFlapsLeverMax, shared.leverMax);
    state_.decoders.setFlapsLeverRange(shared.leverMin, shared.leverMax);
    // The simulator's flaps follow the lever at once under the new range.
    state_.decoders.FlapsLeverToEvent();
}

}  // namespace brelvik
