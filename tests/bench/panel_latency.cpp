// How quickly a panel's control reaches the simulator, and whether a full
// 9600-baud stream from two panels gets through whole: the real brelvik,
// benchsim and panel-emu, timed from the moment panel-emu is told to move a
// control to the moment benchsim reports the event. Run by
// scripts/measure-panels inside a private network namespace on a display.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"

using namespace std::chrono_literals;
using brelvik::testing::builtProgram;
using brelvik::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

namespace {

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
    const int streamSeconds = argc > 2 ? std::atoi(argv[2]) : 5;
    char folder[] = "/tmp/brelvik-latency-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 2;
    const std::string config = folder;
    std::filesystem::create_directories(config + "/Brelvik");
    std::ofstream(config + "/Brelvik/Brelvik.ini")
        << "[B_keyCheck]\nSendCtrlCheck=1\nReconnectCheck=0\nMasterCheck=1\nAutoPanelConn=1\n";

    ChildProcess sim(builtProgram("tools/benchsim/benchsim"), {"--frozen"});
    ChildProcess emu(builtProgram("tools/panel-emu/panel-emu"), {"--switch", "--pedestal"});
    const int at = emu.waitForLine([](const std::string& l) { return startsWith(l, "BRELVIK_EXTRA_PORTS="); }, 5s);
    if (at < 0) {
        std::fprintf(stderr, "panel-emu did not start\n");
        return 1;
    }
    const std::string extra = emu.lines()[static_cast<std::size_t>(at)].substr(20);
    ChildProcess bridge(builtProgram("brelvik"), {}, {"XDG_CONFIG_HOME=" + config, "BRELVIK_EXTRA_PORTS=" + extra});
    if (sim.waitForLine("client Brelvik", 10s) < 0 || emu.waitForLine("rx pedestal FE 00", 10s) < 0) {
        std::fprintf(stderr, "the bridge did not connect\n");
        return 1;
    }
    std::this_thread::sleep_for(1s);

    std::vector<double> latencies;
    for (int i = 0; i < rounds; ++i) {
        const bool on = i % 2 == 0;
        const std::size_t mark = sim.lineCount();
        const auto start = Clock::now();
        emu.sendLine(on ? "set switch 7 1" : "set switch 7 0");
        if (sim.waitForLine(on ? "event LANDING_LIGHTS_ON 0 1" : "event LANDING_LIGHTS_OFF 0 1", 2s, mark) < 0) {
            std::fprintf(stderr, "frame %d never reached the simulator\n", i);
            return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(5ms);
    }
    std::printf("panel frame to simulator event, %d frames: median %.2f ms, p99 %.2f ms, max %.2f ms\n", rounds,
                percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0));

    // 240 frames a second from each of two panels: what 9600 baud carries.
    const std::size_t mark = sim.lineCount();
    const int frames = 240 * streamSeconds;
    const auto begin = Clock::now();
    for (int i = 0; i < frames; ++i) {
        emu.sendLine(i % 2 == 0 ? "set switch 7 1" : "set switch 7 0");
        emu.sendLine(i % 2 == 0 ? "set pedestal 96 1" : "set pedestal 96 2");
        std::this_thread::sleep_until(begin + std::chrono::microseconds(1000000LL * (i + 1) / 240));
    }
    const auto counted = [&] {
        std::size_t n = 0;
        for (const char* event : {"event LANDING_LIGHTS_ON 0 1", "event LANDING_LIGHTS_OFF 0 1",
                                  "event FUEL_SELECTOR_LEFT 0 1", "event FUEL_SELECTOR_RIGHT 0 1"}) {
            n += sim.countOf(event, mark);
        }
        return n;
    };
    const auto deadline = Clock::now() + 10s;
    while (counted() < static_cast<std::size_t>(2 * frames) && Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    std::printf("stream of %d s, 240 frames/s from each of two panels: %zu of %d frames reached the simulator\n",
                streamSeconds, counted(), 2 * frames);
    return counted() == static_cast<std::size_t>(2 * frames) ? 0 : 1;
}
