// Socket folder and socket names of emulated interfaces.
#include "app/device/emulated/EmulatorWire.h"

#include <unistd.h>

#include <cstdlib>

#include "app/device/InterfacePath.h"

namespace KeyForge::EmuWire {

std::string SocketFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/keyforge";
    return "/tmp/keyforge-" + std::to_string(::getuid());
}

std::string InterfaceSocketName(std::string_view instance, std::string_view hardwareId) {
    return std::string(instance) + "#" + std::string(hardwareId);
}

std::string PathOfSocketName(std::string_view name) {
    if (name.substr(0, kInstancePrefix.size()) != kInstancePrefix) return {};
    const auto hash = name.find('#');
    if (hash == std::string_view::npos || hash + 1 >= name.size()) return {};
    return InterfacePathOf(name.substr(hash + 1), name.substr(0, hash));
}

std::string SocketNameOfPath(std::string_view path) {
    const std::string instance = InterfaceInstance(path);
    if (instance.substr(0, kInstancePrefix.size()) != kInstancePrefix) return {};
    // Instances hold no '/' or '#', so the name stays inside the socket folder.
    if (instance.find('/') != std::string::npos) return {};
    const std::string hardware = InterfaceHardwarePart(path);
    if (hardware.empty() || hardware.find('/') != std::string::npos) return {};
    return InterfaceSocketName(instance, hardware);
}

}  // namespace KeyForge::EmuWire
