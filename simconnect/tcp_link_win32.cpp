// On Windows the bridge uses the simulator vendor's own library; the stand-in
// keeps its in-process endpoint there but has no TCP link of its own.
#include "simconnect/connection.h"

namespace brelvik::standin {

std::unique_ptr<SimulatorLink> connectTcp(const char*) { return nullptr; }

}  // namespace brelvik::standin
