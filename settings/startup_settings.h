// Section and key names of every persistent setting, and the start-up load:
// check boxes of the main dialog, calibration values and the gauge selection.
// Numbers are stored as "%d" text and read back by their leading digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/seams.h"

namespace brelvik {

namespace setting {

// Main dialog check boxes and panel auto-connect bookkeeping.
inline constexpr char kCheckBoxSection[] = "B_keyCheck";
inline constexpr char kSendCtrlCheck[] = "SendCtrlCheck";      // box 1004
inline constexpr char kReconnectCheck[] = "ReconnectCheck";    // box 1005
inline constexpr char kMasterCheck[] = "MasterCheck";          // box 1006
inline constexpr char kAutoPanelConn[] = "AutoPanelConn";      // box 1239
inline constexpr char kSyncBaro[] = "SyncBaro";                // box 1007
inline constexpr char kAutoPanelConnFail[] = "AutoPanelConnFail";

inline constexpr char kGaugeSection[] = "CfgGauge";

inline constexpr char kFlapLeverSection[] = "C_FlapLeverValue";
inline constexpr char kFlapsLeverMin[] = "flapsLeverMin";
inline constexpr char kFlapsLeverMax[] = "flapsLeverMax";

inline constexpr char kFlapIndicatorSection[] = "C_FlapIndValue";
inline constexpr char kFlapsIndUp[] = "flapsInd_Up";
inline constexpr char kFlapsIndDown[] = "flapsInd_Down";

inline constexpr char kCompassSection[] = "C_Compass";
inline constexpr char kCompassValue[] = "compassValue";
inline constexpr char kCompassReverse[] = "compassReverse";

inline constexpr char kKnobSection[] = "I_KONBVALUE";
inline constexpr char kSwitchPanelKnobMin[] = "sw/cbMinValue";
inline constexpr char kSwitchPanelKnobMax[] = "sw/cbMaxValue";
inline constexpr char kStandbyKnobMin[] = "stbyMinValue";
inline constexpr char kStandbyKnobMax[] = "stbyMaxValue";
inline constexpr char kPedestalKnobMin[] = "pedestalMinValue";
inline constexpr char kPedestalKnobMax[] = "pedestalMaxValue";
inline constexpr char kAvionicsKnobMin[] = "avionicsMinValue";
inline constexpr char kAvionicsKnobMax[] = "avionicsMaxValue";

// Input mapping of the audio-panel slots 0-16.
inline constexpr int kAudioSlotCount = 17;
inline constexpr char kButtonComSection[] = "C_buttonEvent";
inline constexpr char kButtonListSection[] = "L_buttonEvent";
inline constexpr char kButtonComIndexFormat[] = "button[%d]ComIndex";  // in kButtonComSection
inline constexpr char kButtonListIndexFormat[] = "button[%d]ListIndex";  // in kButtonListSection
inline constexpr char kButtonEventFormat[] = "button[%d]Event";  // in kButtonListSection

}  // namespace setting

// Key names of one audio-panel slot.
std::string buttonComIndexKey(int slot);
std::string buttonListIndexKey(int slot);
std::string buttonEventKey(int slot);

// A stored number: leading whitespace, optional sign, then decimal digits;
// missing, empty or non-numeric text reads 0.
int settingNumber(const std::optional<std::string>& value);

// Sets boxes 1004-1007 and 1239 from "B_keyCheck" without running their click
// handlers. On first run (the first three keys all missing or empty) 1004-1006
// come up checked and "1" is written to their keys; 1239 keeps its state.
void loadCheckBoxSettings(SettingsStore& store, Controls& controls);

// Stores a main dialog check box state in "B_keyCheck" as "0" or "1".
void storeCheckBox(SettingsStore& store, const char* key, bool checked);

// Calibration of the panels, as the decoders and the simulator callback use it.
// The member initialisers are the start values used when nothing is stored.
struct CalibrationValues {
    std::uint8_t flapsLeverMin = 50;
    std::uint8_t flapsLeverMax = 200;
    std::uint8_t flapsIndUp = 125;
    std::uint8_t flapsIndDown = 125;
    std::int32_t compassValue = 0;
    bool compassReverse = false;
    std::uint8_t switchPanelKnobMin = 0;
    std::uint8_t switchPanelKnobMax = 0;
    std::uint8_t standbyKnobMin = 0;
    std::uint8_t standbyKnobMax = 0;
    std::uint8_t pedestalKnobMin = 0;
    std::uint8_t pedestalKnobMax = 0;
    std::uint8_t avionicsKnobMin = 0;
    std::uint8_t avionicsKnobMax = 0;
};

// The eight knob range keys of "I_KONBVALUE" and the fields they fill.
struct KnobRangeKey {
    const char* key;
    std::uint8_t CalibrationValues::*field;
};
inline constexpr KnobRangeKey kKnobRangeKeys[8] = {
    {setting::kSwitchPanelKnobMin, &CalibrationValues::switchPanelKnobMin},
    {setting::kSwitchPanelKnobMax, &CalibrationValues::switchPanelKnobMax},
    {setting::kStandbyKnobMin, &CalibrationValues::standbyKnobMin},
    {setting::kStandbyKnobMax, &CalibrationValues::standbyKnobMax},
    {setting::kPedestalKnobMin, &CalibrationValues::pedestalKnobMin},
    {setting::kPedestalKnobMax, &CalibrationValues::pedestalKnobMax},
    {setting::kAvionicsKnobMin, &CalibrationValues::avionicsKnobMin},
    {setting::kAvionicsKnobMax, &CalibrationValues::avionicsKnobMax},
};

// A stored byte value (0-255). Numbers outside the range are clamped to it, not
// wrapped: a hand-edited 256 must not turn into 0.
std::uint8_t settingByte(const std::optional<std::string>& value);

// Each key that is present and not empty replaces its start value. The flaps
// indicator points start at 125/125 only when both keys are missing or empty;
// otherwise a missing one reads 0.
CalibrationValues loadCalibration(const SettingsStore& store);

// Which segments of the gauge output line are sent, in the order of the line.
struct GaugeSelection {
    bool ias = true;
    bool att = true;
    bool alt = true;
    bool slip = false;
    bool hdg = false;
    bool vs = false;
    bool rpm = false;
    bool nav1 = false;
    bool nav2 = false;
    bool adf = false;
    bool fqty = false;
    bool fflow = false;
    bool egt = false;
    bool amp = false;
    bool oilPress = false;
    bool oilTemp = false;
    bool gps = false;
    bool trk = false;
    bool wind = false;
    bool mpr = false;
    bool rpme = false;
};

struct GaugeKey {
    const char* key;
    const char* defaultValue;  // used when the key is missing
    bool GaugeSelection::*flag;
};
inline constexpr int kGaugeCount = 21;
inline constexpr GaugeKey kGaugeKeys[kGaugeCount] = {
    {"G_IAS", "1", &GaugeSelection::ias},
    {"G_ATT", "1", &GaugeSelection::att},
    {"G_ALT", "1", &GaugeSelection::alt},
    {"G_SLIP", "0", &GaugeSelection::slip},
    {"G_HDG", "0", &GaugeSelection::hdg},
    {"G_VS", "0", &GaugeSelection::vs},
    {"G_RPM", "0", &GaugeSelection::rpm},
    {"G_NAV1", "0", &GaugeSelection::nav1},
    {"G_NAV2", "0", &GaugeSelection::nav2},
    {"G_ADF", "0", &GaugeSelection::adf},
    {"G_FQTY", "0", &GaugeSelection::fqty},
    {"G_FFLOW", "0", &GaugeSelection::fflow},
    {"G_EGT", "0", &GaugeSelection::egt},
    {"G_AMP", "0", &GaugeSelection::amp},
    {"G_OILPRESS", "0", &GaugeSelection::oilPress},
    {"G_OILTEMP", "0", &GaugeSelection::oilTemp},
    {"G_GPS", "0", &GaugeSelection::gps},
    {"G_TRK", "0", &GaugeSelection::trk},
    {"G_WIND", "0", &GaugeSelection::wind},
    {"G_MPR", "0", &GaugeSelection::mpr},
    {"G_RPME", "0", &GaugeSelection::rpme},
};

// A missing key takes its default; a present one, even empty, is read as a
// number (non-zero is on).
GaugeSelection loadGaugeSelection(const SettingsStore& store);
// Writes all 21 flags in the order above as "0" or "1".
void storeGaugeSelection(SettingsStore& store, const GaugeSelection& selection);

}  // namespace brelvik
