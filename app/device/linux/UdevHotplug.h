// Hotplug of hidraw nodes: a udev monitor of the hidraw subsystem turns add and remove
// events into arrivals and removals of the nodes' interface paths.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "app/device/DeviceWatcher.h"

struct udev;
struct udev_device;
struct udev_monitor;

namespace KeyForge {

/// Watches hidraw nodes through udev. A removed node's sysfs entry is gone by the time the
/// event arrives, so the path of every known node is remembered from its arrival (or from
/// the nodes present at Start).
class UdevHotplug : public DeviceWatcher {
public:
    ~UdevHotplug() override;
    bool Start(DeviceChangeHandler handler) override;
    void Stop() override;
    std::string ErrorText() const override;

private:
    void Run(DeviceChangeHandler handler);
    std::string PathOfNode(udev_device* device) const;

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    int m_wake = -1;
    std::thread m_thread;
    std::map<std::string, std::string> m_paths;  // node name -> interface path (watcher thread only after Start)
    mutable std::mutex m_errorMutex;
    std::string m_error;
};

}  // namespace KeyForge
