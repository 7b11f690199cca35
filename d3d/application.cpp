#include "application.h"

#include "degrading_manager.h"
#include "driver_filter.h"
#include "dxerror.h"
#include "rfactory.h"
#include "rfonts.h"
#include "rtexture.h"
#include "screensh.h"
#include "special/particles/sprite_buffer.h"
#include "states.h"
#include "tmanager.h"
#include "window/dialogs.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/view.h>
#include <engine/debug.h>

#include <algorithm>
#include <cstring>
#include <optional>

Application* theD3DApplication = nullptr;
CD3DFramework* g_pFramework = nullptr;

namespace {

const char* const sourcePath = "3d/driver/d3d/application";
const char* const moduleName = "D3DDriver.dll";

// Set while Ctrl is held, for the debug hot keys; touched on the core thread.
bool ctrlDown = false;

bool debugInputEnabled() {
    const debug::Filter* filter = debug::Filter::find("DebugInput");
    return filter && filter->level() != 0.0f;
}

void dispatchWaitingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

// ===========================================================================
// Construction
// ===========================================================================

Application::Application() {
    commandPending = false;
    theD3DApplication = this;
    theApplication = static_cast<ApplicationInterface*>(this);
    theRenderWindow = &window;
    window.registerListener(this);
    g_pFramework = &framework;
    core = nullptr;
    framePeriod = 0.001f;
    timer.stop();
    debug::System::setFatalHook(fatalHook);
}

Application::~Application() {
    if (core) {
        DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                          << "the video mode was not ended before unloading");
        releaseCore();
    }
    // The hook's code goes with the library; a later fatal error must not
    // call into it.
    debug::System::setFatalHook(nullptr);
    theD3DApplication = nullptr;
    theApplication = nullptr;
    theRenderWindow = nullptr;
    window.unregisterListener(this);
    if (g_pFramework == &framework)
        g_pFramework = nullptr;
}

// ===========================================================================
// The core thread
// ===========================================================================

Application::ApplicationCore::ApplicationCore(Application* application)
    : application(application), started(true) {
    started.reset();
    resume();
    started.wait();
}

Application::ApplicationCore::~ApplicationCore() {
    PostThreadMessageA(getThreadId(), WM_QUIT, 0, 0);
    terminate();
}

void Application::ApplicationCore::run() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
    application->pauseCount = 1;
    application->ready = false;
    started.set();

    // While there is nothing to draw the loop waits for messages; this tick
    // bounds the wait, so listeners still get a pass ten times a second.
    const UINT_PTR idleTick = SetTimer(nullptr, 0, 100, nullptr);
    message.message = 0;
    while (message.message != WM_QUIT) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (application->commandPending)
                application->processCommand();
            TranslateMessage(&message);
            DispatchMessageA(&message);
            if (message.message == WM_QUIT)
                break;
        }
        application->iteration();
        if (application->isReady() && application->isActive())
            application->render();
        if (!application->isActive())
            surfacesLost = true;
        // Stopped, minimised or without the surfaces (in the background):
        // nothing changes that until a message comes.
        const bool idle =
            !application->isReady() || !application->isActive() || surfacesLost;
        if (idle && message.message != WM_QUIT)
            WaitMessage();
        Sleep(0);
    }
    KillTimer(nullptr, idleTick);
}

unsigned Application::getCoreThreadID() const {
    return core ? core->getThreadId() : 0;
}

void Application::restoreCore() {
    core = new ApplicationCore(this);
}

void Application::releaseCore() {
    delete core;
    core = nullptr;
}

// ===========================================================================
// Commands
// ===========================================================================

void Application::start() {
    sendCommand(CMD_START, nullptr);
}

void Application::stop() {
    sendCommand(CMD_STOP, nullptr);
}

void Application::draw() {
    sendCommand(CMD_DRAW, nullptr);
}

void Application::setFPS(float fps) {
    framePeriod = 1.0f / fps;
}

