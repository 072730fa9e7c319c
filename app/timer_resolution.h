// What the program asks of the system so that its 50 ms timer keeps its rate.
#pragma once

namespace brelvik {

// For as long as the program runs. On Windows a 50 ms window timer otherwise
// follows the system clock's 15.6 ms tick, and Windows 11 gives a window that
// is hidden or covered (as Brelvik sits behind the simulator) no finer one:
// the process asks for a 1 ms resolution and to be exempt from that
// throttling. Nothing to ask elsewhere.
void keepTimersFine();

}  // namespace brelvik
