// The update jobs against a real update server on 127.0.0.1: version checks,
// downloads, checksums, unpacking and the installers they start.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "app/store/Sha256.h"
#include "app/store/UpdateJobs.h"
#include "tests/store/UpdateTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::LocalHttpServer;
using TestUtil::ScopedEnv;
using TestUtil::TempDir;

// What the main window would be told.
struct RecordingHost : UpdateHost {
    void OnProgramCheckStarted() override { ++checksStarted; }
    void OnLatestVersion(UpdateTarget target, const std::string& version) override {
        (target == UpdateTarget::Program ? latestProgram : latestFirmware) = version;
    }
    void OnUpdateAvailable(UpdateTarget target) override {
        (target == UpdateTarget::Program ? programButton : firmwareButton) = 1;
    }
    void QueueFirmwareInstall() override { ++firmwareInstallsQueued; }
    void OnInstallerStarted(UpdateTarget, const std::string& path, int pid) override {
        startedPath = path;
        startedPid = pid;
    }

    int checksStarted = 0;
    std::string latestProgram, latestFirmware;
    int programButton = 0, firmwareButton = 0;
    int firmwareInstallsQueued = 0;
    std::string startedPath;
    int startedPid = -1;
};

class UpdateJobs : public ::testing::Test {
protected:
    void SetUp() override {
        m_settings.tempFolder = m_data / "temp";
        m_settings.http.stallTimeout = std::chrono::seconds(2);
        m_settings.http.connectTimeout = std::chrono::milliseconds(2000);
    }
    void TearDown() override {
        if (m_host.startedPid > 0) TestUtil::WaitForChild(m_host.startedPid);
    }

    // An installer that records where it ran.
    std::string InstallerScript() const { return "#!/bin/sh\necho \"ran in $(pwd)\" > '" + Marker() + "'\n"; }
    std::string Marker() const { return m_data / "installer-ran"; }

    // Publishes a program package under /<folder>/ of the server root.
    std::string Publish(const std::string& folder, const std::string& prefix, const std::string& version,
                        bool withInstaller = true) {
        std::vector<TestUtil::ZipEntry> entries = {{"readme.txt", "notes"}};
        if (withInstaller) entries.push_back({prefix + version + ".exe", InstallerScript()});
        const std::string package = m_root / (folder + "/" + prefix + version + ".zip");
        std::filesystem::create_directories(m_root / folder);
        TestUtil::MakeZip(package, entries);
        return package;
    }

    UpdateService Service(const std::string& programVersion, const std::string& programUrl,
                          const std::string& firmwareUrl = {}, KeyboardAccess keyboard = {}) {
        return UpdateService({programVersion, programUrl, firmwareUrl, "tool.sh"}, m_host,
                             std::move(keyboard), m_settings);
    }

    ScopedEnv m_noProxy{"http_proxy", std::nullopt};
    TempDir m_root;
    TempDir m_data;
    UpdateSettings m_settings;
    RecordingHost m_host;
};

