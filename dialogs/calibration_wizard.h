// The calibration wizard's rules, without its window: seven devices, each a
// short sequence of steps that measures the switch panel (through its
// decoder), moves its servo and compass (through frames), and publishes and
// stores the result. One object for the whole run; a window attaches to it
// while it is open. The wizard navigates (device choice, Next, Previous,
// abort); each kind of device's steps are its own procedure.
#pragma once

#include <cstdint>

#include "base/calibration_state.h"
#include "base/panel_output.h"
#include "base/seams.h"
#include "base/wizard_ids.h"
#include "dialogs/calibration_wizard_compass.h"
#include "dialogs/calibration_wizard_indicator.h"
#include "dialogs/calibration_wizard_knob.h"
#include "dialogs/calibration_wizard_lever.h"
#include "dialogs/calibration_wizard_state.h"
#include "panels/panel_decoders.h"
#include "sim/sim_link.h"

namespace brelvik {

class CalibrationWizard {
public:
    enum Device {
        FlapsLever = wizard_device::kFlapsLever,
        FlapsIndicator = wizard_device::kFlapsIndicator,
        Compass = wizard_device::kCompass,
        FirstKnob = wizard_device::kFirstKnob,
        DeviceCount = wizard_device::kCount
    };

    CalibrationWizard(SettingsStore& settings, CalibrationState& shared, PanelDecoders& decoders, SimLink& simLink);
    CalibrationWizard(const CalibrationWizard&) = delete;
    CalibrationWizard& operator=(const CalibrationWizard&) = delete;

    void setPanelOutput(PanelOutput& panels) { state_.panels = &panels; }
    // The window's controls while it is open. A window that goes away
    // detaches only itself: an old window destroyed late must not cut off
    // the one open now.
    void attach(Controls* controls) { state_.controls = controls != nullptr ? controls : &state_.noWindow; }
    void detach(const Controls* controls) {
        if (state_.controls == controls) state_.controls = &state_.noWindow;
    }

    // After the window was created.
    void onOpen();
    // A button or the Reverse box of the window.
    void onCommand(int id);
    // "Cancel" (fromCancelButton) or the close box, Escape and Enter: every
    // device in progress gives its part back to the simulator.
    void abort(bool fromCancelButton);

    int step(int device) const { return state_.step(device); }
    int selected() const { return state_.selected; }
    bool outOfRange() const { return indicator_.outOfRange(); }
    int workingUp() const { return indicator_.workingUp(); }
    int workingDown() const { return indicator_.workingDown(); }
    std::int32_t adjustment() const { return compass_.adjustment(); }
    const KnobSampler& sampler() const { return knobs_.sampler(); }

private:
    CalibrationProcedure& procedure(int device);
    void selectDevice(int device);
    void next();
    void previous();

    WizardState state_;
    LeverProcedure lever_{state_};
    IndicatorProcedure indicator_{state_};
    CompassProcedure compass_{state_};
    KnobProcedure knobs_{state_};
};

}  // namespace brelvik
