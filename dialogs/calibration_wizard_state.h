// What the calibration wizard's procedures share: the window, the settings,
// the switch panel, the calibration values the rest of the bridge reads, and
// which device is on which step. The wizard owns it; each procedure works on
// it, so a procedure holds only what is its own.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/calibration_state.h"
#include "base/panel_output.h"
#include "base/seams.h"
#include "panels/panel_decoders.h"
#include "sim/sim_link.h"

namespace brelvik {

// The devices' fixed indices, as their buttons are ordered.
namespace wizard_device {
inline constexpr int kFlapsLever = 0;
inline constexpr int kFlapsIndicator = 1;
inline constexpr int kCompass = 2;
inline constexpr int kFirstKnob = 3;
inline constexpr int kCount = 7;
}  // namespace wizard_device

struct StepText {
    const char* text;
    const char* second;
};

struct WizardState {
    WizardState(SettingsStore& settingsStore, CalibrationState& sharedState, PanelDecoders& panelDecoders,
                SimLink& link)
        : settings(settingsStore), shared(sharedState), decoders(panelDecoders), simLink(link) {}
    WizardState(const WizardState&) = delete;
    WizardState& operator=(const WizardState&) = delete;

    int step(int device) const { return steps[static_cast<std::size_t>(device)]; }
    void setStep(int device, int value) { steps[static_cast<std::size_t>(device)] = value; }
    // Shows a step's page: its counter and both texts.
    void enterStep(int device, int newStep, StepText texts);
    void show(std::initializer_list<int> ids, bool visible);
    // Frames go to the switch panel only while it is connected.
    void sendFrame(std::uint8_t code, std::uint8_t value);
    void storeNumber(const char* section, const char* key, std::int32_t value);
    bool switchPanelConnected() const { return panels->isConnected(Panel::SwitchPanel); }
    // No title, no step texts, no buttons but the devices'.
    void clearPage();
    // The page after Save or Finish: nothing selected, nothing to press.
    void finishDevice();

    class NoWindow final : public Controls {
        std::string text(int) const override { return {}; }
        void setText(int, const std::string&) override {}
        bool isChecked(int) const override { return false; }
        void setChecked(int, bool) override {}
        void enable(int, bool) override {}
        bool isEnabled(int) const override { return false; }
        void show(int, bool) override {}
        void setItems(int, const std::vector<std::string>&) override {}
        void select(int, int) override {}
        int selection(int) const override { return -1; }
    } noWindow;
    NoPanels noPanels;

    SettingsStore& settings;
    CalibrationState& shared;
    PanelDecoders& decoders;
    SimLink& simLink;
    PanelOutput* panels = &noPanels;
    Controls* controls = &noWindow;

    std::array<int, wizard_device::kCount> steps{};  // 0: idle
    int selected = -1;
};

// One kind of device's steps. Next and Previous reach the procedure of the
// selected device only; Previous only from step 2 on.
class CalibrationProcedure {
public:
    explicit CalibrationProcedure(WizardState& state) : state_(state) {}
    virtual ~CalibrationProcedure() = default;
    CalibrationProcedure(const CalibrationProcedure&) = delete;
    CalibrationProcedure& operator=(const CalibrationProcedure&) = delete;

    virtual const char* title(int device) const = 0;
    virtual StepText stepText(int device, int step) const = 0;
    // Each time the window opens.
    virtual void onOpen() = 0;
    // After the device's first page was shown.
    virtual void onSelected() {}
    virtual void next(int device) = 0;
    virtual void previous(int device) = 0;
    // The wizard is cancelled or closed while this device is at `step` (> 0).
    virtual void abort(int device, int step) = 0;

protected:
    void enterStep(int device, int step) { state_.enterStep(device, step, stepText(device, step)); }

    WizardState& state_;
};

}  // namespace brelvik
