// Control-socket client: one request line per connection, the answer until the end.
#include "tools/keyforge-emu/EmulatorControl.h"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/device/emulated/EmulatorWire.h"

namespace KeyForge::Emu {

bool AskEmulator(const std::string& socketPath, const std::string& request, std::string& answer) {
    answer.clear();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        answer = "socket path too long";
        return false;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        answer = std::strerror(errno);
        return false;
    }
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        answer = std::string("cannot reach the emulator: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    const std::string line = request + "\n";
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        answer = "the emulator went away";
        ::close(fd);
        return false;
    }
    std::string reply;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    const auto end = reply.find('\n');
    if (end == std::string::npos) {
        answer = "no answer from the emulator";
        return false;
    }
    const std::string status = reply.substr(0, end);
    if (status == "ok") {
        answer = reply.substr(end + 1);
        return true;
    }
    answer = status.rfind("error ", 0) == 0 ? status.substr(6) : status;
    return false;
}

std::vector<RunningEmulator> FindEmulators() {
    const std::string folder = EmuWire::SocketFolder();
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string_view(entry->d_name).rfind(EmuWire::kControlPrefix, 0) == 0) names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<RunningEmulator> found;
    for (const std::string& name : names) {
        RunningEmulator e{folder + "/" + name, {}};
        std::string answer;
        if (!AskEmulator(e.socketPath, "name", answer)) continue;
        if (!answer.empty() && answer.back() == '\n') answer.pop_back();
        e.keyboard = answer;
        found.push_back(std::move(e));
    }
    return found;
}

}  // namespace KeyForge::Emu
