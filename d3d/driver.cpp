#include "driver.h"

#include "application.h"
#include "degrading_manager.h"
#include "driver_filter.h"
#include "mouse/mouse.h"
#include "rfonts.h"
#include "rimage.h"
#include "dxerror.h"
#include "rfactory.h"
#include "rtexture.h"
#include "rview.h"
#include "screensh.h"
#include "special/factory.h"
#include "states.h"
#include "tmanager.h"
#include "video/video_factory.h"

#include <engine/config.h>
#include <engine/core/deferred.h>
#include <engine/core/globals.h>
#include <engine/core/render_light.h>
#include <engine/core/render_mesh_listener.h>
#include <engine/core/render_mesh_shell.h>
#include <engine/core/render_view.h>
#include <engine/debug.h>
#include <engine/timer.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <strings.h>
#include <utility>

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

// The last tested DirectX result of this unit, per thread: the engine's
// threads call in beside the core thread.
thread_local HRESULT hr = DD_OK;

// Bad call orders from the engine are reported, not acted on.
void reportMisuse(const char* text) {
    DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__)) << text);
}

float clampUnit(float value) {
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

// One statistics line: a dark shadow one pixel down and right, then the text.
void drawStatisticLine(HDC dc, int x, int y, const std::string& text) {
    const UINT length = static_cast<UINT>(text.size());
    SetTextColor(dc, RGB(100, 100, 0));
    ExtTextOutA(dc, x + 151, y + 1, 0, nullptr, text.c_str(), length, nullptr);
    SetTextColor(dc, RGB(255, 255, 0));
    ExtTextOutA(dc, x + 150, y, 0, nullptr, text.c_str(), length, nullptr);
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
    theBitmapFonts.clear();
    videoModes.clear();
    delete[] infoString.exchange(nullptr);
}

void D3DRenderDriver::readSettings() {
    // A second load starts from the defaults too, not from the first file.
    DriverSettings& s = g_driverSettings;
    s = DriverSettings();

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
    // Any other text leaves the level as the manager's constructor set it.
    if (const std::optional<int> level = tracerQualityLevel(s.tracerQuality))
        if (theD3DDegradingManager)
            theD3DDegradingManager->setQualityLevel(*level);
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
    if (theD3DApplication->getCoreThreadID()) {
        // A second core thread would draw beside the first one.
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "initVideoMode: a video mode is already set");
        return;
    }
    theD3DApplication->restoreCore();
    if (!theD3DApplication->sendCommand(Application::CMD_INIT_VIDEO_MODE,
                                        const_cast<VideoMode*>(mode))) {
        // Refused and reported by the core thread; nothing of the mode is left.
        theD3DApplication->releaseCore();
        return;
    }
    screenWidth = mode->getWidth();
    screenHeight = mode->getHeight();
    mouse = std::make_unique<Mouse>();
}

void D3DRenderDriver::termVideoMode() {
    if (!theD3DApplication || !theD3DApplication->getCoreThreadID())
        return;  // no video mode to end
    // The mouse thread calls the driver: end it before the mouse goes.
    if (mouse)
        mouse->stopSampling();
    mouse.reset();
    theD3DApplication->sendCommand(Application::CMD_TERM_VIDEO_MODE, nullptr);
    theD3DApplication->releaseCore();
    screenWidth = 0;
    screenHeight = 0;
}

void D3DRenderDriver::changeVideoMode(const VideoMode* mode) {
    if (!theD3DApplication || !theD3DApplication->getCoreThreadID())
        return;
    // Waits for a frame in progress to end. The lock is not kept while the
    // core thread works: it takes the lock itself for the change, and may be
    // about to take it for its next frame.
    { thread::Lock guard(this); }
    theD3DApplication->sendCommand(Application::CMD_CHANGE_VIDEO_MODE,
                                   const_cast<VideoMode*>(mode));
}

