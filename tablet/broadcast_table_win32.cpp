#include "tablet/broadcast_table.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstdlib>

namespace brelvik {

std::optional<std::vector<AdapterAddress>> queryAdapterAddresses() {
    ULONG size = sizeof(IP_ADAPTER_INFO);
    auto* info = static_cast<IP_ADAPTER_INFO*>(std::malloc(size));
    if (info == nullptr) return std::nullopt;
    if (GetAdaptersInfo(info, &size) == ERROR_BUFFER_OVERFLOW) {
        std::free(info);
        info = static_cast<IP_ADAPTER_INFO*>(std::malloc(size));
        if (info == nullptr) return std::nullopt;
    }
    if (GetAdaptersInfo(info, &size) != NO_ERROR) {
        std::free(info);
        return std::nullopt;
    }
    std::vector<AdapterAddress> adapters;
    for (const IP_ADAPTER_INFO* it = info; it != nullptr; it = it->Next) {
        adapters.push_back({it->IpAddressList.IpAddress.String, it->IpAddressList.IpMask.String});
    }
    std::free(info);
    return adapters;
}

}  // namespace brelvik
