// Modal dialogs. Templates are known by name through a registry; a dialog is
// a pop-up window of the dialog class whose procedure calls the dialog
// procedure, run modally on the calling thread until EndDialog.
#include "core/call_log.h"
#include "core/presenter.h"
#include "platform/testing_input.h"
#include "user/user_state.h"

#include <algorithm>
#include <cctype>

namespace platform::user {
namespace {

constexpr const char* kDialogClass = "#32770";

struct DialogRegistry {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, std::string> templates;  // key -> title
    std::vector<HWND> running;                     // innermost last
};

DialogRegistry& registry() {
    static DialogRegistry r;
    return r;
}

std::string templateKey(LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

void ensureDialogClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = defaultDialogProc;
        wc.lpszClassName = kDialogClass;
        wc.cbWndExtra = 30;
        RegisterClassA(&wc);
    });
}

bool dialogEnded(HWND hwnd, INT_PTR* result) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w || !w->dialog)
        return true;
    *result = w->dialog->result;
    return w->dialog->ended;
}

void setRunning(HWND hwnd, bool running) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto& list = registry().running;
    if (running)
        list.push_back(hwnd);
    else
        list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
    registry().changed.notify_all();
}

// Pumps the thread's messages (all of its windows keep working) until the
// dialog ends. A WM_QUIT ends the dialog and is posted again for the outer loop.
INT_PTR runModalLoop(HWND dialog) {
    auto queue = currentQueue();
    INT_PTR result = 0;
    while (!dialogEnded(dialog, &result)) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> lock(state().mutex);
            seen = queue->changes;
        }
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (dialogEnded(dialog, &result))
            break;
        waitForQueueChange(*queue, seen, platform::core::presenter().pollInterval());
    }
    return result;
}

}  // namespace

LRESULT CALLBACK defaultDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DLGPROC proc = nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hwnd);
        if (w && w->dialog)
            proc = w->dialog->proc;
    }
    if (proc) {
        const INT_PTR handled = proc(hwnd, message, wParam, lParam);
        if (handled) {
            if (message == WM_INITDIALOG || message == WM_CTLCOLORDLG)
                return handled;
            return GetWindowLongPtrA(hwnd, DWLP_MSGRESULT);
        }
    }
    switch (message) {
        case WM_INITDIALOG:
            return 0;
        case WM_CLOSE:
            // Closing a dialog is its Cancel button.
            PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    HRESULT ignored;
    platform::core::recordCall("DialogBoxParamA", {reinterpret_cast<ULONG_PTR>(lpTemplateName)},
                               &ignored);
    if (!lpTemplateName) {
        setLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hWndParent && !IsWindow(hWndParent)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    std::string title;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        auto it = registry().templates.find(templateKey(lpTemplateName));
        if (it == registry().templates.end()) {
            setLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return -1;
        }
        title = it->second;
    }
    ensureDialogClass();
    HWND dialog = CreateWindowExA(WS_EX_DLGMODALFRAME, kDialogClass, title.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 300,
                                  200, hWndParent, nullptr, hInstance, nullptr);
    if (!dialog)
        return -1;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(dialog);
        w->dialog = std::make_unique<DialogState>();
        w->dialog->proc = lpDialogFunc;
    }
    setRunning(dialog, true);
    SendMessageA(dialog, WM_INITDIALOG, 0, dwInitParam);
    INT_PTR result = 0;
    if (!dialogEnded(dialog, &result)) {
        ShowWindow(dialog, SW_SHOW);
        result = runModalLoop(dialog);
    }
    setRunning(dialog, false);
    DestroyWindow(dialog);
    if (hWndParent && IsWindowVisible(hWndParent))
        SetForegroundWindow(hWndParent);
    return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hDlg);
    if (!w || !w->dialog) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->dialog->ended = true;
    w->dialog->result = nResult;
    wakeWindowThreadLocked(*w);
    return TRUE;
}

}  // extern "C"

namespace platform::testing {

void registerDialogTemplate(const std::string& name, const std::string& title) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().templates[templateKey(name.c_str())] = title;
}

HWND waitForDialog(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(registry().mutex);
    registry().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [] { return !registry().running.empty(); });
    return registry().running.empty() ? nullptr : registry().running.back();
}

bool postDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND dialog = waitForDialog(0);
    return dialog && PostMessageA(dialog, message, wParam, lParam);
}

bool endDialog(INT_PTR result) {
    HWND dialog = waitForDialog(0);
    return dialog && EndDialog(dialog, result);
}

}  // namespace platform::testing
