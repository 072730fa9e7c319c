// What key events do to the bench simulator's variables.
#pragma once

#include <cstdint>
#include <string_view>

#include "tools/benchsim/variable_store.h"

namespace brelvik::benchsim {

// Applies the key event `name` (any case) with its data. False when the bench
// gives that event no effect; it is still a valid event and still reported.
bool applyKeyEvent(VariableStore& store, std::string_view name, std::int32_t data);

// A frequency in BCD as the radio "set" events carry it: five digits of tens of
// kilohertz (0x11825) or four without the leading 1 (0x1825), in MHz.
double radioBcdToMhz(std::uint32_t data);

}  // namespace brelvik::benchsim
