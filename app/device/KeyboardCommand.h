// What every keyboard command needs at hand: the device manager it sends through, the
// store it reads, the model of the keyboard (key and light index maps), the device type
// that picks the command set, and the pause that paces the keyboard. The commands run on
// whatever thread calls them and know nothing of windows.
//
// Errors: commands never throw. Sends are fire-and-forget as the device manager's are;
// what a command reports back is said at the command.
#pragma once

#include <chrono>

#include "app/device/HidDeviceManager.h"
#include "app/store/DataStore.h"
#include "app/store/KeyboardModel.h"

namespace KeyForge {

/// Device types up to 200 speak the report protocol, 201 to 299 the feature protocol;
/// 300 and above get no key or lighting writes.
enum class CommandSet { Report, Feature, None };
/// The command set of a device type.
CommandSet CommandSetOf(int deviceType);

/// The connection mode of a cable; anything else takes the wireless forms.
inline constexpr int kWiredMode = 0;

/// The parts a command works with; the caller keeps them alive for the call.
struct KeyboardCommandContext {
    HidDeviceManager& device;
    DataStore& store;
    const KeyboardModel& model;
    int deviceType = 0;                  ///< picks the command set
    PauseFunction pause = SleepPause;    ///< the command's own pauses (the manager has its own)
};

}  // namespace KeyForge
