// The calibration wizard's rules, without its window: seven devices, each a
// short sequence of steps that measures the switch panel (through its
// decoder), moves its servo and compass (through frames), and publishes and
// stores the result. One object for the whole run; a window attaches to it
// while it is open.
#pragma once

#include <array>
#include <initializer_list>
#include <cstdint>
#include <string>

#include "base/calibration_state.h"
#include "base/panel_output.h"
#include "base/seams.h"
#include "base/wizard_ids.h"
#include "panels/panel_decoders.h"
#include "sim/sim_link.h"

namespace brelvik {


// Watches a knob turned to both ends several times and keeps the extremes.
class KnobSampler {
public:
    // True once three peaks and three troughs were seen.
    bool feed(std::uint8_t value);
    void reset() { *this = KnobSampler{}; }
    bool done() const { return done_; }
    void clearDone() { done_ = false; }
    std::uint8_t resultMin() const { return resultMin_; }
    std::uint8_t resultMax() const { return resultMax_; }
    void clearResults() { resultMin_ = resultMax_ = 0; }

private:
    std::uint8_t resultMin_ = 0;
    std::uint8_t resultMax_ = 0;
    std::uint8_t runningLow_ = 20;
    std::uint8_t runningHigh_ = 235;
    std::array<std::uint8_t, 3> peaks_{};
    std::array<std::uint8_t, 3> troughs_{};
    int peakCount_ = 0;
    int troughCount_ = 0;
    bool rising_ = false;
    bool falling_ = false;
    bool done_ = false;
};

class CalibrationWizard {
public:
    enum Device { FlapsLever = 0, FlapsIndicator = 1, Compass = 2, FirstKnob = 3, DeviceCount = 7 };

    CalibrationWizard(SettingsStore& settings, CalibrationState& shared, PanelDecoders& decoders, SimLink& simLink);
    ~CalibrationWizard();
    CalibrationWizard(const CalibrationWizard&) = delete;
    CalibrationWizard& operator=(const CalibrationWizard&) = delete;

    void setPanelOutput(PanelOutput& panels) { panels_ = &panels; }
    // The window's controls while it is open. A window that goes away
    // detaches only itself: an old window destroyed late must not cut off
    // the one open now.
    void attach(Controls* controls) { controls_ = controls != nullptr ? controls : &noWindow_; }
    void detach(const Controls* controls) {
        if (controls_ == controls) controls_ = &noWindow_;
    }

    // After the window was created.
    void onOpen();
    // A button or the Reverse box of the window.
    void onCommand(int id);
    // "Cancel" (fromCancelButton) or the close box, Escape and Enter: every
    // device in progress gives its part back to the simulator.
    void abort(bool fromCancelButton);

    int step(int device) const { return steps_[static_cast<std::size_t>(device)]; }
    int selected() const { return selected_; }
    bool outOfRange() const { return outOfRange_; }
    int workingUp() const { return workUp_; }
    int workingDown() const { return workDown_; }
    std::int32_t adjustment() const { return adjustment_; }
    const KnobSampler& sampler() const { return sampler_; }

private:
    void selectDevice(int device);
    void next();
    void previous();
    void nextLever();
    void nextIndicator();
    void nextCompass();
    void nextKnob(int knob);
    void previousLever();
    void previousIndicator();
    void previousCompass();
    void previousKnob(int knob);
    void upDown(int delta);
    void compassButton(int id);
    void showOutOfRange();
    void leaveOutOfRange();
    void finishCompass();
    void saveLever();
    void saveIndicator();
    void saveKnob(int knob);
    void finishDevice();
    void reDriveIndicator();
    void showCompassControls(bool visible);
    void captionCompassButtons(bool reversed);
    void feedKnob(int knob, std::uint8_t value);

    void enterStep(int device, int step);
    void show(std::initializer_list<int> ids, bool visible);
    void sendFrame(std::uint8_t code, std::uint8_t value);
    void sendIndicator(int value) { sendFrame(0x80, static_cast<std::uint8_t>(value)); }
    std::uint8_t indicatorPosition() const;
    void storeNumber(const char* section, const char* key, std::int32_t value);
    bool switchPanelConnected() const { return panels_->isConnected(Panel::SwitchPanel); }

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
    } noWindow_;

    SettingsStore& settings_;
    CalibrationState& shared_;
    PanelDecoders& decoders_;
    SimLink& simLink_;
    NoPanels noPanels_;
    PanelOutput* panels_ = &noPanels_;
    Controls* controls_ = &noWindow_;

    std::array<int, DeviceCount> steps_{};
    int selected_ = -1;
    bool outOfRange_ = false;
    int workUp_ = 125;
    int workDown_ = 125;
    std::int32_t adjustment_ = 0;
    KnobSampler sampler_;
};

}  // namespace brelvik
