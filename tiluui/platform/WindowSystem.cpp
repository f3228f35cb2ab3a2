// The platform layer's window model: start-up, classes, window records, geometry,
// visibility and stacking; the queue lives in MessageLoop.cpp, painting in Painting.cpp.
//
// Index
//   [SECTION] Start-up
//   [SECTION] Helpers
//   [SECTION] Window classes
//   [SECTION] Creation and destruction
//   [SECTION] Default window procedure
//   [SECTION] Window state
//   [SECTION] Geometry and stacking
//   [SECTION] Screen, clipboard, time, errors
#include "tiluui/platform/WindowSystem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tiluui/platform/OffscreenBackend.h"

namespace TiluUI {

using Detail::SentMessage;
using Detail::TimerRecord;
using Detail::WindowRecord;
using Detail::WindowSystem;

namespace {

std::unique_ptr<WindowSystem> g_owner;
std::atomic<WindowSystem*> g_system{nullptr};
thread_local DWORD t_lastError = 0;
const PlatformClock::time_point g_startTime = PlatformClock::now();

}  // namespace

// [SECTION] Start-up

namespace Detail {

WindowSystem::WindowSystem(std::unique_ptr<Backend> b)
    : backend(std::move(b)), windowThread(std::this_thread::get_id()) {}

WindowSystem* WindowSystem::Get() {
    return g_system.load(std::memory_order_acquire);
}

WindowSystem* WindowSystem::GetOnWindowThread() {
    WindowSystem* ws = Get();
    if (!ws) {
        t_lastError = ERROR_NOT_INITIALISED;
        return nullptr;
    }
    if (!ws->OnWindowThread()) {
        t_lastError = ERROR_WRONG_THREAD;
        return nullptr;
    }
    return ws;
}

}  // namespace Detail

PlatformResult Platform::Start(std::unique_ptr<Backend> backend) {
    if (!backend) return {false, "no backend given"};
    if (g_system.load()) return {false, "the window system is already running"};
    g_owner = std::make_unique<WindowSystem>(std::move(backend));
    g_system.store(g_owner.get(), std::memory_order_release);
    return {true, {}};
}

PlatformResult Platform::StartDefault() {
    const char* name = std::getenv("TILUUI_BACKEND");
    const std::string wanted = name && *name ? name : "sdl";
    if (wanted == "offscreen") return Start(std::make_unique<OffscreenBackend>());
    if (wanted != "sdl") return {false, "unknown TILUUI_BACKEND \"" + wanted + "\" (use sdl or offscreen)"};
    std::string error;
    auto sdl = CreateSdlBackend(error);
    if (!sdl) return {false, error};
    return Start(std::move(sdl));
}

void Platform::Stop() {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !ws->OnWindowThread()) return;
    // Destroy the windows without a live parent or owner; theirs go with them.
    for (;;) {
        HWND victim = nullptr;
        {
            std::lock_guard lock(ws->mu);
            for (auto& [h, rec] : ws->windows) {
                if (!rec->destroying && (!rec->parent || !ws->Find(rec->parent))) {
                    victim = h;
                    break;
                }
            }
            if (!victim) {
                // Only windows in the middle of their own destruction are left (Stop was called
                // from a destroy handler): drop their records.
                ws->windows.clear();
                ws->zOrder.clear();
                break;
            }
        }
        DestroyWindow(victim);
    }
    g_system.store(nullptr, std::memory_order_release);
    g_owner.reset();
}

bool Platform::IsStarted() {
    return WindowSystem::Get() != nullptr;
}

Backend* Platform::GetBackend() {
    WindowSystem* ws = WindowSystem::Get();
    return ws ? ws->backend.get() : nullptr;
}

// [SECTION] Helpers

