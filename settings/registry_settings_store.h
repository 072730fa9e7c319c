// The settings store of the Windows build: string values in the per-user
// registry profile, one sub-key per section below the profile key.
//
// Every read and write goes straight to the registry; nothing is cached. Values
// are REG_SZ; a value of another type reads as missing. Failures are not
// reported: an unreadable value is missing, a failed write is ignored.
#pragma once

#include <optional>
#include <string>

#include "base/seams.h"

namespace brelvik {

// Below HKEY_CURRENT_USER.
inline constexpr char kRegistryProfileKey[] = "Software\\Local AppWizard-Generated Applications\\Brelvik";

class RegistrySettingsStore : public SettingsStore {
public:
    // profileKey: the path below HKEY_CURRENT_USER that holds the section sub-keys.
    explicit RegistrySettingsStore(std::string profileKey);

    std::optional<std::string> read(const std::string& section, const std::string& key) const override;
    void write(const std::string& section, const std::string& key,
               const std::optional<std::string>& value) override;

private:
    std::string sectionKey(const std::string& section) const;

    std::string profileKey_;
};

}  // namespace brelvik
