// tiluui-demo: opens a skinned TiluUI dialog (nine-grid background, nine-grid buttons,
// English and Chinese text, gradients, an animated GIF) and closes it with DoOK when
// its OK button or Return is pressed (Escape cancels).
//
// Usage: tiluui-demo [--art-dir DIR] [--timeout-ms N] [--announce] [--still] [--layered]
//   --art-dir DIR    where the generated artwork is written (default: a fresh temporary folder)
//   --still          show the first GIF frame only (no animation timer: the window is idle)
//   --layered        a per-pixel-alpha window: the panel's rounded corners are see-through
//   --timeout-ms N   cancel the dialog after N milliseconds (exit code 2)
//   --announce       print "shown X Y W H" and the OK button as "ok X Y W H" once the first frame is on
//   screen
// Exit codes: 0 closed with OK, 2 cancelled or closed otherwise, 1 start-up failure.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tiluui/core/MDialog.h"
#include "tiluui/core/MRender.h"
#include "tiluui/core/Manager.h"
#include "tools/tiluui-demo/DemoArt.h"

using namespace TiluUI;

namespace {

constexpr uintptr_t kGifTimer = 1;
constexpr uintptr_t kTimeoutTimer = 2;

class DemoDialog : public MDialog {
public:
    DemoDialog(std::string artDir, int timeoutMs, bool announce, bool still, bool layered)
        : m_artDir(std::move(artDir)),
          m_timeoutMs(timeoutMs),
          m_announce(announce),
          m_still(still),
          m_layered(layered) {}

    bool ArtReady() const { return m_strip && m_gif; }

    int InitUI(CRect client) override {
        // The artwork is generated, saved and loaded back through the ordinary loaders.
        auto panel = DemoArt::MakePanel(96, 96, 16);
        auto strip = DemoArt::MakeButtonStrip(48, 32);
        const std::string panelPath = m_artDir + "/panel.png", stripPath = m_artDir + "/button.png",
                          gifPath = m_artDir + "/spinner.gif";
        if (panel) panel->SaveAsPng(panelPath);
        if (strip) strip->SaveAsPng(stripPath);
        DemoArt::WriteSpinnerGif(gifPath, 48, 12);
        m_pm.SetBKImage(MRender::LoadImageFromFile(panelPath));
        SetBackMode(BACK_MODE_FRAME, 16);
        if (m_layered) SetLayeredWindow(1);
        m_strip = MRender::LoadImageFromFile(stripPath);
        m_gif = MRender::LoadImageFromFile(gifPath);
        m_pm.SetContentPainter([this](cairo_t* g, const CRect&) { Paint(g); });
        m_ok = CRect(client.right - 140, client.bottom - 64, client.right - 32, client.bottom - 28);
        if (m_gif && !m_still) SetTimer(kGifTimer, static_cast<UINT>(std::max(m_gif->DelayMs(0), 20)));
        if (m_timeoutMs > 0) SetTimer(kTimeoutTimer, static_cast<UINT>(m_timeoutMs));
        return 0;
    }

    int OnTimer(UINT id) override {
        if (id == kGifTimer && m_gif) {
            m_gifFrame = (m_gifFrame + 1) % m_gif->FrameCount();
            InvalidateRect(&m_gifRect, FALSE);
        } else if (id == kTimeoutTimer) {
            DoCancel();
        }
        return 0;
    }

    int OnLButtonDown(UINT, CPoint p) override {
        if (m_ok.PtInRect(p)) DoOK();
        return 0;
    }

