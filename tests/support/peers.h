// The peer stand-ins as the end-to-end tests start them.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "support/child_process.h"

namespace brelvik::testing {

// A frozen bench simulator, returned once it listens.
inline std::unique_ptr<ChildProcess> startBenchsim(std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), "--frozen");
    auto sim = std::make_unique<ChildProcess>(builtProgram("tools/benchsim/benchsim"), arguments);
    EXPECT_GE(sim->waitForLine([](const std::string& l) { return l.rfind("listening ", 0) == 0; },
                               std::chrono::seconds(5)),
              0);
    return sim;
}

// A tablet emulator that sends no probes of its own, so the output holds only
// what the bridge sent. It prints nothing on stdout when ready: give it a moment.
inline std::unique_ptr<ChildProcess> startTabletEmu() {
    auto tablet = std::make_unique<ChildProcess>(builtProgram("tools/tablet-emu/tablet-emu"),
                                                 std::vector<std::string>{"--probe-interval", "0"});
    EXPECT_TRUE(tablet->running());
    usleep(200000);
    return tablet;
}

}  // namespace brelvik::testing
