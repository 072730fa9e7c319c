#include "tablet/pending_datagram.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace brelvik {

PendingDatagram peekPendingDatagram(std::intptr_t nativeSocket) {
    char byte = 0;
    const ssize_t n = ::recv(static_cast<int>(nativeSocket), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return PendingDatagram::Data;
    if (n == 0) return PendingDatagram::Empty;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return PendingDatagram::Nothing;
    return PendingDatagram::Error;
}

std::optional<TruncatedDatagram> receiveTruncated(std::intptr_t nativeSocket, char* buffer, std::size_t capacity) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(static_cast<int>(nativeSocket), buffer, capacity, MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return TruncatedDatagram{static_cast<std::size_t>(n), text};
}

int lastSocketErrorNumber() { return errno; }

}  // namespace brelvik
