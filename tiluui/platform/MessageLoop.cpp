// The platform layer's message queue and loops: posting and sending across threads,
// retrieval with its priorities (sent, posted, input, quit, paint, timers), sleeping
// when idle, dispatch, and window timers.
//
// Index
//   [SECTION] Messages and loops
//   [SECTION] Timers
#include "tiluui/platform/WindowSystem.h"

#include <algorithm>

namespace TiluUI {

using Detail::SentMessage;
using Detail::TimerRecord;
using Detail::WindowRecord;
using Detail::WindowSystem;

namespace {
constexpr UINT kMinTimerMs = 10;
}  // namespace

// [SECTION] Messages and loops

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) {
        SetLastError(ERROR_NOT_INITIALISED);
        return FALSE;
    }
    {
        std::lock_guard lock(ws->mu);
        if (hwnd && !ws->Find(hwnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        ws->PostLocked(hwnd, msg, wParam, lParam);
    }
    if (!ws->OnWindowThread()) ws->backend->Wake();
    return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws || !IsWindow(hwnd)) return 0;
    if (ws->OnWindowThread()) return ws->Call(hwnd, msg, wParam, lParam);
    auto sent = std::make_shared<SentMessage>();
    sent->msg.hwnd = hwnd;
    sent->msg.message = msg;
    sent->msg.wParam = wParam;
    sent->msg.lParam = lParam;
    auto result = sent->result.get_future();
    {
        std::lock_guard lock(ws->mu);
        ws->sent.push_back(sent);
    }
    ws->backend->Wake();
    return result.get();
}

void PostQuitMessage(int exitCode) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return;
    {
        std::lock_guard lock(ws->mu);
        ws->quitPending = true;
        ws->quitCode = exitCode;
    }
    if (!ws->OnWindowThread()) ws->backend->Wake();
}

namespace Detail {

void WindowSystem::RunSentMessages() {
    for (;;) {
        std::shared_ptr<SentMessage> next;
        {
            std::lock_guard lock(mu);
            if (sent.empty()) return;
            next = sent.front();
            sent.pop_front();
        }
        next->result.set_value(Call(next->msg.hwnd, next->msg.message, next->msg.wParam, next->msg.lParam));
    }
}

bool WindowSystem::RouteOneNative() {
    if (nativeQueue.empty()) {
        std::vector<NativeEvent> fresh;
        backend->Poll(fresh);
        for (NativeEvent& ev : fresh) nativeQueue.push_back(std::move(ev));
    }
    if (nativeQueue.empty()) return false;
    const NativeEvent ev = std::move(nativeQueue.front());
    nativeQueue.pop_front();
    Route(ev);
    return true;
}

void WindowSystem::WaitForWork(std::optional<PlatformClock::time_point> limit) {
    if (!nativeQueue.empty()) return;
    std::optional<PlatformClock::time_point> deadline = limit;
    {
        std::lock_guard lock(mu);
        if (!posted.empty() || !sent.empty() || quitPending) return;
        for (const TimerRecord& t : timers)
            if (!deadline || t.due < *deadline) deadline = t.due;
    }
    if (hoverDue && (!deadline || *hoverDue < *deadline)) deadline = hoverDue;
    ApplyCursor();
    if (deadline && *deadline <= PlatformClock::now()) return;
    backend->Wait(deadline);
}

bool WindowSystem::NextMessage(MSG* out, HWND filter, UINT minMsg, UINT maxMsg, bool remove, bool wait) {
    auto matches = [&](HWND h, UINT m) {
        if (filter && h != filter) return false;
        if (minMsg == 0 && maxMsg == 0) return true;
        return m >= minMsg && m <= maxMsg;
    };
    for (;;) {
        RunSentMessages();
        CheckHover();
        {
            std::lock_guard lock(mu);
            // Messages for windows destroyed since they were queued are dropped.
            for (auto it = posted.begin(); it != posted.end();) {
                if (it->hwnd && !Find(it->hwnd)) {
                    it = posted.erase(it);
                    continue;
                }
                if (matches(it->hwnd, it->message)) {
                    *out = *it;
                    if (remove) posted.erase(it);
                    return true;
                }
                ++it;
            }
        }
        // Native input is turned into messages one event at a time, once the queue is empty, so
        // that a handler (a caption drag, a capture) sees the input that follows in its own state.
        if (RouteOneNative()) continue;
        const auto now = PlatformClock::now();
        {
            std::lock_guard lock(mu);
            if (quitPending && !filter && matches(nullptr, WM_QUIT)) {
                *out = MSG{};
                out->message = WM_QUIT;
                out->wParam = static_cast<WPARAM>(quitCode);
                out->time = TiluUI::GetTickCount();
                if (remove) quitPending = false;
                return true;
            }
            for (HWND h : zOrder) {
                WindowRecord* rec = Find(h);
                if (!rec || !rec->visible || rec->minimized || rec->invalid.IsRectEmpty()) continue;
                if (!matches(h, WM_PAINT)) continue;
                *out = MSG{};
                out->hwnd = h;
                out->message = WM_PAINT;
                out->time = TiluUI::GetTickCount();
                if (remove) {
                    rec->painting.UnionRect(rec->painting, rec->invalid);
                    rec->invalid.SetRectEmpty();
                }
                return true;
            }
            TimerRecord* dueTimer = nullptr;
            for (TimerRecord& t : timers)
                if (t.due <= now && matches(t.hwnd, WM_TIMER) && (!dueTimer || t.due < dueTimer->due))
                    dueTimer = &t;
            if (dueTimer) {
                *out = MSG{};
                out->hwnd = dueTimer->hwnd;
                out->message = WM_TIMER;
                out->wParam = dueTimer->id;
                out->lParam = reinterpret_cast<LPARAM>(dueTimer->proc);
                out->time = TiluUI::GetTickCount();
                if (remove) dueTimer->due = now + std::chrono::milliseconds(dueTimer->periodMs);
                return true;
            }
        }
        if (!wait) return false;
        WaitForWork(std::nullopt);
    }
}

}  // namespace Detail

