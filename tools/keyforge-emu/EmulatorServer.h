// Serves an emulated keyboard: one socket per emulated HID interface in the socket folder
// (each renamed into place once it listens, so its arrival is seen when it answers), a
// control socket for `keyforge-emu log/state/misbehave`, and one thread answering them all.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "app/device/emulated/EmulatorWire.h"
#include "tools/keyforge-emu/EmulatedKeyboard.h"

namespace KeyForge::Emu {

/// One connection mode's identity as config.xml gives it.
struct ModeIdentity {
    int mode = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string interfacePattern;  ///< `hid_interface`; its "&MI_xx" places the vendor interface
};

/// One emulated HID interface.
struct EmulatedInterface {
    int mode = 0;
    std::string instance;    ///< "emu-<pid>-<serial>-m<mode>-i<number>"
    std::string hardwareId;  ///< "VID_1209&PID_0001&MI_01"
    EmuWire::InterfaceDescription description{};
};

/// The interfaces a keyboard shows in each mode: the keyboard collection (MI_00, not a
/// vendor interface), the vendor command interface (usage page 0xFF01, usage 1; its number
/// from the mode's pattern, else 1) and, for report-protocol keyboards (device type up to
/// 200), the vendor streaming interface MI_03. `outputLength` is the vendor interfaces'
/// output report length. With `gattInterface` each mode also announces a consumer-control
/// collection over Bluetooth LE HID-over-GATT (its path carries the service identifier).
std::vector<EmulatedInterface> PlanInterfaces(int deviceType, const std::vector<ModeIdentity>& modes,
                                              int releaseNumber, int outputLength, bool gattInterface = false);

/// Runs the sockets of one emulated keyboard on its own thread.
class EmulatorServer {
public:
    /// Serves `keyboard` (which must outlive the server) on the planned interfaces.
    EmulatorServer(EmulatedKeyboard& keyboard, std::vector<EmulatedInterface> interfaces);
    ~EmulatorServer();
    EmulatorServer(const EmulatorServer&) = delete;
    EmulatorServer& operator=(const EmulatorServer&) = delete;

    /// Plugs the keyboard in: creates the sockets and starts answering. False with `error`
    /// when a socket cannot be made (nothing is left behind then).
    bool Start(std::string& error);
    /// Unplugs it: removes the sockets (removal events), then ends every connection.
    void Stop();
    /// The interface paths it serves.
    std::vector<std::string> Paths() const;

private:
    struct Connection {
        int fd;
        int interfaceIndex;  // -1 for a control connection
    };
    void Run();
    void Serve(Connection& c, bool& closeIt);
    void ServeControl(int fd);
    void SendDueReplies();

    // A reply held back by the late-reply misbehaviour (server thread only).
    struct DelayedReply {
        int fd;
        std::chrono::steady_clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<DelayedReply> m_delayed;
    void Unlink();

    EmulatedKeyboard& m_keyboard;
    std::vector<EmulatedInterface> m_interfaces;
    std::vector<int> m_listeners;  // one per interface
    int m_control = -1;
    std::string m_controlName;
    int m_wake = -1;
    std::string m_folder;
    std::thread m_thread;
    bool m_linked = false;
};

/// Removes sockets of emulators that are gone (nothing answers on them).
void RemoveStaleSockets(const std::string& folder);

}  // namespace KeyForge::Emu