int Application::sendCommand(CommandId id, void* argument) {
    thread::Lock guard(commandLock);
    commandId = id;
    commandArgument = argument;
    commandDone.reset();
    commandPending = true;
    if (GetCurrentThreadId() == getCoreThreadID()) {
        processCommand();
        dispatchWaitingMessages();
    } else {
        PostThreadMessageA(getCoreThreadID(), WM_CORE_COMMAND, 0, 0);
    }
    commandDone.wait();
    return commandResult;
}

void Application::processCommand() {
    commandPending = false;
    commandResult = 0;
    const auto* mode = static_cast<const VideoMode*>(commandArgument);
    switch (commandId) {
    case CMD_START:
        pause(false);
        break;
    case CMD_STOP:
        pause(true);
        break;
    case CMD_DRAW:
        if (pauseCount == 1 && isActive())
            render();
        break;
    case CMD_INIT_VIDEO_MODE:
        commandResult = initVideoMode(mode) ? 1 : 0;
        timer.restart();
        break;
    case CMD_TERM_VIDEO_MODE:
        termVideoMode();
        timer.stop();
        break;
    case CMD_CHANGE_VIDEO_MODE: {
        // Engine threads reach device objects under the driver lock (factories,
        // materials, quality changes): keep them out while the objects are
        // invalidated and restored. The sender let go of the lock before it
        // handed the command over, or this would wait for ever.
        std::optional<thread::Lock> driverGuard;
        if (theD3DRenderDriver)
            driverGuard.emplace(theD3DRenderDriver);
        timer.stop();
        changeVideoMode(mode);
        timer.start();
        break;
    }
    case CMD_VALIDATE_VIDEO_MODE:
        commandResult = validateVideoMode(mode) ? 1 : 0;
        break;
    }
    commandDone.set();
}

void Application::pause(bool pausing) {
    pauseCount += pausing ? 1 : -1;
    ready = pauseCount == 0;
    if (pausing && pauseCount == 1) {
        framework.ShowGdiSurface(TRUE);
        timer.stop();
    }
    if (pauseCount == 0) {
        PostThreadMessageA(getCoreThreadID(), WM_CORE_COMMAND, 0, 0);
        timer.start();
    }
}

int Application::querySuspend(unsigned long) {
    pause(true);
    return 1;
}

int Application::resumeSuspend(unsigned long) {
    pause(false);
    return 1;
}

// ===========================================================================
// Views and listeners
// ===========================================================================

void Application::registerView(View* view) {
    thread::Lock guard(viewsLock);
    views.push_back(view);
}

void Application::unregisterView(View* view) {
    thread::Lock guard(viewsLock);
    const auto found = std::find(views.begin(), views.end(), view);
    if (found != views.end())
        views.erase(found);
}

void Application::registerListener(ApplicationListener* listener, int priority) {
    PriorityDrivenSubscribeDeliverer<ApplicationListener>::registerListener(listener, priority);
}

void Application::unregisterListener(ApplicationListener* listener) {
    PriorityDrivenSubscribeDeliverer<ApplicationListener>::unregisterListener(listener);
}

void Application::iteration() {
    deliver(&ApplicationListener::iteration);
}

// ===========================================================================
// Frames
// ===========================================================================

float Application::render() {
    core->setPriority(core->getPriority() + 1);
    const double started = timer.getTime();
    const float gameTime = static_cast<float>(theTimer->getTime());

    if (theRenderDriver->initFrame(gameTime)) {
        {
            thread::Lock guard(viewsLock);
            std::sort(views.begin(), views.end(), [](const View* a, const View* b) {
                return a->getRenderPriority() > b->getRenderPriority();
            });
            for (View* view : views)
                view->draw();
        }
        theRenderDriver->termFrame();
        if (surfacesLost)
            restoreLostSurfaces();
    }

    core->setPriority(core->getPriority() - 1);
    return static_cast<float>(timer.getTime() - started);
}

