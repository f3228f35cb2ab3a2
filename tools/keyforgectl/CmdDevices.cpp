// keyforgectl devices and firmware: a device scan as the program runs it, and the
// keyboard's firmware version.
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <mutex>

#include "app/device/DeviceChange.h"
#include "app/device/DeviceWatcher.h"
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

std::string ConnectedSummary(const std::vector<KeyboardEntry>& modes) {
    std::string text;
    for (const KeyboardEntry& e : modes) {
        if (!e.connected) continue;
        text += (text.empty() ? "" : ", ") + e.keyboardName + " mode " + std::to_string(e.mode);
    }
    return text.empty() ? "no keyboard connected" : text + " connected";
}

}  // namespace

int RunWatch(Args& args) {
    long seconds = 0;
    if (const auto s = args.TakeOption("--seconds")) seconds = ParseNumberIn(*s, "seconds", 1, 86400);
    args.ExpectEnd();
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    HidDeviceManager& manager = HidDeviceManager::Instance();
    ScanOutcome scan = ScanDevices(manager);
    std::vector<KeyboardEntry>& modes = scan.description.modes;
    for (std::size_t i = 0; i < modes.size(); ++i) modes[i].connected = scan.result.modeConnected[i] ? 1 : 0;
    std::cout << ConnectedSummary(modes) << std::endl;

    // Events arrive on the watcher's thread, which here also does the worker's rescan.
    std::mutex mutex;
    SystemDeviceWatcher watcher;
    const bool started = watcher.Start([&](int event, const std::string& path) {
        std::lock_guard lock(mutex);
        const int task = TaskForDeviceChange(event, path, modes);
        std::cout << (event == kDeviceArrival ? "arrival " : "removal ") << path << ": ";
        if (task == kTaskNone) {
            std::cout << "ignored" << std::endl;
            return;
        }
        const RescanResult result = manager.Rescan(modes);
        manager.SetCurrentDeviceType(kCommandDeviceType);
        for (std::size_t i = 0; i < modes.size(); ++i) modes[i].connected = result.modeConnected[i] ? 1 : 0;
        std::cout << "rescan, " << ConnectedSummary(modes) << std::endl;
    });
    if (!started) throw CtlError("cannot watch for devices: " + watcher.ErrorText());
    if (seconds > 0) {
        const timespec timeout{seconds, 0};
        sigtimedwait(&stopSignals, nullptr, &timeout);
    } else {
        int signal = 0;
        sigwait(&stopSignals, &signal);
    }
    watcher.Stop();
    return 0;
}

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
