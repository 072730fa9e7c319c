#include "app/platform_settings.h"

#include "app/ini_settings_store.h"

namespace brelvik {

std::unique_ptr<SettingsStore> openPlatformSettingsStore() {
    return std::make_unique<IniSettingsStore>(defaultSettingsFile());
}

}  // namespace brelvik
