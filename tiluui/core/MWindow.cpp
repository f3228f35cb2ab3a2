// MWindow: class registration, binding, routing, wrappers, the modal loop and placement.
//
// Index
//   [SECTION] Life
//   [SECTION] Registration and binding
//   [SECTION] Wrappers
//   [SECTION] Modal loop
//   [SECTION] Placement
#include "tiluui/core/MWindow.h"

#include "tiluui/core/Manager.h"

namespace TiluUI {

namespace {

constexpr const char* kControlProp = "Control";
constexpr DWORD kDefaultStyle = 0x0000080B;
constexpr UINT kFrameRefresh = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;  // 0x17

}  // namespace

// [SECTION] Life

MWindow::MWindow() : m_oldWndProc(DefWindowProcW) {}

MWindow::~MWindow() {
    if (!HasWindow()) return;
    // Unbind first: the destroy messages must not reach this half-destroyed object.
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    if (TiluUI::GetWindowLongPtrW(h, GWLP_USERDATA) == reinterpret_cast<intptr_t>(this))
        TiluUI::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    if (TiluUI::GetPropW(h, kControlProp) == reinterpret_cast<intptr_t>(this))
        TiluUI::RemovePropW(h, kControlProp);
    Manager::DeleteWnd(this);
    TiluUI::DestroyWindow(h);
}

const char* MWindow::GetWindowClassName() const {
    return "TiluClient";
}
const char* MWindow::GetSuperClassName() const {
    return nullptr;
}

BOOL MWindow::ShowWindow(int show) {
    return HasWindow() ? TiluUI::ShowWindow(m_hWnd, show) : FALSE;
}

LRESULT MWindow::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return TiluUI::CallWindowProcW(m_oldWndProc, m_hWnd, msg, wParam, lParam);
}

int MWindow::PreTranslateMessage(MSG* /*msg*/) {
    return 0;
}
int MWindow::OnInitDialog() {
    return 1;
}
void MWindow::OnDestroyMessage(HWND /*hwnd*/) {}

bool MWindow::HasWindow() const {
    return m_hWnd && m_hWnd != reinterpret_cast<HWND>(static_cast<intptr_t>(-1)) && TiluUI::IsWindow(m_hWnd);
}

// [SECTION] Registration and binding

bool MWindow::RegisterWindowClass() {
    WNDCLASSW wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &MWindow::WndProc;
    wc.lpszClassName = GetWindowClassName();
    return TiluUI::RegisterClassW(wc) != 0 || TiluUI::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool MWindow::RegisterSuperClass() {
    WNDCLASSW super;
    if (!TiluUI::GetClassInfoW(GetSuperClassName(), &super)) return false;
    m_oldWndProc = super.lpfnWndProc;
    WNDCLASSW wc = super;
    wc.lpfnWndProc = &MWindow::ControlProc;
    wc.lpszClassName = GetWindowClassName();
    return TiluUI::RegisterClassW(wc) != 0 || TiluUI::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND MWindow::Create(HWND parent, const char* windowName, DWORD style, DWORD exStyle, CRect rect,
                     HMENU menu) {
    if (HasWindow()) return m_hWnd;
    m_hParent = parent;
    const bool registered = GetSuperClassName() ? RegisterSuperClass() : RegisterWindowClass();
    if (!registered) return nullptr;
    HWND h = TiluUI::CreateWindowExW(exStyle, GetWindowClassName(), windowName, style, rect.left, rect.top,
                                     rect.Width(), rect.Height(), parent, menu, this);
    if (h) Manager::AddWnd(this);
    OnInitDialog();
    return h;
}

HWND MWindow::Create(HWND parent) {
    return Create(parent, CRect(0, 0, 800, 600));
}

HWND MWindow::Create(HWND parent, CRect rect) {
    return Create(parent, "TiluClient", kDefaultStyle, 0, rect);
}

// The binding lives in the window (user-data slot or property) so that the object can be
// found from the handle; it is cleared on the final destroy message.
LRESULT MWindow::RouteBound(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool byProp) {
    auto bind = [&](MWindow* w) {
        if (byProp) {
            if (w)
                TiluUI::SetPropW(hwnd, kControlProp, reinterpret_cast<intptr_t>(w));
            else
                TiluUI::RemovePropW(hwnd, kControlProp);
        } else {
            TiluUI::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<intptr_t>(w));
        }
    };
    MWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<MWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (!self) return TiluUI::DefWindowProcW(hwnd, msg, wParam, lParam);
        self->m_hWnd = hwnd;
        bind(self);
        return self->OnWindowMessage(msg, wParam, lParam);
    }
    self = reinterpret_cast<MWindow*>(byProp ? TiluUI::GetPropW(hwnd, kControlProp)
                                             : TiluUI::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return TiluUI::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const LRESULT r = TiluUI::CallWindowProcW(self->m_oldWndProc, hwnd, msg, wParam, lParam);
        bind(nullptr);
        self->m_hWnd = nullptr;
        Manager::DeleteWnd(self);
        self->OnDestroyMessage(hwnd);
        return r;
    }
    return self->OnWindowMessage(msg, wParam, lParam);
}

