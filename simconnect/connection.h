// One client connection of the stand-in library: requests out, messages in.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/simconnect.h"
#include "simconnect/link.h"
#include "simconnect/standin.h"
#include "simconnect/wire.h"

namespace brelvik::standin {

class Connection {
public:
    explicit Connection(std::unique_ptr<SimulatorLink> link);

    // Sends one request built from `fields` (the part after operation and packet
    // number). False, sending nothing, once the connection has ended.
    bool send(wire::Op op, wire::ByteWriter& fields);

    // Hands every message that has arrived by now to `proc`, one call each, in
    // order. Messages that arrive while the callback runs wait for the next call,
    // so a callback that makes requests cannot keep one dispatch going forever.
    // When the stream broke without a quit message, a quit message is made up and
    // delivered last, so the caller reconnects as after a regular quit.
    void dispatch(DispatchProc proc, void* context);

    // Drops the link. Safe from inside the dispatch callback: the dispatch in
    // progress delivers nothing more.
    void close();

    // Open, transport intact and no quit delivered.
    bool usable() const { return !closed_ && !broken_ && !quitDelivered_; }

private:
    void deliver(const std::vector<std::uint8_t>& message, DispatchProc proc, void* context);

    std::unique_ptr<SimulatorLink> link_;
    wire::FrameReader reader_;
    std::uint32_t nextPacket_ = 1;
    bool broken_ = false;
    bool quitDelivered_ = false;
    bool closed_ = false;
};

}  // namespace brelvik::standin
