#include "user/user_state.h"

#include <atomic>


namespace platform::user {
namespace {


// Drops the thread's queue when the thread ends: pending senders are released
// with a zero result and the thread's windows disappear without messages
// (their procedures may refer to objects that died with the thread).
struct QueueOwner {
    DWORD key = 0;
    ~QueueOwner() {
        if (key == 0)
            return;
        UserState& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.queues.find(key);
        if (it == s.queues.end())
            return;
        for (auto& sent : it->second->sent) {
            sent->done = true;
            if (sent->sender)
                wakeLocked(*sent->sender);
        }
        s.queues.erase(it);
        for (auto w = s.windows.begin(); w != s.windows.end();) {
            if (w->second->threadKey == key) {
                if (w->second->windowClass)
                    --w->second->windowClass->windows;
                if (s.foreground == w->second->handle)
                    s.foreground = nullptr;
                if (s.focus == w->second->handle)
                    s.focus = nullptr;
                if (s.lastActive == w->second->handle)
                    s.lastActive = nullptr;
                w = s.windows.erase(w);
            } else {
                ++w;
            }
        }
    }
};

thread_local QueueOwner queueOwner;

}  // namespace

DWORD currentThreadKey() {
    return GetCurrentThreadId();
}

void setLastError(DWORD code) {
    ::SetLastError(code);
}

UserState& state() {
    static UserState s;
    return s;
}

std::shared_ptr<Window> findWindowLocked(HWND hwnd) {
    auto it = state().windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == state().windows.end())
        return nullptr;
    return it->second;
}

std::shared_ptr<ThreadQueue> findQueueLocked(DWORD key) {
    auto it = state().queues.find(key);
    return it == state().queues.end() ? nullptr : it->second;
}

void wakeLocked(ThreadQueue& queue) {
    ++queue.changes;
    queue.wake.notify_all();
}

void wakeWindowThreadLocked(const Window& window) {
    if (auto queue = findQueueLocked(window.threadKey))
        wakeLocked(*queue);
}

std::shared_ptr<ThreadQueue> currentQueue() {
    const DWORD key = currentThreadKey();
    std::lock_guard<std::mutex> lock(state().mutex);
    auto& slot = state().queues[key];
    if (!slot) {
        slot = std::make_shared<ThreadQueue>();
        slot->key = key;
        queueOwner.key = key;
    }
    return slot;
}

std::shared_ptr<Window> findWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    return findWindowLocked(hwnd);
}

bool isTopLevel(const Window& window) {
    return (window.style & WS_CHILD) == 0;
}

}  // namespace platform::user
