// Reading what arrived on a descriptor in tests, bounded in time.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace brelvik::testing {

// Reads until `count` bytes came or nothing arrives for `quietMs`.
inline std::vector<std::uint8_t> readUpTo(int fd, std::size_t count, int quietMs = 1000) {
    std::vector<std::uint8_t> got;
    while (got.size() < count) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, quietMs) <= 0) break;
        std::uint8_t chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

}  // namespace brelvik::testing
