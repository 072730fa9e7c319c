#include "settings/registry_settings_store.h"

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace brelvik {
namespace {

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(std::string profileKey) : profileKey_(std::move(profileKey)) {}

std::string RegistrySettingsStore::sectionKey(const std::string& section) const {
    return profileKey_ + "\\" + section;
}

std::optional<std::string> RegistrySettingsStore::read(const std::string& section, const std::string& key) const {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, sectionKey(section).c_str(), 0, KEY_QUERY_VALUE, &handle) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    // Another program may change the value between asking its size and reading it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(handle, key.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            !isStringType(type)) {
            break;
        }
        std::vector<char> data(static_cast<std::size_t>(size) + 1, '\0');
        DWORD got = size;
        const LONG status =
            RegQueryValueExA(handle, key.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &got);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || !isStringType(type)) break;
        // A stored string need not carry its terminator, and may carry more than one.
        std::string text(data.data(), got <= size ? got : size);
        const std::size_t end = text.find('\0');
        if (end != std::string::npos) text.resize(end);
        result = std::move(text);
        break;
    }
    RegCloseKey(handle);
    return result;
}

void RegistrySettingsStore::write(const std::string& section, const std::string& key,
                                  const std::optional<std::string>& value) {
    HKEY handle = nullptr;
    if (value) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, sectionKey(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
            return;
        }
        RegSetValueExA(handle, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
    } else {
        // Deleting never creates the section's key.
        if (RegOpenKeyExA(HKEY_CURRENT_USER, sectionKey(section).c_str(), 0, KEY_SET_VALUE, &handle) !=
            ERROR_SUCCESS) {
            return;
        }
        RegDeleteValueA(handle, key.c_str());
    }
    RegCloseKey(handle);
}

}  // namespace brelvik
