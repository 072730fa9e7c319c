// The settings store the program runs with on this platform: the per-user
// registry profile on Windows, an INI file in the user's configuration folder
// elsewhere. Both keep the same sections, keys and value texts.
#pragma once

#include <memory>

#include "base/seams.h"

namespace brelvik {

std::unique_ptr<SettingsStore> openPlatformSettingsStore();

}  // namespace brelvik
