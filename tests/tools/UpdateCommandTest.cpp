// keyforgectl update against an update server on 127.0.0.1: a copy of keyforgectl
// in its own program folder, whose config.xml points at the server.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/store/UpdateTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::LocalHttpServer;
using TestUtil::ProcessResult;
using TestUtil::TempDir;

class UpdateCommand : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::create_directories(m_dir / "prog");
        fs::copy_file(TestUtil::BinFolder() + "keyforgectl", m_dir / "prog/keyforgectl");
        fs::copy(TestUtil::BinFolder() + "language", m_dir / "prog/language", fs::copy_options::recursive);
    }

    void WriteConfig(const std::string& upgradeUrl) {
        TestUtil::WriteFile(m_dir / "prog/config.xml",
                            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n<device.info/>\n"
                            "<software name=\"Key Forge\" version=\"1.0.2\">\n<upgrade url=\"" +
                                upgradeUrl + "\"/>\n</software>\n</config>\n");
    }

    void Publish(const std::string& version) {
        const std::string script = "#!/bin/sh\necho ran > '" + Marker() + "'\n";
        std::filesystem::create_directories(m_root / "sw");
        TestUtil::MakeZip(m_root / ("sw/Keyboard-Software-" + version + ".zip"),
                          {{"Keyboard-Software-" + version + ".exe", script}});
        TestUtil::WriteFile(m_root / "sw/version", version + "\n");
    }

    std::string Marker() const { return m_dir / "installer-ran"; }
    std::string TempFolder() const { return m_dir / "data/Key Forge Files/temp"; }

    ProcessResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), m_dir / "prog/keyforgectl");
        return TestUtil::RunProcess(args, {{"XDG_CONFIG_HOME", m_dir / "config"},
                                           {"XDG_DATA_HOME", m_dir / "data"},
                                           {"XDG_RUNTIME_DIR", m_dir / "run"},
                                           {"http_proxy", ""},
                                           {"LANG", "en_US.UTF-8"}});
    }

    TempDir m_dir;
    TempDir m_root;
};

TEST_F(UpdateCommand, CheckReportsVersionsAndInstallsNothing) {
    Publish("1.0.3");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    WriteConfig(server.Url("/sw/"));
    const ProcessResult r = Run({"update", "check"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Program version:           1.0.2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Latest program version:    1.0.3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Program update:            available\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Keyboard firmware version: "), std::string::npos) << r.out;
    EXPECT_EQ(server.Log().find(".zip"), std::string::npos) << "a check downloads nothing";

    TestUtil::WriteFile(m_root / "sw/version", "1.0.2");
    EXPECT_NE(Run({"update", "check"}).out.find("Program update:            none\n"), std::string::npos);
}

TEST_F(UpdateCommand, InstallStartsTheInstaller) {
    Publish("1.0.3");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    WriteConfig(server.Url("/sw/"));
    const ProcessResult r = Run({"update", "install", "program"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Started " + TempFolder() + "/Keyboard-Software-1.0.3.exe"), std::string::npos)
        << r.out;
    EXPECT_EQ(TestUtil::WaitForFile(Marker()), "ran\n");
    EXPECT_FALSE(std::filesystem::exists(TempFolder() + "/Keyboard-Software-1.0.3.zip"));
}

TEST_F(UpdateCommand, FailuresAreReportedAndStartNothing) {
    Publish("1.0.3");
    TestUtil::WriteFile(m_root / "sw/Keyboard-Software-1.0.3.zip.sha256", std::string(64, 'f') + "\n");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    WriteConfig(server.Url("/sw/"));
    const ProcessResult wrong = Run({"update", "install", "program"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("package does not match its checksum (program 1.0.3)"), std::string::npos)
        << wrong.err;

    const ProcessResult firmware = Run({"update", "install", "firmware"});
    EXPECT_EQ(firmware.exitCode, 1);
    EXPECT_NE(firmware.err.find("no firmware update address"), std::string::npos) << firmware.err;

    EXPECT_EQ(Run({"update", "install", "drivers"}).exitCode, 1);
    EXPECT_EQ(Run({"update", "frob"}).exitCode, 1);

    // Nothing listens on port 1 of this machine.
    WriteConfig("http://127.0.0.1:1/sw/");
    const ProcessResult down = Run({"update", "check"});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_NE(down.out.find("unknown (the update server did not answer)"), std::string::npos) << down.out;
    EXPECT_NE(down.err.find("no update server answered"), std::string::npos) << down.err;
    EXPECT_FALSE(std::filesystem::exists(Marker()));
}

}  // namespace
}  // namespace KeyForge