void D3DRenderDriver::updateD3DInterfaces() {
    directDraw = g_pFramework ? g_pFramework->GetDirectDraw() : nullptr;
    direct3D = g_pFramework ? g_pFramework->GetDirect3D() : nullptr;
    device = g_pFramework ? g_pFramework->GetD3DDevice() : nullptr;
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

// ---------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------

namespace {

// Ends the frame (releases the driver lock) when the scope is left, unless
// the frame was begun successfully.
class FrameAbort {
public:
    explicit FrameAbort(std::function<void()> end) : end(std::move(end)) {}
    ~FrameAbort() {
        if (end)
            end();
    }
    FrameAbort(const FrameAbort&) = delete;
    FrameAbort& operator=(const FrameAbort&) = delete;
    void dismiss() { end = nullptr; }

private:
    std::function<void()> end;
};

}  // namespace

void D3DRenderDriver::beginFrame() {
    lock();
    frameInProgress = true;
}

void D3DRenderDriver::endFrame() {
    frameInProgress = false;
    unlock();
}

bool D3DRenderDriver::initFrame(float time) {
    if (frameInProgress) {
        reportMisuse("initFrame: the previous frame was not terminated");
        return false;
    }
    idlingFrame = idlingMode;
    setIdlingState(idlingFrame);
    return idlingFrame ? initIdlingFrame(time) : initRenderedFrame(time);
}

bool D3DRenderDriver::initIdlingFrame(float time) {
    beginFrame();
    FrameAbort abort([this] { endFrame(); });
    std::fputs("####################\n### idling frame ###\n####################\n", stdout);
    std::fflush(stdout);
    previousFrameTime = frameTime;
    frameTime += idlingStep;
    // The next rendered frame continues from here.
    timeOffset = time - frameTime;
    FrameListeners::deliver(&RenderDriverListener::initFrame, frameTime);
    abort.dismiss();
    return true;
}

bool D3DRenderDriver::initRenderedFrame(float time) {
    if (!directDraw || !g_pDevice || !g_pFramework) {
        if (!std::exchange(noDeviceReported, true))
            reportMisuse("initFrame: there is no device");
        return false;
    }
    noDeviceReported = false;
    beginFrame();
    FrameAbort abort([this] { endFrame(); });
    if (!DX_TEST(hr = directDraw->TestCooperativeLevel(), sourcePath)) {
        surfacesLost = true;
        return false;
    }
    advanceClock(time);
    clearFrame();
    if (!DX_TEST(hr = g_pDevice->BeginScene(), sourcePath))
        return false;
    FrameListeners::deliver(&RenderDriverListener::initFrame, frameTime);
    if (theD3DTextureManager)
        theD3DTextureManager->initFrame();  // retries the surfaces that failed
    abort.dismiss();
    return true;
}

void D3DRenderDriver::advanceClock(float time) {
    float t = time - timeOffset;
    if (t - frameTime > 0.1f) {
        t = frameTime + 0.1f;
        timeOffset = time - t;
    }
    previousFrameTime = frameTime;
    frameTime = t;
}

void D3DRenderDriver::clearFrame() {
    IDirect3DViewport3* viewport = g_pFramework->GetViewport();
    if (!viewport)
        return;
    D3DVIEWPORT2 data{};
    data.dwSize = sizeof data;
    viewport->GetViewport2(&data);
    D3DRECT rect{};
    rect.x1 = 0;
    rect.y1 = 0;
    rect.x2 = static_cast<LONG>(data.dwWidth);
    rect.y2 = static_cast<LONG>(data.dwHeight);
    if (backgroundImage) {
        // The image covers the target: only the depth buffer is cleared.
        viewport->Clear2(1, &rect, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        drawBackgroundImage(static_cast<int>(data.dwWidth), static_cast<int>(data.dwHeight));
        return;
    }
    const DWORD flags = D3DCLEAR_ZBUFFER | (clearTarget ? D3DCLEAR_TARGET : 0u);
    viewport->Clear2(1, &rect, flags, backgroundColor, 1.0f, 0);
}

// Stretched over the whole viewport. A failing blit leaves the frame without
// its background rather than without the frame.
void D3DRenderDriver::drawBackgroundImage(int width, int height) {
    auto* image = dynamic_cast<D3DRenderImage*>(backgroundImage->getRenderImage());
    IDirectDrawSurface4* target = getRenderSurface();
    if (!image || !target) {
        DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                          << "initFrame: the background image has no render image");
        return;
    }
    try {
        image->draw(target, 0, 0, width, height, 0, 0, image->getWidth(), image->getHeight(),
                    width, height, false);
    } catch (const DrawException& e) {
        DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                          << "initFrame: background image: " << e.what());
    }
}

