#include "app/timer_resolution.h"

namespace brelvik {

// Linux timers are not tied to a coarse clock tick: nothing to ask.
void keepTimersFine() {}

}  // namespace brelvik
