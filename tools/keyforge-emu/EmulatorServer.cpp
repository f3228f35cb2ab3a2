// The emulator's sockets: interface sockets answering one request per message, and the
// control socket answering one line per connection.
#include "tools/keyforge-emu/EmulatorServer.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "app/device/InterfacePath.h"
#include "app/store/Paths.h"

namespace KeyForge::Emu {

namespace {

using namespace EmuWire;

constexpr std::uint16_t kVendorUsagePage = 0xFF01;
constexpr std::uint16_t kVendorUsage = 0x0001;
constexpr std::uint16_t kGenericDesktopPage = 0x0001;
constexpr std::uint16_t kKeyboardUsage = 0x0006;
constexpr std::uint16_t kConsumerPage = 0x000C;
constexpr std::uint16_t kConsumerControlUsage = 0x0001;
// The keyboard collection's output report: the LED byte behind report ID 0.
constexpr std::uint16_t kKeyboardOutputLength = 2;
constexpr std::uint16_t kFeatureLength = 8;
constexpr int kStreamingInterface = 3;
constexpr int kReportProtocolLastType = 200;

std::atomic<int> g_serverSerial{0};

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A listening socket bound under a pending name and renamed to `name` once it listens.
int Listen(const std::string& folder, const std::string& name, int type, std::string& error) {
    const std::string pending = folder + "/" + std::string(kPendingPrefix) + name;
    const std::string final = folder + "/" + name;
    sockaddr_un address;
    if (!MakeAddress(pending, address)) {
        error = "socket path too long: " + pending;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    ::unlink(pending.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
        ::rename(pending.c_str(), final.c_str()) != 0) {
        error = "cannot create " + final + ": " + std::strerror(errno);
        ::unlink(pending.c_str());
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::vector<EmulatedInterface> PlanInterfaces(int deviceType, const std::vector<ModeIdentity>& modes,
                                              int releaseNumber, int outputLength, bool gattInterface) {
    std::vector<EmulatedInterface> plan;
    const int serial = ++g_serverSerial;
    const bool reportProtocol = deviceType <= kReportProtocolLastType;
    for (const ModeIdentity& m : modes) {
        int vendorNumber = InterfaceNumberFromPath(m.interfacePattern);
        if (vendorNumber < 1 || vendorNumber > 0xFF || (reportProtocol && vendorNumber == kStreamingInterface))
            vendorNumber = 1;
        auto add = [&](int number, std::uint16_t page, std::uint16_t usage, int outLength, int featureLength,
                       bool gatt = false) {
            EmulatedInterface e;
            e.mode = m.mode;
            e.instance = std::string(kInstancePrefix) + std::to_string(::getpid()) + "-" + std::to_string(serial) +
                         "-m" + std::to_string(m.mode) + (gatt ? std::string("-gatt") : "-i" + std::to_string(number));
            InterfaceIdentity identity;
            identity.vendorId = m.vendorId;
            identity.productId = m.productId;
            identity.interfaceNumber = gatt ? -1 : number;
            identity.gatt = gatt;
            e.hardwareId = InterfaceHardwareId(identity);
            e.description = {m.vendorId,
                             m.productId,
                             static_cast<std::uint16_t>(releaseNumber),
                             page,
                             usage,
                             static_cast<std::int16_t>(identity.interfaceNumber),
                             static_cast<std::uint16_t>(outLength),
                             static_cast<std::uint16_t>(featureLength),
                             static_cast<std::uint16_t>(gatt ? kFlagGatt : 0),
                             0};
            plan.push_back(std::move(e));
        };
        // The command interface comes last: its arrival starts the program's rescan, which
        // then finds every other interface of the mode in place.
        add(0, kGenericDesktopPage, kKeyboardUsage, kKeyboardOutputLength, 0);
        if (gattInterface) add(-1, kConsumerPage, kConsumerControlUsage, 0, 0, true);
        if (reportProtocol) add(kStreamingInterface, kVendorUsagePage, kVendorUsage, outputLength, kFeatureLength);
        add(vendorNumber, kVendorUsagePage, kVendorUsage, outputLength, kFeatureLength);
    }
    return plan;
}

void RemoveStaleSockets(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(kInstancePrefix, 0) == 0 || name.rfind(kControlPrefix, 0) == 0) names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        sockaddr_un address;
        if (!MakeAddress(path, address)) continue;
        const bool control = name.rfind(kControlPrefix, 0) == 0;
        const int fd = ::socket(AF_UNIX, (control ? SOCK_STREAM : SOCK_SEQPACKET) | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED)
            ::unlink(path.c_str());
        ::close(fd);
    }
}

EmulatorServer::EmulatorServer(EmulatedKeyboard& keyboard, std::vector<EmulatedInterface> interfaces)
    : m_keyboard(keyboard), m_interfaces(std::move(interfaces)) {}

EmulatorServer::~EmulatorServer() { Stop(); }

std::vector<std::string> EmulatorServer::Paths() const {
    std::vector<std::string> paths;
    for (const auto& i : m_interfaces) paths.push_back(InterfacePathOf(i.hardwareId, i.instance));
    return paths;
}

bool EmulatorServer::Start(std::string& error) {
    if (m_thread.joinable()) return true;
    m_folder = SocketFolder();
    if (!CreateFolderPath(m_folder)) {
        error = "cannot create " + m_folder;
        return false;
    }
    ::chmod(m_folder.c_str(), 0700);
    RemoveStaleSockets(m_folder);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_controlName = std::string(kControlPrefix) + std::to_string(::getpid()) + "-" + std::to_string(++g_serverSerial);
    m_control = m_wake < 0 ? -1 : Listen(m_folder, m_controlName, SOCK_STREAM, error);
    bool ok = m_control >= 0;
    for (std::size_t i = 0; ok && i < m_interfaces.size(); ++i) {
        const int fd = Listen(m_folder, m_interfaces[i].instance, SOCK_SEQPACKET, error);
        ok = fd >= 0;
        if (ok) m_listeners.push_back(fd);
    }
    m_linked = true;
    if (!ok) {
        if (error.empty()) error = std::string("eventfd: ") + std::strerror(errno);
        Unlink();
        for (int fd : m_listeners) ::close(fd);
        m_listeners.clear();
        if (m_control >= 0) ::close(m_control);
        if (m_wake >= 0) ::close(m_wake);
        m_control = m_wake = -1;
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void EmulatorServer::Unlink() {
    if (!m_linked) return;
    for (const auto& i : m_interfaces)
        ::unlink((m_folder + "/" + i.instance).c_str());
    ::unlink((m_folder + "/" + m_controlName).c_str());
    m_linked = false;
}

void EmulatorServer::Stop() {
    if (!m_thread.joinable()) return;
    // The files go first: watchers see the removal while connections still end cleanly.
    Unlink();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    for (int fd : m_listeners) ::close(fd);
    m_listeners.clear();
    ::close(m_control);
    ::close(m_wake);
    m_control = m_wake = -1;
}

void EmulatorServer::Run() {
    std::vector<Connection> connections;
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({m_wake, POLLIN, 0});
        fds.push_back({m_control, POLLIN, 0});
        for (int fd : m_listeners) fds.push_back({fd, POLLIN, 0});
        for (const Connection& c : connections) fds.push_back({c.fd, POLLIN, 0});
        int timeout = -1;
        const auto now = std::chrono::steady_clock::now();
        for (const DelayedReply& d : m_delayed) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(d.due - now).count();
            timeout = static_cast<int>(std::max<long long>(0, timeout < 0 ? left : std::min<long long>(timeout, left)));
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) break;
        SendDueReplies();
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_control, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                ServeControl(fd);
                ::close(fd);
            }
        }
        for (std::size_t i = 0; i < m_listeners.size(); ++i) {
            if (!(fds[2 + i].revents & POLLIN)) continue;
            const int fd = ::accept4(m_listeners[i], nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) connections.push_back({fd, static_cast<int>(i)});
        }
        const std::size_t firstConnection = 2 + m_listeners.size();
        std::vector<Connection> kept;
        for (std::size_t i = 0; i + firstConnection < fds.size(); ++i) {
            Connection c = connections[i];
            bool closeIt = false;
            if (fds[firstConnection + i].revents) Serve(c, closeIt);
            if (closeIt) {
                std::erase_if(m_delayed, [&](const DelayedReply& d) { return d.fd == c.fd; });
                ::close(c.fd);
            } else
                kept.push_back(c);
        }
        // Connections accepted in this round were not polled yet; keep them too.
        for (std::size_t i = fds.size() - firstConnection; i < connections.size(); ++i) kept.push_back(connections[i]);
        connections.swap(kept);
    }
    for (const Connection& c : connections) ::close(c.fd);
}

void EmulatorServer::Serve(Connection& c, bool& closeIt) {
    std::uint8_t message[kMaxMessage];
    const ssize_t got = ::recv(c.fd, message, sizeof message, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (got <= 0 || static_cast<std::size_t>(got) < sizeof(RequestHeader)) {
        closeIt = true;
        return;
    }
    RequestHeader request;
    std::memcpy(&request, message, sizeof request);
    const std::size_t carried = static_cast<std::size_t>(got) - sizeof request;
    if (request.length > carried) {
        closeIt = true;
        return;
    }
    const std::span<const std::uint8_t> data(message + sizeof request, request.length);
    const EmulatedInterface& intf = m_interfaces[static_cast<std::size_t>(c.interfaceIndex)];
    Response response;
    switch (static_cast<Kind>(request.kind)) {
    case Kind::Describe:
        response.result = 0;
        response.data.resize(sizeof intf.description);
        std::memcpy(response.data.data(), &intf.description, sizeof intf.description);
        break;
    case Kind::Write: response = m_keyboard.HandleWrite(intf.mode, intf.description.interfaceNumber, data); break;
    case Kind::SetFeature: response = m_keyboard.HandleSetFeature(intf.mode, intf.description.interfaceNumber, data); break;
    case Kind::GetFeature: response = m_keyboard.HandleGetFeature(intf.mode, intf.description.interfaceNumber, data); break;
    default: response.result = -EINVAL; break;
    }
    if (!response.reply) return;
    ReplyHeader reply{request.sequence, response.result, static_cast<std::uint32_t>(response.data.size())};
    std::vector<std::uint8_t> out(sizeof reply + response.data.size());
    std::memcpy(out.data(), &reply, sizeof reply);
    if (!response.data.empty()) std::memcpy(out.data() + sizeof reply, response.data.data(), response.data.size());
    if (response.late) {
        m_delayed.push_back({c.fd, std::chrono::steady_clock::now() + kLateReplyDelay, std::move(out)});
        return;
    }
    if (::send(c.fd, out.data(), out.size(), MSG_NOSIGNAL) < 0 && errno != EAGAIN) closeIt = true;
}

void EmulatorServer::SendDueReplies() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_delayed, [&](const DelayedReply& d) {
        if (d.due > now) return false;
        // A connection that went away meanwhile is noticed on its next request.
        [[maybe_unused]] const ssize_t n = ::send(d.fd, d.bytes.data(), d.bytes.size(), MSG_NOSIGNAL);
        return true;
    });
}

void EmulatorServer::ServeControl(int fd) {
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string line;
    char c;
    while (line.size() < 256 && ::recv(fd, &c, 1, 0) == 1 && c != '\n') line += c;
    std::string answer;
    if (line == "name") {
        answer = "ok\n" + m_keyboard.Name() + "\n";
    } else if (line == "log" || line == "log-clear") {
        answer = "ok\n";
        for (const std::string& entry : m_keyboard.Log()) answer += entry + "\n";
        if (line == "log-clear") m_keyboard.ClearLog();
    } else if (line == "state") {
        answer = "ok\n" + m_keyboard.StateJson();
    } else if (line.rfind("misbehave ", 0) == 0) {
        Misbehaviour m;
        if (ParseMisbehaviour(line.substr(10), m)) {
            m_keyboard.SetMisbehaviour(m);
            answer = "ok\n";
        } else {
            answer = "error unknown misbehaviour: " + line.substr(10) + "\n";
        }
    } else {
        answer = "error unknown request: " + line + "\n";
    }
    SendAll(fd, answer);
}

}  // namespace KeyForge::Emu
