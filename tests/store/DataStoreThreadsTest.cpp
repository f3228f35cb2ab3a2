// The window thread and the worker share one store: saves and reads from both at once
// must stay consistent (and clean under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "app/store/DataStore.h"
#include "tests/store/StoreTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::StoreFixture;

class StoreThreads : public ::testing::Test, public StoreFixture {};

TEST_F(StoreThreads, SavesAndReadsFromTwoThreads) {
    constexpr int kRounds = 300;
    constexpr int kKeys = 16;
    const int macro = store.AddMacro("Shared");
    ASSERT_GT(macro, 0);
    std::atomic<int> failures{0};

    // The "window thread": reassigns keys of profile 1 and rewrites the macro's steps.
    std::thread window([&] {
        for (int round = 1; round <= kRounds; ++round) {
            const int code = 4 + round % kKeys;
            if (store.SaveKeyFunction({.profile = 1, .key_code = code, .macro_type = 2, .macro_value = round}) <= 0)
                ++failures;
            if (round % 10 == 0) {
                std::vector<MacroStep> steps;
                for (int i = 0; i < 20; ++i) steps.push_back({.macro_id = macro, .type = 2 + i % 2, .record_index = i});
                store.DeleteMacroSteps(macro);
                if (store.AddMacroSteps(steps) != 20) ++failures;
            }
        }
    });
    // The "worker": reads the key table and macros as the device sync does, and
    // writes its own profile's keys.
    std::thread worker([&] {
        std::vector<KeyFunctionRecord> keys;
        std::vector<MacroStep> steps;
        for (int round = 1; round <= kRounds; ++round) {
            store.GetKeyFunctions(1, 0, keys);
            std::map<int, int> seen;
            for (const KeyFunctionRecord& k : keys)
                if (++seen[k.key_code] > 1) ++failures;  // at most one row per key
            const int count = store.GetMacroSteps(macro, steps);
            if (count != 0 && count != 20) ++failures;  // a batch is seen whole or not at all
            for (int i = 0; i < count; ++i)
                if (steps[i].record_index != i) ++failures;
            if (store.SaveKeyFunction({.profile = 2, .key_code = 4 + round % kKeys, .macro_type = 2,
                                       .macro_value = round}) <= 0)
                ++failures;
            KeyFunctionRecord one;
            store.GetKeyFunction(2, 0, 4 + round % kKeys, one);
        }
    });
    window.join();
    worker.join();
    EXPECT_EQ(failures.load(), 0);
    std::vector<KeyFunctionRecord> keys;
    EXPECT_EQ(store.GetKeyFunctions(1, 0, keys), kKeys);
    EXPECT_EQ(store.GetKeyFunctions(2, 0, keys), kKeys);
    EXPECT_EQ(Sqlite3("VX9-RGB", "PRAGMA integrity_check"), "ok\n");
}

TEST_F(StoreThreads, ModelSwitchWhileTheWorkerReads) {
    // The window thread switches models while the worker keeps reading: every read
    // sees one whole file or a closed store, never a connection being closed.
    ASSERT_GT(store.AddProfile({.name = "Nine"}), 0);
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        std::vector<ProfileRecord> profiles;
        while (!stop.load()) store.GetProfiles(profiles);
    });
    std::vector<ProfileRecord> profiles;
    int wrongFile = 0;
    for (int i = 0; i < 200; ++i) {
        store.CloseStore();
        const bool nine = i % 2 == 1;
        if (!store.OpenDeviceStore(DataFolder(), nine ? "VX9-RGB" : "Other")) ++wrongFile;
        // A close that failed under a running read would leave the old file connected.
        if (store.GetProfiles(profiles) != (nine ? 1 : 0)) ++wrongFile;
    }
    EXPECT_EQ(wrongFile, 0);
    stop = true;
    worker.join();
    EXPECT_EQ(Sqlite3("VX9-RGB", "SELECT name FROM t_profile_data"), "Nine\n");
}

}  // namespace
}  // namespace KeyForge
