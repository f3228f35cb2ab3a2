// keyforgectl update as a user runs it: a copy of keyforgectl in its own program
// folder, with the shipped config.xml and layouts pointed at an update server on
// 127.0.0.1, and an emulated keyboard that reports its firmware version.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "tests/store/UpdateTestSupport.h"
#include "tests/tools/EmulatorProcess.h"

namespace KeyForge {
namespace {

using TestUtil::LocalHttpServer;
using TestUtil::ProcessResult;
using TestUtil::TempDir;

class UpdateCommand : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::create_directories(Program());
        fs::copy_file(TestUtil::BinFolder() + "keyforgectl", Program() + "keyforgectl");
        fs::copy_file(TestUtil::BinFolder() + "config.xml", Program() + "config.xml");
        for (const char* folder : {"language", "layouts"})
            fs::copy(TestUtil::BinFolder() + folder, Program() + folder, fs::copy_options::recursive);
    }

    // Points the program's update addresses at the server: /sw/ and /fw/; program version 1.0.2.
    void UseServer(const LocalHttpServer& server) { UseAddresses(server.Url("/sw/"), server.Url("/fw/")); }
    void UseAddresses(const std::string& software, const std::string& firmware) {
        std::string config = TestUtil::ReadFile(Program() + "config.xml");
        ReplaceAttribute(config, "<upgrade url=\"", software);
        ReplaceAttribute(config, "<software name=\"Key Forge\" version=\"", "1.0.2");
        TestUtil::WriteFile(Program() + "config.xml", config);
        std::string layout = TestUtil::ReadFile(Program() + "layouts/vx9.xml");
        ReplaceAttribute(layout, "file=\"vx9-firmware-update\" url=\"", firmware);
        TestUtil::WriteFile(Program() + "layouts/vx9.xml", layout);
    }
    static void ReplaceAttribute(std::string& text, const std::string& before, const std::string& value) {
        const std::size_t at = text.find(before);
        ASSERT_NE(at, std::string::npos) << before;
        const std::size_t start = at + before.size();
        text.replace(start, text.find('"', start) - start, value);
    }

    // A package whose installer records that it ran; the version file names it.
    void Publish(const std::string& folder, const std::string& prefix, const std::string& version) {
        std::filesystem::create_directories(m_root / folder);
        TestUtil::MakeZip(m_root / (folder + "/" + prefix + version + ".zip"),
                          {{prefix + version + ".exe", Script()}});
        TestUtil::WriteFile(m_root / (folder + "/version"), version + "\n");
    }

    std::string Script() const { return "#!/bin/sh\necho \"ran in $(pwd)\" > '" + Marker() + "'\n"; }
    std::string Program() const { return m_dir / "prog/"; }
    std::string Marker() const { return m_dir / "installer-ran"; }
    std::string TempFolder() const { return m_dir / "data/Key Forge Files/temp"; }

    ProcessResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), Program() + "keyforgectl");
        return TestUtil::RunProcess(args, {{"http_proxy", ""}, {"LANG", "en_US.UTF-8"}}, 30);
    }
    std::unique_ptr<TestUtil::BackgroundProcess> Keyboard(const char* firmware) {
        auto p = std::make_unique<TestUtil::BackgroundProcess>(
            "keyforge-emu",
            std::vector<std::string>{"serve", "--keyboard", "VX9-RGB", "--mode", "0", "--firmware", firmware},
            m_dir / "emu.out");
        EXPECT_TRUE(TestUtil::BackgroundProcess::WaitForEmulators(1))
            << TestUtil::ReadFile(m_dir / "emu.out.err");
        return p;
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    TempDir m_dir;
    TempDir m_root;
    // keyforgectl and the emulator inherit these.
    TestUtil::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_dir.Path()};
    TestUtil::ScopedEnv m_config{"XDG_CONFIG_HOME", m_dir / "config"};
    TestUtil::ScopedEnv m_data{"XDG_DATA_HOME", m_dir / "data"};
};