LRESULT MWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return RouteBound(hwnd, msg, wParam, lParam, false);
}

LRESULT MWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return RouteBound(hwnd, msg, wParam, lParam, true);
}

// [SECTION] Wrappers

HWND MWindow::GetSafeHwnd() const {
    return HasWindow() ? m_hWnd : nullptr;
}
HWND MWindow::GetParentHwnd() const {
    return HasWindow() ? TiluUI::GetParent(m_hWnd) : nullptr;
}

DWORD MWindow::GetStyle() const {
    return HasWindow() ? static_cast<DWORD>(TiluUI::GetWindowLongPtrW(m_hWnd, GWL_STYLE)) : 0;
}

DWORD MWindow::GetExStyle() const {
    return HasWindow() ? static_cast<DWORD>(TiluUI::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)) : 0;
}

BOOL MWindow::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
    if (!HasWindow()) return FALSE;
    const DWORD old = GetStyle(), next = (old & ~remove) | add;
    if (old == next) return FALSE;
    TiluUI::SetWindowLongPtrW(m_hWnd, GWL_STYLE, next);
    if (flags) TiluUI::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, kFrameRefresh | flags);
    return TRUE;
}

BOOL MWindow::ModifyExStyle(DWORD remove, DWORD add, UINT flags) {
    if (!HasWindow()) return FALSE;
    const DWORD old = GetExStyle(), next = (old & ~remove) | add;
    if (old == next) return FALSE;
    TiluUI::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, next);
    if (flags) TiluUI::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, kFrameRefresh | flags);
    return TRUE;
}

BOOL MWindow::GetClientRect(CRect& rect) const {
    return HasWindow() ? TiluUI::GetClientRect(m_hWnd, &rect) : FALSE;
}
BOOL MWindow::GetWindowRect(CRect& rect) const {
    return HasWindow() ? TiluUI::GetWindowRect(m_hWnd, &rect) : FALSE;
}

BOOL MWindow::SetWindowTextW(const std::string& text) {
    return HasWindow() ? TiluUI::SetWindowTextW(m_hWnd, text) : FALSE;
}

BOOL MWindow::GetWindowTextW(std::string& text) const {
    if (!HasWindow()) return FALSE;
    text = TiluUI::GetWindowTextW(m_hWnd);
    return TRUE;
}

int MWindow::GetWindowTextLengthW() const {
    return HasWindow() ? TiluUI::GetWindowTextLengthW(m_hWnd) : -1;
}
BOOL MWindow::EnableWindow(BOOL enable) {
    return HasWindow() ? TiluUI::EnableWindow(m_hWnd, enable) : FALSE;
}
BOOL MWindow::IsWindowEnabled() const {
    return HasWindow() ? TiluUI::IsWindowEnabled(m_hWnd) : FALSE;
}
BOOL MWindow::IsWindowVisible() const {
    return HasWindow() ? TiluUI::IsWindowVisible(m_hWnd) : FALSE;
}
BOOL MWindow::IsIconic() const {
    return HasWindow() ? TiluUI::IsIconic(m_hWnd) : FALSE;
}

BOOL MWindow::InvalidateRect(const CRect* rect, BOOL erase) {
    return HasWindow() ? TiluUI::InvalidateRect(m_hWnd, rect, erase) : FALSE;
}

HWND MWindow::SetCapture() {
    return HasWindow() ? TiluUI::SetCapture(m_hWnd) : nullptr;
}
BOOL MWindow::ReleaseCapture() {
    return HasWindow() ? TiluUI::ReleaseCapture() : FALSE;
}
HWND MWindow::SetFocus() {
    return HasWindow() ? TiluUI::SetFocus(m_hWnd) : nullptr;
}

uintptr_t MWindow::SetTimer(uintptr_t id, UINT elapseMs, TIMERPROC proc) {
    return HasWindow() ? TiluUI::SetTimer(m_hWnd, id, elapseMs, proc) : 0;
}

BOOL MWindow::KillTimer(uintptr_t id) {
    return HasWindow() ? TiluUI::KillTimer(m_hWnd, id) : FALSE;
}

BOOL MWindow::ClientToScreen(CPoint& p) const {
    return HasWindow() ? TiluUI::ClientToScreen(m_hWnd, &p) : FALSE;
}
BOOL MWindow::ScreenToClient(CPoint& p) const {
    return HasWindow() ? TiluUI::ScreenToClient(m_hWnd, &p) : FALSE;
}

BOOL MWindow::ClientToScreen(CRect& r) const {
    CPoint a = r.TopLeft(), b = r.BottomRight();
    if (!ClientToScreen(a) || !ClientToScreen(b)) return FALSE;
    r = CRect(a.x, a.y, b.x, b.y);
    return TRUE;
}

