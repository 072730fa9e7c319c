// One client connection of the library: the open handshake, requests out,
// messages in.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim/simconnect.h"
#include "simconnect/link.h"
#include "simconnect/standin.h"
#include "simconnect/wire.h"

namespace brelvik::standin {

class Connection {
public:
    using Clock = std::chrono::steady_clock;
    // No message for this long while requests wait: the simulator is gone
    // (only where the link says silence means that).
    static constexpr std::chrono::seconds kSilenceLimit{3};

    Connection(std::unique_ptr<SimulatorLink> link, const wire::Protocol& protocol, std::string clientName);

    enum class Opening { Waiting, Open, VersionRefused, Failed };
    // Takes the next steps of the handshake without waiting: the link made,
    // the open request sent, the simulator's answer read. Open once its open
    // message has arrived; that message is the first the next dispatch hands
    // over. Waits at most `budgetMs` for the simulator, twice: a simulator on
    // this PC answers within that, so it connects in one call.
    Opening advanceOpen(int budgetMs);
    const wire::Protocol& protocol() const { return *protocol_; }

    // Sends one request with `fields` after its header. False, sending
    // nothing, once the connection has ended.
    bool send(wire::Op op, const wire::ByteWriter& fields);

    // Hands the messages that have arrived by now to `proc`, one call each, in
    // order, at most `limit` of them. Messages that arrive while the callback
    // runs wait for the next call, so a callback that makes requests cannot
    // keep one dispatch going for ever. False, delivering nothing, once the
    // stream has broken and every message before the break was handed over.
    bool dispatch(DispatchProc proc, void* context, std::size_t limit);

    // Drops the link. Safe from inside the dispatch callback: the dispatch in
    // progress delivers nothing more.
    void close();
    bool broken() const { return broken_; }

private:
    void readIncoming();
    bool acceptable(const std::vector<std::uint8_t>& message) const;

    std::unique_ptr<SimulatorLink> link_;
    const wire::Protocol* protocol_;
    std::string clientName_;
    wire::PacketReader reader_{wire::kMessageHeaderSize};
    std::deque<std::vector<std::uint8_t>> arrived_;
    std::uint32_t nextSendId_ = 1;  // 0 is the vendor's "unknown send id"
    bool openSent_ = false;
    bool opened_ = false;
    bool broken_ = false;
    bool closed_ = false;
    // Since when a request has waited with no message from the simulator.
    bool waiting_ = false;
    Clock::time_point waitingSince_{};
};

}  // namespace brelvik::standin
