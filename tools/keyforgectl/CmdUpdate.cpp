// keyforgectl update: the update service from the command line: what the servers
// publish against what is installed, the install procedure and the local firmware tool.
#include <cstdio>
#include <iostream>

#include "app/device/HidDeviceManager.h"
#include "app/store/DeviceDescription.h"
#include "app/store/KeyboardLayout.h"
#include "app/store/Paths.h"
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

// The service's inputs: config.xml and the layout of the keyboard that commands go to.
struct UpdateInputs {
    DeviceDescription description;
    UpdateSources sources;
};

UpdateInputs LoadUpdateInputs() {
    UpdateInputs inputs;
    if (!LoadDeviceDescription(DeviceDescriptionPath(), inputs.description))
        throw CtlError("cannot read " + DeviceDescriptionPath());
    inputs.sources.programVersion = inputs.description.software.version;
    inputs.sources.programUpgradeUrl = inputs.description.software.upgradeUrl;
    KeyboardModel model;
    if (LoadKeyboardLayout(inputs.description, kStartupDeviceType, model, nullptr, GetProgramFolder())) {
        inputs.sources.firmwareUrl = model.firmwareUrl;
        inputs.sources.firmwareToolFile = model.firmwareFile;
    }
    return inputs;
}

// The keyboard as the program's worker sees it: a scan, then commands to device type 201.
KeyboardAccess KeyboardOf(const DeviceDescription& description) {
    KeyboardAccess keyboard;
    auto rescan = [&description] {
        HidDeviceManager& manager = HidDeviceManager::Instance();
        manager.Rescan(description.modes);
        manager.SetCurrentDeviceType(kStartupDeviceType);
    };
    keyboard.queryVersion = [rescan]() -> std::optional<int> {
        HidDeviceManager& manager = HidDeviceManager::Instance();
        if (!manager.IsActive()) rescan();
        int version = -1;
        if (!manager.QueryVersion(version)) return std::nullopt;
        return version;
    };
    keyboard.closeAll = [] { HidDeviceManager::Instance().CloseAll(); };
    keyboard.rescan = rescan;
    HidDeviceManager::Instance().RegisterKnownDevices(description.modes);
    return keyboard;
}

std::string KeyboardFirmwareText(const std::optional<int>& version, bool connected) {
    if (!connected) return "no keyboard connected";
    if (!version) return "unknown (the keyboard did not answer)";
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(*version) & 0xFFFF);
    return text;
}

int RunCheck(Args& args) {
    args.ExpectEnd();
    const UpdateInputs inputs = LoadUpdateInputs();
    const UpdateSources& sources = inputs.sources;
    const KeyboardAccess access = KeyboardOf(inputs.description);
    CtlUpdateHost host;
    UpdateService service(sources, host);
    const std::optional<std::string> program = service.FetchLatestVersion(UpdateTarget::Program);
    const std::optional<std::string> firmware = service.FetchLatestVersion(UpdateTarget::Firmware);
    const std::optional<int> keyboard = access.queryVersion();
    OpenInterfaceInfo current;
    const bool connected = HidDeviceManager::Instance().CurrentInterface(current);

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
              << "Keyboard firmware version: " << KeyboardFirmwareText(keyboard, connected) << "\n"
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
    const UpdateInputs inputs = LoadUpdateInputs();
    const UpdateSources& sources = inputs.sources;
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

// Starts the firmware tool kept in the program folder, with the keyboard closed.
int RunTool(Args& args) {
    args.ExpectEnd();
    const UpdateInputs inputs = LoadUpdateInputs();
    if (inputs.sources.firmwareToolFile.empty())
        throw CtlError("the keyboard's layout names no firmware tool");
    CtlUpdateHost host;
    UpdateService service(inputs.sources, host, KeyboardOf(inputs.description));
    const InstallResult result = service.LaunchLocalFirmwareTool();
    if (result.status == InstallStatus::InstallerMissing)
        throw CtlError("no firmware tool at " + result.path);
    if (result.status != InstallStatus::Started)
        throw CtlError(std::string(DescribeInstallStatus(result.status)) + ": " + result.detail);
    std::cout << "Started " << result.path << " (process " << result.pid << ")\n";
    return 0;
}

}  // namespace

int RunUpdate(Args& args) {
    const std::string action = args.Next("action (check, install or tool)");
    if (action == "check") return RunCheck(args);
    if (action == "install") return RunInstall(args);
    if (action == "tool") return RunTool(args);
    throw CtlError("unknown update action: " + action);
}

}  // namespace KeyForge::Ctl
