// Turns native events into window messages (hit testing, capture, enable state,
// double clicks, leave/hover tracking, caption drag) and keeps focus, activation,
// key state and the cursor.
//
// Index
//   [SECTION] Pumping and routing
//   [SECTION] Mouse
//   [SECTION] Keyboard and text
//   [SECTION] Activation, focus, capture
//   [SECTION] Tracking and cursors
#include <cstring>

#include "tiluui/platform/WindowSystem.h"

namespace TiluUI {

using Detail::WindowRecord;
using Detail::WindowSystem;

namespace {

constexpr UINT kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;  // pixels the pointer may move between the two clicks
constexpr int kHoverSlop = 4;

/// Decodes one UTF-8 code point; advances `i`.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
    const auto c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t cp = c & (0x3F >> extra);
    while (extra-- > 0 && i < s.size()) cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return cp;
}

/// The last shown, enabled window owned by `owner` (the modal dialog that disabled it), or null.
HWND EnabledOwnedPopup(WindowSystem& ws, HWND owner) {
    std::lock_guard lock(ws.mu);
    for (HWND h : ws.zOrder) {
        WindowRecord* rec = ws.Find(h);
        if (rec && !rec->child && rec->parent == owner && rec->visible && rec->enabled && !rec->destroying)
            return h;
    }
    return nullptr;
}

/// The top-level window that contains `hwnd` (itself for a top-level window).
HWND TopLevelOf(HWND hwnd) {
    while (hwnd && (static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & WS_CHILD))
        hwnd = GetParent(hwnd);
    return hwnd;
}

}  // namespace

