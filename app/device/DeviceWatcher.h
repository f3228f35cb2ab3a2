// Hotplug: watchers that report the arrival and removal of HID interfaces by their
// interface path, as the device-change message of the main window carries them.
//
// Error convention: Start returns false when the watcher cannot run (the reason is
// available from ErrorText); events are delivered on the watcher's own thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KeyForge {

/// Device-change event codes: an interface arrived, an interface was removed.
inline constexpr int kDeviceArrival = 0x8000;
inline constexpr int kDeviceRemoveComplete = 0x8004;

/// Receives (event code, interface path) on the watcher's thread.
using DeviceChangeHandler = std::function<void(int event, const std::string& path)>;

/// One source of device-change events.
class DeviceWatcher {
public:
    virtual ~DeviceWatcher() = default;
    /// Starts watching; events go to `handler` until Stop. False when it cannot watch.
    virtual bool Start(DeviceChangeHandler handler) = 0;
    /// Stops watching and waits for the thread; no event is delivered afterwards.
    virtual void Stop() = 0;
    /// Why Start failed ("" otherwise).
    virtual std::string ErrorText() const = 0;
};

/// The system's watchers side by side: hidraw nodes (udev) and emulated keyboards.
class SystemDeviceWatcher : public DeviceWatcher {
public:
    /// The udev watcher of hidraw nodes and the watcher of emulated keyboards.
    SystemDeviceWatcher();
    ~SystemDeviceWatcher() override;
    /// True when at least one watcher runs.
    bool Start(DeviceChangeHandler handler) override;
    void Stop() override;
    std::string ErrorText() const override;

private:
    std::vector<std::unique_ptr<DeviceWatcher>> m_watchers;
};

}  // namespace KeyForge
