// MObject identity, MWindow wrappers and binding, the modal loop (results, quit,
// owner state, cross-thread wake-up) and CenterWindow on the offscreen backend.
#include <sys/resource.h>

#include <atomic>
#include <thread>

#include "tests/tiluui/OffscreenFixture.h"
#include "tiluui/core/MDialog.h"
#include "tiluui/core/Manager.h"

namespace TiluUI::Test {
namespace {

/// A dialog whose handlers can be scripted per test.
class ScriptedDialog : public MDialog {
public:
    std::function<void(ScriptedDialog&)> onShown;
    std::function<void(ScriptedDialog&, UINT, WPARAM)> onMessage;
    int destroyed = 0;

    LRESULT OnWindowMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_SHOWWINDOW && w && onShown) PostMessageW(WM_USER + 100);
        if (msg == WM_USER + 100 && onShown) onShown(*this);
        if (msg >= WM_USER && msg != WM_TILU_CLOSE_RESULT && onMessage) onMessage(*this, msg, w);
        return MDialog::OnWindowMessage(msg, w, l);
    }
    int PostNcDestroy() override {
        ++destroyed;
        return 0;
    }
    HWND CreatePopup(HWND owner, CRect rect) { return Create(owner, "scripted", WS_POPUP, 0, rect); }
};

using MWindowTest = OffscreenTest;

TEST(MObjectTest, ClassNamesMatchExactlyAndTheRootMatchesNothing) {
    MObject root;
    EXPECT_EQ(root.GetClassNameW(), nullptr);
    EXPECT_FALSE(root.IsClass(""));
    EXPECT_FALSE(root.IsClass(nullptr));
    MDialog dlg;
    const MObject& asObject = dlg;
    EXPECT_TRUE(asObject.IsClass("MDialog"));
    EXPECT_FALSE(asObject.IsClass("mdialog"));
    EXPECT_FALSE(asObject.IsClass("MDialog "));
    EXPECT_EQ(root.OnBaseMessage(1, 2, 3, 4), 0);
}

TEST_F(MWindowTest, WrappersWithoutAWindowReturnNeutralValues) {
    MDialog dlg;
    EXPECT_EQ(dlg.ShowModal(SW_SHOW), -1);
    EXPECT_EQ(dlg.GetWindowTextLengthW(), -1);
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dlg.GetStyle(), 0u);
    EXPECT_FALSE(dlg.PostMessageW(WM_USER));
    EXPECT_EQ(dlg.SetTimer(1, 10), 0u);
    CRect r(1, 2, 3, 4);
    EXPECT_FALSE(dlg.GetClientRect(r));
    dlg.DoOK();  // nothing to post to
    dlg.CenterWindow();
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MWindowTest, CreateBindsTheObjectAndStripsTheCaption) {
    MDialog dlg;
    HWND h = dlg.Create(nullptr, "Dialog", WS_OVERLAPPEDWINDOW, 0, CRect(0, 0, 300, 200));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(dlg.Create(nullptr), h);  // a live window is returned again
    EXPECT_EQ(dlg.GetStyle() & (WS_CAPTION | WS_THICKFRAME), 0u);
    EXPECT_EQ(dlg.GetStyle() & 0x06000008u, 0x06000008u);
    EXPECT_EQ(GetClassNameW(h), "TiluClient");
    EXPECT_EQ(dlg.GetWindowTextLengthW(), 6);
    EXPECT_TRUE(Manager::HasWnd(&dlg));
    EXPECT_TRUE(dlg.ModifyStyle(0, WS_BORDER));
    EXPECT_FALSE(dlg.ModifyStyle(0, WS_BORDER));  // unchanged
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(Manager::HasWnd(&dlg));
}

TEST_F(MWindowTest, DeletingTheObjectFirstDestroysItsWindow) {
    HWND h = nullptr;
    {
        ScriptedDialog dlg;
        h = dlg.CreatePopup(nullptr, CRect(0, 0, 50, 50));
        ASSERT_TRUE(IsWindow(h));
        PostMessageW(h, WM_USER + 5, 0, 0);  // still queued when the object goes
    }
    EXPECT_FALSE(IsWindow(h));
    PumpPending();  // the queued message must not reach the deleted object
}

/// A window that superclasses a registered class and counts what reaches each procedure.
class SuperclassedWindow : public MWindow {
public:
    static int baseCalls;
    int ownCalls = 0;
    static LRESULT BaseProc(HWND h, UINT m, WPARAM w, LPARAM l) {
        ++baseCalls;
        return m == WM_USER + 1 ? 77 : DefWindowProcW(h, m, w, l);
    }
    const char* GetWindowClassName() const override { return "TiluSuperEdit"; }
    const char* GetSuperClassName() const override { return "BaseEdit"; }
    LRESULT OnWindowMessage(UINT msg, WPARAM w, LPARAM l) override {
        ++ownCalls;
        return MWindow::OnWindowMessage(msg, w, l);
    }
};
int SuperclassedWindow::baseCalls = 0;