TEST_F(UpdateJobs, ProgramVersionCases) {
    Publish("sw", "Keyboard-Software-", "1.0.3");
    Publish("sw", "Keyboard-Software-", "1.0.0");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    struct Case {
        const char* current;
        const char* published;
        bool update;
    } cases[] = {
        {"1.0.2", "1.0.3", true},   {"1.0.3", "1.0.3", false}, {"1.0.3", "1.0.2", false},
        {"1.0", "1.0.0", true},  // a different number of parts counts as an update
        {"1.0.2", "1.0.3\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " / " + c.published);
        TestUtil::WriteFile(m_root / "sw/version", c.published);
        std::filesystem::remove(Marker());
        m_host = RecordingHost();
        UpdateService service = Service(c.current, server.Url("/sw/"));
        const CheckResult result = service.CheckProgramVersion();
        EXPECT_EQ(m_host.checksStarted, 1);
        EXPECT_TRUE(result.answered);
        EXPECT_EQ(result.newer, c.update);
        std::string published = c.published;
        if (published.back() == '\n') published.pop_back();
        EXPECT_EQ(m_host.latestProgram, published);
        EXPECT_EQ(service.LatestProgramVersion(), published);
        if (c.update) {
            ASSERT_TRUE(result.install.has_value());
            EXPECT_EQ(result.install->status, InstallStatus::Started) << result.install->detail;
            EXPECT_EQ(m_host.startedPath, m_settings.tempFolder + "/Keyboard-Software-" + published + ".exe");
            EXPECT_EQ(TestUtil::WaitForChild(m_host.startedPid), 0);
            EXPECT_EQ(TestUtil::ReadFile(Marker()), "ran in " + m_settings.tempFolder + "\n");
            EXPECT_EQ(m_host.programButton, 0) << "the program ends; no button to show";
            EXPECT_FALSE(
                std::filesystem::exists(m_settings.tempFolder + "/Keyboard-Software-" + published + ".zip"));
        } else {
            EXPECT_FALSE(result.install.has_value());
            EXPECT_EQ(m_host.startedPid, -1);
            EXPECT_FALSE(std::filesystem::exists(Marker()));
        }
        m_host.startedPid = -1;
    }
}

TEST_F(UpdateJobs, VersionTextLength) {
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    TestUtil::WriteFile(m_root / "sw/version", "1.0.3.4567");
    UpdateService service = Service("2.0.0.0", server.Url("/sw/"));
    EXPECT_TRUE(service.CheckProgramVersion().answered);
    EXPECT_EQ(m_host.latestProgram, "1.0.3.4567");

    TestUtil::WriteFile(m_root / "sw/version", "1.0.3.45678");
    m_host = RecordingHost();
    UpdateService second = Service("1.0.0", server.Url("/sw/"));
    const CheckResult ignored = second.CheckProgramVersion();
    EXPECT_FALSE(ignored.answered);
    EXPECT_EQ(m_host.latestProgram, "");
    EXPECT_EQ(m_host.programButton, 0);
    EXPECT_EQ(server.Log().find("Keyboard-Software"), std::string::npos) << "no package is asked for";
}

TEST_F(UpdateJobs, DroppedDownloadStartsNothing) {
    Publish("sw", "Keyboard-Software-", "1.0.3");
    TestUtil::WriteFile(m_root / "sw/version", "1.0.3");
    // An installer of that version left in the temporary folder must not run either.
    TestUtil::WriteFile(m_settings.tempFolder + "/Keyboard-Software-1.0.3.exe", InstallerScript());
    ::chmod((m_settings.tempFolder + "/Keyboard-Software-1.0.3.exe").c_str(), 0755);
    LocalHttpServer server(m_root.Path(), {"--drop", "/sw/Keyboard-Software-1.0.3.zip"});
    ASSERT_TRUE(server.Running());
    UpdateService service = Service("1.0.2", server.Url("/sw/"));
    const CheckResult result = service.CheckProgramVersion();
    ASSERT_TRUE(result.install.has_value());
    EXPECT_EQ(result.install->status, InstallStatus::DownloadFailed);
    EXPECT_NE(server.Log().find("Keyboard-Software-1.0.3.zip"), std::string::npos)
        << "the download was tried";
    EXPECT_FALSE(std::filesystem::exists(m_settings.tempFolder + "/Keyboard-Software-1.0.3.zip"));
    EXPECT_EQ(m_host.startedPid, -1);
    EXPECT_EQ(m_host.programButton, 1) << "the program goes on and offers the update";
    EXPECT_FALSE(std::filesystem::exists(Marker()));
}

TEST_F(UpdateJobs, Checksums) {
    struct Case {
        const char* label;
        std::string checksum;  // "" = no checksum file
        InstallStatus expected;
    };
    const std::string sum = "CHECKSUM";  // stands for the package's real digest
    const std::vector<Case> cases = {
        {"no checksum file", "", InstallStatus::Started},
        {"matching checksum", sum, InstallStatus::Started},
        {"sha256sum format", sum + "  Keyboard-Software-1.0.3.zip\n", InstallStatus::Started},
        {"wrong checksum", std::string(64, '0') + "\n", InstallStatus::ChecksumMismatch},
        {"unreadable checksum", "<html>hello</html>", InstallStatus::ChecksumUnreadable},
        {"checksum file errs", "status 500", InstallStatus::ChecksumUnreadable},
    };
    std::vector<std::string> args;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string folder = "case" + std::to_string(i);
        const std::string package = Publish(folder, "Keyboard-Software-", "1.0.3");
        std::string text = cases[i].checksum;
        if (text == "status 500") {
            args.insert(args.end(), {"--status", "/" + folder + "/Keyboard-Software-1.0.3.zip.sha256=500"});
        } else if (!text.empty()) {
            if (text.rfind(sum, 0) == 0) text.replace(0, sum.size(), *Sha256FileHex(package));
            TestUtil::WriteFile(package + ".sha256", text);
        }
    }
    LocalHttpServer server(m_root.Path(), args);
    ASSERT_TRUE(server.Running());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].label);
        std::filesystem::remove(Marker());
        std::filesystem::remove_all(m_settings.tempFolder);
        m_host = RecordingHost();
        UpdateService service = Service("1.0.2", server.Url("/case" + std::to_string(i) + "/"));
        ASSERT_TRUE(service.FetchLatestVersion(UpdateTarget::Program).has_value() == false);
        TestUtil::WriteFile(m_root / ("case" + std::to_string(i) + "/version"), "1.0.3");
        ASSERT_EQ(service.FetchLatestVersion(UpdateTarget::Program), "1.0.3");
        const InstallResult result = service.InstallProgramUpdate();
        EXPECT_EQ(result.status, cases[i].expected) << result.detail;
        EXPECT_FALSE(std::filesystem::exists(m_settings.tempFolder + "/Keyboard-Software-1.0.3.zip"));
        if (cases[i].expected == InstallStatus::Started) {
            EXPECT_EQ(TestUtil::WaitForChild(result.pid), 0);
            EXPECT_NE(TestUtil::ReadFile(Marker()), "");
        } else {
            EXPECT_EQ(m_host.startedPid, -1);
            EXPECT_FALSE(std::filesystem::exists(m_settings.tempFolder + "/Keyboard-Software-1.0.3.exe"))
                << "a refused package is not even unpacked";
            EXPECT_FALSE(std::filesystem::exists(Marker()));
        }
        m_host.startedPid = -1;
    }
}

