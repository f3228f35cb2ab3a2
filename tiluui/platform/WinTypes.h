// Basic types of the TiluUI platform layer's window model: handles, geometry records,
// the message record and the structures that travel with window messages.
#pragma once

#include <cstdint>

// The platform's truth values; glib defines the same macros with the same values.
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

namespace TiluUI {

/// Opaque window handle. Never dereferenced: the platform maps it to its window record.
struct HWND__;
using HWND = HWND__*;

using UINT = unsigned;
using DWORD = uint32_t;
using BOOL = int;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
/// 0x00BBGGRR, the platform's colour order.
using COLORREF = uint32_t;
/// 0xAARRGGBB, the drawing colours (alpha in the top byte, not premultiplied).
using ARGB = uint32_t;
/// Menu handle or child-window identifier given to window creation.
using HMENU = uintptr_t;
/// Cursor handle: the value of one of the IDC_* cursor identifiers.
using HCURSOR = uintptr_t;

/// A point in pixels.
struct POINT {
    int x = 0;
    int y = 0;
};

/// A size in pixels.
struct SIZE {
    int cx = 0;
    int cy = 0;
};

/// A rectangle; right and bottom are exclusive.
struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

/// One queued or sent window message.
struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;  // milliseconds since the platform started
    POINT pt;        // cursor position in screen coordinates when the message was queued
};

/// Creation parameters, handed to WM_NCCREATE and WM_CREATE through lParam.
struct CREATESTRUCTW {
    void* lpCreateParams = nullptr;  // the last argument of CreateWindowExW
    HMENU hMenu = 0;
    HWND hwndParent = nullptr;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    DWORD style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

/// Position change record of WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED.
struct WINDOWPOS {
    HWND hwnd = nullptr;
    HWND hwndInsertAfter = nullptr;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

/// Size limits asked for with WM_GETMINMAXINFO.
struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

/// Rectangles of WM_NCCALCSIZE (kept for handler signatures; windows have no frame here).
struct NCCALCSIZE_PARAMS {
    RECT rgrc[3];
    WINDOWPOS* lppos = nullptr;
};

/// Parameters of TrackMouseEvent.
struct TRACKMOUSEEVENT {
    DWORD dwFlags = 0;
    HWND hwndTrack = nullptr;
    DWORD dwHoverTime = 0;
};

/// Window procedure.
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
/// Timer callback; when given to SetTimer it replaces the WM_TIMER delivery to the window.
using TIMERPROC = void (*)(HWND, UINT, uintptr_t, DWORD);

/// Low 16 bits of a message parameter.
constexpr unsigned LOWORD(uintptr_t v) {
    return static_cast<unsigned>(v & 0xFFFF);
}
/// Bits 16..31 of a message parameter.
constexpr unsigned HIWORD(uintptr_t v) {
    return static_cast<unsigned>((v >> 16) & 0xFFFF);
}
/// Signed x of a mouse message's lParam.
constexpr int GET_X_LPARAM(LPARAM l) {
    return static_cast<int16_t>(l & 0xFFFF);
}
/// Signed y of a mouse message's lParam.
constexpr int GET_Y_LPARAM(LPARAM l) {
    return static_cast<int16_t>((l >> 16) & 0xFFFF);
}
/// Packs two 16-bit halves into an lParam (as the platform does for mouse points).
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<uint32_t>((static_cast<uint32_t>(hi) & 0xFFFF) << 16 |
                                                     (static_cast<uint32_t>(lo) & 0xFFFF)));
}
/// Signed wheel delta of WM_MOUSEWHEEL's wParam.
constexpr short GET_WHEEL_DELTA_WPARAM(WPARAM w) {
    return static_cast<short>((w >> 16) & 0xFFFF);
}

/// Builds a COLORREF from red, green and blue.
constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned GetRValue(COLORREF c) {
    return c & 0xFF;
}
constexpr unsigned GetGValue(COLORREF c) {
    return (c >> 8) & 0xFF;
}
constexpr unsigned GetBValue(COLORREF c) {
    return (c >> 16) & 0xFF;
}

}  // namespace TiluUI
