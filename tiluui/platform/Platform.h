// The TiluUI platform layer: a message-based window model (handles, messages, queues,
// timers, modal loops, capture, focus, layered windows) over a native backend.
//
// Index
//   [SECTION] Start-up and backends
//   [SECTION] Window classes and creation
//   [SECTION] Window state and geometry
//   [SECTION] Messages, queue and loops
//   [SECTION] Timers
//   [SECTION] Input: capture, focus, keys, tracking, cursors
//   [SECTION] Painting and layered windows
//   [SECTION] Screen, clipboard, time
//
// Error convention: the window calls keep their classic results (0, null, FALSE
// on failure) and record a code for GetLastError(); start-up returns a PlatformResult
// with a message. No call throws.
//
// Threads: the thread that calls Platform::Start is the window thread. Windows are
// created, shown, destroyed and pumped there only. PostMessageW, PostQuitMessage (for
// the window thread), InvalidateRect, IsWindow and SendMessageW may be called from any
// thread; SendMessageW from another thread waits until the window thread handles it.
#pragma once

#include <memory>
#include <string>

#include "tiluui/platform/Backend.h"
#include "tiluui/platform/Geometry.h"
#include "tiluui/platform/WinConstants.h"
#include "tiluui/platform/WinTypes.h"

namespace TiluUI {

// [SECTION] Start-up and backends

/// Outcome of a platform start-up call.
struct PlatformResult {
    bool ok = false;
    std::string message;  // why it failed; empty on success
};

/// The process-wide window system. One backend at a time; stop it before starting another.
class Platform {
public:
    Platform() = delete;

