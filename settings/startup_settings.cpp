#include "settings/startup_settings.h"

#include "base/control_ids.h"
#include "base/text_numbers.h"

namespace brelvik {
namespace {

bool isAbsent(const std::optional<std::string>& value) { return !value || value->empty(); }

std::optional<std::string> readCheckBox(const SettingsStore& store, const char* key) {
    return store.read(setting::kCheckBoxSection, key);
}

// Replaces `target` with the stored byte when the key is present and not empty.
void loadByte(const SettingsStore& store, const char* section, const char* key, std::uint8_t& target) {
    const auto value = store.read(section, key);
    if (!isAbsent(value)) target = settingByte(value);
}

}  // namespace

std::string buttonComIndexKey(int slot) { return formatText(setting::kButtonComIndexFormat, slot); }
std::string buttonListIndexKey(int slot) { return formatText(setting::kButtonListIndexFormat, slot); }
std::string buttonEventKey(int slot) { return formatText(setting::kButtonEventFormat, slot); }

int settingNumber(const std::optional<std::string>& value) { return value ? leadingInt(*value) : 0; }

std::uint8_t settingByte(const std::optional<std::string>& value) {
    const int number = settingNumber(value);
    if (number < 0) return 0;
    if (number > 255) return 255;
    return static_cast<std::uint8_t>(number);
}

void loadCheckBoxSettings(SettingsStore& store, Controls& controls) {
    const auto sendCtrl = readCheckBox(store, setting::kSendCtrlCheck);
    const auto reconnect = readCheckBox(store, setting::kReconnectCheck);
    const auto master = readCheckBox(store, setting::kMasterCheck);
    const auto autoPanel = readCheckBox(store, setting::kAutoPanelConn);
    const auto syncBaro = readCheckBox(store, setting::kSyncBaro);

    if (isAbsent(sendCtrl) && isAbsent(reconnect) && isAbsent(master)) {
        controls.setChecked(ids::kSendSimOperations, true);
        controls.setChecked(ids::kTabletAutoConnect, true);
        controls.setChecked(ids::kSyncAutopilotMaster, true);
        storeCheckBox(store, setting::kSendCtrlCheck, true);
        storeCheckBox(store, setting::kReconnectCheck, true);
        storeCheckBox(store, setting::kMasterCheck, true);
    } else {
        controls.setChecked(ids::kSendSimOperations, settingNumber(sendCtrl) != 0);
        controls.setChecked(ids::kTabletAutoConnect, settingNumber(reconnect) != 0);
        controls.setChecked(ids::kSyncAutopilotMaster, settingNumber(master) != 0);
        controls.setChecked(ids::kPanelAutoConnect, settingNumber(autoPanel) != 0);
    }
    controls.setChecked(ids::kSyncBaro, settingNumber(syncBaro) != 0);
}

void storeCheckBox(SettingsStore& store, const char* key, bool checked) {
    store.write(setting::kCheckBoxSection, key, std::string(checked ? "1" : "0"));
}

CalibrationValues loadCalibration(const SettingsStore& store) {
    CalibrationValues values;
    loadByte(store, setting::kFlapLeverSection, setting::kFlapsLeverMin, values.flapsLeverMin);
    loadByte(store, setting::kFlapLeverSection, setting::kFlapsLeverMax, values.flapsLeverMax);

    const auto up = store.read(setting::kFlapIndicatorSection, setting::kFlapsIndUp);
    const auto down = store.read(setting::kFlapIndicatorSection, setting::kFlapsIndDown);
    if (!isAbsent(up) || !isAbsent(down)) {
        values.flapsIndUp = settingByte(up);
        values.flapsIndDown = settingByte(down);
    }

    const auto compass = store.read(setting::kCompassSection, setting::kCompassValue);
    if (!isAbsent(compass)) values.compassValue = settingNumber(compass);
    values.compassReverse = settingNumber(store.read(setting::kCompassSection, setting::kCompassReverse)) != 0;

    for (const auto& knob : kKnobRangeKeys) loadByte(store, setting::kKnobSection, knob.key, values.*knob.field);
    return values;
}

GaugeSelection loadGaugeSelection(const SettingsStore& store) {
    GaugeSelection selection;
    for (const auto& gauge : kGaugeKeys) {
        const auto value = store.read(setting::kGaugeSection, gauge.key);
        selection.*gauge.flag = settingNumber(value ? value : std::optional<std::string>(gauge.defaultValue)) != 0;
    }
    return selection;
}

void storeGaugeSelection(SettingsStore& store, const GaugeSelection& selection) {
    for (const auto& gauge : kGaugeKeys) {
        store.write(setting::kGaugeSection, gauge.key, std::string(selection.*gauge.flag ? "1" : "0"));
    }
}

}  // namespace brelvik