void D3DRenderDriver::termFrame() {
    if (!frameInProgress) {
        reportMisuse("termFrame: no frame was initialised");
        return;
    }
    // The lock is released also when a listener throws.
    FrameAbort end([this] { endFrame(); });
    if (idlingFrame)
        termIdlingFrame();
    else
        termRenderedFrame();
}

void D3DRenderDriver::termIdlingFrame() {
    deferred2D.clear();
    FrameListeners::deliver(&RenderDriverListener::termFrame, frameTime);
}

void D3DRenderDriver::termRenderedFrame() {
    if (theD3DTextureManager)
        theD3DTextureManager->termFrame();
    drawDeferred2D();
    FrameListeners::deliver(&RenderDriverListener::termFrame, frameTime);
    // The device may have been taken away during the frame: end quietly.
    if (!g_pDevice || !g_pFramework)
        return;
    g_pDevice->EndScene();
    if (g_driverSettings.showFPS || g_driverSettings.showStatistic)
        drawStatistics();
    if (theD3DScreenShooter)
        theD3DScreenShooter->termFrame();
    if (g_pFramework->PresentFrame() == DDERR_SURFACELOST)
        surfacesLost = true;
}

void D3DRenderDriver::drawDeferred2D() {
    try {
        deferred2D.drawAll();
    } catch (...) {
        // debug::Exception, any std::exception or anything else: the rest
        // of the list waits for the next frame's objects. Surfaces lost in a
        // focus or mode change fail the draw as expected: they are restored
        // before the next frame, and that is no news for the log.
        IDirectDrawSurface4* const front = getFrontBuffer();
        if (front && front->IsLost() == DDERR_SURFACELOST)
            surfacesLost = true;
        else
            DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                              << "draw exception catched and skipped");
    }
    deferred2D.clear();
}

void D3DRenderDriver::drawStatistics() {
    IDirectDrawSurface4* target = nullptr;
    if (!DX_TEST(hr = g_pDevice->GetRenderTarget(&target), sourcePath) || !target)
        return;
    HDC dc = nullptr;
    if (target->GetDC(&dc) == DD_OK && dc) {
        SetBkMode(dc, TRANSPARENT);
        const double now = theTimer ? theTimer->getTime() : 0.0;
        if (g_driverSettings.showFPS) {
            const double fps = frameRates.addFrame(now);
            drawStatisticLine(dc, 2, -14 + 16, formatFrameRate(fps, getCurrentVideoMode()));
        }
        target->ReleaseDC(dc);
    }
    target->Release();
}

// ---------------------------------------------------------------------------
// Views
// ---------------------------------------------------------------------------

void D3DRenderDriver::initView(RenderView& view) {
    if (!idlingFrame) {
        view.render();
        // The last view ended with the alpha states (no depth writes, blending
        // on); its opaque meshes would otherwise not write depth.
        if (theRenderStateManager)
            theRenderStateManager->setState(MS_RENDER_REGULAR);
    }
    currentRenderView = &view;
    if (!idlingFrame) {
        mouseX = pendingMouseX;
        mouseY = pendingMouseY;
    }
    FrameListeners::deliver(&RenderDriverListener::initView, &view);
}

