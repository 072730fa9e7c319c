// The receive socket's platform corner. wx reports a zero-length datagram
// exactly like a read error, and on Windows a datagram longer than the buffer
// fails the read instead of being cut, so the receive path asks the socket
// itself what waits before reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brelvik {

// Oversized: longer than a peek can take and reported as an error by the
// platform (Windows); read it with receiveTruncated().
enum class PendingDatagram { Data, Empty, Oversized, Nothing, Error };

PendingDatagram peekPendingDatagram(std::intptr_t nativeSocket);

struct TruncatedDatagram {
    std::size_t count;
    std::string sender;  // dotted IPv4 text
};
// Reads one datagram, keeping its first `capacity` bytes and dropping the rest.
std::optional<TruncatedDatagram> receiveTruncated(std::intptr_t nativeSocket, char* buffer, std::size_t capacity);

// The socket layer's error number for the last failed call on this thread.
int lastSocketErrorNumber();

}  // namespace brelvik
