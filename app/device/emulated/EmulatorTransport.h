// The emulator backend of the HID transport: the interfaces of running keyforge-emu
// processes (Unix sockets in the socket folder), listed and opened like hidraw nodes.
#pragma once

#include <chrono>

#include "app/device/HidTransport.h"
#include "app/device/emulated/EmulatorWire.h"

namespace KeyForge {

/// How long a transfer waits for the emulator's reply before it fails.
inline constexpr std::chrono::milliseconds kEmulatorReplyTimeout{1000};

/// Emulated interfaces of $XDG_RUNTIME_DIR/keyforge/. Paths of other backends are not
/// its own: Open returns null and leaves the error empty for them.
class EmulatorTransport : public HidTransport {
public:
    HidInterfaceList Enumerate() override;
    std::unique_ptr<HidConnection> Open(const std::string& path, std::string& error) override;
};

/// Connects to an interface socket and asks for its description (bounded wait); on
/// success `path` is the interface path. False with `error` when it does not answer.
bool DescribeEmulatedInterface(const std::string& socketPath, EmuWire::InterfaceDescription& description,
                               std::string& path, std::string& error);

}  // namespace KeyForge
