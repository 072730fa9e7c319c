// The headless core over fakes, and optionally a bench simulator in the same
// process, for tests that drive the whole bridge tick by tick. As bases of a
// fixture, list BenchHarness before CoreHarness: the simulator must exist
// before the core starts and outlive it.
#pragma once

#include <memory>
#include <string>

#include "app/brelvik_core.h"
#include "base/control_ids.h"
#include "simconnect/standin.h"
#include "support/fakes.h"
#include "tools/benchsim/bench_simulator.h"

namespace brelvik::testing {

struct BenchHarness {
    explicit BenchHarness(benchsim::BenchOptions options = {.versionMajor = 11, .frozen = true}) : bench(options) {
        standin::standinUseInProcess(&bench);
    }
    ~BenchHarness() { standin::standinUseInProcess(nullptr); }
    BenchHarness(const BenchHarness&) = delete;
    BenchHarness& operator=(const BenchHarness&) = delete;

    benchsim::BenchSimulator bench;
};

// No simulator answers: every open fails at once, on any platform.
struct NoSimulator {
    struct Refusing : standin::SimulatorEndpoint {
        std::unique_ptr<standin::SimulatorLink> connect() override { return nullptr; }
    };
    NoSimulator() { standin::standinUseInProcess(&endpoint); }
    ~NoSimulator() { standin::standinUseInProcess(nullptr); }
    NoSimulator(const NoSimulator&) = delete;
    NoSimulator& operator=(const NoSimulator&) = delete;

    Refusing endpoint;
};

struct CoreHarness {
    FakeControls controls;
    FakeTimers timers;
    FakeMessageBoxes boxes;
    FakeDatagramSender sender;
    MemorySettingsStore settings;
    BrelvikCore core{controls, timers, boxes, sender, settings};

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) core.onTimer(ids::kSimTimer);
    }
    // The tablet at `address` accepted the bridge's invitation.
    void connectTablet(const std::string& address) {
        controls.setText(ids::kTabletAddress, address);
        core.onDatagram("ServerReady", address);
        sender.sent.clear();
    }
};

}  // namespace brelvik::testing
