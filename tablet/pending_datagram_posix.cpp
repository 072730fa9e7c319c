#include "tablet/pending_datagram.h"

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

}  // namespace brelvik
