// The two datagrams every flight sample produces for the tablet while it is
// connected: the "ClientData|" text with the aircraft's state, and the
// "ClientAv" text with the failure flags that changed since the last sample.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/data_definitions.h"
#include "sim/simconnect.h"

namespace brelvik {

// One flag per box of the failures group: 1 while the box is clear (the unit
// works), 0 while it is checked.
inline constexpr std::size_t kFailureFlagCount = 11;
using FailureFlags = std::array<std::uint8_t, kFailureFlagCount>;

// Keys of the failure flags, in flag order.
inline constexpr std::array<const char*, kFailureFlagCount> kFailureFlagKeys = {
    "FGIA1", "FGIA2", "FADC", "FGEA", "FAHRS", "FALT", "FASI", "FVVI", "FMAG", "FXPDR", "FMFD",
};

// Simulators from this major version on report the avionics bus and the
// battery load differently; see composeFlightData.
inline constexpr DWORD kFirstMsfsVersion = 11;

// Keeps what the flight-data text carries from one sample to the next: the
// avionics brightness is sent once, in the first message after it changes.
class FlightDataComposer {
public:
    // The brightness the switch panel's knob last set; sent with the next message
    // if it differs from the one sent last.
    void setAvionicsBrightness(std::int32_t value) { avionicsBrightness_ = value; }
    std::int32_t avionicsBrightness() const { return avionicsBrightness_; }
    std::int32_t lastAvionicsBrightness() const { return lastAvionicsBrightness_; }

    // Adjusts the sample in place, then returns the complete "ClientData|" text.
    // The adjustments stay in the sample because the gauge line, composed from
    // the same sample afterwards, must show the same values:
    //  - tablet option 0: the N1 fields carry brake power in watts instead;
    //  - version >= kFirstMsfsVersion: the avionics bus takes the main bus
    //    voltage and the battery load changes sign.
    // Only call this while the tablet is connected: a brightness change is
    // consumed by the message composed here.
    std::string composeFlightData(FlightSample& sample, DWORD simVersionMajor, std::int32_t tabletOption);

    // The "ClientAv" text with each flag that differs from lastFlags; empty when
    // none differs, and then nothing is to be sent.
    static std::string composeFailureFlags(const FailureFlags& flags, const FailureFlags& lastFlags);

private:
    std::int32_t avionicsBrightness_ = 0;
    std::int32_t lastAvionicsBrightness_ = 0;
};

}  // namespace brelvik
