// The platform window model on the offscreen backend: queue and loops, cross-thread
// posting and sending, timers, input routing, capture, focus, tracking, layered frames.
#include <sys/resource.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/tiluui/OffscreenFixture.h"

namespace TiluUI::Test {
namespace {

/// Records the messages of one window; bound through the creation parameter.
struct Recorder {
    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    // Windows may outlive their recorder until the platform stops; unbind so they do not call back.
    ~Recorder() {
        if (IsWindow(hwnd) && GetWindowLongPtrW(hwnd, GWLP_USERDATA) == reinterpret_cast<intptr_t>(this))
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    HWND hwnd = nullptr;
    std::vector<MSG> seen;
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> handler;

    static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_NCCREATE) {
            auto* r = static_cast<Recorder*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
            SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<intptr_t>(r));
            if (r) r->hwnd = h;
        }
        auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self) {
            MSG msg;
            msg.hwnd = h, msg.message = m, msg.wParam = w, msg.lParam = l;
            self->seen.push_back(msg);
            if (self->handler) {
                const LRESULT r = self->handler(h, m, w, l);
                if (r) return r;
            }
        }
        return DefWindowProcW(h, m, w, l);
    }
    int Count(UINT m) const {
        int n = 0;
        for (const MSG& s : seen) n += s.message == m;
        return n;
    }
    const MSG* Last(UINT m) const {
        for (auto it = seen.rbegin(); it != seen.rend(); ++it)
            if (it->message == m) return &*it;
        return nullptr;
    }
};

class WindowSystemTest : public OffscreenTest {
protected:
    void SetUp() override {
        OffscreenTest::SetUp();
        WNDCLASSW wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Recorder::Proc;
        wc.lpszClassName = "TestWindow";
        ASSERT_NE(RegisterClassW(wc), 0);
    }
    HWND Make(Recorder& r, CRect rect, DWORD style = WS_POPUP | WS_VISIBLE, HWND owner = nullptr,
              const char* title = "test", DWORD exStyle = 0) {
        return CreateWindowExW(exStyle, "TestWindow", title, style, rect.left, rect.top, rect.Width(),
                               rect.Height(), owner, 0, &r);
    }
};

TEST_F(WindowSystemTest, CreationAndDestructionSendTheirMessagesInOrder) {
    Recorder owner, popup;
    HWND o = Make(owner, CRect(0, 0, 100, 100));
    HWND p = Make(popup, CRect(10, 10, 50, 50), WS_POPUP | WS_VISIBLE, o);
    ASSERT_TRUE(o && p);
    std::vector<UINT> created;
    for (const MSG& m : owner.seen) created.push_back(m.message);
    ASSERT_GE(created.size(), 4u);
    EXPECT_EQ(created[0], WM_NCCREATE);
    EXPECT_EQ(created[1], WM_CREATE);
    EXPECT_EQ(created[2], WM_SIZE);
    EXPECT_EQ(owner.Last(WM_SIZE)->lParam, MAKELPARAM(100, 100));
    EXPECT_TRUE(IsWindowVisible(o));
    EXPECT_EQ(GetWindowOwner(p), o);

    // Owned pop-ups go before their owner, and every window ends with WM_NCDESTROY.
    ASSERT_TRUE(DestroyWindow(o));
    EXPECT_FALSE(IsWindow(o));
    EXPECT_FALSE(IsWindow(p));
    EXPECT_EQ(popup.seen.back().message, WM_NCDESTROY);
    EXPECT_EQ(owner.seen.back().message, WM_NCDESTROY);
    EXPECT_EQ(owner.Count(WM_DESTROY), 1);
    EXPECT_FALSE(DestroyWindow(o));
}

