#include "tablet/pending_datagram.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace brelvik {

PendingDatagram peekPendingDatagram(std::intptr_t nativeSocket) {
    char byte = 0;
    const int n = ::recv(static_cast<SOCKET>(nativeSocket), &byte, 1, MSG_PEEK);
    if (n > 0) return PendingDatagram::Data;
    if (n == 0) return PendingDatagram::Empty;
    const int error = WSAGetLastError();
    // Any datagram longer than the one-byte peek lands here; whether it also
    // exceeds the receive buffer is only known when it is read, so read it
    // ourselves and keep what fits.
    if (error == WSAEMSGSIZE) return PendingDatagram::Oversized;
    if (error == WSAEWOULDBLOCK) return PendingDatagram::Nothing;
    return PendingDatagram::Error;
}

std::optional<TruncatedDatagram> receiveTruncated(std::intptr_t nativeSocket, char* buffer, std::size_t capacity) {
    sockaddr_in from{};
    int fromLength = sizeof from;
    int n = ::recvfrom(static_cast<SOCKET>(nativeSocket), buffer, static_cast<int>(capacity), 0,
                       reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEMSGSIZE) return std::nullopt;
        n = static_cast<int>(capacity);  // the buffer was filled, the rest dropped
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return TruncatedDatagram{static_cast<std::size_t>(n), text};
}

int lastSocketErrorNumber() { return WSAGetLastError(); }

}  // namespace brelvik
