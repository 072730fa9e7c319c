#include "simconnect/client_config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "simconnect/standin.h"

namespace brelvik::standin {
namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A hand-edited file may be anything: only the first 64 KiB is read.
constexpr std::size_t kMaxConfigBytes = 64 << 10;

std::optional<std::string> readFile(const std::string& path) {
    // The path is UTF-8: a Documents folder under a user name like "Jürgen"
    // must open on Windows too, where a narrow name means the ANSI code page.
    const std::u8string utf8(path.begin(), path.end());
    std::ifstream in(std::filesystem::path(utf8), std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(kMaxConfigBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace

std::optional<SimulatorTarget> parseSimConnectCfg(std::string_view text, unsigned index, bool pipesAllowed,
                                                  std::string& problem) {
    const std::string wanted = "simconnect." + std::to_string(index);
    struct Section {
        bool found = false;
        std::string protocol, address, port;
    } plain, numbered;
    Section* current = nullptr;
    std::istringstream lines{std::string(text)};
    for (std::string raw; std::getline(lines, raw);) {
        const std::string_view line = trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string name = lower(trim(line.substr(1, close == std::string_view::npos ? 0 : close - 1)));
            current = name == "simconnect" ? &plain : name == wanted ? &numbered : nullptr;
            if (current != nullptr) current->found = true;
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        const std::string key = lower(trim(line.substr(0, equals)));
        const std::string value(trim(line.substr(equals + 1)));
        if (key == "protocol") current->protocol = lower(value);
        if (key == "address") current->address = value;
        if (key == "port") current->port = value;
    }
    const Section& s = numbered.found ? numbered : plain;
    if (!s.found) {
        problem = "it has no [SimConnect] or [" + std::string("SimConnect.") + std::to_string(index) + "] section";
        return std::nullopt;
    }
    SimulatorTarget target;
    if (s.protocol.empty() || s.protocol == "ipv4") {
        target.transport = SimulatorTarget::Transport::Ipv4;
        target.address = s.address.empty() ? "127.0.0.1" : s.address;
    } else if (s.protocol == "ipv6") {
        target.transport = SimulatorTarget::Transport::Ipv6;
        target.address = s.address.empty() ? "::1" : s.address;
    } else if (s.protocol == "pipe") {
        if (!pipesAllowed) {
            problem = "Protocol=Pipe reaches a simulator only on the same Windows PC; name the simulator PC with "
                      "Protocol=Ipv4, Address and Port instead";
            return std::nullopt;
        }
        target.transport = SimulatorTarget::Transport::Pipe;
    } else {
        problem = "Protocol=" + s.protocol + " is none of Ipv4, Ipv6 or Pipe";
        return std::nullopt;
    }
    if (s.port.empty()) {
        problem = "its section gives no Port";
        return std::nullopt;
    }
    target.port = s.port;
    if (target.transport != SimulatorTarget::Transport::Pipe) {
        char* end = nullptr;
        const unsigned long port = std::strtoul(target.port.c_str(), &end, 10);
        if (end == target.port.c_str() || *end != '\0' || port == 0 || port > 65535) {
            problem = "Port=" + target.port + " is not a TCP port number";
            return std::nullopt;
        }
    }
    return target;
}

std::optional<SimulatorTarget> parseAddress(std::string_view text) {
    SimulatorTarget target;
    std::size_t colon = 0;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
        target.transport = SimulatorTarget::Transport::Ipv6;
        target.address = std::string(text.substr(1, close - 1));
        colon = close + 1;
    } else {
        colon = text.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        target.address = std::string(text.substr(0, colon));
    }
    target.port = std::string(text.substr(colon + 1));
    if (target.address.empty() || target.port.empty()) return std::nullopt;
    return target;
}

std::string findSimConnectCfg() {
    for (const auto& folder : configFolders()) {
        const std::string path = folder + "/SimConnect.cfg";
        if (readFile(path)) return path;
    }
    return {};
}

std::vector<SimulatorTarget> simulatorTargets(unsigned configIndex, std::string& problem) {
    for (const auto& folder : configFolders()) {
        const std::string path = folder + "/SimConnect.cfg";
        const auto text = readFile(path);
        if (!text) continue;
        std::string why;
        const unsigned index = configIndex == 0xFFFFFFFFu ? 0 : configIndex;
        auto target = parseSimConnectCfg(*text, index, pipesSupported(), why);
        if (!target) {
            problem = path + " names no simulator Brelvik can reach: " + why + ".";
            return {};
        }
        return {*target};
    }
    return localTargets();
}

}  // namespace brelvik::standin
