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

std::wstring moduleFile(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

const char kConsequence[] =
    " The simulator stays \"Not connected\"; the tablet and the panels are served as usual. Put the "
    "simulator's SimConnect.dll beside brelvik.exe (or install the simulator's SimConnect client) and start "
    "Brelvik again.";

std::string tryLoad(const std::string& folder) {
    Loaded& state = loaded();
    const std::wstring besideFolder = folder.empty() ? executableFolder() : brelvik::wideText(folder);
    const std::wstring beside = besideFolder + L"\\SimConnect.dll";
    // Beside the executable first, then wherever the system finds it.
    HMODULE module = ::LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) module = ::LoadLibraryW(L"SimConnect.dll");
    if (module == nullptr) {
        const DWORD error = ::GetLastError();
        return "SimConnect.dll could not be loaded (error " + std::to_string(error) + "): it was looked for beside " +
               "brelvik.exe (" + brelvik::utf8Text(beside) + ") and on the system's search path." + kConsequence;
    }
    std::string missing;
    std::array<void*, kProcedureNames.size()> procedures{};
    for (std::size_t i = 0; i < kProcedureNames.size(); ++i) {
        procedures[i] = reinterpret_cast<void*>(::GetProcAddress(module, kProcedureNames[i]));
        if (procedures[i] == nullptr) missing += (missing.empty() ? "" : ", ") + std::string(kProcedureNames[i]);
    }
    if (!missing.empty()) {
        const std::string file = brelvik::utf8Text(moduleFile(module));
        ::FreeLibrary(module);
        return "The SimConnect.dll found at " + file + " lacks " + missing + "." + kConsequence;
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
