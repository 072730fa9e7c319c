// What waits on a datagram socket, looked at without consuming it. wx reports a
// zero-length datagram exactly like a read error, so the receive path asks the
// socket itself before reading.
#pragma once

#include <cstdint>

namespace brelvik {

enum class PendingDatagram { Data, Empty, Nothing, Error };

PendingDatagram peekPendingDatagram(std::intptr_t nativeSocket);

}  // namespace brelvik
