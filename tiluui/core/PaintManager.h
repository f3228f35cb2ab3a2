// PaintManager: composes a skinned window's frames off screen (background image or
// colours, content, layered alpha pass) and puts them on screen; starts window drags.
// This is the window-level core: control lists, hit testing, focus, timers, overlays
// and caches build on it.
//
// Error convention: calls on a manager without a live window do nothing and return 0,
// false or null. An image that cannot be loaded leaves the window painting without it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "tiluui/core/MBitmap.h"
#include "tiluui/core/MImage.h"
#include "tiluui/platform/Platform.h"

namespace TiluUI {

class MControl;
class MWindow;

/// How the background image is drawn.
enum enumBackMode {
    BACK_MODE_NORMAL = 0,  // at its own size from the top-left corner
    BACK_MODE_FRAME = 1,   // as a nine-grid frame whose border is the mode parameter
};

/// Off-screen composition and presentation of one top-level window.
class PaintManager {
public:
    /// Draws window content over the background (where areas and controls are drawn).
    using ContentPainter = std::function<void(cairo_t* g, const CRect& update)>;

    PaintManager();
    virtual ~PaintManager();
    PaintManager(const PaintManager&) = delete;
    PaintManager& operator=(const PaintManager&) = delete;

    // [SECTION] Set-up and teardown
    /// Binds to the native window after creation; loads the optional private font file
    /// font/Arial.ttf of the program folder. A dead handle is ignored.
    void Init(HWND hwnd, MWindow* owner);
    /// Releases the background image, the frame and the timers; clears the initialised flag.
    void DestroyData();
    /// The window's final destroy: releases everything when it is this manager's window.
    void OnDestroyMessage(HWND hwnd);
    /// Whether Init bound it to a live window (until DestroyData).
    bool IsInitialised() const { return m_initialised; }
    /// The window it paints (null before Init).
    HWND GetPaintWnd() const { return m_hwnd; }
    /// The window object that owns it.
    MWindow* GetOwnerWindow() const { return m_owner; }
    /// Client rectangle of the window (empty without one).
    void GetClientRect(CRect& rect) const;
    /// Window rectangle in screen coordinates (empty without one).
    void GetWindowRect(CRect& rect) const;
    /// Client width and height.
    void GetClientSize(int& width, int& height) const;
    /// Sends to the own window (0 without one).
    LRESULT SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam);
    /// Posts to the own window (FALSE without one).
    BOOL PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam);

    // [SECTION] Painting
    /// Repaints the whole client area.
    void Invalidate();
    /// Repaints `rect` (the whole window when layered).
    void InvalidateRect(const CRect& rect, int erase);
    /// A control asks for `rect` to be repainted; nothing for a null control.
    int OnControlUpdate(CRect rect, int fullUpdate, MControl* control);
    /// Loads the background image from the skin folder; false when it cannot be loaded.
    bool LoadBKImage(const std::string& relativePath);
    /// Uses an image already loaded as the background (null removes it).
    void SetBKImage(std::shared_ptr<MImage> image);
    /// The background image (null when none).
    const MImage* GetBKImage() const { return m_bkImage.get(); }
    /// Back mode and its parameter (the nine-grid border in BACK_MODE_FRAME).
    void SetBackMode(enumBackMode mode, int param);
    /// Back and frame colours (COLORREF) used when there is no background image.
    void SetBackColor(COLORREF back, COLORREF frame);
    /// Per-pixel-alpha presentation on (non-zero) or off.
    void SetLayeredWindow(int layered);
    /// Whether frames are presented with per-pixel alpha.
    bool IsLayered() const { return m_layered; }
    /// Sets what is drawn over the background on every paint.
    void SetContentPainter(ContentPainter painter);
    /// The last composed frame (null before the first paint).
    MBitmap* GetFrame() const { return m_frame.get(); }
    /// Paints the update region (WM_PAINT); returns false when there was nothing to paint or
    /// the paint was deferred because the last one was less than kMinPaintInterval ago.
    bool OnPaint();
    /// Composes `update` (the whole client when layered) and puts the frame on screen, at once.
    bool ComposeAndPresent(CRect update);
    /// The shortest time between two paints (15 ms); a paint asked for sooner is deferred.
    static constexpr std::chrono::milliseconds kMinPaintInterval{15};

    // [SECTION] Input and window behaviour
    /// The window's messages after its own handlers; non-zero consumes them.
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    /// Modal-loop pre-translation; 0 (nothing consumed).
    int PreTranslateMessage(MSG* msg);
    /// Whether a press on an empty part of the window moves the window (default on).
    void EnableWndDrag(int enable);
    /// Whether window drag is on.
    bool IsWndDragEnabled() const { return m_wndDrag; }
    /// Whether the manager holds the mouse capture for a control.
    bool IsCaptured() const { return m_captured; }
    /// Size limits applied through WM_GETMINMAXINFO (0 means unset).
    void SetWindowMaxSize(int width, int height);
    void SetWindowMixSize(int width, int height);
    /// The maximum and minimum window sizes set.
    CSize GetWindowManSize() const { return m_maxSize; }
    CSize GetWindowMinSize() const { return m_minSize; }
    /// Scroll-bar image resource ids (vertical, horizontal).
    void SetScrollResID(unsigned vertical, unsigned horizontal);
    /// The vertical and horizontal scroll-bar image ids.
    unsigned GetScrollVID() const { return m_scrollV; }
    unsigned GetScrollHID() const { return m_scrollH; }

private:
    static void DeferredPaintTimer(HWND hwnd, UINT msg, uintptr_t id, DWORD time);
    void PaintBackground(cairo_t* g, const CRect& client);
    void LayeredAlphaPass(const CRect& area);

    bool m_initialised = false;
    HWND m_hwnd = nullptr;
    MWindow* m_owner = nullptr;
    COLORREF m_backColor = 0x130D09;
    COLORREF m_frameColor = 0x555028;
    CSize m_maxSize;
    CSize m_minSize;
    bool m_layered = false;
    std::shared_ptr<MImage> m_bkImage;
    enumBackMode m_backMode = BACK_MODE_NORMAL;
    int m_backParam = 4;
    bool m_wndDrag = true;
    bool m_captured = false;
    unsigned m_scrollV = 0;
    unsigned m_scrollH = 0;
    ContentPainter m_painter;
    std::unique_ptr<MBitmap> m_frame;
    std::chrono::steady_clock::time_point m_lastPaint{};
    bool m_paintDeferred = false;
};

}  // namespace TiluUI
