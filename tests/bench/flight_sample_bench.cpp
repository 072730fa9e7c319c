// The work every flight sample costs, about twenty times a second: take the
// block out of the simulator's reply and compose both datagrams (while the
// tablet is connected) and the gauge line (while the gauges panel is).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/startup_settings.h"
#include "sim/data_definitions.h"
#include "sim/flight_data_message.h"
#include "sim/gauge_line.h"

namespace {

// A reply block as the simulator packs it: a terminated title, then doubles
// that vary from field to field so that every conversion does real work.
std::array<unsigned char, sizeof(brelvik::FlightSample)> rawBlock() {
    std::array<unsigned char, sizeof(brelvik::FlightSample)> block{};
    std::memcpy(block.data(), "Cessna Skyhawk", 15);
    constexpr std::size_t kFirstDouble = 320;
    for (std::size_t offset = kFirstDouble, i = 0; offset < block.size(); offset += sizeof(double), ++i) {
        const double value = 1.25 + static_cast<double>(i) * 37.7;
        std::memcpy(block.data() + offset, &value, sizeof value);
    }
    return block;
}

void BM_FlightSampleToDatagrams(benchmark::State& state) {
    const auto block = rawBlock();
    brelvik::FlightDataComposer composer;
    brelvik::FailureFlags flags{};
    const brelvik::FailureFlags lastFlags{};
    flags[2] = 1;
    std::int32_t brightness = 0;
    for (auto _ : state) {
        brelvik::FlightSample sample;
        std::memcpy(&sample, block.data(), sizeof sample);
        composer.setAvionicsBrightness(++brightness & 1);  // the prefix every other sample
        std::string data = composer.composeFlightData(sample, 11, 0);
        std::string failures = brelvik::FlightDataComposer::composeFailureFlags(flags, lastFlags);
        benchmark::DoNotOptimize(data.data());
        benchmark::DoNotOptimize(failures.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FlightSampleToDatagrams);

// The widest ordinary line: every gauge selected and "Sync Baro" checked.
void BM_FlightSampleToGaugeLine(benchmark::State& state) {
    const auto block = rawBlock();
    brelvik::GaugeLineComposer composer;
    brelvik::GaugeSelection selection;
    for (const auto& gauge : brelvik::kGaugeKeys) selection.*gauge.flag = true;
    std::int32_t brightness = 0;
    for (auto _ : state) {
        brelvik::FlightSample sample;
        std::memcpy(&sample, block.data(), sizeof sample);
        composer.setPanelBrightness(++brightness & 1);  // the BRT segment every other sample
        std::string line = composer.compose(sample, {selection, true, 1013.25});
        benchmark::DoNotOptimize(line.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FlightSampleToGaugeLine);

}  // namespace

BENCHMARK_MAIN();
