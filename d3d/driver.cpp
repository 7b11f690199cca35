#include "driver.h"

#include "application.h"
#include "driver_filter.h"
#include "states.h"
#include "tmanager.h"

#include <engine/config.h>
#include <engine/core/globals.h>
#include <engine/debug.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

// ===========================================================================
// Video modes
// ===========================================================================

namespace {

// Exactly the text's length plus the terminator.
std::shared_ptr<char[]> formatString(const char* format, const char* a, const char* b,
                                     const char* c = nullptr) {
    const int length =
        c ? std::snprintf(nullptr, 0, format, a, b, c) : std::snprintf(nullptr, 0, format, a, b);
    const size_t size = static_cast<size_t>(std::max(length, 0)) + 1;
    std::shared_ptr<char[]> text(new char[size]);
    if (c)
        std::snprintf(text.get(), size, format, a, b, c);
    else
        std::snprintf(text.get(), size, format, a, b);
    return text;
}

std::shared_ptr<char[]> copyString(const char* from) {
    const size_t size = std::strlen(from) + 1;
    std::shared_ptr<char[]> text(new char[size]);
    std::memcpy(text.get(), from, size);
    return text;
}

int desktopBitsPerPixel() {
    const HWND desktop = GetDesktopWindow();
    const HDC dc = GetDC(desktop);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(desktop, dc);
    return bits;
}

HRESULT acceptEveryDevice(const DDCAPS*, const D3DDEVICEDESC*) {
    return 0;
}

}  // namespace

D3DVideoMode::D3DVideoMode(D3DEnum_DriverInfo* driver, D3DEnum_DeviceInfo* device,
                           D3DEnum_ModeInfo* mode)
    : name(formatString("%s %s %s", driver->description, device->name, mode->text)),
      deviceName(copyString(driver->description)),
      modeName(formatString("%s %s", device->name, mode->text)),
      width(static_cast<int>(mode->description.dwWidth)),
      height(static_cast<int>(mode->description.dwHeight)),
      colorDepth(static_cast<int>(mode->description.ddpfPixelFormat.dwRGBBitCount)),
      hardware(device->hardware != FALSE),
      windowed(false),
      backBufferCount(static_cast<int>(mode->description.dwBackBufferCount)),
      driverInfo(driver),
      deviceInfo(device),
      modeInfo(mode) {}

bool D3DVideoMode::compareVideoMode(const D3DEnum_DriverInfo* driver,
                                    const D3DEnum_DeviceInfo* device,
                                    const D3DEnum_ModeInfo* mode) const {
    return driverInfo == driver && deviceInfo == device && modeInfo == mode;
}

bool D3DVideoMode::checkValid() const {
    return !windowed || desktopBitsPerPixel() == colorDepth;
}

D3DVideoModeList::~D3DVideoModeList() {
    clear();
}

void D3DVideoModeList::build() {
    clear();
    // The result only says whether a default exists; an empty enumeration
    // simply gives an empty list.
    D3DEnum_Enumerate(acceptEveryDevice);
    for (D3DEnum_DriverInfo* d = D3DEnum_GetFirstDriver(); d; d = d->next)
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next)
            for (D3DEnum_ModeInfo* m = dev->firstMode; m; m = m->next)
                videoModes.push_back(new D3DVideoMode(d, dev, m));

    D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE);
    D3DEnum_DriverInfo* driver = nullptr;
    D3DEnum_DeviceInfo* device = nullptr;
    if (D3DEnum_GetSelected(&driver, &device) == D3DENUM_OK && device) {
        fallbackDriver = driver;
        fallbackDevice = device;
        fallbackMode = device->currentMode;
    }
}

void D3DVideoModeList::clear() {
    for (VideoMode* mode : videoModes)
        delete mode;
    videoModes.clear();
    fallbackDriver = nullptr;
    fallbackDevice = nullptr;
    fallbackMode = nullptr;
    D3DEnum_Free();
}

VideoMode* D3DVideoModeList::createWindowedVideoMode(const VideoMode* mode, int width, int height) {
    const auto* from = dynamic_cast<const D3DVideoMode*>(mode);
    if (!from || width <= 0 || height <= 0)
        return nullptr;
    auto made = std::unique_ptr<D3DVideoMode>(
        new D3DVideoMode(from->driverInfo, from->deviceInfo, from->modeInfo));
    made->windowed = true;
    made->width = width;
    made->height = height;
    if (!made->checkValid())
        return nullptr;
    videoModes.push_back(made.get());
    return made.release();
}

