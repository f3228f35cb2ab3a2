// MDialog: message dispatch to handlers, life events, window look and dialog results.
//
// Index
//   [SECTION] Dispatch
//   [SECTION] Life events
//   [SECTION] Default handlers
//   [SECTION] Window look
//   [SECTION] Results
#include "tiluui/core/MDialog.h"

namespace TiluUI {

namespace {

constexpr DWORD kCreateStyleMask = 0xFF3BFFFF;  // without caption and thick frame
constexpr DWORD kCreateStyleAdd = 0x06000008;   // clip-children, clip-siblings and 0x8

CPoint PointOf(LPARAM l) {
    return {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
}

}  // namespace

MDialog::MDialog() = default;
MDialog::~MDialog() = default;

// [SECTION] Dispatch

LRESULT MDialog::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto flags = static_cast<UINT>(wParam);
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_TILU_CLOSE_RESULT:
            return OnUserCloseWindow(wParam, lParam);
        case WM_CREATE:
            OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_SIZE:
            OnSize(flags, static_cast<int>(LOWORD(static_cast<uintptr_t>(lParam))),
                   static_cast<int>(HIWORD(static_cast<uintptr_t>(lParam))));
            break;
        case WM_PAINT:
            OnPaint();
            break;
        case WM_CLOSE:
            OnClose();
            break;
        case WM_WINDOWPOSCHANGING:
            OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
            break;
        case WM_WINDOWPOSCHANGED:
            OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam));
            break;
        case WM_NCACTIVATE:
            OnNcActivate(static_cast<int>(wParam));
            break;
        case WM_TIMER:
            OnTimer(flags);
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(flags, PointOf(lParam));
            break;
        case WM_LBUTTONDOWN:
            OnLButtonDown(flags, PointOf(lParam));
            break;
        case WM_LBUTTONUP:
            OnLButtonUp(flags, PointOf(lParam));
            break;
        case WM_LBUTTONDBLCLK:
            OnLButtonDblClk(flags, PointOf(lParam));
            break;
        case WM_RBUTTONDOWN:
            OnRButtonDown(flags, PointOf(lParam));
            break;
        case WM_RBUTTONUP:
            OnRButtonUp(flags, PointOf(lParam));
            break;
        case WM_RBUTTONDBLCLK:
            OnRButtonDblClk(flags, PointOf(lParam));
            break;
        case WM_MOUSEHOVER:
            OnMouseHover(wParam, lParam);
            break;
        case WM_MOUSELEAVE:
            OnMouseLeave(wParam, lParam);
            break;
        default:
            break;
    }
    // The handlers' results are not used: the paint manager sees every message next.
    const LRESULT r = m_pm.OnWindowMessage(msg, wParam, lParam);
    if (r) return r;
    return CallWindowProcW(m_oldWndProc, m_hWnd, msg, wParam, lParam);
}

int MDialog::PreTranslateMessage(MSG* msg) {
    return m_pm.PreTranslateMessage(msg);
}

const char* MDialog::GetClassNameW() const {
    return "MDialog";
}

LRESULT MDialog::OnBaseMessage(unsigned controlId, unsigned code, WPARAM wParam, LPARAM lParam) {
    return OnMessage(controlId, code, wParam, lParam);
}

int MDialog::OnControlUpdate(CRect rect, int fullUpdate, MControl* control) {
    return m_pm.OnControlUpdate(rect, fullUpdate, control);
}

// [SECTION] Life events

int MDialog::OnInitDialog() {
    // Creation failed: there is nothing to build controls on.
    if (!HasWindow()) return 0;
    m_pm.Init(m_hWnd, this);
    GetClientRect(m_rcClient);
    InitUI(m_rcClient);
    return 1;
}

void MDialog::OnDestroyMessage(HWND hwnd) {
    if (hwnd == m_pm.GetPaintWnd()) m_pm.OnDestroyMessage(hwnd);
    PostNcDestroy();
}

int MDialog::OnCreate(CREATESTRUCTW* /*cs*/) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & kCreateStyleMask) | kCreateStyleAdd);
    return 1;
}

int MDialog::OnSize(UINT type, int /*cx*/, int /*cy*/) {
    if (type == SIZE_MINIMIZED) return 0;
    SetupBackTranslucent();
    GetClientRect(m_rcClient);
    if (m_rcClient.Width() > 1 && m_rcClient.Height() > 1) UISize(m_rcClient);
    InvalidateRect(&m_rcClient, FALSE);
    return 0;
}

int MDialog::OnMinimize() {
    ShowWindow(SW_MINIMIZE);
    return 0;
}