    LRESULT OnWindowMessage(UINT msg, WPARAM w, LPARAM l) override {
        // Keys go to the paint manager, not to OnKeyDown: Return and Escape are taken here.
        if (msg == WM_KEYDOWN && w == VK_RETURN) DoOK();
        if (msg == WM_KEYDOWN && w == VK_ESCAPE) DoCancel();
        const LRESULT r = MDialog::OnWindowMessage(msg, w, l);
        if (msg == WM_PAINT && m_announce && !m_announced && m_pm.GetFrame()) {
            m_announced = true;
            CRect win;
            GetWindowRect(win);
            std::printf("shown %d %d %d %d\nok %d %d %d %d\n", win.left, win.top, win.Width(), win.Height(),
                        m_ok.left, m_ok.top, m_ok.Width(), m_ok.Height());
            std::fflush(stdout);
        }
        return r;
    }

private:
    void Paint(cairo_t* g) {
        MFont title{"", 22, FontStyleBold};
        MFont body{"", 16, FontStyleRegular};
        CRect line(32, 24, m_rcClient.right - 32, 56);
        MRender::DrawTextW(g, line, "KeyForge — TiluUI demo", RGB(255, 255, 255), title,
                           DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        line = CRect(32, 64, m_rcClient.right - 32, 88);
        MRender::DrawTextW(g, line, "Skinned dialog: nine-grid frames, gradients and GIF frames.",
                           RGB(200, 220, 240), body, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
        line = CRect(32, 92, m_rcClient.right - 32, 116);
        MRender::DrawTextW(g, line, "键盘灯光与宏设置 — 中文文字显示", RGB(255, 210, 74), body,
                           DT_LEFT | DT_SINGLELINE);
        // Nine-grid buttons from the strip: normal, hover, pressed and disabled, stretched.
        if (m_strip) {
            const int fw = m_strip->Width() / 4;
            for (int i = 0; i < 4; ++i) {
                const CRect r(32 + i * 130, 132, 32 + i * 130 + 110 + i * 4, 172 + i * 6);
                MRender::DrawImageFrame(g, m_strip.get(), r, i * fw, 0, fw, m_strip->Height(), 8);
                CRect label = r;
                static const char* kNames[4] = {"Normal", "Hover", "Pressed", "Disabled"};
                MRender::DrawTextW(g, label, kNames[i], i == 3 ? RGB(160, 160, 160) : RGB(255, 255, 255),
                                   body, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            }
        }
        // A smooth gradient and the same colours as banded steps.
        MRender::DrawGradient(g, RECT{32, 200, m_rcClient.right - 32, 232}, 0xFFE04040, 0xFF4060E0, false,
                              64);
        MRender::DrawGradientBands(g, RECT{32, 240, m_rcClient.right - 32, 256}, 0xFFE04040, 0xFF4060E0,
                                   false, 8);
        MRender::DrawRoundRectange(g, 32, 272, 180, 64, 12, 0xFFFFD24A, 2, 0x40FFD24A, true);
        CRect note(44, 280, 204, 328);
        MRender::DrawTextW(g, note, "Rounded rectangle with word-wrapped text inside it.", RGB(240, 240, 240),
                           MFont{"", 13, FontStyleRegular}, DT_LEFT | DT_WORDBREAK);
        // The animated GIF.
        m_gifRect = CRect(240, 280, 288, 328);
        if (m_gif)
            MRender::DrawImage(g, m_gif.get(), m_gifRect, 0, 0, m_gif->Width(), m_gif->Height(), m_gifFrame);
        // OK button.
        if (m_strip) {
            const int fw = m_strip->Width() / 4;
            MRender::DrawImageFrame(g, m_strip.get(), m_ok, 0, 0, fw, m_strip->Height(), 8);
            CRect label = m_ok;
            MRender::DrawTextW(g, label, "OK", RGB(255, 255, 255), MFont{"", 16, FontStyleBold},
                               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }

    std::string m_artDir;
    int m_timeoutMs;
    bool m_announce;
    bool m_still;
    bool m_layered;
    bool m_announced = false;
    std::shared_ptr<MImage> m_strip;
    std::shared_ptr<MImage> m_gif;
    int m_gifFrame = 0;
    CRect m_gifRect;
    CRect m_ok;
};

}  // namespace

int main(int argc, char** argv) {
    std::string artDir;
    int timeoutMs = 0;
    bool announce = false;
    bool still = false;
    bool layered = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--art-dir" && i + 1 < argc) {
            artDir = argv[++i];
        } else if (a == "--timeout-ms" && i + 1 < argc) {
            timeoutMs = std::atoi(argv[++i]);
        } else if (a == "--announce") {
            announce = true;
        } else if (a == "--still") {
            still = true;
        } else if (a == "--layered") {
            layered = true;
        } else {
            std::fprintf(
                stderr,
                "usage: tiluui-demo [--art-dir DIR] [--timeout-ms N] [--announce] [--still] [--layered]\n");
            return 1;
        }
    }
    if (artDir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tiluui-demo-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("tiluui-demo: cannot make a folder for the artwork");
            return 1;
        }
        artDir = pattern;
    }
    const PlatformResult started = Platform::StartDefault();
    if (!started.ok) {
        std::fprintf(stderr, "tiluui-demo: %s\n", started.message.c_str());
        return 1;
    }
    int result = 0;
    {
        DemoDialog dlg(artDir, timeoutMs, announce, still, layered);
        if (!dlg.Create(nullptr, "KeyForge TiluUI demo", WS_POPUP, 0, CRect(0, 0, 640, 400))) {
            std::fprintf(stderr, "tiluui-demo: cannot create the window\n");
            Platform::Stop();
            return 1;
        }
        if (!dlg.ArtReady()) {
            std::fprintf(stderr, "tiluui-demo: cannot load the generated artwork from %s\n", artDir.c_str());
            Platform::Stop();
            return 1;
        }
        dlg.CenterWindow();
        result = dlg.ShowModal(SW_SHOW);
    }
    Platform::Stop();
    std::printf("result %d\n", result);
    return result == IDOK ? 0 : 2;
}
