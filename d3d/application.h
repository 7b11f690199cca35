// The driver's shell: the render window, the device framework and the core
// thread on which the window lives, the device is made and frames are drawn.
#pragma once

#include "d3dframe/d3dframe.h"
#include "deliverer.h"
#include "driver.h"
#include "thread/active.h"
#include "thread/event.h"
#include "thread/synchronized.h"
#include "window/window.h"

#include <engine/core/application_interface.h>
#include <engine/core/video_mode.h>
#include <engine/core/window_interface.h>
#include <engine/timer.h>

#include <atomic>
#include <vector>

class View;

// Wakes the core thread's loop for a pending command.
#define WM_CORE_COMMAND (WM_USER + 2000)

class Application : public RenderWindowListener,
                    public ApplicationInterface,
                    public PriorityDrivenSubscribeDeliverer<ApplicationListener> {
public:
    enum CommandId {
        CMD_START = 0,
        CMD_STOP = 1,
        CMD_DRAW = 2,
        CMD_INIT_VIDEO_MODE = 3,
        CMD_TERM_VIDEO_MODE = 4,
        CMD_CHANGE_VIDEO_MODE = 5,
        CMD_VALIDATE_VIDEO_MODE = 6,
    };

    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Run control, carried out on the core thread while the caller waits.
    void start();
    void stop();
    // One frame while stopped once.
    void draw();
    void setFPS(float fps);

    const VideoMode* getCurrentVideoMode() const { return currentVideoMode; }
    CD3DFramework* getFramework() { return &framework; }
    Window& getWindow() { return window; }
    bool isReady() const { return ready; }
    bool isActive() { return window.isActive(); }
    int getPauseCount() const { return pauseCount; }
    float getFramePeriod() const { return framePeriod; }
    // 0 while there is no core thread.
    unsigned getCoreThreadID() const;

    void restoreCore();
    void releaseCore();

    void pause(bool pause);
    // The last stage of the window procedure.
    LRESULT messageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    int sendCommand(CommandId id, void* argument);
    int querySuspend(unsigned long flags);
    int resumeSuspend(unsigned long flags);

    void registerView(View* view);
    void unregisterView(View* view);

    void registerListener(ApplicationListener* listener, int priority) override;
    void unregisterListener(ApplicationListener* listener) override;
    // One delivery of iteration() to every listener.
    void iteration();

    // RenderWindowListener: the process priority follows the window focus.
    void getFocus() override;
    void lostFocus() override;

    // Installed as the debug library's fatal hook: shows the desktop when the
    // fatal error comes from the core thread, so the report can be read.
    static void fatalHook();

private:
    class ApplicationCore : public thread::ActiveObject {
    public:
        explicit ApplicationCore(Application* application);
        ~ApplicationCore() override;
        void run() override;

    private:
        Application* application;
        thread::Event started;
    };

    float render();
    void restoreLostSurfaces();
    void processCommand();
    // False, with the reason reported, when the mode cannot be started.
    bool initVideoMode(const VideoMode* mode);
    void termVideoMode();
    void changeVideoMode(const VideoMode* mode);
    bool validateVideoMode(const VideoMode* mode);
    void fillCapabilities();
    void clearToBlack(IDirectDrawSurface4* surface, int width, int height);

    Window window;
    int pauseCount = 0;
    float framePeriod = 0.001f;
    Win32Timer timer;
    CD3DFramework framework;
    thread::SynchronizedObject commandLock;
    // Raised by the sending thread, cleared by the core thread.
    std::atomic<bool> commandPending{false};
    thread::Event commandDone{true};
    const VideoMode* currentVideoMode = nullptr;
    CommandId commandId = CMD_START;
    void* commandArgument = nullptr;
    int commandResult = 0;
    ApplicationCore* core = nullptr;
    std::vector<View*> views;
    thread::SynchronizedObject viewsLock;
    bool ready = false;
};

extern D3DDRIVER_API Application* theD3DApplication;
// The framework of the Application, for the code that draws on its surfaces.
extern CD3DFramework* g_pFramework;
