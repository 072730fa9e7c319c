#include "settings/platform_settings.h"

#include "settings/ini_settings_store.h"

namespace brelvik {

std::unique_ptr<SettingsStore> openPlatformSettingsStore() {
    return std::make_unique<IniSettingsStore>(defaultSettingsFile());
}

}  // namespace brelvik
