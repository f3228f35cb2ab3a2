// The description load and the layout load: config.xml and layouts/<layout>.xml
// into the keyboard list, the mode list and the keyboard model. Plain data in, plain
// data out; the caller hands the lists to the device manager and the device selector
// and applies the model to its views.
//
// Errors: loads return false (the reason is not reported, as for every description
// file); what they leave behind is stated per function.
#pragma once

#include <string>
#include <string_view>

#include "app/store/DeviceDescription.h"
#include "app/store/KeyboardModel.h"

namespace KeyForge {

/// Switches the settings store to the database of another keyboard. The layout load
/// calls it with the keyboard's name (empty when config.xml names no keyboard of the
/// device type) before it reads the layout file, so the store follows the choice even
/// when the layout cannot be read.
class KeyboardStoreSwitch {
public:
    virtual ~KeyboardStoreSwitch() = default;
    /// Closes the open database, if any, and opens the one of that keyboard.
    virtual void SwitchToKeyboard(const std::string& keyboardName) = 0;
};

/// The device type whose layout the description load shows first.
inline constexpr int kStartupDeviceType = 201;

/// <programFolder>layouts/<layoutName>.xml (programFolder ends in '/').
std::string LayoutFilePath(const std::string& programFolder, const std::string& layoutName);

/// Reads one layout file into a fresh model. Page flags not given by a `menu` element
/// are taken from `previousPageFlags`. False when the file cannot be read, is not well
/// formed or has no root `device.info`; `model` is then unchanged.
bool ReadLayoutFile(const std::string& path, unsigned previousPageFlags, KeyboardModel& model);

/// The layout load of a device type: the first keyboard of that type names the layout
/// and the store (nullptr: no store to switch). The device type and keyboard name
/// become current and the firmware download address is cleared in any case; when the
/// layout file cannot be read the rest of the previous model stays and false is returned.
bool LoadKeyboardLayout(const DeviceDescription& description, int deviceType, KeyboardModel& model,
                        KeyboardStoreSwitch* store, const std::string& programFolder);

/// The description load: reads <programFolder>config.xml into `description` (emptied
/// first) and then loads the layout of kStartupDeviceType. True only when both files
/// were read; a missing config.xml leaves the lists empty and still runs the layout
/// load, which then finds no keyboard and leaves the key model as it was. The caller
/// then registers description.modes with the device manager, adds description.keyboards
/// to the device selector and subscribes to hotplug.
bool LoadKeyboardDescription(const std::string& programFolder, DeviceDescription& description,
                             KeyboardModel& model, KeyboardStoreSwitch* store);

/// Reads a `row_col` text "R,C" (also "R,CC"): false, with row and column -1, when it
/// is not two whole numbers separated by a comma.
bool ParseRowColumn(std::string_view text, int& row, int& column);

/// Reads a `rect` text "x#y#w#h" into (x, y, x + w, y + h); missing parts read as 0.
KeyRect ParseKeyRect(std::string_view text);

}  // namespace KeyForge
