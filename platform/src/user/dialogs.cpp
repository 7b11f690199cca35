// Modal dialogs. A template comes from the module's resources (or from a
// test's registration by name); the dialog is a pop-up of the dialog class
// with one child window per item, sized from dialog units by the template's
// font, and runs modally on the calling thread until EndDialog.
#include "user/dialogs.h"

#include "core/call_log.h"
#include "core/presenter.h"
#include "platform/testing_input.h"
#include "user/controls.h"
#include "user/dialog_painter.h"
#include "user/dialog_template.h"
#include "user/user_state.h"

#include <algorithm>
#include <cctype>

namespace platform::user {
namespace {

constexpr const char* kDialogClass = "#32770";

struct DialogRegistry {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, DialogTemplate> templates;  // by lower-case name
    std::vector<HWND> running;                        // innermost last
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
    ensureControlClasses();
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

// Shows the dialog (and those under it) over the window it stands on.
void redrawOver(HWND dialog) {
    if (HWND window = windowUnder(dialog))
        platform::core::presenter().refresh(window);
}

// Pumps the thread's messages (all of its windows keep working), the
// dialog's own through IsDialogMessageA, until the dialog ends. A WM_QUIT
// ends the dialog and is posted again for the outer loop.
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
            if (!IsDialogMessageA(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            redrawOver(dialog);
            continue;
        }
        if (dialogEnded(dialog, &result))
            break;
        waitForQueueChange(*queue, seen, platform::core::presenter().pollInterval());
    }
    return result;
}

RECT toPixels(const RECT& units, POINT base) {
    return {units.left * base.x / 4, units.top * base.y / 8, units.right * base.x / 4,
            units.bottom * base.y / 8};
}

// Centred on the owner, or on the screen.
POINT dialogOrigin(HWND owner, SIZE outer) {
    RECT around{};
    if (!owner || !GetWindowRect(owner, &around))
        around = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {around.left + (around.right - around.left - outer.cx) / 2,
            around.top + (around.bottom - around.top - outer.cy) / 2};
}

void createItems(HWND dialog, HINSTANCE instance, const DialogTemplate& tmpl, POINT base) {
    for (const DialogItemTemplate& item : tmpl.items) {
        const RECT r = toPixels(item.units, base);
        CreateWindowExA(item.exStyle, item.className.c_str(), item.text.c_str(),
                        (item.style | WS_CHILD) & ~static_cast<DWORD>(WS_POPUP), r.left, r.top,
                        r.right - r.left, r.bottom - r.top, dialog,
                        reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(item.id)), instance,
                        nullptr);
    }
}

// The default push button of the template, if any, is the default id.
WORD defaultButtonId(const DialogTemplate& tmpl) {
    for (const DialogItemTemplate& item : tmpl.items)
        if (item.className == "button" && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return item.id;
    return IDOK;
}

HWND createDialog(HINSTANCE instance, const DialogTemplate& tmpl, HWND owner, DLGPROC proc) {
    ensureDialogClass();
    const POINT base = dialogBaseUnits(tmpl);
    const RECT client = toPixels(tmpl.units, base);
    const DWORD style = (tmpl.style | WS_POPUP) & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
    RECT outer = {0, 0, client.right - client.left, client.bottom - client.top};
    AdjustWindowRectEx(&outer, style, FALSE, tmpl.exStyle | WS_EX_DLGMODALFRAME);
    const SIZE size{outer.right - outer.left, outer.bottom - outer.top};
    const POINT at = dialogOrigin(owner, size);
    HWND dialog =
        CreateWindowExA(tmpl.exStyle | WS_EX_DLGMODALFRAME, kDialogClass, tmpl.title.c_str(), style,
                        at.x, at.y, size.cx, size.cy, owner, nullptr, instance, nullptr);
    if (!dialog)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(dialog);
        w->dialog = std::make_unique<DialogState>();
        w->dialog->proc = proc;
        w->dialog->baseUnits = base;
        w->dialog->defaultId = defaultButtonId(tmpl);
        w->dialog->owner = owner;
    }
    createItems(dialog, instance, tmpl, base);
    return dialog;
}

bool findTemplate(HINSTANCE instance, LPCSTR name, DialogTemplate* out) {
    if (HRSRC found = FindResourceA(instance, name, RT_DIALOG))
        return parseDialogTemplate(LockResource(LoadResource(instance, found)),
                                   SizeofResource(instance, found), out);
    return registeredTemplate(name, out);
}

// The input a test or the presenter hands a dialog, run on its thread.
constexpr UINT kDialogInput = WM_USER - 1;

// The child under a client point that takes the mouse: visible, and not a
// group box (which lets clicks through). Later items lie on top.
HWND childAt(HWND dialog, POINT at) {
    const std::vector<HWND> children = childWindows(dialog);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (!IsWindowVisible(*it) || (SendMessageA(*it, WM_GETDLGCODE, 0, 0) & DLGC_STATIC))
            continue;
        RECT r{};
        GetWindowRect(*it, &r);
        POINT screen = at;
        ClientToScreen(dialog, &screen);
        if (PtInRect(&r, screen))
            return *it;
    }
    return nullptr;
}

