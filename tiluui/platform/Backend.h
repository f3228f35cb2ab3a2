// The seam between the platform layer's window model and a native window system:
// what a backend (SDL2, offscreen) must provide and the native events it reports.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tiluui/platform/WinTypes.h"

namespace TiluUI {

using PlatformClock = std::chrono::steady_clock;

/// One event of the native window system, before it becomes a window message.
struct NativeEvent {
    enum class Kind {
        MouseMove,     // pointer moved to `screen`
        MouseDown,     // `button` pressed at `screen`
        MouseUp,       // `button` released at `screen`
        MouseWheel,    // wheel turned by `wheelDelta` (120 per notch, positive away from the user)
        MouseLeft,     // the pointer left `window`
        KeyDown,       // virtual key `vk` pressed (`repeat` when auto-repeated)
        KeyUp,         // virtual key `vk` released
        Text,          // `text` typed (UTF-8)
        CloseRequest,  // the user asked to close `window` (title bar, window manager)
        Exposed,       // `window` needs a full repaint
        Moved,         // the window system moved `window` to `rect`
        Resized,       // the window system resized `window` to `rect`
        FocusGained,   // `window` became the active window
        FocusLost,     // `window` stopped being the active window
        Minimized,     // the window system minimised `window`
        Restored,      // the window system restored `window` from minimised
    };
    Kind kind = Kind::MouseMove;
    HWND window = nullptr;  // the window the event belongs to; null for mouse events to hit-test
    POINT screen;           // pointer position in screen coordinates (mouse events)
    int button = 0;         // 1 left, 2 right, 3 middle
    int wheelDelta = 0;
    UINT vk = 0;
    bool repeat = false;
    std::string text;
    RECT rect;  // Moved, Resized: the new window rectangle in screen coordinates
};

/// What a native window is created with.
struct NativeWindowDesc {
    std::string title;
    RECT rect;           // screen coordinates
    bool popup = false;  // pop-up menu, list or tip: borderless, no taskbar entry, never activated by the
                         // window manager
    bool bordered = false;
    bool topmost = false;
    bool toolWindow = false;
    bool layered = false;  // per-pixel alpha (WS_EX_LAYERED)
    HWND owner = nullptr;
};

/// A native window system. All calls come from the window thread except Wake().
class Backend {
public:
    virtual ~Backend() = default;

    /// Short name ("sdl", "offscreen").
    virtual const char* Name() const = 0;

    /// Creates the native window for `hwnd`; false when the window system refused.
    virtual bool CreateNativeWindow(HWND hwnd, const NativeWindowDesc& desc) = 0;
    /// Destroys the native window of `hwnd`.
    virtual void DestroyNativeWindow(HWND hwnd) = 0;
    /// Shows or hides; `activate` also gives it the input focus.
    virtual void SetVisible(HWND hwnd, bool visible, bool activate) = 0;
    /// Moves and sizes (screen coordinates).
    virtual void SetBounds(HWND hwnd, const RECT& rect) = 0;
    /// Sets the title shown by the window system.
    virtual void SetTitle(HWND hwnd, const std::string& title) = 0;
    /// Shows or removes the window system's frame.
    virtual void SetBordered(HWND hwnd, bool bordered) = 0;
    /// Constant opacity of the whole window, 0..255.
    virtual void SetOpacity(HWND hwnd, uint8_t alpha) = 0;
    /// The window's frames start (or stop) carrying per-pixel alpha.
    virtual void SetLayered(HWND hwnd, bool layered) = 0;
    /// Raises the window above the others and gives it the input focus.
    virtual void Raise(HWND hwnd) = 0;
    /// Minimises the window (iconifies it).
    virtual void Minimize(HWND hwnd) = 0;
    /// Puts a frame on screen. `pixels` are premultiplied ARGB32 (native-endian 32-bit words,
    /// alpha in the top byte), `stride` in bytes; only `dirty` (client coordinates) changed.
    /// With `perPixelAlpha` the pixels' alpha is the window's shape and translucency.
    virtual void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int stride,
                         const RECT& dirty, bool perPixelAlpha) = 0;

    /// The usable area (without panels) of the monitor nearest `near`.
    virtual RECT GetWorkArea(const RECT& near) = 0;
    /// Pointer position in screen coordinates.
    virtual POINT GetCursorPos() = 0;
    /// Shows one of the IDC_* cursors.
    virtual void SetCursor(HCURSOR cursor) = 0;
    /// Confines (true) or frees the pointer to the window system's capture.
    virtual void CaptureMouse(bool capture) = 0;
    /// Puts text on the clipboard; false on failure.
    virtual bool SetClipboardText(const std::string& text) = 0;
    /// The clipboard's text ("" when there is none).
    virtual std::string GetClipboardText() = 0;

    /// Appends every pending native event to `out` without blocking.
    virtual void Poll(std::vector<NativeEvent>& out) = 0;
    /// Sleeps until a native event is pending, Wake() was called, or `deadline` passed
    /// (no deadline: until one of the other two). Never busy-waits.
    virtual void Wait(std::optional<PlatformClock::time_point> deadline) = 0;
    /// Ends a Wait() in progress or makes the next one return at once. Any thread.
    virtual void Wake() = 0;
};

}  // namespace TiluUI
