// The simulator's client library as the program finds it at start-up. Linked
// in on Linux (our stand-in); on Windows the simulator's own SimConnect.dll is
// loaded at run time, and may be missing.
#pragma once

#include <string>

namespace brelvik {

// Loads the library once. Empty on success; otherwise a text for the user
// saying what is missing and where it was looked for. Without the library
// every simulator call fails, so the simulator stays "Not connected" while the
// tablet and the panels are served as usual.
std::string loadSimulatorLibrary();

}  // namespace brelvik
