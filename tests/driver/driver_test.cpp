// The driver linked directly: its settings from /Configs/system.cfg and the
// default video mode, the driver object's registries and setters, and what
// initDriver and termDriver make, publish and put back.
#include "application.h"
#include "degrading_manager.h"
#include "../support/driver_fixture.h"
#include "../support/log_capture.h"
#include "rfactory.h"
#include "states.h"

#include <engine/core/globals.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <thread>

using Kind = debug::Message::Kind;

namespace {

// Every setting and the derived values in one line.
std::string described(const DriverSettings& s) {
    std::ostringstream o;
    o << "stat " << s.showStatistic << " fps " << s.showFPS << " mip " << s.mipmaps << " dither "
      << s.dithering << " spec " << s.specular << " aa " << s.antialiasing << " sub " << s.subPixel
      << " aniso " << s.anisotropy << " w " << s.wBuffer << " tracer " << s.tracerQuality
      << " scale " << s.textureScaleFactor << " results " << s.showTracerResults << " mouse "
      << s.mouseUpdateFrequency << " fsw " << s.fullScreenWindow << " period " << s.mousePeriod
      << " depth " << s.depthBufferMode << " wanted " << s.wanted.xResolution << "x"
      << s.wanted.yResolution << "x" << s.wanted.colorDepth << " windowed " << s.wanted.windowed
      << " hw " << s.wanted.hardware << " '" << s.wanted.device << "'";
    return o.str();
}

std::string described(const VideoMode* m) {
    if (!m)
        return "none";
    return std::to_string(m->getWidth()) + "x" + std::to_string(m->getHeight()) + "x" +
           std::to_string(m->getColorDepth()) + (m->isHardware() ? " hw" : " sw") +
           (m->isWindowed() ? " windowed " : " full ") + m->getName();
}

// Each of the driver's globals with the engine's global for it: 0 neither
// set, 1 only the driver's, = both and the same object; or one global, set.
template <typename Own, typename Engine>
char pair(Own* own, Engine* engine) {
    return !own ? (engine ? '?' : '0') : !engine ? '1' : engine == own ? '=' : '?';
}
char set(const void* global) {
    return global ? '1' : '0';
}
std::string published() {
    WindowInterface* window = theD3DApplication ? &theD3DApplication->getWindow() : nullptr;
    return std::string("driver ") + pair(theD3DRenderDriver, theRenderDriver) + " degrading " +
           pair(theD3DDegradingManager, theDegradingManager) + " views " +
           pair(theD3DRenderViewFactory, theRenderViewFactory) + " lights " +
           pair(theD3DRenderLightFactory, theRenderLightFactory) + " decals " +
           pair(theD3DRenderDecalFactory, theRenderDecalFactory) + " lines " +
           set(theRenderLineFactory) + " textures " + set(theRenderTextureManager) + " materials " +
           set(theRenderMaterialManager) + " states " + set(theRenderStateManager) +
           " application " + pair(theD3DApplication, theApplication) +
           pair(window, theRenderWindow);
}

// Writes its tag into a shared trace on every frame start.
struct TracingListener : RenderDriverListener {
    TracingListener(std::vector<int>* trace, int tag) : trace(trace), tag(tag) {}
    void initFrame(float) override { trace->push_back(tag); }
    std::vector<int>* trace;
    int tag;
};

}  // namespace

