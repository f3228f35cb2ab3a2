// Test helpers for the device link: an emulated keyboard served in the test's own
// process, in a socket folder of its own, and the sample keyboards as known devices.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/device/HidDeviceManager.h"
#include "tests/support/TestSupport.h"
#include "tools/keyforge-emu/EmulatedKeyboard.h"
#include "tools/keyforge-emu/EmulatorServer.h"

namespace KeyForge::TestUtil {

/// The sample keyboards of the shipped config.xml: a feature-protocol keyboard with three
/// connection modes and a report-protocol keyboard with cable only.
inline constexpr int kFullSizeType = 201;
inline constexpr int kTenkeylessType = 101;

/// The mode list of the two sample keyboards, as the description loader fills it.
inline std::vector<KeyboardEntry> SampleModeList() {
    auto entry = [](const char* keyboard, int type, int mode, int pid) {
        KeyboardEntry e;
        e.keyboardName = keyboard;
        e.deviceType = type;
        e.mode = mode;
        e.vendorId = 0x1209;
        e.productId = pid;
        char pattern[64];
        std::snprintf(pattern, sizeof pattern, "HID#VID_1209&PID_%04X&MI_02", pid);
        e.interfacePattern = pattern;
        return e;
    };
    return {entry("VX9-RGB", kFullSizeType, 0, 1), entry("VX9-RGB", kFullSizeType, 1, 2),
            entry("VX9-RGB", kFullSizeType, 2, 3), entry("TK87-RGB", kTenkeylessType, 0, 4)};
}

/// The emulator's identities of the given modes of a sample keyboard.
inline std::vector<Emu::ModeIdentity> SampleModes(int deviceType, std::vector<int> modes) {
    std::vector<Emu::ModeIdentity> out;
    for (const KeyboardEntry& e : SampleModeList()) {
        if (e.deviceType != deviceType) continue;
        for (int m : modes)
            if (m == e.mode)
                out.push_back({e.mode, static_cast<std::uint16_t>(e.vendorId), static_cast<std::uint16_t>(e.productId),
                               e.interfacePattern});
    }
    return out;
}

/// An emulated keyboard plugged in for the lifetime of the object (or until Unplug).
class InProcessKeyboard {
public:
    InProcessKeyboard(int deviceType, std::vector<int> modes, int firmware = 0x0105, int outputLength = 65,
                      bool gatt = false)
        : keyboard(deviceType == kFullSizeType ? "VX9-RGB" : "TK87-RGB", deviceType, modes, firmware),
          server(keyboard,
                 Emu::PlanInterfaces(deviceType, SampleModes(deviceType, modes), firmware, outputLength, gatt)) {
        std::string error;
        EXPECT_TRUE(server.Start(error)) << error;
    }
    /// Removes the keyboard: its sockets go, open connections end.
    void Unplug() { server.Stop(); }

    Emu::EmulatedKeyboard keyboard;
    Emu::EmulatorServer server;
};

/// A socket folder of the test's own ($XDG_RUNTIME_DIR in a TempDir).
class RuntimeFolder {
public:
    RuntimeFolder() : m_env("XDG_RUNTIME_DIR", m_dir.Path()) {}
    const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
    ScopedEnv m_env;
};

}  // namespace KeyForge::TestUtil
