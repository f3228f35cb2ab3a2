// The keyboard description of config.xml as plain data: the program's identity and
// web addresses, the keyboard list and the connection-mode list (which is also the
// device manager's table of known devices).
#pragma once

#include <string>
#include <vector>

namespace KeyForge {

/// One keyboard (keyboard list) or one connection mode of a keyboard (mode list).
struct KeyboardEntry {
    std::string name;              ///< `name` of keyboard, or `product_name` of mode in the mode list
    int deviceType = 0;            ///< `device_type`: up to 200 report protocol, 201-299 feature protocol
    std::string layoutName;        ///< `device_info`: layouts/<layoutName>.xml
    int mode = 0;                  ///< `value` of mode: 0 cable, 1 2.4 GHz receiver, 2 Bluetooth
    int vendorId = 0;              ///< `vid` of mode (hexadecimal in the file)
    int productId = 0;             ///< `pid` of mode (hexadecimal in the file)
    std::string modeCaption;       ///< `desc` of mode
    std::string interfacePattern;  ///< `hid_interface` of mode
    int connected = 0;             ///< set by the device scan when a matching interface is open
    std::string keyboardName;      ///< `name` of the keyboard the entry belongs to (both lists)
};

/// The `software` element: the program's version and web addresses.
struct SoftwareInfo {
    std::string name;        ///< `name`: the application name (start-up reads it on its own)
    std::string version;     ///< shown as "Ver: %s"
    std::string websiteUrl;  ///< `website` url
    std::string storeUrl;    ///< `store` url
    std::string upgradeUrl;  ///< `upgrade` url: where the update service asks for versions
    std::string copyright;   ///< `copyright` info, shown in the notice label
};

/// Everything config.xml describes.
struct DeviceDescription {
    std::vector<KeyboardEntry> keyboards;  ///< one per `keyboard` element, in file order
    std::vector<KeyboardEntry> modes;      ///< one per `mode` element, in file order
    SoftwareInfo software;
};

/// Path of the program's description: <program folder>config.xml.
std::string DeviceDescriptionPath();

/// Reads config.xml into `out` (emptied first). A missing or malformed file, or one
/// without the root `config`, leaves everything empty and returns false. Numbers are
/// decimal, `vid` and `pid` hexadecimal; absent or non-numeric values read as 0.
/// The mode list is also the device manager's table of known devices: vendor ID,
/// product ID, product name (`name`), device type, mode, interface pattern.
bool LoadDeviceDescription(const std::string& configPath, DeviceDescription& out);

/// The first keyboard of that device type, or null.
const KeyboardEntry* FindKeyboardByType(const DeviceDescription& description, int deviceType);

}  // namespace KeyForge
