// The device link's own cost per report: a colour frame (six output reports on the
// streaming interface) and a music level (one feature report) to an emulated keyboard
// served in this process, without the keyboard's pacing pauses.
#include <benchmark/benchmark.h>

#include "bench/EmulatedTenkeyless.h"

namespace {

using namespace KeyForge;

using Bench = KeyForge::Benchmarks::EmulatedTenkeyless;

void BM_ColourFrameToEmulator(benchmark::State& state) {
    Bench bench;
    OutputReport chunk{};
    chunk[1] = 0xF1;
    long n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 6; ++i) benchmark::DoNotOptimize(bench.manager.WriteAuxReport(chunk));
        // The emulator logs every report; keep the log from growing without end.
        if (++n % 1024 == 0) bench.keyboard.ClearLog();
    }
}
BENCHMARK(BM_ColourFrameToEmulator)->Unit(benchmark::kMicrosecond);

void BM_MusicLevelToEmulator(benchmark::State& state) {
    Bench bench;
    const FeatureReport level{0x07, 0x23, 0x45, 0x67, 0x89, 1, 0, 0x40};
    long n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench.manager.SendFeature(level));
        if (++n % 4096 == 0) bench.keyboard.ClearLog();
    }
}
BENCHMARK(BM_MusicLevelToEmulator)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
