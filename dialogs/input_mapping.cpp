#include "dialogs/input_mapping.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <optional>
#include <span>

#include "res/input_mapping_layout.h"
#include "settings/startup_settings.h"
#include "sim/sim_event_table.h"

namespace brelvik {
namespace {

namespace im = res::input_mapping;

// Entries the event list leaves out, per category: mostly events that take a
// value (a mapped key always sends 0), and selections that wait for a number
// key to follow (ENGINE, XPNDR, ADF, ...).
constexpr const char* kFlightControlsLeftOut[] = {
    "CENTER_AILER_RUDDER", "ELEVATOR_DOWN", "ELEVATOR_UP", "AILERON_LEFT", "AILERON_CENTER", "AILERON_RIGHT",
    "ELEVATOR_SET", "AILERON_SET", "RUDDER_SET", "AXIS_ELEVATOR_SET", "AXIS_AILERONS_SET", "AXIS_RUDDER_SET",
    "AXIS_ELEV_TRIM_SET", "SPOILERS_SET", "SPOILERS_ARM_SET", "AXIS_SPOILER_SET", "FLAPS_SET", "AILERON_TRIM_SET",
    "ELEVATOR_TRIM_SET", "RUDDER_TRIM_SET", "AXIS_FLAPS_SET",
};
constexpr const char* kEngineLeftOut[] = {
    "THROTTLE_SET", "AXIS_THROTTLE_SET", "THROTTLE1_SET", "THROTTLE2_SET", "THROTTLE3_SET", "THROTTLE4_SET",
    "AXIS_THROTTLE1_SET", "AXIS_THROTTLE2_SET", "AXIS_THROTTLE3_SET", "AXIS_THROTTLE4_SET",
    "AXIS_THROTTLE_REVERSER_SET", "AXIS_THROTTLE_REVERSER1_SET", "AXIS_THROTTLE_REVERSER2_SET",
    "AXIS_THROTTLE_REVERSER3_SET", "AXIS_THROTTLE_REVERSER4_SET", "MIXTURE_SET", "MIXTURE1_SET", "MIXTURE2_SET",
    "MIXTURE3_SET", "MIXTURE4_SET", "AXIS_MIXTURE_SET", "AXIS_MIXTURE1_SET", "AXIS_MIXTURE2_SET",
    "AXIS_MIXTURE3_SET", "AXIS_MIXTURE4_SET", "PROP_PITCH_SET", "PROP_PITCH1_SET", "PROP_PITCH2_SET",
    "PROP_PITCH3_SET", "PROP_PITCH4_SET", "AXIS_PROPELLER_SET", "AXIS_PROPELLER1_SET", "AXIS_PROPELLER2_SET",
    "AXIS_PROPELLER3_SET", "AXIS_PROPELLER4_SET", "MAGNETO_SET", "STARTER1_SET", "STARTER2_SET", "STARTER3_SET",
    "STARTER4_SET", "MAGNETO_SET_ACTUAL", "MAGNETO1_SET", "MAGNETO2_SET", "MAGNETO3_SET", "MAGNETO4_SET",
    "ANTI_ICE_SET", "ANTI_ICE_SET_ENG1", "ANTI_ICE_SET_ENG2", "ANTI_ICE_SET_ENG3", "ANTI_ICE_SET_ENG4",
    "COWLFLAP1_SET", "COWLFLAP2_SET", "COWLFLAP3_SET", "COWLFLAP4_SET", "ENGINE",
};
constexpr const char* kAutopilotLeftOut[] = {
    "HEADING_BUG_SET", "AP_ALT_VAR_SET_METRIC", "AP_VS_VAR_SET_ENGLISH", "AP_SPD_VAR_SET", "AP_MACH_VAR_SET",
    "YAW_DAMPER_SET", "AP_AIRSPEED_SET", "AP_MACH_SET", "AP_PANEL_ALTITUDE_SET", "AP_PANEL_HEADING_SET",
    "AP_PANEL_MACH_SET", "AP_PANEL_SPEED_SET", "AP_ALT_VAR_SET_ENGLISH", "AP_VS_VAR_SET_METRIC",
    "AUTOPILOT_PANEL_AIRSPEED_SET", "AP_NAV_SELECT_SET", "HEADING_BUG_SELECT", "ALTITUDE_BUG_SELECT",
    "VSI_BUG_SELECT", "AIRSPEED_BUG_SELECT", "AP_PITCH_REF_SELECT", "AP_N1_REF_SET",
};
constexpr std::size_t kAutopilotDisplayKeysFrom = 98;  // the PFD and MFD keys close the category
constexpr const char* kFuelSystemLeftOut[] = {
    "FUEL_SELECTOR_SET", "FUEL_SELECTOR_2_SET", "FUEL_SELECTOR_3_SET", "FUEL_SELECTOR_4_SET",
    "FUEL_DUMP_SWITCH_SET", "FUEL_SELECTOR_LEFT_MAIN", "FUEL_SELECTOR_2_LEFT_MAIN", "FUEL_SELECTOR_3_LEFT_MAIN",
    "FUEL_SELECTOR_4_LEFT_MAIN", "FUEL_SELECTOR_RIGHT_MAIN", "FUEL_SELECTOR_2_RIGHT_MAIN",
    "FUEL_SELECTOR_3_RIGHT_MAIN", "FUEL_SELECTOR_4_RIGHT_MAIN",
};
constexpr const char* kAvionicsLeftOut[] = {
    "XPNDR", "ADF", "DME", "COM_RADIO", "VOR_OBS", "NAV_RADIO", "COM1_RADIO_HZ_SET", "COM2_RADIO_HZ_SET",
    "COM1_STBY_RADIO_HZ_SET", "COM2_STBY_RADIO_HZ_SET", "COM_RADIO_SET", "NAV1_RADIO_SET", "NAV2_RADIO_SET",
    "ADF_SET", "XPNDR_SET", "VOR1_SET", "VOR2_SET", "RADIO_TACAN_DME1_IDENT_SET", "RADIO_TACAN_DME2_IDENT_SET",
    "RADIO_VOR1_IDENT_SET", "RADIO_VOR2_IDENT_SET", "RADIO_DME1_IDENT_SET", "RADIO_DME2_IDENT_SET",
    "RADIO_ADF_IDENT_SET", "RADIO_TACAN1_IDENT_SET", "RADIO_TACAN2_IDENT_SET", "ADF_CARD_SET",
    "AVIONICS_MASTER_SET", "COM_STBY_RADIO_SET", "COM2_RADIO_SET", "COM2_STBY_RADIO_SET", "NAV1_STBY_SET",
    "NAV2_STBY_SET", "COM_RECEIVE_ALL_SET", "MARKER_SOUND_SET", "ADF_COMPLETE_SET", "ADF1_PRIMARY_SET",
    "ADF1_STBY_SET", "ADF2_COMPLETE_SET", "ADF2_PRIMARY_SET", "ADF2_STBY_SET", "RADIO_ADF2_IDENT_SET",
    "TACAN1_CHANNEL_SET", "TACAN2_CHANNEL_SET", "TACAN1_STBY_CHANNEL_SET", "TACAN2_STBY_CHANNEL_SET",
    "TACAN1_XY_BAND_SET", "TACAN2_XY_BAND_SET", "DME_SELECT", "RADIO_SELECTED_DME_IDENT_SET",
    "RADIO_SELECTED_DME_IDENT_TOGGLE",
};
constexpr const char* kInstrumentsLeftOut[] = {
    "EGT_SET", "KOHLSMAN_SET", "TRUE_AIRSPEED_CAL_SET", "EGT1_SET", "EGT2_SET", "EGT3_SET", "EGT4_SET",
    "HEADING_GYRO_SET", "GYRO_DRIFT_SET",
};
constexpr const char* kLightsLeftOut[] = {"STROBES_SET", "PANEL_LIGHTS_SET", "LANDING_LIGHTS_SET"};
constexpr const char* kMiscSystemsLeftOut[] = {
    "GEAR_SET", "SMOKE_SET", "PITOT_HEAT_SET", "GENALT_BUS1_CONTACT_SET", "GENALT_BUS2_CONTACT_SET",
    "GENALT_BUS3_CONTACT_SET", "GENALT_BUS4_CONTACT_SET", "BATTERY_BUS_CONTACT_SET", "AXIS_LEFT_BRAKE_SET",
    "AXIS_RIGHT_BRAKE_SET", "SET_WING_FOLD", "SET_TAIL_HOOK_HANDLE", "APU_GENERATOR_SWITCH_SET",
    "ELECTRIC_GPU_SWITCH_SET", "BLEED_AIR_SOURCE_CONTROL_SET", "TURBINE_IGNITION_SWITCH_SET", "STEERING_SET",
    "TAKEOFF_ASSIST_ARM_SET", "SET_LAUNCHBAR_SWITCH",
};
constexpr const char* kHelicopterLeftOut[] = {
    "ROTOR_CLUTCH_SWITCH_SET", "ROTOR_GOV_SWITCH_SET", "ROTOR_LATERAL_TRIM_SET", "HOIST_SWITCH_EXTEND",
    "HOIST_SWITCH_RETRACT", "HOIST_SWITCH_SET", "HOIST_DEPLOY_SET", "TOGGLE_AIRCRAFT_ELEVATOR",
};
constexpr const char* kSlewLeftOut[] = {
    "SLEW_SET", "AXIS_SLEW_AHEAD_SET", "AXIS_SLEW_SIDEWAYS_SET", "AXIS_SLEW_HEADING_SET", "AXIS_SLEW_ALT_SET",
    "AXIS_SLEW_BANK_SET", "AXIS_SLEW_PITCH_SET",
};
constexpr const char* kViewLeftOut[] = {
    "ZOOM_SET", "VIEW_PANEL_ALPHA_SET", "VIEW_PANEL_ALPHA_SELECT", "VIEW_LINKING_SET", "VIEW_CHASE_DISTANCE_SUB",
};
constexpr const char* kMiscEventsLeftOut[] = {
    "PAUSE_SET", "MINUS", "PLUS", "SIM_RATE", "SOUND_SET", "MINUS_SHIFT", "PLUS_SHIFT", "VIRTUAL_COPILOT_SET",
    "CLOCK_HOURS_SET", "CLOCK_MINUTES_SET", "ZULU_HOURS_SET", "ZULU_MINUTES_SET", "ZULU_DAY_SET", "ZULU_YEAR_SET",
    "GAUGE_KEYSTROKE", "SIMUI_WINDOW_HIDESHOW", "AXIS_PAN_PITCH", "AXIS_PAN_HEADING", "AXIS_PAN_TILT",
    "FREEZE_LATITUDE_LONGITUDE_SET", "FREEZE_ALTITUDE_SET", "FREEZE_ATTITUDE_SET",
};
constexpr const char* kMultiplayerLeftOut[] = {"AVATAR_MODE_ATTACH_SET", "AVATAR_MODE_ATTACH_TOGGLE"};

struct LeftOut {
    std::span<const char* const> names;
    // Entries from this position on are all left out.
    std::size_t allFrom = std::numeric_limits<std::size_t>::max();
};

// Indexed like the categories of the event table.
const std::array<LeftOut, 15> kLeftOut{{
    {kFlightControlsLeftOut},
    {kEngineLeftOut},
    {kAutopilotLeftOut, kAutopilotDisplayKeysFrom},
    {kFuelSystemLeftOut},
    {kAvionicsLeftOut},
    {kInstrumentsLeftOut},
    {kLightsLeftOut},
    {},  // "Failures"
    {kMiscSystemsLeftOut},
    {kHelicopterLeftOut},
    {kSlewLeftOut},
    {kViewLeftOut},
    {kMiscEventsLeftOut},
    {},  // "ATC"
    {kMultiplayerLeftOut},
}};

int collationRank(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= '0' && u <= '9') return 0x100 + u;
    if (u >= 'a' && u <= 'z') return 0x200 + (u - 'a' + 'A');
    if (u >= 'A' && u <= 'Z') return 0x200 + u;
    return u;
}

bool isPresent(const std::optional<std::string>& value) { return value && !value->empty(); }

int categoryCount() { return static_cast<int>(SimEventTable::categories().size()); }

}  // namespace

