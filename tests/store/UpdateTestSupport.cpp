// Update-service test fixtures.
#include "tests/store/UpdateTestSupport.h"

#include <arpa/inet.h>
#include <minizip/zip.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

extern char** environ;

namespace KeyForge::TestUtil {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

LocalHttpServer::LocalHttpServer(const std::string& root, const std::vector<std::string>& extraArgs) {
    m_log = m_state / "requests.log";
    const std::string portFile = m_state / "port";
    std::vector<std::string> words = {"/usr/bin/env", "python3", KF_UPDATE_SERVER_SCRIPT,
                                      "--root",       root,      "--port-file",
                                      portFile,       "--log",   m_log};
    for (const std::string& a : extraArgs) {
        words.push_back(a);
        if (a == "--tls") m_scheme = "https";
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "cannot start the update server";
        return;
    }
    m_pid = pid;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
        const std::string port = ReadFile(portFile);
        if (!port.empty()) {
            m_port = std::stoi(port);
            return;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "the update server did not start";
}

LocalHttpServer::~LocalHttpServer() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    if (WaitForChild(m_pid, 5000) == -1 && ::kill(m_pid, SIGKILL) == 0) ::waitpid(m_pid, nullptr, 0);
}

std::string LocalHttpServer::Url(const std::string& path) const {
    return m_scheme + "://127.0.0.1:" + std::to_string(m_port) + path;
}

SilentServer::SilentServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1";
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] {
        std::vector<int> held;
        while (!m_stop.load()) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) held.push_back(fd);
            }
        }
        for (int fd : held) ::close(fd);
    });
}

SilentServer::~SilentServer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_listen >= 0) ::close(m_listen);
}

std::string SilentServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void MakeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr) << path;
    for (const ZipEntry& e : entries) {
        zip_fileinfo info{};
        info.tmz_date = {0, 30, 12, 15, 5, 2024};  // 2024-06-15 12:30:00
        uLong madeBy = 20;
        if (e.unixMode) {
            madeBy = (3u << 8) | 20;
            info.external_fa = static_cast<uLong>(e.unixMode) << 16;
        }
        const int rc = zipOpenNewFileInZip4(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                            Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                            Z_DEFAULT_STRATEGY, nullptr, 0, madeBy, e.utf8Name ? 0x800 : 0);
        ASSERT_EQ(rc, ZIP_OK) << e.name;
        ASSERT_EQ(zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

int WaitForChild(int pid, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

std::string WaitForFile(const std::string& path, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        const std::string text = ReadFile(path);
        if (!text.empty()) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

std::string SnapshotTree(const std::string& folder, const std::string& skip) {
    namespace fs = std::filesystem;
    std::set<std::string> lines;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string p = it->path().string();
        if (!skip.empty() && (p == skip || p.rfind(skip + "/", 0) == 0)) {
            if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
            continue;
        }
        struct stat st {};
        ::lstat(p.c_str(), &st);
        std::string line = p + " mode=" + std::to_string(st.st_mode) + " size=" + std::to_string(st.st_size);
        if (S_ISREG(st.st_mode)) line += " data=" + ReadFile(p);
        if (S_ISLNK(st.st_mode)) line += " link=" + fs::read_symlink(p).string();
        lines.insert(line);
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

}  // namespace KeyForge::TestUtil
