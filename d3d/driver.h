// The render driver: its video modes, its settings and the driver object.
#pragma once

#include "d3dframe/d3denum.h"
#include "deferred_2d.h"
#include "deliverer.h"
#include "frame_rate.h"
#include "thread/synchronized.h"

#include <engine/core/reconfiguration_driver_listener.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_driver_listener.h>
#include <engine/core/tmatrix.h>
#include <engine/core/video_mode.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the library exports, as a DLL would; everything else stays hidden.
#define D3DDRIVER_API __attribute__((visibility("default")))

// ===========================================================================
// Video modes
// ===========================================================================

// One (driver, device, display mode) triple of the enumeration, full screen,
// or a windowed variant of it. The records are the enumeration's.
class D3DVideoMode : public VideoMode {
public:
    const char* getName() const override { return name.get(); }
    const char* getDeviceName() const override { return deviceName.get(); }
    const char* getModeName() const override { return modeName.get(); }
    int getWidth() const override { return width; }
    int getHeight() const override { return height; }
    int getColorDepth() const override { return colorDepth; }
    bool isHardware() const override { return hardware; }
    bool isWindowed() const override { return windowed; }
    int getID() const override { return 0; }
    ~D3DVideoMode() override = default;

    int getBackBufferCount() const { return backBufferCount; }

    // Copies share the strings, as every copy names the same triple.
    D3DVideoMode(const D3DVideoMode&) = default;
    D3DVideoMode& operator=(const D3DVideoMode&) = default;

private:
    friend class D3DVideoModeList;
    friend class D3DRenderDriver;
    friend class Application;

    D3DVideoMode(D3DEnum_DriverInfo* driver, D3DEnum_DeviceInfo* device, D3DEnum_ModeInfo* mode);

    D3DEnum_DriverInfo* getDriverInfo() const { return driverInfo; }
    D3DEnum_DeviceInfo* getDeviceInfo() const { return deviceInfo; }
    D3DEnum_ModeInfo* getModeInfo() const { return modeInfo; }
    bool compareVideoMode(const D3DEnum_DriverInfo* driver, const D3DEnum_DeviceInfo* device,
                          const D3DEnum_ModeInfo* mode) const;
    // A windowed mode needs the desktop at its colour depth.
    bool checkValid() const;

    std::shared_ptr<char[]> name;
    std::shared_ptr<char[]> deviceName;
    std::shared_ptr<char[]> modeName;
    int width = 0;
    int height = 0;
    int colorDepth = 0;
    bool hardware = false;
    bool windowed = false;
    int backBufferCount = 0;
    D3DEnum_DriverInfo* driverInfo = nullptr;
    D3DEnum_DeviceInfo* deviceInfo = nullptr;
    D3DEnum_ModeInfo* modeInfo = nullptr;
};

// The video mode wanted by the configuration.
struct WantedVideoMode {
    int xResolution = 640;
    int yResolution = 480;
    bool windowed = false;
    bool hardware = true;
    int colorDepth = 16;
    std::string device;  // when not empty, must occur in the mode's name
};

// Every video mode the driver offers, in enumeration order, plus the windowed
// variants made later. Owns the modes and the enumeration records behind them.
class D3DVideoModeList {
public:
    D3DVideoModeList() = default;
    ~D3DVideoModeList();
    D3DVideoModeList(const D3DVideoModeList&) = delete;
    D3DVideoModeList& operator=(const D3DVideoModeList&) = delete;

    // Enumerates with a filter that accepts every device, makes one mode per
    // (driver, device, mode) and keeps the software default for the fallback.
    void build();
    // Deletes every mode, then frees the enumeration records.
    void clear();

    const std::vector<VideoMode*>& getVideoModeList() const { return videoModes; }
    // Null when `mode` is not a mode of this driver or cannot be windowed now.
    VideoMode* createWindowedVideoMode(const VideoMode* mode, int width, int height);
    // A mode that is not in the list is left alone.
    void deleteVideoMode(VideoMode* mode);
    bool validateVideoMode(const VideoMode* mode) const;

    // The first mode matching the wanted values, or null. A wanted windowed
    // mode is made (and added to the list) from the first fitting mode.
    VideoMode* chooseDefault(const WantedVideoMode& wanted);
    // The first mode standing for the enumeration's software default, or null.
    VideoMode* findFallback() const;

private:
    std::vector<VideoMode*> videoModes;  // owned
    D3DEnum_DriverInfo* fallbackDriver = nullptr;
    D3DEnum_DeviceInfo* fallbackDevice = nullptr;
    D3DEnum_ModeInfo* fallbackMode = nullptr;
};

// ===========================================================================
// Driver settings
// ===========================================================================