TEST_F(UpdateCommand, CheckReportsVersionsAndInstallsNothing) {
    Publish("sw", "Keyboard-Software-", "1.0.3");
    Publish("fw", "FirmwareUpdateTool-", "106");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    UseServer(server);
    {
        auto keyboard = Keyboard("0x0105");
        const ProcessResult r = Run({"update", "check"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out,
                  "Program version:           1.0.2\n"
                  "Latest program version:    1.0.3\n"
                  "Program update:            available\n"
                  "Latest firmware version:   106\n"
                  "Keyboard firmware version: 0x0105\n"
                  "Firmware update:           available\n");
        EXPECT_FALSE(Has(server.Log(), ".zip")) << "a check downloads nothing";
    }
    TestUtil::WriteFile(m_root / "sw/version", "1.0.2");
    TestUtil::WriteFile(m_root / "fw/version", "105");
    {
        auto keyboard = Keyboard("0x0105");
        const ProcessResult current = Run({"update", "check"});
        EXPECT_TRUE(Has(current.out, "Program update:            none\n")) << current.out;
        EXPECT_TRUE(Has(current.out, "Firmware update:           none\n")) << current.out;
    }
    const ProcessResult unplugged = Run({"update", "check"});
    EXPECT_EQ(unplugged.exitCode, 0) << unplugged.err;
    EXPECT_TRUE(Has(unplugged.out, "Keyboard firmware version: no keyboard connected\n")) << unplugged.out;
    EXPECT_TRUE(Has(unplugged.out, "Firmware update:           unknown\n")) << unplugged.out;
}

TEST_F(UpdateCommand, InstallStartsTheInstaller) {
    Publish("sw", "Keyboard-Software-", "1.0.3");
    Publish("fw", "FirmwareUpdateTool-", "106");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    UseServer(server);
    const ProcessResult program = Run({"update", "install", "program"});
    EXPECT_EQ(program.exitCode, 0) << program.err;
    EXPECT_TRUE(Has(program.out, "Started " + TempFolder() + "/Keyboard-Software-1.0.3.exe")) << program.out;
    EXPECT_EQ(TestUtil::WaitForFile(Marker()), "ran in " + TempFolder() + "\n");
    EXPECT_FALSE(std::filesystem::exists(TempFolder() + "/Keyboard-Software-1.0.3.zip"));

    std::filesystem::remove(Marker());
    const ProcessResult firmware = Run({"update", "install", "firmware"});
    EXPECT_EQ(firmware.exitCode, 0) << firmware.err;
    EXPECT_TRUE(Has(firmware.out, "Started " + TempFolder() + "/FirmwareUpdateTool-106.exe")) << firmware.out;
    EXPECT_NE(TestUtil::WaitForFile(Marker()), "");
}

TEST_F(UpdateCommand, LocalFirmwareTool) {
    const std::string tool = Program() + "firmware/vx9-firmware-update";
    const ProcessResult missing = Run({"update", "tool"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Has(missing.err, "no firmware tool at " + tool)) << missing.err;

    TestUtil::WriteFile(tool, Script());
    ::chmod(tool.c_str(), 0755);
    auto keyboard = Keyboard("0x0105");
    const ProcessResult started = Run({"update", "tool"});
    EXPECT_EQ(started.exitCode, 0) << started.err;
    EXPECT_TRUE(Has(started.out, "Started " + tool)) << started.out;
    EXPECT_EQ(TestUtil::WaitForFile(Marker()), "ran in " + Program() + "firmware\n");
}

TEST_F(UpdateCommand, FailuresAreReportedAndStartNothing) {
    Publish("sw", "Keyboard-Software-", "1.0.3");
    TestUtil::WriteFile(m_root / "sw/Keyboard-Software-1.0.3.zip.sha256", std::string(64, 'f') + "\n");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    UseServer(server);
    const ProcessResult wrong = Run({"update", "install", "program"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(Has(wrong.err, "package does not match its checksum (program 1.0.3)")) << wrong.err;
    const ProcessResult noFirmware = Run({"update", "install", "firmware"});
    EXPECT_EQ(noFirmware.exitCode, 1);
    EXPECT_TRUE(Has(noFirmware.err, "the update server did not answer at " + server.Url("/fw/version")))
        << noFirmware.err;
    EXPECT_EQ(Run({"update", "install", "drivers"}).exitCode, 1);
    EXPECT_EQ(Run({"update", "frob"}).exitCode, 1);
    EXPECT_EQ(Run({"update", "check", "extra"}).exitCode, 1);

    // Nothing listens on port 1 of this machine.
    UseAddresses("http://127.0.0.1:1/sw/", "http://127.0.0.1:1/fw/");
    const ProcessResult down = Run({"update", "check"});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_TRUE(Has(down.out, "Latest program version:    unknown (the update server did not answer)"))
        << down.out;
    EXPECT_TRUE(Has(down.err, "no update server answered")) << down.err;
    EXPECT_FALSE(std::filesystem::exists(Marker()));
}

}  // namespace
}  // namespace KeyForge
