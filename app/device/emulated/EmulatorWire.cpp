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

bool IsInterfaceSocketName(std::string_view name) {
    return name.size() > kInstancePrefix.size() && name.substr(0, kInstancePrefix.size()) == kInstancePrefix &&
           name.find('/') == std::string_view::npos;
}

std::string SocketNameOfPath(std::string_view path) {
    const std::string instance = InterfaceInstance(path);
    // Instances hold no '/', so the name stays inside the socket folder.
    return IsInterfaceSocketName(instance) ? instance : std::string();
}

std::string PathOf(std::string_view instance, const InterfaceDescription& description) {
    InterfaceIdentity identity;
    identity.vendorId = description.vendorId;
    identity.productId = description.productId;
    identity.interfaceNumber = description.interfaceNumber;
    identity.gatt = (description.flags & kFlagGatt) != 0;
    identity.instance = std::string(instance);
    return BuildInterfacePath(identity);
}

}  // namespace KeyForge::EmuWire
