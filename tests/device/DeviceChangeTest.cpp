// Device-change messages: which arrivals and removals ask the worker for a rescan.
#include <gtest/gtest.h>

#include <condition_variable>

#include "app/device/DeviceChange.h"
#include "app/device/DeviceWatcher.h"
#include "app/device/emulated/EmulatorHotplug.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "tests/device/EmulatorHarness.h"

namespace KeyForge {
namespace {

TEST(DeviceChange, ArrivalsAndRemovalsByPattern) {
    const std::string cable = "\\\\?\\hid#vid_1209&pid_0001&mi_02#7&1a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const std::string keyboardCollection = "\\\\?\\HID#VID_1209&PID_0001&MI_00#hidraw2#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const std::string gatt =
        "\\\\?\\HID#{00001812-0000-1000-8000-00805f9b34fb}_VID_1209&PID_0003&MI_02#hidraw5#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const std::string stranger = "\\\\?\\HID#VID_046D&PID_C52B&MI_02#hidraw9#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const struct {
        int event;
        std::string path;
        int connectedEntry;  // index marked connected before, or -1
        int task;
        bool clearsEntry;
    } cases[] = {
        {kDeviceArrival, cable, -1, kTaskDeviceArrival, false},
        {kDeviceArrival, keyboardCollection, -1, kTaskNone, false},
        {kDeviceArrival, gatt, -1, kTaskNone, false},
        {kDeviceArrival, stranger, -1, kTaskNone, false},
        {kDeviceArrival, "", -1, kTaskNone, false},
        {kDeviceRemoveComplete, cable, 0, kTaskDeviceRemoval, true},
        {kDeviceRemoveComplete, cable, -1, kTaskNone, false},  // entry not marked connected
        {kDeviceRemoveComplete, cable, 1, kTaskNone, false},   // another entry connected
        {kDeviceRemoveComplete, gatt, 2, kTaskNone, false},
        {0x0007, cable, 0, kTaskNone, false},
    };
    for (const auto& c : cases) {
        std::vector<KeyboardEntry> modes = TestUtil::SampleModeList();
        if (c.connectedEntry >= 0) modes[static_cast<std::size_t>(c.connectedEntry)].connected = 1;
        EXPECT_EQ(TaskForDeviceChange(c.event, c.path, modes), c.task) << c.event << " " << c.path;
        if (c.connectedEntry >= 0) {
            EXPECT_EQ(modes[static_cast<std::size_t>(c.connectedEntry)].connected, c.clearsEntry ? 0 : 1) << c.path;
        }
    }
}

TEST(DeviceChange, BluetoothKeyboardAnnouncingGattQueuesOnlyForItsOtherInterfaces) {
    TestUtil::RuntimeFolder runtime;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<int, std::string>> events;
    EmulatorHotplug watcher;
    ASSERT_TRUE(watcher.Start([&](int code, const std::string& path) {
        std::lock_guard lock(mutex);
        events.emplace_back(code, path);
        changed.notify_all();
    }));
    TestUtil::InProcessKeyboard keyboard(TestUtil::kFullSizeType, {2}, 0x0105, 65, true);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return events.size() >= 3; }));
    }
    watcher.Stop();

    std::vector<KeyboardEntry> modes = TestUtil::SampleModeList();
    int gattPaths = 0, rescans = 0;
    for (const auto& [code, path] : events) {
        const bool gatt = path.find("{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0003") != std::string::npos;
        gattPaths += gatt;
        const int task = TaskForDeviceChange(code, path, modes);
        if (gatt) {
            EXPECT_EQ(task, kTaskNone) << path;
        }
        rescans += task == kTaskDeviceArrival;
    }
    EXPECT_EQ(gattPaths, 1);
    EXPECT_EQ(rescans, 1) << "the command interface arrives like any other";

    // The scan opens the GATT collection like every interface of a known device, and closes it.
    EmulatorTransport transport;
    HidDeviceManager manager(transport);
    manager.RegisterKnownDevices(modes);
    EXPECT_TRUE(manager.Rescan(modes).keyboardConnected);
    std::vector<OpenInterfaceInfo> open;
    manager.CollectInterfaces(open);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_NE(open[0].path.find("&MI_02"), std::string::npos);
}

}  // namespace
}  // namespace KeyForge
