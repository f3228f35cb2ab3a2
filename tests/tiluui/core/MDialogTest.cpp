// MDialog painting and window behaviour on the offscreen backend: background colours
// and images, layered frames, window drag, size handling and the repaint cap.
#include "tests/tiluui/OffscreenFixture.h"
#include "tiluui/core/MDialog.h"
#include "tiluui/core/MRender.h"

namespace TiluUI::Test {
namespace {

class CountingDialog : public MDialog {
public:
    int initUI = 0;
    std::vector<CRect> sizes;
    int InitUI(CRect) override { return ++initUI; }
    int UISize(CRect client) override {
        sizes.push_back(client);
        return 0;
    }
};

class MDialogTest : public OffscreenTest {
protected:
    HWND Open(CountingDialog& dlg, CRect rect, DWORD exStyle = 0) {
        HWND h = dlg.Create(nullptr, "dialog", WS_POPUP, exStyle, rect);
        EXPECT_TRUE(h);
        dlg.ShowWindow(SW_SHOW);
        return h;
    }
    /// Pumps until the window has presented `count` frames.
    OffscreenBackend::Frame WaitForFrames(HWND h, int count) {
        PumpUntil([&] { return m_screen->GetFrame(h).presents >= count; });
        return m_screen->GetFrame(h);
    }
};

TEST_F(MDialogTest, WithoutAnImageTheFrameColourRimsTheBackColour) {
    CountingDialog dlg;
    HWND h = Open(dlg, CRect(0, 0, 20, 10));
    EXPECT_EQ(dlg.initUI, 1);
    dlg.GetPaintManager().SetBackColor(RGB(10, 20, 30), RGB(200, 100, 50));
    const auto frame = WaitForFrames(h, 1);
    ASSERT_EQ(frame.width, 20);
    // Alpha 0xFE, colour channels premultiplied by it (cairo rounds them its own way).
    const auto near = [](uint32_t px, unsigned r, unsigned g, unsigned b) {
        const auto ch = [&](int shift, unsigned want) {
            return std::abs(static_cast<int>((px >> shift) & 0xFF) - static_cast<int>(want * 254 / 255)) <= 1;
        };
        return (px >> 24) == 0xFE && ch(16, r) && ch(8, g) && ch(0, b);
    };
    EXPECT_TRUE(near(frame.Pixel(0, 0), 200, 100, 50)) << std::hex << frame.Pixel(0, 0);
    EXPECT_TRUE(near(frame.Pixel(19, 9), 200, 100, 50));
    EXPECT_TRUE(near(frame.Pixel(10, 0), 200, 100, 50));
    EXPECT_TRUE(near(frame.Pixel(1, 1), 10, 20, 30)) << std::hex << frame.Pixel(1, 1);
    EXPECT_TRUE(near(frame.Pixel(10, 5), 10, 20, 30));
    EXPECT_FALSE(frame.perPixelAlpha);
}

TEST_F(MDialogTest, BackgroundImageAsNineGridFillsTheWholeWindow) {
    CountingDialog dlg;
    HWND h = Open(dlg, CRect(0, 0, 30, 20));
    auto bmp = MRender::CreateARGB32Bitmap(9, 9);
    MRender::FillSolidRect(bmp->Graphics(), 0, 0, 9, 9, RGB(255, 0, 0));
    MRender::FillSolidRect(bmp->Graphics(), 3, 3, 3, 3, RGB(0, 255, 0));
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 9, 9);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_surface(cr, bmp->Surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    dlg.GetPaintManager().SetBKImage(
        std::make_shared<MImage>(std::vector<cairo_surface_t*>{s}, std::vector<int>{0}));
    dlg.SetBackMode(BACK_MODE_FRAME, 3);
    const auto frame = WaitForFrames(h, 1);
    EXPECT_EQ(frame.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(frame.Pixel(29, 19), 0xFFFF0000u);
    EXPECT_EQ(frame.Pixel(15, 10), 0xFF00FF00u);  // the centre stretched over the middle
    EXPECT_EQ(frame.Pixel(3, 3), 0xFF00FF00u);
    EXPECT_EQ(frame.Pixel(26, 16), 0xFF00FF00u);
    EXPECT_FALSE(dlg.LoadBKImage("no/such/picture.png"));
}

TEST_F(MDialogTest, LayeredWindowsPresentPerPixelAlpha) {
    CountingDialog dlg;
    HWND h = Open(dlg, CRect(0, 0, 10, 10));
    dlg.SetLayeredWindow(1);
    dlg.GetPaintManager().SetContentPainter([](cairo_t* g, const CRect&) {
        cairo_set_operator(g, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(g, 0, 0, 5, 10);
        cairo_fill(g);
        // Pixels written without alpha, as plain fills and text of other engines leave them:
        // a colour with alpha 0 becomes opaque, black with alpha 0 stays transparent.
        cairo_surface_t* s = cairo_get_target(g);
        cairo_surface_flush(s);
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) +
                                                2 * cairo_image_surface_get_stride(s));
        row[0] = 0x00FF0000u;
        row[1] = 0x00000000u;
        cairo_surface_mark_dirty(s);
    });
    PumpUntil([&] { return m_screen->GetFrame(h).perPixelAlpha; });
    const auto frame = m_screen->GetFrame(h);
    EXPECT_TRUE(frame.perPixelAlpha);
    EXPECT_EQ(frame.Pixel(2, 5), 0u);           // cleared: transparent
    EXPECT_EQ(frame.Pixel(7, 5) >> 24, 0xFEu);  // background
    EXPECT_EQ(frame.Pixel(0, 2), 0xFFFF0000u);
    EXPECT_EQ(frame.Pixel(1, 2), 0u);
}

TEST_F(MDialogTest, PressOnAnEmptyPartMovesTheWindowOnlyWithDragEnabled) {
    for (const bool drag : {true, false}) {
        CountingDialog dlg;
        HWND h = Open(dlg, CRect(100, 100, 300, 200));
        dlg.EnableWndDrag(drag ? 1 : 0);
        NativeEvent ev;
        ev.kind = NativeEvent::Kind::MouseDown;
        ev.button = 1;
        ev.screen = {150, 150};
        m_screen->Inject(ev);
        m_screen->InjectMouseMove(180, 170);
        ev.kind = NativeEvent::Kind::MouseUp;
        ev.screen = {180, 170};
        m_screen->Inject(ev);
        PumpUntil([] { return false; }, 50);
        CRect r;
        GetWindowRect(h, &r);
        EXPECT_EQ(r.TopLeft(), drag ? CPoint(130, 120) : CPoint(100, 100)) << "drag " << drag;
    }
}

TEST_F(MDialogTest, ResizingCallsUISizeAndRepaints) {
    CountingDialog dlg;
    HWND h = Open(dlg, CRect(0, 0, 50, 40));
    WaitForFrames(h, 1);
    dlg.MoveWindow(0, 0, 80, 60);
    ASSERT_FALSE(dlg.sizes.empty());
    EXPECT_EQ(dlg.sizes.back(), CRect(0, 0, 80, 60));
    const auto frame = WaitForFrames(h, 2);
    EXPECT_EQ(frame.width, 80);
    // Minimising calls no UISize.
    const size_t before = dlg.sizes.size();
    dlg.ShowWindow(SW_MINIMIZE);
    EXPECT_EQ(dlg.sizes.size(), before);
}

TEST_F(MDialogTest, SizeLimitsAndWholeWindowTranslucency) {
    CountingDialog dlg;
    HWND h = Open(dlg, CRect(0, 0, 200, 150));
    dlg.GetPaintManager().SetWindowMixSize(120, 100);
    dlg.GetPaintManager().SetWindowMaxSize(300, 0);
    dlg.MoveWindow(0, 0, 50, 50);
    CRect r;
    dlg.GetWindowRect(r);
    EXPECT_EQ(r.Size(), CSize(120, 100));
    dlg.MoveWindow(0, 0, 500, 400);
    dlg.GetWindowRect(r);
    EXPECT_EQ(r.Size(), CSize(300, 400));  // no height limit set

    // A constant alpha makes the window layered on the next size change.
    dlg.SetWindowAlpha(128);
    dlg.MoveWindow(0, 0, 200, 150);
    EXPECT_TRUE(dlg.GetExStyle() & WS_EX_LAYERED);
    EXPECT_EQ(m_screen->GetOpacity(h), 128);
}

TEST_F(MDialogTest, RepaintsAreCappedWithoutBlockingTheLoop) {
    CountingDialog dlg;
    HWND h = Open(dlg, CRect(0, 0, 20, 20));
    WaitForFrames(h, 1);
    // Three requests in quick succession: the first is deferred, not lost, and they merge.
    for (int i = 0; i < 3; ++i) {
        dlg.GetPaintManager().Invalidate();
        PumpPending();
    }
    const auto start = std::chrono::steady_clock::now();
    const auto frame = WaitForFrames(h, 2);
    EXPECT_EQ(frame.presents, 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    PumpUntil([] { return false; }, 60);
    EXPECT_EQ(m_screen->GetFrame(h).presents, 2);  // nothing left to paint
}

}  // namespace
}  // namespace TiluUI::Test
