// Keyboard and mouse state, the system cursor, and keyboard input turned
// into messages the way the system delivers it.
#include "core/app_state.h"
#include "core/call_log.h"
#include "core/presenter.h"
#include "user/dialog_painter.h"
#include "user/dialogs.h"
#include "user/user_state.h"

#include <algorithm>
#include <array>
#include <atomic>

namespace platform::user {
namespace {

// Taken after state().mutex when both are needed, never the other way round.
struct InputState {
    std::mutex mutex;
    std::array<bool, 256> asyncDown{};
    std::array<bool, 256> down{};  // as of the last message the thread read
    std::array<bool, 256> toggled{};
    POINT cursor{0, 0};
    bool clipped = false;
    RECT clip{};
    int displayCount = 0;
    HCURSOR current = nullptr;
    std::atomic<unsigned> systemMenuOpened{0};
};

InputState& input() {
    static InputState s;
    return s;
}

// Stand-ins for the stock cursors and icons: stable, distinct, non-null.
struct StockResource {
    WORD id;
    char tag;
};
const StockResource kStockCursors[] = {{32512, 'c'}, {32513, 'c'}, {32514, 'c'}, {32515, 'c'},
                                       {32516, 'c'}, {32646, 'c'}, {32648, 'c'}, {32650, 'c'}};
const StockResource kStockIcons[] = {{32512, 'i'}, {32513, 'i'}, {32514, 'i'},
                                     {32515, 'i'}, {32516, 'i'}, {32517, 'i'}};

template <size_t N>
const StockResource* findStock(const StockResource (&table)[N], LPCSTR name) {
    if (!IS_INTRESOURCE(name))
        return nullptr;
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    for (const StockResource& entry : table)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

// The sided keys also set their generic key, as the system does.
UINT genericKey(UINT vk) {
    switch (vk) {
        case VK_LSHIFT:
        case VK_RSHIFT:
            return VK_SHIFT;
        case VK_LCONTROL:
        case VK_RCONTROL:
            return VK_CONTROL;
        case VK_LMENU:
        case VK_RMENU:
            return VK_MENU;
        default:
            return vk;
    }
}

POINT clampToScreen(POINT pt, const InputState& in) {
    const int w = static_cast<int>(core::desktopMode().width);
    const int h = static_cast<int>(core::desktopMode().height);
    pt.x = std::clamp<LONG>(pt.x, 0, std::max(0, w - 1));
    pt.y = std::clamp<LONG>(pt.y, 0, std::max(0, h - 1));
    if (in.clipped) {
        pt.x = std::clamp<LONG>(pt.x, in.clip.left, std::max(in.clip.left, in.clip.right - 1));
        pt.y = std::clamp<LONG>(pt.y, in.clip.top, std::max(in.clip.top, in.clip.bottom - 1));
    }
    return pt;
}

// US layout characters of a key, without and with shift.
char characterOf(UINT vk, bool shift, bool capsLock) {
    if (vk >= 'A' && vk <= 'Z') {
        const bool upper = shift != capsLock;
        return static_cast<char>(upper ? vk : vk - 'A' + 'a');
    }
    if (vk >= '0' && vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? shifted[vk - '0'] : static_cast<char>(vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return static_cast<char>('0' + vk - VK_NUMPAD0);
    switch (vk) {
        case VK_SPACE:
            return ' ';
        case VK_RETURN:
            return '\r';
        case VK_BACK:
            return '\b';
        case VK_TAB:
            return '\t';
        case VK_ESCAPE:
            return 0x1B;
        case VK_MULTIPLY:
            return '*';
        case VK_ADD:
            return '+';
        case VK_SUBTRACT:
            return '-';
        case VK_DECIMAL:
            return '.';
        case VK_DIVIDE:
            return '/';
        case VK_OEM_1:
            return shift ? ':' : ';';
        case VK_OEM_PLUS:
            return shift ? '+' : '=';
        case VK_OEM_COMMA:
            return shift ? '<' : ',';
        case VK_OEM_MINUS:
            return shift ? '_' : '-';
        case VK_OEM_PERIOD:
            return shift ? '>' : '.';
        case VK_OEM_2:
            return shift ? '?' : '/';
        case VK_OEM_3:
            return shift ? '~' : '`';
        case VK_OEM_4:
            return shift ? '{' : '[';
        case VK_OEM_5:
            return shift ? '|' : '\\';
        case VK_OEM_6:
            return shift ? '}' : ']';
        case VK_OEM_7:
            return shift ? '"' : '\'';
        default:
            return 0;
    }
}

WPARAM mouseKeyFlags() {
    WPARAM flags = 0;
    if (isKeyDown(VK_LBUTTON))
        flags |= MK_LBUTTON;
    if (isKeyDown(VK_RBUTTON))
        flags |= MK_RBUTTON;
    if (isKeyDown(VK_MBUTTON))
        flags |= MK_MBUTTON;
    if (isKeyDown(VK_SHIFT))
        flags |= MK_SHIFT;
    if (isKeyDown(VK_CONTROL))
        flags |= MK_CONTROL;
    return flags;
}

}  // namespace

void setKeyDown(UINT vk, bool down) {
    if (vk > 0xFF)
        return;
    std::lock_guard<std::mutex> lock(input().mutex);
    input().asyncDown[vk] = down;
    input().asyncDown[genericKey(vk)] = down;
}

bool isKeyDown(UINT vk) {
    if (vk > 0xFF)
        return false;
    std::lock_guard<std::mutex> lock(input().mutex);
    return input().asyncDown[vk];
}

void applyRetrievedInput(const MSG& msg) {
    UINT vk = 0;
    bool down = false;
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            vk = static_cast<UINT>(msg.wParam);
            down = true;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            vk = static_cast<UINT>(msg.wParam);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            vk = VK_LBUTTON;
            down = msg.message == WM_LBUTTONDOWN;
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            vk = VK_RBUTTON;
            down = msg.message == WM_RBUTTONDOWN;
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            vk = VK_MBUTTON;
            down = msg.message == WM_MBUTTONDOWN;
            break;
        default:
            return;
    }
    if (vk > 0xFF)
        return;
    std::lock_guard<std::mutex> lock(input().mutex);
    InputState& in = input();
    if (down && !in.down[vk])
        in.toggled[vk] = !in.toggled[vk];
    in.down[vk] = down;
    in.down[genericKey(vk)] = down;
}

void setCursorPosition(POINT pt) {
    std::lock_guard<std::mutex> lock(input().mutex);
    input().cursor = clampToScreen(pt, input());
}

POINT cursorPosition() {
    std::lock_guard<std::mutex> lock(input().mutex);
    return input().cursor;
}

int cursorDisplayCount() {
    std::lock_guard<std::mutex> lock(input().mutex);
    return input().displayCount;
}

void noteSystemMenuOpened() {
    ++input().systemMenuOpened;
}

unsigned systemMenuOpenCount() {
    return input().systemMenuOpened.load();
}

bool postKeyInput(UINT vk, bool down, HWND fallback) {
    if (vk == 0 || vk > 0xFE)
        return false;
    // The key state changes even when no window is there to hear about it.
    const bool wasDown = isKeyDown(vk);
    setKeyDown(vk, down);
    HWND target = GetFocus();
    if (!target)
        target = fallback;
    if (!target || !IsWindow(target))
        return false;
    const UINT generic = genericKey(vk);
    const bool alt = isKeyDown(VK_MENU);
    const bool ctrl = isKeyDown(VK_CONTROL);
    const bool system = generic == VK_MENU || vk == VK_F10 || (alt && !ctrl);
    UINT message;
    if (down)
        message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    else
        message = system ? WM_SYSKEYUP : WM_KEYUP;
    DWORD flags = 1;  // repeat count
    if (alt && (down || generic != VK_MENU))
        flags |= static_cast<DWORD>(KF_ALTDOWN) << 16;
    if (wasDown)
        flags |= static_cast<DWORD>(KF_REPEAT) << 16;
    if (!down)
        flags |= static_cast<DWORD>(KF_UP) << 16;
    return postToWindow(target, message, generic, static_cast<LPARAM>(flags));
}

// A modal dialog drawn over the window takes its mouse: in the dialog's
// client coordinates, the left button only.
bool routeToDialog(HWND hwnd, POINT screen, DialogInput kind) {
    HWND dialog = dialogOver(hwnd);
    if (!dialog)
        return false;
    POINT local = screen;
    ScreenToClient(dialog, &local);
    deliverDialogInput(dialog, kind, 0, local, false);
    return true;
}

bool postMouseMove(HWND hwnd, POINT client) {
    POINT screen = client;
    if (!ClientToScreen(hwnd, &screen))
        return false;
    setCursorPosition(screen);
    if (routeToDialog(hwnd, screen, DialogInput::MouseMove))
        return true;
    return postToWindow(hwnd, WM_MOUSEMOVE, mouseKeyFlags(), MAKELPARAM(client.x, client.y));
}

bool postMouseButton(HWND hwnd, int button, bool down, POINT client) {
    static const UINT keys[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    static const UINT downMessages[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT upMessages[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    if (button < 0 || button > 2)
        return false;
    POINT screen = client;
    if (!ClientToScreen(hwnd, &screen))
        return false;
    if (button == 0 &&
        routeToDialog(hwnd, screen, down ? DialogInput::MouseDown : DialogInput::MouseUp))
        return true;
    setCursorPosition(screen);
    setKeyDown(keys[button], down);
    const UINT message = down ? downMessages[button] : upMessages[button];
    return postToWindow(hwnd, message, mouseKeyFlags(), MAKELPARAM(client.x, client.y));
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg)
        return FALSE;
    if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)
        return FALSE;
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    const char ch = characterOf(static_cast<UINT>(lpMsg->wParam), shift, caps);
    if (ch == 0)
        return TRUE;
    const UINT message = lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    if (lpMsg->hwnd)
        postToWindow(lpMsg->hwnd, message, static_cast<unsigned char>(ch), lpMsg->lParam, true);
    return TRUE;
}

SHORT WINAPI GetAsyncKeyState(int vKey) {
    if (vKey < 0 || vKey > 0xFF)
        return 0;
    return isKeyDown(static_cast<UINT>(vKey)) ? static_cast<SHORT>(0x8000) : 0;
}

SHORT WINAPI GetKeyState(int nVirtKey) {
    if (nVirtKey < 0 || nVirtKey > 0xFF)
        return 0;
    std::lock_guard<std::mutex> lock(input().mutex);
    SHORT result = 0;
    if (input().down[nVirtKey])
        result = static_cast<SHORT>(result | 0x8000);
    if (input().toggled[nVirtKey])
        result = static_cast<SHORT>(result | 1);
    return result;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) {
        setLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpPoint = cursorPosition();
    return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    setCursorPosition({X, Y});
    platform::core::presenter().cursorMoved(cursorPosition());
    return TRUE;
}

BOOL WINAPI ClipCursor(const RECT* lpRect) {
    std::lock_guard<std::mutex> lock(input().mutex);
    InputState& in = input();
    in.clipped = lpRect != nullptr;
    if (lpRect)
        in.clip = *lpRect;
    in.cursor = clampToScreen(in.cursor, in);
    return TRUE;
}

BOOL WINAPI GetClipCursor(LPRECT lpRect) {
    if (!lpRect)
        return FALSE;
    std::lock_guard<std::mutex> lock(input().mutex);
    if (input().clipped) {
        *lpRect = input().clip;
    } else {
        const auto mode = platform::core::desktopMode();
        *lpRect = {0, 0, static_cast<LONG>(mode.width), static_cast<LONG>(mode.height)};
    }
    return TRUE;
}

// The cursor is shown while the display count is 0 or more; a mouse is
// installed, so the count starts at 0.
int WINAPI ShowCursor(BOOL bShow) {
    platform::core::countCall("ShowCursor", {static_cast<ULONG_PTR>(bShow)});
    int count;
    {
        std::lock_guard<std::mutex> lock(input().mutex);
        count = bShow ? ++input().displayCount : --input().displayCount;
    }
    platform::core::presenter().cursorVisibilityChanged(count >= 0);
    return count;
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    std::lock_guard<std::mutex> lock(input().mutex);
    HCURSOR old = input().current;
    input().current = hCursor;
    return old;
}

HCURSOR WINAPI GetCursor(void) {
    std::lock_guard<std::mutex> lock(input().mutex);
    return input().current;
}

// Only the stock cursors and icons exist; module resources come with the
// resource loader.
HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    const StockResource* stock = hInstance ? nullptr : findStock(kStockCursors, lpCursorName);
    if (!stock) {
        setLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HCURSOR>(const_cast<StockResource*>(stock));
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    const StockResource* stock = hInstance ? nullptr : findStock(kStockIcons, lpIconName);
    if (!stock) {
        setLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HICON>(const_cast<StockResource*>(stock));
}

}  // extern "C"
