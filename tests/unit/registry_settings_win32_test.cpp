// The Windows settings store against the real registry (Wine's, in the tests):
// the same sections, keys and value texts as the INI store, in a throwaway
// profile key that the test removes again.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/control_ids.h"
#include "settings/registry_settings_store.h"
#include "settings/startup_settings.h"
#include "support/fakes.h"

namespace brelvik {
namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    RegistryStoreTest()
        : profile_("Software\\BrelvikTests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name()),
          store(profile_) {}
    ~RegistryStoreTest() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, profile_.c_str()); }

    std::string profile_;
    RegistrySettingsStore store;
};

TEST_F(RegistryStoreTest, KeepsKeysVerbatimMissingAndEmptyApartAndDeletes) {
    EXPECT_EQ(store.read("I_KONBVALUE", "sw/cbMinValue"), std::nullopt);
    store.write("I_KONBVALUE", "sw/cbMinValue", "17");
    store.write("L_buttonEvent", "button[3]Event", "");
    store.write("C_Compass", "compassValue", "-42");
    EXPECT_EQ(store.read("I_KONBVALUE", "sw/cbMinValue"), "17");
    EXPECT_EQ(store.read("L_buttonEvent", "button[3]Event"), "");
    EXPECT_EQ(RegistrySettingsStore(profile_).read("C_Compass", "compassValue"), "-42");

    store.write("L_buttonEvent", "button[3]Event", std::nullopt);
    EXPECT_EQ(store.read("L_buttonEvent", "button[3]Event"), std::nullopt);
    store.write("Nowhere", "nothing", std::nullopt);  // deleting never creates a section
    HKEY handle = nullptr;
    EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, (profile_ + "\\Nowhere").c_str(), 0, KEY_READ, &handle),
              ERROR_SUCCESS);
}

TEST_F(RegistryStoreTest, ValueOfAnotherTypeReadsAsMissing) {
    store.write("B_keyCheck", "SyncBaro", "1");
    HKEY handle = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, (profile_ + "\\B_keyCheck").c_str(), 0, KEY_SET_VALUE, &handle),
              ERROR_SUCCESS);
    const DWORD number = 1;
    ::RegSetValueExA(handle, "SyncBaro", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(handle);
    EXPECT_EQ(store.read("B_keyCheck", "SyncBaro"), std::nullopt);
}

TEST_F(RegistryStoreTest, FirstRunChecksTheTabletBoxesAndStoresThem) {
    testing::FakeControls controls;
    loadCheckBoxSettings(store, controls);
    EXPECT_TRUE(controls.isChecked(ids::kSendSimOperations));
    EXPECT_TRUE(controls.isChecked(ids::kTabletAutoConnect));
    EXPECT_TRUE(controls.isChecked(ids::kSyncAutopilotMaster));
    for (const char* key : {"SendCtrlCheck", "ReconnectCheck", "MasterCheck"}) {
        EXPECT_EQ(RegistrySettingsStore(profile_).read("B_keyCheck", key), "1") << key;
    }
}

}  // namespace
}  // namespace brelvik