void D3DVideoModeList::deleteVideoMode(VideoMode* mode) {
    const auto found = std::find(videoModes.begin(), videoModes.end(), mode);
    if (found == videoModes.end())
        return;
    videoModes.erase(found);
    delete mode;
}

bool D3DVideoModeList::validateVideoMode(const VideoMode* mode) const {
    const auto* d3dMode = dynamic_cast<const D3DVideoMode*>(mode);
    return d3dMode && d3dMode->checkValid();
}

VideoMode* D3DVideoModeList::chooseDefault(const WantedVideoMode& wanted) {
    // Windowed variants are appended while walking: walk the enumerated ones.
    const size_t count = videoModes.size();
    for (size_t i = 0; i < count; ++i) {
        const auto* mode = dynamic_cast<const D3DVideoMode*>(videoModes[i]);
        if (!mode || mode->isHardware() != wanted.hardware)
            continue;
        if (!wanted.device.empty() &&
            std::strstr(mode->getName(), wanted.device.c_str()) == nullptr)
            continue;
        if (wanted.windowed) {
            if (VideoMode* made =
                    createWindowedVideoMode(mode, wanted.xResolution, wanted.yResolution))
                return made;
            continue;
        }
        if (mode->getWidth() == wanted.xResolution && mode->getHeight() == wanted.yResolution &&
            mode->getColorDepth() == wanted.colorDepth)
            return videoModes[i];
    }
    return nullptr;
}

VideoMode* D3DVideoModeList::findFallback() const {
    for (VideoMode* mode : videoModes) {
        const auto* d3dMode = dynamic_cast<const D3DVideoMode*>(mode);
        if (d3dMode && d3dMode->compareVideoMode(fallbackDriver, fallbackDevice, fallbackMode))
            return mode;
    }
    return nullptr;
}

// ===========================================================================
// Driver settings
// ===========================================================================

DriverSettings g_driverSettings;

std::optional<int> tracerQualityLevel(const std::string& name) {
    static const char* const names[] = {"low", "normal", "high", "extra"};
    for (int level = 0; level < 4; ++level)
        if (name == names[level])
            return level;
    return std::nullopt;
}

// ===========================================================================
// The driver
// ===========================================================================

namespace {

const char* const sourcePath = "3d/driver/d3d/driver";

// Operations whose collaborators (the Application and its core thread, the
// frame loop, fonts, the mouse) are not part of this build say so instead of
// pretending to work.
void reportUnavailable(const char* operation) {
    DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                      << "D3DRenderDriver::" << operation << " is not available yet");
}

std::uint8_t toByte(float component) {
    const float c = component > 0.0f ? (component < 1.0f ? component : 1.0f) : 0.0f;
    return static_cast<std::uint8_t>(c * 255.0f + 0.5f);
}

}  // namespace

D3DRenderDriver::D3DRenderDriver() {
    setIdlingState(false);
    videoModes.build();
    readSettings();
    chooseDefaultVideoMode();
}

D3DRenderDriver::~D3DRenderDriver() {
    // The font registry is emptied here once fonts exist.
    videoModes.clear();
    delete[] infoString.exchange(nullptr);
}

