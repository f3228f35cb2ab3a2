// The update service's worker jobs: asking the maker's server for the latest program
// and firmware versions, downloading, checking and unpacking an update package and
// starting its installer, and starting the firmware tool kept in the program folder.
//
// The jobs take their inputs as plain data (UpdateSources), reach the keyboard through
// KeyboardAccess and report every outcome to an UpdateHost, which the main window
// implements. Error convention: nothing throws; install jobs return an InstallResult
// that says what happened, and a failure leaves the program running as before.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/store/HttpClient.h"
#include "app/store/ZipExtractor.h"

namespace KeyForge {

/// What an update is for.
enum class UpdateTarget { Program, Firmware };

/// The service's inputs, read from config.xml and the keyboard's layout file.
struct UpdateSources {
    std::string programVersion;     ///< `software` version
    std::string programUpgradeUrl;  ///< `software`/`upgrade` url
    std::string firmwareUrl;        ///< layout `firmware` url
    std::string firmwareToolFile;   ///< layout `firmware` file: the tool in <program>/firmware/
};

/// Where the service works and how long it waits.
struct UpdateSettings {
    HttpOptions http;           ///< time-outs and cancellation of every request
    ExtractLimits limits;       ///< archives beyond these are refused
    std::string tempFolder;     ///< downloads and unpacked files ("" = GetTempFolder())
    std::string programFolder;  ///< with '/' ("" = GetProgramFolder())
    std::chrono::milliseconds rescanDelay{
        2000};  ///< pause before the rescan when the firmware tool fails to start
};

/// The keyboard as the jobs need it; empty functions stand for "no keyboard".
struct KeyboardAccess {
    /// The keyboard's firmware version (device manager QueryVersion); nothing without an answer.
    std::function<std::optional<int>()> queryVersion;
    /// Closes every keyboard interface (before the firmware tool takes the keyboard).
    std::function<void()> closeAll;
    /// Rescans the keyboards.
    std::function<void()> rescan;
};

/// Receives the jobs' outcomes (implemented by the main window).
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    /// The program version check begins; the main window stops its timer 200.
    virtual void OnProgramCheckStarted() {}
    /// The server named its latest version.
    virtual void OnLatestVersion(UpdateTarget target, const std::string& version) = 0;
    /// A newer version exists and was not installed: the upgrade button's status becomes 1.
    virtual void OnUpdateAvailable(UpdateTarget target) = 0;
    /// A newer firmware exists: queue the firmware install job (15).
    virtual void QueueFirmwareInstall() = 0;
    /// An installer or the firmware tool runs as process `pid`. The program is meant to
    /// end now (exit code 0); the host decides, so tests and keyforgectl can go on.
    virtual void OnInstallerStarted(UpdateTarget target, const std::string& path, int pid) = 0;
};

/// How an install or tool launch ended.
enum class InstallStatus {
    Started,             ///< the installer runs
    NoVersion,           ///< no latest version is known (no successful check)
    NoAddress,           ///< the update address is not an http or https address
    DownloadFailed,      ///< the package did not arrive whole; nothing was kept
    ChecksumUnreadable,  ///< the server's checksum file could not be read; package removed
    ChecksumMismatch,    ///< the package is not the one published; package removed
    UnpackFailed,        ///< the package is no archive or is absurd; package removed
    InstallerMissing,    ///< the package holds no installer of that version
    StartFailed,         ///< the installer or tool could not be started
};

/// A short English description of a status (for logs and keyforgectl).
const char* DescribeInstallStatus(InstallStatus status);

/// Result of an install job.
struct InstallResult {
    InstallStatus status = InstallStatus::NoVersion;
    std::string detail;  ///< the underlying error, when there is one
    std::string path;    ///< the installer or tool
    int pid = -1;        ///< its process when started
};

/// Result of a version check.
struct CheckResult {
    bool answered = false;                 ///< the server named a usable version
    std::string latest;                    ///< that version
    bool newer = false;                    ///< it is an update for this program or keyboard
    std::optional<InstallResult> install;  ///< the install the program check ran at once
};

/// The package file name for a version: "Keyboard-Software-%s.zip" or "FirmwareUpdateTool-%s.zip".
std::string PackageName(UpdateTarget target, const std::string& version);
/// The installer inside that package: "Keyboard-Software-%s.exe" or "FirmwareUpdateTool-%s.exe".
std::string InstallerName(UpdateTarget target, const std::string& version);
/// True when `latest` is an update for the program version `current` (newer, or a
/// different number of parts).
bool IsProgramUpdate(const std::string& current, const std::string& latest);
/// True when the published firmware `latest` is newer than the keyboard's `version`
/// (a negative version never is).
bool IsFirmwareUpdate(int version, const std::string& latest);

/// The jobs, run one at a time on the worker thread. Remembers the latest published
/// versions between jobs.
class UpdateService {
public:
    UpdateService(UpdateSources sources, UpdateHost& host, KeyboardAccess keyboard = {},
                  UpdateSettings settings = {});

    /// Asks the server for the latest version of the program or firmware; remembers and
    /// reports it. Changes nothing else.
    std::optional<std::string> FetchLatestVersion(UpdateTarget target);

    /// Job 12: the latest program version; an update is installed at once, and when the
    /// program goes on running the program upgrade button is set.
    CheckResult CheckProgramVersion();
    /// Job 13: the latest firmware version against the keyboard's; a newer one sets the
    /// firmware upgrade button and queues job 15.
    CheckResult CheckFirmwareVersion();
    /// Job 14: download, check, unpack and start the program installer.
    InstallResult InstallProgramUpdate();
    /// Job 15: the same for the firmware update tool.
    InstallResult InstallFirmwareUpdate();
    /// Job 16: starts <program>/firmware/<tool file> with the keyboard closed; when it
    /// cannot start, waits and rescans the keyboards.
    InstallResult LaunchLocalFirmwareTool();

    /// The latest published program version ("" before a successful check).
    const std::string& LatestProgramVersion() const { return m_latestProgram; }
    /// The latest published firmware version ("" before a successful check).
    const std::string& LatestFirmwareVersion() const { return m_latestFirmware; }

private:
    InstallResult Install(UpdateTarget target);
    const std::string& Address(UpdateTarget target) const;
    std::string TempFolder() const;

    UpdateSources m_sources;
    UpdateHost& m_host;
    KeyboardAccess m_keyboard;
    UpdateSettings m_settings;
    std::string m_latestProgram;
    std::string m_latestFirmware;
};

}  // namespace KeyForge
