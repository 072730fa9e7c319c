#include "app/platform_settings.h"

#include "app/registry_settings_store.h"

namespace brelvik {

std::unique_ptr<SettingsStore> openPlatformSettingsStore() {
    return std::make_unique<RegistrySettingsStore>(kRegistryProfileKey);
}

}  // namespace brelvik
