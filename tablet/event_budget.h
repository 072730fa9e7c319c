// Bounds what tablet datagrams can make the bridge send. Datagrams are taken
// from any host, with or without a connection, so one hostile datagram must not
// become tens of thousands of simulator events, and a flood of them must not
// swamp the simulator link or the tablet: each message has an allowance, and
// so has each simulator tick (20 per second while connected).
//
// The bounds sit far above what a real tablet needs: an ordinary "ServerAv" of
// about 25 fields with the tablet's autopilot engaged causes about 300 events,
// since the engage sequence is repeated for every field.
#pragma once

namespace brelvik {

class EventBudget {
public:
    static constexpr int kEventsPerMessage = 1000;
    static constexpr int kEventsPerTick = 1000;
    // Echoes go back to the tablet: a message has fewer than thirty keys that
    // can be echoed, each once.
    static constexpr int kEchoesPerMessage = 32;
    static constexpr int kEchoesPerTick = 64;

    // A new datagram begins.
    void startMessage() {
        messageEvents_ = kEventsPerMessage;
        messageEchoes_ = kEchoesPerMessage;
    }
    // A simulator tick: the per-tick allowance starts over (it never accumulates).
    void refill() {
        tickEvents_ = kEventsPerTick;
        tickEchoes_ = kEchoesPerTick;
    }
    // One simulator event or data write; false when it must be left out.
    bool takeEvent() { return take(messageEvents_, tickEvents_); }
    // One datagram back to the tablet.
    bool takeEcho() { return take(messageEchoes_, tickEchoes_); }

private:
    static bool take(int& message, int& tick) {
        if (message <= 0 || tick <= 0) return false;
        --message;
        --tick;
        return true;
    }

    int messageEvents_ = kEventsPerMessage;
    int messageEchoes_ = kEchoesPerMessage;
    int tickEvents_ = kEventsPerTick;
    int tickEchoes_ = kEchoesPerTick;
};

}  // namespace brelvik