void Application::restoreLostSurfaces() {
    IDirectDraw4* directDraw = framework.GetDirectDraw();
    if (!directDraw || FAILED(directDraw->TestCooperativeLevel()))
        return;
    if (theD3DTextureManager && !theD3DTextureManager->checkAll())
        return;
    if (!testResult(framework.RestoreSurfaces(), "framework.RestoreSurfaces()", 181, sourcePath))
        return;
    if (theD3DRenderMaterialManager) {
        theD3DRenderMaterialManager->invalidateAll();
        theD3DRenderMaterialManager->restoreAll();
    }
    surfacesLost = false;
}

// ===========================================================================
// Video modes
// ===========================================================================

bool Application::initVideoMode(const VideoMode* mode) {
    window.create(mode);

    if (g_driverSettings.fullScreenWindow && !mode->isWindowed()) {
        const VideoMode* windowedMode =
            theRenderDriver->createWindowedVideoMode(mode, mode->getWidth(), mode->getHeight());
        DEVMODEA desktop;
        std::memset(&desktop, 0, sizeof desktop);
        desktop.dmSize = sizeof desktop;
        desktop.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        desktop.dmPelsWidth = static_cast<DWORD>(mode->getWidth());
        desktop.dmPelsHeight = static_cast<DWORD>(mode->getHeight());
        ChangeDisplaySettingsA(&desktop, 0);
        // A desktop that cannot be windowed at the mode's depth keeps the
        // full-screen mode.
        if (windowedMode)
            mode = windowedMode;
    }
    currentVideoMode = mode;

    const auto* d3dMode = dynamic_cast<const D3DVideoMode*>(mode);
    if (d3dMode) {
        DWORD flags = D3DFW_BACKBUFFER | D3DFW_ZBUFFER;
        if (!mode->isWindowed())
            flags |= D3DFW_FULLSCREEN;
        const HRESULT result = framework.InitializeFramework(
            window.getHandle(), d3dMode->getDriverInfo()->guidPointer,
            d3dMode->getDeviceInfo()->guidPointer, &d3dMode->getModeInfo()->description, flags);
        // Without a device nothing below can work: the mode is refused here,
        // where the reason is known.
        if (FAILED(result)) {
            DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                              << "initVideoMode: cannot start " << mode->getName() << ": "
                              << getDirectXError(result));
            window.destroy();
            currentVideoMode = nullptr;
            return false;
        }
    }
    if (theD3DRenderDriver)
        theD3DRenderDriver->updateD3DInterfaces();

    clearToBlack(framework.GetFrontBuffer(), mode->getWidth(), mode->getHeight());
    clearToBlack(framework.GetBackBuffer(), mode->getWidth(), mode->getHeight());

    g_pDevice = framework.GetD3DDevice();
    fillCapabilities();
    if (theD3DTextureManager)
        theD3DTextureManager->initVideoMode();
    if (theRenderStateManager) {
        theRenderStateManager->update();
        theRenderStateManager->setState(MS_DEFAULT);
        theRenderStateManager->setState(MS_RENDER_REGULAR);
        theRenderStateManager->setRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, TRUE);
        theRenderStateManager->setRenderState(D3DRENDERSTATE_SUBPIXEL, TRUE);
    }
    if (theD3DDegradingManager) {
        theD3DDegradingManager->update();
        theD3DDegradingManager->current();
    }
    if (theD3DRenderMaterialManager) {
        theD3DRenderMaterialManager->createDefaultMaterial();
        theD3DRenderMaterialManager->setDefaultMaterial();
    }
    theBitmapFonts.restoreAll();

    theD3DScreenShooter = new D3DScreenShooter(mode->getWidth(), mode->getHeight());
    theScreenShooter = theD3DScreenShooter;
    // Nothing else makes the capture surface before the first shot.
    theD3DScreenShooter->init();
    return true;
}

void Application::clearToBlack(IDirectDrawSurface4* surface, int width, int height) {
    if (!surface)
        return;
    RECT area = {0, 0, width, height};
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    surface->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL, &fx);
}

