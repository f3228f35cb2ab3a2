// TiluUI benchmarks: a full repaint of a 1280 x 720 window (nine-grid background and
// 50 text labels) and the CPU time an idle window costs while its modal loop waits.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "tiluui/core/MDialog.h"
#include "tiluui/core/MRender.h"
#include "tiluui/platform/OffscreenBackend.h"
#include "tools/tiluui-demo/DemoArt.h"

using namespace TiluUI;

namespace {

/// The window system on the offscreen backend for one benchmark.
struct OffscreenSession {
    OffscreenSession() { Platform::Start(std::make_unique<OffscreenBackend>()); }
    ~OffscreenSession() { Platform::Stop(); }
};

std::shared_ptr<MImage> PanelImage() {
    auto bmp = DemoArt::MakePanel(96, 96, 16);
    cairo_surface_flush(bmp->Surface());
    cairo_surface_t* s = cairo_surface_reference(bmp->Surface());
    return std::make_shared<MImage>(std::vector<cairo_surface_t*>{s}, std::vector<int>{0});
}

void BM_FullRepaint1280x720(benchmark::State& state) {
    OffscreenSession session;
    MDialog dlg;
    dlg.Create(nullptr, "bench", WS_POPUP, state.range(0) ? WS_EX_LAYERED : 0, CRect(0, 0, 1280, 720));
    PaintManager& pm = dlg.GetPaintManager();
    pm.SetBKImage(PanelImage());
    pm.SetBackMode(BACK_MODE_FRAME, 16);
    if (state.range(0)) pm.SetLayeredWindow(1);
    const MFont font = MFont::Default();
    pm.SetContentPainter([&font](cairo_t* g, const CRect&) {
        char text[64];
        for (int i = 0; i < 50; ++i) {
            CRect r(40 + (i % 5) * 240, 40 + (i / 5) * 64, 40 + (i % 5) * 240 + 220, 40 + (i / 5) * 64 + 24);
            std::snprintf(text, sizeof text, "Label %02d — 标签 %d", i, i);
            MRender::DrawTextW(g, r, text, RGB(230, 230, 230), font,
                               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        }
    });
    dlg.ShowWindow(SW_SHOW);
    const CRect all(0, 0, 1280, 720);
    for (auto _ : state) benchmark::DoNotOptimize(pm.ComposeAndPresent(all));
    state.SetLabel(state.range(0) ? "layered" : "plain");
}
BENCHMARK(BM_FullRepaint1280x720)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

long CpuMicros() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

/// Arg 0: a window with nothing to do; arg 1: the same with a 10 ms timer (an animation tick).
void BM_IdleWindowCpu(benchmark::State& state) {
    for (auto _ : state) {
        OffscreenSession session;
        MDialog dlg;
        HWND h = dlg.Create(nullptr, "idle", WS_POPUP, 0, CRect(0, 0, 640, 400));
        if (state.range(0)) dlg.SetTimer(1, 10);
        const long cpuBefore = CpuMicros();
        const auto start = std::chrono::steady_clock::now();
        std::thread worker([h] {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            PostMessageW(h, WM_TILU_CLOSE_RESULT, IDOK, 0);
        });
        const int result = dlg.ShowModal(SW_SHOW);
        worker.join();
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long cpu = CpuMicros() - cpuBefore;
        state.SetIterationTime(elapsed);
        state.counters["cpu_percent"] = 100.0 * static_cast<double>(cpu) / (elapsed * 1e6);
        state.counters["cpu_ms"] = static_cast<double>(cpu) / 1000.0;
        if (result != IDOK) state.SkipWithError("the modal loop did not end with IDOK");
    }
    state.SetLabel(state.range(0) ? "10 ms timer" : "no timer");
}
BENCHMARK(BM_IdleWindowCpu)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