// Each configuration gives these settings, derived values and default mode;
// a wrong type leaves the default, a mouse rate of 0 is refused with an error,
// a tracer quality that names no level is kept as it is.
TEST_F(DriverTest, SettingsAndTheDefaultModeComeFromTheConfiguration) {
    const std::string defaults =
        "stat 0 fps 0 mip 0 dither 1 spec 1 aa 0 sub 1 aniso 0 w 0 tracer extra scale 0 results "
        "0 mouse 100 fsw 0 period 0.01 depth 1 wanted 640x480x16 windowed 0 hw 1 ''";
    const std::string defaultMode =
        "640x480x16 hw full Primary Display Driver Direct3D HAL 640 x "
        "480 x 16";
    const struct {
        std::string root, settings, mode;
        int errors;
    } cases[] = {
        {"no_file", defaults, defaultMode, 0},
        {"/data", defaults, defaultMode, 0},  // the shipped file
        {"wrong_types", defaults, defaultMode, 0},
        {"mouse_zero", defaults, defaultMode, 1},
        {"tracer_high",
         "stat 0 fps 0 mip 0 dither 1 spec 1 aa 0 sub 1 aniso 0 w 0 tracer High "
         "scale 0 results 0 mouse 100 fsw 0 period 0.01 depth 1 wanted 640x480x16 "
         "windowed 0 hw 1 ''",
         defaultMode, 0},
        {"mouse50",
         "stat 0 fps 0 mip 0 dither 1 spec 1 aa 0 sub 1 aniso 0 w 0 tracer extra "
         "scale 0 results 0 mouse 50 fsw 0 period 0.02 depth 1 wanted 640x480x16 "
         "windowed 0 hw 1 ''",
         defaultMode, 0},
        {"no_default_mode",
         "stat 0 fps 1 mip 0 dither 1 spec 1 aa 0 sub 1 aniso 0 w 0 tracer "
         "extra scale 0 results 0 mouse 100 fsw 0 period 0.01 depth 1 wanted "
         "640x480x16 windowed 0 hw 1 ''",
         defaultMode, 0},
        {"every_key",
         "stat 1 fps 1 mip 1 dither 0 spec 0 aa 1 sub 0 aniso 1 w 1 tracer low "
         "scale 2 results 1 mouse 25 fsw 1 period 0.04 depth 2 wanted 800x600x32 "
         "windowed 0 hw 0 'RGB Emulation'",
         "800x600x32 sw full Primary Display Driver RGB Emulation 800 x 600 x 32", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        // Other values first: only reading the file can give the defaults.
        g_driverSettings = DriverSettings();
        g_driverSettings.showFPS = g_driverSettings.fullScreenWindow = c.root == "/data";
        g_driverSettings.dithering = c.root != "/data";
        g_driverSettings.textureScaleFactor = c.root == "/data" ? 2 : 0;
        if (c.root == "/data")
            theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data");
        else
            useData(c.root);
        LogCapture log;
        D3DRenderDriver driver;
        EXPECT_EQ(described(g_driverSettings), c.settings);
        EXPECT_EQ(described(driver.getDefaultVideoMode()), c.mode);
        EXPECT_EQ(log.countKind("Driver", Kind::Error), c.errors);
        EXPECT_EQ(log.countKind("Driver", Kind::Warning), 0);
    }
    // The wanted mode, tracer quality and the derived values are read anew
    // by each driver; the others are process-wide and keep what the last
    // file said.
    useData("no_file");
    { D3DRenderDriver again; }
    EXPECT_EQ(described(g_driverSettings),
              "stat 1 fps 1 mip 1 dither 0 spec 0 aa 1 sub 0 aniso 1 w 0 tracer extra scale 2 "
              "results 1 mouse 100 fsw 1 period 0.01 depth 1 wanted 640x480x16 windowed 0 hw 1 ''");
    const std::pair<const char*, int> levels[] = {{"low", 0},   {"normal", 1}, {"high", 2},
                                                  {"extra", 3}, {"Extra", -1}, {"high ", -1},
                                                  {"", -1}};
    for (const auto& [name, level] : levels)
        EXPECT_EQ(tracerQualityLevel(name).value_or(-1), level) << name;
}

// Without a matching mode the driver warns and takes the first mode of the
// enumeration's software choice in that device's current mode.
TEST_F(DriverTest, NoMatchingModeWarnsAndFallsBackToTheSoftwareDefault) {
    useData("no_match");
    LogCapture log;
    D3DRenderDriver driver;
    const auto records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "Can't find default video mode. Check system.cfg!");
    EXPECT_EQ(records[0].kind, Kind::Warning);
    EXPECT_EQ(records[0].level, 1.0f);
    EXPECT_EQ(records[0].context.path, "3d/driver/d3d/driver");
    D3DEnum_DriverInfo* selectedDriver = nullptr;
    D3DEnum_DeviceInfo* selectedDevice = nullptr;
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE), D3DENUM_OK);
    ASSERT_EQ(D3DEnum_GetSelected(&selectedDriver, &selectedDevice), D3DENUM_OK);
    ASSERT_TRUE(selectedDevice && selectedDevice->currentMode);
    const std::string expected = std::string(selectedDriver->description) + " " +
                                 selectedDevice->name + " " + selectedDevice->currentMode->text;
    const auto& list = driver.getVideoModeList();
    const auto first = std::find_if(list.begin(), list.end(), [&](const VideoMode* m) {
        return std::string(m->getName()) == expected;
    });
    ASSERT_NE(first, list.end());
    EXPECT_EQ(driver.getDefaultVideoMode(), *first);
    EXPECT_FALSE((*first)->isHardware());
}

