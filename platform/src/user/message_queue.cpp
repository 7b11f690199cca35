// Posting, sending, reading and dispatching messages.
#include "core/call_log.h"
#include "core/presenter.h"
#include "user/user_state.h"

#include <chrono>

namespace platform::user {
namespace {

using Clock = std::chrono::steady_clock;

DWORD tickCount() {
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

MSG makeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = tickCount();
    msg.pt = cursorPosition();
    return msg;
}

bool inRange(UINT message, UINT first, UINT last) {
    if (first == 0 && last == 0)
        return true;
    return message >= first && message <= last;
}

// A null filter takes every message of the thread; (HWND)-1 only thread
// messages; otherwise the window's own.
bool matchesWindow(HWND msgWindow, HWND filter) {
    if (filter == nullptr)
        return true;
    if (filter == reinterpret_cast<HWND>(-1))
        return msgWindow == nullptr;
    return msgWindow == filter;
}

bool takePosted(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!matchesWindow(it->hwnd, filter) || !inRange(it->message, first, last))
            continue;
        *out = *it;
        if (remove)
            queue.posted.erase(it);
        return true;
    }
    return false;
}

bool takeQuit(ThreadQueue& queue, MSG* out, UINT first, UINT last, bool remove) {
    if (!queue.quitPosted || !inRange(WM_QUIT, first, last))
        return false;
    *out = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove)
        queue.quitPosted = false;
    return true;
}

// WM_PAINT is not queued: it is made up while a window of the thread needs painting.
bool takePaint(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last) {
    if (!inRange(WM_PAINT, first, last))
        return false;
    for (auto& entry : state().windows) {
        const Window& w = *entry.second;
        if (w.threadKey != queue.key || !w.invalid || !w.visible || w.destroying)
            continue;
        if (!matchesWindow(w.handle, filter))
            continue;
        *out = makeMessage(w.handle, WM_PAINT, 0, 0);
        return true;
    }
    return false;
}

bool takeTimer(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
    if (!inRange(WM_TIMER, first, last))
        return false;
    const auto now = Clock::now();
    for (Timer& timer : queue.timers) {
        if (timer.due > now || !matchesWindow(timer.hwnd, filter))
            continue;
        *out = makeMessage(timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc));
        if (remove)
            timer.due = now + timer.period;
        return true;
    }
    return false;
}

std::chrono::milliseconds untilNextTimer(const ThreadQueue& queue) {
    if (queue.timers.empty())
        return std::chrono::milliseconds(0);
    auto next = queue.timers.front().due;
    for (const Timer& timer : queue.timers)
        next = std::min(next, timer.due);
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
    return std::max(wait, std::chrono::milliseconds(1));
}

bool validFilter(HWND filter) {
    if (filter == nullptr || filter == reinterpret_cast<HWND>(-1))
        return true;
    return IsWindow(filter) != FALSE;
}

}  // namespace

LRESULT callWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto window = findWindowLocked(hwnd);
        if (!window)
            return 0;
        proc = window->proc;
    }
    if (!proc)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return proc(hwnd, message, wParam, lParam);
}

bool handleIncomingSent(ThreadQueue& queue) {
    bool handled = false;
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard<std::mutex> lock(state().mutex);
            if (queue.sent.empty())
                return handled;
            sent = queue.sent.front();
            queue.sent.pop_front();
        }
        const LRESULT result =
            callWindowProc(sent->hwnd, sent->message, sent->wParam, sent->lParam);
        handled = true;
        std::lock_guard<std::mutex> lock(state().mutex);
        sent->result = result;
        sent->done = true;
        if (sent->sender)
            wakeLocked(*sent->sender);
    }
}

void waitForQueueChange(ThreadQueue& queue, uint64_t seen, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(state().mutex);
    const auto timerWait = untilNextTimer(queue);
    if (timerWait.count() > 0 && (timeout.count() == 0 || timerWait < timeout))
        timeout = timerWait;
    auto changed = [&] { return queue.changes != seen; };
    if (timeout.count() == 0)
        queue.wake.wait(lock, changed);
    else
        queue.wake.wait_for(lock, timeout, changed);
}

bool postToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool front) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto window = findWindowLocked(hwnd);
    if (!window)
        return false;
    auto queue = findQueueLocked(window->threadKey);
    if (!queue)
        return false;
    MSG msg = makeMessage(hwnd, message, wParam, lParam);
    if (front)
        queue->posted.push_front(msg);
    else
        queue->posted.push_back(msg);
    wakeLocked(*queue);
    return true;
}

void notifyWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> target;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto window = findWindowLocked(hwnd);
        if (!window)
            return;
        if (window->threadKey != currentThreadKey()) {
            target = findQueueLocked(window->threadKey);
            if (!target)
                return;
            auto sent = std::make_shared<SentMessage>();
            sent->hwnd = hwnd;
            sent->message = message;
            sent->wParam = wParam;
            sent->lParam = lParam;
            target->sent.push_back(sent);
            wakeLocked(*target);
            return;
        }
    }
    callWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    if (!lpMsg) {
        setLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto queue = currentQueue();
    platform::core::presenter().pumpEvents();
    handleIncomingSent(*queue);
    if (!validFilter(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    MSG msg{};
    bool found;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        found = takePosted(*queue, &msg, hWnd, wMsgFilterMin, wMsgFilterMax, remove) ||
                takeQuit(*queue, &msg, wMsgFilterMin, wMsgFilterMax, remove) ||
                takePaint(*queue, &msg, hWnd, wMsgFilterMin, wMsgFilterMax) ||
                takeTimer(*queue, &msg, hWnd, wMsgFilterMin, wMsgFilterMax, remove);
    }
    if (!found)
        return FALSE;
    if (remove)
        applyRetrievedInput(msg);
    *lpMsg = msg;
    return TRUE;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) {
        setLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!validFilter(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    auto queue = currentQueue();
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> lock(state().mutex);
            seen = queue->changes;
        }
        if (PeekMessageA(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE))
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        if (!validFilter(hWnd)) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        // A thread with a display window must keep pumping its events.
        const auto poll = platform::core::presenter().pollInterval();
        waitForQueueChange(*queue, seen, poll);
    }
}

BOOL WINAPI WaitMessage(void) {
    auto queue = currentQueue();
    uint64_t seen;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        seen = queue->changes;
        if (!queue->posted.empty() || !queue->sent.empty() || queue->quitPosted)
            return TRUE;
    }
    waitForQueueChange(*queue, seen, platform::core::presenter().pollInterval());
    return TRUE;
}

// Windows refuses a thread that has no queue yet (ERROR_INVALID_THREAD_ID);
// so do we: the thread must have called PeekMessageA/GetMessageA (or made a
// window) first.
BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    platform::core::countCall("PostThreadMessageA",
                              {static_cast<ULONG_PTR>(idThread), static_cast<ULONG_PTR>(Msg)});
    // The caller itself is a message thread from its first call on.
    if (idThread == currentThreadKey())
        currentQueue();
    std::lock_guard<std::mutex> lock(state().mutex);
    auto queue = findQueueLocked(idThread);
    if (!queue) {
        setLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue->posted.push_back(makeMessage(nullptr, Msg, wParam, lParam));
    wakeLocked(*queue);
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == nullptr)
        return PostThreadMessageA(currentThreadKey(), Msg, wParam, lParam);
    if (!postToWindow(hWnd, Msg, wParam, lParam)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    auto queue = currentQueue();
    std::lock_guard<std::mutex> lock(state().mutex);
    queue->quitPosted = true;
    queue->quitCode = nExitCode;
    wakeLocked(*queue);
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto self = currentQueue();
    auto sent = std::make_shared<SentMessage>();
    std::shared_ptr<ThreadQueue> target;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto window = findWindowLocked(hWnd);
        if (!window) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (window->threadKey != self->key) {
            target = findQueueLocked(window->threadKey);
            if (!target)
                return 0;
            sent->hwnd = hWnd;
            sent->message = Msg;
            sent->wParam = wParam;
            sent->lParam = lParam;
            sent->sender = self;
            target->sent.push_back(sent);
            wakeLocked(*target);
        }
    }
    if (!target)
        return callWindowProc(hWnd, Msg, wParam, lParam);

    // While waiting, handle what others send to this thread's windows, so two
    // threads sending to each other cannot dead-lock.
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> lock(state().mutex);
            if (sent->done)
                return sent->result;
            seen = self->changes;
        }
        if (handleIncomingSent(*self))
            continue;
        std::unique_lock<std::mutex> lock(state().mutex);
        self->wake.wait(lock, [&] { return sent->done || self->changes != seen; });
    }
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    if (!lpPrevWndFunc)
        return 0;
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, tickCount());
        return 0;
    }
    if (!lpMsg->hwnd)
        return 0;
    if (!IsWindow(lpMsg->hwnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return callWindowProc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    auto queue = currentQueue();
    std::lock_guard<std::mutex> lock(state().mutex);
    if (hWnd) {
        auto window = findWindowLocked(hWnd);
        if (!window || window->threadKey != queue->key) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
    }
    static UINT_PTR nextThreadTimer = 0x7F00;
    if (!hWnd)
        nIDEvent = ++nextThreadTimer;
    const auto period = std::chrono::milliseconds(std::max<UINT>(uElapse, 10));
    for (Timer& timer : queue->timers) {
        if (timer.hwnd == hWnd && timer.id == nIDEvent) {
            timer.proc = lpTimerFunc;
            timer.period = period;
            timer.due = Clock::now() + period;
            wakeLocked(*queue);
            return nIDEvent;
        }
    }
    queue->timers.push_back({hWnd, nIDEvent, lpTimerFunc, period, Clock::now() + period});
    wakeLocked(*queue);
    return (hWnd && nIDEvent == 0) ? 1 : nIDEvent;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    auto queue = currentQueue();
    std::lock_guard<std::mutex> lock(state().mutex);
    for (auto it = queue->timers.begin(); it != queue->timers.end(); ++it) {
        if (it->hwnd == hWnd && it->id == uIDEvent) {
            queue->timers.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

}  // extern "C"