TEST_F(WindowSystemTest, DuplicateClassAndUnknownClassAreReported) {
    WNDCLASSW wc;
    wc.lpfnWndProc = &Recorder::Proc;
    wc.lpszClassName = "TestWindow";
    EXPECT_EQ(RegisterClassW(wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_EQ(CreateWindowExW(0, "NoSuchClass", "x", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST_F(WindowSystemTest, PostedMessagesArriveInOrderAndDeadWindowsAreRefused) {
    Recorder r;
    HWND h = Make(r, CRect(0, 0, 50, 50));
    for (WPARAM i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageW(h, WM_USER + 1, i, 0));
    PumpPending();
    std::vector<WPARAM> order;
    for (const MSG& m : r.seen)
        if (m.message == WM_USER + 1) order.push_back(m.wParam);
    EXPECT_EQ(order, (std::vector<WPARAM>{0, 1, 2, 3, 4}));

    // A message queued for a window that is destroyed before it is taken is dropped.
    PostMessageW(h, WM_USER + 2, 0, 0);
    DestroyWindow(h);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_FALSE(PostMessageW(h, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowSystemTest, QuitComesAfterPostedMessagesWithItsExitCode) {
    Recorder r;
    HWND h = Make(r, CRect(0, 0, 50, 50));
    PostMessageW(h, WM_USER, 0, 0);
    PostQuitMessage(42);
    MSG msg;
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    while (msg.message != WM_USER) ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    while (GetMessageW(&msg, nullptr, 0, 0) == 1) DispatchMessageW(&msg);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(WindowSystemTest, PostFromAnotherThreadWakesASleepingLoopPromptlyWithoutSpinning) {
    Recorder r;
    HWND h = Make(r, CRect(0, 0, 50, 50));
    PumpPending();
    std::atomic<int64_t> postedAt{0};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        postedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        PostMessageW(h, WM_USER + 7, 1, 0);
    });
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    const int sleepsBefore = m_screen->GetSleepCount();
    MSG msg;
    do {
        ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    } while (msg.message != WM_USER + 7);
    const auto handledAt = std::chrono::steady_clock::now().time_since_epoch().count();
    getrusage(RUSAGE_THREAD, &after);
    worker.join();
    const auto latency = std::chrono::nanoseconds(handledAt - postedAt.load());
    EXPECT_LT(latency, std::chrono::milliseconds(50));
    // The window thread slept through the 300 ms instead of polling.
    EXPECT_GT(m_screen->GetSleepCount(), sleepsBefore);
    const auto cpuUs = [](const rusage& u) {
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
    };
    EXPECT_LT(cpuUs(after) - cpuUs(before), 30000);
}

TEST_F(WindowSystemTest, SendFromAnotherThreadRunsOnTheWindowThread) {
    Recorder r;
    std::thread::id handledOn;
    r.handler = [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m != WM_USER + 3) return 0;
        handledOn = std::this_thread::get_id();
        return static_cast<LRESULT>(w * 2);
    };
    HWND h = Make(r, CRect(0, 0, 50, 50));
    std::atomic<LRESULT> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = SendMessageW(h, WM_USER + 3, 21, 0);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(WindowSystemTest, TimersRepeatUntilKilledAndCallbacksReplaceTheMessage) {
    Recorder r;
    HWND h = Make(r, CRect(0, 0, 50, 50));
    ASSERT_EQ(SetTimer(h, 7, 10, nullptr), 7u);
    ASSERT_TRUE(PumpUntil([&] { return r.Count(WM_TIMER) >= 3; }));
    EXPECT_EQ(r.Last(WM_TIMER)->wParam, 7u);
    EXPECT_TRUE(KillTimer(h, 7));
    const int seen = r.Count(WM_TIMER);
    PumpUntil([] { return false; }, 60);
    EXPECT_EQ(r.Count(WM_TIMER), seen);
    EXPECT_FALSE(KillTimer(h, 7));

    static std::atomic<int> calls{0};
    calls = 0;
    ASSERT_NE(SetTimer(h, 8, 10, [](HWND, UINT, uintptr_t, DWORD) { ++calls; }), 0u);
    ASSERT_TRUE(PumpUntil([&] { return calls.load() >= 2; }));
    EXPECT_EQ(r.Count(WM_TIMER), seen);  // the callback ran instead of the window procedure
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x5), 1, 10, nullptr), 0u);
}

TEST_F(WindowSystemTest, MouseInputIsRoutedByPositionCaptureAndEnableState) {
    Recorder a, b;
    HWND wa = Make(a, CRect(100, 100, 300, 200));
    HWND wb = Make(b, CRect(400, 100, 500, 200));
    m_screen->InjectClick(150, 120);
    PumpPending();
    ASSERT_NE(a.Last(WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(a.Last(WM_LBUTTONDOWN)->lParam, MAKELPARAM(50, 20));  // client coordinates
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(GetActiveWindow(), wa);

    // With capture, a press over the other window still goes to the capturing one.
    SetCapture(wa);
    m_screen->InjectClick(450, 150);
    PumpPending();
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(a.Last(WM_LBUTTONDOWN)->lParam, MAKELPARAM(350, 50));
    ReleaseCapture();
    EXPECT_GE(a.Count(WM_CAPTURECHANGED), 1);

    // A disabled window gets no input.
    EnableWindow(wb, FALSE);
    m_screen->InjectClick(450, 150);
    PumpPending();
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 0);
    EnableWindow(wb, TRUE);
    m_screen->InjectClick(450, 150);
    PumpPending();
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 1);
}

TEST_F(WindowSystemTest, APressOnAWindowDisabledByItsDialogBringsTheDialogForward) {
    Recorder owner, dialog, other;
    HWND o = Make(owner, CRect(0, 0, 400, 300));
    HWND d = Make(dialog, CRect(100, 100, 200, 200), WS_POPUP | WS_VISIBLE, o);
    HWND x = Make(other, CRect(500, 0, 600, 100));
    EnableWindow(o, FALSE);
    EXPECT_EQ(GetActiveWindow(), x);
    m_screen->InjectClick(10, 10);
    PumpPending();
    EXPECT_EQ(owner.Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(GetActiveWindow(), d);
    // The window system giving the focus to the disabled owner does the same.
    SetForegroundWindow(x);
    NativeEvent focus;
    focus.kind = NativeEvent::Kind::FocusGained;
    focus.window = o;
    m_screen->Inject(focus);
    PumpPending();
    EXPECT_EQ(GetActiveWindow(), d);
}

TEST_F(WindowSystemTest, MinimisingAndRestoringByTheWindowSystemAreReported) {
    Recorder r;
    HWND h = Make(r, CRect(0, 0, 60, 40));
    PumpPending();
    NativeEvent ev;
    ev.window = h;
    ev.kind = NativeEvent::Kind::Minimized;
    m_screen->Inject(ev);
    PumpPending();
    EXPECT_TRUE(IsIconic(h));
    EXPECT_EQ(r.Last(WM_SIZE)->wParam, SIZE_MINIMIZED);
    const int paints = r.Count(WM_PAINT);
    ev.kind = NativeEvent::Kind::Restored;
    m_screen->Inject(ev);
    PumpPending();
    EXPECT_FALSE(IsIconic(h));
    EXPECT_EQ(r.Last(WM_SIZE)->lParam, MAKELPARAM(60, 40));
    EXPECT_GT(r.Count(WM_PAINT), paints);  // restored windows repaint
}

TEST_F(WindowSystemTest, SecondQuickClickIsADoubleClick) {
    Recorder r;
    Make(r, CRect(0, 0, 100, 100));
    m_screen->InjectClick(10, 10);
    m_screen->InjectClick(11, 10);
    m_screen->InjectClick(11, 10);
    PumpPending();
    EXPECT_EQ(r.Count(WM_LBUTTONDOWN), 2);  // down, double, down again
    EXPECT_EQ(r.Count(WM_LBUTTONDBLCLK), 1);
}

TEST_F(WindowSystemTest, FocusActivationAndKeysFollowTheActiveWindow) {
    Recorder a, b;
    HWND wa = Make(a, CRect(0, 0, 100, 100));
    HWND wb = Make(b, CRect(200, 0, 300, 100));
    EXPECT_EQ(GetFocus(), wb);  // the last shown window took the focus
    EXPECT_EQ(SetFocus(wa), wb);
    EXPECT_EQ(GetActiveWindow(), wa);
    EXPECT_EQ(b.Count(WM_KILLFOCUS), 1);
    EXPECT_GE(b.Count(WM_NCACTIVATE), 2);  // activated, then deactivated
    m_screen->InjectKey('A');
    PumpPending();
    ASSERT_NE(a.Last(WM_KEYDOWN), nullptr);
    EXPECT_EQ(a.Last(WM_KEYDOWN)->wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(b.Count(WM_KEYDOWN), 0);

    // Alt+key arrives as a system key; Alt+F4 closes through the default handling.
    NativeEvent alt;
    alt.kind = NativeEvent::Kind::KeyDown;
    alt.vk = VK_LMENU;
    m_screen->Inject(alt);
    m_screen->InjectKey(VK_F4);
    PumpPending();
    EXPECT_EQ(a.Last(WM_SYSKEYDOWN)->wParam, static_cast<WPARAM>(VK_F4));
    EXPECT_FALSE(IsWindow(wa));
}

TEST_F(WindowSystemTest, LeaveAndHoverTrackingReportOnce) {
    Recorder a, b;
    HWND wa = Make(a, CRect(0, 0, 100, 100));
    Make(b, CRect(200, 0, 300, 100));
    m_screen->InjectMouseMove(50, 50);
    PumpPending();
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_LEAVE | TME_HOVER;
    t.hwndTrack = wa;
    t.dwHoverTime = 30;
    ASSERT_TRUE(TrackMouseEvent(&t));
    ASSERT_TRUE(PumpUntil([&] { return a.Count(WM_MOUSEHOVER) == 1; }));
    EXPECT_EQ(a.Last(WM_MOUSEHOVER)->lParam, MAKELPARAM(50, 50));
    m_screen->InjectMouseMove(250, 50);
    PumpPending();
    EXPECT_EQ(a.Count(WM_MOUSELEAVE), 1);
    m_screen->InjectMouseMove(260, 50);
    PumpPending();
    EXPECT_EQ(a.Count(WM_MOUSELEAVE), 1);
}

TEST_F(WindowSystemTest, CaptionDragMovesTheWindowUntilRelease) {
    Recorder r;
    r.handler = [](HWND h, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m == WM_LBUTTONDOWN) SendMessageW(h, WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), l);
        return 0;
    };
    HWND h = Make(r, CRect(100, 100, 200, 200));
    NativeEvent ev;
    ev.kind = NativeEvent::Kind::MouseDown;
    ev.button = 1;
    ev.screen = {110, 110};
    m_screen->Inject(ev);
    m_screen->InjectMouseMove(160, 140);
    ev.kind = NativeEvent::Kind::MouseUp;
    ev.screen = {160, 140};
    m_screen->Inject(ev);
    m_screen->InjectMouseMove(300, 300);
    PumpPending();
    CRect rect;
    GetWindowRect(h, &rect);
    EXPECT_EQ(rect, CRect(150, 130, 250, 230));
    EXPECT_EQ(CRect(m_screen->GetBounds(h)), rect);
}

TEST_F(WindowSystemTest, TitlesClassNamesAndFindWindow) {
    Recorder a, b;
    HWND wa = Make(a, CRect(0, 0, 10, 10), WS_POPUP, nullptr, "Tip");
    HWND wb = Make(b, CRect(0, 0, 10, 10), WS_POPUP, nullptr, "Other");
    EXPECT_EQ(FindWindowW(nullptr, "Tip"), wa);
    EXPECT_EQ(FindWindowW("TestWindow", "Other"), wb);
    EXPECT_EQ(FindWindowW("Nope", "Tip"), nullptr);
    ASSERT_TRUE(SetWindowTextW(wa, "Renamed 中文"));
    EXPECT_EQ(GetWindowTextW(wa), "Renamed 中文");
    EXPECT_EQ(m_screen->GetTitle(wa), "Renamed 中文");
    EXPECT_EQ(FindWindowW(nullptr, "Tip"), nullptr);
    EXPECT_EQ(GetClassNameW(wb), "TestWindow");
    EXPECT_FALSE(IsWindowVisible(wa));
    ShowWindow(wa, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(wa));
    EXPECT_TRUE(m_screen->IsShown(wa));
    EXPECT_NE(GetActiveWindow(), wa);  // shown without activation
}

TEST_F(WindowSystemTest, PaintIsAskedForUntilValidatedAndFramesCanBeReadBack) {
    Recorder r;
    int paints = 0;
    r.handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m != WM_PAINT) return 0;
        ++paints;
        RECT update;
        EXPECT_TRUE(GetUpdateRect(h, &update, FALSE));
        std::vector<uint32_t> px(40 * 30, 0xFF00FF00u);
        PresentFrame(h, px.data(), 40, 30, 40 * 4, update);
        ValidateRect(h, nullptr);
        return 1;
    };
    HWND h = Make(r, CRect(0, 0, 40, 30));
    PumpPending();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(m_screen->GetFrame(h).Pixel(39, 29), 0xFF00FF00u);
    PumpPending();
    EXPECT_EQ(paints, 1);
    // Invalidation from another thread wakes the loop and asks for one more paint.
    std::thread([&] { InvalidateRect(h, nullptr, FALSE); }).join();
    EXPECT_TRUE(PumpUntil([&] { return paints == 2; }));
}

TEST_F(WindowSystemTest, LayeredFramesKeepAlphaAndNeedTheLayeredStyle) {
    Recorder r, q;
    HWND plain = Make(r, CRect(0, 0, 2, 1));
    HWND layered = Make(q, CRect(0, 0, 2, 1), WS_POPUP | WS_VISIBLE, nullptr, "l", WS_EX_LAYERED);
    const uint32_t px[2] = {0x80400000u, 0x00000000u};
    EXPECT_FALSE(UpdateLayeredWindow(plain, px, 2, 1, 8, 255));
    ASSERT_TRUE(UpdateLayeredWindow(layered, px, 2, 1, 8, 128));
    const auto frame = m_screen->GetFrame(layered);
    EXPECT_TRUE(frame.perPixelAlpha);
    EXPECT_EQ(frame.Pixel(0, 0), 0x40200000u);  // premultiplied pixels scale with the constant alpha
    EXPECT_EQ(frame.Pixel(1, 0), 0u);
    EXPECT_TRUE(SetLayeredWindowAttributes(layered, 0, 200, LWA_ALPHA));
    EXPECT_EQ(m_screen->GetOpacity(layered), 200);
    EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 200, LWA_ALPHA));

    // A colour key turns the pixels of that colour into holes of an ordinary frame.
    ASSERT_TRUE(SetLayeredWindowAttributes(layered, RGB(0xFF, 0, 0xFF), 255, LWA_COLORKEY));
    const uint32_t keyed[2] = {0xFFFF00FFu, 0xFF102030u};
    ASSERT_TRUE(PresentFrame(layered, keyed, 2, 1, 8, RECT{0, 0, 2, 1}));
    const auto shaped = m_screen->GetFrame(layered);
    EXPECT_EQ(shaped.Pixel(0, 0), 0u);
    EXPECT_EQ(shaped.Pixel(1, 0), 0xFF102030u);
    EXPECT_EQ(m_screen->GetOpacity(layered), 255);
}

TEST_F(WindowSystemTest, ClipboardCursorAndWorkArea) {
    Recorder r;
    Make(r, CRect(0, 0, 10, 10));
    EXPECT_TRUE(SetClipboardText("复制 copy"));
    EXPECT_EQ(GetClipboardText(), "复制 copy");
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    WaitMessage(0);  // cursors are applied when the loop goes idle
    EXPECT_EQ(m_screen->GetShownCursor(), IDC_HAND);
    EXPECT_EQ(LoadCursorW(nullptr, 12345), 0u);
    m_screen->SetWorkArea(RECT{0, 0, 800, 560});
    EXPECT_EQ(CRect(GetWorkAreaNear(RECT{10, 10, 20, 20})), CRect(0, 0, 800, 560));
}

TEST(WindowSystemWithoutStart, CallsFailCleanly) {
    EXPECT_FALSE(Platform::IsStarted());
    EXPECT_FALSE(PostMessageW(nullptr, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_INITIALISED);
    MSG msg;
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), -1);
    EXPECT_EQ(CreateWindowExW(0, "TestWindow", "", 0, 0, 0, 1, 1, nullptr, 0, nullptr), nullptr);
}

}  // namespace
}  // namespace TiluUI::Test
