#include "settings/platform_settings.h"

#include "settings/registry_settings_store.h"

namespace brelvik {

std::unique_ptr<SettingsStore> openPlatformSettingsStore() {
    return std::make_unique<RegistrySettingsStore>(kRegistryProfileKey);
}

}  // namespace brelvik
