#include "tools/benchsim/key_events.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

namespace brelvik::benchsim {
namespace {

using Effect = void (*)(VariableStore&, std::int32_t);

// Decimal digits written one per nibble; a nibble above 9 counts as 9.
long long bcdDigits(std::uint32_t data) {
    long long value = 0;
    for (int shift = 28; shift >= 0; shift -= 4) value = value * 10 + std::min<std::uint32_t>((data >> shift) & 0xF, 9);
    return value;
}

double wrapDegrees(double degrees) {
    const double wrapped = std::fmod(degrees, 360.0);
    return wrapped < 0 ? wrapped + 360.0 : wrapped;
}

void toggle(VariableStore& s, const char* name) { s.set(name, s.get(name) != 0 ? 0 : 1); }
void setFlag(VariableStore& s, const char* name, bool on) { s.set(name, on ? 1 : 0); }
void add(VariableStore& s, const char* name, double step) { s.set(name, s.get(name) + step); }

void selectTransmitter(VariableStore& s, int com) {
    setFlag(s, "COM TRANSMIT:1", com == 1);
    setFlag(s, "COM TRANSMIT:2", com == 2);
}

// One 8.33 kHz channel up or down: channel names run x.x00, 05, 10, 15, then the
// next 25 kHz block. The fraction wraps inside the megahertz, as the knob does.
void stepComChannel(VariableStore& s, const char* name, int direction) {
    const long long khz = std::llround(s.get(name) * 1000);
    const long long whole = khz / 1000;
    long long fraction = khz % 1000;
    fraction += 5 * direction;
    if ((fraction % 25 + 25) % 25 == 20) fraction += 5 * direction;
    fraction = (fraction % 1000 + 1000) % 1000;
    s.set(name, static_cast<double>(whole * 1000 + fraction) / 1000);
}

void stepComWhole(VariableStore& s, const char* name, int direction) {
    const long long khz = std::llround(s.get(name) * 1000);
    long long whole = khz / 1000 + direction;
    if (whole > 136) whole = 118;
    if (whole < 118) whole = 136;
    s.set(name, static_cast<double>(whole * 1000 + khz % 1000) / 1000);
}

void swap(VariableStore& s, const char* a, const char* b) {
    const double first = s.get(a);
    s.set(a, s.get(b));
    s.set(b, first);
}

void stepDegrees(VariableStore& s, const char* name, double step) { s.set(name, wrapDegrees(s.get(name) + step)); }

void stepAltitudeTarget(VariableStore& s, std::int32_t data, int direction) {
    const double step = data == 0 ? 100 : std::abs(static_cast<double>(data));
    s.set("AUTOPILOT ALTITUDE LOCK VAR", std::max(0.0, s.get("AUTOPILOT ALTITUDE LOCK VAR") + direction * step));
}

void setFlaps(VariableStore& s, double index) {
    index = std::clamp(index, 0.0, 3.0);
    s.set("FLAPS HANDLE INDEX", index);
    s.set("TRAILING EDGE FLAPS LEFT PERCENT", index / 3);
}

void setMagnetos(VariableStore& s, bool left, bool right, bool start) {
    setFlag(s, "RECIP ENG LEFT MAGNETO:1", left);
    setFlag(s, "RECIP ENG RIGHT MAGNETO:1", right);
    setFlag(s, "GENERAL ENG STARTER:1", start);
}

void setYoke(VariableStore& s, const char* name, double value) { s.set(name, std::clamp(value, -1.0, 1.0)); }

void setAvionicsBus(VariableStore& s, const char* bus, bool on) {
    setFlag(s, bus, on);
    setFlag(s, "AVIONICS MASTER SWITCH", s.get("AVIONICS BUS SWITCH:1") != 0 || s.get("AVIONICS BUS SWITCH:2") != 0);
}

const std::unordered_map<std::string, Effect>& effects() {
    using S = VariableStore&;
    using D = std::int32_t;
    static const std::unordered_map<std::string, Effect> table = {
        // COM radios: "set" events carry BCD, swaps exchange active and standby.
        {"COM_RADIO_SET", +[](S s, D d) { s.set("COM ACTIVE FREQUENCY:1", radioBcdToMhz(d)); }},
        {"COM_STBY_RADIO_SET", +[](S s, D d) { s.set("COM STANDBY FREQUENCY:1", radioBcdToMhz(d)); }},
        {"COM2_RADIO_SET", +[](S s, D d) { s.set("COM ACTIVE FREQUENCY:2", radioBcdToMhz(d)); }},
        {"COM2_STBY_RADIO_SET", +[](S s, D d) { s.set("COM STANDBY FREQUENCY:2", radioBcdToMhz(d)); }},
        {"COM_STBY_RADIO_SWAP", +[](S s, D) { swap(s, "COM ACTIVE FREQUENCY:1", "COM STANDBY FREQUENCY:1"); }},
        {"FREQUENCY_SWAP", +[](S s, D) { swap(s, "COM ACTIVE FREQUENCY:1", "COM STANDBY FREQUENCY:1"); }},
        {"COM2_RADIO_SWAP", +[](S s, D) { swap(s, "COM ACTIVE FREQUENCY:2", "COM STANDBY FREQUENCY:2"); }},
        // The tuning knobs act on the standby frequency.
        {"COM_RADIO_FRACT_INC", +[](S s, D) { stepComChannel(s, "COM STANDBY FREQUENCY:1", 1); }},
        {"COM_RADIO_FRACT_DEC", +[](S s, D) { stepComChannel(s, "COM STANDBY FREQUENCY:1", -1); }},
        {"COM2_RADIO_FRACT_INC", +[](S s, D) { stepComChannel(s, "COM STANDBY FREQUENCY:2", 1); }},
        {"COM2_RADIO_FRACT_DEC", +[](S s, D) { stepComChannel(s, "COM STANDBY FREQUENCY:2", -1); }},
        {"COM_RADIO_WHOLE_INC", +[](S s, D) { stepComWhole(s, "COM STANDBY FREQUENCY:1", 1); }},
        {"COM_RADIO_WHOLE_DEC", +[](S s, D) { stepComWhole(s, "COM STANDBY FREQUENCY:1", -1); }},
        {"COM2_RADIO_WHOLE_INC", +[](S s, D) { stepComWhole(s, "COM STANDBY FREQUENCY:2", 1); }},
        {"COM2_RADIO_WHOLE_DEC", +[](S s, D) { stepComWhole(s, "COM STANDBY FREQUENCY:2", -1); }},
        // NAV radios.
        {"NAV1_RADIO_SET", +[](S s, D d) { s.set("NAV ACTIVE FREQUENCY:1", radioBcdToMhz(d)); }},
        {"NAV1_STBY_SET", +[](S s, D d) { s.set("NAV STANDBY FREQUENCY:1", radioBcdToMhz(d)); }},
        {"NAV2_RADIO_SET", +[](S s, D d) { s.set("NAV ACTIVE FREQUENCY:2", radioBcdToMhz(d)); }},
        {"NAV2_STBY_SET", +[](S s, D d) { s.set("NAV STANDBY FREQUENCY:2", radioBcdToMhz(d)); }},
        {"NAV1_RADIO_SWAP", +[](S s, D) { swap(s, "NAV ACTIVE FREQUENCY:1", "NAV STANDBY FREQUENCY:1"); }},
        {"NAV2_RADIO_SWAP", +[](S s, D) { swap(s, "NAV ACTIVE FREQUENCY:2", "NAV STANDBY FREQUENCY:2"); }},
        {"VOR1_SET", +[](S s, D d) { s.set("NAV OBS:1", wrapDegrees(d)); }},
        {"VOR2_SET", +[](S s, D d) { s.set("NAV OBS:2", wrapDegrees(d)); }},
        {"VOR1_OBI_INC", +[](S s, D) { stepDegrees(s, "NAV OBS:1", 1); }},
        {"VOR1_OBI_DEC", +[](S s, D) { stepDegrees(s, "NAV OBS:1", -1); }},
        {"VOR2_OBI_INC", +[](S s, D) { stepDegrees(s, "NAV OBS:2", 1); }},
        {"VOR2_OBI_DEC", +[](S s, D) { stepDegrees(s, "NAV OBS:2", -1); }},
        // ADF: BCD digits of the frequency in tenths of a hertz (350.5 kHz is 0x3505000).
        {"ADF_COMPLETE_SET",
         +[](S s, D d) {
             s.set("ADF ACTIVE FREQUENCY:1", static_cast<double>(bcdDigits(static_cast<std::uint32_t>(d)) / 10));
         }},
        {"ADF_CARD_INC", +[](S s, D) { stepDegrees(s, "ADF CARD", 1); }},
        {"ADF_CARD_DEC", +[](S s, D) { stepDegrees(s, "ADF CARD", -1); }},
        {"ADF_CARD_SET", +[](S s, D d) { s.set("ADF CARD", wrapDegrees(d)); }},
        {"DME_SELECT", +[](S s, D d) { s.set("SELECTED DME", d); }},
        {"XPNDR_SET", +[](S s, D d) { s.set("TRANSPONDER CODE:1", d & 0xFFFF); }},
        // Altimeter: data in sixteenths of a millibar.
        {"KOHLSMAN_SET", +[](S s, D d) { s.set("KOHLSMAN SETTING MB", d / 16.0); }},
        // Autopilot targets and modes.
        {"HEADING_BUG_SET", +[](S s, D d) { s.set("AUTOPILOT HEADING LOCK DIR", wrapDegrees(d)); }},
        {"HEADING_BUG_INC", +[](S s, D) { stepDegrees(s, "AUTOPILOT HEADING LOCK DIR", 1); }},
        {"HEADING_BUG_DEC", +[](S s, D) { stepDegrees(s, "AUTOPILOT HEADING LOCK DIR", -1); }},
        {"AP_ALT_VAR_SET_ENGLISH", +[](S s, D d) { s.set("AUTOPILOT ALTITUDE LOCK VAR", d); }},
        {"AP_ALT_VAR_INC", +[](S s, D d) { stepAltitudeTarget(s, d, 1); }},
        {"AP_ALT_VAR_DEC", +[](S s, D d) { stepAltitudeTarget(s, d, -1); }},
        {"AP_VS_VAR_SET_ENGLISH", +[](S s, D d) { s.set("AUTOPILOT VERTICAL HOLD VAR", d); }},
        {"AP_VS_VAR_INC", +[](S s, D) { add(s, "AUTOPILOT VERTICAL HOLD VAR", 100); }},
        {"AP_VS_VAR_DEC", +[](S s, D) { add(s, "AUTOPILOT VERTICAL HOLD VAR", -100); }},
        {"AP_SPD_VAR_SET", +[](S s, D d) { s.set("AUTOPILOT AIRSPEED HOLD VAR", d); }},
        {"AP_SPD_VAR_INC", +[](S s, D) { add(s, "AUTOPILOT AIRSPEED HOLD VAR", 1); }},
        {"AP_SPD_VAR_DEC", +[](S s, D) { add(s, "AUTOPILOT AIRSPEED HOLD VAR", -1); }},
        {"AUTOPILOT_ON", +[](S s, D) { setFlag(s, "AUTOPILOT MASTER", true); }},
        {"AUTOPILOT_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT MASTER", false); }},
        {"AP_MASTER", +[](S s, D) { toggle(s, "AUTOPILOT MASTER"); }},
        {"AP_ATT_HOLD_ON", +[](S s, D) { setFlag(s, "AUTOPILOT ATTITUDE HOLD", true); }},
        {"AP_ATT_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT ATTITUDE HOLD", false); }},
        {"AP_LOC_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT NAV1 LOCK", false); }},
        {"AP_APR_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT APPROACH HOLD", false); }},
        {"AP_HDG_HOLD_ON", +[](S s, D) { setFlag(s, "AUTOPILOT HEADING LOCK", true); }},
        {"AP_HDG_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT HEADING LOCK", false); }},
        {"AP_ALT_HOLD_ON", +[](S s, D) { setFlag(s, "AUTOPILOT ALTITUDE LOCK", true); }},
        {"AP_ALT_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT ALTITUDE LOCK", false); }},
        {"AP_WING_LEVELER_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT WING LEVELER", false); }},
        {"AP_BC_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT BACKCOURSE HOLD", false); }},
        {"AP_NAV1_HOLD_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT NAV1 LOCK", false); }},
        {"AP_AIRSPEED_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT AIRSPEED HOLD", false); }},
        {"AP_MACH_OFF", +[](S s, D) { setFlag(s, "AUTOPILOT MACH HOLD", false); }},
        // Audio panel.
        {"COM1_TRANSMIT_SELECT", +[](S s, D) { selectTransmitter(s, 1); }},
        {"COM2_TRANSMIT_SELECT", +[](S s, D) { selectTransmitter(s, 2); }},
        {"COM_RECEIVE_ALL_SET", +[](S s, D d) { setFlag(s, "COM RECIEVE ALL", d != 0); }},
        {"COM_RECEIVE_ALL_TOGGLE", +[](S s, D) { toggle(s, "COM RECIEVE ALL"); }},
        {"MARKER_SOUND_TOGGLE", +[](S s, D) { toggle(s, "MARKER SOUND"); }},
        {"MARKER_SOUND_SET", +[](S s, D d) { setFlag(s, "MARKER SOUND", d != 0); }},
        {"RADIO_DME1_IDENT_SET", +[](S s, D d) { setFlag(s, "DME SOUND", d != 0); }},
        {"RADIO_DME1_IDENT_TOGGLE", +[](S s, D) { toggle(s, "DME SOUND"); }},
        {"RADIO_ADF_IDENT_SET", +[](S s, D d) { setFlag(s, "ADF SOUND:0", d != 0); }},
        {"RADIO_ADF_IDENT_TOGGLE", +[](S s, D) { toggle(s, "ADF SOUND:0"); }},
        {"RADIO_VOR1_IDENT_SET", +[](S s, D d) { setFlag(s, "NAV SOUND:1", d != 0); }},
        {"RADIO_VOR1_IDENT_TOGGLE", +[](S s, D) { toggle(s, "NAV SOUND:1"); }},
        {"RADIO_VOR2_IDENT_SET", +[](S s, D d) { setFlag(s, "NAV SOUND:2", d != 0); }},
        {"RADIO_VOR2_IDENT_TOGGLE", +[](S s, D) { toggle(s, "NAV SOUND:2"); }},
        // Flaps lever positions.
        {"FLAPS_UP", +[](S s, D) { setFlaps(s, 0); }},
        {"FLAPS_1", +[](S s, D) { setFlaps(s, 1); }},
        {"FLAPS_2", +[](S s, D) { setFlaps(s, 2); }},
        {"FLAPS_3", +[](S s, D) { setFlaps(s, 3); }},
        {"FLAPS_DOWN", +[](S s, D) { setFlaps(s, 3); }},
        {"FLAPS_INCR", +[](S s, D) { setFlaps(s, s.get("FLAPS HANDLE INDEX") + 1); }},
        {"FLAPS_DECR", +[](S s, D) { setFlaps(s, s.get("FLAPS HANDLE INDEX") - 1); }},
        // Ignition key.
        {"MAGNETO_OFF", +[](S s, D) { setMagnetos(s, false, false, false); }},
        {"MAGNETO_RIGHT", +[](S s, D) { setMagnetos(s, false, true, false); }},
        {"MAGNETO_LEFT", +[](S s, D) { setMagnetos(s, true, false, false); }},
        {"MAGNETO_BOTH", +[](S s, D) { setMagnetos(s, true, true, false); }},
        {"MAGNETO_START", +[](S s, D) { setMagnetos(s, true, true, true); }},
        // Switches and lights of the panels.
        {"LANDING_LIGHTS_ON", +[](S s, D) { setFlag(s, "LIGHT LANDING", true); }},
        {"LANDING_LIGHTS_OFF", +[](S s, D) { setFlag(s, "LIGHT LANDING", false); }},
        {"LANDING_LIGHTS_TOGGLE", +[](S s, D) { toggle(s, "LIGHT LANDING"); }},
        {"STROBES_ON", +[](S s, D) { setFlag(s, "LIGHT STROBE", true); }},
        {"STROBES_OFF", +[](S s, D) { setFlag(s, "LIGHT STROBE", false); }},
        {"STROBES_TOGGLE", +[](S s, D) { toggle(s, "LIGHT STROBE"); }},
        {"TOGGLE_TAXI_LIGHTS", +[](S s, D) { toggle(s, "LIGHT TAXI"); }},
        {"TOGGLE_NAV_LIGHTS", +[](S s, D) { toggle(s, "LIGHT NAV"); }},
        {"TOGGLE_BEACON_LIGHTS", +[](S s, D) { toggle(s, "LIGHT BEACON"); }},
        {"PANEL_LIGHTS_TOGGLE", +[](S s, D) { toggle(s, "LIGHT PANEL"); }},
        {"PITOT_HEAT_ON", +[](S s, D) { setFlag(s, "PITOT HEAT", true); }},
        {"PITOT_HEAT_OFF", +[](S s, D) { setFlag(s, "PITOT HEAT", false); }},
        {"PITOT_HEAT_TOGGLE", +[](S s, D) { toggle(s, "PITOT HEAT"); }},
        {"FUEL_PUMP", +[](S s, D) { toggle(s, "GENERAL ENG FUEL PUMP SWITCH:1"); }},
        {"TOGGLE_ELECT_FUEL_PUMP", +[](S s, D) { toggle(s, "GENERAL ENG FUEL PUMP SWITCH:1"); }},
        {"TOGGLE_ELECT_FUEL_PUMP1", +[](S s, D) { toggle(s, "GENERAL ENG FUEL PUMP SWITCH:1"); }},
        {"TOGGLE_AVIONICS_MASTER", +[](S s, D) { toggle(s, "AVIONICS MASTER SWITCH"); }},
        {"AVIONICS_MASTER_SET", +[](S s, D d) { setFlag(s, "AVIONICS MASTER SWITCH", d != 0); }},
        {"TOGGLE_MASTER_BATTERY", +[](S s, D) { toggle(s, "ELECTRICAL MASTER BATTERY"); }},
        {"TOGGLE_MASTER_ALTERNATOR", +[](S s, D) { toggle(s, "GENERAL ENG MASTER ALTERNATOR:0"); }},
        {"TOGGLE_ALTERNATE_STATIC", +[](S s, D) { toggle(s, "ALTERNATE STATIC SOURCE OPEN"); }},
        {"PARKING_BRAKES", +[](S s, D) { toggle(s, "BRAKE PARKING POSITION"); }},
        {"TOGGLE_FUEL_VALVE_ALL", +[](S s, D) { toggle(s, "GENERAL ENG FUEL VALVE:1"); }},
        {"TOGGLE_FUEL_VALVE_ENG1", +[](S s, D) { toggle(s, "GENERAL ENG FUEL VALVE:1"); }},
        {"FUEL_SELECTOR_OFF", +[](S s, D) { s.set("FUEL TANK SELECTOR:1", 0); }},
        {"FUEL_SELECTOR_ALL", +[](S s, D) { s.set("FUEL TANK SELECTOR:1", 1); }},
        {"FUEL_SELECTOR_LEFT", +[](S s, D) { s.set("FUEL TANK SELECTOR:1", 2); }},
        {"FUEL_SELECTOR_RIGHT", +[](S s, D) { s.set("FUEL TANK SELECTOR:1", 3); }},
        // Trim and stick: axes run -16383 ... +16383; trim is positive nose up.
        {"AXIS_ELEV_TRIM_SET", +[](S s, D d) { setYoke(s, "ELEVATOR TRIM PCT", -d / 16384.0); }},
        {"ELEV_TRIM_UP", +[](S s, D) { setYoke(s, "ELEVATOR TRIM PCT", s.get("ELEVATOR TRIM PCT") + 0.01); }},
        {"ELEV_TRIM_DN", +[](S s, D) { setYoke(s, "ELEVATOR TRIM PCT", s.get("ELEVATOR TRIM PCT") - 0.01); }},
        {"AXIS_AILERONS_SET", +[](S s, D d) { setYoke(s, "YOKE X POSITION", d / 16384.0); }},
        {"AXIS_ELEVATOR_SET", +[](S s, D d) { setYoke(s, "YOKE Y POSITION", -d / 16384.0); }},
        {"AILERONS_LEFT", +[](S s, D) { setYoke(s, "YOKE X POSITION", s.get("YOKE X POSITION") - 0.1); }},
        {"AILERONS_RIGHT", +[](S s, D) { setYoke(s, "YOKE X POSITION", s.get("YOKE X POSITION") + 0.1); }},
        {"ELEV_UP", +[](S s, D) { setYoke(s, "YOKE Y POSITION", s.get("YOKE Y POSITION") + 0.1); }},
        {"ELEV_DOWN", +[](S s, D) { setYoke(s, "YOKE Y POSITION", s.get("YOKE Y POSITION") - 0.1); }},
        // The add-on's switch events of the newer simulator.
        {"MOBIFLIGHT.C172_ALTERNATOR_ON", +[](S s, D) { setFlag(s, "GENERAL ENG MASTER ALTERNATOR:0", true); }},
        {"MOBIFLIGHT.C172_ALTERNATOR_OFF", +[](S s, D) { setFlag(s, "GENERAL ENG MASTER ALTERNATOR:0", false); }},
        {"MOBIFLIGHT.C172_BATTERY_ON", +[](S s, D) { setFlag(s, "ELECTRICAL MASTER BATTERY", true); }},
        {"MOBIFLIGHT.C172_BATTERY_OFF", +[](S s, D) { setFlag(s, "ELECTRICAL MASTER BATTERY", false); }},
        {"MOBIFLIGHT.C_172_AVIONICS_BUS_1_ON", +[](S s, D) { setAvionicsBus(s, "AVIONICS BUS SWITCH:1", true); }},
        {"MOBIFLIGHT.C_172_AVIONICS_BUS_1_OFF", +[](S s, D) { setAvionicsBus(s, "AVIONICS BUS SWITCH:1", false); }},
        {"MOBIFLIGHT.C_172_AVIONICS_BUS_2_ON", +[](S s, D) { setAvionicsBus(s, "AVIONICS BUS SWITCH:2", true); }},
        {"MOBIFLIGHT.C_172_AVIONICS_BUS_2_OFF", +[](S s, D) { setAvionicsBus(s, "AVIONICS BUS SWITCH:2", false); }},
        {"MOBIFLIGHT.C_172_STBYBATTERY_ON", +[](S s, D) { setFlag(s, "STANDBY BATTERY SWITCH", true); }},
        {"MOBIFLIGHT.C_172_STBYBATTERY_OFF", +[](S s, D) { setFlag(s, "STANDBY BATTERY SWITCH", false); }},
        {"MOBIFLIGHT.C_172_STBYBATTERY_TEST_ON", +[](S s, D) { setFlag(s, "STANDBY BATTERY TEST SWITCH", true); }},
        {"MOBIFLIGHT.C_172_STBYBATTERY_TEST_OFF", +[](S s, D) { setFlag(s, "STANDBY BATTERY TEST SWITCH", false); }},
        {"MOBIFLIGHT.BEACON_LIGHTS_ON", +[](S s, D) { setFlag(s, "LIGHT BEACON", true); }},
        {"MOBIFLIGHT.BEACON_LIGHTS_OFF", +[](S s, D) { setFlag(s, "LIGHT BEACON", false); }},
        {"MOBIFLIGHT.NAV_LIGHTS_ON", +[](S s, D) { setFlag(s, "LIGHT NAV", true); }},
        {"MOBIFLIGHT.NAV_LIGHTS_OFF", +[](S s, D) { setFlag(s, "LIGHT NAV", false); }},
        {"MOBIFLIGHT.TAXI_LIGHTS_ON", +[](S s, D) { setFlag(s, "LIGHT TAXI", true); }},
        {"MOBIFLIGHT.TAXI_LIGHTS_OFF", +[](S s, D) { setFlag(s, "LIGHT TAXI", false); }},
        {"MOBIFLIGHT.FUEL_PUMP_SWITCH_ON", +[](S s, D) { setFlag(s, "GENERAL ENG FUEL PUMP SWITCH:1", true); }},
        {"MOBIFLIGHT.FUEL_PUMP_SWITCH_OFF", +[](S s, D) { setFlag(s, "GENERAL ENG FUEL PUMP SWITCH:1", false); }},
    };
    return table;
}

}  // namespace

double radioBcdToMhz(std::uint32_t data) {
    long long digits = bcdDigits(data);
    if (digits < 10000) digits += 10000;
    return static_cast<double>(digits) / 100;
}

bool applyKeyEvent(VariableStore& store, std::string_view name, std::int32_t data) {
    const auto& table = effects();
    const auto it = table.find(upperCase(trimmed(name)));
    if (it == table.end()) return false;
    it->second(store, data);
    return true;
}

}  // namespace brelvik::benchsim
