// On Windows the simulator normally runs on this PC: its named pipe, then the
// TCP port FSX records in the registry. A SimConnect.cfg beside brelvik.exe or
// in the user's Documents folder names another.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>

#include "base/utf_text_win32.h"

#include <cstdlib>

#include "simconnect/client_config.h"

namespace brelvik::standin {
namespace {

// Where MSFS, and FSX and Prepar3D for clients of their generation, listen.
constexpr char kSimulatorPipe[] = "Microsoft Flight Simulator\\SimConnect";

}  // namespace

bool pipesSupported() { return true; }

std::vector<std::string> configFolders() {
    std::vector<std::string> folders;
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length > 0 && length < path.size()) {
        path.resize(length);
        const auto slash = path.find_last_of(L"\\/");
        if (slash != std::wstring::npos) folders.push_back(brelvik::utf8Text(path.substr(0, slash)));
    }
    wchar_t documents[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) {
        folders.push_back(brelvik::utf8Text(documents));
    }
    return folders;
}

std::vector<SimulatorTarget> localTargets() {
    std::vector<SimulatorTarget> targets;
    // A tester's bench simulator on this PC or another.
    const char* address = std::getenv("BRELVIK_SIM_ADDRESS");
    if (address != nullptr && *address != '\0') {
        if (auto target = parseAddress(address)) return {*target};
    }
    targets.push_back({SimulatorTarget::Transport::Pipe, "", kSimulatorPipe});
    // FSX writes the port of its TCP listener here; MSFS writes none.
    wchar_t value[32] = {};
    DWORD size = sizeof value - sizeof value[0];
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Microsoft Games\\Flight Simulator",
                       L"SimConnect_Port_IPv4", RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) {
        const std::string port = brelvik::utf8Text(value);
        if (!port.empty()) targets.push_back({SimulatorTarget::Transport::Ipv4, "127.0.0.1", port});
    }
    // Last, the bench simulator, for trying Brelvik without a simulator.
    targets.push_back({SimulatorTarget::Transport::Ipv4, "127.0.0.1", "15690"});
    return targets;
}

}  // namespace brelvik::standin