void D3DRenderDriver::readSettings() {
    DriverSettings& s = g_driverSettings;
    s.wanted = WantedVideoMode();
    s.tracerQuality = "extra";
    s.wBuffer = false;
    s.mouseUpdateFrequency = 100.0f;

    config::Config file;
    file.readFile("/Configs/system.cfg");  // a missing file leaves the defaults
    config::Block* driver = nullptr;
    if (file.getPropertyAccess("Driver", &driver) && driver) {
        driver->getProperty("showStatistic", &s.showStatistic);
        driver->getProperty("showFPS", &s.showFPS);
        driver->getProperty("mipmaps", &s.mipmaps);
        driver->getProperty("dithering", &s.dithering);
        driver->getProperty("specular", &s.specular);
        driver->getProperty("antialiasing", &s.antialiasing);
        driver->getProperty("subPixel", &s.subPixel);
        driver->getProperty("anisotropy", &s.anisotropy);
        driver->getProperty("wBuffer", &s.wBuffer);
        driver->getProperty("tracerQuality", &s.tracerQuality);
        driver->getProperty("textureScaleFactor", &s.textureScaleFactor);
        driver->getProperty("showTracerResults", &s.showTracerResults);
        driver->getProperty("mouseUpdateFrequency", &s.mouseUpdateFrequency);
        driver->getProperty("fullScreenWindow", &s.fullScreenWindow);
        config::Block* mode = nullptr;
        if (driver->getPropertyAccess("DefaultVideoMode", &mode) && mode) {
            mode->getProperty("xResolution", &s.wanted.xResolution);
            mode->getProperty("yResolution", &s.wanted.yResolution);
            mode->getProperty("windowed", &s.wanted.windowed);
            mode->getProperty("hardware", &s.wanted.hardware);
            mode->getProperty("colorDepth", &s.wanted.colorDepth);
            mode->getProperty("device", &s.wanted.device);
        }
    }

    if (!(s.mouseUpdateFrequency > 0.0f)) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "mouseUpdateFrequency must be positive, not " << s.mouseUpdateFrequency
                          << "; using 100");
        s.mouseUpdateFrequency = 100.0f;
    }
    s.mousePeriod = 1.0f / s.mouseUpdateFrequency;
    s.depthBufferMode = s.wBuffer ? 2 : 1;
    // tracerQualityLevel(s.tracerQuality) becomes the degrading manager's
    // initial level here once the degrading manager exists.
}

void D3DRenderDriver::chooseDefaultVideoMode() {
    defaultVideoMode = videoModes.chooseDefault(g_driverSettings.wanted);
    if (defaultVideoMode)
        return;
    DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                      << "Can't find default video mode. Check system.cfg!");
    defaultVideoMode = videoModes.findFallback();
}

void D3DRenderDriver::initVideoMode(const VideoMode* mode) {
    if (!mode || !theD3DApplication) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "initVideoMode: " << (mode ? "no application" : "no video mode"));
        return;
    }
    theD3DApplication->restoreCore();
    theD3DApplication->sendCommand(Application::CMD_INIT_VIDEO_MODE, const_cast<VideoMode*>(mode));
    screenWidth = mode->getWidth();
    screenHeight = mode->getHeight();
    // The mouse is made here once it exists.
}

void D3DRenderDriver::termVideoMode() {
    if (!theD3DApplication || !theD3DApplication->getCoreThreadID())
        return;  // no video mode to end
    theD3DApplication->sendCommand(Application::CMD_TERM_VIDEO_MODE, nullptr);
    theD3DApplication->releaseCore();
    screenWidth = 0;
    screenHeight = 0;
}

void D3DRenderDriver::changeVideoMode(const VideoMode* mode) {
    if (!theD3DApplication || !theD3DApplication->getCoreThreadID())
        return;
    // Waits for a frame in progress to end. The lock is not kept while the
    // core thread works: it may be about to take it for its next frame, and
    // it carries out commands only between frames anyway.
    { thread::Lock guard(this); }
    theD3DApplication->sendCommand(Application::CMD_CHANGE_VIDEO_MODE,
                                   const_cast<VideoMode*>(mode));
}

void D3DRenderDriver::updateD3DInterfaces() {
    directDraw = g_pFramework ? g_pFramework->GetDirectDraw() : nullptr;
    direct3D = g_pFramework ? g_pFramework->GetDirect3D() : nullptr;
    device = g_pFramework ? g_pFramework->GetD3DDevice() : nullptr;
}

void D3DRenderDriver::checkSurfaces() {
    DRIVER_FILTER << (debug::Message(1.0f) << "checkSurfaces");
    if (theD3DTextureManager)
        theD3DTextureManager->checkAll();
}

IDirectDrawSurface4* D3DRenderDriver::getFrontBuffer() const {
    return g_pFramework ? g_pFramework->GetFrontBuffer() : nullptr;
}

IDirectDrawSurface4* D3DRenderDriver::getBackBuffer() const {
    return g_pFramework ? g_pFramework->GetBackBuffer() : nullptr;
}

IDirectDrawSurface4* D3DRenderDriver::getRenderSurface() const {
    return g_pFramework ? g_pFramework->GetRenderSurface() : nullptr;
}

bool D3DRenderDriver::validateVideoMode(const VideoMode* mode) {
    return videoModes.validateVideoMode(mode);
}

bool D3DRenderDriver::initFrame(float) {
    reportUnavailable("initFrame");
    return false;
}

void D3DRenderDriver::termFrame() {
    reportUnavailable("termFrame");
}

