// The driver linked directly: its settings from /Configs/system.cfg and the
// default video mode, the driver object's setters and refusals, the alpha
// sorting flag and the desktop mode put back.
#include "application.h"
#include "degrading_manager.h"
#include "../support/driver_fixture.h"
#include "../support/log_capture.h"

#include <engine/core/globals.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <sstream>
#include <thread>
#include <tuple>

using Kind = debug::Message::Kind;

namespace {

// Every setting and the derived values in one line, fields apart by commas.
std::string described(const DriverSettings& s) {
    std::ostringstream o;
    o << "stat " << s.showStatistic << ", fps " << s.showFPS << ", mip " << s.mipmaps << ", dither "
      << s.dithering << ", spec " << s.specular << ", aa " << s.antialiasing << ", sub "
      << s.subPixel << ", aniso " << s.anisotropy << ", w " << s.wBuffer << ", tracer "
      << s.tracerQuality << ", scale " << s.textureScaleFactor << ", results "
      << s.showTracerResults << ", mouse " << s.mouseUpdateFrequency << ", fsw "
      << s.fullScreenWindow << ", period " << s.mousePeriod << ", depth " << s.depthBufferMode
      << ", wanted " << s.wanted.xResolution << "x" << s.wanted.yResolution << "x"
      << s.wanted.colorDepth << ", windowed " << s.wanted.windowed << ", hw " << s.wanted.hardware
      << ", '" << s.wanted.device << "'";
    return o.str();
}

// The fields of a described `s` that differ from those of `base`.
std::string changes(const std::string& base, const std::string& s) {
    std::istringstream a(base), b(s);
    std::string x, y, out;
    while (std::getline(a, x, ',') && std::getline(b, y, ','))
        out += x == y ? "" : y;
    return out;
}

// A driver object made from no configuration file.
class DriverObjectTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        useData("no_file");
        driver.emplace();
    }
    std::optional<D3DRenderDriver> driver;
};

}  // namespace