BOOL GetMessageW(MSG* msg, HWND filter, UINT minMsg, UINT maxMsg) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !msg) return -1;
    ws->NextMessage(msg, filter, minMsg, maxMsg, true, true);
    return msg->message == WM_QUIT ? 0 : 1;
}

BOOL PeekMessageW(MSG* msg, HWND filter, UINT minMsg, UINT maxMsg, UINT removeFlags) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !msg) return FALSE;
    return ws->NextMessage(msg, filter, minMsg, maxMsg, (removeFlags & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

void WaitMessage(int timeoutMs) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return;
    std::optional<PlatformClock::time_point> limit;
    if (timeoutMs >= 0) limit = PlatformClock::now() + std::chrono::milliseconds(timeoutMs);
    ws->WaitForWork(limit);
}

BOOL TranslateMessage(const MSG* msg) {
    // Characters arrive from the backend's text input as WM_CHAR already.
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (!msg->hwnd) return 0;
    const LRESULT r = ws->Call(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT) {
        std::lock_guard lock(ws->mu);
        if (WindowRecord* rec = ws->Find(msg->hwnd)) rec->painting.SetRectEmpty();
    }
    return r;
}

// [SECTION] Timers

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapseMs, TIMERPROC proc) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return 0;
    {
        std::lock_guard lock(ws->mu);
        if (hwnd && !ws->Find(hwnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (!hwnd) id = ws->nextTimerId++;
        const UINT period = std::max(elapseMs, kMinTimerMs);
        const auto due = PlatformClock::now() + std::chrono::milliseconds(period);
        auto it = std::find_if(ws->timers.begin(), ws->timers.end(),
                               [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
        if (it != ws->timers.end()) {
            it->periodMs = period;
            it->proc = proc;
            it->due = due;
        } else {
            ws->timers.push_back(TimerRecord{hwnd, id, period, proc, due});
        }
    }
    if (!ws->OnWindowThread()) ws->backend->Wake();
    return id;
}

BOOL KillTimer(HWND hwnd, uintptr_t id) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    const auto removed =
        std::erase_if(ws->timers, [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
    // A WM_TIMER already queued for it stays out: timers are generated at retrieval time.
    return removed ? TRUE : FALSE;
}

}  // namespace TiluUI
