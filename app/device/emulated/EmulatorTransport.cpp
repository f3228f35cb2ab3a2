// The emulator backend: one SOCK_SEQPACKET connection per open interface, one request
// and one reply per transfer.
#include "app/device/emulated/EmulatorTransport.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "app/device/InterfacePath.h"
#include "app/device/emulated/EmulatorWire.h"

namespace KeyForge {

namespace {

using namespace EmuWire;

int ConnectTo(const std::string& socketPath, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        error = "socket path too long: " + socketPath;
        return -1;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = std::string("cannot reach the emulated device: ") + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

// One request and its reply on a connected socket. Returns the reply's result, or -errno
// for a failure of the socket itself (ETIMEDOUT when no reply came in time, ENODEV when
// the emulator went away).
int Transact(int fd, std::uint32_t sequence, Kind kind, std::span<const std::uint8_t> data,
             std::vector<std::uint8_t>* replyData) {
    std::uint8_t message[kMaxMessage];
    if (sizeof(RequestHeader) + data.size() > sizeof message) return -EMSGSIZE;
    RequestHeader header{sequence, static_cast<std::uint8_t>(kind), {0, 0, 0}, static_cast<std::uint32_t>(data.size())};
    std::memcpy(message, &header, sizeof header);
    if (!data.empty()) std::memcpy(message + sizeof header, data.data(), data.size());
    const ssize_t sent = ::send(fd, message, sizeof header + data.size(), MSG_NOSIGNAL);
    if (sent < 0) return errno == EPIPE || errno == ECONNRESET ? -ENODEV : -errno;

    const auto deadline = std::chrono::steady_clock::now() + kEmulatorReplyTimeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -ETIMEDOUT;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return -ETIMEDOUT;
        const ssize_t got = ::recv(fd, message, sizeof message, 0);
        if (got == 0) return -ENODEV;
        if (got < 0) return errno == ECONNRESET ? -ENODEV : -errno;
        if (static_cast<std::size_t>(got) < sizeof(ReplyHeader)) return -EPROTO;
        ReplyHeader reply;
        std::memcpy(&reply, message, sizeof reply);
        // A reply to an earlier request that timed out: not ours, wait on.
        if (reply.sequence != sequence) continue;
        const std::size_t carried = static_cast<std::size_t>(got) - sizeof reply;
        if (reply.length > carried) return -EPROTO;
        if (replyData) replyData->assign(message + sizeof reply, message + sizeof reply + reply.length);
        return reply.result;
    }
}

std::string FailureText(int code) {
    if (code == -ETIMEDOUT) return "the device did not answer";
    if (code == -ENODEV) return "the device was removed";
    if (code == -EPROTO) return "malformed reply from the device";
    return std::strerror(-code);
}

bool Describe(int fd, InterfaceDescription& description, std::string& error) {
    std::vector<std::uint8_t> data;
    const int result = Transact(fd, 0, Kind::Describe, {}, &data);
    if (result < 0) {
        error = FailureText(result);
        return false;
    }
    if (data.size() != sizeof description) {
        error = "malformed reply from the device";
        return false;
    }
    std::memcpy(&description, data.data(), sizeof description);
    return true;
}

class EmulatedConnection : public HidConnection {
public:
    EmulatedConnection(int fd, const InterfaceDescription& description) : m_fd(fd), m_description(description) {}
    ~EmulatedConnection() override { ::close(m_fd); }

    std::size_t OutputReportLength() const override { return m_description.outputReportLength; }

    int RawWrite(std::span<const std::uint8_t> report) override {
        const int result = Request(Kind::Write, report, nullptr);
        return result < 0 ? -1 : result;
    }

    bool RawSetFeature(std::span<const std::uint8_t> report) override {
        return Request(Kind::SetFeature, report, nullptr) >= 0;
    }

    int RawGetFeature(std::span<std::uint8_t> buffer) override {
        std::vector<std::uint8_t> reply;
        const int result = Request(Kind::GetFeature, buffer, &reply);
        if (result < 0) return -1;
        const std::size_t n = std::min({reply.size(), buffer.size(), static_cast<std::size_t>(result)});
        std::copy_n(reply.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }

private:
    int Request(Kind kind, std::span<const std::uint8_t> data, std::vector<std::uint8_t>* reply) {
        std::lock_guard lock(m_mutex);
        const int result = Transact(m_fd, ++m_sequence, kind, data, reply);
        if (result < 0) SetError(FailureText(result));
        return result;
    }

    std::mutex m_mutex;
    int m_fd;
    std::uint32_t m_sequence = 0;
    InterfaceDescription m_description;
};

}  // namespace

bool DescribeEmulatedInterface(const std::string& socketPath, InterfaceDescription& description, std::string& path,
                               std::string& error) {
    const int fd = ConnectTo(socketPath, error);
    if (fd < 0) return false;
    const bool described = Describe(fd, description, error);
    ::close(fd);
    if (!described) return false;
    const auto slash = socketPath.rfind('/');
    path = PathOf(slash == std::string::npos ? socketPath : socketPath.substr(slash + 1), description);
    return true;
}

HidInterfaceList EmulatorTransport::Enumerate() {
    HidInterfaceList list;
    const std::string folder = SocketFolder();
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (IsInterfaceSocketName(entry->d_name)) names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string error, path;
        InterfaceDescription description{};
        // Sockets left behind by an emulator that was killed do not answer.
        if (!DescribeEmulatedInterface(folder + "/" + name, description, path, error)) continue;
        HidInterfaceInfo info;
        info.path = path;
        info.vendorId = description.vendorId;
        info.productId = description.productId;
        info.releaseNumber = description.releaseNumber;
        info.usagePage = description.usagePage;
        info.usage = description.usage;
        info.interfaceNumber = InterfaceNumberFromPath(info.path);
        list.push_back(std::move(info));
    }
    return list;
}

std::unique_ptr<HidConnection> EmulatorTransport::Open(const std::string& path, std::string& error) {
    error.clear();
    const std::string name = SocketNameOfPath(path);
    if (name.empty()) return nullptr;
    const int fd = ConnectTo(SocketFolder() + "/" + name, error);
    if (fd < 0) return nullptr;
    InterfaceDescription description{};
    if (!Describe(fd, description, error)) {
        ::close(fd);
        return nullptr;
    }
    // The instance names the socket; the rest of the path must describe it too.
    if (PathOf(name, description) != path) {
        error = "no such interface: " + path;
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<EmulatedConnection>(fd, description);
}

}  // namespace KeyForge
