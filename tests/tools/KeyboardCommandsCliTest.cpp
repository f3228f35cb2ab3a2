// keyforgectl sync, light and reset against keyforge-emu, both run as separate processes:
// what the keyboard logs and what its state then holds.
#include <gtest/gtest.h>

#include "app/store/DataStore.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/EmulatorProcess.h"

namespace KeyForge {
namespace {

using TestUtil::BackgroundProcess;
using TestUtil::ProcessResult;

class KeyboardCommandsCli : public ::testing::Test {
protected:
    ProcessResult Ctl(std::vector<std::string> args) { return Run("keyforgectl", std::move(args)); }
    ProcessResult Emu(std::vector<std::string> args) { return Run("keyforge-emu", std::move(args)); }
    ProcessResult Run(const std::string& program, std::vector<std::string> args) {
        return TestUtil::RunTool(program, std::move(args), m_dir, "en_US.UTF-8", 30);
    }
    // Plugs a keyboard in and gives its store a profile.
    std::unique_ptr<BackgroundProcess> Serve(const std::string& keyboard, const std::string& mode, int type) {
        const std::string out = m_dir / ("emu-" + keyboard + ".out");
        auto p = std::make_unique<BackgroundProcess>(
            "keyforge-emu", std::vector<std::string>{"serve", "--keyboard", keyboard, "--mode", mode}, out);
        EXPECT_TRUE(BackgroundProcess::WaitForEmulators(1)) << TestUtil::ReadFile(out + ".err");
        const ProcessResult added = Ctl({"profile", "add", "Main", "--keyboard", std::to_string(type)});
        EXPECT_EQ(added.exitCode, 0) << added.err;
        return p;
    }
    std::string Log() { return Emu({"log", "--clear"}).out; }
    std::string State() { return Emu({"state"}).out; }
    std::string StoreFolder() const { return m_dir / "data/Key Forge Files/"; }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    TestUtil::TempDir m_dir;
    TestUtil::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_dir.Path()};
    TestUtil::ScopedEnv m_config{"XDG_CONFIG_HOME", m_dir / "config"};
    TestUtil::ScopedEnv m_data{"XDG_DATA_HOME", m_dir / "data"};
};

const std::vector<std::string> kSingleColour = {"light", "set", "4", "--color", "112233", "--colorindex", "2",
                                                "--brightness", "3"};

TEST_F(KeyboardCommandsCli, LightModeInEachCommandSetAndConnection) {
    const struct {
        const char* keyboard;
        const char* mode;
        int type;
        const char* sent;
    } cases[] = {
        {"VX9-RGB", "0", 201, "0 set-feature 07 F7 03 02 11 22 02 33\n"},
        {"VX9-RGB", "1", 201, "1 out 00 BB AA 99 88 AA 03 02 11 22 02 33 00 00"},
        // Colourful by default, speed 3 of the tenkeyless layout.
        {"TK87-RGB", "0", 101, "0 out 00 89 00 43 11 22 33 03 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyboard) + " mode " + c.mode);
        auto emu = Serve(c.keyboard, c.mode, c.type);
        const ProcessResult set = Ctl(kSingleColour);
        EXPECT_EQ(set.exitCode, 0) << set.err;
        const std::string log = Log();
        EXPECT_TRUE(log.starts_with(c.sent)) << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        // The store keeps the change, with mode 4 now the active one.
        const ProcessResult lights = Ctl({"lights", "--keyboard", std::to_string(c.type)});
        EXPECT_TRUE(Has(lights.out, "\n4\t")) << lights.out;
        EXPECT_TRUE(Has(lights.out, "\t3\t")) << lights.out;
        EXPECT_TRUE(Has(lights.out, "0x332211\t0x00")) << lights.out;
        EXPECT_EQ(emu->Stop(), 0);
    }
}

// Steps alternating press and release of letters, 200 ms each, and what the keyboard
// then holds for them.
std::vector<MacroStep> LetterSteps(int macroId, int count) {
    std::vector<MacroStep> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back({.macro_id = macroId, .type = i % 2 == 0 ? 2 : 3, .record_index = i,
                         .value = 'A' + (i / 2) % 26, .delay_time = 200});
    return steps;
}
std::string LetterStepsJson(int count) {
    std::string out = "\"steps\": [";
    for (int i = 0; i < count; ++i) {
        char step[16];
        std::snprintf(step, sizeof step, "\"%02X C8 %s\"", 4 + (i / 2) % 26, i % 2 == 0 ? "80" : "00");
        out += (i ? ", " : "") + std::string(step);
    }
    return out + "]";
}

TEST_F(KeyboardCommandsCli, LongMacrosReachTheReportProtocolKeyboardWhole) {
    auto emu = Serve("TK87-RGB", "0", 101);
    {
        DataStore store;
        ASSERT_TRUE(store.OpenDeviceStore(StoreFolder(), "TK87-RGB"));
        const int shortMacro = store.AddMacro("thirty");
        const int longMacro = store.AddMacro("one hundred fifty");
        store.AddMacroSteps(LetterSteps(shortMacro, 30));
        store.AddMacroSteps(LetterSteps(longMacro, 150));
        const int profile = store.GetActiveProfile();
        store.SaveKeyFunction({.profile = profile, .key_code = 0x29, .macro_type = 3, .macro_value = shortMacro});
        store.SaveKeyFunction({.profile = profile, .key_code = 0x3A, .macro_type = 3, .macro_value = longMacro});
        store.SaveKeyFunction({.profile = profile, .key_code = 0x3B, .macro_type = 2, .macro_value = 0x2C});
    }
    const ProcessResult sync = Ctl({"sync"});
    EXPECT_EQ(sync.exitCode, 0) << sync.err;
    EXPECT_EQ(sync.out, "TK87-RGB, profile 1: keys written: 2 to macro slots, 1 to the key map\n");
    const std::string state = State();
    EXPECT_TRUE(Has(state, "{\"slot\": 0, \"play_times\": 1, \"step_count\": 30, \"bytes_received\": 93, " +
                               LetterStepsJson(30) + "}"))
        << state;
    EXPECT_TRUE(Has(state, "{\"slot\": 1, \"play_times\": 1, \"step_count\": 150, \"bytes_received\": 453, " +
                               LetterStepsJson(150) + "}"))
        << state;
    EXPECT_TRUE(Has(state, "\"key_map\": [{\"index\": 0, \"code\": 0, \"kind\": \"0x40\"}, "
                           "{\"index\": 1, \"code\": 1, \"kind\": \"0x40\"}, "
                           "{\"index\": 2, \"code\": 44, \"kind\": \"0x20\"}]"))
        << state;
    EXPECT_TRUE(Has(state, "\"unknown_commands\": 0")) << state;
}

TEST_F(KeyboardCommandsCli, SyncPerKeyColoursAndResetOfTheFeatureProtocolKeyboard) {
    auto emu = Serve("VX9-RGB", "0", 201);
    EXPECT_EQ(Ctl({"key", "set", "0x04", "2", "0x29"}).exitCode, 0);
    EXPECT_EQ(Ctl({"key", "set", "0x05", "7", "2"}).exitCode, 0);
    const ProcessResult sync = Ctl({"sync"});
    EXPECT_EQ(sync.exitCode, 0) << sync.err;
    EXPECT_EQ(sync.out, "VX9-RGB, profile 1: keys written: 1 to macro slots, 1 to key slots\n");
    std::string state = State();
    EXPECT_TRUE(Has(state, "\"key_slots\": [{\"key\": 4, \"function\": 41}, {\"key\": 0,")) << state;
    EXPECT_TRUE(Has(state, "\"macro_slot_content\": [{\"slot\": 1, \"key\": 5, \"play_times\": 1, "
                           "\"steps\": [\"E0 01\", \"06 01\", \"06 81\", \"E0 81\"]}]"))
        << state;

    const ProcessResult paint = Ctl({"light", "paint", "0x29=FF0000", "0x3A=00ff00"});
    EXPECT_EQ(paint.exitCode, 0) << paint.err;
    EXPECT_EQ(paint.out, "2 key colours sent to VX9-RGB\n");
    state = State();
    EXPECT_TRUE(Has(state, "\"key_colours\": [{\"index\": 0, \"rgb\": \"FF0000\"}, {\"index\": 1, \"rgb\": \"00FF00\"}]"))
        << state;
    Log();
    EXPECT_EQ(Ctl({"light", "keys"}).out, "2 key colours sent to VX9-RGB\n");
    const std::string keysLog = Log();
    EXPECT_EQ(std::count(keysLog.begin(), keysLog.end(), '\n'), 8) << keysLog;
    EXPECT_TRUE(keysLog.starts_with("0 out 00 8B 3C 00 00 FF 00 00 FF 00 FF 00 FF 00")) << keysLog;

    const ProcessResult reset = Ctl({"reset"});
    EXPECT_EQ(reset.exitCode, 0) << reset.err;
    EXPECT_EQ(Log(), "0 set-feature 07 F0 AA 00 00 00 00 00\n");
    state = State();
    EXPECT_TRUE(Has(state, "\"factory_resets\": 1")) << state;
    EXPECT_TRUE(Has(state, "\"macro_slot_content\": []")) << state;
    EXPECT_TRUE(Has(state, "\"key_colours\": []")) << state;
}

TEST_F(KeyboardCommandsCli, ClearFailures) {
    {
        auto emu = Serve("TK87-RGB", "0", 101);
        const struct {
            std::vector<std::string> args;
            int exitCode;
            const char* error;
        } cases[] = {
            {{"light", "set", "99"}, 1, "keyforgectl: TK87-RGB has no light mode 99 (it has 1, 2, 3, 4, 5, 6, 7, 8)\n"},
            {{"light", "set", "4", "--color", "12345G"}, 1, "keyforgectl: bad colour (RRGGBB): 12345G\n"},
            {{"light", "set", "4", "--brightness", "6"}, 1, "keyforgectl: brightness out of range (1 to 5): 6\n"},
            {{"light", "paint", "0xE9=FF0000"}, 1, "keyforgectl: the keyboard has no key 0xE9\n"},
            {{"light", "paint", "0x29"}, 1, "keyforgectl: expected KEYCODE=RRGGBB: 0x29\n"},
            {{"light", "blink"}, 1, "keyforgectl: unknown light action: blink\n"},
            {{"sync", "--keyboard", "201"}, 2, "keyforgectl: VX9-RGB is not connected\n"},
        };
        for (const auto& c : cases) {
            const ProcessResult r = Ctl(c.args);
            EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1];
            EXPECT_TRUE(r.err.starts_with(c.error)) << r.err;
        }
        EXPECT_EQ(Log(), "") << "nothing was sent";
    }
    for (const auto& args : {std::vector<std::string>{"sync"}, kSingleColour, {"light", "keys"}, {"reset"}}) {
        const ProcessResult r = Ctl(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_EQ(r.err, "keyforgectl: no keyboard is connected\n");
    }
}

}  // namespace
}  // namespace KeyForge
