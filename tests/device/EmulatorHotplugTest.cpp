// Hotplug of emulated keyboards: plugging one in and unplugging it are seen as arrivals
// and removals of its interface paths.
#include <gtest/gtest.h>

#include <condition_variable>
#include <set>

#include "app/device/emulated/EmulatorHotplug.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "tests/device/EmulatorHarness.h"

namespace KeyForge {
namespace {

struct Events {
    void Add(int event, const std::string& path, bool opens) {
        std::lock_guard lock(mutex);
        list.push_back({event, path, opens});
        changed.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return list.size() >= count; });
    }
    struct Event {
        int code;
        std::string path;
        bool opens;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> list;
};

TEST(EmulatorHotplug, ArrivalAndRemovalCarryTheInterfacePaths) {
    TestUtil::RuntimeFolder runtime;
    Events events;
    EmulatorTransport transport;
    EmulatorHotplug watcher;
    ASSERT_TRUE(watcher.Start([&](int code, const std::string& path) {
        // An arrival is reported only once the interface answers.
        std::string error;
        const bool opens = code == kDeviceArrival && transport.Open(path, error) != nullptr;
        events.Add(code, path, opens);
    })) << watcher.ErrorText();

    std::vector<std::string> paths;
    {
        TestUtil::InProcessKeyboard keyboard(TestUtil::kFullSizeType, {0, 1});
        paths = keyboard.server.Paths();
        ASSERT_EQ(paths.size(), 4u);
        ASSERT_TRUE(events.WaitFor(paths.size()));
    }
    ASSERT_TRUE(events.WaitFor(2 * paths.size()));
    watcher.Stop();

    const std::set<std::string> expected(paths.begin(), paths.end());
    std::set<std::string> arrived, removed;
    for (std::size_t i = 0; i < events.list.size(); ++i) {
        const auto& e = events.list[i];
        if (i < paths.size()) {
            EXPECT_EQ(e.code, kDeviceArrival);
            EXPECT_TRUE(e.opens) << e.path;
            arrived.insert(e.path);
        } else {
            EXPECT_EQ(e.code, kDeviceRemoveComplete);
            removed.insert(e.path);
        }
    }
    EXPECT_EQ(arrived, expected);
    EXPECT_EQ(removed, expected);
    // The command interface's path carries the pattern config.xml gives for the mode.
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const std::string& p) {
        return p.find("HID#VID_1209&PID_0001&MI_02") != std::string::npos;
    }));
}

TEST(SystemDeviceWatcher, SeesEmulatedKeyboardsBesideHidraw) {
    TestUtil::RuntimeFolder runtime;
    Events events;
    SystemDeviceWatcher watcher;
    ASSERT_TRUE(watcher.Start([&](int code, const std::string& path) { events.Add(code, path, false); }))
        << watcher.ErrorText();
    TestUtil::InProcessKeyboard keyboard(TestUtil::kTenkeylessType, {0});
    ASSERT_TRUE(events.WaitFor(3));
    keyboard.Unplug();
    ASSERT_TRUE(events.WaitFor(6));
    watcher.Stop();
    EXPECT_EQ(events.list[0].code, kDeviceArrival);
    EXPECT_EQ(events.list[5].code, kDeviceRemoveComplete);
}

TEST(EmulatorHotplug, StopsWithoutEvents) {
    TestUtil::RuntimeFolder runtime;
    EmulatorHotplug watcher;
    ASSERT_TRUE(watcher.Start([](int, const std::string&) {}));
    watcher.Stop();
    watcher.Stop();
}

}  // namespace
}  // namespace KeyForge