// Process-wide settings: read from the "Driver" block of /Configs/system.cfg
// when the driver is made, changed later only by the degrading manager and the
// settings dialog, read on the core thread without a lock.
struct DriverSettings {
    bool showStatistic = false;
    bool showFPS = false;
    bool mipmaps = false;
    bool dithering = true;
    bool specular = true;
    bool antialiasing = false;
    bool subPixel = true;
    bool anisotropy = false;
    bool wBuffer = false;
    std::string tracerQuality = "extra";
    int textureScaleFactor = 0;
    bool showTracerResults = false;
    float mouseUpdateFrequency = 100.0f;
    bool fullScreenWindow = false;
    // Only used while the driver chooses its default video mode.
    WantedVideoMode wanted;

    // Derived when the file has been read.
    float mousePeriod = 0.01f;  // seconds between two samples of the mouse thread
    int depthBufferMode = 1;    // D3DZB_TRUE, or D3DZB_USEW (2) with wBuffer
};

extern DriverSettings g_driverSettings;

// The degrading manager's quality level named by `tracerQuality` ("low" 0 ...
// "extra" 3, exact case); nothing for any other text.
std::optional<int> tracerQualityLevel(const std::string& name);

// ===========================================================================
// The driver
// ===========================================================================

class Mouse;

class D3DRenderDriver : public virtual thread::SynchronizedObject,
                        public RenderDriver,
                        public PriorityDrivenSubscribeDeliverer<RenderDriverListener>,
                        public PriorityDrivenSubscribeDeliverer<ReconfigurationDriverListener> {
public:
    // Reads the configuration, enumerates the video modes and chooses the
    // default one.
    D3DRenderDriver();
    ~D3DRenderDriver() override;

    // Video modes.
    void initVideoMode(const VideoMode* mode) override;
    void termVideoMode() override;
    void changeVideoMode(const VideoMode* mode) override;
    bool validateVideoMode(const VideoMode* mode) override;

    // Frames and views.
    bool initFrame(float time) override;
    void termFrame() override;
    void initView(RenderView& view) override;
    void termView() override;
    RenderView* getCurrentRenderView() override { return currentRenderView; }

    VideoMode* createWindowedVideoMode(const VideoMode* mode, int width, int height) override;
    void deleteVideoMode(VideoMode* mode) override;
    const std::vector<VideoMode*>& getVideoModeList() const override;
    const VideoMode* getCurrentVideoMode() const override;
    const VideoMode* getDefaultVideoMode() const override { return defaultVideoMode; }

    void renderLight(RenderLight* light, const TMatrix& orientation,
                     const Vector& position) override;
    void renderMesh(RenderMeshShellInterface* mesh) override;
    void renderDecal(RenderDecal2D* decal) override;
    void renderLine(RenderLine* line) override;
    void registerPointedObject(RenderMeshListener* listener, float distance) override;

    void setMousePointerPosition(float x, float y) override;
    float getXMousePointerPosition() const override { return mouseX; }
    float getYMousePointerPosition() const override { return mouseY; }

    // Listener registries: higher priority first, equal ones in registration
    // order.
    void registerListener(RenderDriverListener* listener, int priority) override;
    void unregisterListener(RenderDriverListener* listener) override;
    void registerListener(RenderDriverListener* listener) { registerListener(listener, 0); }
    void registerListener(ReconfigurationDriverListener* listener, int priority) override;
    void unregisterListener(ReconfigurationDriverListener* listener) override;

    Vector projectVector(const Vector& v, RenderView* view) override;
    FontInterface* registerFont(const char* name) override;
    // Stores a copy of `text` (null clears it); any thread may call it.
    void addInfoString(const char* text) override;
    void registerView(View* view) override;
    void unregisterView(View* view) override;

    // Run control.
    void start() override;
    void stop() override;
    void draw() override;
    void setFPS(float fps) override;

    // Hardware cursor.
    bool isCursorSupported() override;
    bool enableCursor() override;
    bool disableCursor() override;
    bool showCursor() override;
    bool hideCursor() override;
    bool setCursorAxisSpeed(float x, float y) override;
    bool setCursorSize(int width, int height) override;
    bool setCursorImage(RenderImage* image) override;
    bool setCursorColorKey(const Color& key) override;
    bool getCursorOffset(float* x, float* y) override;
    bool setCursorHotspot(int x, int y) override;

    void setBackgroundImage(Image2D* image) override { backgroundImage = image; }
    void setBackgroundColor(const Color& color, bool clear) override;
    void enableIdlingMode() override { idlingMode = true; }
    void disableIdlingMode() override;
    void setIdlingFPS(float fps) override;

    // Copies the framework's DirectDraw, Direct3D and device pointers; the
    // Application calls it once the device exists.
    void updateD3DInterfaces();
    // The framework's surfaces (no reference added), null without a video mode.
    IDirectDrawSurface4* getFrontBuffer() const;
    IDirectDrawSurface4* getBackBuffer() const;
    IDirectDrawSurface4* getRenderSurface() const;

    // Accessors.
    IDirectDraw4* getDirectDraw() const { return directDraw; }
    IDirect3D3* getDirect3D() const { return direct3D; }
    IDirect3DDevice3* getD3DDevice() const { return device; }
    int getScreenWidth() const { return screenWidth; }
    int getScreenHeight() const { return screenHeight; }
    // The render window belongs to the Application: this is always null.
    void* getWindow() const { return window; }
    // The driver time of the current frame, in seconds.
    float getFrameTime() const { return frameTime; }
    // The video mode's mouse, or null.
    Mouse* getMouse() const { return mouse.get(); }
    // The text last given to addInfoString, or null.
    const char* getInfoString() const { return infoString.load(); }
    std::uint32_t getBackgroundColor() const { return backgroundColor; }
    bool getClearTarget() const { return clearTarget; }
    Image2D* getBackgroundImage() const { return backgroundImage; }
    bool isIdlingModeRequested() const { return idlingMode; }
    float getIdlingStep() const { return idlingStep; }

    // The depth buffer attached to the render surface, with a reference the
    // caller releases; null without one.
    IDirectDrawSurface4* getZBufferSurface() const;
    // The first 16 bits of the depth value at (x, y); 0 when there is no
    // depth buffer or it cannot be locked there.
    unsigned long getZBufferValue(int x, int y) const;
    // The device's world matrix: `m` transposed for row vectors, then `t`.
    void setWorldTransformation(const TMatrix& m, const Vector& t);
    // Logs the check and has the texture manager check every texture.
    void checkSurfaces();

private:
    using FrameListeners = PriorityDrivenSubscribeDeliverer<RenderDriverListener>;
    using ReconfigurationListeners =
        PriorityDrivenSubscribeDeliverer<ReconfigurationDriverListener>;

    static void readSettings();
    void chooseDefaultVideoMode();

    // Frame steps; the driver lock is held from beginFrame to endFrame.
    void beginFrame();
    void endFrame();
    bool initIdlingFrame(float time);
    bool initRenderedFrame(float time);
    void advanceClock(float time);
    void clearFrame();
    void drawBackgroundImage(int width, int height);
    void termIdlingFrame();
    void termRenderedFrame();
    void drawDeferred2D();
    void drawStatistics();
    void settlePointedObject(RenderView& view);

    float frameTime = 0.0f;
    float previousFrameTime = 0.0f;
    bool idlingFrame = false;
    // A framework that failed to start would otherwise be reported every pass.
    bool noDeviceReported = false;
    VideoMode* defaultVideoMode = nullptr;
    D3DVideoModeList videoModes;
    RenderView* currentRenderView = nullptr;
    void* window = nullptr;
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    // Written by the mouse thread, read by the core thread.
    std::atomic<float> pendingMouseX{0.0f};
    std::atomic<float> pendingMouseY{0.0f};
    std::atomic<char*> infoString{nullptr};
    std::unique_ptr<Mouse> mouse;  // while a video mode is set
    IDirectDraw4* directDraw = nullptr;
    IDirect3D3* direct3D = nullptr;
    IDirect3DDevice3* device = nullptr;
    Image2D* backgroundImage = nullptr;
    bool clearTarget = false;
    std::uint32_t backgroundColor = 0;
    int screenWidth = 0;
    int screenHeight = 0;
    bool idlingMode = false;
    float idlingStep = 100.0f;

    // Subtracted from the time given to initFrame: long gaps are absorbed
    // into it, so the driver clock never jumps by more than 0.1 s.
    float timeOffset = 0.0f;
    // Between a successful initFrame and its termFrame.
    bool frameInProgress = false;
    Deferred2DList deferred2D;
    FrameRateHistory frameRates;
};