namespace Detail {

// [SECTION] Pumping and routing

HWND WindowSystem::HitTest(POINT screen) {
    std::lock_guard lock(mu);
    for (HWND h : zOrder) {
        WindowRecord* rec = Find(h);
        if (rec && rec->visible && !rec->minimized && !rec->destroying && rec->rect.PtInRect(screen))
            return h;
    }
    return nullptr;
}

WPARAM WindowSystem::MouseKeyFlags() const {
    WPARAM f = 0;
    if (keyDown[VK_LBUTTON]) f |= MK_LBUTTON;
    if (keyDown[VK_RBUTTON]) f |= MK_RBUTTON;
    if (keyDown[VK_MBUTTON]) f |= MK_MBUTTON;
    if (keyDown[VK_SHIFT]) f |= MK_SHIFT;
    if (keyDown[VK_CONTROL]) f |= MK_CONTROL;
    return f;
}

void WindowSystem::Route(const NativeEvent& ev) {
    using K = NativeEvent::Kind;
    auto clientPoint = [&](HWND h) {
        POINT p = ev.screen;
        ScreenToClient(h, &p);
        return p;
    };
    auto mouseTarget = [&]() -> HWND {
        if (capture && IsWindow(capture)) return capture;
        return ev.window && IsWindow(ev.window) ? ev.window : HitTest(ev.screen);
    };
    auto isEnabled = [&](HWND h) { return h && IsWindowEnabled(h); };

    switch (ev.kind) {
        // [SECTION] Mouse
        case K::MouseMove: {
            cursorPos = ev.screen;
            if (movingWindow) {
                const CRect& r = moveStartRect;
                SetWindowPos(movingWindow, nullptr, r.left + ev.screen.x - moveStartCursor.x,
                             r.top + ev.screen.y - moveStartCursor.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                return;
            }
            HWND target = mouseTarget();
            if (trackWindow && trackWindow != target) {
                // Leaving the tracked window ends its tracking, hover included.
                if (trackFlags & TME_LEAVE) Post(trackWindow, WM_MOUSELEAVE, 0, 0);
                trackWindow = nullptr, trackFlags = 0, hoverDue.reset();
            }
            if (!isEnabled(target)) return;
            if (hoverDue && trackWindow == target &&
                (std::abs(ev.screen.x - hoverAnchor.x) > kHoverSlop ||
                 std::abs(ev.screen.y - hoverAnchor.y) > kHoverSlop)) {
                hoverAnchor = ev.screen;
                hoverDue = PlatformClock::now() + std::chrono::milliseconds(hoverMs);
            }
            Call(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            const POINT p = clientPoint(target);
            Post(target, WM_MOUSEMOVE, MouseKeyFlags(), MAKELPARAM(p.x, p.y));
            return;
        }
        case K::MouseDown:
        case K::MouseUp: {
            cursorPos = ev.screen;
            const bool down = ev.kind == K::MouseDown;
            const UINT vk = ev.button == 1 ? VK_LBUTTON : ev.button == 2 ? VK_RBUTTON : VK_MBUTTON;
            keyDown[vk] = down;
            if (!down && movingWindow && ev.button == 1) {
                movingWindow = nullptr;
                return;
            }
            HWND target = mouseTarget();
            if (target && down && !isEnabled(target)) {
                // A press on a window disabled by its modal dialog brings that dialog forward.
                if (HWND modal = EnabledOwnedPopup(*this, TopLevelOf(target))) Activate(modal, true);
                return;
            }
            if (!isEnabled(target)) return;
            if (down) {
                // A press on an inactive top-level window activates it first.
                HWND top = TopLevelOf(target);
                const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(top, GWL_EXSTYLE));
                if (top != active && !(ex & WS_EX_NOACTIVATE)) Activate(top, true);
            }
            const POINT p = clientPoint(target);
            UINT msg = 0;
            if (down) {
                const auto now = PlatformClock::now();
                UINT classStyle = 0;
                {
                    std::lock_guard lock(mu);
                    if (WindowRecord* rec = Find(target)) classStyle = rec->classStyle;
                }
                const bool dbl = (classStyle & CS_DBLCLKS) && !lastDownWasDouble &&
                                 lastDownWindow == target && lastDownButton == ev.button &&
                                 now - lastDownTime <= std::chrono::milliseconds(kDoubleClickMs) &&
                                 std::abs(ev.screen.x - lastDownPos.x) <= kDoubleClickSlop &&
                                 std::abs(ev.screen.y - lastDownPos.y) <= kDoubleClickSlop;
                lastDownWindow = target, lastDownButton = ev.button, lastDownTime = now,
                lastDownPos = ev.screen;
                lastDownWasDouble = dbl;
                msg = ev.button == 1   ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN)
                      : ev.button == 2 ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN)
                                       : (dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN);
            } else {
                msg = ev.button == 1 ? WM_LBUTTONUP : ev.button == 2 ? WM_RBUTTONUP : WM_MBUTTONUP;
            }
            Post(target, msg, MouseKeyFlags(), MAKELPARAM(p.x, p.y));
            return;
        }
        case K::MouseWheel: {
            cursorPos = ev.screen;
            HWND target = focus ? focus : mouseTarget();
            if (!isEnabled(target)) return;
            const WPARAM w =
                (static_cast<WPARAM>(static_cast<uint16_t>(ev.wheelDelta)) << 16) | MouseKeyFlags();
            Post(target, WM_MOUSEWHEEL, w, MAKELPARAM(ev.screen.x, ev.screen.y));
            return;
        }
        case K::MouseLeft:
            if (trackWindow && trackWindow == ev.window && !capture && (trackFlags & TME_LEAVE)) {
                Post(trackWindow, WM_MOUSELEAVE, 0, 0);
                trackWindow = nullptr, trackFlags = 0, hoverDue.reset();
            }
            return;
        // [SECTION] Keyboard and text
        case K::KeyDown:
        case K::KeyUp: {
            const bool down = ev.kind == K::KeyDown;
            if (ev.vk < 256) keyDown[ev.vk] = down;
            if (ev.vk == VK_LSHIFT || ev.vk == VK_RSHIFT)
                keyDown[VK_SHIFT] = keyDown[VK_LSHIFT] || keyDown[VK_RSHIFT];
            if (ev.vk == VK_LCONTROL || ev.vk == VK_RCONTROL)
                keyDown[VK_CONTROL] = keyDown[VK_LCONTROL] || keyDown[VK_RCONTROL];
            if (ev.vk == VK_LMENU || ev.vk == VK_RMENU)
                keyDown[VK_MENU] = keyDown[VK_LMENU] || keyDown[VK_RMENU];
            HWND target = focus ? focus : active;
            if (!isEnabled(target)) return;
            // Keys reach windows with the generic modifier codes, as the platform reports them.
            UINT vk = ev.vk;
            if (vk == VK_LSHIFT || vk == VK_RSHIFT) vk = VK_SHIFT;
            if (vk == VK_LCONTROL || vk == VK_RCONTROL) vk = VK_CONTROL;
            if (vk == VK_LMENU || vk == VK_RMENU) vk = VK_MENU;
            const bool sys = keyDown[VK_MENU] && !keyDown[VK_CONTROL];
            const LPARAM l = down ? (1 | (ev.repeat ? (1 << 30) : 0)) : static_cast<LPARAM>(0xC0000001u);
            Post(target, down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP), vk, l);
            return;
        }
        case K::Text: {
            HWND target = focus ? focus : active;
            if (!isEnabled(target)) return;
            for (size_t i = 0; i < ev.text.size();) Post(target, WM_CHAR, NextCodePoint(ev.text, i), 1);
            return;
        }
        // Window-system requests
        case K::CloseRequest:
            if (isEnabled(ev.window)) Post(ev.window, WM_CLOSE, 0, 0);
            return;
        case K::Exposed:
            InvalidateRect(ev.window, nullptr, FALSE);
            return;
        case K::Moved:
        case K::Resized: {
            // While a caption drag moves the window, late reports of earlier positions are stale.
            if (ev.kind == K::Moved && movingWindow == ev.window) return;
            CRect before;
            {
                std::lock_guard lock(mu);
                WindowRecord* rec = Find(ev.window);
                if (!rec || rec->minimized) return;
                before = rec->rect;
                if (ev.kind == K::Moved)
                    rec->rect.MoveToXY(ev.rect.left, ev.rect.top);
                else
                    rec->rect = ev.rect;
            }
            const CRect now = ev.kind == K::Moved
                                  ? CRect(ev.rect.left, ev.rect.top, ev.rect.left + before.Width(),
                                          ev.rect.top + before.Height())
                                  : CRect(ev.rect);
            if (now.TopLeft() != before.TopLeft()) Call(ev.window, WM_MOVE, 0, MAKELPARAM(now.left, now.top));
            if (now.Size() != before.Size()) {
                Call(ev.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(now.Width(), now.Height()));
                InvalidateRect(ev.window, nullptr, FALSE);
            }
            return;
        }
        case K::FocusGained:
            if (!IsWindow(ev.window)) return;
            if (!IsWindowEnabled(ev.window)) {
                if (HWND modal = EnabledOwnedPopup(*this, ev.window)) Activate(modal, true);
                return;
            }
            Activate(ev.window, false);
            return;
        case K::Minimized:
        case K::Restored: {
            const bool minimize = ev.kind == K::Minimized;
            CRect rect;
            {
                std::lock_guard lock(mu);
                WindowRecord* rec = Find(ev.window);
                if (!rec || rec->minimized == minimize) return;
                rec->minimized = minimize;
                rect = rec->rect;
            }
            if (minimize) {
                Call(ev.window, WM_SIZE, SIZE_MINIMIZED, 0);
            } else {
                Call(ev.window, WM_SIZE, IsZoomed(ev.window) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                     MAKELPARAM(rect.Width(), rect.Height()));
                InvalidateRect(ev.window, nullptr, FALSE);
            }
            return;
        }
        case K::FocusLost:
            if (active == ev.window) {
                Call(ev.window, WM_NCACTIVATE, FALSE, 0);
                Call(ev.window, WM_ACTIVATE, WA_INACTIVE, 0);
                active = nullptr;
            }
            return;
    }
}

