// The system's device watchers combined.
#include "app/device/DeviceWatcher.h"

#include "app/device/emulated/EmulatorHotplug.h"
#include "app/device/linux/UdevHotplug.h"

namespace KeyForge {

SystemDeviceWatcher::SystemDeviceWatcher() {
    m_watchers.push_back(std::make_unique<UdevHotplug>());
    m_watchers.push_back(std::make_unique<EmulatorHotplug>());
}

SystemDeviceWatcher::~SystemDeviceWatcher() { Stop(); }

bool SystemDeviceWatcher::Start(DeviceChangeHandler handler) {
    bool any = false;
    for (auto& w : m_watchers) any = w->Start(handler) || any;
    return any;
}

void SystemDeviceWatcher::Stop() {
    for (auto& w : m_watchers) w->Stop();
}

std::string SystemDeviceWatcher::ErrorText() const {
    std::string text;
    for (const auto& w : m_watchers) {
        const std::string e = w->ErrorText();
        if (e.empty()) continue;
        if (!text.empty()) text += "; ";
        text += e;
    }
    return text;
}

}  // namespace KeyForge
