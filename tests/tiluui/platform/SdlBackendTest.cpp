// The SDL2 backend with real windows: the demo runs on a private Xvfb server, the test
// takes a screenshot of the screen, checks what it shows and presses the OK button.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"
#include "tiluui/core/MRender.h"
#include "tiluui/platform/Platform.h"

namespace TiluUI::Test {
namespace {

using KeyForge::TestUtil::BinFolder;
using KeyForge::TestUtil::ReadFile;
using KeyForge::TestUtil::RunProcess;
using KeyForge::TestUtil::ScopedEnv;
using KeyForge::TestUtil::TempDir;

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

/// A child process with its standard output on a pipe.
class Child {
public:
    /// Starts argv[0]; standard error goes to `errorFile` ("" discards it).
    Child(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env,
          const std::string& errorFile = "") {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            const int err = errorFile.empty() ? open("/dev/null", O_WRONLY)
                                              : open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) dup2(err, STDERR_FILENO);
            close(fds[0]);
            close(fds[1]);
            for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        m_out = fds[0];
    }
    ~Child() {
        if (m_pid > 0 && !m_reaped) {
            // A polite stop first, so that an X server removes its socket and lock file.
            kill(m_pid, SIGTERM);
            if (Wait(3000) < 0) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, nullptr, 0);
            }
        }
        if (m_out >= 0) close(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return m_pid > 0; }
    /// The next output line, waiting at most `timeoutMs`; empty on timeout or end.
    std::string ReadLine(int timeoutMs) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t nl = m_buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char buf[256];
            const ssize_t n = read(m_out, buf, sizeof buf);
            if (n <= 0) return {};
            m_buffer.append(buf, static_cast<size_t>(n));
        }
    }
    /// Waits for the exit code at most `timeoutMs`; -1 on timeout.
    int Wait(int timeoutMs) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_reaped = false;
    std::string m_buffer;
};

/// A private X server on the first free display number, stopped on destruction.
class Xvfb {
public:
    Xvfb() {
        for (int n = 91; n < 160 && !m_server; ++n) {
            if (Exists("/tmp/.X11-unix/X" + std::to_string(n)) ||
                Exists("/tmp/.X" + std::to_string(n) + "-lock"))
                continue;
            auto server = std::make_unique<Child>(
                std::vector<std::string>{"/usr/bin/Xvfb", ":" + std::to_string(n), "-screen", "0",
                                         "1024x768x24", "-nolisten", "tcp"},
                std::vector<std::pair<std::string, std::string>>{});
            if (!server->Started()) return;
            for (int i = 0; i < 100; ++i) {  // up to 5 s for the socket
                if (Exists("/tmp/.X11-unix/X" + std::to_string(n))) {
                    m_display = ":" + std::to_string(n);
                    m_server = std::move(server);
                    break;
                }
                if (server->Wait(50) >= 0) break;  // lost the race for this number
            }
        }
    }
    const std::string& Display() const { return m_display; }
    explicit operator bool() const { return m_server != nullptr; }

private:
    std::unique_ptr<Child> m_server;
    std::string m_display;
};

/// Premultiplied ARGB of a screenshot pixel as 0xRRGGBB.
uint32_t Rgb(const MImage& img, int x, int y) {
    cairo_surface_t* s = img.Surface();
    const auto* row = reinterpret_cast<const uint32_t*>(
        cairo_image_surface_get_data(s) + static_cast<size_t>(y) * cairo_image_surface_get_stride(s));
    return row[x] & 0xFFFFFF;
}

int Red(uint32_t rgb) {
    return (rgb >> 16) & 0xFF;
}
int Blue(uint32_t rgb) {
    return rgb & 0xFF;
}

/// The demo on a private server, with the rectangles it announces.
struct DemoRun {
    Xvfb server;
    TempDir art;
    std::unique_ptr<Child> demo;
    int x = 0, y = 0, w = 0, h = 0, okX = 0, okY = 0, okW = 0, okH = 0;