BOOL MWindow::ScreenToClient(CRect& r) const {
    CPoint a = r.TopLeft(), b = r.BottomRight();
    if (!ScreenToClient(a) || !ScreenToClient(b)) return FALSE;
    r = CRect(a.x, a.y, b.x, b.y);
    return TRUE;
}

BOOL MWindow::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return HasWindow() ? TiluUI::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags) : FALSE;
}

BOOL MWindow::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    return HasWindow() ? TiluUI::MoveWindow(m_hWnd, x, y, width, height, repaint) : FALSE;
}

BOOL MWindow::MoveWindow(const CRect& rect, BOOL repaint) {
    return MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), repaint);
}

BOOL MWindow::DestroyWindow() {
    return HasWindow() ? TiluUI::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT MWindow::SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
    return HasWindow() ? TiluUI::SendMessageW(m_hWnd, msg, wParam, lParam) : 0;
}

BOOL MWindow::PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
    return HasWindow() ? TiluUI::PostMessageW(m_hWnd, msg, wParam, lParam) : FALSE;
}

// [SECTION] Modal loop

int MWindow::ShowModal(int show) {
    if (!HasWindow()) return -1;
    HWND self = m_hWnd;
    HWND owner = TiluUI::GetWindowOwner(self);
    ShowWindow(show);
    if (owner) TiluUI::EnableWindow(owner, FALSE);
    int result = 0;
    bool quit = false;
    int quitCode = 0;
    MSG msg;
    while (TiluUI::IsWindow(self)) {
        const BOOL got = TiluUI::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got < 0) break;
        if (msg.message == WM_CLOSE && msg.hwnd == self) {
            result = static_cast<int>(msg.wParam);
            // The owner comes back before the dialog goes, so activation lands on it.
            if (owner && TiluUI::IsWindow(owner)) {
                TiluUI::EnableWindow(owner, TRUE);
                TiluUI::SetFocus(owner);
            }
        }
        if (!PreTranslateMessage(&msg)) {
            TiluUI::TranslateMessage(&msg);
            TiluUI::DispatchMessageW(&msg);
        }
    }
    if (owner && TiluUI::IsWindow(owner)) {
        TiluUI::EnableWindow(owner, TRUE);
        TiluUI::SetFocus(owner);
    }
    if (quit) TiluUI::PostQuitMessage(quitCode);
    return result;
}

// [SECTION] Placement

void MWindow::CenterWindow(MWindow* reference) {
    if (!HasWindow()) return;
    const bool child = (GetStyle() & WS_CHILD) != 0;
    HWND ref = reference ? reference->GetSafeHwnd() : nullptr;
    if (!ref) ref = child ? TiluUI::GetParent(m_hWnd) : TiluUI::GetWindowOwner(m_hWnd);
    CRect win;
    TiluUI::GetWindowRect(m_hWnd, &win);
    CRect area, refRect;
    if (child) {
        HWND parent = TiluUI::GetParent(m_hWnd);
        TiluUI::GetClientRect(parent, &area);
        // Work in the parent's client coordinates.
        CPoint origin(0, 0);
        TiluUI::ClientToScreen(parent, &origin);
        win.OffsetRect(-origin.x, -origin.y);
        if (ref) {
            TiluUI::GetClientRect(ref, &refRect);
            CPoint refOrigin(0, 0);
            TiluUI::ClientToScreen(ref, &refOrigin);
            refRect.OffsetRect(refOrigin.x - origin.x, refOrigin.y - origin.y);
        } else {
            refRect = area;
        }
    } else {
        if (ref) {
            const DWORD refStyle = static_cast<DWORD>(TiluUI::GetWindowLongPtrW(ref, GWL_STYLE));
            const bool plain = TiluUI::IsWindowVisible(ref) && TiluUI::IsWindowEnabled(ref) &&
                               !TiluUI::IsIconic(ref) && !(refStyle & WS_MINIMIZE);
            if (!plain) ref = nullptr;
        }
        if (ref) TiluUI::GetWindowRect(ref, &refRect);
        area = TiluUI::GetWorkAreaNear(ref ? refRect : win);
        if (!ref) refRect = area;
    }
    int left = (refRect.left + refRect.right) / 2 - win.Width() / 2;
    int top = (refRect.top + refRect.bottom) / 2 - win.Height() / 2;
    if (left + win.Width() > area.right) left = area.right - win.Width();
    if (left < area.left) left = area.left;
    if (top + win.Height() > area.bottom) top = area.bottom - win.Height();
    if (top < area.top) top = area.top;
    TiluUI::SetWindowPos(m_hWnd, nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MWindow::BringToTop() {
    if (!HasWindow()) return;
    TiluUI::SetForegroundWindow(m_hWnd);
    TiluUI::ShowWindow(m_hWnd, TiluUI::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
}

}  // namespace TiluUI