void Application::fillCapabilities() {
    std::memset(&theCapabilities, 0, sizeof theCapabilities);
    theCapabilities.hardware.dwSize = sizeof theCapabilities.hardware;
    theCapabilities.software.dwSize = sizeof theCapabilities.software;
    theCapabilities.driver.dwSize = sizeof theCapabilities.driver;
    theCapabilities.emulation.dwSize = sizeof theCapabilities.emulation;
    if (g_pDevice)
        g_pDevice->GetCaps(&theCapabilities.hardware, &theCapabilities.software);
    if (IDirectDraw4* directDraw = framework.GetDirectDraw())
        directDraw->GetCaps(&theCapabilities.driver, &theCapabilities.emulation);
}

void Application::termVideoMode() {
    if (theD3DTextureManager)
        theD3DTextureManager->termVideoMode();
    delete theD3DScreenShooter;
    theD3DScreenShooter = nullptr;
    theScreenShooter = nullptr;
    theBitmapFonts.releaseAll();
    if (theD3DRenderMaterialManager)
        theD3DRenderMaterialManager->destroyDefaultMaterial();
    if (theD3DTextureManager)
        theD3DTextureManager->flushTextures(0, TextureContainer::stageCount);
    if (theRenderStateManager)
        theRenderStateManager->flush();
    sprites::SpriteBuffer::drop();
    framework.ReleaseObjects();
    g_pDevice = nullptr;
    if (theD3DRenderDriver)
        theD3DRenderDriver->updateD3DInterfaces();
    window.destroy();
    currentVideoMode = nullptr;
}

void Application::changeVideoMode(const VideoMode*) {
    pause(true);
    DRIVER_FILTER << (debug::Message(2.0f) << "change video mode start");
    // Every device object goes, then comes back in the opposite order:
    // lights before the views, which attach them again.
    if (theD3DTextureManager)
        theD3DTextureManager->invalidateAll();
    if (theD3DRenderViewFactory)
        theD3DRenderViewFactory->invalidateAll();
    if (theD3DRenderLightFactory)
        theD3DRenderLightFactory->invalidateAll();
    if (theD3DRenderMaterialManager) {
        theD3DRenderMaterialManager->invalidateAll();
        theD3DRenderMaterialManager->restoreAll();
    }
    if (theD3DRenderLightFactory)
        theD3DRenderLightFactory->restoreAll();
    if (theD3DRenderViewFactory)
        theD3DRenderViewFactory->restoreAll();
    if (theD3DTextureManager)
        theD3DTextureManager->restoreAll();
    DRIVER_FILTER << (debug::Message(2.0f) << "change video mode finish");
    pause(false);
}

bool Application::validateVideoMode(const VideoMode* mode) {
    const auto* d3dMode = dynamic_cast<const D3DVideoMode*>(mode);
    return d3dMode && d3dMode->checkValid();
}

// ===========================================================================
// Messages, focus, fatal errors
// ===========================================================================

LRESULT Application::messageProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!debugInputEnabled())
            break;
        if (wParam == VK_CONTROL)
            ctrlDown = true;
        if (ctrlDown && (wParam == 'T' || wParam == 'S')) {
            const bool statistic = wParam == 'T';
            window.dialogBox(GetModuleHandleA(moduleName),
                             statistic ? "IDD_TEXTURE_STATISTIC" : "IDD_RENDER_SETTINGS",
                             window.getHandle(),
                             statistic ? textureStatisticDialogProc : renderSettingsDialogProc, 0);
            ctrlDown = false;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (wParam == VK_CONTROL)
            ctrlDown = false;
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND)
            return querySuspend(static_cast<unsigned long>(lParam));
        if (wParam == PBT_APMRESUMESUSPEND)
            return resumeSuspend(static_cast<unsigned long>(lParam));
        break;
    }
    return DefWindowProcA(handle, message, wParam, lParam);
}

void Application::getFocus() {
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

void Application::lostFocus() {
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
}

void Application::fatalHook() {
    if (!theD3DApplication || GetCurrentThreadId() != theD3DApplication->getCoreThreadID()) {
        DRIVER_FILTER << (debug::Message(2.0f) << "Fatal hook: outside driver thread");
        return;
    }
    theD3DApplication->framework.ShowGdiSurface(TRUE);
    DRIVER_FILTER << (debug::Message(2.0f) << "Fatal hook: inside driver thread");
}