bool listOrderLess(std::string_view a, std::string_view b) {
    const auto byRank = [](char x, char y) { return collationRank(x) < collationRank(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byRank)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byRank)) return false;
    return a < b;  // equal but for case: still one fixed order
}

bool isOffered(std::size_t category, std::size_t position) {
    const auto entries = SimEventTable::entries(category);
    if (position >= entries.size()) return false;
    const LeftOut& leftOut = kLeftOut[category];
    if (position >= leftOut.allFrom) return false;
    const std::string_view name = entries[position];
    return std::none_of(leftOut.names.begin(), leftOut.names.end(), [name](const char* out) { return name == out; });
}

std::vector<std::string> offeredEvents(std::size_t category) {
    const auto entries = SimEventTable::entries(category);
    std::vector<std::string> offered;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (isOffered(category, i)) offered.emplace_back(entries[i]);
    }
    std::sort(offered.begin(), offered.end(), listOrderLess);
    return offered;
}

std::vector<std::string> allEvents(std::size_t category) {
    const auto entries = SimEventTable::entries(category);
    return {entries.begin(), entries.end()};
}

void InputMapping::onOpen() {
    if (current_.control != 0) onKeyButton(current_.control);
}

void InputMapping::onKeyButton(int control) {
    if (control < im::kFirstKey || control > im::kLastKey) return;
    std::vector<std::string> categories;
    for (const SimEventCategory& category : SimEventTable::categories()) categories.emplace_back(category.name);
    controls_.setItems(im::kCategoryList, categories);
    // A toggle button flips itself when clicked: the state is set, not toggled,
    // so the current key stays pushed even when it is clicked again.
    if (current_.control != 0) controls_.setChecked(current_.control, false);
    controls_.setChecked(control, true);
    current_.control = control;
    restoreSelection(control - im::kFirstKey);
}

