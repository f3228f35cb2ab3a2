// Interface paths: the interface number, building paths, and the socket names of
// emulated interfaces.
#include <gtest/gtest.h>

#include "app/device/InterfacePath.h"
#include "app/device/emulated/EmulatorWire.h"
#include "app/device/linux/HidapiTransport.h"

namespace KeyForge {
namespace {

TEST(InterfacePath, InterfaceNumberFollowsFirstMi) {
    const struct {
        const char* path;
        int number;
    } cases[] = {
        {"\\\\?\\hid#vid_1209&pid_0001#7&1&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", -1},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_03#7&1&0#{...}", 3},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_0a#7&1&0#{...}", 10},
        {"\\\\?\\HID#VID_1209&PID_0001&MI_0A#hidraw3#{...}", 10},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_zz#x#{...}", -1},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_", -1},
        {"\\\\?\\hid#vid_1209&pid_0001&mi_02&mi_03#x", 2},
        {"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(InterfaceNumberFromPath(c.path), c.number) << c.path;
}

TEST(InterfacePath, BuiltFromTheNodesFacts) {
    InterfaceIdentity usb{0x1209, 0x0001, 2, 0, false, "hidraw3"};
    EXPECT_EQ(BuildInterfacePath(usb), "\\\\?\\HID#VID_1209&PID_0001&MI_02#hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    InterfaceIdentity twoCollections{0xABCD, 0x00EF, 0, 2, false, "hidraw0"};
    EXPECT_EQ(InterfaceHardwareId(twoCollections), "VID_ABCD&PID_00EF&MI_00&COL02");
    InterfaceIdentity bluetooth{0x1209, 0x0003, -1, 0, true, "hidraw7"};
    const std::string path = BuildInterfacePath(bluetooth);
    EXPECT_TRUE(ContainsNoCase(path, kGattHidServiceId)) << path;
    EXPECT_EQ(path.find("&MI_"), std::string::npos) << "no interface number without USB";
    EXPECT_EQ(InterfaceNumberFromPath(path), -1);

    EXPECT_EQ(InterfaceInstance(BuildInterfacePath(usb)), "hidraw3");
    EXPECT_EQ(InterfaceHardwarePart(BuildInterfacePath(usb)), "VID_1209&PID_0001&MI_02");
    EXPECT_EQ(InterfaceInstance("/dev/hidraw3"), "");
}

TEST(InterfacePath, HidrawNodesByBus) {
    const struct {
        HidrawNodeFacts facts;
        const char* hardwareId;
    } cases[] = {
        {{"hidraw3", 0x1209, 0x0001, true, 2, false, false, 0}, "VID_1209&PID_0001&MI_02"},
        {{"hidraw4", 0x1209, 0x0001, true, 0, false, false, 2}, "VID_1209&PID_0001&MI_00&COL02"},
        // Classic Bluetooth HID (kernel) has no interface number and no GATT service.
        {{"hidraw5", 0x1209, 0x0003, false, -1, true, false, 0}, "VID_1209&PID_0003"},
        {{"hidraw6", 0x1209, 0x0003, false, -1, true, true, 0}, "{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0003"},
        // uhid alone (an emulated device of another kind) is no GATT interface.
        {{"hidraw7", 0x1209, 0x0004, false, 3, false, true, 0}, "VID_1209&PID_0004"},
    };
    for (const auto& c : cases) {
        const InterfaceIdentity identity = HidrawIdentity(c.facts);
        EXPECT_EQ(InterfaceHardwareId(identity), c.hardwareId) << c.facts.node;
        EXPECT_EQ(InterfaceInstance(BuildInterfacePath(identity)), c.facts.node);
    }
}

TEST(InterfacePath, EmulatedSocketsAreNamedByInstanceAndStayInTheFolder) {
    EmuWire::InterfaceDescription description{0x1209, 0x0001, 0x0105, 0xFF01, 1, 2, 65, 8, 0, 0};
    const std::string path = EmuWire::PathOf("emu-12-1-m0-i2", description);
    EXPECT_EQ(path, "\\\\?\\HID#VID_1209&PID_0001&MI_02#emu-12-1-m0-i2#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    EXPECT_EQ(EmuWire::SocketNameOfPath(path), "emu-12-1-m0-i2");
    description.flags = EmuWire::kFlagGatt;
    description.interfaceNumber = -1;
    EXPECT_EQ(EmuWire::PathOf("emu-12-1-m2-gatt", description),
              "\\\\?\\HID#{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0001#emu-12-1-m2-gatt#"
              "{4d1e55b2-f16f-11cf-88cb-001111000030}");
    EXPECT_EQ(EmuWire::SocketNameOfPath("\\\\?\\HID#VID_1209&PID_0001#hidraw3#{x}"), "") << "not emulated";
    EXPECT_EQ(EmuWire::SocketNameOfPath("\\\\?\\HID#VID_1209#emu-1/../../x#{x}"), "");
    EXPECT_FALSE(EmuWire::IsInterfaceSocketName("ctl-12-1"));
    EXPECT_FALSE(EmuWire::IsInterfaceSocketName(".pending-emu-12-1-m0-i2"));
    EXPECT_FALSE(EmuWire::IsInterfaceSocketName("emu-"));
}

}  // namespace
}  // namespace KeyForge
