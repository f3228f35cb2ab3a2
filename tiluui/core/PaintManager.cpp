// PaintManager: set-up, off-screen composition, presentation and window-level input.
//
// Index
//   [SECTION] Set-up and teardown
//   [SECTION] Painting
//   [SECTION] Input and window behaviour
#include "tiluui/core/PaintManager.h"

#include <algorithm>

#include "tiluui/core/MFont.h"
#include "tiluui/core/MRender.h"
#include "tiluui/core/MWindow.h"
#include "tiluui/core/Manager.h"

namespace TiluUI {

namespace {

constexpr const char* kManagerProp = "TiluPaintManager";
constexpr uintptr_t kDeferredPaintTimer = 0x7FFF0001;
constexpr unsigned kScrollVerticalRes = 102;
constexpr unsigned kScrollHorizontalRes = 101;

/// A COLORREF as the ARGB the background is filled with: alpha 0xFE.
ARGB BackArgb(COLORREF c) {
    return 0xFE000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

void FillReplace(cairo_t* g, const CRect& r, ARGB c) {
    cairo_save(g);
    cairo_set_operator(g, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(g, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                          (c >> 24) / 255.0);
    cairo_rectangle(g, r.left, r.top, r.Width(), r.Height());
    cairo_fill(g);
    cairo_restore(g);
}

}  // namespace

// [SECTION] Set-up and teardown

PaintManager::PaintManager() = default;

PaintManager::~PaintManager() {
    DestroyData();
}

void PaintManager::Init(HWND hwnd, MWindow* owner) {
    if (!IsWindow(hwnd)) return;
    m_hwnd = hwnd;
    m_owner = owner;
    SetPropW(hwnd, kManagerProp, reinterpret_cast<intptr_t>(this));
    const std::string privateFont = Manager::GetProgramFolder() + "font/Arial.ttf";
    FontSupport::AddPrivateFontFile(privateFont);  // optional: absent on most systems
    m_initialised = true;
    m_scrollV = kScrollVerticalRes;
    m_scrollH = kScrollHorizontalRes;
}

void PaintManager::DestroyData() {
    if (m_hwnd && IsWindow(m_hwnd)) {
        KillTimer(m_hwnd, kDeferredPaintTimer);
        if (GetPropW(m_hwnd, kManagerProp) == reinterpret_cast<intptr_t>(this))
            RemovePropW(m_hwnd, kManagerProp);
    }
    m_bkImage.reset();
    m_frame.reset();
    m_paintDeferred = false;
    m_initialised = false;
}

void PaintManager::OnDestroyMessage(HWND hwnd) {
    if (hwnd && hwnd == m_hwnd) {
        DestroyData();
        m_hwnd = nullptr;
    }
}

void PaintManager::GetClientRect(CRect& rect) const {
    rect = CRect();
    if (m_hwnd) TiluUI::GetClientRect(m_hwnd, &rect);
}

void PaintManager::GetWindowRect(CRect& rect) const {
    rect = CRect();
    if (m_hwnd) TiluUI::GetWindowRect(m_hwnd, &rect);
}

void PaintManager::GetClientSize(int& width, int& height) const {
    CRect r;
    GetClientRect(r);
    width = r.Width();
    height = r.Height();
}

LRESULT PaintManager::SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
    return m_hwnd ? TiluUI::SendMessageW(m_hwnd, msg, wParam, lParam) : 0;
}

BOOL PaintManager::PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
    return m_hwnd ? TiluUI::PostMessageW(m_hwnd, msg, wParam, lParam) : FALSE;
}

// [SECTION] Painting

void PaintManager::Invalidate() {
    if (m_hwnd) TiluUI::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void PaintManager::InvalidateRect(const CRect& rect, int erase) {
    if (!m_hwnd) return;
    if (m_layered)
        TiluUI::InvalidateRect(m_hwnd, nullptr, TRUE);
    else
        TiluUI::InvalidateRect(m_hwnd, &rect, erase);
}

int PaintManager::OnControlUpdate(CRect rect, int /*fullUpdate*/, MControl* control) {
    if (!control) return 0;
    InvalidateRect(rect, FALSE);
    return 1;
}

bool PaintManager::LoadBKImage(const std::string& relativePath) {
    std::shared_ptr<MImage> image = MRender::LoadImageFromFile(Manager::GetSkinPath(relativePath));
    if (!image) return false;
    m_bkImage = std::move(image);
    Invalidate();
    return true;
}

void PaintManager::SetBKImage(std::shared_ptr<MImage> image) {
    m_bkImage = std::move(image);
    Invalidate();
}

void PaintManager::SetBackMode(enumBackMode mode, int param) {
    m_backMode = mode;
    m_backParam = param;
    Invalidate();
}

void PaintManager::SetBackColor(COLORREF back, COLORREF frame) {
    m_backColor = back;
    m_frameColor = frame;
    Invalidate();
}

void PaintManager::SetLayeredWindow(int layered) {
    m_layered = layered != 0;
    if (m_hwnd && m_layered) {
        const auto ex = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
        SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    }
    Invalidate();
}

void PaintManager::SetContentPainter(ContentPainter painter) {
    m_painter = std::move(painter);
    Invalidate();
}

void PaintManager::PaintBackground(cairo_t* g, const CRect& client) {
    if (m_bkImage) {
        if (m_backMode == BACK_MODE_FRAME)
            MRender::DrawImageFrame(g, m_bkImage.get(), client, 0, 0, m_bkImage->Width(), m_bkImage->Height(),
                                    m_backParam);
        else
            MRender::DrawImage(g, m_bkImage.get(), CRect(0, 0, m_bkImage->Width(), m_bkImage->Height()), 0, 0,
                               m_bkImage->Width(), m_bkImage->Height());
        return;
    }
    FillReplace(g, client, BackArgb(m_frameColor));
    CRect inner = client;
    inner.DeflateRect(1, 1);
    if (!inner.IsRectEmpty()) FillReplace(g, inner, BackArgb(m_backColor));
}

void PaintManager::LayeredAlphaPass(const CRect& area) {
    // Text and lines drawn without alpha leave alpha 0 over a colour; make those opaque.
    // Premultiplied black with alpha 0 is transparent and stays so.
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = m_frame->Row(y);
        for (int x = area.left; x < area.right; ++x)
            if ((row[x] >> 24) == 0 && (row[x] & 0xFFFFFF) != 0) row[x] |= 0xFF000000u;
    }
    m_frame->MarkDirty();
}

void PaintManager::DeferredPaintTimer(HWND hwnd, UINT, uintptr_t id, DWORD) {
    KillTimer(hwnd, id);
    auto* self = reinterpret_cast<PaintManager*>(GetPropW(hwnd, kManagerProp));
    if (self && self->m_paintDeferred) {
        self->m_paintDeferred = false;
        TiluUI::InvalidateRect(hwnd, nullptr, FALSE);
    }
}

bool PaintManager::OnPaint() {
    if (!m_hwnd) return false;
    if (IsIconic(m_hwnd)) {
        ValidateRect(m_hwnd, nullptr);
        return false;
    }
    CRect update;
    if (!GetUpdateRect(m_hwnd, &update, FALSE)) return false;
    // Repaints are capped at one per interval without blocking the window thread: a paint
    // asked for too soon is taken up again by a one-shot timer.
    const auto now = std::chrono::steady_clock::now();
    if (m_lastPaint.time_since_epoch().count() != 0 && now - m_lastPaint < kMinPaintInterval) {
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(kMinPaintInterval - (now - m_lastPaint));
        ValidateRect(m_hwnd, nullptr);
        m_paintDeferred = true;
        SetTimer(m_hwnd, kDeferredPaintTimer, static_cast<UINT>(wait.count()),
                 &PaintManager::DeferredPaintTimer);
        return false;
    }
    const bool painted = ComposeAndPresent(update);
    ValidateRect(m_hwnd, nullptr);
    m_lastPaint = std::chrono::steady_clock::now();
    return painted;
}

bool PaintManager::ComposeAndPresent(CRect update) {
    if (!m_hwnd) return false;
    CRect client;
    TiluUI::GetClientRect(m_hwnd, &client);
    if (client.IsRectEmpty()) return false;
    if (m_layered) update = client;
    if (!m_frame || m_frame->Width() != client.Width() || m_frame->Height() != client.Height()) {
        m_frame = MRender::CreateARGB32Bitmap(client.Width(), client.Height());
        if (!m_frame) return false;
        update = client;
    }
    cairo_t* g = m_frame->Graphics();
    cairo_save(g);
    cairo_rectangle(g, update.left, update.top, update.Width(), update.Height());
    cairo_clip(g);
    cairo_save(g);
    cairo_set_operator(g, CAIRO_OPERATOR_CLEAR);
    cairo_paint(g);
    cairo_restore(g);
    PaintBackground(g, client);
    if (m_painter) m_painter(g, update);
    cairo_restore(g);
    cairo_surface_flush(m_frame->Surface());
    if (m_layered) {
        LayeredAlphaPass(update);
        UpdateLayeredWindow(m_hwnd, m_frame->Bits(), m_frame->Width(), m_frame->Height(), m_frame->Stride(),
                            255);
    } else {
        PresentFrame(m_hwnd, m_frame->Bits(), m_frame->Width(), m_frame->Height(), m_frame->Stride(), update);
    }
    return true;
}

// [SECTION] Input and window behaviour

LRESULT PaintManager::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            OnPaint();
            return 1;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            if (!info) return 1;
            if (m_minSize.cx > 0) info->ptMinTrackSize.x = m_minSize.cx;
            if (m_minSize.cy > 0) info->ptMinTrackSize.y = m_minSize.cy;
            if (m_maxSize.cx > 0) info->ptMaxTrackSize.x = info->ptMaxSize.x = m_maxSize.cx;
            if (m_maxSize.cy > 0) info->ptMaxTrackSize.y = info->ptMaxSize.y = m_maxSize.cy;
            return 1;
        }
        case WM_CREATE:
        case WM_DESTROY:
        case WM_SIZE:
        case WM_CHAR:
        case WM_MOUSEHOVER:
            return 1;
        case WM_NCDESTROY:
            DestroyData();
            return 1;
        case WM_NCACTIVATE:
            if (!wParam) m_captured = false;
            Invalidate();
            return 1;
        case WM_LBUTTONDOWN:
            // No control took the press: with window drag on, the window follows the pointer.
            if (m_wndDrag && m_hwnd) {
                ReleaseCapture();
                m_captured = false;
                TiluUI::SendMessageW(m_hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), lParam);
                return 1;
            }
            return 0;
        case WM_LBUTTONUP:
            if (m_captured) {
                ReleaseCapture();
                m_captured = false;
            }
            return 0;
        default:
            (void)wParam;
            return 0;
    }
}

int PaintManager::PreTranslateMessage(MSG* /*msg*/) {
    return 0;
}

void PaintManager::EnableWndDrag(int enable) {
    m_wndDrag = enable != 0;
}

void PaintManager::SetWindowMaxSize(int width, int height) {
    m_maxSize = CSize(width, height);
}
void PaintManager::SetWindowMixSize(int width, int height) {
    m_minSize = CSize(width, height);
}

void PaintManager::SetScrollResID(unsigned vertical, unsigned horizontal) {
    m_scrollV = vertical;
    m_scrollH = horizontal;
}

}  // namespace TiluUI