// Each configuration gives these settings (as changes to those without a
// file), derived values and default mode; a wrong type leaves the default, a
// mouse rate of 0 is refused with an error, a tracer quality that names no
// level is kept as it is.
TEST_F(DriverTest, SettingsAndTheDefaultModeComeFromTheConfiguration) {
    const std::string defaults =
        "stat 0, fps 0, mip 0, dither 1, spec 1, aa 0, sub 1, aniso 0, w 0, tracer extra, scale "
        "0, results 0, mouse 100, fsw 0, period 0.01, depth 1, wanted 640x480x16, windowed 0, hw "
        "1, ''";
    const std::string hal = "Primary Display Driver Direct3D HAL 640 x 480 x 16";
    const struct {
        std::string root, changed, mode;
        int errors = 0, warnings = 0;
    } cases[] = {
        {"no_file", "", hal},
        {"/data", "", hal},  // the shipped file
        {"wrong_types", "", hal},
        {"mouse_zero", "", hal, 1},
        // No such mode: the first of the software choice in its current mode.
        {"no_match", " wanted 1234x567x16", "Primary Display Driver RGB Emulation 640 x 480 x 16",
         0, 1},
        {"tracer_high", " tracer High", hal},
        {"mouse50", " mouse 50 period 0.02", hal},
        {"software", " hw 0", "Primary Display Driver RGB Emulation 640 x 480 x 16"},
        {"no_default_mode", " fps 1", hal},
        {"every_key",
         "stat 1 fps 1 mip 1 dither 0 spec 0 aa 1 sub 0 aniso 1 w 1 tracer low scale 2 results 1"
         " mouse 25 fsw 1 period 0.04 depth 2 wanted 800x600x32 hw 0 'RGB Emulation'",
         "Primary Display Driver RGB Emulation 800 x 600 x 32"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        // Other values first: only reading the file can give the defaults.
        g_driverSettings = DriverSettings();
        g_driverSettings.showFPS = g_driverSettings.fullScreenWindow = c.root == "/data";
        g_driverSettings.dithering = c.root != "/data";
        g_driverSettings.textureScaleFactor = c.root == "/data" ? 2 : 0;
        c.root == "/data"
            ? void(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data"))
            : useData(c.root);
        LogCapture log;
        D3DRenderDriver driver;
        EXPECT_EQ(changes(defaults, described(g_driverSettings)), c.changed);
        const VideoMode* mode = driver.getDefaultVideoMode();
        EXPECT_EQ(mode ? mode->getName() : "none", c.mode);
        EXPECT_EQ(log.countKind("Driver", Kind::Error), c.errors);
        EXPECT_EQ(log.countKind("Driver", Kind::Warning), c.warnings);
    }
    // Each driver reads every setting anew: after the file that sets them all,
    // one from no file has the defaults again.
    useData("no_file");
    { D3DRenderDriver again; }
    EXPECT_EQ(described(g_driverSettings), defaults);
    const std::pair<const char*, int> levels[] = {{"low", 0},   {"normal", 1}, {"high", 2},
                                                  {"extra", 3}, {"Extra", -1}, {"", -1}};
    for (const auto& [name, level] : levels)
        EXPECT_EQ(tracerQualityLevel(name).value_or(-1), level) << name;
}

// The background colour is kept in the device's form, clamped and rounded.
// An idling rate that is not positive, and without the Application, a video
// mode, a font file or the mouse these operations, say so and change nothing.
TEST_F(DriverObjectTest, SettersAndRefusalsWithoutAVideoMode) {
    driver->setBackgroundColor(Color(1.0f, 0.5f, 0.0f, 1.0f), true);
    EXPECT_EQ(std::make_pair(driver->getBackgroundColor(), driver->getClearTarget()),
              std::make_pair(0xFFFF8000u, true));
    driver->setBackgroundColor(Color(-1.0f, 2.0f, 0.0f, 0.0f), false);
    EXPECT_EQ(std::make_pair(driver->getBackgroundColor(), driver->getClearTarget()),
              std::make_pair(0x0000FF00u, false));
    driver->setIdlingFPS(25.0f);
    LogCapture log;
    driver->setIdlingFPS(0.0f);
    EXPECT_FLOAT_EQ(driver->getIdlingStep(), 0.04f);
    driver->initVideoMode(driver->getDefaultVideoMode());
    EXPECT_EQ(driver->registerFont("Arial"), nullptr);
    EXPECT_FALSE(driver->initFrame(1.0f));
    EXPECT_FALSE(driver->enableCursor() || driver->showCursor() || driver->hideCursor());
    float x = 1.0f, y = 1.0f;
    EXPECT_FALSE(driver->getCursorOffset(&x, &y));
    driver->start();
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 5);
    // Deleting a mode not in the list changes nothing; deleting the default
    // one forgets it too.
    const size_t count = driver->getVideoModeList().size();
    driver->deleteVideoMode(nullptr);
    driver->deleteVideoMode(const_cast<VideoMode*>(driver->getDefaultVideoMode()));
    EXPECT_EQ(driver->getVideoModeList().size(), count - 1);
    EXPECT_EQ(driver->getDefaultVideoMode(), nullptr);
    for (const char* error :
         {"setIdlingFPS: the rate must be positive, not 0", "initVideoMode: no application",
          "D3DRenderDriver::start without a video mode",
          "Font loading error: can't locate font config file Arial.fnt"})
        EXPECT_EQ(log.count("Driver", error), 1) << error;
    // The info string is a copy, cleared by null; set from many threads at
    // once it stays one whole text.
    char text[] = "first";
    driver->addInfoString(text);
    std::strcpy(text, "xxxxx");
    EXPECT_STREQ(driver->getInfoString(), "first");
    driver->addInfoString(nullptr);
    EXPECT_EQ(driver->getInfoString(), nullptr);
    const std::vector<std::string> texts = {"alpha", "beta beta", "gamma gamma gamma", "delta"};
    std::vector<std::thread> threads;
    for (const std::string& t : texts)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 2000; ++i)
                driver->addInfoString(t.c_str());
        });
    for (auto& t : threads)
        t.join();
    ASSERT_NE(driver->getInfoString(), nullptr);
    EXPECT_NE(std::find(texts.begin(), texts.end(), driver->getInfoString()), texts.end());
}

// Loading sorts alpha unless the system is Windows NT (in any case; a name
// too long for the driver's buffer is not it), and keeps the desktop mode,
// which comes back at unload and from the exit hook that a fatal exit runs;
// the hook goes with the driver.
TEST_F(DriverTest, LoadingReadsTheSystemAndTheDesktopModeComesBackAtUnload) {
    useData("no_file");
    const auto desktop = [] {
        const auto m = platform::testing::currentDesktopMode();
        return std::make_tuple(m.width, m.height, m.bitsPerPixel);
    };
    const auto atLoad = desktop();
    DEVMODEA game{};
    game.dmSize = sizeof game;
    game.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    game.dmPelsWidth = 800;
    game.dmPelsHeight = 600;
    game.dmBitsPerPel = 16;
    const std::string tooLong(100, 'w');
    const std::pair<const char*, bool> cases[] = {
        {nullptr, true}, {"windows_nt", false}, {"Windows_NT4", true}, {tooLong.c_str(), true}};
    for (const auto& [os, sorted] : cases) {
        SetEnvironmentVariableA("OS", os);
        initDriver();
        EXPECT_EQ(g_sortAlpha, sorted) << (os ? os : "(unset)");
        ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
        debug::System::runExitHooks();
        EXPECT_EQ(desktop(), atLoad);
        ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
        termDriver();
        EXPECT_EQ(desktop(), atLoad);
    }
    SetEnvironmentVariableA("OS", nullptr);
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    debug::System::runExitHooks();
    EXPECT_NE(desktop(), atLoad);
    ChangeDisplaySettingsA(nullptr, 0);
}
