// The device link's own cost per report: a colour frame (six output reports on the
// streaming interface) and a music level (one feature report) to an emulated keyboard
// served in this process, without the keyboard's pacing pauses.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/device/HidDeviceManager.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "tools/keyforge-emu/EmulatedKeyboard.h"
#include "tools/keyforge-emu/EmulatorServer.h"

namespace {

using namespace KeyForge;

// A report-protocol keyboard with its streaming interface, in a socket folder of its own.
struct Bench {
    Bench() {
        char folder[] = "/tmp/kfbench.XXXXXX";
        m_folder = ::mkdtemp(folder) ? folder : "/tmp";
        ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
        KeyboardEntry mode;
        mode.keyboardName = "TK87-RGB";
        mode.deviceType = 101;
        mode.vendorId = 0x1209;
        mode.productId = 0x0004;
        mode.interfacePattern = "HID#VID_1209&PID_0004&MI_02";
        modes.push_back(mode);
        std::string error;
        server.Start(error);
        manager.RegisterKnownDevices(modes);
        manager.Rescan(modes);
    }
    ~Bench() {
        server.Stop();
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }

    std::string m_folder;
    std::vector<KeyboardEntry> modes;
    Emu::EmulatedKeyboard keyboard{"TK87-RGB", 101, {0}, 0x0100};
    Emu::EmulatorServer server{keyboard, Emu::PlanInterfaces(101, {{0, 0x1209, 0x0004, "HID#VID_1209&PID_0004&MI_02"}},
                                                             0x0100, 65)};
    EmulatorTransport transport;
    HidDeviceManager manager{transport};
};

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
