// keyforgectl update: the update service from the command line: what the servers
// publish against what is installed, and the install procedure.
#include <cstdio>
#include <iostream>

#include "app/store/DeviceDescription.h"
#include "app/store/UpdateJobs.h"
#include "tools/keyforgectl/Commands.h"

namespace KeyForge::Ctl {

namespace {

// keyforgectl reports the outcome and ends by itself; the installer runs on in its
// own session.
class CtlUpdateHost : public UpdateHost {
public:
    void OnLatestVersion(UpdateTarget, const std::string&) override {}
    void OnUpdateAvailable(UpdateTarget) override {}
    void QueueFirmwareInstall() override {}
    void OnInstallerStarted(UpdateTarget, const std::string&, int) override {}
};

// The service's inputs from config.xml; the firmware address and tool come from the
// layout of the keyboard that commands go to.
UpdateSources LoadUpdateSources() {
    DeviceDescription description;
    if (!LoadDeviceDescription(DeviceDescriptionPath(), description))
        throw CtlError("cannot read " + DeviceDescriptionPath());
    UpdateSources sources;
    sources.programVersion = description.software.version;
    sources.programUpgradeUrl = description.software.upgradeUrl;
    return sources;
}

std::string KeyboardFirmwareText(const std::optional<int>& version) {
    if (!version) return "no keyboard connected";
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(*version) & 0xFFFF);
    return text;
}

// The keyboard's firmware version; nothing when no keyboard answers.
std::optional<int> QueryKeyboardFirmware() {
    return std::nullopt;
}

int RunCheck(Args& args) {
    args.ExpectEnd();
    const UpdateSources sources = LoadUpdateSources();
    CtlUpdateHost host;
    UpdateService service(sources, host);
    const std::optional<std::string> program = service.FetchLatestVersion(UpdateTarget::Program);
    const std::optional<std::string> firmware = service.FetchLatestVersion(UpdateTarget::Firmware);
    const std::optional<int> keyboard = QueryKeyboardFirmware();

    const char* noAnswer = "unknown (the update server did not answer)";
    std::cout << "Program version:           " << sources.programVersion << "\n"
              << "Latest program version:    " << program.value_or(noAnswer) << "\n"
              << "Program update:            "
              << (!program                                            ? "unknown"
                  : IsProgramUpdate(sources.programVersion, *program) ? "available"
                                                                      : "none")
              << "\n";
    std::cout << "Latest firmware version:   "
              << (sources.firmwareUrl.empty() ? "unknown (no firmware address)" : firmware.value_or(noAnswer))
              << "\n"
              << "Keyboard firmware version: " << KeyboardFirmwareText(keyboard) << "\n"
              << "Firmware update:           "
              << (!firmware || !keyboard                   ? "unknown"
                  : IsFirmwareUpdate(*keyboard, *firmware) ? "available"
                                                           : "none")
              << "\n";
    if (!program && !firmware) throw CtlError("no update server answered");
    return 0;
}

int RunInstall(Args& args) {
    const std::string what = args.Next("program or firmware");
    args.ExpectEnd();
    if (what != "program" && what != "firmware") throw CtlError("expected program or firmware: " + what);
    const UpdateTarget target = what == "program" ? UpdateTarget::Program : UpdateTarget::Firmware;
    const UpdateSources sources = LoadUpdateSources();
    const std::string& address =
        target == UpdateTarget::Program ? sources.programUpgradeUrl : sources.firmwareUrl;
    if (address.empty()) throw CtlError("no " + what + " update address");
    CtlUpdateHost host;
    UpdateService service(sources, host);
    const std::optional<std::string> latest = service.FetchLatestVersion(target);
    if (!latest) throw CtlError("the update server did not answer at " + address + "version");
    const InstallResult result =
        target == UpdateTarget::Program ? service.InstallProgramUpdate() : service.InstallFirmwareUpdate();
    if (result.status != InstallStatus::Started) {
        std::string message =
            std::string(DescribeInstallStatus(result.status)) + " (" + what + " " + *latest + ")";
        if (!result.detail.empty()) message += ": " + result.detail;
        throw CtlError(message);
    }
    std::cout << "Started " << result.path << " (" << what << " " << *latest << ", process " << result.pid
              << ")\n";
    return 0;
}

}  // namespace

int RunUpdate(Args& args) {
    const std::string action = args.Next("action (check or install)");
    if (action == "check") return RunCheck(args);
    if (action == "install") return RunInstall(args);
    throw CtlError("unknown update action: " + action);
}

}  // namespace KeyForge::Ctl
