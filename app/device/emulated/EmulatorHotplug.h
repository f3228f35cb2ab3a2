// Hotplug of emulated keyboards: interface sockets appearing in or leaving the socket
// folder are arrivals and removals of their interface paths.
#pragma once

#include <atomic>
#include <map>
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
    std::string PathOfSocket(const std::string& name) const;

    std::thread m_thread;
    int m_inotify = -1;
    int m_wake = -1;
    std::string m_folder;
    // Socket name -> interface path, from arrival (a removed socket cannot be asked).
    std::map<std::string, std::string> m_paths;
    mutable std::mutex m_errorMutex;
    std::string m_error;
};

}  // namespace KeyForge
