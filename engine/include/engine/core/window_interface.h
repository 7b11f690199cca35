// The render window as the engine and the window bridge library see it.
#pragma once

#include <windows.h>

class RenderWindowListener {
public:
    virtual void getFocus() {}
    virtual void lostFocus() {}
    virtual void processMessage(unsigned message, unsigned wParam, long lParam) {
        (void)message;
        (void)wParam;
        (void)lParam;
    }
    virtual ~RenderWindowListener() = default;
};

// Called by position: keep the slot order.
class WindowInterface {
public:
    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    virtual HWND getHandle() = 0;
    virtual bool isActive() = 0;
    virtual bool isWindowed() = 0;
    virtual bool hasFocus() = 0;
    virtual int getX() = 0;
    virtual int getY() = 0;
    virtual void showCursor(bool show) = 0;
    virtual void setTitle(const char* title) = 0;
    // Runs a modal dialog on the window's thread; any thread may call it.
    virtual int dialogBox(HINSTANCE module, const char* templateName, HWND parent,
                          DLGPROC procedure, LPARAM parameter) = 0;
    virtual int messageBox(const char* text, const char* caption, unsigned type) = 0;
    virtual bool setSize(int width, int height) = 0;
    virtual void registerListener(RenderWindowListener* listener) = 0;
    virtual void unregisterListener(RenderWindowListener* listener) = 0;
    virtual ~WindowInterface() = default;
};

// The window bridge: the driver's render window while a driver is loaded.
extern WindowInterface* theRenderWindow;
