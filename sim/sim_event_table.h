// The simulator's named key events that panel keys can be mapped to, in 15
// categories. Entry i is client event 10001 + i everywhere: when mapped, when
// transmitted, and as the number the input mapping stores in the settings.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "sim/data_definitions.h"
#include "sim/simconnect.h"

namespace brelvik {

struct SimEventCategory {
    const char* name;   // also the label the input mapping dialog shows
    std::size_t first;  // table index of its first entry
    std::size_t count;
};

class SimEventTable {
public:
    static constexpr DWORD kFirstId = 10001;
    static constexpr std::size_t kSize = 1091;
    static constexpr DWORD kLastId = kFirstId + kSize - 1;

    static constexpr DWORD idOf(std::size_t index) { return kFirstId + static_cast<DWORD>(index); }
    static constexpr bool contains(DWORD id) { return id >= kFirstId && id <= kLastId; }

    // All names, in table order.
    static std::span<const char* const> names();
    // The 15 categories, in table order; their position is the category index.
    static std::span<const SimEventCategory> categories();

    // nullptr when the number is not in the table.
    static const char* name(DWORD id);
    // Index of the category that holds the number.
    static std::optional<std::size_t> categoryOf(DWORD id);
    // The names of one category in table order; empty for an unknown index.
    static std::span<const char* const> entries(std::size_t category);
    // Exact, case-sensitive match of a category label.
    static std::optional<std::size_t> findCategory(std::string_view name);
    // The number of an event name, anywhere in the table or within one category.
    static std::optional<DWORD> find(std::string_view name);
    static std::optional<DWORD> find(std::size_t category, std::string_view name);
};

// Table events that the panel decoder transmits by number.
namespace sim_events {
inline constexpr DWORD kFlapsUp = 10002;               // FLAPS_UP
inline constexpr DWORD kFlaps1 = 10003;                // FLAPS_1
inline constexpr DWORD kFlaps2 = 10004;                // FLAPS_2
inline constexpr DWORD kFlaps3 = 10005;                // FLAPS_3
inline constexpr DWORD kMagnetoOff = 10221;            // MAGNETO_OFF
inline constexpr DWORD kMagnetoRight = 10222;          // MAGNETO_RIGHT
inline constexpr DWORD kMagnetoLeft = 10223;           // MAGNETO_LEFT
inline constexpr DWORD kMagnetoBoth = 10224;           // MAGNETO_BOTH
inline constexpr DWORD kMagnetoStart = 10225;          // MAGNETO_START
inline constexpr DWORD kToggleFuelValveAll = 10251;    // TOGGLE_FUEL_VALVE_ALL
inline constexpr DWORD kFuelPump = 10270;              // FUEL_PUMP
inline constexpr DWORD kFuelSelectorAll = 10444;       // FUEL_SELECTOR_ALL
inline constexpr DWORD kFuelSelectorLeft = 10445;      // FUEL_SELECTOR_LEFT
inline constexpr DWORD kFuelSelectorRight = 10446;     // FUEL_SELECTOR_RIGHT
inline constexpr DWORD kToggleAvionicsMaster = 10578;  // TOGGLE_AVIONICS_MASTER
inline constexpr DWORD kStrobesOn = 10726;             // STROBES_ON
inline constexpr DWORD kStrobesOff = 10727;            // STROBES_OFF
inline constexpr DWORD kLandingLightsOn = 10732;       // LANDING_LIGHTS_ON
inline constexpr DWORD kLandingLightsOff = 10733;      // LANDING_LIGHTS_OFF
inline constexpr DWORD kToggleTaxiLights = 10736;      // TOGGLE_TAXI_LIGHTS
inline constexpr DWORD kParkingBrakes = 10760;         // PARKING_BRAKES
inline constexpr DWORD kPitotHeatOn = 10766;           // PITOT_HEAT_ON
inline constexpr DWORD kPitotHeatOff = 10767;          // PITOT_HEAT_OFF
}  // namespace sim_events

// The client event mapping of a new connection: the fixed events, the stick
// events into their notification group at the highest priority, then the whole table.
void mapEvents(SimDeclarations& sink);

// Everything a new connection declares, in the order the simulator receives it:
// definitions 0, 1, 2 and 7, the event mapping, then definitions 3-6.
void declareConnection(SimDeclarations& sink);
void declareConnection(HANDLE handle);

}  // namespace brelvik
