// The hidraw backend of the HID transport, on hidapi: every hidraw node's top-level
// collections, named by interface paths whose instance is the node ("hidraw3").
#pragma once

#include "app/device/HidTransport.h"

namespace KeyForge {

/// HID interfaces of the kernel's hidraw nodes. Paths of other backends are not its own:
/// Open returns null and leaves the error empty for them.
class HidapiTransport : public HidTransport {
public:
    HidInterfaceList Enumerate() override;
    std::unique_ptr<HidConnection> Open(const std::string& path, std::string& error) override;
};

/// True when the hidraw node belongs to a Bluetooth LE HID-over-GATT device (the Bluetooth
/// daemon creates those through uhid; classic Bluetooth HID comes from the kernel).
bool IsGattHidrawNode(const std::string& node, bool bluetoothBus);

}  // namespace KeyForge