// ===========================================================================
// Library lifecycle
// ===========================================================================

extern D3DDRIVER_API D3DRenderDriver* theD3DRenderDriver;

// The current device's descriptions and the DirectDraw capabilities, filled
// after each device creation. Readers take the hardware description when its
// flags are not zero, else the software one.
struct Capabilities {
    D3DDEVICEDESC hardware;
    D3DDEVICEDESC software;
    DDCAPS driver;
    DDCAPS emulation;
};
extern D3DDRIVER_API Capabilities theCapabilities;
// The current device, set by the Application after it made the device.
extern IDirect3DDevice3* g_pDevice;
// Set when the device or a surface was found lost; the Application restores
// the surfaces after the next frame drawn.
extern std::atomic<bool> surfacesLost;
// Whether deferred alpha objects are sorted far to near.
extern D3DDRIVER_API bool g_sortAlpha;

// Process attach and detach. Tests that link the driver call them directly.
void initDriver();
void termDriver();

// Sorting is needed everywhere but on the NT family, whose "OS" is
// "Windows_NT" (any case); a missing variable counts as another system.
bool sortAlphaForEnvironment();

extern "C" D3DDRIVER_API BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
// The module's resources (the dialog templates), found through FindResourceA.
extern "C" D3DDRIVER_API const MODULE_RESOURCE* WINAPI ModuleResources(DWORD* count);
