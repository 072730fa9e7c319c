// The bench simulator's command language: one command per line in, reply lines
// out. Reports of what clients do come from the simulator's report sink, not
// from here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/benchsim/bench_simulator.h"

namespace brelvik::benchsim {

class ControlChannel {
public:
    explicit ControlChannel(BenchSimulator& simulator) : simulator_(simulator) {}

    // Runs one command; the reply lines ("value ...", "error ...", ...).
    std::vector<std::string> execute(std::string_view line);
    bool exitRequested() const { return exit_; }

private:
    BenchSimulator& simulator_;
    bool exit_ = false;
};

// The text of "benchsim --help": options, commands and reports.
const char* helpText();

}  // namespace brelvik::benchsim
