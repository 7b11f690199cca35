// Shared state of the window system: per-thread message queues, window
// classes, windows, foreground and focus. One mutex guards all of it; window
// procedures are always called with the mutex released.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::user {

// Identifies the calling thread for queues and window ownership: its Win32
// thread id, the one PostThreadMessageA takes.
DWORD currentThreadKey();

// The desktop window: GetDesktopWindow's handle, which no created window
// shares. desktopRect fills the screen rectangle for it and answers false for
// every other handle.
HWND desktopWindow();
bool desktopRect(HWND hWnd, RECT* rect);

// Sets the calling thread's last error.
void setLastError(DWORD code);

struct ThreadQueue;

// A message sent to a window of another thread. The sender waits on its own
// queue's condition until `done`; a notification has no waiting sender.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;  // null for notifications
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    TIMERPROC proc = nullptr;
    std::chrono::steady_clock::duration period{};
    std::chrono::steady_clock::time_point due{};
};

struct ThreadQueue {
    DWORD key = 0;
    std::condition_variable wake;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::vector<Timer> timers;
    bool quitPosted = false;
    int quitCode = 0;
    uint64_t changes = 0;  // bumped with every wake-up, so waits never miss one
};

struct WindowClass {
    std::string name;
    WNDCLASSA desc{};
    ATOM atom = 0;
    std::string menuName;
    int windows = 0;
};

struct DialogState {
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    LONG_PTR msgResult = 0;
    LONG_PTR user = 0;
    POINT baseUnits{8, 16};  // of the template's font, for MapDialogRect
    WORD defaultId = IDOK;
    HWND owner = nullptr;
    HWND captured = nullptr;  // the item a mouse button went down on, until it goes up
};

// What a control keeps besides its window text and style.
struct ControlState {
    UINT check = BST_UNCHECKED;
    bool pressed = false;    // a button held down, or a track bar's thumb dragged
    bool selectAll = false;  // an edit whose whole text the next character replaces
    int rangeMin = 0;
    int rangeMax = 100;
    int position = 0;
    int pageSize = 20;
    int lineSize = 1;
    int firstLine = 0;  // first visible line of a multi-line edit
    UINT textLimit = 30000;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    HWND parent = nullptr;  // WS_CHILD parent, or owner for pop-ups
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    std::string text;
    RECT rect{};         // window rectangle in screen coordinates
    RECT restoreRect{};  // normal placement while minimised or maximised
    bool visible = false;
    bool invalid = false;
    bool destroying = false;
    DWORD threadKey = 0;
    std::unique_ptr<DialogState> dialog;
    std::unique_ptr<ControlState> control;
};

struct UserState {
    std::mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
    std::map<std::string, std::shared_ptr<WindowClass>> classes;  // by lower-case name
    std::map<uintptr_t, std::shared_ptr<Window>> windows;         // creation order
    uintptr_t nextHandle = 0x10010;
    ATOM nextAtom = 0xC000;
    HWND foreground = nullptr;
    HWND focus = nullptr;
    HWND lastActive = nullptr;  // re-activated when the application comes back
};

UserState& state();

// --- lookups; the caller holds state().mutex
std::shared_ptr<Window> findWindowLocked(HWND hwnd);
std::shared_ptr<ThreadQueue> findQueueLocked(DWORD key);
void wakeLocked(ThreadQueue& queue);
void wakeWindowThreadLocked(const Window& window);

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> currentQueue();
// A copy of the window record's fields that do not change often, or null.
std::shared_ptr<Window> findWindow(HWND hwnd);

// --- message plumbing
// Calls the window procedure on the calling thread (no queue involved).
LRESULT callWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Delivers without waiting: a direct call on the window's own thread,
// otherwise queued as a sent message that the window's thread handles when
// it next reads its queue.
void notifyWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Handles the messages other threads sent to the calling thread's windows.
bool handleIncomingSent(ThreadQueue& queue);
// Blocks until something may have arrived for the calling thread, or until
// `timeout` passes when it is not zero.
void waitForQueueChange(ThreadQueue& queue, uint64_t seen,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
// Posts a message and wakes its thread; false when the window is gone.
bool postToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool front = false);

// --- geometry
RECT frameInsets(DWORD style, DWORD exStyle, bool hasMenu);
RECT clientRectOnScreen(const Window& window);
bool isTopLevel(const Window& window);

// --- activation
void activateWindow(HWND hwnd);
void deactivateApplication();
void reactivateApplication();
// Called while a window goes away or is minimised: moves activation on.
void windowLostActivation(HWND hwnd, bool minimised);

// --- input state
void setKeyDown(UINT vk, bool down);
bool isKeyDown(UINT vk);
void applyRetrievedInput(const MSG& msg);
void setCursorPosition(POINT pt);
POINT cursorPosition();
int cursorDisplayCount();
void noteSystemMenuOpened();
unsigned systemMenuOpenCount();

// Input as the presenter delivers it: to the focused window (or `fallback`).
bool postKeyInput(UINT vk, bool down, HWND fallback);
bool postMouseMove(HWND hwnd, POINT client);
bool postMouseButton(HWND hwnd, int button, bool down, POINT client);

// --- dialogs
LRESULT CALLBACK defaultDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The children of `parent` in creation order (the dialog's tab order).
std::vector<HWND> childWindows(HWND parent);
// The class name of a window, lower case; empty when it is gone.
std::string windowClassName(HWND hwnd);
// Runs `change` on the control's state (made on first use) under the lock
// and returns its result.
template <typename F>
auto withControl(HWND hwnd, F change) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w) {
        ControlState gone;  // a window that is gone answers as a new control
        return change(gone, DWORD{0});
    }
    if (!w->control)
        w->control = std::make_unique<ControlState>();
    return change(*w->control, w->style);
}

}  // namespace platform::user
