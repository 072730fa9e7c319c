// The 50 ms timer on a steady-clock schedule, with the clock in the test's hand.
#include <gtest/gtest.h>

#include "base/tick_schedule.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using Clock = TickSchedule::Clock;

TEST(TickSchedule, LateTicksKeepTheRateAndAStallSkipsWhatItMissed) {
    const Clock::time_point t0{};
    TickSchedule schedule;
    schedule.start(t0, 50ms);
    EXPECT_EQ(schedule.due(), t0 + 50ms);

    // Fired 7 ms late: the next is still due at 100 ms, not 107.
    EXPECT_EQ(schedule.onTick(t0 + 57ms), 43ms);
    EXPECT_EQ(schedule.due(), t0 + 100ms);
    // A wait that is not whole milliseconds is rounded up, never to zero.
    EXPECT_EQ(schedule.onTick(t0 + 100ms + 400us), 50ms);
    EXPECT_EQ(schedule.onTick(t0 + 200ms - 1us), 1ms);

    // Held until 380 ms: the ticks due at 250 to 350 are skipped, one tick comes at 400.
    EXPECT_EQ(schedule.onTick(t0 + 380ms), 20ms);
    EXPECT_EQ(schedule.due(), t0 + 400ms);
    // Exactly on time at a due point: the next, a whole period on.
    EXPECT_EQ(schedule.onTick(t0 + 400ms), 50ms);

    // Twenty ticks a second over a minute, each fired 0-9 ms late.
    schedule.start(t0, 50ms);
    Clock::time_point now = t0;
    int ticks = 0;
    while (schedule.due() < t0 + 60s) {
        now = schedule.due() + std::chrono::milliseconds(ticks % 10);
        schedule.onTick(now);
        ++ticks;
    }
    EXPECT_EQ(ticks, 1199);
}

}  // namespace
}  // namespace brelvik
