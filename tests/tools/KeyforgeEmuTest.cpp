// keyforge-emu and the device commands of keyforgectl as a user runs them: separate
// processes sharing one socket folder.
#include <gtest/gtest.h>

#include <dirent.h>

#include "tests/support/TestSupport.h"
#include "tests/tools/EmulatorProcess.h"

namespace KeyForge {
namespace {

using TestUtil::BackgroundProcess;
using TestUtil::ProcessResult;

class EmulatedKeyboardCli : public ::testing::Test {
protected:
    ProcessResult Ctl(std::vector<std::string> args) { return Run("keyforgectl", std::move(args)); }
    ProcessResult Emu(std::vector<std::string> args) { return Run("keyforge-emu", std::move(args)); }
    ProcessResult Run(const std::string& program, std::vector<std::string> args) {
        return TestUtil::RunTool(program, std::move(args), m_dir, "en_US.UTF-8", 30);
    }
    std::unique_ptr<BackgroundProcess> Serve(std::vector<std::string> args, std::size_t running = 1) {
        args.insert(args.begin(), "serve");
        const std::string out = m_dir / ("emu" + std::to_string(++m_count) + ".out");
        auto p = std::make_unique<BackgroundProcess>("keyforge-emu", args, out);
        EXPECT_TRUE(BackgroundProcess::WaitForEmulators(running)) << TestUtil::ReadFile(out + ".err");
        return p;
    }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    TestUtil::TempDir m_dir;
    // Background programs inherit these.
    TestUtil::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_dir.Path()};
    TestUtil::ScopedEnv m_config{"XDG_CONFIG_HOME", m_dir / "config"};
    TestUtil::ScopedEnv m_data{"XDG_DATA_HOME", m_dir / "data"};
    int m_count = 0;
};

TEST_F(EmulatedKeyboardCli, DevicesAndFirmwareOfAnEmulatedKeyboard) {
    auto emu = Serve({"--keyboard", "VX9-RGB", "--mode", "0", "--firmware", "0x0105"});
    const ProcessResult devices = Ctl({"devices"});
    ASSERT_EQ(devices.exitCode, 0) << devices.err;
    EXPECT_TRUE(Has(devices.out, "VX9-RGB mode 0 (Cable): connected yes, interface \\\\?\\HID#VID_1209&PID_0001&MI_02#emu-"))
        << devices.out;
    EXPECT_TRUE(Has(devices.out, "VX9-RGB mode 1 (2.4 GHz receiver): connected no\n")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "TK87-RGB mode 0 (Cable): connected no\n")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "connection mode of device type 201: 0\n")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "auxiliary interface: none\n")) << devices.out;

    const ProcessResult firmware = Ctl({"firmware"});
    EXPECT_EQ(firmware.exitCode, 0) << firmware.err;
    EXPECT_EQ(firmware.out, "0x0105\n");

    // The scan itself sends nothing; the version query is one set and one get.
    const ProcessResult log = Emu({"log", "--clear"});
    EXPECT_EQ(log.exitCode, 0) << log.err;
    EXPECT_EQ(log.out, "0 set-feature 07 FD 00 00 00 00 00 00\n0 get-feature 07 FD 00 00 00 00 00 00\n");
    EXPECT_EQ(Emu({"log"}).out, "");

    const ProcessResult state = Emu({"state"});
    EXPECT_TRUE(Has(state.out, "\"keyboard\": \"VX9-RGB\"")) << state.out;
    EXPECT_TRUE(Has(state.out, "\"firmware\": \"0x0105\"")) << state.out;

    EXPECT_EQ(emu->Stop(), 0) << "SIGTERM unplugs cleanly";
    EXPECT_TRUE(Has(emu->Output(), "plugged in: \\\\?\\HID#VID_1209&PID_0001&MI_02#")) << emu->Output();
    EXPECT_TRUE(Has(emu->Output(), "unplugged")) << emu->Output();
    DIR* dir = ::opendir((m_dir / "keyforge").c_str());
    ASSERT_NE(dir, nullptr);
    int left = 0;
    while (const dirent* e = ::readdir(dir)) left += e->d_name[0] != '.';
    ::closedir(dir);
    EXPECT_EQ(left, 0) << "every socket removed";

    const ProcessResult none = Ctl({"firmware"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.err, "keyforgectl: no keyboard is connected\n");
    const ProcessResult noDevices = Ctl({"devices"});
    EXPECT_TRUE(Has(noDevices.out, "VX9-RGB mode 0 (Cable): connected no\n")) << noDevices.out;
    EXPECT_TRUE(Has(noDevices.out, "connection mode of device type 201: -1\n")) << noDevices.out;
}

