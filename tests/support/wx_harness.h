// Hosting real dialogs in a test process: a wx application without a main
// loop, a hook that answers every modal box (so a box fails a test instead of
// hanging it), and a pump that runs the event loop until a condition holds.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace brelvik::testing {

// A dialog a test's own hook names so is left to run its real modal loop.
inline constexpr const char* kRunModally = "brelvik-test-runs-modally";

// Texts of the modal boxes answered since the last clear.
std::vector<std::string>& answeredBoxes();

// Runs wx events (timers, sockets, clicks) until done() or the time is up.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
void pumpFor(std::chrono::milliseconds duration);

// A fresh settings folder for this test; returns its path.
std::string freshSettingsFolder();

}  // namespace brelvik::testing