namespace Detail {

WindowRecord* WindowSystem::Find(HWND hwnd) {
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

void WindowSystem::PostLocked(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    MSG m;
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = w;
    m.lParam = l;
    m.time = TiluUI::GetTickCount();
    m.pt = cursorPos;
    posted.push_back(m);
}

void WindowSystem::Post(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    std::lock_guard lock(mu);
    PostLocked(hwnd, msg, w, l);
}

LRESULT WindowSystem::Call(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    WNDPROC proc = nullptr;
    {
        std::lock_guard lock(mu);
        WindowRecord* rec = Find(hwnd);
        if (!rec) return 0;
        proc = rec->proc;
    }
    return proc ? proc(hwnd, msg, w, l) : DefWindowProcW(hwnd, msg, w, l);
}

void WindowSystem::ApplyCursor() {
    if (wantedCursor != shownCursor) {
        shownCursor = wantedCursor;
        backend->SetCursor(shownCursor);
    }
}

}  // namespace Detail

// [SECTION] Window classes

ATOM RegisterClassW(const WNDCLASSW& wc) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return 0;
    if (!wc.lpszClassName || !*wc.lpszClassName) {
        t_lastError = ERROR_CLASS_DOES_NOT_EXIST;
        return 0;
    }
    std::lock_guard lock(ws->mu);
    const std::string name = wc.lpszClassName;
    if (ws->classes.count(name)) {
        t_lastError = ERROR_CLASS_ALREADY_EXISTS;
        return 0;
    }
    auto& stored = ws->classNames[name];
    stored = name;
    WNDCLASSW copy = wc;
    copy.lpszClassName = stored.c_str();
    ws->classes[name] = copy;
    return static_cast<ATOM>(0xC000 + ws->classes.size());
}

BOOL GetClassInfoW(const char* className, WNDCLASSW* out) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !className) return FALSE;
    std::lock_guard lock(ws->mu);
    auto it = ws->classes.find(className);
    if (it == ws->classes.end()) {
        t_lastError = ERROR_CLASS_DOES_NOT_EXIST;
        return FALSE;
    }
    if (out) *out = it->second;
    return TRUE;
}

BOOL UnregisterClassW(const char* className) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !className) return FALSE;
    std::lock_guard lock(ws->mu);
    return ws->classes.erase(className) ? TRUE : FALSE;
}

// [SECTION] Creation and destruction

