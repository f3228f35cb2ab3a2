// The SDL2 backend: real top-level windows (X11, Wayland, Xvfb), software frames,
// SDL events turned into native events, and a wake-up event for other threads.
//
// Index
//   [SECTION] Backend class
//   [SECTION] Windows
//   [SECTION] Frames
//   [SECTION] Screen, cursor, clipboard
//   [SECTION] Events and waiting
#include <SDL2/SDL.h>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "tiluui/platform/Platform.h"
#include "tiluui/platform/SdlKeyMap.h"
#include "tiluui/platform/SdlX11.h"

namespace TiluUI {

namespace {

// [SECTION] Backend class

class SdlBackend final : public Backend {
public:
    SdlBackend() = default;
    ~SdlBackend() override {
        for (auto& [h, w] : m_windows) SDL_DestroyWindow(w);
        for (auto& [id, c] : m_cursors) SDL_FreeCursor(c);
        if (m_started) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }

    bool Start(std::string& error) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        // Skinned windows are ordinary desktop windows: leave compositing (and opacity) on.
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        // Frames are composed by cairo already: put them on screen with the plain window
        // framebuffer. A GPU-backed one would remake the window with an OpenGL visual.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        InstallX11ErrorFilter();  // harmless when SDL ends up on another video driver
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            error = std::string("cannot open the display: ") + SDL_GetError();
            return false;
        }
        m_started = true;
        m_wakeEvent = SDL_RegisterEvents(1);
        if (m_wakeEvent == static_cast<Uint32>(-1)) {
            error = "cannot register the wake-up event";
            return false;
        }
        SDL_StartTextInput();
        // Per-pixel alpha on X11 needs a visual with an alpha channel (and a compositor to
        // blend it); without one, layered windows show their frames over black.
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver && std::string(driver) == "x11") m_argbVisual = FindArgbVisualId();
        return true;
    }

    const char* Name() const override { return "sdl"; }

    // [SECTION] Windows

    bool CreateNativeWindow(HWND hwnd, const NativeWindowDesc& d) override {
        SDL_Window* win = MakeWindow(d);
        if (!win) return false;
        m_windows[hwnd] = win;
        m_descs[hwnd] = d;
        m_ids[SDL_GetWindowID(win)] = hwnd;
        return true;
    }

    void DestroyNativeWindow(HWND hwnd) override {
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end()) return;
        m_ids.erase(SDL_GetWindowID(it->second));
        SDL_DestroyWindow(it->second);
        m_windows.erase(it);
        m_descs.erase(hwnd);
        m_shown.erase(hwnd);
    }

    void SetVisible(HWND hwnd, bool visible, bool activate) override {
        if (SDL_Window* w = Window(hwnd)) {
            if (visible)
                m_shown.insert(hwnd);
            else
                m_shown.erase(hwnd);
            if (visible) {
                SDL_ShowWindow(w);
                if (activate) SDL_RaiseWindow(w);
            } else {
                SDL_HideWindow(w);
            }
        }
    }

    void SetBounds(HWND hwnd, const RECT& r) override {
        if (SDL_Window* w = Window(hwnd)) {
            SDL_SetWindowPosition(w, r.left, r.top);
            SDL_SetWindowSize(w, std::max(1, r.right - r.left), std::max(1, r.bottom - r.top));
        }
    }

    void SetTitle(HWND hwnd, const std::string& title) override {
        if (SDL_Window* w = Window(hwnd)) SDL_SetWindowTitle(w, title.c_str());
    }

    void SetBordered(HWND hwnd, bool bordered) override {
        if (SDL_Window* w = Window(hwnd)) SDL_SetWindowBordered(w, bordered ? SDL_TRUE : SDL_FALSE);
    }

    void SetOpacity(HWND hwnd, uint8_t alpha) override {
        // Needs a compositing window manager; without one the window stays opaque.
        if (SDL_Window* w = Window(hwnd)) SDL_SetWindowOpacity(w, alpha / 255.0f);
    }

    void SetLayered(HWND hwnd, bool layered) override {
        // Every window already has the visual with alpha (where there is one); only what
        // Present puts into the alpha byte changes.
        auto it = m_descs.find(hwnd);
        if (it != m_descs.end()) it->second.layered = layered;
    }

    void Raise(HWND hwnd) override {
        if (SDL_Window* w = Window(hwnd)) SDL_RaiseWindow(w);
    }

    void Minimize(HWND hwnd) override {
        if (SDL_Window* w = Window(hwnd)) SDL_MinimizeWindow(w);
    }

    // [SECTION] Frames

    void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty,
                 bool perPixelAlpha) override {
        // Windows have a visual with alpha where the display offers one: a compositor blends a
        // layered window's premultiplied pixels. Without one they show as composed over black.
        SDL_Window* w = Window(hwnd);
        if (!w) return;
        SDL_Surface* surface = SDL_GetWindowSurface(w);
        if (!surface) return;
        const int x0 = std::max(0, dirty.left), y0 = std::max(0, dirty.top);
        const int x1 = std::min({width, surface->w, static_cast<int>(dirty.right)});
        const int y1 = std::min({height, surface->h, static_cast<int>(dirty.bottom)});
        if (x1 <= x0 || y1 <= y0) return;
        const auto* src =
            reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(y0) * stride + x0 * 4;
        // Pixels of a surface that must be locked are valid only once it is locked.
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
        auto* dst = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y0) * surface->pitch +
                    x0 * surface->format->BytesPerPixel;
        const SDL_PixelFormat* f = surface->format;
        if (f->BytesPerPixel == 4 && f->Rmask == 0xFF0000 && f->Gmask == 0xFF00 && f->Bmask == 0xFF) {
            // Same layout: copy the words with their alpha byte, so that a compositor blends a
            // layered window by its frame's alpha; other windows are made fully opaque.
            const uint32_t opaque = perPixelAlpha ? 0 : 0xFF000000u;
            for (int y = y0; y < y1; ++y) {
                const auto* from =
                    reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y - y0) * stride);
                auto* to = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y - y0) * surface->pitch);
                for (int x = 0; x < x1 - x0; ++x) to[x] = from[x] | opaque;
            }
        } else {
            SDL_ConvertPixels(x1 - x0, y1 - y0, SDL_PIXELFORMAT_ARGB8888, src, stride, f->format, dst,
                              surface->pitch);
        }
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        SDL_Rect r{x0, y0, x1 - x0, y1 - y0};
        SDL_UpdateWindowSurfaceRects(w, &r, 1);
    }

    // [SECTION] Screen, cursor, clipboard

    RECT GetWorkArea(const RECT& near) override {
        SDL_Point centre{(near.left + near.right) / 2, (near.top + near.bottom) / 2};
        int display = SDL_GetPointDisplayIndex(&centre);
        if (display < 0) display = 0;
        SDL_Rect r{};
        if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0) return {};
        return RECT{r.x, r.y, r.x + r.w, r.y + r.h};
    }

    POINT GetCursorPos() override {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return {x, y};
    }

    void SetCursor(HCURSOR id) override {
        SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
        switch (id) {
            case IDC_IBEAM:
                kind = SDL_SYSTEM_CURSOR_IBEAM;
                break;
            case IDC_WAIT:
                kind = SDL_SYSTEM_CURSOR_WAIT;
                break;
            case IDC_CROSS:
                kind = SDL_SYSTEM_CURSOR_CROSSHAIR;
                break;
            case IDC_SIZEWE:
                kind = SDL_SYSTEM_CURSOR_SIZEWE;
                break;
            case IDC_SIZENS:
                kind = SDL_SYSTEM_CURSOR_SIZENS;
                break;
            case IDC_HAND:
                kind = SDL_SYSTEM_CURSOR_HAND;
                break;
            case IDC_HELP:
                kind = SDL_SYSTEM_CURSOR_ARROW;
                break;  // SDL has no help cursor
            default:
                break;
        }
        SDL_Cursor*& c = m_cursors[kind];
        if (!c) c = SDL_CreateSystemCursor(kind);
        if (c) SDL_SetCursor(c);
    }

    void CaptureMouse(bool capture) override { SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE); }

    bool SetClipboardText(const std::string& text) override {
        return SDL_SetClipboardText(text.c_str()) == 0;
    }

    std::string GetClipboardText() override {
        char* t = SDL_GetClipboardText();
        std::string s = t ? t : "";
        SDL_free(t);
        return s;
    }

    // [SECTION] Events and waiting

    void Poll(std::vector<NativeEvent>& out) override {
        for (const SDL_Event& e : m_pending) Translate(e, out);
        m_pending.clear();
        SDL_Event e;
        while (SDL_PollEvent(&e)) Translate(e, out);
    }

    void Wait(std::optional<PlatformClock::time_point> deadline) override {
        if (!m_pending.empty()) return;
        if (m_shown.empty()) {
            // SDL can only sleep on the display connection while a window is shown (it polls
            // every millisecond otherwise). With every window hidden (in the tray) sleep on our
            // own wake-up instead, and look at the display a few times a second.
            auto limit = PlatformClock::now() + std::chrono::milliseconds(250);
            if (deadline && *deadline < limit) limit = *deadline;
            std::unique_lock lock(m_wakeMutex);
            m_wakeCv.wait_until(lock, limit, [&] { return m_woken; });
            m_woken = false;
            return;
        }
        SDL_Event e;
        int got = 0;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - PlatformClock::now());
            if (left.count() <= 0) return;
            got = SDL_WaitEventTimeout(&e, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        } else {
            got = SDL_WaitEvent(&e);
        }
        if (got) m_pending.push_back(e);
    }

    void Wake() override {
        {
            std::lock_guard lock(m_wakeMutex);
            m_woken = true;
        }
        m_wakeCv.notify_all();
        SDL_Event e{};
        e.type = m_wakeEvent;
        SDL_PushEvent(&e);
    }