TEST_F(MWindowTest, SuperclassingRoutesToTheObjectThenTheBaseProcedure) {
    SuperclassedWindow missing;
    EXPECT_EQ(missing.Create(nullptr), nullptr);  // the superclass is not registered yet
    WNDCLASSW base;
    base.lpfnWndProc = &SuperclassedWindow::BaseProc;
    base.lpszClassName = "BaseEdit";
    ASSERT_NE(RegisterClassW(base), 0);
    SuperclassedWindow w;
    HWND h = w.Create(nullptr, CRect(0, 0, 10, 10));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetClassNameW(h), "TiluSuperEdit");
    EXPECT_EQ(GetPropW(h, "Control"), reinterpret_cast<intptr_t>(&w));
    const int before = w.ownCalls;
    EXPECT_EQ(w.SendMessageW(WM_USER + 1), 77);
    EXPECT_EQ(w.ownCalls, before + 1);
    EXPECT_GT(SuperclassedWindow::baseCalls, 0);
    w.DestroyWindow();
    EXPECT_EQ(w.GetSafeHwnd(), nullptr);
}

struct ResultCase {
    const char* name;
    void (MDialog::*action)();
    int expected;
};

TEST_F(MWindowTest, ModalResultsComeFromTheCloseRequest) {
    const ResultCase cases[] = {
        {"DoOK", &MDialog::DoOK, IDOK},           {"DoCancel", &MDialog::DoCancel, IDCANCEL},
        {"DoClose", &MDialog::DoClose, IDCANCEL}, {"DoYes", &MDialog::DoYes, IDYES},
        {"DoNo", &MDialog::DoNo, IDNO},
    };
    for (const ResultCase& c : cases) {
        ScriptedDialog dlg;
        ASSERT_TRUE(dlg.CreatePopup(nullptr, CRect(0, 0, 100, 80)));
        dlg.onShown = [&](ScriptedDialog& d) { (d.*c.action)(); };
        EXPECT_EQ(dlg.ShowModal(SW_SHOW), c.expected) << c.name;
        EXPECT_EQ(dlg.GetSafeHwnd(), nullptr) << c.name;
        EXPECT_EQ(dlg.destroyed, 1) << c.name;
    }
}

TEST_F(MWindowTest, ClosingFromTheWindowSystemGivesZero) {
    ScriptedDialog dlg;
    HWND h = dlg.CreatePopup(nullptr, CRect(0, 0, 100, 80));
    dlg.onShown = [&](ScriptedDialog&) {
        NativeEvent close;
        close.kind = NativeEvent::Kind::CloseRequest;
        close.window = h;
        m_screen->Inject(close);
    };
    EXPECT_EQ(dlg.ShowModal(SW_SHOW), 0);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(MWindowTest, QuitDuringAModalLoopEndsItAndIsPostedAgain) {
    ScriptedDialog owner, dlg;
    HWND o = owner.CreatePopup(nullptr, CRect(0, 0, 400, 300));
    owner.ShowWindow(SW_SHOW);
    HWND d = dlg.CreatePopup(o, CRect(0, 0, 100, 80));
    dlg.onShown = [&](ScriptedDialog&) {
        EXPECT_FALSE(IsWindowEnabled(o));  // the owner is disabled while the dialog runs
        PostQuitMessage(3);
    };
    EXPECT_EQ(dlg.ShowModal(SW_SHOW), 0);
    EXPECT_TRUE(IsWindow(d));  // the quit ended the loop, not the window
    EXPECT_TRUE(IsWindowEnabled(o));
    EXPECT_EQ(GetFocus(), o);
    // The outer loop sees the same quit.
    EXPECT_EQ(Manager::MessageLoop(), 3);
}

TEST_F(MWindowTest, NestedModalDialogsReturnToTheirOwners) {
    ScriptedDialog outer, inner;
    HWND o = outer.CreatePopup(nullptr, CRect(0, 0, 400, 300));
    int innerResult = -5;
    outer.onShown = [&](ScriptedDialog& d) {
        inner.CreatePopup(d.GetSafeHwnd(), CRect(10, 10, 100, 80));
        inner.onShown = [&](ScriptedDialog& i) { i.DoNo(); };
        innerResult = inner.ShowModal(SW_SHOW);
        EXPECT_TRUE(IsWindowEnabled(o));
        EXPECT_EQ(GetActiveWindow(), o);
        d.DoYes();
    };
    EXPECT_EQ(outer.ShowModal(SW_SHOW), IDYES);
    EXPECT_EQ(innerResult, IDNO);
}

TEST_F(MWindowTest, AMessagePostedFromAWorkerWakesTheModalLoopPromptly) {
    ScriptedDialog dlg;
    HWND h = dlg.CreatePopup(nullptr, CRect(0, 0, 100, 80));
    std::atomic<int64_t> postedAt{0};
    int64_t handledAt = 0;
    std::thread worker;
    rusage before{}, after{};
    dlg.onShown = [&](ScriptedDialog&) {
        getrusage(RUSAGE_THREAD, &before);
        worker = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            postedAt = std::chrono::steady_clock::now().time_since_epoch().count();
            PostMessageW(h, WM_USER + 9, 0, 0);
        });
    };
    dlg.onMessage = [&](ScriptedDialog& d, UINT msg, WPARAM) {
        if (msg != WM_USER + 9) return;
        handledAt = std::chrono::steady_clock::now().time_since_epoch().count();
        getrusage(RUSAGE_THREAD, &after);
        d.DoOK();
    };
    EXPECT_EQ(dlg.ShowModal(SW_SHOW), IDOK);
    worker.join();
    EXPECT_LT(std::chrono::nanoseconds(handledAt - postedAt.load()), std::chrono::milliseconds(50));
    const auto cpuUs = [](const rusage& u) {
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
    };
    // 400 ms of waiting cost (almost) nothing: the loop slept instead of polling.
    EXPECT_LT(cpuUs(after) - cpuUs(before), 40000);
}

