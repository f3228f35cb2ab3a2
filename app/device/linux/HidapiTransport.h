// The hidraw backend of the HID transport, on hidapi: every hidraw node's top-level
// collections, named by interface paths whose instance is the node ("hidraw3").
#pragma once

#include "app/device/HidTransport.h"
#include "app/device/InterfacePath.h"

namespace KeyForge {

/// HID interfaces of the kernel's hidraw nodes. Paths of other backends are not its own:
/// Open returns null and leaves the error empty for them.
class HidapiTransport : public HidTransport {
public:
    HidInterfaceList Enumerate() override;
    std::unique_ptr<HidConnection> Open(const std::string& path, std::string& error) override;
};

/// What names a hidraw node's interface, as enumeration and hotplug read it.
struct HidrawNodeFacts {
    std::string node;           ///< "hidraw3"
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool usb = false;           ///< on the USB bus
    int usbInterface = -1;      ///< bInterfaceNumber of the USB interface
    bool bluetooth = false;     ///< on the Bluetooth bus
    bool uhid = false;          ///< created from user space (the Bluetooth daemon does so for LE)
    int collection = 0;         ///< 1-based top-level collection when the node has several, else 0
};

/// The identity a node's path is built from: the interface number only for USB, the
/// HID-over-GATT service for Bluetooth nodes created through uhid (LE; classic Bluetooth
/// HID comes from the kernel).
InterfaceIdentity HidrawIdentity(const HidrawNodeFacts& facts);

/// True when the node's sysfs device lies under uhid.
bool IsUhidNode(const std::string& node);

}  // namespace KeyForge