// The list holds every enumerated mode; validation refuses what is not a mode
// of the driver; deleting a mode not in the list changes nothing, deleting
// the default one forgets it.
TEST_F(DriverTest, ModeListHoldsEveryEnumeratedMode) {
    useData("no_file");
    D3DRenderDriver driver;
    size_t expected = 0;
    for (D3DEnum_DriverInfo* d = D3DEnum_GetFirstDriver(); d; d = d->next)
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next)
            for (D3DEnum_ModeInfo* m = dev->firstMode; m; m = m->next)
                ++expected;
    const auto& list = driver.getVideoModeList();
    ASSERT_GT(expected, 0u);
    EXPECT_EQ(list.size(), expected);
    EXPECT_NE(std::find(list.begin(), list.end(), driver.getDefaultVideoMode()), list.end());
    EXPECT_FALSE(driver.validateVideoMode(nullptr));
    EXPECT_TRUE(driver.validateVideoMode(driver.getDefaultVideoMode()));  // full screen
    driver.deleteVideoMode(nullptr);
    EXPECT_EQ(list.size(), expected);
    EXPECT_NE(driver.getDefaultVideoMode(), nullptr);
    driver.deleteVideoMode(const_cast<VideoMode*>(driver.getDefaultVideoMode()));
    EXPECT_EQ(list.size(), expected - 1);
    EXPECT_EQ(driver.getDefaultVideoMode(), nullptr);
}

// Frame listeners are called by priority, then in registration order (the
// one-argument form is priority 0); reconfiguration listeners have a registry
// of their own, where each registration counts and each unregistration
// removes one.
TEST_F(DriverTest, ListenersAreCalledByPriorityThenRegistrationOrder) {
    useData("no_file");
    D3DRenderDriver driver;
    std::vector<int> trace;
    TracingListener low(&trace, 1), zeroA(&trace, 2), zeroB(&trace, 3), high(&trace, 4);
    driver.registerListener(&low, -5);
    driver.registerListener(&zeroA, 0);
    driver.registerListener(&zeroB);
    driver.registerListener(&high, 7);
    auto& frames = static_cast<PriorityDrivenSubscribeDeliverer<RenderDriverListener>&>(driver);
    frames.deliver(&RenderDriverListener::initFrame, 0.5f);
    driver.unregisterListener(&zeroA);
    driver.unregisterListener(&zeroA);  // not registered any more: nothing
    frames.deliver(&RenderDriverListener::initFrame, 0.5f);
    EXPECT_EQ(trace, (std::vector<int>{4, 2, 3, 1, 4, 3, 1}));

    ReconfigurationDriverListener a, b;
    auto& reconfiguration =
        static_cast<PriorityDrivenSubscribeDeliverer<ReconfigurationDriverListener>&>(driver);
    driver.registerListener(&a, 3);
    driver.registerListener(&b, 3);
    driver.registerListener(&a, 1);
    EXPECT_EQ(reconfiguration.listenerCount(), 3u);
    EXPECT_EQ(frames.listenerCount(), 3u);
    for (size_t left : {2u, 1u, 1u}) {
        driver.unregisterListener(&a);
        EXPECT_EQ(reconfiguration.listenerCount(), left);
    }
}

// The info string is a copy, cleared by null; set from many threads at once
// it stays one whole text.
TEST_F(DriverTest, InfoStringIsAWholeCopy) {
    useData("no_file");
    D3DRenderDriver driver;
    EXPECT_EQ(driver.getInfoString(), nullptr);
    char text[] = "first";
    driver.addInfoString(text);
    std::strcpy(text, "xxxxx");
    EXPECT_STREQ(driver.getInfoString(), "first");
    driver.addInfoString(nullptr);
    EXPECT_EQ(driver.getInfoString(), nullptr);
    driver.addInfoString("");
    EXPECT_STREQ(driver.getInfoString(), "");
    const std::vector<std::string> texts = {"alpha", "beta beta", "gamma gamma gamma", "delta"};
    std::vector<std::thread> threads;
    for (const std::string& t : texts)
        threads.emplace_back([&driver, t] {
            for (int i = 0; i < 2000; ++i)
                driver.addInfoString(t.c_str());
        });
    for (auto& t : threads)
        t.join();
    ASSERT_NE(driver.getInfoString(), nullptr);
    EXPECT_NE(std::find(texts.begin(), texts.end(), driver.getInfoString()), texts.end());
}

// The background colour is kept in the device's form, clamped and rounded;
// an idling rate must be positive.
TEST_F(DriverTest, BackgroundColourAndIdlingRate) {
    useData("no_file");
    D3DRenderDriver driver;
    driver.setBackgroundColor(Color(1.0f, 0.5f, 0.0f, 1.0f), true);
    EXPECT_EQ(driver.getBackgroundColor(), 0xFFFF8000u);
    EXPECT_TRUE(driver.getClearTarget());
    driver.setBackgroundColor(Color(-1.0f, 2.0f, 0.0f, 0.0f), false);
    EXPECT_EQ(driver.getBackgroundColor(), 0x0000FF00u);
    EXPECT_FALSE(driver.getClearTarget());
    driver.setIdlingFPS(25.0f);
    LogCapture log;
    driver.setIdlingFPS(0.0f);
    EXPECT_FLOAT_EQ(driver.getIdlingStep(), 0.04f);
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 1);
}

