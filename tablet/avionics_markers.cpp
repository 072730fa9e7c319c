// The difference markers: which avionics values the pilot has changed in the
// simulator since the tablet last set them.
#include <cmath>

#include "base/text_numbers.h"
#include "tablet/avionics.h"

namespace brelvik {
namespace {

using Field = double RadioSample::*;
using IntField = std::int32_t RadioSample::*;

// Frequencies in MHz agree within 3 kHz.
constexpr double kFrequencyTolerance = 0.003;

constexpr Field kFrequencies[] = {
    &RadioSample::comActiveFrequency1, &RadioSample::comStandbyFrequency1, &RadioSample::comActiveFrequency2,
    &RadioSample::comStandbyFrequency2, &RadioSample::navActiveFrequency1, &RadioSample::navStandbyFrequency1,
    &RadioSample::navActiveFrequency2, &RadioSample::navStandbyFrequency2,
};
constexpr IntField kExactValues[] = {
    &RadioSample::transponderCode1, &RadioSample::autopilotHeadingLockDir, &RadioSample::autopilotAltitudeLockVar,
    &RadioSample::navObs1, &RadioSample::navObs2,
};
constexpr IntField kTargets[] = {&RadioSample::autopilotVerticalHoldVar, &RadioSample::autopilotAirspeedHoldVar};
constexpr Field kSwitches[] = {
    &RadioSample::autopilotMaster, &RadioSample::comTransmit1, &RadioSample::comTransmit2,
    &RadioSample::comRecieveAll,   &RadioSample::markerSound,  &RadioSample::dmeSound,
    &RadioSample::adfSound0,       &RadioSample::navSound1,    &RadioSample::navSound2,
};

double doubleMarker(bool agree) { return agree ? 0.0 : Avionics::kDiffers; }
std::int32_t intMarker(bool agree) { return agree ? 0 : Avionics::kDiffers; }

}  // namespace

void Avionics::onRadioSample(const RadioSample& sample) {
    radioState_ = sample;
    // Before the connection's first message has been applied the tablet values
    // are not yet the tablet's; during a message they are half updated.
    if (firstMessageApplied_ && !messageInProgress_) computeMarkers();
}

void Avionics::computeMarkers() {
    const RadioSample& sim = radioState_;
    const RadioSample& tab = tablet_;
    DifferenceMarkers& m = markers_;

    // The tablet's altimeter setting is in sixteenths; both compare as whole millibars.
    m.kohlsmanSettingMb =
        doubleMarker(saturatingRound(tab.kohlsmanSettingMb * 0.0625) == saturatingRound(sim.kohlsmanSettingMb));
    for (Field f : kFrequencies) m.*f = doubleMarker(std::fabs(sim.*f - tab.*f) < kFrequencyTolerance);
    // DME 3 is the tablet's "none selected", which agrees with any selection.
    const std::int32_t tabletDme = saturatingTrunc(tab.selectedDme);
    m.selectedDme = doubleMarker(saturatingTrunc(sim.selectedDme) == tabletDme || tabletDme == 3);
    // The simulator reports Hz; the tablet value is in units of 100 Hz.
    m.adfActiveFrequency1 = intMarker(sim.adfActiveFrequency1 / 100 == tab.adfActiveFrequency1);
    for (IntField f : kExactValues) m.*f = intMarker(sim.*f == tab.*f);
    for (IntField f : kTargets) m.*f = intMarker(sim.*f == tab.*f || tab.*f == kNoTarget);
    for (Field f : kSwitches) m.*f = doubleMarker(saturatingTrunc(sim.*f) == saturatingTrunc(tab.*f));
    // The battery and avionics master slots hold the last reported values and
    // are left alone.
}

}  // namespace brelvik
