// A process killed with SIGKILL right after a save returned has lost nothing the save
// reported as done, and leaves a sound file.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "app/store/DataStore.h"
#include "tests/store/StoreTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::StoreFixture;

class StoreCrash : public ::testing::Test, public StoreFixture {};

// A confirmation sent by the child after a save returned.
struct Saved {
    std::int32_t kind;   // 1 a key (value: key code), 2 a macro with 50 steps (value: macro id)
    std::int32_t value;
};

[[noreturn]] void SaveUntilKilled(const std::string& dataFolder, int out) {
    DataStore child;
    if (!child.OpenDeviceStore(dataFolder, "VX9-RGB")) _exit(3);
    for (int i = 1; i < 100000; ++i) {
        const int code = 4 + i % 200;
        if (child.SaveKeyFunction({.profile = 1, .key_code = code, .macro_type = 2, .macro_value = i}) > 0) {
            const Saved s{1, i};
            if (write(out, &s, sizeof s) != sizeof s) _exit(4);
        }
        if (i % 25 == 0) {
            const int macro = child.AddMacro("M" + std::to_string(i));
            std::vector<MacroStep> steps(50, MacroStep{.macro_id = macro, .type = 2, .value = i});
            for (int k = 0; k < 50; ++k) steps[k].record_index = k;
            if (macro > 0 && child.AddMacroSteps(steps) == 50) {
                const Saved s{2, macro};
                if (write(out, &s, sizeof s) != sizeof s) _exit(4);
            }
        }
    }
    _exit(0);
}

TEST_F(StoreCrash, NothingReportedSavedIsLost) {
    store.CloseStore();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(fds[0]);
        SaveUntilKilled(DataFolder(), fds[1]);
    }
    close(fds[1]);

    // Collect confirmations until enough have come, then kill the child at once,
    // while it is in the middle of its next save.
    std::vector<Saved> saved;
    std::vector<char> buffer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (saved.size() < 400 && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) continue;
        char chunk[512];
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n <= 0) break;
        buffer.insert(buffer.end(), chunk, chunk + n);
        while (buffer.size() >= sizeof(Saved)) {
            Saved s;
            std::memcpy(&s, buffer.data(), sizeof s);
            buffer.erase(buffer.begin(), buffer.begin() + sizeof s);
            saved.push_back(s);
        }
    }
    kill(pid, SIGKILL);
    // Whatever the child confirmed before dying counts too.
    char chunk[4096];
    ssize_t n;
    while ((n = read(fds[0], chunk, sizeof chunk)) > 0) buffer.insert(buffer.end(), chunk, chunk + n);
    for (std::size_t at = 0; at + sizeof(Saved) <= buffer.size(); at += sizeof(Saved)) {
        Saved s;
        std::memcpy(&s, buffer.data() + at, sizeof s);
        saved.push_back(s);
    }
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << WEXITSTATUS(status);
    ASSERT_GE(saved.size(), 400u);

    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "VX9-RGB"));
    std::map<int, int> lastValueOfKey;
    std::vector<int> macros;
    for (const Saved& s : saved) {
        if (s.kind == 1) lastValueOfKey[4 + s.value % 200] = s.value;
        else macros.push_back(s.value);
    }
    for (const auto& [code, value] : lastValueOfKey) {
        KeyFunctionRecord key;
        ASSERT_TRUE(store.GetKeyFunction(1, 0, code, key)) << code;
        // The child may have saved the key once more after its last confirmation.
        EXPECT_GE(key.macro_value, value) << code;
    }
    std::vector<MacroStep> steps;
    for (int macro : macros) EXPECT_EQ(store.GetMacroSteps(macro, steps), 50) << macro;
    EXPECT_FALSE(macros.empty());
    EXPECT_EQ(Sqlite3("VX9-RGB", "PRAGMA integrity_check"), "ok\n");
}

}  // namespace
}  // namespace KeyForge
