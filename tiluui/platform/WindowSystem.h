// Internal state of the platform layer shared by its implementation files: window
// records, the message queue, timers and the input state. Not installed for callers.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "tiluui/platform/Platform.h"

namespace TiluUI::Detail {

/// Everything the platform knows about one window.
struct WindowRecord {
    HWND hwnd = nullptr;
    std::string className;
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;  // child windows: the parent; top-level windows: the owner
    bool child = false;
    HMENU menu = 0;
    CRect rect;  // screen coordinates
    CRect restoreRect;
    bool visible = false;
    bool enabled = true;
    bool minimized = false;
    bool maximized = false;
    bool destroying = false;
    bool native = false;  // the backend has a window for it
    intptr_t userData = 0;
    std::map<std::string, intptr_t> props;
    uint8_t layeredAlpha = 255;
    COLORREF colorKey = 0;
    DWORD layeredFlags = 0;
    CRect invalid;   // client coordinates; empty when valid
    CRect painting;  // the part being painted by the WM_PAINT in progress
};

/// One window timer.
struct TimerRecord {
    HWND hwnd = nullptr;
    uintptr_t id = 0;
    UINT periodMs = 0;
    TIMERPROC proc = nullptr;
    PlatformClock::time_point due;
};

/// A message sent from another thread, waiting for the window thread.
struct SentMessage {
    MSG msg;
    std::promise<LRESULT> result;
};

/// The process-wide window system between Platform::Start and Platform::Stop.
class WindowSystem {
public:
    explicit WindowSystem(std::unique_ptr<Backend> b);

    /// The running system or null.
    static WindowSystem* Get();
    /// The running system when called on its window thread, else null (and the error is set).
    static WindowSystem* GetOnWindowThread();

    // Everything below `mu` is guarded by it; procs and the backend are never called under it.
    std::mutex mu;
    std::unique_ptr<Backend> backend;
    std::thread::id windowThread;
    std::unordered_map<HWND, std::unique_ptr<WindowRecord>> windows;
    std::vector<HWND> zOrder;  // top-level windows, front first
    uintptr_t nextHandle = 0x10000;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<TimerRecord> timers;
    uintptr_t nextTimerId = 0x7F00;
    std::map<std::string, WNDCLASSW> classes;
    std::map<std::string, std::string> classNames;  // storage for the class name strings

    // Input state: window thread only.
    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND active = nullptr;
    POINT cursorPos;
    bool keyDown[256] = {};
    HCURSOR wantedCursor = IDC_ARROW;
    HCURSOR shownCursor = 0;
    HWND trackWindow = nullptr;
    DWORD trackFlags = 0;
    DWORD hoverMs = 400;
    std::optional<PlatformClock::time_point> hoverDue;
    POINT hoverAnchor;
    HWND lastDownWindow = nullptr;
    int lastDownButton = 0;
    PlatformClock::time_point lastDownTime;
    POINT lastDownPos;
    bool lastDownWasDouble = false;
    HWND movingWindow = nullptr;  // caption drag in progress
    POINT moveStartCursor;
    CRect moveStartRect;

    // [SECTION] Helpers (lock held by the caller where they take `lock`)
    WindowRecord* Find(HWND hwnd);  // mu must be held
    bool OnWindowThread() const { return std::this_thread::get_id() == windowThread; }
    void PostLocked(HWND hwnd, UINT msg, WPARAM w, LPARAM l);  // mu must be held
    void Post(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    LRESULT Call(HWND hwnd, UINT msg, WPARAM w, LPARAM l);  // window thread: runs the procedure
    void ApplyCursor();

    // Message retrieval shared by GetMessageW, PeekMessageW and WaitMessage.
    bool NextMessage(MSG* out, HWND filter, UINT minMsg, UINT maxMsg, bool remove, bool wait);
    void WaitForWork(std::optional<PlatformClock::time_point> limit);
    void RunSentMessages();

    // Input routing (InputRouting.cpp).
    std::deque<NativeEvent> nativeQueue;  // polled from the backend, not yet routed
    bool RouteOneNative();
    void Route(const NativeEvent& ev);
    HWND HitTest(POINT screen);
    void Activate(HWND hwnd, bool raise);
    WPARAM MouseKeyFlags() const;
    void CheckHover();
};

}  // namespace TiluUI::Detail
