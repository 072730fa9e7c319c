// What the three panels' controls mean: letters from the standby gauges,
// frames from the switch panel and the pedestal, turned into simulator
// events and writes, breaker boxes, backlight and brightness, and messages to
// the tablet. All on the UI thread, in arrival order.
#pragma once

#include <array>
#include <cstdint>

#include "base/calibration_state.h"
#include "base/panel_output.h"
#include "base/seams.h"
#include "base/tablet_output.h"
#include "panels/panel_ports.h"
#include "settings/startup_settings.h"
#include "sim/sim_link.h"
#include "sim/sim_session.h"

namespace brelvik {

// A lighting knob's raw value on its calibrated range, 0-255.
std::uint8_t ScaleKnob(std::uint8_t raw, std::uint8_t max, std::uint8_t min);
// The flaps event for a raw lever value on the lever's range.
DWORD flapsEventForLever(std::uint8_t raw, std::uint8_t min, std::uint8_t max);

class PanelDecoders final : public PanelInput {
public:
    PanelDecoders(Controls& controls, const SimSession& session, SimLink& simLink, TabletOutput& tablet,
                  CalibrationState& calibration);

    void setPanelOutput(PanelOutput& panels) { panels_ = &panels; }
    // The stored calibration: lever range and knob pairs.
    void load(const CalibrationValues& values);

    void onStandbyByte(std::uint8_t byte) override;
    void onSwitchFrame(PanelFramePair frame) override;
    void onPedestalFrame(PanelFramePair frame) override;

    // The panel forgets the offset it was given: send it again once it
    // reports its breakers after the next connection.
    void onSwitchPanelDisconnected() {
        compassOffsetPending_ = true;
        breakersReported_ = false;  // a report from the last connection says nothing of the next
        offsetAwaitsSimulator_ = false;
    }
    // The calibration wizard's side: a new lever range, and the flaps set at
    // once for where the lever stands.
    void setFlapsLeverRange(std::uint8_t min, std::uint8_t max) {
        leverMin_ = min;
        leverMax_ = max;
    }
    void FlapsLeverToEvent() const { transmit(flapsEventForLever(lastLever_, leverMin_, leverMax_)); }
    // Returns false when there was no simulator to turn the rose for.
    bool SendCompassOffset();
    // Each simulator tick: an offset that found no simulator when the panel
    // reported its breakers is sent once the simulator is there.
    void onSimulatorTick();

    // The electrical block of the older simulator, in its write order:
    // alternator, master battery, beacon, navigation lights.
    const std::array<std::int32_t, 4>& electricalBlock() const { return electrical_; }
    std::uint8_t lastLeverValue() const { return lastLever_; }
    std::uint8_t flapsLeverMin() const { return leverMin_; }
    std::uint8_t flapsLeverMax() const { return leverMax_; }
    const std::array<KnobRange, kKnobCount>& knobPairs() const { return knobs_; }
    bool compassOffsetPending() const { return compassOffsetPending_; }

private:
    void transmit(DWORD event, std::uint32_t data = 0, DWORD priority = SIMCONNECT_GROUP_PRIORITY_HIGHEST) const;
    // The first event when the value is non-zero, the second when it is zero.
    void onOff(std::uint8_t value, DWORD on, DWORD off) const { transmit(value != 0 ? on : off); }
    void switchTable(std::uint8_t code, std::uint8_t value);
    void batterySwitch(std::int32_t& stored, std::uint8_t value, DWORD on, DWORD off);
    void electricalSwitch(std::int32_t& stored, std::uint8_t value, DWORD on, DWORD off);
    void avionicsSwitch(int bus, std::uint8_t value);
    void knob(int knob, std::uint8_t raw);
    std::uint8_t knobOutput(int knob, std::uint8_t raw);
    void flapsLever(std::uint8_t value);
    bool older() const { return !session_.isNewGeneration(); }

    Controls& controls_;
    const SimSession& session_;
    SimLink& simLink_;
    TabletOutput& tablet_;
    CalibrationState& calibration_;
    NoPanels noPanels_;
    PanelOutput* panels_ = &noPanels_;

    std::int32_t standbyBattery_ = 0;
    std::int32_t masterBattery_ = 0;
    std::array<std::int32_t, 2> avionicsBus_{};
    std::array<bool, 2> skipBus_{};  // ignore the echo of a toggle the other bus switch caused
    std::array<std::int32_t, 4> electrical_{};
    bool electricalChanged_ = false;
    std::array<KnobRange, kKnobCount> knobs_{};
    std::uint8_t lastLever_ = 0;
    std::uint8_t leverMin_ = 50;
    std::uint8_t leverMax_ = 200;
    bool compassOffsetPending_ = true;
    bool breakersReported_ = false;
    bool offsetAwaitsSimulator_ = false;
};

}  // namespace brelvik