HWND CreateWindowExW(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, void* param) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return nullptr;
    HWND hwnd = nullptr;
    NativeWindowDesc desc;
    bool child = (style & WS_CHILD) != 0;
    {
        std::lock_guard lock(ws->mu);
        auto cls = ws->classes.find(className ? className : "");
        if (cls == ws->classes.end()) {
            t_lastError = ERROR_CLASS_DOES_NOT_EXIST;
            return nullptr;
        }
        WindowRecord* parentRec = parent ? ws->Find(parent) : nullptr;
        if (child && !parentRec) {
            t_lastError = ERROR_INVALID_WINDOW_HANDLE;
            return nullptr;
        }
        auto rec = std::make_unique<WindowRecord>();
        hwnd = reinterpret_cast<HWND>(ws->nextHandle);
        ws->nextHandle += 4;
        rec->hwnd = hwnd;
        rec->className = cls->first;
        rec->proc = cls->second.lpfnWndProc;
        rec->classStyle = cls->second.style;
        rec->title = windowName ? windowName : "";
        rec->style = style & ~WS_VISIBLE;
        rec->exStyle = exStyle;
        rec->parent = parentRec ? parent : nullptr;
        rec->child = child;
        rec->menu = menu;
        rec->enabled = (style & WS_DISABLED) == 0;
        rec->rect = CRect(x, y, x + std::max(width, 0), y + std::max(height, 0));
        if (child) rec->rect.OffsetRect(parentRec->rect.left, parentRec->rect.top);
        desc.title = rec->title;
        desc.rect = rec->rect;
        // Menus, lists and tips: pop-ups that never take the activation. A plain WS_POPUP
        // window (a skinned dialog) is an ordinary borderless top-level window.
        desc.popup = (style & WS_POPUP) && (exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
        desc.bordered = (style & WS_CAPTION) == WS_CAPTION;
        desc.topmost = (exStyle & WS_EX_TOPMOST) != 0;
        desc.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
        desc.layered = (exStyle & WS_EX_LAYERED) != 0;
        desc.owner = rec->parent;
        ws->windows[hwnd] = std::move(rec);
        if (!child) ws->zOrder.insert(ws->zOrder.begin(), hwnd);
    }
    if (!child) {
        const bool made = ws->backend->CreateNativeWindow(hwnd, desc);
        std::lock_guard lock(ws->mu);
        if (!made) {
            ws->windows.erase(hwnd);
            std::erase(ws->zOrder, hwnd);
            t_lastError = ERROR_INVALID_WINDOW_HANDLE;
            return nullptr;
        }
        ws->Find(hwnd)->native = true;
    }
    CREATESTRUCTW cs;
    cs.lpCreateParams = param;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.x = x, cs.y = y, cs.cx = width, cs.cy = height;
    cs.style = style;
    cs.dwExStyle = exStyle;
    cs.lpszName = windowName;
    cs.lpszClass = className;
    const LPARAM csParam = reinterpret_cast<LPARAM>(&cs);
    if (!ws->Call(hwnd, WM_NCCREATE, 0, csParam) || ws->Call(hwnd, WM_CREATE, 0, csParam) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;
    RECT r{};
    GetClientRect(hwnd, &r);
    ws->Call(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
    ws->Call(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    HWND owner = nullptr;
    bool wasActive = false;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) {
            t_lastError = ERROR_INVALID_WINDOW_HANDLE;
            return FALSE;
        }
        if (rec->destroying) return TRUE;
        rec->destroying = true;
        rec->visible = false;
        owner = rec->child ? nullptr : rec->parent;
        wasActive = ws->active == hwnd;
    }
    auto related = [&](bool wantChild) {
        std::vector<HWND> out;
        std::lock_guard lock(ws->mu);
        for (auto& [h, r] : ws->windows)
            if (r->parent == hwnd && r->child == wantChild && !r->destroying) out.push_back(h);
        return out;
    };
    for (HWND h : related(false)) DestroyWindow(h);  // owned pop-ups go first
    ws->backend->SetVisible(hwnd, false, false);
    if (wasActive) {
        ws->active = nullptr;
        ws->focus = nullptr;
        if (owner && IsWindowVisible(owner) && IsWindowEnabled(owner)) ws->Activate(owner, true);
    }
    ws->Call(hwnd, WM_DESTROY, 0, 0);
    for (HWND h : related(true)) DestroyWindow(h);
    if (ws->capture == hwnd) ReleaseCapture();
    if (ws->focus == hwnd) ws->focus = nullptr;
    if (ws->active == hwnd) ws->active = nullptr;
    if (ws->trackWindow == hwnd) ws->trackWindow = nullptr, ws->trackFlags = 0, ws->hoverDue.reset();
    if (ws->movingWindow == hwnd) ws->movingWindow = nullptr;
    if (ws->lastDownWindow == hwnd) ws->lastDownWindow = nullptr;
    ws->Call(hwnd, WM_NCDESTROY, 0, 0);
    bool native = false;
    {
        std::lock_guard lock(ws->mu);
        if (WindowRecord* rec = ws->Find(hwnd)) native = rec->native;
        std::erase_if(ws->timers, [&](const TimerRecord& t) { return t.hwnd == hwnd; });
    }
    if (native) ws->backend->DestroyNativeWindow(hwnd);
    {
        std::lock_guard lock(ws->mu);
        ws->windows.erase(hwnd);
        std::erase(ws->zOrder, hwnd);
    }
    return TRUE;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

// [SECTION] Default window procedure

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM /*lParam*/) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return 0;
    switch (msg) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_PAINT:
            ValidateRect(hwnd, nullptr);
            return 0;
        case WM_SETCURSOR:
            SetCursor(IDC_ARROW);
            return FALSE;
        case WM_NCLBUTTONDOWN:
            // A press on the caption moves the window with the pointer until the button is released.
            if (wParam == static_cast<WPARAM>(HTCAPTION) && ws->keyDown[VK_LBUTTON]) {
                std::lock_guard lock(ws->mu);
                if (WindowRecord* rec = ws->Find(hwnd); rec && !rec->maximized) {
                    ws->movingWindow = hwnd;
                    ws->moveStartCursor = ws->cursorPos;
                    ws->moveStartRect = rec->rect;
                }
            }
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4) PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_GETTEXTLENGTH:
            return GetWindowTextLengthW(hwnd);
        default:
            return 0;
    }
}

// [SECTION] Window state

BOOL IsWindow(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !hwnd) return FALSE;
    std::lock_guard lock(ws->mu);
    return ws->Find(hwnd) ? TRUE : FALSE;
}

