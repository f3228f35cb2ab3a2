// Device-change messages to worker tasks.
#include "app/device/DeviceChange.h"

#include "app/device/DeviceWatcher.h"
#include "app/device/InterfacePath.h"

namespace KeyForge {

int TaskForDeviceChange(int event, std::string_view path, std::vector<KeyboardEntry>& modeList) {
    if (path.empty()) return kTaskNone;
    const std::string upper = UpperAscii(path);
    const bool gatt = upper.find(kGattHidServiceId) != std::string::npos;
    if (event == kDeviceArrival) {
        for (const KeyboardEntry& e : modeList) {
            if (gatt) return kTaskNone;
            if (!e.interfacePattern.empty() && upper.find(e.interfacePattern) != std::string::npos)
                return kTaskDeviceArrival;
        }
    } else if (event == kDeviceRemoveComplete) {
        for (KeyboardEntry& e : modeList) {
            if (!e.connected) continue;
            if (gatt) return kTaskNone;
            if (!e.interfacePattern.empty() && upper.find(e.interfacePattern) != std::string::npos) {
                e.connected = 0;
                return kTaskDeviceRemoval;
            }
        }
    }
    return kTaskNone;
}

}  // namespace KeyForge