TEST_F(UpdateJobs, PackagesThatCannotInstall) {
    Publish("noinst", "Keyboard-Software-", "1.0.3", false);
    std::filesystem::create_directories(m_root / "notzip");
    TestUtil::WriteFile(m_root / "notzip/Keyboard-Software-1.0.3.zip", "<html>moved</html>");
    TestUtil::WriteFile(m_root / "noinst/version", "1.0.3");
    TestUtil::WriteFile(m_root / "notzip/version", "1.0.3");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());

    // A stale installer of the same name stays unrun when the new package lacks one.
    TestUtil::WriteFile(m_settings.tempFolder + "/Keyboard-Software-1.0.3.exe", InstallerScript());
    ::chmod((m_settings.tempFolder + "/Keyboard-Software-1.0.3.exe").c_str(), 0755);
    UpdateService noInstaller = Service("1.0.2", server.Url("/noinst/"));
    const CheckResult missing = noInstaller.CheckProgramVersion();
    ASSERT_TRUE(missing.install.has_value());
    EXPECT_EQ(missing.install->status, InstallStatus::InstallerMissing);
    EXPECT_EQ(TestUtil::ReadFile(m_settings.tempFolder + "/readme.txt"), "notes");
    EXPECT_EQ(m_host.programButton, 1);

    UpdateService notZip = Service("1.0.2", server.Url("/notzip/"));
    const CheckResult broken = notZip.CheckProgramVersion();
    ASSERT_TRUE(broken.install.has_value());
    EXPECT_EQ(broken.install->status, InstallStatus::UnpackFailed);
    EXPECT_FALSE(std::filesystem::exists(m_settings.tempFolder + "/Keyboard-Software-1.0.3.zip"));
    EXPECT_EQ(m_host.startedPid, -1);
    EXPECT_FALSE(std::filesystem::exists(Marker()));

    // Without a successful check there is no version to install.
    UpdateService fresh = Service("1.0.2", server.Url("/noinst/"));
    EXPECT_EQ(fresh.InstallProgramUpdate().status, InstallStatus::NoVersion);
}