// [SECTION] Activation, focus, capture

void WindowSystem::Activate(HWND hwnd, bool raise) {
    if (raise) backend->Raise(hwnd);
    if (active == hwnd) return;
    HWND old = active;
    active = hwnd;
    if (old && IsWindow(old)) {
        Call(old, WM_NCACTIVATE, FALSE, 0);
        Call(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    Call(hwnd, WM_NCACTIVATE, TRUE, 0);
    Call(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    const bool focusInside = focus && TopLevelOf(focus) == hwnd;
    if (!focusInside && IsWindowEnabled(hwnd)) SetFocus(hwnd);
}

void WindowSystem::CheckHover() {
    if (!hoverDue || PlatformClock::now() < *hoverDue) return;
    hoverDue.reset();
    if (!trackWindow || !(trackFlags & TME_HOVER)) return;
    trackFlags &= ~TME_HOVER;
    POINT p = cursorPos;
    ScreenToClient(trackWindow, &p);
    Post(trackWindow, WM_MOUSEHOVER, MouseKeyFlags(), MAKELPARAM(p.x, p.y));
}

}  // namespace Detail

HWND SetCapture(HWND hwnd) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !IsWindow(hwnd)) return nullptr;
    HWND old = ws->capture;
    ws->capture = hwnd;
    if (old && old != hwnd) ws->Call(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    if (!old) ws->backend->CaptureMouse(true);
    return old;
}

BOOL ReleaseCapture() {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    HWND old = ws->capture;
    ws->capture = nullptr;
    if (old) {
        ws->backend->CaptureMouse(false);
        ws->Call(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws ? ws->capture : nullptr;
}

HWND SetFocus(HWND hwnd) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return nullptr;
    if (hwnd && (!IsWindow(hwnd) || !IsWindowEnabled(hwnd))) return nullptr;
    const HWND previous = ws->focus;
    // Focusing a window of an inactive top-level window activates that window first.
    if (HWND top = TopLevelOf(hwnd); top && top != ws->active && IsWindowVisible(top))
        ws->Activate(top, true);
    HWND old = ws->focus;
    if (old == hwnd) return previous;
    ws->focus = hwnd;
    if (old && IsWindow(old)) ws->Call(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd) ws->Call(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return previous;
}

HWND GetFocus() {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws ? ws->focus : nullptr;
}

short GetKeyState(int vk) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || vk < 0 || vk > 255) return 0;
    return ws->keyDown[vk] ? static_cast<short>(0x8000) : 0;
}

short GetAsyncKeyState(int vk) {
    return GetKeyState(vk);
}

// [SECTION] Tracking and cursors

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !track || !IsWindow(track->hwndTrack)) return FALSE;
    if (track->dwFlags & TME_CANCEL) {
        if (ws->trackWindow == track->hwndTrack) {
            ws->trackFlags &= ~track->dwFlags;
            if (!(ws->trackFlags & TME_HOVER)) ws->hoverDue.reset();
            if (!ws->trackFlags) ws->trackWindow = nullptr;
        }
        return TRUE;
    }
    // Leave tracking asked for while the pointer is elsewhere reports the leave at once.
    RECT r;
    GetWindowRect(track->hwndTrack, &r);
    if ((track->dwFlags & TME_LEAVE) && !CRect(r).PtInRect(ws->cursorPos)) {
        ws->Post(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    if (ws->trackWindow != track->hwndTrack) ws->trackFlags = 0;
    ws->trackWindow = track->hwndTrack;
    ws->trackFlags |= track->dwFlags & (TME_LEAVE | TME_HOVER);
    if (track->dwFlags & TME_HOVER) {
        ws->hoverMs = track->dwHoverTime == HOVER_DEFAULT ? 400 : track->dwHoverTime;
        ws->hoverAnchor = ws->cursorPos;
        ws->hoverDue = PlatformClock::now() + std::chrono::milliseconds(ws->hoverMs);
    }
    return TRUE;
}

HCURSOR LoadCursorW(void* instance, HCURSOR id) {
    if (instance) return 0;
    switch (id) {
        case IDC_ARROW:
        case IDC_IBEAM:
        case IDC_WAIT:
        case IDC_CROSS:
        case IDC_SIZEWE:
        case IDC_SIZENS:
        case IDC_HAND:
        case IDC_HELP:
            return id;
        default:
            return 0;
    }
}

HCURSOR SetCursor(HCURSOR cursor) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return 0;
    HCURSOR old = ws->wantedCursor;
    // Applied when the loop goes idle, so a reset to the arrow followed by a control's own
    // cursor in the same mouse move never shows the arrow.
    if (cursor) ws->wantedCursor = cursor;
    return old;
}

HCURSOR GetCursor() {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws ? ws->wantedCursor : 0;
}

BOOL GetCursorPos(POINT* p) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !p) return FALSE;
    *p = ws->cursorPos;
    return TRUE;
}

UINT GetDoubleClickTime() {
    return kDoubleClickMs;
}

}  // namespace TiluUI
