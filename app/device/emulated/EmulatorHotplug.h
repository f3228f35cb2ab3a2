// Hotplug of emulated keyboards: interface sockets appearing in or leaving the socket
// folder are arrivals and removals of their interface paths.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "app/device/DeviceWatcher.h"

namespace KeyForge {

/// Watches $XDG_RUNTIME_DIR/keyforge/ (created when missing) with inotify.
class EmulatorHotplug : public DeviceWatcher {
public:
    ~EmulatorHotplug() override;
    bool Start(DeviceChangeHandler handler) override;
    void Stop() override;
    std::string ErrorText() const override;

private:
    void Run(DeviceChangeHandler handler);

    std::thread m_thread;
    int m_inotify = -1;
    int m_wake = -1;
    mutable std::mutex m_errorMutex;
    std::string m_error;
};

}  // namespace KeyForge
