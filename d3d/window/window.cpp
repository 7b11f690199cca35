#include "window.h"

#include "application.h"

#include <algorithm>

namespace {

const char* const className = "Render Window";
// The module whose resources (dialog templates) the window uses.
const char* const moduleName = "D3DDriver.dll";

struct DialogArguments {
    HINSTANCE module;
    const char* templateName;
    HWND parent;
    DLGPROC procedure;
    LPARAM parameter;
};

struct MessageBoxArguments {
    const char* text;
    const char* caption;
    unsigned type;
};

CD3DFramework* framework() {
    return theD3DApplication ? theD3DApplication->getFramework() : nullptr;
}

bool applicationReady() {
    return theD3DApplication && theD3DApplication->isReady();
}

}  // namespace

Window::Window() : instance(GetModuleHandleA(moduleName)) {
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = staticWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

Window::~Window() {
    UnregisterClassA(className, instance);
}

void Window::showCursor(bool show) {
    cursorShown = show;
    ShowCursor(show ? TRUE : FALSE);
}

void Window::setTitle(const char* title) {
    SetWindowTextA(handle, title);
}

int Window::dialogBox(HINSTANCE module, const char* templateName, HWND parent, DLGPROC procedure,
                      LPARAM parameter) {
    DialogArguments arguments{module, templateName, parent, procedure, parameter};
    return static_cast<int>(
        SendMessageA(handle, WM_RENDER_DIALOG, reinterpret_cast<WPARAM>(&arguments), 0));
}

int Window::messageBox(const char* text, const char* caption, unsigned type) {
    MessageBoxArguments arguments{text, caption, type};
    return static_cast<int>(
        SendMessageA(handle, WM_RENDER_MESSAGEBOX, reinterpret_cast<WPARAM>(&arguments), 0));
}

bool Window::setSize(int, int) {
    return false;
}

void Window::registerListener(RenderWindowListener* listener) {
    thread::Lock guard(listenersLock);
    listeners.push_back(listener);
}

void Window::unregisterListener(RenderWindowListener* listener) {
    thread::Lock guard(listenersLock);
    const auto found = std::find(listeners.begin(), listeners.end(), listener);
    if (found != listeners.end())
        listeners.erase(found);
}

void Window::create(const VideoMode* mode) {
    active = false;
    windowed = mode->isWindowed();
    width = mode->getWidth();
    height = mode->getHeight();

    const DWORD style = WS_VISIBLE | (windowed ? WS_OVERLAPPEDWINDOW : WS_POPUP);
    handle = CreateWindowExA(0, className, className, style, 0, 0, width, height, nullptr,
                             nullptr, instance, nullptr);
    SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    UpdateWindow(handle);

    if (!windowed) {
        ShowCursor(FALSE);
        x = y = 0;
        cursorShown = false;
        MoveWindow(handle, 0, 0, width, height, TRUE);
    } else {
        // Grow the outer size by the frame so the client area is exactly the
        // mode's size, whatever the frame and caption measure.
        RECT windowRect = {};
        RECT clientRect = {};
        GetWindowRect(handle, &windowRect);
        GetClientRect(handle, &clientRect);
        MoveWindow(handle, windowRect.left, windowRect.top, 2 * width - clientRect.right,
                   2 * height - clientRect.bottom, TRUE);
        GetClientRect(handle, &clientRect);
        POINT origin = {0, 0};
        ClientToScreen(handle, &origin);
        x = origin.x;
        y = origin.y;
        cursorShown = true;
    }

    SetForegroundWindow(handle);
    active = true;
    focused = GetFocus() == handle;

    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Window::destroy() {
    focusLost();
    DestroyWindow(handle);
    handle = nullptr;
    active = false;
}

void Window::focusGained() {
    thread::Lock guard(listenersLock);
    if (focused)
        return;
    focused = true;
    for (RenderWindowListener* listener : listeners)
        listener->getFocus();
}

void Window::focusLost() {
    thread::Lock guard(listenersLock);
    if (!focused)
        return;
    focused = false;
    for (RenderWindowListener* listener : listeners)
        listener->lostFocus();
}

LRESULT CALLBACK Window::staticWindowProc(HWND handle, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtrA(handle, GWLP_USERDATA));
    if (window)
        return window->windowProc(message, wParam, lParam);
    return DefWindowProcA(handle, message, wParam, lParam);
}

LRESULT Window::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
        // The player cannot close the render window; the driver destroys it.
        return 0;

    case WM_SIZE:
        active = wParam != SIZE_MINIMIZED && wParam != SIZE_MAXHIDE;
        break;

    case WM_ACTIVATE:
        switch (LOWORD(wParam)) {
        case WA_ACTIVE:
        case WA_CLICKACTIVE:
            focusGained();
            break;
        case WA_INACTIVE:
            focusLost();
            break;
        }
        break;

    case WM_PAINT:
        if (!applicationReady()) {
            if (CD3DFramework* fw = framework()) {
                if (windowed)
                    fw->PresentFrame();
                else
                    fw->ShowGdiSurface(TRUE);
            }
        }
        break;

    case WM_SETCURSOR:
        if (active && focused && !cursorShown) {
            SetCursor(nullptr);
            return 1;
        }
        return theD3DApplication ? theD3DApplication->messageProc(handle, message, wParam, lParam)
                                 : DefWindowProcA(handle, message, wParam, lParam);

    case WM_NCHITTEST:
        if (!windowed)
            return HTCLIENT;
        return theD3DApplication ? theD3DApplication->messageProc(handle, message, wParam, lParam)
                                 : DefWindowProcA(handle, message, wParam, lParam);

    case WM_WINDOWPOSCHANGED: {
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (windowed && position && !(position->flags & SWP_NOMOVE)) {
            x = position->x + GetSystemMetrics(SM_CXDLGFRAME);
            y = position->y + GetSystemMetrics(SM_CXDLGFRAME) + GetSystemMetrics(SM_CYCAPTION);
            if (CD3DFramework* fw = framework())
                fw->MoveFrame(x, y);
        }
        break;
    }

    case WM_SYSCOMMAND:
        if (wParam == SC_KEYMENU)
            return 0;
        if (!windowed && (wParam == SC_MAXIMIZE || wParam == SC_SIZE || wParam == SC_MOVE ||
                          wParam == SC_MONITORPOWER))
            return 1;
        break;

    case WM_RENDER_DIALOG: {
        const auto* arguments = reinterpret_cast<const DialogArguments*>(wParam);
        if (!windowed)
            if (CD3DFramework* fw = framework())
                fw->ShowGdiSurface(TRUE);
        const bool wasShown = cursorShown;
        showCursor(true);
        const INT_PTR result =
            DialogBoxParamA(arguments->module, arguments->templateName, arguments->parent,
                            arguments->procedure, arguments->parameter);
        showCursor(wasShown);
        return result;
    }

    case WM_RENDER_MESSAGEBOX: {
        const auto* arguments = reinterpret_cast<const MessageBoxArguments*>(wParam);
        if (!windowed)
            if (CD3DFramework* fw = framework())
                fw->ShowGdiSurface(TRUE);
        const bool wasShown = cursorShown;
        showCursor(true);
        const int result =
            MessageBoxA(handle, arguments->text, arguments->caption, arguments->type);
        showCursor(wasShown);
        return result;
    }
    }
    return commonPath(message, wParam, lParam);
}

LRESULT Window::commonPath(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_MOUSEMOVE && message != WM_NCHITTEST && message != WM_SETCURSOR) {
        thread::Lock guard(listenersLock);
        for (RenderWindowListener* listener : listeners)
            listener->processMessage(message, static_cast<unsigned>(wParam),
                                     static_cast<long>(lParam));
    }
    return theD3DApplication ? theD3DApplication->messageProc(handle, message, wParam, lParam)
                             : DefWindowProcA(handle, message, wParam, lParam);
}
