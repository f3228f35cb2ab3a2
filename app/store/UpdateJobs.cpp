// The update jobs: version checks, install procedure and the local firmware tool.
#include "app/store/UpdateJobs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "app/store/Paths.h"
#include "app/store/ProgramLauncher.h"
#include "app/store/Sha256.h"
#include "app/store/VersionCompare.h"

namespace KeyForge {

namespace {

const char* PackagePrefix(UpdateTarget target) {
    return target == UpdateTarget::Program ? "Keyboard-Software-" : "FirmwareUpdateTool-";
}

InstallResult Fail(InstallStatus status, std::string detail = {}) {
    InstallResult result;
    result.status = status;
    result.detail = std::move(detail);
    return result;
}

// A server without checksum files answers "not found"; anything else that keeps the
// checksum from us may hide a tampered package.
bool MeansNoChecksumFile(const HttpResult& result) {
    return result.status == 404 || result.status == 410;
}

}  // namespace

const char* DescribeInstallStatus(InstallStatus status) {
    switch (status) {
        case InstallStatus::Started:
            return "installer started";
        case InstallStatus::NoVersion:
            return "no published version known";
        case InstallStatus::NoAddress:
            return "no http or https update address";
        case InstallStatus::DownloadFailed:
            return "download failed";
        case InstallStatus::ChecksumUnreadable:
            return "checksum file unreadable";
        case InstallStatus::ChecksumMismatch:
            return "package does not match its checksum";
        case InstallStatus::UnpackFailed:
            return "package cannot be unpacked";
        case InstallStatus::InstallerMissing:
            return "package holds no installer";
        case InstallStatus::StartFailed:
            return "installer cannot be started";
    }
    return "unknown";
}

std::string PackageName(UpdateTarget target, const std::string& version) {
    return PackagePrefix(target) + version + ".zip";
}

std::string InstallerName(UpdateTarget target, const std::string& version) {
    return PackagePrefix(target) + version + ".exe";
}

bool IsProgramUpdate(const std::string& current, const std::string& latest) {
    return CompareVersions(current, latest) >= 1;
}

bool IsFirmwareUpdate(int version, const std::string& latest) {
    return version >= 0 && FirmwareNumberFromKeyboard(version) < LeadingDecimal(latest);
}

UpdateService::UpdateService(UpdateSources sources, UpdateHost& host, KeyboardAccess keyboard,
                             UpdateSettings settings)
    : m_sources(std::move(sources)),
      m_host(host),
      m_keyboard(std::move(keyboard)),
      m_settings(std::move(settings)) {}

const std::string& UpdateService::Address(UpdateTarget target) const {
    return target == UpdateTarget::Program ? m_sources.programUpgradeUrl : m_sources.firmwareUrl;
}

std::string UpdateService::TempFolder() const {
    return m_settings.tempFolder.empty() ? GetTempFolder() : m_settings.tempFolder;
}

std::optional<std::string> UpdateService::FetchLatestVersion(UpdateTarget target) {
    const std::string& address = Address(target);
    // An empty or odd address would make the client guess a host name: never ask.
    if (!IsWebAddress(address)) return std::nullopt;
    std::string body;
    if (!GetWebText(address + "version", body, m_settings.http)) return std::nullopt;
    std::optional<std::string> version = PublishedVersionFromBody(body);
    if (!version) return std::nullopt;
    (target == UpdateTarget::Program ? m_latestProgram : m_latestFirmware) = *version;
    m_host.OnLatestVersion(target, *version);
    return version;
}

CheckResult UpdateService::CheckProgramVersion() {
    CheckResult result;
    m_host.OnProgramCheckStarted();
    const std::optional<std::string> latest = FetchLatestVersion(UpdateTarget::Program);
    if (!latest) return result;
    result.answered = true;
    result.latest = *latest;
    result.newer = IsProgramUpdate(m_sources.programVersion, *latest);
    if (!result.newer) return result;
    result.install = InstallProgramUpdate();
    if (result.install->status != InstallStatus::Started) m_host.OnUpdateAvailable(UpdateTarget::Program);
    return result;
}

CheckResult UpdateService::CheckFirmwareVersion() {
    CheckResult result;
    const std::optional<std::string> latest = FetchLatestVersion(UpdateTarget::Firmware);
    if (!latest) return result;
    result.answered = true;
    result.latest = *latest;
    const std::optional<int> version = m_keyboard.queryVersion ? m_keyboard.queryVersion() : std::nullopt;
    result.newer = version && IsFirmwareUpdate(*version, *latest);
    if (result.newer) {
        m_host.OnUpdateAvailable(UpdateTarget::Firmware);
        m_host.QueueFirmwareInstall();
    }
    return result;
}

InstallResult UpdateService::InstallProgramUpdate() {
    return Install(UpdateTarget::Program);
}
InstallResult UpdateService::InstallFirmwareUpdate() {
    return Install(UpdateTarget::Firmware);
}

InstallResult UpdateService::Install(UpdateTarget target) {
    const std::string& version = target == UpdateTarget::Program ? m_latestProgram : m_latestFirmware;
    if (version.empty()) return Fail(InstallStatus::NoVersion);
    const std::string& address = Address(target);
    if (!IsWebAddress(address)) return Fail(InstallStatus::NoAddress, address);

    const std::string url = address + "//" + PackageName(target, version);
    const std::string temp = TempFolder();
    const std::string package = temp + "/" + PackageName(target, version);
    const std::string installer = temp + "/" + InstallerName(target, version);
    if (!CreateFolderPath(temp)) return Fail(InstallStatus::DownloadFailed, "cannot create " + temp);

    // The download removes an old package and keeps only a whole new one.
    const HttpResult download = FetchFile(url, package, m_settings.http);
    if (!download.ok) return Fail(InstallStatus::DownloadFailed, url + ": " + download.error);

    std::string checksumText;
    const HttpResult checksum = FetchText(url + ".sha256", checksumText, m_settings.http);
    if (checksum.ok) {
        const std::optional<std::string> expected = ParseSha256Text(checksumText);
        const std::optional<std::string> actual = Sha256FileHex(package);
        if (!expected || !actual) {
            ::unlink(package.c_str());
            return Fail(InstallStatus::ChecksumUnreadable, url + ".sha256 holds no SHA-256");
        }
        if (*expected != *actual) {
            ::unlink(package.c_str());
            return Fail(InstallStatus::ChecksumMismatch, "expected " + *expected + ", got " + *actual);
        }
    } else if (!MeansNoChecksumFile(checksum)) {
        ::unlink(package.c_str());
        return Fail(InstallStatus::ChecksumUnreadable, url + ".sha256: " + checksum.error);
    }

    // An installer left from an earlier package must not pass for this one's.
    ::unlink(installer.c_str());
    const ExtractReport unpacked = ExtractArchive(package, temp, m_settings.limits);
    ::unlink(package.c_str());
    if (!unpacked.opened || unpacked.refused)
        return Fail(InstallStatus::UnpackFailed, unpacked.opened ? unpacked.reason : "not a zip archive");

    struct stat st {};
    if (::lstat(installer.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail(InstallStatus::InstallerMissing, InstallerName(target, version));
    InstallResult result;
    result.path = installer;
    if (::chmod(installer.c_str(), 0755) != 0) {
        result.status = InstallStatus::StartFailed;
        result.detail = std::strerror(errno);
        return result;
    }
    result.pid = StartDetachedProgram(installer, temp, &result.detail);
    if (result.pid < 0) {
        result.status = InstallStatus::StartFailed;
        return result;
    }
    result.status = InstallStatus::Started;
    m_host.OnInstallerStarted(target, installer, result.pid);
    return result;
}

InstallResult UpdateService::LaunchLocalFirmwareTool() {
    const std::string& file = m_sources.firmwareToolFile;
    // The name comes from a layout file; it names a file in the firmware folder, no more.
    if (file.empty() || file.find_first_of("/\\") != std::string::npos || file == "." || file == "..")
        return Fail(InstallStatus::InstallerMissing, file);
    std::string folder = m_settings.programFolder.empty() ? GetProgramFolder() : m_settings.programFolder;
    if (folder.back() != '/') folder += '/';
    folder += "firmware";
    InstallResult result;
    result.path = folder + "/" + file;
    if (!IsFile(result.path)) {
        result.status = InstallStatus::InstallerMissing;
        return result;
    }
    if (m_keyboard.closeAll) m_keyboard.closeAll();
    result.pid = StartDetachedProgram(result.path, folder, &result.detail);
    if (result.pid >= 0) {
        result.status = InstallStatus::Started;
        m_host.OnInstallerStarted(UpdateTarget::Firmware, result.path, result.pid);
        return result;
    }
    result.status = InstallStatus::StartFailed;
    std::this_thread::sleep_for(m_settings.rescanDelay);
    if (m_keyboard.rescan) m_keyboard.rescan();
    return result;
}

}  // namespace KeyForge
