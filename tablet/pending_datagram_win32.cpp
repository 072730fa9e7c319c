#include "tablet/pending_datagram.h"

#include <winsock2.h>

namespace brelvik {

PendingDatagram peekPendingDatagram(std::intptr_t nativeSocket) {
    char byte = 0;
    const int n = ::recv(static_cast<SOCKET>(nativeSocket), &byte, 1, MSG_PEEK);
    if (n > 0) return PendingDatagram::Data;
    if (n == 0) return PendingDatagram::Empty;
    const int error = WSAGetLastError();
    if (error == WSAEMSGSIZE) return PendingDatagram::Data;  // a longer datagram than the peek buffer
    if (error == WSAEWOULDBLOCK) return PendingDatagram::Nothing;
    return PendingDatagram::Error;
}

}  // namespace brelvik
