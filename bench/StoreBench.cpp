// The store's main operations on a real file: saving a key function, reading a layer
// of 100 key functions, adding a macro of 200 steps. Each runs with the store's own
// journal (write-ahead log, synchronous = NORMAL), with a rollback journal and no
// syncing at all (synchronous = OFF), and with a rollback journal synced on every
// commit (SQLite's stock FULL), to show what durability costs.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/store/DataStore.h"

namespace {

using KeyForge::DataStore;

// Journal set-ups to compare; the first is what the store itself uses.
constexpr const char* kJournals[] = {
    "",  // write-ahead log, synchronous = NORMAL (as opened)
    "PRAGMA journal_mode = DELETE; PRAGMA synchronous = OFF;",
    "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL;",
};
constexpr const char* kJournalNames[] = {"wal_normal", "rollback_off", "rollback_full"};

// A store in a fresh folder of the temporary directory (a real disk, not memory, so
// that syncs cost what they cost), removed afterwards.
class BenchStore {
public:
    explicit BenchStore(int journal) {
        const char* tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kf_bench_XXXXXX";
        m_folder = mkdtemp(pattern.data()) != nullptr ? pattern : "";
        mkdir((m_folder + "/db").c_str(), 0755);
        store.OpenDeviceStore(m_folder + "/", "Bench");
        if (*kJournals[journal] != '\0') store.Execute(kJournals[journal]);
    }
    ~BenchStore() {
        store.CloseStore();
        std::error_code ignored;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
    }
    DataStore store;

private:
    std::string m_folder;
};

void BM_SaveKeyFunction(benchmark::State& state) {
    const int journal = static_cast<int>(state.range(0));
    state.SetLabel(kJournalNames[journal]);
    BenchStore bench(journal);
    int round = 0;
    for (auto _ : state) {
        ++round;
        const int id = bench.store.SaveKeyFunction(
            {.profile = 1, .key_code = 4 + round % 100, .macro_type = 2, .macro_value = round, .macro_desc = "Key"});
        if (id <= 0) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveKeyFunction)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_GetKeyFunctions100(benchmark::State& state) {
    BenchStore bench(0);
    for (int code = 4; code < 104; ++code)
        bench.store.SaveKeyFunction({.profile = 1, .key_code = code, .layout_desc = "Layout", .macro_type = 2,
                                     .macro_value = code + 1, .macro_desc = "Function"});
    std::vector<KeyForge::KeyFunctionRecord> keys;
    for (auto _ : state) {
        if (bench.store.GetKeyFunctions(1, 0, keys) != 100) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(keys.data());
    }
}
BENCHMARK(BM_GetKeyFunctions100)->Unit(benchmark::kMicrosecond);

void BM_AddMacroSteps200(benchmark::State& state) {
    const int journal = static_cast<int>(state.range(0));
    state.SetLabel(kJournalNames[journal]);
    BenchStore bench(journal);
    const int macro = bench.store.AddMacro("Bench");
    std::vector<KeyForge::MacroStep> steps;
    for (int i = 0; i < 200; ++i)
        steps.push_back({.macro_id = macro, .type = 2 + i % 2, .record_index = i, .value = 0x41 + i % 26,
                         .delay_time = 10, .desc = "A"});
    for (auto _ : state) {
        state.PauseTiming();
        bench.store.DeleteMacroSteps(macro);
        state.ResumeTiming();
        if (bench.store.AddMacroSteps(steps) != 200) state.SkipWithError("insert failed");
    }
}
BENCHMARK(BM_AddMacroSteps200)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
