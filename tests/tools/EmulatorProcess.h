// Programs running beside a test (keyforge-emu serve, keyforgectl watch): started with the
// test's environment, output to a file, stopped with SIGTERM (bounded waits throughout).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tools/keyforge-emu/EmulatorControl.h"

extern char** environ;

namespace KeyForge::TestUtil {

class BackgroundProcess {
public:
    /// Starts BinFolder()/program with the arguments and this process's environment
    /// (set XDG_RUNTIME_DIR and the rest with ScopedEnv first); stdout goes to outputFile.
    BackgroundProcess(const std::string& program, const std::vector<std::string>& programArgs,
                      const std::string& outputFile) {
        std::vector<std::string> argv = {BinFolder() + program};
        argv.insert(argv.end(), programArgs.begin(), programArgs.end());
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (outputFile + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0) << "cannot start " << program;
        if (rc != 0) m_pid = -1;
        m_output = outputFile;
    }
    ~BackgroundProcess() { Stop(); }

    /// Waits (at most 5 s) until `count` emulators answer in the socket folder.
    static bool WaitForEmulators(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Emu::FindEmulators().size() >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    /// SIGTERM, then the exit code (SIGKILL after 5 s; -1 when it had to be killed).
    int Stop() {
        if (m_pid <= 0) return m_exit;
        ::kill(m_pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                m_pid = -1;
                return m_exit = -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_pid = -1;
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_exit;
    }

    /// What the program printed (stdout).
    std::string Output() const { return ReadFile(m_output); }

    /// Waits (at most 5 s) until the output contains `text`.
    bool WaitForOutput(const std::string& text) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Output().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

private:
    pid_t m_pid = -1;
    int m_exit = -1;
    std::string m_output;
};

}  // namespace KeyForge::TestUtil