private:
    SDL_Window* MakeWindow(const NativeWindowDesc& d) {
        Uint32 flags = SDL_WINDOW_HIDDEN;
        if (!d.bordered) flags |= SDL_WINDOW_BORDERLESS;
        if (d.popup)
            flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
        else if (d.toolWindow)
            flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_UTILITY;
        if (d.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        const int w = std::max(1, d.rect.right - d.rect.left), h = std::max(1, d.rect.bottom - d.rect.top);
        // All windows get the visual with alpha: a window's visual is fixed when it is made, and
        // WS_EX_LAYERED usually comes after that.
        SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, m_argbVisual.c_str());
        SDL_Window* win = SDL_CreateWindow(d.title.c_str(), d.rect.left, d.rect.top, w, h, flags);
        if (!win && (flags & SDL_WINDOW_POPUP_MENU)) {
            // Pop-up window types need an owner on some systems; fall back to a plain borderless one.
            win = SDL_CreateWindow(d.title.c_str(), d.rect.left, d.rect.top, w, h,
                                   flags & ~static_cast<Uint32>(SDL_WINDOW_POPUP_MENU));
        }
        SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, "");
        return win;
    }

    SDL_Window* Window(HWND hwnd) {
        auto it = m_windows.find(hwnd);
        return it == m_windows.end() ? nullptr : it->second;
    }

    HWND Handle(Uint32 windowId) {
        auto it = m_ids.find(windowId);
        return it == m_ids.end() ? nullptr : it->second;
    }

    static POINT ScreenPoint(SDL_Window* w, int x, int y) {
        int wx = 0, wy = 0;
        if (w) SDL_GetWindowPosition(w, &wx, &wy);
        return {wx + x, wy + y};
    }

    void Translate(const SDL_Event& e, std::vector<NativeEvent>& out) {
        using K = NativeEvent::Kind;
        NativeEvent ev;
        switch (e.type) {
            case SDL_MOUSEMOTION:
                ev.kind = K::MouseMove;
                ev.window = Handle(e.motion.windowID);
                ev.screen = GetCursorPos();
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                ev.kind = e.type == SDL_MOUSEBUTTONDOWN ? K::MouseDown : K::MouseUp;
                ev.window = Handle(e.button.windowID);
                ev.screen = ScreenPoint(Window(ev.window), e.button.x, e.button.y);
                ev.button = e.button.button == SDL_BUTTON_LEFT    ? 1
                            : e.button.button == SDL_BUTTON_RIGHT ? 2
                                                                  : 3;
                break;
            case SDL_MOUSEWHEEL:
                ev.kind = K::MouseWheel;
                ev.window = Handle(e.wheel.windowID);
                ev.screen = GetCursorPos();
                ev.wheelDelta = static_cast<int>(std::lround(e.wheel.preciseY * 120.0f)) *
                                (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                ev.kind = e.type == SDL_KEYDOWN ? K::KeyDown : K::KeyUp;
                ev.window = Handle(e.key.windowID);
                ev.vk = VirtualKeyFromScancode(e.key.keysym.scancode);
                ev.repeat = e.key.repeat != 0;
                if (!ev.vk) return;
                break;
            case SDL_TEXTINPUT:
                ev.kind = K::Text;
                ev.window = Handle(e.text.windowID);
                ev.text = e.text.text;
                break;
            case SDL_WINDOWEVENT: {
                ev.window = Handle(e.window.windowID);
                if (!ev.window) return;
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        ev.kind = K::CloseRequest;
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                        ev.kind = K::Exposed;
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        ev.kind = K::FocusGained;
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        ev.kind = K::FocusLost;
                        break;
                    case SDL_WINDOWEVENT_LEAVE:
                        ev.kind = K::MouseLeft;
                        break;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        ev.kind = K::Minimized;
                        break;
                    case SDL_WINDOWEVENT_RESTORED:
                        ev.kind = K::Restored;
                        break;
                    case SDL_WINDOWEVENT_MOVED:
                        ev.kind = K::Moved;
                        ev.rect = RECT{e.window.data1, e.window.data2, e.window.data1, e.window.data2};
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED: {
                        ev.kind = K::Resized;
                        int x = 0, y = 0;
                        SDL_GetWindowPosition(Window(ev.window), &x, &y);
                        ev.rect = RECT{x, y, x + e.window.data1, y + e.window.data2};
                        break;
                    }
                    default:
                        return;
                }
                break;
            }
            default:
                return;  // the wake-up event and everything else only end the wait
        }
        out.push_back(std::move(ev));
    }

    bool m_started = false;
    Uint32 m_wakeEvent = 0;
    std::string m_argbVisual;  // X11 visual id with alpha, "" when none
    std::map<HWND, SDL_Window*> m_windows;
    std::map<HWND, NativeWindowDesc> m_descs;
    std::map<Uint32, HWND> m_ids;
    std::map<SDL_SystemCursor, SDL_Cursor*> m_cursors;
    std::vector<SDL_Event> m_pending;
    std::set<HWND> m_shown;
    std::mutex m_wakeMutex;  // Wake() comes from any thread
    std::condition_variable m_wakeCv;
    bool m_woken = false;
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend(std::string& error) {
    auto backend = std::make_unique<SdlBackend>();
    if (!backend->Start(error)) return nullptr;
    return backend;
}

}  // namespace TiluUI