struct CenterCase {
    const char* name;
    CRect dialog;
    bool withOwner;
    CRect ownerRect;
    CPoint expectedTopLeft;
};

TEST_F(MWindowTest, CenterWindowKeepsTheDialogInsideTheWorkArea) {
    m_screen->SetWorkArea(RECT{0, 0, 1000, 700});
    const CenterCase cases[] = {
        {"no owner: centred in the work area", CRect(0, 0, 200, 100), false, {}, {400, 300}},
        {"larger than the work area: its top-left corner", CRect(50, 50, 1250, 950), false, {}, {0, 0}},
        {"on its owner", CRect(0, 0, 100, 100), true, CRect(100, 100, 400, 300), {200, 150}},
        {"pulled back inside at the right edge",
         CRect(0, 0, 300, 100),
         true,
         CRect(800, 0, 1000, 200),
         {700, 50}},
    };
    for (const CenterCase& c : cases) {
        ScriptedDialog owner, dlg;
        HWND o = nullptr;
        if (c.withOwner) {
            o = owner.CreatePopup(nullptr, c.ownerRect);
            owner.ShowWindow(SW_SHOW);
        }
        dlg.CreatePopup(o, c.dialog);
        dlg.CenterWindow();
        CRect r;
        dlg.GetWindowRect(r);
        EXPECT_EQ(r.TopLeft(), c.expectedTopLeft) << c.name;
        EXPECT_EQ(r.Size(), c.dialog.Size()) << c.name;
    }
}

TEST_F(MWindowTest, CenterWindowIgnoresAHiddenOwner) {
    m_screen->SetWorkArea(RECT{0, 0, 1000, 700});
    ScriptedDialog owner, dlg;
    HWND o = owner.CreatePopup(nullptr, CRect(0, 0, 100, 100));  // never shown
    dlg.CreatePopup(o, CRect(0, 0, 200, 100));
    dlg.CenterWindow();
    CRect r;
    dlg.GetWindowRect(r);
    EXPECT_EQ(r.TopLeft(), CPoint(400, 300));
}

TEST_F(MWindowTest, BringToTopRestoresAndActivates) {
    ScriptedDialog a, b;
    HWND ha = a.CreatePopup(nullptr, CRect(0, 0, 100, 100));
    b.CreatePopup(nullptr, CRect(0, 0, 100, 100));
    a.ShowWindow(SW_SHOW);
    b.ShowWindow(SW_SHOW);
    a.ShowWindow(SW_MINIMIZE);
    EXPECT_TRUE(a.IsIconic());
    a.BringToTop();
    EXPECT_FALSE(a.IsIconic());
    EXPECT_EQ(GetActiveWindow(), ha);
    EXPECT_EQ(FindWindowW("TiluClient", "scripted"), ha);  // the front window comes first
}

}  // namespace
}  // namespace TiluUI::Test