void D3DRenderDriver::initView(RenderView&) {
    reportUnavailable("initView");
}

void D3DRenderDriver::termView() {
    reportUnavailable("termView");
}

VideoMode* D3DRenderDriver::createWindowedVideoMode(const VideoMode* mode, int width, int height) {
    return videoModes.createWindowedVideoMode(mode, width, height);
}

void D3DRenderDriver::deleteVideoMode(VideoMode* mode) {
    if (mode == defaultVideoMode && mode)
        defaultVideoMode = nullptr;
    videoModes.deleteVideoMode(mode);
}

const std::vector<VideoMode*>& D3DRenderDriver::getVideoModeList() const {
    return videoModes.getVideoModeList();
}

const VideoMode* D3DRenderDriver::getCurrentVideoMode() const {
    return theD3DApplication ? theD3DApplication->getCurrentVideoMode() : nullptr;
}

void D3DRenderDriver::renderLight(RenderLight*, const TMatrix&, const Vector&) {
    reportUnavailable("renderLight");
}

void D3DRenderDriver::renderMesh(RenderMeshShellInterface*) {
    reportUnavailable("renderMesh");
}

void D3DRenderDriver::renderDecal(RenderDecal2D*) {
    reportUnavailable("renderDecal");
}

void D3DRenderDriver::renderLine(RenderLine*) {
    reportUnavailable("renderLine");
}

void D3DRenderDriver::registerPointedObject(RenderMeshListener*, float) {
    reportUnavailable("registerPointedObject");
}

void D3DRenderDriver::setMousePointerPosition(float, float) {
    reportUnavailable("setMousePointerPosition");
}

void D3DRenderDriver::registerListener(RenderDriverListener* listener, int priority) {
    FrameListeners::registerListener(listener, priority);
}

void D3DRenderDriver::unregisterListener(RenderDriverListener* listener) {
    FrameListeners::unregisterListener(listener);
}

void D3DRenderDriver::registerListener(ReconfigurationDriverListener* listener, int priority) {
    ReconfigurationListeners::registerListener(listener, priority);
}

void D3DRenderDriver::unregisterListener(ReconfigurationDriverListener* listener) {
    ReconfigurationListeners::unregisterListener(listener);
}

Vector D3DRenderDriver::projectVector(const Vector&, RenderView*) {
    reportUnavailable("projectVector");
    return Vector();
}

FontInterface* D3DRenderDriver::registerFont(const char*) {
    reportUnavailable("registerFont");
    return nullptr;
}

void D3DRenderDriver::addInfoString(const char* text) {
    char* copy = nullptr;
    if (text) {
        const size_t size = std::strlen(text) + 1;
        copy = new char[size];
        std::memcpy(copy, text, size);
    }
    delete[] infoString.exchange(copy);
}

// Run control and views belong to the Application. Without a core thread
// there is nothing to command: the call is refused with an error.
namespace {
bool coreRunning(const char* operation) {
    if (theD3DApplication && theD3DApplication->getCoreThreadID())
        return true;
    DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                      << "D3DRenderDriver::" << operation << " without a video mode");
    return false;
}
}  // namespace

void D3DRenderDriver::registerView(View* view) {
    if (theD3DApplication)
        theD3DApplication->registerView(view);
}

void D3DRenderDriver::unregisterView(View* view) {
    if (theD3DApplication)
        theD3DApplication->unregisterView(view);
}

void D3DRenderDriver::start() {
    if (coreRunning("start"))
        theD3DApplication->start();
}

void D3DRenderDriver::stop() {
    if (coreRunning("stop"))
        theD3DApplication->stop();
}

void D3DRenderDriver::draw() {
    if (coreRunning("draw"))
        theD3DApplication->draw();
}

void D3DRenderDriver::setFPS(float fps) {
    if (!(fps > 0.0f)) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "setFPS: the rate must be positive, not " << fps);
        return;
    }
    if (theD3DApplication)
        theD3DApplication->setFPS(fps);
}

bool D3DRenderDriver::isCursorSupported() {
    reportUnavailable("isCursorSupported");
    return false;
}

bool D3DRenderDriver::enableCursor() {
    reportUnavailable("enableCursor");
    return false;
}

bool D3DRenderDriver::disableCursor() {
    reportUnavailable("disableCursor");
    return false;
}

bool D3DRenderDriver::showCursor() {
    reportUnavailable("showCursor");
    return false;
}

