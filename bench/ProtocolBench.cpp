// Colour-frame streaming to an emulated report-protocol keyboard served in this process:
// whole frames as the worker's idle pass sends them (frame table built from every key's
// colour, six chunks on the streaming interface), once with the keyboard's real 1 ms
// pause before each chunk and once without it. Frames per second come as a rate counter;
// CPU time per frame is that of the sending thread.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/device/LightCommands.h"
#include "app/store/KeyboardLayout.h"
#include "app/store/Paths.h"
#include "bench/EmulatedTenkeyless.h"

namespace {

using namespace KeyForge;

constexpr int kTenkeyless = Benchmarks::kTenkeylessType;

// The keyboard, its layout and a colour for every key.
struct StreamBench : Benchmarks::EmulatedTenkeyless {
    StreamBench() {
        manager.SetCurrentDeviceType(kTenkeyless);
        ReadLayoutFile(LayoutFilePath(GetProgramFolder(), "tk87"), kPageFlagsBeforeLayout, model);
        for (const KeyItem& key : model.keyItems) colours.push_back({key.code, 0});
    }
    // A new colour for every key, as an effect engine paints them.
    void Paint(long frame) {
        for (std::size_t i = 0; i < colours.size(); ++i)
            colours[i].colour = static_cast<std::uint32_t>(0x102030 + frame * 7 + static_cast<long>(i) * 0x010101) | 2;
    }

    DataStore store;  // frames read nothing from it
    KeyboardModel model;
    std::vector<KeyColour> colours;
};

void StreamFrames(benchmark::State& state, bool paced) {
    StreamBench bench;
    KeyboardCommandContext ctx{bench.manager, bench.store, bench.model, kTenkeyless};
    if (!paced) ctx.pause = [](std::chrono::milliseconds) {};
    ColourStream stream;
    long frames = 0;
    for (auto _ : state) {
        bench.Paint(frames);
        if (!stream.SendColourFrame(ctx, bench.colours, kWiredMode)) {
            state.SkipWithError("the frame was not sent");
            break;
        }
        // The emulator logs every report; keep the log from growing without end.
        if (++frames % 512 == 0) bench.keyboard.ClearLog();
    }
    state.counters["frames_per_second"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["frames_received"] = static_cast<double>(bench.keyboard.State().frames);
}

void BM_ColourStreamPaced(benchmark::State& state) { StreamFrames(state, true); }
BENCHMARK(BM_ColourStreamPaced)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColourStreamUnpaced(benchmark::State& state) { StreamFrames(state, false); }
BENCHMARK(BM_ColourStreamUnpaced)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
