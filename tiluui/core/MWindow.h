// MWindow: a thin owner of one native window. It registers the window class, binds
// the native window to the object, routes every message to one virtual entry point
// and offers the modal loop.
//
// Error convention: every wrapper checks for a live window and otherwise does nothing
// and returns 0, null, FALSE or -1 (ShowModal, GetWindowTextLengthW). Nothing throws.
#pragma once

#include <string>

#include "tiluui/platform/Platform.h"

namespace TiluUI {

/// Owner of one native window handle.
class MWindow {
public:
    MWindow();
    /// 0: unbinds and destroys a window that is still alive, so no message reaches a dead object.
    virtual ~MWindow();
    MWindow(const MWindow&) = delete;
    MWindow& operator=(const MWindow&) = delete;

    // [SECTION] Virtual operations (slot order)
    /// 1: the class name registered for the window ("TiluClient").
    virtual const char* GetWindowClassName() const;
    /// 2: a registered class to superclass, or null (no superclassing).
    virtual const char* GetSuperClassName() const;
    /// 3: shows the window with an SW_* command; FALSE without a window.
    virtual BOOL ShowWindow(int show);
    /// 4: every message of the window; the default passes it to the previous window procedure.
    virtual LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    /// 5: a message of the modal loop before it is dispatched; non-zero swallows it.
    virtual int PreTranslateMessage(MSG* msg);
    /// 6: called right after creation (also when creation failed); returns 1.
    virtual int OnInitDialog();
    /// 7: the native window `hwnd` is gone (after its last message); does nothing.
    virtual void OnDestroyMessage(HWND hwnd);

    // [SECTION] Creation
    /// Creates the native window (or returns the live one). Null on failure.
    HWND Create(HWND parent, const char* windowName, DWORD style, DWORD exStyle, CRect rect, HMENU menu = 0);
    /// "TiluClient", style 0x0000080B, 0,0,800,600.
    HWND Create(HWND parent);
    /// "TiluClient", style 0x0000080B, the given rectangle.
    HWND Create(HWND parent, CRect rect);
    /// Registers the plain window class (an existing one counts as success).
    bool RegisterWindowClass();
    /// Registers a copy of the superclass under GetWindowClassName() with ControlProc.
    bool RegisterSuperClass();
    /// Window procedure of plain classes: binds through the window's user-data slot.
    static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    /// Window procedure of superclasses: binds through the window property "Control".
    static LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // [SECTION] Handle-guarded wrappers
    /// The window handle, null without a live window.
    HWND GetSafeHwnd() const;
    /// The parent or owner window of the live window.
    HWND GetParentHwnd() const;
    /// GWL_STYLE of the window.
    DWORD GetStyle() const;
    /// GWL_EXSTYLE of the window.
    DWORD GetExStyle() const;
    /// Removes and adds style bits; 1 only when the style changed. Non-zero `flags` refresh the frame.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    /// The same for the extended style.
    BOOL ModifyExStyle(DWORD remove, DWORD add, UINT flags = 0);
    /// Client rectangle (0, 0, width, height).
    BOOL GetClientRect(CRect& rect) const;
    /// Window rectangle in screen coordinates.
    BOOL GetWindowRect(CRect& rect) const;
    /// Sets the title.
    BOOL SetWindowTextW(const std::string& text);
    /// Reads the title.
    BOOL GetWindowTextW(std::string& text) const;
    /// Title length in bytes; -1 without a window.
    int GetWindowTextLengthW() const;
    /// Enables or disables input; returns whether it was disabled.
    BOOL EnableWindow(BOOL enable);
    /// Whether the window takes input.
    BOOL IsWindowEnabled() const;
    /// Whether the window is shown.
    BOOL IsWindowVisible() const;
    /// Whether the window is minimised.
    BOOL IsIconic() const;
    /// Adds `rect` (null: all) to the update region.
    BOOL InvalidateRect(const CRect* rect, BOOL erase);
    /// Takes the mouse capture; returns the previous holder.
    HWND SetCapture();
    /// Ends the mouse capture.
    BOOL ReleaseCapture();
    /// Takes the keyboard focus; returns the previous holder.
    HWND SetFocus();
    /// Starts window timer `id` (WM_TIMER, or `proc`).
    uintptr_t SetTimer(uintptr_t id, UINT elapseMs, TIMERPROC proc = nullptr);
    /// Stops window timer `id`.
    BOOL KillTimer(uintptr_t id);
    /// Client to screen coordinates (point or rectangle), and back.
    BOOL ClientToScreen(CPoint& p) const;
    BOOL ClientToScreen(CRect& r) const;
    BOOL ScreenToClient(CPoint& p) const;
    BOOL ScreenToClient(CRect& r) const;
    /// Moves, sizes and restacks (SWP_* flags).
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    /// Moves and sizes (coordinates or a rectangle).
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    BOOL MoveWindow(const CRect& rect, BOOL repaint = TRUE);
    /// Destroys the native window; the object lives on.
    BOOL DestroyWindow();
    /// Sends a message to the window and returns its result.
    LRESULT SendMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    /// Queues a message for the window (any thread).
    BOOL PostMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // [SECTION] Modal loop and placement
    /// Shows the window, disables its owner and pumps messages until the window is gone or a
    /// quit message arrives (which is posted again). Returns the wParam of the window's
    /// WM_CLOSE (0 when none was seen), or -1 without a window.
    int ShowModal(int show = SW_SHOW);
    /// Centres on `reference` (or the parent, or the owner), kept inside the work area.
    void CenterWindow(MWindow* reference = nullptr);
    /// Brings the window to the front and shows it (restored when minimised).
    void BringToTop();

protected:
    /// True when the object owns a live native window.
    bool HasWindow() const;
    /// Body of both window procedures: binds by user-data slot or, with `byProp`, by property.
    static LRESULT RouteBound(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool byProp);

    HWND m_hParent = nullptr;
    HWND m_hWnd = nullptr;
    WNDPROC m_oldWndProc = nullptr;  // the previous window procedure: default, or the superclass's
    uint32_t m_reserved = 0;
};

}  // namespace TiluUI