intptr_t GetWindowLongPtrW(HWND hwnd, int index) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return 0;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) {
        t_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return 0;
    }
    switch (index) {
        case GWL_STYLE:
            return static_cast<intptr_t>(rec->style | (rec->visible ? WS_VISIBLE : 0) |
                                         (rec->enabled ? 0 : WS_DISABLED));
        case GWL_EXSTYLE:
            return rec->exStyle;
        case GWLP_USERDATA:
            return rec->userData;
        case GWLP_WNDPROC:
            return reinterpret_cast<intptr_t>(rec->proc);
        default:
            return 0;
    }
}

intptr_t SetWindowLongPtrW(HWND hwnd, int index, intptr_t value) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return 0;
    intptr_t old = 0;
    bool borderChange = false, bordered = false, layeredChange = false, layered = false;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) {
            t_lastError = ERROR_INVALID_WINDOW_HANDLE;
            return 0;
        }
        switch (index) {
            case GWL_STYLE: {
                old = rec->style | (rec->visible ? WS_VISIBLE : 0) | (rec->enabled ? 0 : WS_DISABLED);
                const DWORD next = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED);
                borderChange = ((rec->style ^ next) & WS_CAPTION) != 0 && rec->native;
                bordered = (next & WS_CAPTION) == WS_CAPTION;
                rec->style = next;
                break;
            }
            case GWL_EXSTYLE:
                old = rec->exStyle;
                layered = (static_cast<DWORD>(value) & WS_EX_LAYERED) != 0;
                layeredChange = rec->native && layered != ((rec->exStyle & WS_EX_LAYERED) != 0);
                rec->exStyle = static_cast<DWORD>(value);
                break;
            case GWLP_USERDATA:
                old = rec->userData;
                rec->userData = value;
                break;
            case GWLP_WNDPROC:
                old = reinterpret_cast<intptr_t>(rec->proc);
                rec->proc = reinterpret_cast<WNDPROC>(value);
                break;
            default:
                return 0;
        }
    }
    if (borderChange) ws->backend->SetBordered(hwnd, bordered);
    if (layeredChange) ws->backend->SetLayered(hwnd, layered);
    return old;
}

BOOL SetPropW(HWND hwnd, const char* name, intptr_t value) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !name) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return FALSE;
    rec->props[name] = value;
    return TRUE;
}

intptr_t GetPropW(HWND hwnd, const char* name) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !name) return 0;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return 0;
    auto it = rec->props.find(name);
    return it == rec->props.end() ? 0 : it->second;
}

intptr_t RemovePropW(HWND hwnd, const char* name) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !name) return 0;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return 0;
    auto it = rec->props.find(name);
    if (it == rec->props.end()) return 0;
    const intptr_t v = it->second;
    rec->props.erase(it);
    return v;
}

HWND GetParent(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return nullptr;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec ? rec->parent : nullptr;
}

HWND GetWindowOwner(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return nullptr;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec && !rec->child ? rec->parent : nullptr;
}

std::string GetClassNameW(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return {};
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec ? rec->className : std::string();
}

BOOL SetWindowTextW(HWND hwnd, const std::string& text) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    bool native = false;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) return FALSE;
        rec->title = text;
        native = rec->native;
    }
    if (native) ws->backend->SetTitle(hwnd, text);
    return TRUE;
}

std::string GetWindowTextW(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return {};
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec ? rec->title : std::string();
}

int GetWindowTextLengthW(HWND hwnd) {
    return static_cast<int>(GetWindowTextW(hwnd).size());
}

