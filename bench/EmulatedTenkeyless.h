// The benchmarks' keyboard: the report-protocol TK87-RGB with its streaming interface,
// emulated in this process in a socket folder of its own, scanned by a device manager.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/device/HidDeviceManager.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "app/store/DeviceDescription.h"
#include "tools/keyforge-emu/EmulatedKeyboard.h"
#include "tools/keyforge-emu/EmulatorServer.h"

namespace KeyForge::Benchmarks {

inline constexpr int kTenkeylessType = 101;

struct EmulatedTenkeyless {
    EmulatedTenkeyless() {
        char folder[] = "/tmp/kfbench.XXXXXX";
        m_folder = ::mkdtemp(folder) ? folder : "/tmp";
        ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
        KeyboardEntry mode;
        mode.keyboardName = "TK87-RGB";
        mode.deviceType = kTenkeylessType;
        mode.vendorId = 0x1209;
        mode.productId = 0x0004;
        mode.interfacePattern = "HID#VID_1209&PID_0004&MI_02";
        modes.push_back(mode);
        std::string error;
        server.Start(error);
        manager.RegisterKnownDevices(modes);
        manager.Rescan(modes);
    }
    ~EmulatedTenkeyless() {
        server.Stop();
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }

    std::string m_folder;
    std::vector<KeyboardEntry> modes;
    Emu::EmulatedKeyboard keyboard{"TK87-RGB", kTenkeylessType, {0}, 0x0100};
    Emu::EmulatorServer server{keyboard, Emu::PlanInterfaces(kTenkeylessType,
                                                             {{0, 0x1209, 0x0004, "HID#VID_1209&PID_0004&MI_02"}},
                                                             0x0100, 65)};
    EmulatorTransport transport;
    HidDeviceManager manager{transport};
};

}  // namespace KeyForge::Benchmarks
