// A Linux cockpit computer has no simulator of its own: it reaches the
// simulator PC named in a SimConnect.cfg, else the bench simulator.
#include <unistd.h>

#include <cstdlib>

#include "simconnect/client_config.h"
#include "simconnect/standin.h"

namespace brelvik::standin {

bool pipesSupported() { return false; }

std::vector<std::string> configFolders() {
    std::vector<std::string> folders;
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        const std::string path(exe, static_cast<std::size_t>(n));
        const auto slash = path.rfind('/');
        if (slash != std::string::npos) folders.push_back(path.substr(0, slash));
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config != nullptr && *config == '/') {
        folders.push_back(std::string(config) + "/Brelvik");
    } else if (home != nullptr && *home != '\0') {
        folders.push_back(std::string(home) + "/.config/Brelvik");
    }
    return folders;
}

std::vector<SimulatorTarget> localTargets() {
    const char* address = std::getenv(kAddressVariable);
    auto target = parseAddress(address != nullptr && *address != '\0' ? address : kDefaultAddress);
    if (!target) return {};
    return {*target};
}

}  // namespace brelvik::standin