HWND exchangeCapture(HWND dialog, HWND holder, bool set) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(dialog);
    if (!w || !w->dialog)
        return nullptr;
    const HWND old = w->dialog->captured;
    if (set)
        w->dialog->captured = holder;
    return old;
}

// A button press goes to the enabled item under the pointer, which keeps the
// mouse until the release; a disabled item takes nothing.
void mouseInput(HWND dialog, DialogInput kind, POINT at) {
    const HWND holder = exchangeCapture(dialog, nullptr, false);
    HWND target = holder ? holder : childAt(dialog, at);
    if (!target || !IsWindowEnabled(target))
        return;
    POINT local = at;
    ClientToScreen(dialog, &local);
    ScreenToClient(target, &local);
    const LPARAM where = MAKELPARAM(local.x, local.y);
    switch (kind) {
        case DialogInput::MouseDown:
            exchangeCapture(dialog, target, true);
            SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
            break;
        case DialogInput::MouseUp:
            exchangeCapture(dialog, nullptr, true);
            SendMessageA(target, WM_LBUTTONUP, 0, where);
            break;
        case DialogInput::MouseMove:
            SendMessageA(target, WM_MOUSEMOVE, holder ? MK_LBUTTON : 0, where);
            break;
        default:
            break;
    }
}

void keyInput(HWND dialog, DialogInput kind, UINT value) {
    HWND focus = GetFocus();
    if (focus != dialog && GetParent(focus) != dialog)
        focus = dialog;
    if (kind == DialogInput::Character) {
        SendMessageA(focus, WM_CHAR, value, 1);
        return;
    }
    const bool down = kind == DialogInput::KeyDown;
    setKeyDown(value, down);
    MSG msg{focus, down ? UINT{WM_KEYDOWN} : UINT{WM_KEYUP}, value, 1, 0, {}};
    applyRetrievedInput(msg);
    if (down && (value == VK_TAB || value == VK_RETURN || value == VK_ESCAPE ||
                 (value >= VK_LEFT && value <= VK_DOWN)))
        IsDialogMessageA(dialog, &msg);
    else
        SendMessageA(focus, msg.message, msg.wParam, msg.lParam);
}

}  // namespace

bool registeredTemplate(LPCSTR name, DialogTemplate* out) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto it = registry().templates.find(templateKey(name));
    if (it == registry().templates.end())
        return false;
    *out = it->second;
    return true;
}

bool deliverDialogInput(HWND dialog, DialogInput kind, UINT value, POINT at, bool wait) {
    const WPARAM wParam = static_cast<WPARAM>(kind) | (static_cast<WPARAM>(value) << 8);
    const LPARAM lParam = MAKELPARAM(at.x, at.y);
    if (!wait)
        return PostMessageA(dialog, kDialogInput, wParam, lParam);
    if (!IsWindow(dialog))
        return false;
    SendMessageA(dialog, kDialogInput, wParam, lParam);
    return true;
}

std::vector<HWND> runningDialogs() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return registry().running;
}

