// The input mapping dialog's rules, driven through fake controls: what each
// category offers and in which order, and what keys, categories, events and
// "Clear" show and store.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "dialogs/input_mapping.h"
#include "res/input_mapping_layout.h"
#include "settings/startup_settings.h"
#include "sim/sim_event_table.h"
#include "support/fakes.h"

namespace brelvik {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
namespace im = res::input_mapping;

constexpr int kPilot = 1108;   // slot 10
constexpr int kCoplt = 1109;   // slot 11
constexpr int kComMic = 1098;  // slot 0
constexpr int kLights = 6;

// ---------------------------------------------------------------------------
// What the event list offers.

struct OfferedCase {
    const char* category;
    std::size_t offered;
};

void PrintTo(const OfferedCase& c, std::ostream* os) { *os << c.category; }

class OfferedEvents : public ::testing::TestWithParam<OfferedCase> {};

TEST_P(OfferedEvents, CountIsTheCategoryMinusItsLeftOutEntriesSortedWithoutRepeats) {
    const auto category = SimEventTable::findCategory(GetParam().category);
    ASSERT_TRUE(category);
    const auto offered = offeredEvents(*category);
    EXPECT_EQ(offered.size(), GetParam().offered);
    EXPECT_TRUE(std::is_sorted(offered.begin(), offered.end(), listOrderLess));
    EXPECT_EQ(std::adjacent_find(offered.begin(), offered.end()), offered.end());
    for (const std::string& name : offered) EXPECT_TRUE(SimEventTable::find(*category, name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryCategory, OfferedEvents,
    ::testing::Values(OfferedCase{"Flight Controls", 26}, OfferedCase{"Engine", 192}, OfferedCase{"Autopilot", 76},
                      OfferedCase{"Fuel System", 36}, OfferedCase{"Avionics", 141}, OfferedCase{"Instruments", 23},
                      OfferedCase{"Lights", 23}, OfferedCase{"Failures", 12},
                      OfferedCase{"Miscellaneous Systems", 78}, OfferedCase{"Helicopter Specific Systems", 7},
                      OfferedCase{"Slew System", 27}, OfferedCase{"View System", 72},
                      OfferedCase{"Miscellaneous Events", 68}, OfferedCase{"ATC", 11},
                      OfferedCase{"Multiplayer", 12}),
    [](const auto& info) {
        std::string name = info.param.category;
        name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
        return name;
    });

TEST(OfferedEvents, LightsInListOrderWithTheSetEventsLeftOut) {
    EXPECT_THAT(offeredEvents(kLights),
                ElementsAre("ALL_LIGHTS_TOGGLE", "LANDING_LIGHT_DOWN", "LANDING_LIGHT_HOME", "LANDING_LIGHT_LEFT",
                            "LANDING_LIGHT_RIGHT", "LANDING_LIGHT_UP", "LANDING_LIGHTS_OFF", "LANDING_LIGHTS_ON",
                            "LANDING_LIGHTS_ROTATE", "LANDING_LIGHTS_TOGGLE", "PANEL_LIGHTS_OFF", "PANEL_LIGHTS_ON",
                            "PANEL_LIGHTS_TOGGLE", "STROBES_OFF", "STROBES_ON", "STROBES_TOGGLE",
                            "TOGGLE_BEACON_LIGHTS", "TOGGLE_CABIN_LIGHTS", "TOGGLE_LOGO_LIGHTS", "TOGGLE_NAV_LIGHTS",
                            "TOGGLE_RECOGNITION_LIGHTS", "TOGGLE_TAXI_LIGHTS", "TOGGLE_WING_LIGHTS"));
}

TEST(OfferedEvents, AutopilotEndsBeforeTheDisplayKeysAndEngineWithoutItsLastEntry) {
    const std::size_t autopilot = 2, engine = 1;
    EXPECT_TRUE(isOffered(autopilot, 97));  // the entry just before the PFD keys
    for (std::size_t position = 98; position < 148; ++position) EXPECT_FALSE(isOffered(autopilot, position)) << position;
    EXPECT_TRUE(isOffered(engine, 0));    // THROTTLE_FULL
    EXPECT_FALSE(isOffered(engine, 246));  // ENGINE
    EXPECT_FALSE(isOffered(engine, 247));  // beyond the category
    EXPECT_FALSE(isOffered(15, 0));        // no such category
    EXPECT_THAT(offeredEvents(15), IsEmpty());
}

TEST(ListOrder, UnderscoreBeforeDigitsBeforeLettersAndCaseIgnored) {
    EXPECT_TRUE(listOrderLess("THROTTLE_10", "THROTTLE1_CUT"));
    EXPECT_FALSE(listOrderLess("THROTTLE1_CUT", "THROTTLE_10"));
    EXPECT_TRUE(listOrderLess("LANDING_LIGHT_UP", "LANDING_LIGHTS_OFF"));
    EXPECT_TRUE(listOrderLess("AP_MASTER", "APU_STARTER"));
    EXPECT_TRUE(listOrderLess("MIXTURE9", "MIXTUREA"));
    EXPECT_TRUE(listOrderLess("abc", "ABD"));
    EXPECT_TRUE(listOrderLess("SLEW", "SLEW_ON"));  // a prefix first
    // Equal but for case: a strict order still, so sorting is deterministic.
    EXPECT_NE(listOrderLess("Abc", "aBC"), listOrderLess("aBC", "Abc"));
    EXPECT_FALSE(listOrderLess("SAME", "SAME"));
}

TEST(AllEvents, FlightControlsInTableOrderWithNothingLeftOut) {
    const auto all = allEvents(0);
    ASSERT_EQ(all.size(), 47u);
    EXPECT_EQ(all.front(), "SPOILERS_TOGGLE");
    EXPECT_EQ(all[9], "CENTER_AILER_RUDDER");
    EXPECT_EQ(all.back(), "AXIS_FLAPS_SET");
}

// ---------------------------------------------------------------------------
// The handlers.

// Fake controls whose lists answer text() with the selected item, as the
// real category and event lists do.
class ListControls : public testing::FakeControls {
public:
    std::string text(int id) const override {
        const auto it = states.find(id);
        if (it == states.end() || it->second.items.empty()) return FakeControls::text(id);
        const int selected = it->second.selection;
        return selected < 0 ? std::string() : it->second.items[static_cast<std::size_t>(selected)];
    }
    const std::vector<std::string>& items(int id) { return states[id].items; }
};

class InputMappingTest : public ::testing::Test {
protected:
    InputMappingTest() { open(); }

    // A new window over the same remembered key and settings.
    void open() {
        controls = std::make_unique<ListControls>();
        mapping = std::make_unique<InputMapping>(current, settings, *controls);
        mapping->onOpen();
    }
    void press(int key) {
        controls->setChecked(key, !controls->isChecked(key));  // what the toolkit does first
        mapping->onKeyButton(key);
    }
    void chooseCategory(const std::string& name) {
        const auto& items = controls->items(im::kCategoryList);
        const auto it = std::find(items.begin(), items.end(), name);
        ASSERT_NE(it, items.end()) << name;
        controls->select(im::kCategoryList, static_cast<int>(it - items.begin()));
        mapping->onCategoryChanged();
    }
    void chooseEvent(const std::string& name) {
        const int position = eventPosition(name);
        ASSERT_GE(position, 0) << name;
        controls->select(im::kEventList, position);
        mapping->onEventChosen();
    }
    int eventPosition(const std::string& name) {
        const auto& items = controls->items(im::kEventList);
        const auto it = std::find(items.begin(), items.end(), name);
        return it == items.end() ? -1 : static_cast<int>(it - items.begin());
    }
    void store(int slot, const char* comIndex, const char* listIndex, const char* event) {
        if (comIndex) settings.write("C_buttonEvent", buttonComIndexKey(slot), comIndex);
        if (listIndex) settings.write("L_buttonEvent", buttonListIndexKey(slot), listIndex);
        if (event) settings.write("L_buttonEvent", buttonEventKey(slot), event);
    }
    std::vector<std::optional<std::string>> stored(int slot) const {
        return {settings.read("C_buttonEvent", buttonComIndexKey(slot)),
                settings.read("L_buttonEvent", buttonListIndexKey(slot)),
                settings.read("L_buttonEvent", buttonEventKey(slot))};
    }
    std::vector<int> pushedKeys() const {
        std::vector<int> pushed;
        for (int id = im::kFirstKey; id <= im::kLastKey; ++id)
            if (controls->isChecked(id)) pushed.push_back(id);
        return pushed;
    }
    int categorySelection() const { return controls->selection(im::kCategoryList); }
    int eventSelection() const { return controls->selection(im::kEventList); }
    std::string selectedEvent() const { return controls->text(im::kEventList); }

    CurrentKey current;
    testing::MemorySettingsStore settings;
    std::unique_ptr<ListControls> controls;
    std::unique_ptr<InputMapping> mapping;
};

using Stored = std::vector<std::optional<std::string>>;
const std::optional<std::string> kAbsent;

TEST_F(InputMappingTest, ListsStayEmptyUntilAKeyIsPressed) {
    EXPECT_THAT(controls->items(im::kCategoryList), IsEmpty());
    EXPECT_THAT(controls->items(im::kEventList), IsEmpty());
    EXPECT_THAT(pushedKeys(), IsEmpty());
}

TEST_F(InputMappingTest, KeyPressShowsCategoriesInTableOrderAndAnUnmappedKeyShowsFlightControls) {
    press(kPilot);
    EXPECT_THAT(controls->items(im::kCategoryList),
                ElementsAre("Flight Controls", "Engine", "Autopilot", "Fuel System", "Avionics", "Instruments",
                            "Lights", "Failures", "Miscellaneous Systems", "Helicopter Specific Systems",
                            "Slew System", "View System", "Miscellaneous Events", "ATC", "Multiplayer"));
    EXPECT_EQ(categorySelection(), 0);
    EXPECT_THAT(controls->items(im::kEventList), ElementsAreArray(offeredEvents(0)));
    EXPECT_EQ(eventSelection(), -1);
    EXPECT_THAT(pushedKeys(), ElementsAre(kPilot));
    EXPECT_TRUE(settings.values.empty());
}

TEST_F(InputMappingTest, OnlyTheCurrentKeyIsPushedEvenWhenClickedAgain) {
    press(kPilot);
    press(kCoplt);
    EXPECT_THAT(pushedKeys(), ElementsAre(kCoplt));
    press(kCoplt);  // the toolkit pops it out; the dialog pushes it back
    EXPECT_THAT(pushedKeys(), ElementsAre(kCoplt));
}

TEST_F(InputMappingTest, PilotLightsStrobesToggleStoresItsCategoryListPositionAndEvent) {
    press(kPilot);
    chooseCategory("Lights");
    EXPECT_TRUE(settings.values.empty()) << "a category alone stores nothing";
    chooseEvent("STROBES_TOGGLE");
    EXPECT_EQ(stored(10), (Stored{"6", "15", "10716"}));
    EXPECT_EQ(settings.values.size(), 3u);
}

struct ChoiceCase {
    const char* category;
    const char* event;
    int number;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.event; }

class InputMappingChoice : public InputMappingTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(InputMappingChoice, StoresTheEventNumberOfTheTable) {
    press(kComMic);
    chooseCategory(GetParam().category);
    chooseEvent(GetParam().event);
    EXPECT_EQ(stored(0)[2], std::to_string(GetParam().number));
}

INSTANTIATE_TEST_SUITE_P(
    FirstsAndLasts, InputMappingChoice,
    ::testing::Values(ChoiceCase{"Flight Controls", "SPOILERS_TOGGLE", 10001},
                      ChoiceCase{"Engine", "THROTTLE_FULL", 10048},
                      ChoiceCase{"Helicopter Specific Systems", "ROTOR_BRAKE", 10851},
                      ChoiceCase{"Miscellaneous Events", "POINT_OF_INTEREST_CYCLE_NEXT", 11066},
                      ChoiceCase{"ATC", "ATC_MENU_0", 11077},
                      ChoiceCase{"Multiplayer", "TOGGLE_RACERESULTS_WINDOW", 11089}),
    [](const auto& info) { return std::string(info.param.event); });

TEST_F(InputMappingTest, ChangingTheCategoryKeepsTheKeysMapping) {
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");
    chooseCategory("Engine");
    EXPECT_EQ(stored(10), (Stored{"6", "15", "10716"}));
    EXPECT_THAT(controls->items(im::kEventList), ElementsAreArray(offeredEvents(1)));
    EXPECT_EQ(eventSelection(), -1);
}

TEST_F(InputMappingTest, PressingAMappedKeyRestoresBothSelections) {
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");
    press(kCoplt);
    EXPECT_EQ(categorySelection(), 0);
    EXPECT_EQ(eventSelection(), -1);
    press(kPilot);
    EXPECT_EQ(categorySelection(), kLights);
    EXPECT_EQ(eventSelection(), 15);
    EXPECT_EQ(selectedEvent(), "STROBES_TOGGLE");
}

struct RestoreCase {
    const char* name;
    const char* comIndex;
    const char* listIndex;
    const char* event;
    int category;       // selected after the key press
    const char* shown;  // selected event, "" for none
};

void PrintTo(const RestoreCase& c, std::ostream* os) { *os << c.name; }

class InputMappingRestore : public InputMappingTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(InputMappingRestore, SelectsWhatIsStoredOrShowsFlightControlsUnselected) {
    const RestoreCase& c = GetParam();
    store(10, c.comIndex, c.listIndex, c.event);
    press(kPilot);
    EXPECT_EQ(categorySelection(), c.category);
    EXPECT_EQ(selectedEvent(), c.shown);
    if (c.category == 0 && std::string(c.shown).empty()) {
        EXPECT_THAT(controls->items(im::kEventList), ElementsAreArray(offeredEvents(0)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputMappingRestore,
    ::testing::Values(
        RestoreCase{"Mapped", "6", "15", "10716", kLights, "STROBES_TOGGLE"},
        RestoreCase{"PositionWithoutEvent", "6", "13", nullptr, kLights, "STROBES_OFF"},
        RestoreCase{"EventOutranksAStalePosition", "6", "0", "10716", kLights, "STROBES_TOGGLE"},
        RestoreCase{"EventOfAnotherCategoryFallsBackToPosition", "6", "0", "10851", kLights, "ALL_LIGHTS_TOGGLE"},
        RestoreCase{"NoListIndex", "6", nullptr, "10716", 0, ""},
        RestoreCase{"EmptyListIndex", "6", "", "10716", 0, ""},
        RestoreCase{"NoComIndex", nullptr, "15", "10716", 0, ""},
        RestoreCase{"ComIndexBeyondTheCategories", "15", "0", nullptr, 0, ""},
        RestoreCase{"NegativeComIndex", "-1", "0", nullptr, 0, ""},
        RestoreCase{"ListIndexBeyondTheList", "6", "23", nullptr, 0, ""},
        RestoreCase{"NegativeListIndex", "6", "-1", nullptr, 0, ""},
        RestoreCase{"EventOnlyIsNoSelection", nullptr, nullptr, "10716", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InputMappingTest, ClearUnmapsTheCurrentKeyOnlyAndShowsAllFlightControlsInTableOrder) {
    press(kCoplt);
    chooseCategory("Engine");
    chooseEvent("THROTTLE_FULL");
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");

    mapping->onClear();
    EXPECT_EQ(stored(10), (Stored{kAbsent, kAbsent, kAbsent}));
    EXPECT_EQ(stored(11), (Stored{"1", "133", "10048"}));
    EXPECT_EQ(categorySelection(), 0);
    EXPECT_THAT(controls->items(im::kEventList), ElementsAreArray(allEvents(0)));
    EXPECT_EQ(eventSelection(), -1);
    EXPECT_THAT(pushedKeys(), ElementsAre(kPilot));
}

TEST_F(InputMappingTest, AnEntryOfferedOnlyAfterClearIsStoredAndShownAgain) {
    press(kPilot);
    mapping->onClear();
    chooseEvent("AXIS_FLAPS_SET");
    EXPECT_EQ(stored(10), (Stored{"0", "46", "10047"}));

    // Its list position means nothing in the sorted list; the key must still
    // show the event it fires rather than look unmapped.
    press(kCoplt);
    press(kPilot);
    EXPECT_EQ(categorySelection(), 0);
    EXPECT_THAT(controls->items(im::kEventList), ElementsAreArray(allEvents(0)));
    EXPECT_EQ(selectedEvent(), "AXIS_FLAPS_SET");
}

TEST_F(InputMappingTest, WithoutAKeyPressedNothingIsStoredOrDeleted) {
    store(10, "6", "15", "10716");
    mapping->onClear();
    EXPECT_THAT(controls->items(im::kEventList), ElementsAreArray(allEvents(0)));
    controls->select(im::kEventList, 0);
    mapping->onEventChosen();
    EXPECT_EQ(settings.values.size(), 3u);
    EXPECT_EQ(stored(10), (Stored{"6", "15", "10716"}));
}

TEST_F(InputMappingTest, AnEventListWithoutSelectionStoresNothing) {
    press(kPilot);
    chooseCategory("Lights");
    controls->select(im::kEventList, -1);
    mapping->onEventChosen();
    EXPECT_TRUE(settings.values.empty());
}

TEST_F(InputMappingTest, ReopeningPressesTheRememberedKeyAgain) {
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");
    open();
    EXPECT_THAT(pushedKeys(), ElementsAre(kPilot));
    EXPECT_EQ(categorySelection(), kLights);
    EXPECT_EQ(selectedEvent(), "STROBES_TOGGLE");

    // So "Clear" acts on the key the window shows, and a choice after it counts.
    mapping->onClear();
    EXPECT_EQ(stored(10), (Stored{kAbsent, kAbsent, kAbsent}));
    chooseEvent("FLAPS_UP");
    EXPECT_EQ(stored(10), (Stored{"0", "1", "10002"}));
}

TEST_F(InputMappingTest, ANewRunRemembersNoKey) {
    press(kPilot);
    current = CurrentKey{};
    open();
    EXPECT_THAT(pushedKeys(), IsEmpty());
    EXPECT_THAT(controls->items(im::kCategoryList), IsEmpty());
}

TEST_F(InputMappingTest, IdsOutsideTheKeysAreNotKeys) {
    mapping->onKeyButton(im::kFirstKey - 1);
    mapping->onKeyButton(im::kLastKey + 1);
    EXPECT_THAT(controls->items(im::kCategoryList), IsEmpty());
    EXPECT_EQ(current.control, 0);
}

}  // namespace
}  // namespace brelvik
