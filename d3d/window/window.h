// The render window: one top-level window, created and pumped on the core
// thread, that the driver draws into.
#pragma once

#include "thread/synchronized.h"

#include <engine/core/video_mode.h>
#include <engine/core/window_interface.h>

#include <windows.h>

#include <atomic>
#include <vector>

// Run a dialog or a message box on the window's thread.
#define WM_RENDER_DIALOG (WM_USER + 3000)
#define WM_RENDER_MESSAGEBOX (WM_USER + 3001)

class Window : public WindowInterface {
public:
    // Registers the window class "Render Window".
    Window();
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    int getWidth() override { return width; }
    int getHeight() override { return height; }
    HWND getHandle() override { return handle; }
    bool isActive() override { return active; }
    bool isWindowed() override { return windowed; }
    bool hasFocus() override { return focused; }
    int getX() override { return x; }
    int getY() override { return y; }
    void showCursor(bool show) override;
    void setTitle(const char* title) override;
    int dialogBox(HINSTANCE module, const char* templateName, HWND parent, DLGPROC procedure,
                  LPARAM parameter) override;
    int messageBox(const char* text, const char* caption, unsigned type) override;
    // This window keeps the size of its video mode.
    bool setSize(int width, int height) override;
    void registerListener(RenderWindowListener* listener) override;
    void unregisterListener(RenderWindowListener* listener) override;

    // On the core thread: make the window for a video mode, and destroy it.
    void create(const VideoMode* mode);
    void destroy();

    HINSTANCE getInstance() const { return instance; }

private:
    static LRESULT CALLBACK staticWindowProc(HWND handle, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT commonPath(UINT message, WPARAM wParam, LPARAM lParam);
    void focusGained();
    void focusLost();

    // Changed on the core thread, read by the mouse and the engine threads.
    std::atomic<bool> active{false};
    std::atomic<bool> focused{false};
    bool windowed = false;
    bool cursorShown = true;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    HWND handle = nullptr;
    HINSTANCE instance = nullptr;
    std::vector<RenderWindowListener*> listeners;
    thread::SynchronizedObject listenersLock;
};