HWND FindWindowW(const char* className, const char* windowName) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return nullptr;
    std::lock_guard lock(ws->mu);
    for (HWND h : ws->zOrder) {
        WindowRecord* rec = ws->Find(h);
        if (!rec || rec->destroying) continue;
        if (className && rec->className != className) continue;
        if (windowName && rec->title != windowName) continue;
        return h;
    }
    return nullptr;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    bool wasVisible = false, nowVisible = false, native = false, child = false, noActivate = false;
    bool minimize = false, sizeChanged = false;
    WPARAM sizeKind = SIZE_RESTORED;
    CRect rect;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec || rec->destroying) return FALSE;
        wasVisible = rec->visible;
        native = rec->native;
        child = rec->child;
        noActivate = (rec->exStyle & WS_EX_NOACTIVATE) != 0;
        switch (cmd) {
            case SW_HIDE:
                rec->visible = false;
                break;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
            case SW_SHOWMINNOACTIVE:
                rec->visible = true;
                if (!rec->minimized) {
                    rec->minimized = true;
                    minimize = true;
                    sizeChanged = true;
                    sizeKind = SIZE_MINIMIZED;
                }
                break;
            case SW_SHOWMAXIMIZED:
                rec->visible = true;
                rec->minimized = false;
                if (!rec->maximized) {
                    rec->maximized = true;
                    rec->restoreRect = rec->rect;
                    rec->rect = ws->backend->GetWorkArea(rec->rect);
                    sizeChanged = true;
                    sizeKind = SIZE_MAXIMIZED;
                }
                break;
            case SW_RESTORE:
            case SW_SHOWNORMAL:
                rec->visible = true;
                if (rec->minimized) {
                    rec->minimized = false;
                    sizeChanged = true;
                    sizeKind = rec->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
                } else if (rec->maximized) {
                    rec->maximized = false;
                    rec->rect = rec->restoreRect;
                    sizeChanged = true;
                }
                break;
            default:  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE
                rec->visible = true;
                break;
        }
        nowVisible = rec->visible;
        rect = rec->rect;
        if (nowVisible && !wasVisible) rec->invalid = CRect(0, 0, rect.Width(), rect.Height());
    }
    if (nowVisible != wasVisible) ws->Call(hwnd, WM_SHOWWINDOW, nowVisible, 0);
    const bool activate = nowVisible && !child && !noActivate &&
                          (cmd == SW_SHOW || cmd == SW_SHOWNORMAL || cmd == SW_RESTORE ||
                           cmd == SW_SHOWMAXIMIZED || cmd == SW_SHOWMINIMIZED);
    if (native) {
        if (sizeChanged && !minimize) ws->backend->SetBounds(hwnd, rect);
        ws->backend->SetVisible(hwnd, nowVisible, activate && !minimize);
        if (minimize) ws->backend->Minimize(hwnd);
    }
    if (sizeChanged) {
        const int w = minimize ? 0 : rect.Width(), h = minimize ? 0 : rect.Height();
        ws->Call(hwnd, WM_SIZE, sizeKind, MAKELPARAM(w, h));
        if (!minimize) InvalidateRect(hwnd, nullptr, FALSE);
    }
    if (!nowVisible) {
        if (ws->capture == hwnd) ReleaseCapture();
        if (ws->active == hwnd) {
            ws->Call(hwnd, WM_NCACTIVATE, FALSE, 0);
            ws->Call(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
            ws->active = nullptr;
            if (ws->focus == hwnd) ws->focus = nullptr;
            HWND owner = GetWindowOwner(hwnd);
            if (owner && IsWindowVisible(owner) && IsWindowEnabled(owner)) ws->Activate(owner, true);
        }
    } else if (activate && !minimize) {
        ws->Activate(hwnd, false);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    for (WindowRecord* rec = ws->Find(hwnd); rec; rec = rec->child ? ws->Find(rec->parent) : nullptr) {
        if (!rec->visible) return FALSE;
        if (!rec->child) return TRUE;
    }
    return FALSE;
}

BOOL IsIconic(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec && rec->minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec && rec->maximized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    bool wasDisabled = false;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) return FALSE;
        wasDisabled = !rec->enabled;
        rec->enabled = enable != FALSE;
    }
    if (wasDisabled == (enable != FALSE)) {
        if (!enable) {
            if (ws->capture == hwnd) ReleaseCapture();
            if (ws->focus == hwnd) SetFocus(nullptr);
        }
        ws->Call(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    return rec && rec->enabled ? TRUE : FALSE;
}

// [SECTION] Geometry and stacking

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !rect) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return FALSE;
    *rect = rec->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !rect) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return FALSE;
    *rect = rec->minimized ? CRect() : CRect(0, 0, rec->rect.Width(), rec->rect.Height());
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
    RECT r;
    if (!p || !GetWindowRect(hwnd, &r)) return FALSE;
    p->x += r.left;
    p->y += r.top;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
    RECT r;
    if (!p || !GetWindowRect(hwnd, &r)) return FALSE;
    p->x -= r.left;
    p->y -= r.top;
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    WINDOWPOS wp;
    CRect before;
    bool child = false, native = false;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) return FALSE;
        before = rec->rect;
        child = rec->child;
        native = rec->native;
        CRect parentRect;
        if (child) {
            if (WindowRecord* p = ws->Find(rec->parent)) parentRect = p->rect;
        }
        wp.hwnd = hwnd;
        wp.hwndInsertAfter = insertAfter;
        wp.x = (flags & SWP_NOMOVE) ? before.left - parentRect.left : x;
        wp.y = (flags & SWP_NOMOVE) ? before.top - parentRect.top : y;
        wp.cx = (flags & SWP_NOSIZE) ? before.Width() : std::max(cx, 0);
        wp.cy = (flags & SWP_NOSIZE) ? before.Height() : std::max(cy, 0);
        wp.flags = flags;
    }
    if (!(flags & SWP_NOSIZE)) {
        // The window's own limits bound any new size.
        MINMAXINFO limits;
        const CRect work(ws->backend->GetWorkArea(before));
        limits.ptMaxSize = {work.Width(), work.Height()};
        limits.ptMaxPosition = {work.left, work.top};
        limits.ptMinTrackSize = {0, 0};
        limits.ptMaxTrackSize = {32767, 32767};
        ws->Call(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        wp.cx = std::clamp(wp.cx, limits.ptMinTrackSize.x,
                           std::max(limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x));
        wp.cy = std::clamp(wp.cy, limits.ptMinTrackSize.y,
                           std::max(limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y));
    }
    ws->Call(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    CRect after;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) return FALSE;
        CRect parentRect;
        if (child) {
            if (WindowRecord* p = ws->Find(rec->parent)) parentRect = p->rect;
        }
        after = CRect(wp.x + parentRect.left, wp.y + parentRect.top, wp.x + parentRect.left + wp.cx,
                      wp.y + parentRect.top + wp.cy);
        rec->rect = after;
        if (!child && !(flags & SWP_NOZORDER)) {
            std::erase(ws->zOrder, hwnd);
            auto pos = ws->zOrder.begin();
            if (insertAfter && insertAfter != HWND_TOPMOST()) {
                auto it = std::find(ws->zOrder.begin(), ws->zOrder.end(), insertAfter);
                pos = it == ws->zOrder.end() ? ws->zOrder.end() : it + 1;
            }
            ws->zOrder.insert(pos, hwnd);
        }
        if (child && after != before) {
            // Child windows move with nothing native under them; keep their grandchildren in step.
            for (auto& [h, r] : ws->windows)
                if (r->child && r->parent == hwnd)
                    r->rect.OffsetRect(after.left - before.left, after.top - before.top);
        }
    }
    if (native && after != before) ws->backend->SetBounds(hwnd, after);
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    if (native && !(flags & (SWP_NOACTIVATE | SWP_NOZORDER)) && IsWindowVisible(hwnd))
        ws->Activate(hwnd, true);
    ws->Call(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if (after.TopLeft() != before.TopLeft() || (flags & SWP_FRAMECHANGED))
        ws->Call(hwnd, WM_MOVE, 0, MAKELPARAM(wp.x, wp.y));
    if (after.Size() != before.Size() || (flags & SWP_FRAMECHANGED)) {
        ws->Call(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(after.Width(), after.Height()));
        if (!(flags & SWP_NOREDRAW)) InvalidateRect(hwnd, nullptr, TRUE);
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetForegroundWindow(HWND hwnd) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !IsWindow(hwnd)) return FALSE;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (rec->child) return FALSE;
        std::erase(ws->zOrder, hwnd);
        ws->zOrder.insert(ws->zOrder.begin(), hwnd);
    }
    ws->Activate(hwnd, true);
    return TRUE;
}

HWND GetForegroundWindow() {
    return GetActiveWindow();
}

HWND GetActiveWindow() {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws ? ws->active : nullptr;
}

// [SECTION] Screen, clipboard, time, errors

RECT GetWorkAreaNear(const RECT& near) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws ? ws->backend->GetWorkArea(near) : RECT{};
}

BOOL SetClipboardText(const std::string& text) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws && ws->backend->SetClipboardText(text) ? TRUE : FALSE;
}

std::string GetClipboardText() {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    return ws ? ws->backend->GetClipboardText() : std::string();
}

DWORD GetTickCount() {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(PlatformClock::now() - g_startTime).count());
}

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD code) {
    t_lastError = code;
}

}  // namespace TiluUI
