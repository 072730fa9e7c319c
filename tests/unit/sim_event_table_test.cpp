#include "sim/sim_event_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "sim/fixed_events.h"

namespace brelvik {
namespace {

struct CategoryCase {
    std::size_t index;
    const char* name;
    DWORD firstId;
    std::size_t count;
    const char* firstEntry;
    const char* lastEntry;
};

class SimEventCategories : public ::testing::TestWithParam<CategoryCase> {};

TEST_P(SimEventCategories, CategoryHoldsItsNumberRangeAndEnds) {
    const CategoryCase& c = GetParam();
    ASSERT_LT(c.index, SimEventTable::categories().size());
    const SimEventCategory& category = SimEventTable::categories()[c.index];
    EXPECT_STREQ(category.name, c.name);
    EXPECT_EQ(SimEventTable::idOf(category.first), c.firstId);
    EXPECT_EQ(category.count, c.count);

    const auto entries = SimEventTable::entries(c.index);
    ASSERT_EQ(entries.size(), c.count);
    EXPECT_STREQ(entries.front(), c.firstEntry);
    EXPECT_STREQ(entries.back(), c.lastEntry);

    const DWORD lastId = c.firstId + static_cast<DWORD>(c.count) - 1;
    EXPECT_STREQ(SimEventTable::name(c.firstId), c.firstEntry);
    EXPECT_STREQ(SimEventTable::name(lastId), c.lastEntry);
    EXPECT_EQ(SimEventTable::categoryOf(c.firstId), c.index);
    EXPECT_EQ(SimEventTable::categoryOf(lastId), c.index);
    EXPECT_EQ(SimEventTable::findCategory(c.name), c.index);
    EXPECT_EQ(SimEventTable::find(c.index, c.lastEntry), lastId);
}

INSTANTIATE_TEST_SUITE_P(
    AllFifteen, SimEventCategories,
    ::testing::Values(
        CategoryCase{0, "Flight Controls", 10001, 47, "SPOILERS_TOGGLE", "AXIS_FLAPS_SET"},
        CategoryCase{1, "Engine", 10048, 247, "THROTTLE_FULL", "ENGINE"},
        CategoryCase{2, "Autopilot", 10295, 148, "AP_MASTER", "Quillon_MFD_SOFTKEY12"},
        CategoryCase{3, "Fuel System", 10443, 49, "FUEL_SELECTOR_OFF", "FUEL_SELECTOR_4_RIGHT_MAIN"},
        CategoryCase{4, "Avionics", 10492, 192, "XPNDR", "RADIO_SELECTED_DME_IDENT_TOGGLE"},
        CategoryCase{5, "Instruments", 10684, 32, "EGT", "GYRO_DRIFT_SET"},
        CategoryCase{6, "Lights", 10716, 26, "STROBES_TOGGLE", "TOGGLE_CABIN_LIGHTS"},
        CategoryCase{7, "Failures", 10742, 12, "TOGGLE_VACUUM_FAILURE", "TOGGLE_ENGINE4_FAILURE"},
        CategoryCase{8, "Miscellaneous Systems", 10754, 97, "SMOKE_TOGGLE", "SET_LAUNCHBAR_SWITCH"},
        CategoryCase{9, "Helicopter Specific Systems", 10851, 15, "ROTOR_BRAKE", "TOGGLE_AIRCRAFT_ELEVATOR"},
        CategoryCase{10, "Slew System", 10866, 34, "SLEW_TOGGLE", "AXIS_SLEW_PITCH_SET"},
        CategoryCase{11, "View System", 10900, 77, "VIEW_MODE", "VIEW_CHASE_DISTANCE_SUB"},
        CategoryCase{12, "Miscellaneous Events", 10977, 90, "PAUSE_TOGGLE", "POINT_OF_INTEREST_CYCLE_NEXT"},
        CategoryCase{13, "ATC", 11067, 11, "ATC", "ATC_MENU_0"},
        CategoryCase{14, "Multiplayer", 11078, 14, "MP_TRANSFER_CONTROL", "AVATAR_MODE_ATTACH_TOGGLE"}));

TEST(SimEventTableContents, HoldsEachPlainNameOnce) {
    const auto names = SimEventTable::names();
    ASSERT_EQ(names.size(), 1091u);
    std::set<std::string> seen;
    for (const char* name : names) {
        ASSERT_NE(name, nullptr);
        EXPECT_TRUE(seen.insert(name).second) << name << " stands twice";
        const bool plain = std::all_of(name, name + std::strlen(name),
                                       [](char ch) { return ch > ' ' && static_cast<unsigned char>(ch) < 0x7F; });
        EXPECT_TRUE(plain && name[0] != '\0') << '"' << name << '"';
    }
    EXPECT_EQ(SimEventTable::categories().size(), 15u);
}

TEST(SimEventTableLookup, NumbersOutsideTheTableHaveNoNameOrCategory) {
    for (DWORD id : {DWORD{0}, DWORD{79}, DWORD{10000}, DWORD{11092}}) {
        EXPECT_EQ(SimEventTable::name(id), nullptr) << id;
        EXPECT_FALSE(SimEventTable::categoryOf(id).has_value()) << id;
    }
    EXPECT_TRUE(SimEventTable::entries(15).empty());
    EXPECT_FALSE(SimEventTable::find(15, "ATC").has_value());
}

TEST(SimEventTableLookup, NamesAreFoundOnlyInTheirOwnCategoryAndExactly) {
    EXPECT_EQ(SimEventTable::find("STROBES_TOGGLE"), 10716u);
    EXPECT_EQ(SimEventTable::find(6, "STROBES_TOGGLE"), 10716u);
    EXPECT_FALSE(SimEventTable::find(0, "STROBES_TOGGLE").has_value());
    EXPECT_FALSE(SimEventTable::find("strobes_toggle").has_value());
    EXPECT_FALSE(SimEventTable::find("").has_value());
    EXPECT_FALSE(SimEventTable::findCategory("lights").has_value());
    EXPECT_FALSE(SimEventTable::findCategory("").has_value());
}

struct NamedEventCase {
    DWORD id;
    const char* name;
};

class SimEventNumbers : public ::testing::TestWithParam<NamedEventCase> {};

TEST_P(SimEventNumbers, NumberNamesItsEntry) {
    EXPECT_STREQ(SimEventTable::name(GetParam().id), GetParam().name);
    EXPECT_EQ(SimEventTable::find(GetParam().name), GetParam().id);
}

// The events the panel decoder sends by number, and a few that mark the table's shape.
INSTANTIATE_TEST_SUITE_P(
    ByNumber, SimEventNumbers,
    ::testing::Values(NamedEventCase{sim_events::kFlapsUp, "FLAPS_UP"}, NamedEventCase{sim_events::kFlaps1, "FLAPS_1"},
                      NamedEventCase{sim_events::kFlaps2, "FLAPS_2"}, NamedEventCase{sim_events::kFlaps3, "FLAPS_3"},
                      NamedEventCase{sim_events::kMagnetoOff, "MAGNETO_OFF"},
                      NamedEventCase{sim_events::kMagnetoRight, "MAGNETO_RIGHT"},
                      NamedEventCase{sim_events::kMagnetoLeft, "MAGNETO_LEFT"},
                      NamedEventCase{sim_events::kMagnetoBoth, "MAGNETO_BOTH"},
                      NamedEventCase{sim_events::kMagnetoStart, "MAGNETO_START"},
                      NamedEventCase{sim_events::kToggleFuelValveAll, "TOGGLE_FUEL_VALVE_ALL"},
                      NamedEventCase{sim_events::kFuelPump, "FUEL_PUMP"},
                      NamedEventCase{sim_events::kFuelSelectorAll, "FUEL_SELECTOR_ALL"},
                      NamedEventCase{sim_events::kFuelSelectorLeft, "FUEL_SELECTOR_LEFT"},
                      NamedEventCase{sim_events::kFuelSelectorRight, "FUEL_SELECTOR_RIGHT"},
                      NamedEventCase{sim_events::kToggleAvionicsMaster, "TOGGLE_AVIONICS_MASTER"},
                      NamedEventCase{sim_events::kStrobesOn, "STROBES_ON"},
                      NamedEventCase{sim_events::kStrobesOff, "STROBES_OFF"},
                      NamedEventCase{sim_events::kLandingLightsOn, "LANDING_LIGHTS_ON"},
                      NamedEventCase{sim_events::kLandingLightsOff, "LANDING_LIGHTS_OFF"},
                      NamedEventCase{sim_events::kToggleTaxiLights, "TOGGLE_TAXI_LIGHTS"},
                      NamedEventCase{sim_events::kParkingBrakes, "PARKING_BRAKES"},
                      NamedEventCase{sim_events::kPitotHeatOn, "PITOT_HEAT_ON"},
                      NamedEventCase{sim_events::kPitotHeatOff, "PITOT_HEAT_OFF"},
                      NamedEventCase{10270, "FUEL_PUMP"}, NamedEventCase{10271, "TOGGLE_ELECT_FUEL_PUMP"},
                      NamedEventCase{10392, "FLY_BY_WIRE_SEC_TOGGLE"}, NamedEventCase{10393, "Quillon_PFD_FLIGHTPLAN_BUTTON"}, NamedEventCase{11091, "AVATAR_MODE_ATTACH_TOGGLE"}));

TEST(SimEventNumbersUsedByPanels, SpanTheDocumentedRanges) {
    const std::vector<DWORD> used = {
        sim_events::kFlapsUp,          sim_events::kFlaps1,          sim_events::kFlaps2,
        sim_events::kFlaps3,           sim_events::kMagnetoOff,      sim_events::kMagnetoRight,
        sim_events::kMagnetoLeft,      sim_events::kMagnetoBoth,     sim_events::kMagnetoStart,
        sim_events::kToggleFuelValveAll, sim_events::kFuelPump,      sim_events::kFuelSelectorAll,
        sim_events::kFuelSelectorLeft, sim_events::kFuelSelectorRight, sim_events::kToggleAvionicsMaster,
        sim_events::kStrobesOn,        sim_events::kStrobesOff,      sim_events::kLandingLightsOn,
        sim_events::kLandingLightsOff, sim_events::kToggleTaxiLights, sim_events::kParkingBrakes,
        sim_events::kPitotHeatOn,      sim_events::kPitotHeatOff};
    const std::vector<DWORD> expected = {10002, 10003, 10004, 10005, 10221, 10222, 10223, 10224,
                                         10225, 10251, 10270, 10444, 10445, 10446, 10578, 10726,
                                         10727, 10732, 10733, 10736, 10760, 10766, 10767};
    EXPECT_EQ(used, expected);
}

// ---- Fixed events ----

TEST(FixedEvents, EveryNumberFromZeroToSeventyNineExceptFourIsMappedOnce) {
    std::vector<DWORD> ids;
    for (const FixedEventMapping& mapping : kFixedEventMappings) ids.push_back(eventId(mapping.event));
    std::sort(ids.begin(), ids.end());
    std::vector<DWORD> expected;
    for (DWORD id = 0; id <= 79; ++id) {
        if (id != 4) expected.push_back(id);
    }
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(fixedEventName(4), nullptr);
    EXPECT_EQ(fixedEventName(80), nullptr);
}

TEST(FixedEvents, NamesOfTheEventsOtherPartsSendByNumber) {
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::ComRadioFractInc)), "COM_RADIO_FRACT_INC");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::AdfCompleteSet)), "ADF_COMPLETE_SET");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::AutopilotOff)), "AUTOPILOT_OFF");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::AxisElevatorSet)), "AXIS_ELEVATOR_SET");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::ApAttHoldOn)), "AP_ATT_HOLD_ON");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::ToggleAlternateStatic)), "TOGGLE_ALTERNATE_STATIC");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::MobiFlightC172AlternatorOn)), "MobiFlight.C172_ALTERNATOR_ON");
    EXPECT_STREQ(fixedEventName(eventId(FixedEvent::MobiFlightFuelPumpSwitchOff)),
                 "MobiFlight.Fuel_Pump_Switch_Off");
    EXPECT_EQ(eventId(FixedEvent::ToggleAlternateStatic), 52u);
    EXPECT_EQ(eventId(FixedEvent::AxisElevTrimSet), 53u);
    EXPECT_EQ(eventId(FixedEvent::MobiFlightC172AlternatorOn), 60u);
    EXPECT_EQ(eventId(FixedEvent::MobiFlightFuelPumpSwitchOff), 79u);
}

