// A periodic timer held to the steady clock: each tick is due a whole period
// after the one before it was due, not after it fired, so a late tick does not
// push the rest back and the rate stays what was asked. Ticks missed while the
// loop was held (a blocking panel search) are skipped, never caught up in a
// burst: a tick asks the simulator for the latest sample, and a burst would
// only ask again for what is already on its way.
#pragma once

#include <chrono>

namespace brelvik {

class TickSchedule {
public:
    using Clock = std::chrono::steady_clock;

    void start(Clock::time_point now, std::chrono::milliseconds period) {
        period_ = period.count() > 0 ? period : std::chrono::milliseconds(1);
        due_ = now + period_;
    }

    // The tick due at due() fired at `now`: the wait until the next one, at
    // least a millisecond.
    std::chrono::milliseconds onTick(Clock::time_point now) {
        due_ += period_;
        if (due_ <= now) due_ += period_ * ((now - due_) / period_ + 1);
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due_ - now);
        return wait.count() > 0 ? wait : std::chrono::milliseconds(1);
    }

    Clock::time_point due() const { return due_; }

private:
    std::chrono::milliseconds period_{1};
    Clock::time_point due_{};
};

}  // namespace brelvik
