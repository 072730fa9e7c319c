#include "panels/panel_decoders.h"

#include "base/control_ids.h"
#include "base/text_numbers.h"
#include "sim/data_definitions.h"
#include "sim/fixed_events.h"
#include "sim/sim_event_table.h"

namespace brelvik {
namespace {

using namespace sim_events;

DWORD fixed(FixedEvent event) { return eventId(event); }

constexpr std::uint8_t kFirstBreakerCode = 20;
constexpr std::uint8_t kLastBreakerCode = 61;
constexpr std::uint8_t kFirstKnobCode = 14;

// A compass offset beyond one turn turns the rose no further than its
// remainder, and a magnitude the one-byte command cannot carry goes as
// several commands the panel adds up.
constexpr std::int32_t kTenthsPerTurn = 3600;
constexpr std::int32_t kMaxCompassStep = 255;

}  // namespace

std::uint8_t ScaleKnob(std::uint8_t raw, std::uint8_t max, std::uint8_t min) {
    // A range of nothing (a damaged or hand-edited calibration): what the
    // formula gives as the range closes, full above it and dark at or below.
    if (max == min) return raw > min ? 255 : 0;
    float f = static_cast<float>(raw - min) / static_cast<float>(max - min);
    if (f < 0.02f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    return static_cast<std::uint8_t>(f * 255.0f);
}

DWORD flapsEventForLever(std::uint8_t raw, std::uint8_t min, std::uint8_t max) {
    const int span = static_cast<int>(max) - static_cast<int>(min);
    const auto quarter = static_cast<std::uint8_t>(span / 4);
    // The thresholds wrap in eight bits, as the panels were calibrated with.
    const auto t3 = static_cast<std::uint8_t>(min + 3 * quarter);
    const auto t2 = static_cast<std::uint8_t>(min + 2 * quarter);
    const auto t1 = static_cast<std::uint8_t>(min + quarter);
    if (raw >= t3) return kFlapsUp;
    if (raw >= t2) return kFlaps1;
    if (raw >= t1) return kFlaps2;
    return kFlaps3;
}

PanelDecoders::PanelDecoders(Controls& controls, const SimSession& session, SimLink& simLink, TabletOutput& tablet,
                             CalibrationState& calibration)
    : controls_(controls), session_(session), simLink_(simLink), tablet_(tablet), calibration_(calibration) {}

void PanelDecoders::load(const CalibrationValues& values) {
    leverMin_ = values.flapsLeverMin;
    leverMax_ = values.flapsLeverMax;
    knobs_ = {KnobRange{values.switchPanelKnobMax, values.switchPanelKnobMin},
              KnobRange{values.standbyKnobMax, values.standbyKnobMin},
              KnobRange{values.pedestalKnobMax, values.pedestalKnobMin},
              KnobRange{values.avionicsKnobMax, values.avionicsKnobMin}};
}

void PanelDecoders::transmit(DWORD event, std::uint32_t data, DWORD priority) const {
    transmitToUserAircraft(session_, event, data, priority);
}

void PanelDecoders::onStandbyByte(std::uint8_t byte) {
    switch (byte) {
    case 'A':
        transmit(fixed(FixedEvent::AdfCardInc));
        break;
    case 'B':
        transmit(fixed(FixedEvent::AdfCardDec));
        break;
    case 'C':
        transmit(fixed(FixedEvent::Vor1ObiInc));
        break;
    case 'D':
        transmit(fixed(FixedEvent::Vor1ObiDec));
        break;
    case 'E':
        transmit(fixed(FixedEvent::Vor2ObiInc));
        break;
    case 'F':
        transmit(fixed(FixedEvent::Vor2ObiDec));
        break;
    default:
        break;  // the panel's text answers and anything else
    }
}

void PanelDecoders::onSwitchFrame(PanelFramePair frame) {
    const std::uint8_t code = frame.code;
    const std::uint8_t value = frame.value;
    switchTable(code, value);

    if (electricalChanged_ && older() && session_.connected) {
        SimConnect_SetDataOnSimObject(session_.handle, kSwitchWriteDefinition, SIMCONNECT_OBJECT_ID_USER, 0, 0,
                                      sizeof electrical_, electrical_.data());
        electricalChanged_ = false;
    }
    if (code >= kFirstBreakerCode && code <= kLastBreakerCode) {
        // Setting the mark runs no click handler: nothing goes back to the panel.
        controls_.setChecked(ids::kFirstBreaker + (code - kFirstBreakerCode), value == 0);
        if (code >= 60) breakersReported_ = true;
    }
    if (breakersReported_ && compassOffsetPending_) {
        // Panels usually connect before the simulator does: an offset that
        // finds no simulator waits for it instead of for the next connection.
        offsetAwaitsSimulator_ = !SendCompassOffset();
        compassOffsetPending_ = false;
        breakersReported_ = false;
    }
}

void PanelDecoders::switchTable(std::uint8_t code, std::uint8_t value) {
    const SwitchSample& sim = simLink_.switchState();
    switch (code) {
    case 0:
        batterySwitch(standbyBattery_, value, fixed(FixedEvent::MobiFlightC172StbybatteryOn),
                      fixed(FixedEvent::MobiFlightC172StbybatteryOff));
        break;
    case 1:
        if (panels_->isConnected(Panel::SwitchPanel)) panels_->writeFrame(Panel::SwitchPanel, 0x01, value);
        if (!older()) {
            onOff(value, fixed(FixedEvent::MobiFlightC172StbybatteryTestOn),
                  fixed(FixedEvent::MobiFlightC172StbybatteryTestOff));
        }
        break;
    case 2:
        batterySwitch(masterBattery_, value, fixed(FixedEvent::MobiFlightC172BatteryOn),
                      fixed(FixedEvent::MobiFlightC172BatteryOff));
        break;
    case 3:
        electricalSwitch(electrical_[0], value, fixed(FixedEvent::MobiFlightC172AlternatorOn),
                         fixed(FixedEvent::MobiFlightC172AlternatorOff));
        break;
    case 4:
    case 5:
        if (value <= 1) avionicsSwitch(code - 4, value);
        break;
    case 6:
        electricalSwitch(electrical_[2], value, fixed(FixedEvent::MobiFlightBeaconLightsOn),
                         fixed(FixedEvent::MobiFlightBeaconLightsOff));
        break;
    case 7:
        if (value <= 1) onOff(value, kLandingLightsOn, kLandingLightsOff);
        break;
    case 8:
        if (!older()) {
            onOff(value, fixed(FixedEvent::MobiFlightTaxiLightsOn), fixed(FixedEvent::MobiFlightTaxiLightsOff));
        } else if (value != saturatingTrunc(sim.lightTaxi)) {
            transmit(kToggleTaxiLights);
        }
        break;
    case 9:
        electricalSwitch(electrical_[3], value, fixed(FixedEvent::MobiFlightNavLightsOn),
                         fixed(FixedEvent::MobiFlightNavLightsOff));
        break;
    case 10:
        if (value <= 1) onOff(value, kStrobesOn, kStrobesOff);
        break;
    case 11:
        if (!older()) {
            onOff(value, fixed(FixedEvent::MobiFlightFuelPumpSwitchOn),
                  fixed(FixedEvent::MobiFlightFuelPumpSwitchOff));
        } else if (value != saturatingTrunc(sim.generalEngFuelPumpSwitch1)) {
            transmit(kFuelPump);
        }
        break;
    case 12:
        if (value <= 1) onOff(value, kPitotHeatOn, kPitotHeatOff);
        break;
    case 14:
    case 15:
    case 16:
    case 17:
        knob(code - kFirstKnobCode, value);
        break;
    case 18: {
        static constexpr DWORD kMagneto[5] = {kMagnetoOff, kMagnetoRight, kMagnetoLeft, kMagnetoBoth, kMagnetoStart};
        if (value < 5) transmit(kMagneto[value]);
        break;
    }
    case 19:
        flapsLever(value);
        break;
    case 80:
        if (value != 0 && tablet_.isTabletConnected()) tablet_.sendToTablet("ClientAv|GA=1");
        break;
    case 81:
        if (value != saturatingTrunc(simLink_.altStaticOpen())) {
            transmit(fixed(FixedEvent::ToggleAlternateStatic), 0, SIMCONNECT_GROUP_PRIORITY_STANDARD);
        }
        break;
    case 87: {
        const bool set = simLink_.parkingBrake() != 0;
        if ((set && value == 1) || (!set && value == 0)) transmit(kParkingBrakes);
        break;
    }
    default:
        break;  // breakers are handled after the table; other codes mean nothing
    }
}

void PanelDecoders::batterySwitch(std::int32_t& stored, std::uint8_t value, DWORD on, DWORD off) {
    if (value > 1) return;
    stored = value;
    // Either battery switch powers the bus.
    electrical_[1] = (standbyBattery_ != 0 || masterBattery_ != 0) ? 1 : 0;
    electricalChanged_ = true;
    if (!older()) onOff(value, on, off);
}

void PanelDecoders::electricalSwitch(std::int32_t& stored, std::uint8_t value, DWORD on, DWORD off) {
    stored = value;
    electricalChanged_ = true;
    if (!older()) onOff(value, on, off);
}

void PanelDecoders::avionicsSwitch(int bus, std::uint8_t value) {
    const auto self = static_cast<std::size_t>(bus);
    const std::size_t other = 1 - self;
    avionicsBus_[self] = value;
    const std::int32_t wanted = (avionicsBus_[0] != 0 || avionicsBus_[1] != 0) ? 1 : 0;
    if (skipBus_[self]) {
        skipBus_[self] = false;
        if (avionicsBus_[self] == avionicsBus_[other]) return;
    }
    if (older()) {
        // One master switch for both buses: toggling it for one bus makes the
        // other bus report the same change, which must not toggle it back.
        if (wanted != saturatingTrunc(simLink_.switchState().avionicsMasterSwitch)) {
            transmit(kToggleAvionicsMaster);
            skipBus_[other] = true;
        }
        return;
    }
    if (bus == 0) {
        onOff(value, fixed(FixedEvent::MobiFlightC172AvionicsBus1On), fixed(FixedEvent::MobiFlightC172AvionicsBus1Off));
    } else {
        onOff(value, fixed(FixedEvent::MobiFlightC172AvionicsBus2On), fixed(FixedEvent::MobiFlightC172AvionicsBus2Off));
    }
}

std::uint8_t PanelDecoders::knobOutput(int knob, std::uint8_t raw) {
    const auto k = static_cast<std::size_t>(knob);
    if (calibration_.knobRange[k].isSet()) knobs_[k] = calibration_.knobRange[k];
    return knobs_[k].isSet() ? ScaleKnob(raw, knobs_[k].max, knobs_[k].min) : raw;
}

void PanelDecoders::knob(int knob, std::uint8_t raw) {
    if (knob < 0 || knob >= kKnobCount) return;
    if (calibration_.knobCalibrating[static_cast<std::size_t>(knob)]) {
        if (calibration_.feedKnobRange) calibration_.feedKnobRange(knob, raw);
        return;
    }
    switch (knob) {
    case 0: {
        const std::uint8_t output = knobOutput(knob, raw);
        if (panels_->isConnected(Panel::SwitchPanel)) panels_->writeFrame(Panel::SwitchPanel, 0xFD, output);
        break;
    }
    case 1:
        if (panels_->isConnected(Panel::StandbyGauges)) simLink_.gaugeLine().setPanelBrightness(knobOutput(knob, raw));
        break;
    case 2:
        if (panels_->isConnected(Panel::Pedestal)) panels_->writeFrame(Panel::Pedestal, 0x0A, knobOutput(knob, raw));
        break;
    default:
        if (tablet_.isTabletConnected()) simLink_.composer().setAvionicsBrightness(knobOutput(knob, raw));
        break;
    }
}

void PanelDecoders::flapsLever(std::uint8_t value) {
    lastLever_ = value;
    if (calibration_.leverCalibrating) {
        if (value > calibration_.leverMax) {
            calibration_.leverMax = value;
        } else if (value < calibration_.leverMin) {
            calibration_.leverMin = value;
        }
        if (calibration_.leverMax - calibration_.leverMin > 100 && calibration_.leverRangeReady) {
            calibration_.leverRangeReady();
        }
    }
    // Every lever frame sets the flaps: the simulator may have moved them.
    if (calibration_.leverLive) FlapsLeverToEvent();
}

void PanelDecoders::onPedestalFrame(PanelFramePair frame) {
    const std::uint8_t value = frame.value;
    PanelDrive& drive = simLink_.panelDrive();
    switch (frame.code) {
    case 94:
        if (drive.trimSettleCount != 0) break;
        transmit(fixed(FixedEvent::AxisElevTrimSet), static_cast<std::uint32_t>(16383 - 128 * value),
                 SIMCONNECT_GROUP_PRIORITY_STANDARD);
        drive.trimIndicator = static_cast<float>(value) * 0.0078125f - 1.0f;
        break;
    case 95:
        if ((drive.fuelValve == 0 && value == 0) || (drive.fuelValve != 0 && value == 1)) {
            transmit(kToggleFuelValveAll);
        }
        break;
    case 96: {
        static constexpr DWORD kSelector[3] = {kFuelSelectorAll, kFuelSelectorLeft, kFuelSelectorRight};
        if (value < 3) transmit(kSelector[value]);
        break;
    }
    default:
        break;
    }
}

void PanelDecoders::onSimulatorTick() {
    if (!offsetAwaitsSimulator_ || !session_.connected) return;
    offsetAwaitsSimulator_ = false;
    if (panels_->isConnected(Panel::SwitchPanel)) SendCompassOffset();
}

bool PanelDecoders::SendCompassOffset() {
    if (!session_.connected) {
        compassOffsetPending_ = true;
        return false;
    }
    PanelDrive& drive = simLink_.panelDrive();
    const bool connected = panels_->isConnected(Panel::SwitchPanel);
    if (drive.compassOffset == 0) {
        if (connected) panels_->writeFrame(Panel::SwitchPanel, 0x05, 0x00);
        return true;
    }
    std::int32_t left = drive.compassOffset % kTenthsPerTurn;
    const std::uint8_t code = left < 0 ? 0x04 : 0x03;
    if (left < 0) left = -left;
    while (connected && left > 0) {
        const std::int32_t step = left > kMaxCompassStep ? kMaxCompassStep : left;
        panels_->writeFrame(Panel::SwitchPanel, code, static_cast<std::uint8_t>(step));
        left -= step;
    }
    drive.compassSettlePending = true;
    return true;
}

}  // namespace brelvik
