#include "tablet/avionics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

#include "base/control_ids.h"
#include "base/text_numbers.h"
#include "tablet/audio_panel_keys.h"

namespace brelvik {
namespace {

using Field = double RadioSample::*;
using IntField = std::int32_t RadioSample::*;

// 8.33 kHz channel names that the 10 kHz frequency code cannot express: the
// active radio takes them by a swap, the standby by one fractional step after
// the code of the channel below.
bool isFineChannel(std::int32_t kilohertz) {
    switch (kilohertz % 100) {
    case 5: case 15: case 35: case 55: case 65: case 85: return true;
    default: return false;
    }
}

// A COM key moves the simulator only when the tablet's own value moves by this much.
constexpr double kComStepMhz = 0.003;

// A target far beyond any aircraft's ceiling would otherwise become millions of
// key events in one message; the following messages carry on towards it.
constexpr std::int64_t kMaxThousandSteps = 100;

struct ComKey {
    const char* key;
    Field field;
    bool standby;
    FixedEvent set;
    FixedEvent fine;  // active: swap in the standby channel; standby: one fractional step
};
constexpr ComKey kComKeys[] = {
    {"COM1", &RadioSample::comActiveFrequency1, false, FixedEvent::ComRadioSet, FixedEvent::ComStbyRadioSwap},
    {"COM1S", &RadioSample::comStandbyFrequency1, true, FixedEvent::ComStbyRadioSet, FixedEvent::ComRadioFractInc},
    {"COM2", &RadioSample::comActiveFrequency2, false, FixedEvent::Com2RadioSet, FixedEvent::Com2RadioSwap},
    {"COM2S", &RadioSample::comStandbyFrequency2, true, FixedEvent::Com2StbyRadioSet, FixedEvent::Com2RadioFractInc},
};

struct NavKey {
    const char* key;
    Field field;
    FixedEvent set;
};
constexpr NavKey kNavKeys[] = {
    {"NAV1", &RadioSample::navActiveFrequency1, FixedEvent::Nav1RadioSet},
    {"NAV1S", &RadioSample::navStandbyFrequency1, FixedEvent::Nav1StbySet},
    {"NAV2", &RadioSample::navActiveFrequency2, FixedEvent::Nav2RadioSet},
    {"NAV2S", &RadioSample::navStandbyFrequency2, FixedEvent::Nav2StbySet},
};

// Keys whose value goes to the simulator and back unchanged.
struct PlainKey {
    const char* key;
    IntField field;
    FixedEvent set;
    bool mayHaveNoTarget;  // the tablet sends kNoTarget when it has no value to set
};
constexpr PlainKey kPlainKeys[] = {
    {"SHDG", &RadioSample::autopilotHeadingLockDir, FixedEvent::HeadingBugSet, false},
    {"SCRS1", &RadioSample::navObs1, FixedEvent::Vor1Set, false},
    {"SCRS2", &RadioSample::navObs2, FixedEvent::Vor2Set, false},
    {"VS", &RadioSample::autopilotVerticalHoldVar, FixedEvent::ApVsVarSetEnglish, true},
    {"SPD", &RadioSample::autopilotAirspeedHoldVar, FixedEvent::ApSpdVarSet, true},
};

template <typename Key, std::size_t N>
const Key* find(const Key (&table)[N], std::string_view key) {
    for (const Key& entry : table) {
        if (key == entry.key) return &entry;
    }
    return nullptr;
}

// The simulator shows its autopilot engaged with every hold mode off: the
// tablet's autopilot steers through the stick data.
constexpr FixedEvent kEngageSequence[] = {
    FixedEvent::AutopilotOn,      FixedEvent::ApAttHoldOff, FixedEvent::ApLocHoldOff,  FixedEvent::ApAprHoldOff,
    FixedEvent::ApHdgHoldOff,     FixedEvent::ApAltHoldOff, FixedEvent::ApWingLevelerOff, FixedEvent::ApBcHoldOff,
    FixedEvent::ApNav1HoldOff,    FixedEvent::ApAirspeedOff, FixedEvent::ApMachOff,
};

std::uint32_t asData(std::int32_t value) { return static_cast<std::uint32_t>(value); }
double asUnsigned(std::int32_t value) { return static_cast<double>(static_cast<std::uint32_t>(value)); }
std::int32_t truncated(double value) { return saturatingTrunc(value); }

// A yoke axis runs from -1 to 1. Anything the simulator or the tablet says
// beyond that is held at the stop; what is not a number at all is left out.
void narrowAxis(double value, float& axis) {
    if (std::isfinite(value)) axis = static_cast<float>(std::clamp(value, -1.0, 1.0));
}

}  // namespace

std::uint32_t comFrequencyCode(std::int32_t kilohertz) {
    // Negative frequencies have no code; digits beyond the eighth do not fit the
    // 32-bit event data and are dropped rather than shifted out of range.
    std::int32_t tens = kilohertz / 10;
    if (tens <= 0) return 0;
    std::uint32_t code = 0;
    for (int shift = 0; tens != 0 && shift < 32; shift += 4, tens /= 10) {
        code |= static_cast<std::uint32_t>(tens % 10) << shift;
    }
    return code;
}

Avionics::Avionics(Controls& controls, TabletLink& tablet, const SimSession& sim, const SettingsStore& settings)
    : controls_(controls), link_(tablet), sim_(sim), settings_(settings) {}

void Avionics::onTabletReady() { firstMessageApplied_ = false; }

void Avionics::setYoke(double x, double y) {
    narrowAxis(x, yokeX_);
    narrowAxis(y, yokeY_);
}

void Avionics::onSendOperationsUnchecked() { markers_ = DifferenceMarkers{}; }

bool Avionics::syncAutopilot() const { return controls_.isChecked(ids::kSyncAutopilotMaster); }

bool Avionics::marked(Field field) const { return firstMessageApplied_ && markers_.*field == kDiffers; }
bool Avionics::marked(IntField field) const { return firstMessageApplied_ && markers_.*field == kDiffers; }

void Avionics::transmit(FixedEvent event, std::uint32_t data, DWORD priority) {
    if (budget_.takeEvent()) transmitAlways(event, data, priority);
}

void Avionics::transmitAlways(FixedEvent event, std::uint32_t data, DWORD priority) const {
    transmitToUserAircraft(sim_, eventId(event), data, priority);
}

void Avionics::echo(std::string_view key, const std::string& value) {
    if (!budget_.takeEcho()) return;
    link_.sendToPeer("ClientAv|" + std::string(key) + "=" + value);
}

void Avionics::engageAutopilot() {
    for (FixedEvent event : kEngageSequence) transmit(event);
}

void Avionics::onServerAv(const SplitDatagram& message) {
    budget_.startMessage();
    altitudeSteppedThisMessage_ = false;
    messageInProgress_ = true;
    for (const DatagramField& field : message.fields) {
        // While the tablet flies, every field keeps the simulator's own holds off
        // (or, unsynchronised, its autopilot off): the stick commands steer.
        if (tabletAutopilot_ != 0) {
            if (syncAutopilot()) {
                engageAutopilot();
            } else {
                transmit(FixedEvent::AutopilotOff);
            }
        }
        reportMasterSwitches();
        handleField(field.key, field.value);
    }
    messageInProgress_ = false;
    firstMessageApplied_ = true;
}

void Avionics::reportMasterSwitches() {
    if (radioState_.electricalMasterBattery != markers_.electricalMasterBattery) {
        const std::int32_t battery = truncated(radioState_.electricalMasterBattery);
        link_.sendToPeer(formatText("ClientAv|BATSW=%d|BATSB=%d", battery, battery));
        markers_.electricalMasterBattery = radioState_.electricalMasterBattery;
    }
    if (radioState_.avionicsMasterSwitch != markers_.avionicsMasterSwitch) {
        link_.sendToPeer(formatText("ClientAv|AVSW=%d", truncated(radioState_.avionicsMasterSwitch)));
        markers_.avionicsMasterSwitch = radioState_.avionicsMasterSwitch;
    }
}

void Avionics::handleField(std::string_view key, std::string_view value) {
    const std::int32_t v = leadingInt(value);
    if (const ComKey* com = find(kComKeys, key)) {
        handleCom(key, com->field, com->standby, com->set, com->fine, v);
    } else if (const NavKey* nav = find(kNavKeys, key)) {
        tablet_.*nav->field = v / 100.0;
        if (marked(nav->field)) {
            echo(key, formatText("%f", radioState_.*nav->field));
        } else {
            transmit(nav->set, asData(leadingHex(value)));  // the decimal digits are the BCD code
        }
    } else if (const PlainKey* plain = find(kPlainKeys, key)) {
        tablet_.*plain->field = v;
        if (plain->mayHaveNoTarget && v == kNoTarget) return;
        if (marked(plain->field)) {
            echo(key, formatText("%d", radioState_.*plain->field));
        } else {
            transmit(plain->set, asData(v));
        }
    } else if (key == "HPA") {
        tablet_.kohlsmanSettingMb = asUnsigned(v);  // sixteenths of a hectopascal
        if (marked(&RadioSample::kohlsmanSettingMb)) {
            echo(key, formatText("%d", saturatingRound(radioState_.kohlsmanSettingMb)));
        } else {
            transmit(FixedEvent::KohlsmanSet, asData(v));
        }
    } else if (key == "DME") {
        // The tablet numbers its DME selection from 0; 2 means none selected.
        tablet_.selectedDme = static_cast<double>(asData(v) + 1u);
        if (v == 2) return;
        if (marked(&RadioSample::selectedDme)) {
            echo(key, formatText("%lld", static_cast<long long>(truncated(radioState_.selectedDme)) - 1));
        } else {
            transmit(FixedEvent::DmeSelect, asData(v) + 1u);
        }
    } else if (key == "ADF") {
        tablet_.adfActiveFrequency1 = v / 1000;
        if (marked(&RadioSample::adfActiveFrequency1)) {
            echo(key, formatText("%4.1f", radioState_.adfActiveFrequency1 / 1000.0));
        } else {
            transmit(FixedEvent::AdfCompleteSet, asData(leadingHex(value)));
        }
    } else if (key == "XPDR") {
        tablet_.transponderCode1 = v;  // the numeric value of the BCO16 code
        if (marked(&RadioSample::transponderCode1)) {
            echo(key, formatText("%04x", static_cast<unsigned>(radioState_.transponderCode1)));
        } else {
            transmit(FixedEvent::XpndrSet, asData(v));
        }
    } else if (key == "SALT") {
        handleAltitude(v);
    } else if (key == "CS") {
        handleComSelection(v);
    } else if (key == "AS") {
        handleAudioSelection(v);
    } else if (key == "AP") {
        handleAutopilot(v);
    } else if (key == "UKP" || key == "UKM") {
        if (isAudioPanelKeyRange(v) && budget_.takeEvent()) OnTabletKeyCode(v);
    }
}

void Avionics::handleCom(std::string_view key, Field field, bool standby, FixedEvent set, FixedEvent fine,
                         std::int32_t v) {
    const double mhz = v / 1000.0;
    if (marked(field)) {
        echo(key, formatText("%f", radioState_.*field));
    } else if (std::fabs(mhz - tablet_.*field) >= kComStepMhz) {
        if (standby) {
            transmit(set, comFrequencyCode(v));
            if (isFineChannel(v)) transmit(fine);
        } else if (isFineChannel(v)) {
            transmit(fine);
        } else {
            transmit(set, comFrequencyCode(v));
        }
    }
    // Stored after the change test, which compares with the tablet's previous value.
    tablet_.*field = mhz;
}

void Avionics::handleAltitude(std::int32_t v) {
    if (v == tablet_.autopilotAltitudeLockVar && !altitudeChanging_) return;
    tablet_.autopilotAltitudeLockVar = v;
    if (!altitudeChanging_ && marked(&RadioSample::autopilotAltitudeLockVar)) {
        echo("SALT", formatText("%d", radioState_.autopilotAltitudeLockVar));
        return;
    }
    const std::int32_t target = radioState_.autopilotAltitudeLockVar;
    if (v == target) {
        altitudeChanging_ = false;
        return;
    }
    // The simulator's target cannot move before the next radio sample, so a
    // second SALT in the same message would only repeat the steps and overshoot.
    if (altitudeSteppedThisMessage_) return;
    altitudeSteppedThisMessage_ = true;
    // Stepped until a radio sample shows the simulator at the tablet's target.
    altitudeChanging_ = true;
    if (!sim_.isNewGeneration()) {
        transmit(FixedEvent::ApAltVarSetEnglish, asData(v), SIMCONNECT_GROUP_PRIORITY_HIGHEST);
        return;
    }
    // The newer simulators ignore a direct set: step by 1000 ft, then by the
    // default 100 ft (data 0). The rest below 100 ft is left as it is.
    const std::int64_t difference = static_cast<std::int64_t>(v) - target;
    const std::int64_t distance = std::llabs(difference);
    const FixedEvent step = difference > 0 ? FixedEvent::ApAltVarInc : FixedEvent::ApAltVarDec;
    const std::int64_t thousands = std::min(distance / 1000, kMaxThousandSteps);
    for (std::int64_t i = 0; i < thousands; ++i) transmit(step, 1000, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    for (std::int64_t i = 0; i < distance / 100 % 10; ++i) transmit(step, 0, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
}

void Avionics::handleComSelection(std::int32_t v) {
    // 1: COM1, 2: COM2, 3: COM1 and receive all, 4: COM2 and receive all. The
    // tablet sends nothing else; any other value is left alone.
    if (v < 1 || v > 4) return;
    const double com1 = (v == 1 || v == 3) ? 1 : 0;
    const double receiveAll = v >= 3 ? 1 : 0;
    const bool com1Changed = com1 != tablet_.comTransmit1;
    const bool receiveAllChanged = receiveAll != tablet_.comRecieveAll;
    tablet_.comTransmit1 = com1;
    tablet_.comTransmit2 = 1 - com1;
    tablet_.comRecieveAll = receiveAll;
    if (marked(&RadioSample::comTransmit1) || marked(&RadioSample::comTransmit2) ||
        marked(&RadioSample::comRecieveAll)) {
        const bool simCom1 = truncated(radioState_.comTransmit1) != 0;
        const bool simAll = truncated(radioState_.comRecieveAll) != 0;
        echo("CS", formatText("%d", (simCom1 ? 1 : 2) + (simAll ? 2 : 0)));
        return;
    }
    if (com1Changed) transmit(com1 != 0 ? FixedEvent::Com1TransmitSelect : FixedEvent::Com2TransmitSelect);
    if (receiveAllChanged) transmit(FixedEvent::ComReceiveAllSet, static_cast<std::uint32_t>(receiveAll));
}

void Avionics::handleAudioSelection(std::int32_t v) {
    const Field sounds[] = {&RadioSample::markerSound, &RadioSample::dmeSound, &RadioSample::adfSound0,
                            &RadioSample::navSound1, &RadioSample::navSound2};
    const auto bits = asData(v);
    bool anyMarked = false;
    for (std::size_t i = 0; i < std::size(sounds); ++i) {
        tablet_.*sounds[i] = (bits >> i) & 1u;
        anyMarked = anyMarked || marked(sounds[i]);
    }
    if (anyMarked) {
        std::uint32_t simBits = 0;
        for (std::size_t i = 0; i < std::size(sounds); ++i) simBits |= asData(truncated(radioState_.*sounds[i])) << i;
        echo("AS", formatText("%d", static_cast<std::int32_t>(simBits)));
        return;
    }
    // Marker audio only has a toggle; the other four take their state.
    if (static_cast<std::int32_t>(bits & 1u) != truncated(radioState_.markerSound)) {
        transmit(FixedEvent::MarkerSoundToggle);
    }
    transmit(FixedEvent::RadioDme1IdentSet, (bits >> 1) & 1u);
    transmit(FixedEvent::RadioAdfIdentSet, (bits >> 2) & 1u);
    transmit(FixedEvent::RadioVor1IdentSet, (bits >> 3) & 1u);
    transmit(FixedEvent::RadioVor2IdentSet, (bits >> 4) & 1u);
}

void Avionics::handleAutopilot(std::int32_t v) {
    const bool sync = syncAutopilot();
    tablet_.autopilotMaster = asUnsigned(v);
    if (firstMessageApplied_) {
        if (sync && marked(&RadioSample::autopilotMaster)) {
            echo("AP", formatText("%d", truncated(radioState_.autopilotMaster)));
            return;
        }
        if (v == tabletAutopilot_) return;
    }
    tabletAutopilot_ = v;
    if (v == 1) {
        if (sync) engageAutopilot();
        // The tablet's stick commands fly the aircraft; the pilot's are held back.
        sim_.setStickGroupPriority(SIMCONNECT_GROUP_PRIORITY_HIGHEST_MASKABLE);
    } else {
        // Handing the aircraft back is never left out, whatever the budget.
        if (sync) transmitAlways(FixedEvent::AutopilotOff, 0, SIMCONNECT_GROUP_PRIORITY_STANDARD);
        sim_.setStickGroupPriority(SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    }
}

void Avionics::onServerData(const SplitDatagram& message) {
    budget_.startMessage();
    if (!budget_.takeEvent()) return;
    // Fields the message leaves out keep the pilot's last sampled position.
    YokeWrite yoke{yokeX_, yokeY_};
    for (const DatagramField& field : message.fields) {
        double* axis = field.key == "JOYX" ? &yoke.yokeXPosition : field.key == "JOYY" ? &yoke.yokeYPosition : nullptr;
        if (axis == nullptr) continue;
        // "nan" or "inf" would reach the flight model as a stick position.
        const double position = -leadingDouble(field.value);
        if (std::isfinite(position)) *axis = std::clamp(position, -1.0, 1.0);
    }
    if (!sim_.connected) return;
    SimConnect_SetDataOnSimObject(sim_.handle, kYokeWriteDefinition, SIMCONNECT_OBJECT_ID_USER,
                                  SIMCONNECT_DATA_SET_FLAG_DEFAULT, 0, sizeof yoke, &yoke);
}

void Avionics::OnTabletKeyCode(int keyCode) {
    if (!sim_.connected) return;
    const auto index = audioPanelKeyIndex(keyCode);
    if (!index) return;
    FireButtonEvent(*index, sim_, settings_);
}

}  // namespace brelvik