TEST_F(UpdateJobs, FirmwareCheckAndInstall) {
    Publish("fw", "FirmwareUpdateTool-", "106");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    struct Case {
        std::optional<int> keyboard;
        const char* published;
        bool update;
    } cases[] = {
        {0x0105, "106", true},   {0x0110, "109", false},
        {0x0106, "106", false},  {std::nullopt, "999", false},  // the keyboard did not answer
        {0x0099, "100\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.published);
        TestUtil::WriteFile(m_root / "fw/version", c.published);
        m_host = RecordingHost();
        KeyboardAccess keyboard;
        keyboard.queryVersion = [&] { return c.keyboard; };
        UpdateService service = Service("1.0.0", server.Url("/sw/"), server.Url("/fw/"), keyboard);
        const CheckResult result = service.CheckFirmwareVersion();
        EXPECT_TRUE(result.answered);
        EXPECT_EQ(result.newer, c.update);
        EXPECT_EQ(m_host.firmwareButton, c.update ? 1 : 0);
        EXPECT_EQ(m_host.firmwareInstallsQueued, c.update ? 1 : 0);
        EXPECT_EQ(m_host.startedPid, -1) << "the check itself installs nothing";
    }

    // Job 15, as queued by the check.
    TestUtil::WriteFile(m_root / "fw/version", "106");
    m_host = RecordingHost();
    UpdateService service = Service("1.0.0", server.Url("/sw/"), server.Url("/fw/"));
    ASSERT_TRUE(service.CheckFirmwareVersion().answered);
    EXPECT_EQ(m_host.latestFirmware, "106");
    const InstallResult installed = service.InstallFirmwareUpdate();
    EXPECT_EQ(installed.status, InstallStatus::Started) << installed.detail;
    EXPECT_EQ(m_host.startedPath, m_settings.tempFolder + "/FirmwareUpdateTool-106.exe");
    EXPECT_EQ(TestUtil::WaitForChild(installed.pid), 0);
    EXPECT_NE(TestUtil::ReadFile(Marker()), "");

    // No firmware address: nothing is asked.
    UpdateService none = Service("1.0.0", server.Url("/sw/"), "");
    EXPECT_FALSE(none.CheckFirmwareVersion().answered);
}

TEST_F(UpdateJobs, SilentServerDoesNotHoldTheWorker) {
    TestUtil::SilentServer silent;
    m_settings.http.stallTimeout = std::chrono::seconds(1);
    UpdateService service = Service("1.0.0", silent.Url("/sw/"), silent.Url("/fw/"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(service.CheckProgramVersion().answered);
    EXPECT_FALSE(service.CheckFirmwareVersion().answered);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 6.0);
    EXPECT_EQ(m_host.programButton, 0);
}

TEST_F(UpdateJobs, LocalFirmwareTool) {
    const std::string program = m_data / "program/";
    m_settings.programFolder = program;
    m_settings.rescanDelay = std::chrono::milliseconds(10);
    int closed = 0, rescanned = 0;
    KeyboardAccess keyboard;
    keyboard.closeAll = [&] { ++closed; };
    keyboard.rescan = [&] { ++rescanned; };

    UpdateService missing = Service("1.0.0", "", "", keyboard);
    EXPECT_EQ(missing.LaunchLocalFirmwareTool().status, InstallStatus::InstallerMissing);
    EXPECT_EQ(closed, 0) << "the keyboard stays open when there is no tool";

    TestUtil::WriteFile(program + "firmware/tool.sh", InstallerScript());
    UpdateService notExecutable = Service("1.0.0", "", "", keyboard);
    EXPECT_EQ(notExecutable.LaunchLocalFirmwareTool().status, InstallStatus::StartFailed);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(rescanned, 1) << "a tool that does not start gives the keyboard back";

    ::chmod((program + "firmware/tool.sh").c_str(), 0755);
    UpdateService service = Service("1.0.0", "", "", keyboard);
    const InstallResult started = service.LaunchLocalFirmwareTool();
    EXPECT_EQ(started.status, InstallStatus::Started) << started.detail;
    EXPECT_EQ(m_host.startedPath, program + "firmware/tool.sh");
    EXPECT_EQ(TestUtil::WaitForChild(started.pid), 0);
    EXPECT_EQ(TestUtil::ReadFile(Marker()), "ran in " + program + "firmware\n");
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(rescanned, 1);
}

}  // namespace
}  // namespace KeyForge
