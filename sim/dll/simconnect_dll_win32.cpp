#include "sim/dll/simconnect_dll.h"

#include <windows.h>

#include "base/utf_text_win32.h"

#include <optional>

namespace brelvik::simdll {
namespace {

struct Loaded {
    HMODULE module = nullptr;
    std::array<void*, kProcedureNames.size()> procedures{};
    std::optional<std::string> problem;  // set once a load was tried
};

Loaded& loaded() {
    static Loaded state;
    return state;
}

std::wstring executableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);  // a long path: try again with room for it
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

const char kConsequence[] = " Brelvik uses its own SimConnect client instead.";

std::string errorText(DWORD error) {
    std::string text = "error " + std::to_string(error);
    if (error == ERROR_BAD_EXE_FORMAT) text += ": it is not a 64-bit Windows library";
    return text;
}

// Only the folder the user put it in: a SimConnect.dll in the current folder
// or on the search path may be anyone's.
std::string tryLoad(const std::string& folder) {
    Loaded& state = loaded();
    const std::wstring besideFolder = folder.empty() ? executableFolder() : brelvik::wideText(folder);
    const std::wstring beside = besideFolder + L"\\SimConnect.dll";
    if (::GetFileAttributesW(beside.c_str()) == INVALID_FILE_ATTRIBUTES) return {};  // the usual case
    const std::string named = "The SimConnect.dll beside brelvik.exe (" + brelvik::utf8Text(beside) + ")";
    HMODULE module = ::LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) return named + " cannot be used (" + errorText(::GetLastError()) + ")." + kConsequence;
    std::string missing;
    std::array<void*, kProcedureNames.size()> procedures{};
    for (std::size_t i = 0; i < kProcedureNames.size(); ++i) {
        procedures[i] = reinterpret_cast<void*>(::GetProcAddress(module, kProcedureNames[i]));
        if (procedures[i] == nullptr) missing += (missing.empty() ? "" : ", ") + std::string(kProcedureNames[i]);
    }
    if (!missing.empty()) {
        ::FreeLibrary(module);
        return named + " lacks " + missing + "." + kConsequence;
    }
    state.module = module;
    state.procedures = procedures;
    return {};
}

}  // namespace

std::string load(const std::string& folder) {
    Loaded& state = loaded();
    if (!state.problem) state.problem = tryLoad(folder);
    return *state.problem;
}

void* procedure(std::size_t index) {
    const Loaded& state = loaded();
    return index < state.procedures.size() ? state.procedures[index] : nullptr;
}

void unload() {
    Loaded& state = loaded();
    if (state.module != nullptr) ::FreeLibrary(state.module);
    state = Loaded{};
}

}  // namespace brelvik::simdll
