// Just enough flight for a demonstration: the aircraft turns with its bank,
// climbs with its vertical speed, moves over the ground, burns fuel and the
// clock runs. With the autopilot master on it turns to the heading bug and climbs
// or descends to the altitude target; otherwise the yoke (and a slow wander of
// the wings when the yoke is centred) flies it.
#pragma once

#include "tools/benchsim/variable_store.h"

namespace brelvik::benchsim {

class FlightModel {
public:
    // Moves the simulation on by `seconds` of simulated time.
    void advance(VariableStore& store, double seconds);

private:
    void step(VariableStore& store, double dt);
    double elapsed_ = 0;
};

}  // namespace brelvik::benchsim