    /// Starts the window system on `backend`; the calling thread becomes the window thread.
    static PlatformResult Start(std::unique_ptr<Backend> backend);
    /// Starts the backend named by TILUUI_BACKEND ("sdl" or "offscreen"; default "sdl").
    static PlatformResult StartDefault();
    /// Destroys every remaining window and stops the backend. Window thread only.
    static void Stop();
    /// True between Start and Stop.
    static bool IsStarted();
    /// The running backend (null when stopped).
    static Backend* GetBackend();
};

/// Creates the SDL2 backend (real windows); on failure returns null and sets `error`.
std::unique_ptr<Backend> CreateSdlBackend(std::string& error);

// [SECTION] Window classes and creation

/// A window class.
struct WNDCLASSW {
    UINT style = 0;  // CS_* bits
    WNDPROC lpfnWndProc = nullptr;
    const char* lpszClassName = nullptr;
};

/// Registers a window class; 0 (GetLastError ERROR_CLASS_ALREADY_EXISTS) when the name is taken.
ATOM RegisterClassW(const WNDCLASSW& wc);
/// Looks a registered class up; FALSE (ERROR_CLASS_DOES_NOT_EXIST) when unknown.
BOOL GetClassInfoW(const char* className, WNDCLASSW* out);
/// Removes a class registration.
BOOL UnregisterClassW(const char* className);

/// Creates a window: WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, then WM_SHOWWINDOW when
/// WS_VISIBLE is set. A top-level window's `parent` is its owner. Null on failure.
HWND CreateWindowExW(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, void* param);
/// Destroys the window, its owned and child windows: WM_DESTROY, then WM_NCDESTROY.
BOOL DestroyWindow(HWND hwnd);
/// The standard handling of a message (WM_CLOSE destroys, caption drag moves, ...).
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
/// Calls a window procedure.
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// [SECTION] Window state and geometry

/// True for a live window handle. Any thread.
BOOL IsWindow(HWND hwnd);
/// GWL_STYLE, GWL_EXSTYLE, GWLP_USERDATA or GWLP_WNDPROC of the window (0 without one).
intptr_t GetWindowLongPtrW(HWND hwnd, int index);
/// Sets one of the values above; returns the previous value.
intptr_t SetWindowLongPtrW(HWND hwnd, int index, intptr_t value);
/// Attaches a named value to the window (FALSE without a window).
BOOL SetPropW(HWND hwnd, const char* name, intptr_t value);
/// A named value of the window (0 when absent).
intptr_t GetPropW(HWND hwnd, const char* name);
/// Removes a named value; returns it.
intptr_t RemovePropW(HWND hwnd, const char* name);
/// The parent (child window) or owner (top-level window).
HWND GetParent(HWND hwnd);
/// The owner of a top-level window (null for child windows).
HWND GetWindowOwner(HWND hwnd);
/// The class name the window was created with (empty without a window).
std::string GetClassNameW(HWND hwnd);

/// Sets the title.
BOOL SetWindowTextW(HWND hwnd, const std::string& text);
/// The title ("" without a window).
std::string GetWindowTextW(HWND hwnd);
/// Length of the title in bytes (0 without a window).
int GetWindowTextLengthW(HWND hwnd);
/// The first top-level window whose class and title match; a null argument matches any.
HWND FindWindowW(const char* className, const char* windowName);

/// Show command SW_*; returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int cmd);
/// True when the window and its parents are shown.
BOOL IsWindowVisible(HWND hwnd);
/// True when the window is minimised.
BOOL IsIconic(HWND hwnd);
/// True when the window is maximised.
BOOL IsZoomed(HWND hwnd);
/// Enables or disables mouse and keyboard input; returns whether it was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
/// True when the window takes mouse and keyboard input.
BOOL IsWindowEnabled(HWND hwnd);

/// Window rectangle in screen coordinates.
BOOL GetWindowRect(HWND hwnd, RECT* rect);
/// Client rectangle (0, 0, width, height). Windows have no frame of their own.
BOOL GetClientRect(HWND hwnd, RECT* rect);
/// Client to screen coordinates.
BOOL ClientToScreen(HWND hwnd, POINT* p);
/// Screen to client coordinates.
BOOL ScreenToClient(HWND hwnd, POINT* p);
/// Moves, sizes and restacks; SWP_* flags. A new size is bounded by WM_GETMINMAXINFO's track
/// sizes. Sends WM_WINDOWPOSCHANGING/CHANGED, WM_MOVE, WM_SIZE.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
/// Moves and sizes without activation or restacking.
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
/// Brings the window to the front and activates it.
BOOL SetForegroundWindow(HWND hwnd);
/// The active top-level window (the only foreground the platform knows).
HWND GetForegroundWindow();
/// The active top-level window.
HWND GetActiveWindow();

// [SECTION] Messages, queue and loops

/// Queues a message for the window thread. Any thread. FALSE for a dead window.
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
/// Calls the window procedure and returns its result; from another thread it waits until
/// the window thread has handled it. 0 for a dead window.
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
/// Asks the window thread's loops to end with `exitCode`. Any thread.
void PostQuitMessage(int exitCode);
/// Waits for the next message (sleeping when idle); 0 for WM_QUIT, -1 on error, else 1.
BOOL GetMessageW(MSG* msg, HWND filter, UINT minMsg, UINT maxMsg);
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
/// Takes (PM_REMOVE) or looks at the next message without waiting; FALSE when there is none.
BOOL PeekMessageW(MSG* msg, HWND filter, UINT minMsg, UINT maxMsg, UINT removeFlags);
/// Sleeps until a message may be ready or `timeoutMs` passed (negative: no limit).
void WaitMessage(int timeoutMs = -1);
/// Turns key messages into character messages. Text input arrives as WM_CHAR already.
BOOL TranslateMessage(const MSG* msg);
/// Hands the message to its window procedure (or a timer's callback).
LRESULT DispatchMessageW(const MSG* msg);

// [SECTION] Timers

/// Starts or restarts timer `id` of the window (periods below 10 ms become 10 ms). Returns
/// the id, or a new id when `hwnd` is null; 0 on failure.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapseMs, TIMERPROC proc);
/// Stops a timer; FALSE when there was none.
BOOL KillTimer(HWND hwnd, uintptr_t id);

// [SECTION] Input: capture, focus, keys, tracking, cursors

/// Sends all mouse input to the window; returns the previous capture window.
HWND SetCapture(HWND hwnd);
/// Ends the mouse capture (WM_CAPTURECHANGED to the window that had it).
BOOL ReleaseCapture();
/// The window with the mouse capture.
HWND GetCapture();
/// Gives the keyboard focus (WM_KILLFOCUS, WM_SETFOCUS); returns the previous focus window.
HWND SetFocus(HWND hwnd);
/// The window with the keyboard focus.
HWND GetFocus();
/// Bit 15 set while the virtual key is held down (0x8000), as the platform reports it.
short GetKeyState(int vk);
/// The same state as GetKeyState (input is only known through the window thread).
short GetAsyncKeyState(int vk);
/// Requests WM_MOUSELEAVE / WM_MOUSEHOVER for the window.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
/// The system cursor for an IDC_* identifier (null instance only).
HCURSOR LoadCursorW(void* instance, HCURSOR id);
/// Shows the cursor; returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
/// The cursor last set.
HCURSOR GetCursor();
/// The pointer position last reported, in screen coordinates.
BOOL GetCursorPos(POINT* p);
/// The double-click interval in milliseconds.
UINT GetDoubleClickTime();

// [SECTION] Painting and layered windows

/// Adds a rectangle (null: the whole client) to the update region; WM_PAINT follows. Any thread.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
/// Removes a rectangle (null: everything) from the update region.
BOOL ValidateRect(HWND hwnd, const RECT* rect);
/// Bounding box of the update region; FALSE when it is empty.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
/// Copies a premultiplied ARGB32 frame (client size) to the screen; only `dirty` changed.
/// On a layered window with a colour key, pixels of that colour become holes.
BOOL PresentFrame(HWND hwnd, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty);
/// Puts a per-pixel-alpha frame on a WS_EX_LAYERED window, scaled by `constantAlpha`.
BOOL UpdateLayeredWindow(HWND hwnd, const uint32_t* pixels, int width, int height, int stride,
                         uint8_t constantAlpha);
/// Constant alpha (LWA_ALPHA) or colour key (LWA_COLORKEY) of a layered window.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, uint8_t alpha, DWORD flags);

// [SECTION] Screen, clipboard, time

/// The work area of the monitor nearest the rectangle.
RECT GetWorkAreaNear(const RECT& near);
/// Puts UTF-8 text on the clipboard.
BOOL SetClipboardText(const std::string& text);
/// The clipboard's text ("" when none).
std::string GetClipboardText();
/// Milliseconds since the platform started.
DWORD GetTickCount();
/// The code recorded by the last failing call of this thread.
DWORD GetLastError();
/// Records an error code for GetLastError.
void SetLastError(DWORD code);

}  // namespace TiluUI