void D3DRenderDriver::termView() {
    FrameListeners::deliver(&RenderDriverListener::termView, currentRenderView);
    const bool setStates = !idlingFrame && theRenderStateManager;
    if (setStates) {
        theRenderStateManager->setState(MS_RENDER_REGULAR);
        theRenderStateManager->setState(RS_TEXTUREFACTOR, 0xFFFFFFFFu);
    }
    renderDeferredRenderObjects();
    if (setStates)
        theRenderStateManager->setState(MS_RENDER_ALPHA);
    setDeferredAlphaSorting(g_sortAlpha);
    renderDeferredAlphaObjects();
    if (!idlingFrame && currentRenderView)
        settlePointedObject(*currentRenderView);
    currentRenderView = nullptr;
}

void D3DRenderDriver::settlePointedObject(RenderView& view) {
    PointedObjectRecord& record = view.getPointedObjectRecord();
    if (record.previous != record.current) {
        if (record.previous)
            record.previous->pointerLeft(record.current);
        if (record.current)
            record.current->pointerEntered(record.previous);
    }
    record.previous = record.current;
    record.current = nullptr;
    record.currentDistance = 0.0f;
    record.empty = 1;
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

void D3DRenderDriver::renderLight(RenderLight* light, const TMatrix& orientation,
                                  const Vector& position) {
    if (!light) {
        reportMisuse("renderLight: no light");
        return;
    }
    light->render(orientation, position);
}

void D3DRenderDriver::renderMesh(RenderMeshShellInterface* mesh) {
    if (!mesh) {
        reportMisuse("renderMesh: no mesh");
        return;
    }
    mesh->render();
}

void D3DRenderDriver::renderDecal(RenderDecal2D* decal) {
    deferred2D.add(decal);
}

void D3DRenderDriver::renderLine(RenderLine* line) {
    deferred2D.add(line);
}

void D3DRenderDriver::registerPointedObject(RenderMeshListener* listener, float distance) {
    // Outside a view there is no record to offer the candidate to: ignored.
    if (!listener || !currentRenderView)
        return;
    PointedObjectRecord& record = currentRenderView->getPointedObjectRecord();
    bool better = record.empty || !record.current;
    if (!better) {
        const int priority = listener->getTracePriority();
        const int currentPriority = record.current->getTracePriority();
        better = priority > currentPriority ||
                 (priority == currentPriority && distance < record.currentDistance);
    }
    if (!better)
        return;
    record.current = listener;
    record.currentDistance = distance;
    record.empty = 0;
}

void D3DRenderDriver::setMousePointerPosition(float x, float y) {
    // Views see the position from their next initView on.
    pendingMouseX = clampUnit(x);
    pendingMouseY = clampUnit(y);
    if (mouse)
        mouse->setPointerPosition(x, y);
}

void D3DRenderDriver::checkSurfaces() {
    DRIVER_FILTER << (debug::Message(1.0f) << "checkSurfaces");
    if (theD3DTextureManager)
        theD3DTextureManager->checkAll();
}

void D3DRenderDriver::setWorldTransformation(const TMatrix& m, const Vector& t) {
    if (!g_pDevice)
        return;
    // Row i is column i of m: Direct3D multiplies row vectors.
    D3DMATRIX world{};
    world._11 = m[0][0];
    world._12 = m[1][0];
    world._13 = m[2][0];
    world._21 = m[0][1];
    world._22 = m[1][1];
    world._23 = m[2][1];
    world._31 = m[0][2];
    world._32 = m[1][2];
    world._33 = m[2][2];
    world._41 = t.x;
    world._42 = t.y;
    world._43 = t.z;
    world._44 = 1.0f;
    g_pDevice->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
}

IDirectDrawSurface4* D3DRenderDriver::getZBufferSurface() const {
    IDirectDrawSurface4* renderSurface = getRenderSurface();
    if (!renderSurface)
        return nullptr;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_ZBUFFER;
    IDirectDrawSurface4* depth = nullptr;
    if (!DX_TEST(hr = renderSurface->GetAttachedSurface(&caps, &depth), sourcePath))
        return nullptr;
    return depth;
}

unsigned long D3DRenderDriver::getZBufferValue(int x, int y) const {
    IDirectDrawSurface4* depth = getZBufferSurface();
    if (!depth)
        return 0;
    RECT pixel{x, y, x + 1, y + 1};
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    unsigned long value = 0;
    if (depth->Lock(&pixel, &desc, DDLOCK_READONLY | DDLOCK_WAIT, nullptr) == DD_OK) {
        if (desc.lpSurface) {
            // Read as 16 bits whatever the depth format.
            std::uint16_t bits = 0;
            std::memcpy(&bits, desc.lpSurface, sizeof bits);
            value = bits;
        }
        depth->Unlock(&pixel);
    }
    depth->Release();
    return value;
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

Vector D3DRenderDriver::projectVector(const Vector& v, RenderView* view) {
    const auto* d3dView = dynamic_cast<const D3DRenderView*>(view);
    if (!d3dView) {
        reportMisuse("projectVector: not a view of this driver");
        return Vector();
    }
    return d3dView->projectVector(v);
}

FontInterface* D3DRenderDriver::registerFont(const char* name) {
    thread::Lock guard(this);
    return theBitmapFonts.registerFont(name);
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

// The cursor operations act on the video mode's mouse; without a video mode
// there is none and they answer false.
bool D3DRenderDriver::isCursorSupported() {
    return Mouse::isCursorSupported();
}

bool D3DRenderDriver::enableCursor() {
    return mouse && mouse->enableCursor();
}

bool D3DRenderDriver::disableCursor() {
    return mouse && mouse->disableCursor();
}

bool D3DRenderDriver::showCursor() {
    return mouse && mouse->showCursor();
}

bool D3DRenderDriver::hideCursor() {
    return mouse && mouse->hideCursor();
}

bool D3DRenderDriver::setCursorAxisSpeed(float x, float y) {
    return mouse && mouse->setCursorAxisSpeed(x, y);
}

bool D3DRenderDriver::setCursorSize(int width, int height) {
    return mouse && mouse->setCursorSize(width, height);
}

// Only a 2D image's plain surface can be read into the overlay.
bool D3DRenderDriver::setCursorImage(RenderImage* image) {
    auto* picture = dynamic_cast<D3DRenderImage2D*>(image);
    if (!picture) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "setCursorImage: the cursor image must be a 2D image");
        return false;
    }
    if (!mouse)
        return false;
    // Not while another thread draws into the image.
    thread::Lock guard(*picture);
    IDirectDrawSurface4* surface = picture->getSurface();
    if (!surface) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "setCursorImage: the image has no surface");
        return false;
    }
    return mouse->setCursorImage(surface);
}

