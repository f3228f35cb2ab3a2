// The command set of a device type.
#include "app/device/KeyboardCommand.h"

namespace KeyForge {

CommandSet CommandSetOf(int deviceType) {
    if (deviceType <= 200) return CommandSet::Report;
    if (deviceType <= 299) return CommandSet::Feature;
    return CommandSet::None;
}

}  // namespace KeyForge
