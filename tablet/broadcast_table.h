// The addresses "ClientRequest" is broadcast to: one per IPv4 adapter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelvik {

inline constexpr std::size_t kMaxBroadcastAddresses = 32;

struct AdapterAddress {
    std::string address;  // dotted IPv4 text
    std::string mask;     // dotted IPv4 text
};

// The first IPv4 address of every adapter, in the system's list order;
// std::nullopt when the system cannot be asked.
std::optional<std::vector<AdapterAddress>> queryAdapterAddresses();

// address OR NOT mask per adapter, adapters at "0.0.0.0" skipped, at most 32;
// a failed query gives the limited broadcast address alone.
std::vector<std::string> buildBroadcastTable(const std::optional<std::vector<AdapterAddress>>& adapters);

}  // namespace brelvik
