// Setting numbers and the start-up load of check boxes, calibration and gauges.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "base/control_ids.h"
#include "settings/ini_settings_store.h"
#include "settings/startup_settings.h"
#include "unit/settings_folder.h"


namespace {

namespace fs = std::filesystem;
using brelvik::IniSettingsStore;
using brelvik::testing::CheckBoxControls;
using brelvik::testing::SettingsFolder;



// ---------------------------------------------------------------- numbers

class SettingNumber : public ::testing::TestWithParam<std::tuple<std::optional<std::string>, int, int>> {};

TEST_P(SettingNumber, ReadsLeadingDigitsAndClampsBytes) {
    const auto& [text, number, byte] = GetParam();
    EXPECT_EQ(brelvik::settingNumber(text), number);
    EXPECT_EQ(brelvik::settingByte(text), byte);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingNumber,
    ::testing::Values(std::make_tuple(std::optional<std::string>(), 0, 0), std::make_tuple(std::optional<std::string>(""), 0, 0),
                      std::make_tuple(std::optional<std::string>("abc"), 0, 0),
                      std::make_tuple(std::optional<std::string>("-5"), -5, 0),
                      std::make_tuple(std::optional<std::string>("+7"), 7, 7),
                      std::make_tuple(std::optional<std::string>(" 12x"), 12, 12),
                      std::make_tuple(std::optional<std::string>("255"), 255, 255),
                      std::make_tuple(std::optional<std::string>("256"), 256, 255),
                      std::make_tuple(std::optional<std::string>("99999999999"), INT_MAX, 255)));

// ---------------------------------------------------------------- start-up load

// Boxes 1004, 1005, 1006, 1007, 1239 after the load; -1: never set.
struct CheckBoxCase {
    const char* name;
    std::map<std::string, std::string> stored;
    std::vector<int> boxes;
    bool firstRunWrite;
};
void PrintTo(const CheckBoxCase& c, std::ostream* os) { *os << c.name; }


class CheckBoxLoad : public SettingsFolder, public ::testing::WithParamInterface<CheckBoxCase> {};

TEST_P(CheckBoxLoad, SetsTheBoxesFromTheStoredNumbers) {
    const auto& c = GetParam();
    {
        IniSettingsStore seed(file_);
        for (const auto& [key, value] : c.stored) seed.write("B_keyCheck", key, value);
    }
    IniSettingsStore store(file_);
    CheckBoxControls controls;
    brelvik::loadCheckBoxSettings(store, controls);

    const int ids[] = {1004, 1005, 1006, 1007, 1239};
    for (int i = 0; i < 5; ++i) {
        const auto it = controls.checked.find(ids[i]);
        const int actual = it == controls.checked.end() ? -1 : it->second;
        EXPECT_EQ(actual, c.boxes[i]) << "box " << ids[i];
    }
    IniSettingsStore reopened(file_);
    for (const char* key : {"SendCtrlCheck", "ReconnectCheck", "MasterCheck"}) {
        const auto stored = c.stored.find(key);
        const auto expected = c.firstRunWrite ? std::optional<std::string>("1")
                              : stored == c.stored.end() ? std::nullopt
                                                         : std::optional<std::string>(stored->second);
        EXPECT_EQ(reopened.read("B_keyCheck", key), expected) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, CheckBoxLoad,
    ::testing::Values(
        CheckBoxCase{"FirstRun", {}, {1, 1, 1, 0, -1}, true},
        CheckBoxCase{"FirstRunKeepsPanelAutoConnectAndReadsSyncBaro",
                     {{"SendCtrlCheck", ""}, {"ReconnectCheck", ""}, {"AutoPanelConn", "1"}, {"SyncBaro", "1"}},
                     {1, 1, 1, 1, -1},
                     true},
        CheckBoxCase{"SendCtrlZeroAloneIsNoFirstRun", {{"SendCtrlCheck", "0"}}, {0, 0, 0, 0, 0}, false},
        CheckBoxCase{"NonNumericIsNoFirstRun", {{"MasterCheck", "abc"}}, {0, 0, 0, 0, 0}, false},
        CheckBoxCase{"StoredStates",
                     {{"SendCtrlCheck", "1"},
                      {"ReconnectCheck", "0"},
                      {"MasterCheck", "2"},
                      {"AutoPanelConn", "1"},
                      {"SyncBaro", "0"}},
                     {1, 0, 1, 0, 1},
                     false}),
    [](const ::testing::TestParamInfo<CheckBoxCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFolder, StoreCheckBoxWritesZeroOrOne) {
    IniSettingsStore store(file_);
    brelvik::storeCheckBox(store, brelvik::setting::kSyncBaro, true);
    brelvik::storeCheckBox(store, brelvik::setting::kReconnectCheck, false);
    IniSettingsStore reopened(file_);
    EXPECT_EQ(reopened.read("B_keyCheck", "SyncBaro"), "1");
    EXPECT_EQ(reopened.read("B_keyCheck", "ReconnectCheck"), "0");
}

std::string describe(const brelvik::CalibrationValues& v) {
    std::ostringstream out;
    out << "lever " << int(v.flapsLeverMin) << "-" << int(v.flapsLeverMax) << ", indicator " << int(v.flapsIndUp)
        << "/" << int(v.flapsIndDown) << ", compass " << v.compassValue << (v.compassReverse ? " reversed" : "")
        << ", knobs " << int(v.switchPanelKnobMin) << "-" << int(v.switchPanelKnobMax) << " "
        << int(v.standbyKnobMin) << "-" << int(v.standbyKnobMax) << " " << int(v.pedestalKnobMin) << "-"
        << int(v.pedestalKnobMax) << " " << int(v.avionicsKnobMin) << "-" << int(v.avionicsKnobMax);
    return out.str();
}

struct CalibrationCase {
    const char* name;
    std::vector<std::tuple<std::string, std::string, std::string>> stored;  // section, key, value
    const char* expected;
};
void PrintTo(const CalibrationCase& c, std::ostream* os) { *os << c.name; }


class CalibrationLoad : public SettingsFolder, public ::testing::WithParamInterface<CalibrationCase> {};

TEST_P(CalibrationLoad, ReplacesStartValuesWithStoredOnes) {
    {
        IniSettingsStore seed(file_);
        for (const auto& [section, key, value] : GetParam().stored) seed.write(section, key, value);
    }
    EXPECT_EQ(describe(brelvik::loadCalibration(IniSettingsStore(file_))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, CalibrationLoad,
    ::testing::Values(
        CalibrationCase{"FirstRun", {}, "lever 50-200, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"IndicatorUpWithoutDown",
                        {{"C_FlapIndValue", "flapsInd_Up", "40"}},
                        "lever 50-200, indicator 40/0, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"IndicatorDownWithEmptyUp",
                        {{"C_FlapIndValue", "flapsInd_Up", ""}, {"C_FlapIndValue", "flapsInd_Down", "30"}},
                        "lever 50-200, indicator 0/30, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"IndicatorBothEmptyKeepsStart",
                        {{"C_FlapIndValue", "flapsInd_Up", ""}, {"C_FlapIndValue", "flapsInd_Down", ""}},
                        "lever 50-200, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"LeverEmptyKeepsStartNonNumericReadsZero",
                        {{"C_FlapLeverValue", "flapsLeverMin", ""}, {"C_FlapLeverValue", "flapsLeverMax", "abc"}},
                        "lever 50-0, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"BytesOutOfRangeAreClamped",
                        {{"C_FlapLeverValue", "flapsLeverMin", "-5"}, {"C_FlapLeverValue", "flapsLeverMax", "300"}},
                        "lever 0-255, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"CompassNegativeAndReverseNonZero",
                        {{"C_Compass", "compassValue", "-123"}, {"C_Compass", "compassReverse", "2"}},
                        "lever 50-200, indicator 125/125, compass -123 reversed, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"CompassReverseZero",
                        {{"C_Compass", "compassReverse", "0"}},
                        "lever 50-200, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"AllEightKnobKeys",
                        {{"I_KONBVALUE", "sw/cbMinValue", "1"},
                         {"I_KONBVALUE", "sw/cbMaxValue", "2"},
                         {"I_KONBVALUE", "stbyMinValue", "3"},
                         {"I_KONBVALUE", "stbyMaxValue", "4"},
                         {"I_KONBVALUE", "pedestalMinValue", "5"},
                         {"I_KONBVALUE", "pedestalMaxValue", "6"},
                         {"I_KONBVALUE", "avionicsMinValue", "7"},
                         {"I_KONBVALUE", "avionicsMaxValue", "8"}},
                        "lever 50-200, indicator 125/125, compass 0, knobs 1-2 3-4 5-6 7-8"}),
    [](const ::testing::TestParamInfo<CalibrationCase>& info) { return std::string(info.param.name); });

std::string onFlags(const brelvik::GaugeSelection& selection) {
    std::string out;
    for (const auto& gauge : brelvik::kGaugeKeys) {
        if (selection.*gauge.flag) out += std::string(out.empty() ? "" : " ") + gauge.key;
    }
    return out;
}

TEST_F(SettingsFolder, GaugeSelectionDefaultsToIasAttAlt) {
    EXPECT_EQ(onFlags(brelvik::loadGaugeSelection(IniSettingsStore(file_))), "G_IAS G_ATT G_ALT");
}

TEST_F(SettingsFolder, GaugeSelectionPresentKeysReadAsNumbersEvenWhenEmpty) {
    {
        IniSettingsStore seed(file_);
        seed.write("CfgGauge", "G_IAS", "");
        seed.write("CfgGauge", "G_ATT", "0");
        seed.write("CfgGauge", "G_RPME", "5");
        seed.write("CfgGauge", "G_WIND", "abc");
    }
    EXPECT_EQ(onFlags(brelvik::loadGaugeSelection(IniSettingsStore(file_))), "G_ALT G_RPME");
}

TEST_F(SettingsFolder, GaugeSelectionIsStoredInListedOrderAndReadBack) {
    brelvik::GaugeSelection selection;
    selection.ias = false;
    selection.slip = true;
    selection.oilTemp = true;
    selection.rpme = true;
    {
        IniSettingsStore store(file_);
        brelvik::storeGaugeSelection(store, selection);
    }
    EXPECT_EQ(onFlags(brelvik::loadGaugeSelection(IniSettingsStore(file_))), "G_ATT G_ALT G_SLIP G_OILTEMP G_RPME");
    EXPECT_EQ(fileText(),
              "[CfgGauge]\nG_IAS=0\nG_ATT=1\nG_ALT=1\nG_SLIP=1\nG_HDG=0\nG_VS=0\nG_RPM=0\nG_NAV1=0\nG_NAV2=0\n"
              "G_ADF=0\nG_FQTY=0\nG_FFLOW=0\nG_EGT=0\nG_AMP=0\nG_OILPRESS=0\nG_OILTEMP=1\nG_GPS=0\nG_TRK=0\n"
              "G_WIND=0\nG_MPR=0\nG_RPME=1\n");
}

}  // namespace
