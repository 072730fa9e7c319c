#include "sim/simulator_library.h"

#include "simconnect/client_config.h"

namespace brelvik {

// The client is linked into the program: nothing to load, but a SimConnect.cfg
// that names no simulator it can reach is worth saying once.
std::string loadSimulatorLibrary() {
    std::string problem;
    standin::simulatorTargets(0xFFFFFFFFu, problem);
    if (problem.empty()) return {};
    return problem + " The simulator stays \"Not connected\"; the tablet and the panels are served as usual.";
}

}  // namespace brelvik