    /// Starts the demo with extra options; false (with a test failure) when it does not show.
    bool Start(std::vector<std::string> extra) {
        if (!Exists("/usr/bin/Xvfb")) {
            ADD_FAILURE() << "xvfb is not installed (scripts/setup installs it)";
            return false;
        }
        if (!server) {
            ADD_FAILURE() << "could not start Xvfb";
            return false;
        }
        std::vector<std::string> argv{
            BinFolder() + "tiluui-demo", "--announce", "--timeout-ms", "20000", "--art-dir", art.Path()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        demo = std::make_unique<Child>(
            argv,
            std::vector<std::pair<std::string, std::string>>{
                {"DISPLAY", server.Display()}, {"TILUUI_BACKEND", "sdl"}, {"SDL_VIDEODRIVER", "x11"}},
            art / "demo-stderr.txt");
        std::istringstream shown(demo->ReadLine(10000)), ok(demo->ReadLine(1000));
        std::string word, word2;
        if (!(shown >> word >> x >> y >> w >> h && word == "shown") ||
            !(ok >> word2 >> okX >> okY >> okW >> okH && word2 == "ok")) {
            ADD_FAILURE() << "the demo did not announce its window: " << ReadFile(art / "demo-stderr.txt");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the X server show the frame
        return true;
    }
    /// A screenshot of the whole screen, saved under `name` in the binary folder.
    std::unique_ptr<MImage> Screenshot(const std::string& name) {
        const std::string shot = BinFolder() + name;
        const auto grab =
            RunProcess({"/usr/bin/import", "-display", server.Display(), "-window", "root", shot}, {}, 30);
        EXPECT_EQ(grab.exitCode, 0) << grab.err;
        return MRender::LoadImageFromFile(shot);
    }
    /// Clicks OK and returns the demo's exit code.
    int ClickOk() {
        const auto click = RunProcess({"/usr/bin/xdotool", "mousemove", std::to_string(x + okX + okW / 2),
                                       std::to_string(y + okY + okH / 2), "click", "1"},
                                      {{"DISPLAY", server.Display()}}, 30);
        EXPECT_EQ(click.exitCode, 0) << click.err;
        EXPECT_EQ(demo->ReadLine(10000), "result 1") << ReadFile(art / "demo-stderr.txt");
        return demo->Wait(10000);
    }
};

long ThreadCpuMicros() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

/// Sleeps in GetMessageW until a worker posts after 300 ms; returns the wake-up delay and
/// sets the window thread's CPU time spent waiting.
std::chrono::nanoseconds WakeDelay(HWND h, long& cpuMicros) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    std::atomic<int64_t> postedAt{0};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        postedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        PostMessageW(h, WM_USER + 1, 0, 0);
    });
    const long cpuBefore = ThreadCpuMicros();
    do {
        if (GetMessageW(&msg, nullptr, 0, 0) != 1) break;
        DispatchMessageW(&msg);
    } while (msg.message != WM_USER + 1);
    const auto handledAt = std::chrono::steady_clock::now().time_since_epoch().count();
    cpuMicros = ThreadCpuMicros() - cpuBefore;
    worker.join();
    return std::chrono::nanoseconds(handledAt - postedAt.load());
}

TEST(SdlBackendTest, APostFromAWorkerWakesTheSleepingLoopShownOrHidden) {
    Xvfb server;
    ASSERT_TRUE(server) << "could not start Xvfb";
    ScopedEnv display("DISPLAY", server.Display());
    ScopedEnv driver("SDL_VIDEODRIVER", "x11");
    std::string error;
    auto backend = CreateSdlBackend(error);
    ASSERT_TRUE(backend) << error;
    ASSERT_TRUE(Platform::Start(std::move(backend)).ok);
    WNDCLASSW wc;
    wc.lpfnWndProc = &PlainProc;
    wc.lpszClassName = "SdlWakeTest";
    RegisterClassW(wc);
    HWND h = CreateWindowExW(0, "SdlWakeTest", "wake", WS_POPUP | WS_VISIBLE, 10, 10, 100, 80, nullptr, 0,
                             nullptr);
    ASSERT_NE(h, nullptr);
    long cpu = 0;
    // Shown: SDL sleeps on the display connection. Polling every millisecond would cost
    // several milliseconds of CPU over the 300 ms; sleeping costs well under one.
    EXPECT_LT(WakeDelay(h, cpu), std::chrono::milliseconds(50));
    EXPECT_LT(cpu, 15000);
    // Hidden (a program in the tray): the backend sleeps on its own wake-up.
    ShowWindow(h, SW_HIDE);
    EXPECT_LT(WakeDelay(h, cpu), std::chrono::milliseconds(50));
    EXPECT_LT(cpu, 15000);
    DestroyWindow(h);
    Platform::Stop();
}

