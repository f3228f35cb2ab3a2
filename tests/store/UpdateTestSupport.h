// Test fixtures of the update service: the update server on 127.0.0.1 (a python
// script started per test), a server that accepts and never answers, zip archives
// made to order, and waiting for a started installer.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"

namespace KeyForge::TestUtil {

/// The update server (update_server.py) serving `root` on 127.0.0.1; stopped on destruction.
class LocalHttpServer {
public:
    /// `extraArgs`: "--drop PATH", "--status PATH=CODE", "--redirect PATH=URL", "--tls CERT KEY".
    explicit LocalHttpServer(const std::string& root, const std::vector<std::string>& extraArgs = {});
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    /// True once it listens.
    bool Running() const { return m_port > 0; }
    int Port() const { return m_port; }
    /// "http://127.0.0.1:<port>" followed by the path (https with TLS).
    std::string Url(const std::string& path) const;
    /// One JSON line per request received so far.
    std::string Log() const { return ReadFile(m_log); }

private:
    TempDir m_state;
    std::string m_log;
    std::string m_scheme = "http";
    int m_pid = -1;
    int m_port = 0;
};

/// A TCP server on 127.0.0.1 that accepts connections and never sends a byte.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;

private:
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

/// One entry of a zip archive made by a test.
struct ZipEntry {
    ZipEntry(std::string n, std::string d, unsigned mode = 0, bool utf8 = false)
        : name(std::move(n)), data(std::move(d)), unixMode(mode), utf8Name(utf8) {}
    std::string name;       ///< stored exactly as given
    std::string data;       ///< contents
    unsigned unixMode = 0;  ///< when set, stored as made on Unix with this st_mode (links, devices)
    bool utf8Name = false;  ///< sets the UTF-8 name flag
};

/// Writes a zip archive with the entries in order; fails the test on error.
void MakeZip(const std::string& path, const std::vector<ZipEntry>& entries);

/// Waits for a child process to end (at most `timeoutMs`); its exit code, or -1.
int WaitForChild(int pid, int timeoutMs = 10000);

/// Waits until a file exists and is not empty (at most `timeoutMs`); its contents or "".
std::string WaitForFile(const std::string& path, int timeoutMs = 10000);

/// Every regular file, folder and link below a folder with its type, size and
/// contents, for checking that nothing changed.
std::string SnapshotTree(const std::string& folder, const std::string& skip = {});

}  // namespace KeyForge::TestUtil