bool D3DRenderDriver::setCursorColorKey(const Color& key) {
    return mouse && mouse->setCursorColorKey(key);
}

bool D3DRenderDriver::getCursorOffset(float* x, float* y) {
    return mouse && mouse->getCursorOffset(x, y);
}

bool D3DRenderDriver::setCursorHotspot(int x, int y) {
    return mouse && mouse->setCursorHotspot(x, y);
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
// The engine's theRenderMeshFactory; the driver exports no global of its own.
D3DRenderMeshFactory* meshFactory = nullptr;
D3DRenderSpecialEffectFactory* effectFactory = nullptr;

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

    // The degrading manager comes before the driver, which sets its level.
    theD3DDegradingManager = new D3DDegradingManager;
    theD3DRenderViewFactory = new D3DRenderViewFactory;
    theD3DRenderLightFactory = new D3DRenderLightFactory;
    theD3DRenderTextureManager = new D3DRenderTextureManager;
    theD3DRenderMaterialManager = new D3DRenderMaterialManager;
    theD3DTextureManager = new D3DTextureManager;
    theD3DRenderDecalFactory = new D3DRenderDecalFactory;
    meshFactory = new D3DRenderMeshFactory;
    theRenderMeshFactory = meshFactory;
    theRenderImageFactory = new D3DRenderImageFactory;
    theRenderLineFactory = new D3DRenderLineFactory;
    theD3DRenderDriver = new D3DRenderDriver;

    // Engine globals, in their order: theDegradingManager, theRenderViewFactory,
    // theRenderLightFactory, theRenderDriver, theRenderMaterialManager,
    // theRenderTextureManager, theRenderDecalFactory.
    theDegradingManager = theD3DDegradingManager;
    theRenderViewFactory = theD3DRenderViewFactory;
    theRenderLightFactory = theD3DRenderLightFactory;
    theRenderDriver = theD3DRenderDriver;
    theRenderMaterialManager = theD3DRenderMaterialManager;
    theRenderTextureManager = theD3DRenderTextureManager;
    theRenderDecalFactory = theD3DRenderDecalFactory;

    theRenderStateManager = new RenderStateManager;
    effectFactory = new D3DRenderSpecialEffectFactory;
    theRenderSpecialEffectFactory = effectFactory;
    new Application;  // publishes itself in theD3DApplication
    theD3DVideoFactory = new D3DVideoFactory;
    theVideoFactory = theD3DVideoFactory;

    g_sortAlpha = sortAlphaForEnvironment();

    std::memset(&desktopMode, 0, sizeof desktopMode);
    desktopMode.dmSize = sizeof desktopMode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktopMode);
    // A fatal exit must not leave the desktop in a game resolution.
    exitHookId = debug::System::addExitHook(restoreDesktopMode);
}