void InputMapping::restoreSelection(int slot) {
    const auto comIndex = settings_.read(setting::kButtonComSection, buttonComIndexKey(slot));
    const auto listIndex = settings_.read(setting::kButtonListSection, buttonListIndexKey(slot));
    const int category = settingNumber(comIndex);
    if (isPresent(comIndex) && isPresent(listIndex) && category >= 0 && category < categoryCount()) {
        const auto shown = offeredEvents(static_cast<std::size_t>(category));
        // The stored event decides what is selected: it is what the key fires.
        // Its list position is only the fallback, for a profile without it.
        const auto eventText = settings_.read(setting::kButtonListSection, buttonEventKey(slot));
        const auto event = static_cast<DWORD>(settingNumber(eventText));
        if (isPresent(eventText) && SimEventTable::categoryOf(event) == static_cast<std::size_t>(category)) {
            controls_.select(im::kCategoryList, category);
            const auto it = std::find(shown.begin(), shown.end(), SimEventTable::name(event));
            if (it != shown.end()) {
                showEvents(shown);
                controls_.select(im::kEventList, static_cast<int>(it - shown.begin()));
            } else {
                // An entry that is only offered in the full list "Clear" shows:
                // show that list again, or the key would look unmapped while it fires.
                showEvents(allEvents(static_cast<std::size_t>(category)));
                const std::size_t first = SimEventTable::categories()[static_cast<std::size_t>(category)].first;
                controls_.select(im::kEventList, static_cast<int>(event - SimEventTable::idOf(first)));
            }
            return;
        }
        const int position = settingNumber(listIndex);
        if (position >= 0 && position < static_cast<int>(shown.size())) {
            controls_.select(im::kCategoryList, category);
            showEvents(shown);
            controls_.select(im::kEventList, position);
            return;
        }
    }
    // Nothing stored, or something the dialog never writes: as if unmapped.
    controls_.select(im::kCategoryList, 0);
    showEvents(offeredEvents(0));
}