// ---- The declarations of a new connection ----

class DeclarationRecorder : public SimDeclarations {
public:
    struct Call {
        char kind;  // 'D' data variable, 'M' map event, 'G' group add, 'P' group priority
        DWORD first;
        DWORD second;
        std::string text;
        bool maskable;
    };
    std::vector<Call> calls;

    void addToDataDefinition(DWORD definition, const DataField& field) override {
        calls.push_back({'D', definition, 0, field.name, false});
    }
    void mapClientEvent(DWORD event, const char* name) override { calls.push_back({'M', event, 0, name, false}); }
    void addToNotificationGroup(DWORD group, DWORD event, bool maskable) override {
        calls.push_back({'G', group, event, "", maskable});
    }
    void setNotificationGroupPriority(DWORD group, DWORD priority) override {
        calls.push_back({'P', group, priority, "", false});
    }
};

class ConnectionDeclarations : public ::testing::Test {
protected:
    void SetUp() override { declareConnection(recorder); }
    DeclarationRecorder recorder;
};

TEST_F(ConnectionDeclarations, ComeInTheOrderTheSimulatorMustSeeThem) {
    const auto& calls = recorder.calls;
    ASSERT_EQ(calls.size(), 118u + 79u + 6u + 1u + 1091u + 9u);
    std::size_t at = 0;

    std::vector<DWORD> definitionsBefore;
    for (; at < 118; ++at) {
        ASSERT_EQ(calls[at].kind, 'D') << at;
        if (definitionsBefore.empty() || definitionsBefore.back() != calls[at].first)
            definitionsBefore.push_back(calls[at].first);
    }
    EXPECT_EQ(definitionsBefore, (std::vector<DWORD>{0, 1, 2, 7}));

    std::vector<DWORD> fixedOrder;
    for (; at < 118 + 79; ++at) {
        ASSERT_EQ(calls[at].kind, 'M') << at;
        EXPECT_EQ(calls[at].text, fixedEventName(calls[at].first)) << calls[at].first;
        fixedOrder.push_back(calls[at].first);
    }
    std::vector<DWORD> expectedFixed = {52, 0, 1, 2, 3};
    for (DWORD id = 5; id <= 25; ++id) expectedFixed.push_back(id);
    for (DWORD id = 33; id <= 43; ++id) expectedFixed.push_back(id);
    expectedFixed.push_back(32);
    for (DWORD id = 44; id <= 51; ++id) expectedFixed.push_back(id);
    for (DWORD id : {30, 31, 26, 27, 29, 28, 53}) expectedFixed.push_back(id);
    for (DWORD id = 54; id <= 79; ++id) expectedFixed.push_back(id);
    EXPECT_EQ(fixedOrder, expectedFixed);

    for (DWORD event : {26, 27, 29, 28, 30, 31}) {
        ASSERT_EQ(calls[at].kind, 'G') << at;
        EXPECT_EQ(calls[at].first, 0u);
        EXPECT_EQ(calls[at].second, event);
        EXPECT_TRUE(calls[at].maskable);
        ++at;
    }
    ASSERT_EQ(calls[at].kind, 'P');
    EXPECT_EQ(calls[at].first, 0u);
    EXPECT_EQ(calls[at].second, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    ++at;

    for (std::size_t i = 0; i < 1091; ++i, ++at) {
        ASSERT_EQ(calls[at].kind, 'M') << at;
        ASSERT_EQ(calls[at].first, 10001u + i);
        ASSERT_EQ(calls[at].text, SimEventTable::names()[i]);
    }

    std::vector<DWORD> definitionsAfter;
    for (; at < calls.size(); ++at) {
        ASSERT_EQ(calls[at].kind, 'D') << at;
        if (definitionsAfter.empty() || definitionsAfter.back() != calls[at].first)
            definitionsAfter.push_back(calls[at].first);
    }
    EXPECT_EQ(definitionsAfter, (std::vector<DWORD>{3, 4, 5, 6}));
}

TEST_F(ConnectionDeclarations, IdentifierFourIsNeverMapped) {
    for (const auto& call : recorder.calls) {
        if (call.kind == 'M') {
            EXPECT_NE(call.first, 4u);
        }
    }
}

}  // namespace
}  // namespace brelvik