void termDriver() {
    // The core thread may be inside a frame: it ends before anything it uses.
    if (theD3DRenderDriver)
        theD3DRenderDriver->termVideoMode();
    if (exitHookId >= 0) {
        debug::System::delExitHook(exitHookId);
        exitHookId = -1;
    }
    restoreDesktopMode();

    DRIVER_FILTER << (debug::Message(2.0f) << "termDriver");

    delete theD3DVideoFactory;
    theD3DVideoFactory = nullptr;
    theVideoFactory = nullptr;
    // The video factory is deleted first, then the special-effect factory.
    theRenderSpecialEffectFactory = nullptr;
    delete effectFactory;
    effectFactory = nullptr;
    delete theD3DRenderDriver;
    theD3DRenderDriver = nullptr;
    delete theRenderLineFactory;
    theRenderLineFactory = nullptr;
    theRenderDecalFactory = nullptr;
    delete theD3DRenderDecalFactory;
    theD3DRenderDecalFactory = nullptr;
    delete theRenderImageFactory;
    theRenderImageFactory = nullptr;
    theRenderMeshFactory = nullptr;
    delete meshFactory;
    meshFactory = nullptr;
    delete theD3DTextureManager;
    theD3DTextureManager = nullptr;
    theRenderMaterialManager = nullptr;
    delete theD3DRenderMaterialManager;
    theD3DRenderMaterialManager = nullptr;
    theRenderTextureManager = nullptr;
    delete theD3DRenderTextureManager;
    theD3DRenderTextureManager = nullptr;
    delete theD3DRenderLightFactory;
    theD3DRenderLightFactory = nullptr;
    theRenderLightFactory = nullptr;
    delete theD3DRenderViewFactory;
    theD3DRenderViewFactory = nullptr;
    theRenderViewFactory = nullptr;
    delete theD3DDegradingManager;
    theD3DDegradingManager = nullptr;
    theDegradingManager = nullptr;  // no dangling engine pointer
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
