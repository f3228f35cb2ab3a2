// keyforgectl devices and firmware: a device scan as the program runs it, and the
// keyboard's firmware version.
#include <cstdio>
#include <iostream>

#include "app/device/HidDeviceManager.h"
#include "app/store/DeviceDescription.h"
#include "tools/keyforgectl/Commands.h"

namespace KeyForge::Ctl {

namespace {

// Commands always go to the feature-protocol keyboard, as after a connection update.
constexpr int kCommandDeviceType = 201;

struct ScanOutcome {
    DeviceDescription description;
    RescanResult result;
};

ScanOutcome ScanDevices(HidDeviceManager& manager) {
    ScanOutcome outcome;
    LoadDeviceDescription(DeviceDescriptionPath(), outcome.description);
    manager.RegisterKnownDevices(outcome.description.modes);
    outcome.result = manager.Rescan(outcome.description.modes);
    manager.SetCurrentDeviceType(kCommandDeviceType);
    return outcome;
}

}  // namespace

int RunDevices(Args& args) {
    args.ExpectEnd();
    HidDeviceManager& manager = HidDeviceManager::Instance();
    const ScanOutcome scan = ScanDevices(manager);
    const auto& modes = scan.description.modes;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const KeyboardEntry& e = modes[i];
        std::cout << e.keyboardName << " mode " << e.mode;
        if (!e.modeCaption.empty()) std::cout << " (" << e.modeCaption << ")";
        std::cout << ": connected " << (scan.result.modeConnected[i] ? "yes" : "no");
        OpenInterfaceInfo info;
        const int index = manager.FindInterface(e.vendorId, e.productId, e.name, e.mode);
        if (index >= 0 && manager.InterfaceAt(index, info)) std::cout << ", interface " << info.path;
        std::cout << "\n";
    }
    OpenInterfaceInfo current;
    std::cout << "commands go to: " << (manager.CurrentInterface(current) ? current.path : std::string("none")) << "\n";
    std::cout << "connection mode of device type " << kCommandDeviceType << ": " << manager.ConnectionMode() << "\n";
    std::string auxPath;
    const bool aux = manager.AuxInterface(auxPath);
    std::cout << "auxiliary interface: " << (aux ? "open, " + auxPath : std::string("none")) << "\n";
    return 0;
}

int RunFirmware(Args& args) {
    args.ExpectEnd();
    HidDeviceManager& manager = HidDeviceManager::Instance();
    ScanDevices(manager);
    OpenInterfaceInfo current;
    if (!manager.CurrentInterface(current)) throw CtlError("no keyboard is connected", kExitNoKeyboard);
    int version = 0;
    if (!manager.QueryVersion(version)) {
        const std::string why = manager.LastError();
        throw CtlError("the keyboard did not report its firmware version" + (why.empty() ? "" : ": " + why));
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", version & 0xFFFF);
    std::cout << text << "\n";
    return 0;
}

}  // namespace KeyForge::Ctl
