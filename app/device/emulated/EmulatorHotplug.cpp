// inotify on the socket folder: sockets are renamed into place once they answer
// (arrival) and deleted when the emulator unplugs them (removal).
#include "app/device/emulated/EmulatorHotplug.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "app/device/emulated/EmulatorTransport.h"
#include "app/device/emulated/EmulatorWire.h"
#include "app/store/Paths.h"

namespace KeyForge {

EmulatorHotplug::~EmulatorHotplug() { Stop(); }

bool EmulatorHotplug::Start(DeviceChangeHandler handler) {
    if (m_thread.joinable()) return true;
    const std::string folder = EmuWire::SocketFolder();
    auto fail = [this](std::string text) {
        std::lock_guard lock(m_errorMutex);
        m_error = std::move(text);
        if (m_inotify >= 0) ::close(m_inotify);
        if (m_wake >= 0) ::close(m_wake);
        m_inotify = m_wake = -1;
        return false;
    };
    if (!CreateFolderPath(folder)) return fail("cannot create " + folder);
    m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_inotify < 0 || m_wake < 0) return fail(std::string("inotify: ") + std::strerror(errno));
    if (::inotify_add_watch(m_inotify, folder.c_str(), IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE) < 0)
        return fail("cannot watch " + folder + ": " + std::strerror(errno));
    m_folder = folder;
    // Interfaces present now can be removed later.
    m_paths.clear();
    if (DIR* dir = ::opendir(folder.c_str())) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir))
            if (EmuWire::IsInterfaceSocketName(entry->d_name)) names.emplace_back(entry->d_name);
        ::closedir(dir);
        for (const std::string& name : names)
            if (std::string path = PathOfSocket(name); !path.empty()) m_paths[name] = path;
    }
    m_thread = std::thread([this, handler = std::move(handler)] { Run(handler); });
    return true;
}

void EmulatorHotplug::Stop() {
    if (!m_thread.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    ::close(m_inotify);
    ::close(m_wake);
    m_inotify = m_wake = -1;
}

std::string EmulatorHotplug::ErrorText() const {
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

std::string EmulatorHotplug::PathOfSocket(const std::string& name) const {
    EmuWire::InterfaceDescription description{};
    std::string path, error;
    return DescribeEmulatedInterface(m_folder + "/" + name, description, path, error) ? path : std::string();
}

void EmulatorHotplug::Run(DeviceChangeHandler handler) {
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        const ssize_t got = ::read(m_inotify, buffer, sizeof buffer);
        if (got <= 0) continue;
        for (ssize_t offset = 0; offset < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // Control sockets and sockets not yet listening are no interfaces.
            if (event->len == 0 || !EmuWire::IsInterfaceSocketName(event->name)) continue;
            const std::string name = event->name;
            if (event->mask & IN_MOVED_TO) {
                // Renamed into place once listening, so it answers (unless already gone).
                const std::string path = PathOfSocket(name);
                if (path.empty()) continue;
                m_paths[name] = path;
                handler(kDeviceArrival, path);
            } else if (const auto it = m_paths.find(name); it != m_paths.end()) {
                const std::string path = it->second;
                m_paths.erase(it);
                handler(kDeviceRemoveComplete, path);
            }
        }
    }
}

}  // namespace KeyForge
