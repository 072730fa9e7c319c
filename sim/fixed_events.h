// The client events the program's own logic sends: numbers 0-79 (4 is unused),
// each mapped to a named simulator event on every new connection.
#pragma once

#include <iterator>

#include "sim/simconnect.h"

namespace brelvik {

// Named after the simulator event each number is mapped to.
enum class FixedEvent : DWORD {
    ComRadioFractInc = 0,
    Com2RadioFractInc = 1,
    ComStbyRadioSwap = 2,
    Com2RadioSwap = 3,
    AdfCompleteSet = 5,
    Nav1RadioSet = 6,
    Nav1StbySet = 7,
    Nav2RadioSet = 8,
    Nav2StbySet = 9,
    ComRadioSet = 10,
    ComStbyRadioSet = 11,
    Com2RadioSet = 12,
    Com2StbyRadioSet = 13,
    DmeSelect = 14,
    KohlsmanSet = 15,
    XpndrSet = 16,
    HeadingBugSet = 17,
    ApAltVarSetEnglish = 18,
    ApAltVarInc = 19,
    ApAltVarDec = 20,
    Vor1Set = 21,
    Vor2Set = 22,
    ApVsVarSetEnglish = 23,
    ApSpdVarSet = 24,
    AutopilotOff = 25,
    AileronsLeft = 26,
    AileronsRight = 27,
    ElevDown = 28,
    ElevUp = 29,
    AxisAileronsSet = 30,
    AxisElevatorSet = 31,
    AutopilotOn = 32,
    ApAttHoldOn = 33,
    ApAttHoldOff = 34,
    ApLocHoldOff = 35,
    ApAprHoldOff = 36,
    ApHdgHoldOff = 37,
    ApAltHoldOff = 38,
    ApWingLevelerOff = 39,
    ApBcHoldOff = 40,
    ApNav1HoldOff = 41,
    ApAirspeedOff = 42,
    ApMachOff = 43,
    Com1TransmitSelect = 44,
    Com2TransmitSelect = 45,
    ComReceiveAllSet = 46,
    MarkerSoundToggle = 47,
    RadioDme1IdentSet = 48,
    RadioAdfIdentSet = 49,
    RadioVor1IdentSet = 50,
    RadioVor2IdentSet = 51,
    ToggleAlternateStatic = 52,
    AxisElevTrimSet = 53,
    Vor1ObiInc = 54,
    Vor1ObiDec = 55,
    Vor2ObiInc = 56,
    Vor2ObiDec = 57,
    AdfCardInc = 58,
    AdfCardDec = 59,
    MobiFlightC172AlternatorOn = 60,
    MobiFlightC172AlternatorOff = 61,
    MobiFlightC172BatteryOn = 62,
    MobiFlightC172BatteryOff = 63,
    MobiFlightC172AvionicsBus1On = 64,
    MobiFlightC172AvionicsBus1Off = 65,
    MobiFlightC172AvionicsBus2On = 66,
    MobiFlightC172AvionicsBus2Off = 67,
    MobiFlightC172StbybatteryOn = 68,
    MobiFlightC172StbybatteryOff = 69,
    MobiFlightC172StbybatteryTestOn = 70,
    MobiFlightC172StbybatteryTestOff = 71,
    MobiFlightBeaconLightsOn = 72,
    MobiFlightBeaconLightsOff = 73,
    MobiFlightNavLightsOn = 74,
    MobiFlightNavLightsOff = 75,
    MobiFlightTaxiLightsOn = 76,
    MobiFlightTaxiLightsOff = 77,
    MobiFlightFuelPumpSwitchOn = 78,
    MobiFlightFuelPumpSwitchOff = 79,
};

constexpr DWORD eventId(FixedEvent event) { return static_cast<DWORD>(event); }

struct FixedEventMapping {
    FixedEvent event;
    const char* name;  // the simulator's event name, passed verbatim
};

// In the order the events are mapped. The MobiFlight names belong to an add-on;
// without it the simulator refuses them with an exception message, which is harmless.
inline constexpr FixedEventMapping kFixedEventMappings[] = {
    {FixedEvent::ToggleAlternateStatic, "TOGGLE_ALTERNATE_STATIC"},
    {FixedEvent::ComRadioFractInc, "COM_RADIO_FRACT_INC"},
    {FixedEvent::Com2RadioFractInc, "COM2_RADIO_FRACT_INC"},
    {FixedEvent::ComStbyRadioSwap, "COM_STBY_RADIO_SWAP"},
    {FixedEvent::Com2RadioSwap, "COM2_RADIO_SWAP"},
    {FixedEvent::AdfCompleteSet, "ADF_COMPLETE_SET"},
    {FixedEvent::Nav1RadioSet, "NAV1_RADIO_SET"},
    {FixedEvent::Nav1StbySet, "NAV1_STBY_SET"},
    {FixedEvent::Nav2RadioSet, "NAV2_RADIO_SET"},
    {FixedEvent::Nav2StbySet, "NAV2_STBY_SET"},
    {FixedEvent::ComRadioSet, "COM_RADIO_SET"},
    {FixedEvent::ComStbyRadioSet, "COM_STBY_RADIO_SET"},
    {FixedEvent::Com2RadioSet, "COM2_RADIO_SET"},
    {FixedEvent::Com2StbyRadioSet, "COM2_STBY_RADIO_SET"},
    {FixedEvent::DmeSelect, "DME_SELECT"},
    {FixedEvent::KohlsmanSet, "KOHLSMAN_SET"},
    {FixedEvent::XpndrSet, "XPNDR_SET"},
    {FixedEvent::HeadingBugSet, "HEADING_BUG_SET"},
    {FixedEvent::ApAltVarSetEnglish, "AP_ALT_VAR_SET_ENGLISH"},
    {FixedEvent::ApAltVarInc, "AP_ALT_VAR_INC"},
    {FixedEvent::ApAltVarDec, "AP_ALT_VAR_DEC"},
    {FixedEvent::Vor1Set, "VOR1_SET"},
    {FixedEvent::Vor2Set, "VOR2_SET"},
    {FixedEvent::ApVsVarSetEnglish, "AP_VS_VAR_SET_ENGLISH"},
    {FixedEvent::ApSpdVarSet, "AP_SPD_VAR_SET"},
    {FixedEvent::AutopilotOff, "AUTOPILOT_OFF"},
    {FixedEvent::ApAttHoldOn, "AP_ATT_HOLD_ON"},
    {FixedEvent::ApAttHoldOff, "AP_ATT_HOLD_OFF"},
    {FixedEvent::ApLocHoldOff, "AP_LOC_HOLD_OFF"},
    {FixedEvent::ApAprHoldOff, "AP_APR_HOLD_OFF"},
    {FixedEvent::ApHdgHoldOff, "AP_HDG_HOLD_OFF"},
    {FixedEvent::ApAltHoldOff, "AP_ALT_HOLD_OFF"},
    {FixedEvent::ApWingLevelerOff, "AP_WING_LEVELER_OFF"},
    {FixedEvent::ApBcHoldOff, "AP_BC_HOLD_OFF"},
    {FixedEvent::ApNav1HoldOff, "AP_NAV1_HOLD_OFF"},
    {FixedEvent::ApAirspeedOff, "AP_AIRSPEED_OFF"},
    {FixedEvent::ApMachOff, "AP_MACH_OFF"},
    {FixedEvent::AutopilotOn, "AUTOPILOT_ON"},
    {FixedEvent::Com1TransmitSelect, "COM1_TRANSMIT_SELECT"},
    {FixedEvent::Com2TransmitSelect, "COM2_TRANSMIT_SELECT"},
    {FixedEvent::ComReceiveAllSet, "COM_RECEIVE_ALL_SET"},
    {FixedEvent::MarkerSoundToggle, "MARKER_SOUND_TOGGLE"},
    {FixedEvent::RadioDme1IdentSet, "RADIO_DME1_IDENT_SET"},
    {FixedEvent::RadioAdfIdentSet, "RADIO_ADF_IDENT_SET"},
    {FixedEvent::RadioVor1IdentSet, "RADIO_VOR1_IDENT_SET"},
    {FixedEvent::RadioVor2IdentSet, "RADIO_VOR2_IDENT_SET"},
    {FixedEvent::AxisAileronsSet, "AXIS_AILERONS_SET"},
    {FixedEvent::AxisElevatorSet, "AXIS_ELEVATOR_SET"},
    {FixedEvent::AileronsLeft, "AILERONS_LEFT"},
    {FixedEvent::AileronsRight, "AILERONS_RIGHT"},
    {FixedEvent::ElevUp, "ELEV_UP"},
    {FixedEvent::ElevDown, "ELEV_DOWN"},
    {FixedEvent::AxisElevTrimSet, "AXIS_ELEV_TRIM_SET"},
    {FixedEvent::Vor1ObiInc, "VOR1_OBI_INC"},
    {FixedEvent::Vor1ObiDec, "VOR1_OBI_DEC"},
    {FixedEvent::Vor2ObiInc, "VOR2_OBI_INC"},
    {FixedEvent::Vor2ObiDec, "VOR2_OBI_DEC"},
    {FixedEvent::AdfCardInc, "ADF_CARD_INC"},
    {FixedEvent::AdfCardDec, "ADF_CARD_DEC"},
    {FixedEvent::MobiFlightC172AlternatorOn, "MobiFlight.C172_ALTERNATOR_ON"},
    {FixedEvent::MobiFlightC172AlternatorOff, "MobiFlight.C172_ALTERNATOR_OFF"},
    {FixedEvent::MobiFlightC172BatteryOn, "MobiFlight.C172_BATTERY_ON"},
    {FixedEvent::MobiFlightC172BatteryOff, "MobiFlight.C172_BATTERY_OFF"},
    {FixedEvent::MobiFlightC172AvionicsBus1On, "MobiFlight.C_172_AVIONICS_BUS_1_ON"},
    {FixedEvent::MobiFlightC172AvionicsBus1Off, "MobiFlight.C_172_AVIONICS_BUS_1_OFF"},
    {FixedEvent::MobiFlightC172AvionicsBus2On, "MobiFlight.C_172_AVIONICS_BUS_2_ON"},
    {FixedEvent::MobiFlightC172AvionicsBus2Off, "MobiFlight.C_172_AVIONICS_BUS_2_OFF"},
    {FixedEvent::MobiFlightC172StbybatteryOn, "MobiFlight.C_172_STBYBATTERY_ON"},
    {FixedEvent::MobiFlightC172StbybatteryOff, "MobiFlight.C_172_STBYBATTERY_OFF"},
    {FixedEvent::MobiFlightC172StbybatteryTestOn, "MobiFlight.C_172_STBYBATTERY_TEST_ON"},
    {FixedEvent::MobiFlightC172StbybatteryTestOff, "MobiFlight.C_172_STBYBATTERY_TEST_OFF"},
    {FixedEvent::MobiFlightBeaconLightsOn, "MobiFlight.BEACON_LIGHTS_ON"},
    {FixedEvent::MobiFlightBeaconLightsOff, "MobiFlight.BEACON_LIGHTS_OFF"},
    {FixedEvent::MobiFlightNavLightsOn, "MobiFlight.NAV_LIGHTS_ON"},
    {FixedEvent::MobiFlightNavLightsOff, "MobiFlight.NAV_LIGHTS_OFF"},
    {FixedEvent::MobiFlightTaxiLightsOn, "MobiFlight.TAXI_LIGHTS_ON"},
    {FixedEvent::MobiFlightTaxiLightsOff, "MobiFlight.TAXI_LIGHTS_OFF"},
    {FixedEvent::MobiFlightFuelPumpSwitchOn, "MobiFlight.Fuel_Pump_Switch_On"},
    {FixedEvent::MobiFlightFuelPumpSwitchOff, "MobiFlight.Fuel_Pump_Switch_Off"},
};
static_assert(std::size(kFixedEventMappings) == 79);

// The simulator event name of a fixed event number; nullptr for 4 and anything above 79.
constexpr const char* fixedEventName(DWORD id) {
    for (const FixedEventMapping& mapping : kFixedEventMappings) {
        if (eventId(mapping.event) == id) return mapping.name;
    }
    return nullptr;
}

// Notification group 0 holds the pilot's own stick events, maskable, so that
// raising the group's priority holds them back while the tablet flies the aircraft.
inline constexpr DWORD kStickGroup = 0;
inline constexpr FixedEvent kStickEvents[] = {
    FixedEvent::AileronsLeft,  FixedEvent::AileronsRight,   FixedEvent::ElevUp,
    FixedEvent::ElevDown,      FixedEvent::AxisAileronsSet, FixedEvent::AxisElevatorSet,
};

}  // namespace brelvik