int MDialog::OnMaximize() {
    ShowWindow(HasWindow() && IsZoomed(m_hWnd) ? SW_RESTORE : SW_MAXIMIZE);
    return 0;
}

// [SECTION] Default handlers

CPoint MDialog::GetAirBladderPoint(MControl* control, unsigned /*type*/) {
    // Controls, and with them their rectangles, are not part of this layer yet.
    if (!control) return {0, 0};
    return {0, 0};
}

int MDialog::InitUI(CRect) {
    return 0;
}
int MDialog::UISize(CRect) {
    return 0;
}
LRESULT MDialog::OnMessage(unsigned, unsigned, WPARAM, LPARAM) {
    return 0;
}

LRESULT MDialog::OnUserCloseWindow(WPARAM wParam, LPARAM lParam) {
    PostMessageW(WM_CLOSE, wParam, lParam);
    return 1;
}

int MDialog::OnMouseMove(UINT, CPoint) {
    return 0;
}
int MDialog::OnMouseLeave(WPARAM, LPARAM) {
    return 0;
}
int MDialog::OnMouseHover(WPARAM, LPARAM) {
    return 0;
}
int MDialog::OnMouseWheel(UINT, short, CPoint) {
    return 0;
}
int MDialog::OnLButtonDown(UINT, CPoint) {
    return 0;
}
int MDialog::OnLButtonUp(UINT, CPoint) {
    return 0;
}
int MDialog::OnLButtonDblClk(UINT, CPoint) {
    return 0;
}
int MDialog::OnRButtonDown(UINT, CPoint) {
    return 0;
}
int MDialog::OnRButtonUp(UINT, CPoint) {
    return 0;
}
int MDialog::OnRButtonDblClk(UINT, CPoint) {
    return 0;
}
int MDialog::OnKeyDown(UINT, UINT, UINT) {
    return 0;
}
LRESULT MDialog::OnNcHitTest(CPoint) {
    return 0;
}
int MDialog::OnGetMinMaxInfo(MINMAXINFO*) {
    return 0;
}
int MDialog::OnNcCalcSize(int, NCCALCSIZE_PARAMS*) {
    return 0;
}
int MDialog::OnNcActivate(int) {
    return 0;
}
int MDialog::OnWindowPosChanging(WINDOWPOS*) {
    return 1;
}
int MDialog::OnWindowPosChanged(WINDOWPOS*) {
    return 1;
}
int MDialog::OnPaint() {
    return 0;
}
int MDialog::OnTimer(UINT) {
    return 0;
}
int MDialog::OnNcPaint() {
    return 0;
}
int MDialog::OnClose() {
    return 1;
}
int MDialog::OnDestroy() {
    return 0;
}
int MDialog::PostNcDestroy() {
    return 0;
}

// [SECTION] Window look

bool MDialog::LoadBKImage(const std::string& path) {
    return m_pm.LoadBKImage(path);
}
void MDialog::SetBackMode(enumBackMode mode, int border) {
    m_pm.SetBackMode(mode, border);
}
void MDialog::SetLayeredWindow(int layered) {
    m_pm.SetLayeredWindow(layered);
}
void MDialog::EnableWndDrag(int enable) {
    m_pm.EnableWndDrag(enable);
}
void MDialog::SetScrollResID(unsigned vertical, unsigned horizontal) {
    m_pm.SetScrollResID(vertical, horizontal);
}

void MDialog::SetupBackTranslucent() {
    if (!HasWindow()) return;
    if (m_alpha != 255) {
        ModifyExStyle(0, WS_EX_LAYERED);
        SetLayeredWindowAttributes(m_hWnd, 0, m_alpha, LWA_ALPHA);
    } else if (m_colorKey != 0xFFFFFF) {
        ModifyExStyle(0, WS_EX_LAYERED);
        SetLayeredWindowAttributes(m_hWnd, m_colorKey, 0, LWA_COLORKEY);
    }
}

// [SECTION] Results

void MDialog::DoOK() {
    PostMessageW(WM_TILU_CLOSE_RESULT, IDOK, 0);
}
void MDialog::DoCancel() {
    PostMessageW(WM_TILU_CLOSE_RESULT, IDCANCEL, 0);
}
void MDialog::DoClose() {
    PostMessageW(WM_TILU_CLOSE_RESULT, IDCANCEL, 0);
}
void MDialog::DoYes() {
    PostMessageW(WM_TILU_CLOSE_RESULT, IDYES, 0);
}
void MDialog::DoNo() {
    PostMessageW(WM_TILU_CLOSE_RESULT, IDNO, 0);
}

}  // namespace TiluUI
