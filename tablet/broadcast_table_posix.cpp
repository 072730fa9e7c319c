#include "tablet/broadcast_table.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>

namespace brelvik {
namespace {

std::string dotted(const sockaddr* sa) {
    char text[INET_ADDRSTRLEN] = {};
    if (sa == nullptr) return "0.0.0.0";
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
    return text;
}

}  // namespace

std::optional<std::vector<AdapterAddress>> queryAdapterAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::vector<AdapterAddress> adapters;
    std::vector<std::string> seen;  // getifaddrs lists one entry per address: keep each adapter's first
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        const std::string name = it->ifa_name != nullptr ? it->ifa_name : "";
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
        seen.push_back(name);
        adapters.push_back({dotted(it->ifa_addr), dotted(it->ifa_netmask)});
    }
    freeifaddrs(list);
    return adapters;
}

}  // namespace brelvik