// Without the Application, a video mode, a font file or the mouse these
// operations say so and change nothing.
TEST_F(DriverTest, OperationsWithoutAVideoModeAreRefused) {
    useData("no_file");
    D3DRenderDriver driver;
    LogCapture log;
    driver.initVideoMode(driver.getDefaultVideoMode());
    EXPECT_EQ(driver.getScreenWidth(), 0);
    EXPECT_EQ(driver.registerFont("Arial"), nullptr);
    EXPECT_FALSE(driver.initFrame(1.0f));
    EXPECT_EQ(driver.getCurrentVideoMode(), nullptr);
    EXPECT_FALSE(driver.enableCursor());
    float x = 1.0f, y = 1.0f;
    EXPECT_FALSE(driver.getCursorOffset(&x, &y));
    driver.start();
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 4);
    EXPECT_EQ(log.count("Driver", "initVideoMode: no application"), 1);
    EXPECT_EQ(log.count("Driver", "D3DRenderDriver::start without a video mode"), 1);
    EXPECT_EQ(log.count("Driver", "Font loading error: can't locate font config file Arial.fnt"),
              1);
}

// initDriver logs first; the degrading manager, the view, light and decal
// factories come before the driver, in their own globals only (the line
// factory is published at once); the driver's constructor runs before the
// driver is published, then the engine's globals are set, and the
// Application publishes itself. termDriver logs first and clears them all.
TEST_F(DriverTest, InitDriverPublishesInOrderAndTermDriverClearsAll) {
    useData("no_match");  // makes the driver's constructor warn
    std::vector<std::string> seen;
    LogCapture log([&](const debug::Record& r) {
        const char* kind = r.kind == Kind::Message ? "message " : "warning ";
        seen.push_back(kind + std::to_string(r.level).substr(0, 3) + " " + r.text + ": " +
                       published());
    });
    initDriver();
    EXPECT_EQ(published(),
              "driver = degrading = views = lights = decals = lines 1 textures 1 "
              "materials 1 states 1 application ==");
    termDriver();
    EXPECT_EQ(D3DEnum_GetFirstDriver(), nullptr);
    const std::string none =
        "driver 0 degrading 0 views 0 lights 0 decals 0 lines 0 textures 0 "
        "materials 0 states 0 application 00";
    EXPECT_EQ(published(), none);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "message 2.0 initDriver: " + none,
                        "warning 1.0 Can't find default video mode. Check system.cfg!: driver 0 "
                        "degrading 1 views 1 lights 1 decals 1 lines 1 textures 0 materials 0 "
                        "states 0 application 00",
                        "message 2.0 termDriver: driver = degrading = views = lights = decals = "
                        "lines 1 textures 1 materials 1 states 1 application =="}));
}

TEST_F(DriverTest, SortAlphaUnlessTheSystemIsWindowsNT) {
    useData("no_file");
    char saved[64] = {};
    const DWORD length = GetEnvironmentVariableA("OS", saved, sizeof saved);
    const std::string tooLong(100, 'w');  // for the driver's buffer
    const std::pair<const char*, bool> cases[] = {
        {nullptr, true}, {"Windows_NT", false},  {"windows_nt", false}, {"Windows_NT4", true},
        {"", true},      {tooLong.c_str(), true}};
    for (const auto& [os, sorted] : cases) {
        SetEnvironmentVariableA("OS", os);
        initDriver();
        EXPECT_EQ(g_sortAlpha, sorted) << (os ? os : "(unset)");
        termDriver();
    }
    SetEnvironmentVariableA("OS", length > 0 && length < sizeof saved ? saved : nullptr);
}

// The desktop mode at load comes back at unload, and from the exit hook that
// a fatal exit runs; the hook goes with the driver.
TEST_F(DriverTest, TheDesktopModeAtLoadComesBackAtUnloadAndFromTheExitHook) {
    useData("no_file");
    const auto atLoad = platform::testing::currentDesktopMode();
    const auto backAtLoad = [&atLoad] {
        const auto now = platform::testing::currentDesktopMode();
        return now.width == atLoad.width && now.height == atLoad.height &&
               now.bitsPerPixel == atLoad.bitsPerPixel;
    };
    DEVMODEA game{};
    game.dmSize = sizeof game;
    game.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    game.dmPelsWidth = 800;
    game.dmPelsHeight = 600;
    game.dmBitsPerPel = 16;
    initDriver();
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    ASSERT_FALSE(backAtLoad());
    debug::System::runExitHooks();
    EXPECT_TRUE(backAtLoad());
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    termDriver();
    EXPECT_TRUE(backAtLoad());
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    debug::System::runExitHooks();
    EXPECT_FALSE(backAtLoad());
    ChangeDisplaySettingsA(nullptr, 0);
}
