// What the calibration wizard shares with the rest of the bridge for the
// whole run: the decoders and the simulator link read it, the wizard sets its
// flags and publishes what it measured. Start values are those of a bridge
// with no calibration in progress.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace brelvik {

struct KnobRange {
    std::uint8_t max = 0;
    std::uint8_t min = 0;
    bool isSet() const { return max != 0 || min != 0; }
    friend bool operator==(const KnobRange&, const KnobRange&) = default;
};

inline constexpr int kKnobCount = 4;  // switch/breaker panel, standby gauges, pedestal, avionics

struct CalibrationState {
    // Flaps lever: while calibrating, raw values widen the measured range and
    // do not move the simulator's flaps.
    bool leverCalibrating = false;
    bool leverLive = true;
    std::uint8_t leverMax = 0;
    std::uint8_t leverMin = 0;

    // Flaps indicator: while calibrating, the wizard drives the servo.
    bool indicatorCalibrating = false;
    bool indicatorLive = true;
    std::uint8_t newIndicatorUp = 0;  // published on Save; taken over when both are non-zero
    std::uint8_t newIndicatorDown = 0;

    // Compass, in tenths of a degree; taken over when non-zero.
    std::int32_t newCompassOffset = 0;
    bool compassOffsetPublished = false;
    bool compassReversed = false;  // loaded at start-up

    std::array<bool, kKnobCount> knobCalibrating{};
    std::array<KnobRange, kKnobCount> knobRange{};  // published on Save; taken over when set

    // The wizard's side, called on the UI thread: a raw knob value measured
    // while that knob is calibrated, and the lever range growing past 100.
    std::function<void(int knob, std::uint8_t raw)> feedKnobRange;
    std::function<void()> leverRangeReady;
};

}  // namespace brelvik
