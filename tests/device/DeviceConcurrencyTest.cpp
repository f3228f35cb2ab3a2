// Unplugging a keyboard while three threads send and the worker rescans: no crash, no
// use of a closed interface, sends fail quietly and work again after the next rescan.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/device/emulated/EmulatorTransport.h"
#include "tests/device/EmulatorHarness.h"

namespace KeyForge {
namespace {

using namespace std::chrono_literals;

TEST(DeviceConcurrency, UnplugWhileSendingAndRescanning) {
    TestUtil::RuntimeFolder runtime;
    EmulatorTransport transport;
    HidDeviceManager manager(transport);
    const std::vector<KeyboardEntry> modes = TestUtil::SampleModeList();
    manager.RegisterKnownDevices(modes);

    auto keyboard = std::make_unique<TestUtil::InProcessKeyboard>(TestUtil::kFullSizeType, std::vector<int>{0});
    ASSERT_TRUE(manager.Rescan(modes).keyboardConnected);
    manager.SetCurrentDeviceType(TestUtil::kFullSizeType);

    std::atomic<bool> stop{false};
    std::atomic<int> sent{0}, failed{0};
    auto loop = [&](auto send) {
        return std::thread([&, send] {
            while (!stop) (send() ? sent : failed)++;
        });
    };
    OutputReport frame{};
    frame[1] = 0x8B;
    // The worker's uploads, the window's lighting command and the audio thread's levels.
    std::thread worker = loop([&] { return manager.WriteReport(frame); });
    std::thread window = loop([&] { return manager.SendFeature({0x07, 0xF7, 1, 2, 3, 4, 5, 6}); });
    std::thread audio = loop([&] { return manager.SendFeature({0x07, 0x23, 0x45, 0x67, 0x89, 1, 0, 0x40}); });

    std::this_thread::sleep_for(30ms);
    keyboard->Unplug();
    const std::vector<std::string> firstLog = keyboard->keyboard.Log();
    const RescanResult gone = manager.Rescan(modes);
    EXPECT_FALSE(gone.keyboardConnected);
    std::this_thread::sleep_for(20ms);
    const int failedWhileGone = failed;

    keyboard = std::make_unique<TestUtil::InProcessKeyboard>(TestUtil::kFullSizeType, std::vector<int>{0});
    EXPECT_TRUE(manager.Rescan(modes).keyboardConnected);
    manager.SetCurrentDeviceType(TestUtil::kFullSizeType);
    std::this_thread::sleep_for(30ms);
    stop = true;
    worker.join();
    window.join();
    audio.join();

    EXPECT_GT(sent.load(), 0);
    EXPECT_GT(failedWhileGone, 0) << "sends fail while the keyboard is away";
    EXPECT_GT(keyboard->keyboard.Log().size(), 0u) << "sends work again after the rescan";
    // Every report reached the keyboard whole, before the unplug and after the replug.
    const std::vector<std::string> secondLog = keyboard->keyboard.Log();
    for (const auto* log : {&firstLog, &secondLog}) {
        for (const std::string& line : *log) {
            const bool out = line.rfind("0 out ", 0) == 0 && line.size() == 6 + 65 * 3 - 1;
            const bool feature = line.rfind("0 set-feature ", 0) == 0 && line.size() == 14 + 8 * 3 - 1;
            EXPECT_TRUE(out || feature) << line;
        }
    }
}

}  // namespace
}  // namespace KeyForge