LRESULT CALLBACK defaultDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDialogInput) {
        const auto kind = static_cast<DialogInput>(wParam & 0xFF);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (kind >= DialogInput::MouseDown)
            mouseInput(hwnd, kind, at);
        else
            keyInput(hwnd, kind, static_cast<UINT>(wParam >> 8));
        redrawOver(hwnd);
        return 0;
    }
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
        case DM_GETDEFID: {
            std::lock_guard<std::mutex> lock(state().mutex);
            auto w = findWindowLocked(hwnd);
            return w && w->dialog ? MAKELRESULT(w->dialog->defaultId, DC_HASDEFID) : 0;
        }
        case DM_SETDEFID: {
            std::lock_guard<std::mutex> lock(state().mutex);
            if (auto w = findWindowLocked(hwnd); w && w->dialog)
                w->dialog->defaultId = static_cast<WORD>(wParam);
            return TRUE;
        }
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user

using namespace platform::user;

namespace {

INT_PTR runDialog(HINSTANCE instance, const DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                  LPARAM param) {
    if (owner && !IsWindow(owner)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    const HWND focusBefore = GetFocus();
    HWND dialog = createDialog(instance, tmpl, owner, proc);
    if (!dialog)
        return -1;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && first) {
        SetFocus(first);
        if (SendMessageA(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            SendMessageA(first, EM_SETSEL, 0, -1);
    }
    INT_PTR result = 0;
    if (!dialogEnded(dialog, &result)) {
        // Activation focuses the dialog itself; the item chosen keeps the focus.
        const HWND focus = GetFocus();
        ShowWindow(dialog, SW_SHOW);
        if (focus && GetParent(focus) == dialog)
            SetFocus(focus);
        redrawOver(dialog);
        setRunning(dialog, true);
        result = runModalLoop(dialog);
    }
    const HWND under = windowUnder(dialog);
    setRunning(dialog, false);
    if (under)
        platform::core::presenter().refresh(under);
    DestroyWindow(dialog);
    if (owner && IsWindowVisible(owner))
        SetForegroundWindow(owner);
    if (focusBefore && IsWindow(focusBefore))
        SetFocus(focusBefore);
    return result;
}

}  // namespace

extern "C" {

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    platform::core::countCall("DialogBoxParamA", {reinterpret_cast<ULONG_PTR>(lpTemplateName)});
    if (!lpTemplateName) {
        setLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DialogTemplate tmpl;
    if (!findTemplate(hInstance, lpTemplateName, &tmpl)) {
        setLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    return runDialog(hInstance, tmpl, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    DialogTemplate tmpl;
    // The caller vouches for the memory; no size comes with it.
    if (!parseDialogTemplate(hDialogTemplate, SIZE_MAX / 2, &tmpl)) {
        setLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return runDialog(hInstance, tmpl, hWndParent, lpDialogFunc, dwInitParam);
}

// An ended dialog no longer counts as running, though its loop may not
// have noticed yet.
BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hDlg);
        if (!w || !w->dialog) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        w->dialog->ended = true;
        w->dialog->result = nResult;
        wakeWindowThreadLocked(*w);
    }
    setRunning(hDlg, false);
    return TRUE;
}

}  // extern "C"

namespace platform::testing {

void registerDialogTemplate(const std::string& name, const std::string& title) {
    DialogTemplate tmpl;
    tmpl.title = title;
    tmpl.units = {0, 0, 200, 100};
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().templates[templateKey(name.c_str())] = tmpl;
}

HWND waitForDialog(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(registry().mutex);
    registry().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [] { return !registry().running.empty(); });
    return registry().running.empty() ? nullptr : registry().running.back();
}

HWND waitForDialogs(size_t depth, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(registry().mutex);
    registry().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return registry().running.size() >= depth; });
    return registry().running.size() >= depth ? registry().running[depth - 1] : nullptr;
}

bool postDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto running = runningDialogs();
    return !running.empty() && PostMessageA(running.back(), message, wParam, lParam);
}

bool endDialog(INT_PTR result) {
    const auto running = runningDialogs();
    return !running.empty() && EndDialog(running.back(), result);
}

}  // namespace platform::testing