TEST_F(EmulatedKeyboardCli, SeveralEmulatorsAtOnce) {
    auto fullSize = Serve({"--keyboard", "VX9-RGB", "--mode", "1", "--mode", "2"}, 1);
    auto tenkeyless = Serve({"--keyboard", "TK87-RGB", "--mode", "0"}, 2);
    const ProcessResult devices = Ctl({"devices"});
    EXPECT_TRUE(Has(devices.out, "VX9-RGB mode 1 (2.4 GHz receiver): connected yes")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "VX9-RGB mode 2 (Bluetooth): connected yes")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "TK87-RGB mode 0 (Cable): connected yes")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "connection mode of device type 201: 2\n")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "commands go to: \\\\?\\HID#VID_1209&PID_0002&MI_02#")) << devices.out;
    EXPECT_TRUE(Has(devices.out, "auxiliary interface: open, \\\\?\\HID#VID_1209&PID_0004&MI_03#")) << devices.out;

    const ProcessResult ambiguous = Emu({"state"});
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_TRUE(Has(ambiguous.err, "several emulators are running")) << ambiguous.err;
    EXPECT_TRUE(Has(Emu({"state", "--keyboard", "TK87-RGB"}).out, "\"device_type\": 101"));

    // The firmware query goes to the mode-1 interface of the feature-protocol keyboard.
    EXPECT_EQ(Ctl({"firmware"}).out, "0x0100\n");
    EXPECT_EQ(Emu({"log", "--keyboard", "VX9-RGB"}).out,
              "1 set-feature 07 FD 00 00 00 00 00 00\n1 get-feature 07 FD 00 00 00 00 00 00\n");
    EXPECT_EQ(Emu({"log", "--keyboard", "TK87-RGB"}).out, "");

    EXPECT_EQ(tenkeyless->Stop(), 0);
    EXPECT_TRUE(Has(Ctl({"devices"}).out, "TK87-RGB mode 0 (Cable): connected no"));
}

TEST_F(EmulatedKeyboardCli, MisbehavingKeyboardGivesAOneLineFailure) {
    auto emu = Serve({"--keyboard", "VX9-RGB", "--mode", "0"});
    EXPECT_EQ(Emu({"misbehave", "error"}).exitCode, 0);
    const ProcessResult firmware = Ctl({"firmware"});
    EXPECT_EQ(firmware.exitCode, 1);
    EXPECT_EQ(firmware.err, "keyforgectl: the keyboard did not report its firmware version: Input/output error\n");
    EXPECT_EQ(Emu({"misbehave", "none"}).exitCode, 0);
    EXPECT_EQ(Ctl({"firmware"}).out, "0x0100\n");
}

TEST_F(EmulatedKeyboardCli, WatchSeesKeyboardsArriveAndLeave) {
    BackgroundProcess watch("keyforgectl", {"watch"}, m_dir / "watch.out");
    ASSERT_TRUE(watch.WaitForOutput("no keyboard connected\n")) << watch.Output();
    auto emu = Serve({"--keyboard", "TK87-RGB", "--mode", "0"});
    ASSERT_TRUE(watch.WaitForOutput("MI_02#")) << watch.Output();
    ASSERT_TRUE(watch.WaitForOutput("rescan, TK87-RGB mode 0 connected\n")) << watch.Output();
    EXPECT_EQ(emu->Stop(), 0);
    ASSERT_TRUE(watch.WaitForOutput("rescan, no keyboard connected\n")) << watch.Output();
    EXPECT_EQ(watch.Stop(), 0);

    const std::string out = watch.Output();
    // The keyboard collection and the streaming interface match no pattern; the command
    // interface arrives last and its rescan finds the keyboard whole.
    const auto arrival = out.find("arrival \\\\?\\HID#VID_1209&PID_0004&MI_02#");
    ASSERT_NE(arrival, std::string::npos) << out;
    EXPECT_EQ(out.find("rescan"), out.find(": rescan, TK87-RGB mode 0 connected", arrival) + 2) << "the first rescan";
    const auto removal = out.find("removal \\\\?\\HID#VID_1209&PID_0004&MI_02#");
    ASSERT_NE(removal, std::string::npos) << out;
    EXPECT_NE(out.find(": rescan, no keyboard connected", removal), std::string::npos) << out;
    for (const char* ignored : {"&MI_00#", "&MI_03#"}) {
        for (const char* kind : {"arrival ", "removal "}) {
            const auto at = out.find(std::string(kind) + "\\\\?\\HID#VID_1209&PID_0004" + ignored);
            ASSERT_NE(at, std::string::npos) << kind << ignored << "\n" << out;
            EXPECT_EQ(out.substr(out.find(": ", at), 9), ": ignored") << out;
        }
    }
}

TEST_F(EmulatedKeyboardCli, BadArgumentsAreRefused) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"serve", "--keyboard", "NOPE", "--mode", "0"}, "no keyboard NOPE in"},
        {{"serve", "--keyboard", "TK87-RGB", "--mode", "1"}, "TK87-RGB has no mode 1"},
        {{"serve", "--keyboard", "VX9-RGB"}, "missing --mode M"},
        {{"serve", "--mode", "0"}, "missing --keyboard NAME"},
        {{"serve", "--keyboard", "VX9-RGB", "--mode", "0", "--firmware", "0x10000"}, "firmware version out of range"},
        {{"serve", "--keyboard", "VX9-RGB", "--mode", "0", "--misbehave", "sulk"}, "unknown misbehaviour: sulk"},
        {{"log"}, "no emulator is running"},
        {{"frobnicate"}, "unknown command: frobnicate"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = Emu(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.message;
        EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    }
    EXPECT_EQ(Ctl({"devices", "extra"}).exitCode, 1);
}

}  // namespace
}  // namespace KeyForge