bool D3DRenderDriver::hideCursor() {
    reportUnavailable("hideCursor");
    return false;
}

bool D3DRenderDriver::setCursorAxisSpeed(float, float) {
    reportUnavailable("setCursorAxisSpeed");
    return false;
}

bool D3DRenderDriver::setCursorSize(int, int) {
    reportUnavailable("setCursorSize");
    return false;
}

bool D3DRenderDriver::setCursorImage(RenderImage*) {
    reportUnavailable("setCursorImage");
    return false;
}

bool D3DRenderDriver::setCursorColorKey(const Color&) {
    reportUnavailable("setCursorColorKey");
    return false;
}

bool D3DRenderDriver::getCursorOffset(float*, float*) {
    reportUnavailable("getCursorOffset");
    return false;
}

bool D3DRenderDriver::setCursorHotspot(int, int) {
    reportUnavailable("setCursorHotspot");
    return false;
}

// The device's 32-bit colour form: A8R8G8B8.
void D3DRenderDriver::setBackgroundColor(const Color& color, bool clear) {
    backgroundColor = (std::uint32_t{toByte(color.a)} << 24) |
                      (std::uint32_t{toByte(color.r)} << 16) |
                      (std::uint32_t{toByte(color.g)} << 8) | std::uint32_t{toByte(color.b)};
    clearTarget = clear;
}

void D3DRenderDriver::disableIdlingMode() {
    idlingMode = false;
    std::printf("\n");
}

void D3DRenderDriver::setIdlingFPS(float fps) {
    if (!(fps > 0.0f)) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "setIdlingFPS: the rate must be positive, not " << fps);
        return;
    }
    idlingStep = 1.0f / fps;
}

// ===========================================================================
// Library lifecycle
// ===========================================================================

D3DRenderDriver* theD3DRenderDriver = nullptr;
bool g_sortAlpha = true;
Capabilities theCapabilities;
IDirect3DDevice3* g_pDevice = nullptr;
std::atomic<bool> surfacesLost{false};

namespace {

DEVMODEA desktopMode;
int exitHookId = -1;

void restoreDesktopMode() {
    ChangeDisplaySettingsA(&desktopMode, 0);
}

}  // namespace

bool sortAlphaForEnvironment() {
    char os[64] = "Unknown";
    GetEnvironmentVariableA("OS", os, sizeof os);
    os[sizeof os - 1] = '\0';
    return strcasecmp(os, "Windows_NT") != 0;
}

void initDriver() {
    DRIVER_FILTER << (debug::Message(2.0f) << "initDriver");

    // The degrading manager, the view, light, decal, mesh, image and line
    // factories and the render texture and material managers are made here,
    // before the driver, which sets the degrading manager's level.
    theD3DTextureManager = new D3DTextureManager;
    theD3DRenderDriver = new D3DRenderDriver;

    // Engine globals, in their order: theDegradingManager, theRenderViewFactory,
    // theRenderLightFactory, theRenderDriver, theRenderMaterialManager,
    // theRenderTextureManager, theRenderDecalFactory. Only the driver exists.
    theRenderDriver = theD3DRenderDriver;

    theRenderStateManager = new RenderStateManager;
    // The special-effect factory comes here.
    new Application;  // publishes itself in theD3DApplication
    // The video factory follows here.

    g_sortAlpha = sortAlphaForEnvironment();

    std::memset(&desktopMode, 0, sizeof desktopMode);
    desktopMode.dmSize = sizeof desktopMode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktopMode);
    // A fatal exit must not leave the desktop in a game resolution.
    exitHookId = debug::System::addExitHook(restoreDesktopMode);
}

void termDriver() {
    if (exitHookId >= 0) {
        debug::System::delExitHook(exitHookId);
        exitHookId = -1;
    }
    restoreDesktopMode();

    DRIVER_FILTER << (debug::Message(2.0f) << "termDriver");

    // The video factory is deleted first, then the special-effect factory.
    delete theD3DRenderDriver;
    theD3DRenderDriver = nullptr;
    // Then the line, decal, image and mesh factories.
    delete theD3DTextureManager;
    theD3DTextureManager = nullptr;
    // Then the material and render texture managers, the light and view
    // factories, the degrading manager.
    delete theRenderStateManager;
    theRenderStateManager = nullptr;
    delete theD3DApplication;
    theRenderDriver = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        initDriver();
    else if (reason == DLL_PROCESS_DETACH)
        termDriver();
    return TRUE;
}