void InputMapping::onCategoryChanged() {
    if (const auto category = SimEventTable::findCategory(controls_.text(im::kCategoryList))) {
        showEvents(offeredEvents(*category));
    }
}

void InputMapping::onEventChosen() {
    const int position = controls_.selection(im::kEventList);
    const int category = controls_.selection(im::kCategoryList);
    // The category list is empty until a key is pressed, and only a pressed key can be mapped.
    if (position < 0 || category < 0 || current_.control == 0) return;
    const auto event = SimEventTable::find(static_cast<std::size_t>(category), controls_.text(im::kEventList));
    if (!event) return;
    const int slot = current_.control - im::kFirstKey;
    settings_.write(setting::kButtonComSection, buttonComIndexKey(slot), std::to_string(category));
    settings_.write(setting::kButtonListSection, buttonListIndexKey(slot), std::to_string(position));
    settings_.write(setting::kButtonListSection, buttonEventKey(slot), std::to_string(*event));
}

void InputMapping::onClear() {
    if (current_.control != 0) {
        const int slot = current_.control - im::kFirstKey;
        settings_.write(setting::kButtonComSection, buttonComIndexKey(slot), std::nullopt);
        settings_.write(setting::kButtonListSection, buttonListIndexKey(slot), std::nullopt);
        settings_.write(setting::kButtonListSection, buttonEventKey(slot), std::nullopt);
    }
    controls_.select(im::kCategoryList, 0);
    showEvents(allEvents(0));
}

void InputMapping::showEvents(const std::vector<std::string>& events) { controls_.setItems(im::kEventList, events); }

}  // namespace brelvik
