// What a device-change message means for the program: which worker task an arrival or
// removal of an interface path asks for. UI-free, so the main window only posts the task.
#pragma once

#include <string_view>
#include <vector>

#include "app/store/DeviceDescription.h"

namespace KeyForge {

/// Worker tasks a device change can ask for.
inline constexpr int kTaskNone = 0;
inline constexpr int kTaskDeviceArrival = 2;
inline constexpr int kTaskDeviceRemoval = 3;

/// Decides the worker task for device-change event `event` (arrival 0x8000, removal
/// 0x8004) of the interface `path` (none without a path). An arrival asks for a rescan
/// when the upper-cased path contains the interface pattern of a mode-list entry; a
/// removal when it contains the pattern of an entry marked connected, whose flag is then
/// cleared. Paths of Bluetooth LE HID-over-GATT interfaces ask for nothing.
int TaskForDeviceChange(int event, std::string_view path, std::vector<KeyboardEntry>& modeList);

}  // namespace KeyForge