TEST(SdlBackendTest, DemoShowsOnARealServerAndClosesWithOk) {
    DemoRun run;
    ASSERT_TRUE(run.Start({}));
    const int x = run.x, y = run.y, w = run.w, h = run.h;
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 400);
    EXPECT_EQ(x, (1024 - 640) / 2);  // centred in the work area
    EXPECT_EQ(y, (768 - 400) / 2);

    auto image = run.Screenshot("tiluui-demo-screenshot.png");
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Width(), 1024);
    // Outside the dialog the screen is black; its rim is the panel's light blue.
    EXPECT_EQ(Rgb(*image, 20, 20), 0u);
    const uint32_t rim = Rgb(*image, x + w / 2, y + 5);
    EXPECT_GT(Blue(rim), 200) << std::hex << rim;
    // The gradient bar runs from red on the left to blue on the right.
    const uint32_t left = Rgb(*image, x + 36, y + 216), right = Rgb(*image, x + w - 36, y + 216);
    EXPECT_GT(Red(left), 200) << std::hex << left;
    EXPECT_GT(Blue(right), 200) << std::hex << right;
    EXPECT_LT(Red(right), 100) << std::hex << right;
    // The Chinese line left yellow text pixels.
    int yellow = 0;
    for (int yy = y + 92; yy < y + 116; ++yy)
        for (int xx = x + 32; xx < x + 300; ++xx) {
            const uint32_t c = Rgb(*image, xx, yy);
            yellow += Red(c) > 180 && ((c >> 8) & 0xFF) > 140 && Blue(c) < 120;
        }
    EXPECT_GT(yellow, 100);

    // A real click on OK ends the modal loop with IDOK.
    EXPECT_EQ(run.ClickOk(), 0);
}

TEST(SdlBackendTest, KeysReachTheWindowUnderThePointer) {
    DemoRun run;
    ASSERT_TRUE(run.Start({"--still"}));
    // Without a window manager the X server gives the keyboard to the window under the pointer.
    const auto key = RunProcess({"/usr/bin/xdotool", "mousemove", std::to_string(run.x + 20),
                                 std::to_string(run.y + 20), "sleep", "0.2", "key", "Return"},
                                {{"DISPLAY", run.server.Display()}}, 30);
    ASSERT_EQ(key.exitCode, 0) << key.err;
    EXPECT_EQ(run.demo->ReadLine(10000), "result 1") << ReadFile(run.art / "demo-stderr.txt");
    EXPECT_EQ(run.demo->Wait(10000), 0);
}

TEST(SdlBackendTest, LayeredWindowsGetAVisualWithAlpha) {
    DemoRun run;
    ASSERT_TRUE(run.Start({"--layered"}));
    // The window was made layered after creation: it has the 32-bit visual from the start.
    const auto info = RunProcess(
        {"/usr/bin/xwininfo", "-display", run.server.Display(), "-name", "KeyForge TiluUI demo"}, {}, 30);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("Depth: 32"), std::string::npos) << info.out;
    auto image = run.Screenshot("tiluui-demo-layered-screenshot.png");
    ASSERT_TRUE(image);
    // Without a compositor the see-through corner shows black; the rim beside it is drawn.
    EXPECT_EQ(Rgb(*image, run.x + 1, run.y + 1), 0u);
    EXPECT_GT(Blue(Rgb(*image, run.x + run.w / 2, run.y + 5)), 200);
    // The window made again still gets the pointer.
    EXPECT_EQ(run.ClickOk(), 0);
}

}  // namespace
}  // namespace TiluUI::Test
