// Tablet audio-panel keys firing the simulator events the user mapped to them.
#include "settings/startup_settings.h"
#include "tablet/audio_panel_keys.h"
#include "unit/avionics_fixture.h"

namespace brelvik::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct KeyCase {
    int keyCode;
    int slot;
};

class AudioPanelKeyFiring : public AvionicsTableTest<KeyCase> {
protected:
    // Slot n is mapped to the light event 10716 + n, so the event names the slot.
    void mapEverySlot() {
        for (int slot = 0; slot < setting::kAudioSlotCount; ++slot) {
            settings.write(setting::kButtonListSection, buttonEventKey(slot), std::to_string(10716 + slot));
        }
    }
};

TEST_P(AudioPanelKeyFiring, KeyCodeFiresItsSlotsEvent) {
    mapEverySlot();
    serverAv("UKP=" + std::to_string(GetParam().keyCode));
    serverAv("UKM=" + std::to_string(GetParam().keyCode));
    const std::string fired =
        std::string("event ") + SimEventTable::name(static_cast<DWORD>(10716 + GetParam().slot)) + " 0 1";
    EXPECT_THAT(simReports(), ElementsAre(fired, fired));
}

INSTANTIATE_TEST_SUITE_P(AllSeventeen, AudioPanelKeyFiring,
                         ::testing::Values(KeyCase{46, 0}, KeyCase{48, 1}, KeyCase{54, 2}, KeyCase{114, 3},
                                           KeyCase{116, 4}, KeyCase{118, 5}, KeyCase{122, 6}, KeyCase{128, 7},
                                           KeyCase{134, 8}, KeyCase{136, 9}, KeyCase{138, 10}, KeyCase{140, 11},
                                           KeyCase{144, 12}, KeyCase{146, 13}, KeyCase{147, 14}, KeyCase{148, 15},
                                           KeyCase{149, 16}));

class AudioPanelKeyIgnored : public AvionicsTableTest<const char*> {};

TEST_P(AudioPanelKeyIgnored, FiresNothing) {
    for (int slot = 0; slot < setting::kAudioSlotCount; ++slot) {
        settings.write(setting::kButtonListSection, buttonEventKey(slot), "10716");
    }
    serverAv(GetParam());
    EXPECT_THAT(simReports(), IsEmpty());
}

// In range but no key, out of range, not a number.
INSTANTIATE_TEST_SUITE_P(Codes, AudioPanelKeyIgnored,
                         ::testing::Values("UKP=47", "UKP=55", "UKM=115", "UKP=45", "UKP=150", "UKP=-46", "UKP=x"));

TEST_F(AvionicsTest, KeyIsIgnoredWhileTheSimulatorIsNotConnected) {
    settings.write(setting::kButtonListSection, buttonEventKey(0), "10716");
    sim.connected = false;
    serverAv("UKP=46");
    EXPECT_THAT(simReports(), IsEmpty());
}

TEST_F(AvionicsTest, MappingIsReadAtEveryPress) {
    serverAv("UKP=46");  // not mapped yet
    settings.write(setting::kButtonListSection, buttonEventKey(0), "10716");
    serverAv("UKP=46");
    settings.write(setting::kButtonListSection, buttonEventKey(0), "10851");
    serverAv("UKP=46");
    settings.write(setting::kButtonListSection, buttonEventKey(0), "");
    serverAv("UKP=46");
    EXPECT_THAT(simReports(), ElementsAre("event STROBES_TOGGLE 0 1", "event ROTOR_BRAKE 0 1"));
}

// Regression: a damaged mapping read as event 0 and stepped the COM 1 frequency.
TEST_F(AvionicsTest, MappingThatNamesNoTableEventFiresNothing) {
    for (const char* stored : {"abc", "0", "25", "11092", "-10716"}) {
        settings.write(setting::kButtonListSection, buttonEventKey(0), stored);
        FireButtonEvent(0, sim, settings);
    }
    EXPECT_THAT(simReports(), IsEmpty());
}

}  // namespace
}  // namespace brelvik::testing
