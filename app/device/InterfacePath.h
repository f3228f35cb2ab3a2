// Interface paths: every HID interface, real or emulated, is named in one
// platform-neutral form, \\?\HID#VID_1209&PID_0001&MI_02#<instance>#{<class>}, so that
// config.xml patterns and the "&MI_03" and HID-over-GATT checks work everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace KeyForge {

/// The HID device-interface class every interface path ends with.
inline constexpr std::string_view kHidInterfaceClass = "{4d1e55b2-f16f-11cf-88cb-001111000030}";
/// The Bluetooth LE HID-over-GATT service: interfaces carrying it in their path are ignored
/// by hotplug.
inline constexpr std::string_view kGattHidService = "{00001812-0000-1000-8000-00805F9B34FB}";
/// The same service identifier as the hotplug check searches for it (no braces).
inline constexpr std::string_view kGattHidServiceId = "00001812-0000-1000-8000-00805F9B34FB";
/// The marker of the vendor interface that carries colour frames.
inline constexpr std::string_view kAuxInterfaceMarker = "&MI_03";

/// What an interface path is built from.
struct InterfaceIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1;  ///< USB interface number; -1 leaves "&MI_" out
    int collection = 0;        ///< 1-based top-level collection when a node has several; 0 leaves "&COL" out
    bool gatt = false;         ///< a Bluetooth LE HID-over-GATT interface
    std::string instance;      ///< names the node: "hidraw3", or an emulated interface
};

/// The hardware part of the path: "VID_1209&PID_0001&MI_02" (with the GATT prefix and the
/// collection when set).
std::string InterfaceHardwareId(const InterfaceIdentity& identity);
/// The whole path: \\?\HID#<hardware id>#<instance>#{4d1e55b2-...}.
std::string BuildInterfacePath(const InterfaceIdentity& identity);
/// The path made of a hardware id and an instance (the inverse of the two splits below).
std::string InterfacePathOf(std::string_view hardwareId, std::string_view instance);
/// The instance part of a path built by BuildInterfacePath, or "" when the path has another form.
std::string InterfaceInstance(std::string_view path);
/// The hardware id part of such a path, or "".
std::string InterfaceHardwarePart(std::string_view path);

/// The hexadecimal number after the first "&mi_" (any case) of the path; -1 when the path
/// holds no "&mi_" or no hexadecimal digit follows it.
int InterfaceNumberFromPath(std::string_view path);

/// ASCII upper-case copy.
std::string UpperAscii(std::string_view text);
/// True when `text` contains `part`, ignoring ASCII case.
bool ContainsNoCase(std::string_view text, std::string_view part);

}  // namespace KeyForge
