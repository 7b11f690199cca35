// The "Driver" block of /Configs/system.cfg and the values derived from it.
#include "driver_fixture.h"
#include "log_capture.h"

#include "driver_filter.h"

using Kind = debug::Message::Kind;

namespace {

void expectDefaultsExceptWanted(const DriverSettings& s) {
    EXPECT_FALSE(s.showStatistic);
    EXPECT_FALSE(s.showFPS);
    EXPECT_FALSE(s.mipmaps);
    EXPECT_TRUE(s.dithering);
    EXPECT_TRUE(s.specular);
    EXPECT_FALSE(s.antialiasing);
    EXPECT_TRUE(s.subPixel);
    EXPECT_FALSE(s.anisotropy);
    EXPECT_FALSE(s.wBuffer);
    EXPECT_EQ(s.textureScaleFactor, 0);
    EXPECT_FALSE(s.showTracerResults);
    EXPECT_FLOAT_EQ(s.mouseUpdateFrequency, 100.0f);
    EXPECT_FALSE(s.fullScreenWindow);
    EXPECT_FLOAT_EQ(s.mousePeriod, 0.01f);
    EXPECT_EQ(s.depthBufferMode, 1);
}

void expectDefaultWanted(const WantedVideoMode& w) {
    EXPECT_EQ(w.xResolution, 640);
    EXPECT_EQ(w.yResolution, 480);
    EXPECT_FALSE(w.windowed);
    EXPECT_TRUE(w.hardware);
    EXPECT_EQ(w.colorDepth, 16);
    EXPECT_EQ(w.device, "");
}

}  // namespace

using DriverSettingsTest = DriverTest;

TEST_F(DriverSettingsTest, MissingFileLeavesEveryDefault) {
    useData("no_file");
    D3DRenderDriver driver;
    expectDefaultsExceptWanted(g_driverSettings);
    expectDefaultWanted(g_driverSettings.wanted);
    EXPECT_EQ(g_driverSettings.tracerQuality, "extra");
}

TEST_F(DriverSettingsTest, ShippedFileHoldsTheDefaults) {
    theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data");
    // Start from other values, so that only reading the file can give the defaults.
    g_driverSettings.showFPS = true;
    g_driverSettings.dithering = false;
    g_driverSettings.textureScaleFactor = 2;
    g_driverSettings.fullScreenWindow = true;
    D3DRenderDriver driver;
    expectDefaultsExceptWanted(g_driverSettings);
    expectDefaultWanted(g_driverSettings.wanted);
    EXPECT_EQ(g_driverSettings.tracerQuality, "extra");
}

TEST_F(DriverSettingsTest, EveryKeyIsRead) {
    useData("every_key");
    D3DRenderDriver driver;
    const DriverSettings& s = g_driverSettings;
    EXPECT_TRUE(s.showStatistic);
    EXPECT_TRUE(s.showFPS);
    EXPECT_TRUE(s.mipmaps);
    EXPECT_FALSE(s.dithering);
    EXPECT_FALSE(s.specular);
    EXPECT_TRUE(s.antialiasing);
    EXPECT_FALSE(s.subPixel);
    EXPECT_TRUE(s.anisotropy);
    EXPECT_TRUE(s.wBuffer);
    EXPECT_EQ(s.tracerQuality, "low");
    EXPECT_EQ(s.textureScaleFactor, 2);
    EXPECT_TRUE(s.showTracerResults);
    EXPECT_FLOAT_EQ(s.mouseUpdateFrequency, 25.0f);
    EXPECT_TRUE(s.fullScreenWindow);
    EXPECT_EQ(s.wanted.xResolution, 800);
    EXPECT_EQ(s.wanted.yResolution, 600);
    EXPECT_FALSE(s.wanted.windowed);
    EXPECT_FALSE(s.wanted.hardware);
    EXPECT_EQ(s.wanted.colorDepth, 32);
    EXPECT_EQ(s.wanted.device, "RGB Emulation");
    // Derived values.
    EXPECT_FLOAT_EQ(s.mousePeriod, 0.04f);
    EXPECT_EQ(s.depthBufferMode, 2);
    // The wanted mode was found.
    const VideoMode* mode = driver.getDefaultVideoMode();
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->getWidth(), 800);
    EXPECT_EQ(mode->getHeight(), 600);
    EXPECT_EQ(mode->getColorDepth(), 32);
    EXPECT_FALSE(mode->isHardware());
    EXPECT_NE(std::string(mode->getName()).find("RGB Emulation"), std::string::npos);
}

TEST_F(DriverSettingsTest, OnlyTracerQualityWithCapitalLeavesTheRestAtDefaults) {
    useData("tracer_high");
    D3DRenderDriver driver;
    EXPECT_EQ(g_driverSettings.tracerQuality, "High");
    expectDefaultsExceptWanted(g_driverSettings);
    expectDefaultWanted(g_driverSettings.wanted);
    // The comparison is exact: "High" names no level.
    EXPECT_FALSE(tracerQualityLevel(g_driverSettings.tracerQuality).has_value());
}

TEST_F(DriverSettingsTest, TracerQualityNamesAreExactAndInOrder) {
    EXPECT_EQ(tracerQualityLevel("low"), 0);
    EXPECT_EQ(tracerQualityLevel("normal"), 1);
    EXPECT_EQ(tracerQualityLevel("high"), 2);
    EXPECT_EQ(tracerQualityLevel("extra"), 3);
    EXPECT_FALSE(tracerQualityLevel("Extra").has_value());
    EXPECT_FALSE(tracerQualityLevel("high ").has_value());
    EXPECT_FALSE(tracerQualityLevel("").has_value());
}

TEST_F(DriverSettingsTest, MouseFrequencyOfFiftyGivesTwentyMilliseconds) {
    useData("mouse50");
    D3DRenderDriver driver;
    EXPECT_FLOAT_EQ(g_driverSettings.mouseUpdateFrequency, 50.0f);
    EXPECT_FLOAT_EQ(g_driverSettings.mousePeriod, 0.02f);
}

TEST_F(DriverSettingsTest, MouseFrequencyOfZeroIsRefusedWithAnError) {
    useData("mouse_zero");
    LogCapture log;
    D3DRenderDriver driver;
    EXPECT_FLOAT_EQ(g_driverSettings.mouseUpdateFrequency, 100.0f);
    EXPECT_FLOAT_EQ(g_driverSettings.mousePeriod, 0.01f);
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 1);
}

TEST_F(DriverSettingsTest, ValuesOfTheWrongTypeLeaveTheDefaults) {
    useData("wrong_types");
    D3DRenderDriver driver;
    expectDefaultsExceptWanted(g_driverSettings);
    expectDefaultWanted(g_driverSettings.wanted);
    EXPECT_EQ(g_driverSettings.tracerQuality, "extra");
}

TEST_F(DriverSettingsTest, ConstructionResetsTheWantedModeAndTheDerivedValues) {
    useData("every_key");
    { D3DRenderDriver first; }
    useData("no_file");
    D3DRenderDriver second;
    expectDefaultWanted(g_driverSettings.wanted);
    EXPECT_EQ(g_driverSettings.tracerQuality, "extra");
    EXPECT_FALSE(g_driverSettings.wBuffer);
    EXPECT_EQ(g_driverSettings.depthBufferMode, 1);
    EXPECT_FLOAT_EQ(g_driverSettings.mousePeriod, 0.01f);
    // The others are process-wide and keep what the first file said.
    EXPECT_TRUE(g_driverSettings.showFPS);
}

TEST_F(DriverSettingsTest, WithoutDefaultModeBlockAHardwareFullScreen640x480x16IsChosen) {
    useData("no_default_mode");
    LogCapture log;
    D3DRenderDriver driver;
    EXPECT_TRUE(g_driverSettings.showFPS);  // the block itself was read
    const VideoMode* mode = driver.getDefaultVideoMode();
    ASSERT_NE(mode, nullptr);
    EXPECT_TRUE(mode->isHardware());
    EXPECT_FALSE(mode->isWindowed());
    EXPECT_EQ(mode->getWidth(), 640);
    EXPECT_EQ(mode->getHeight(), 480);
    EXPECT_EQ(mode->getColorDepth(), 16);
    EXPECT_EQ(log.countKind("Driver", Kind::Warning), 0);
}

TEST_F(DriverSettingsTest, NoMatchingModeWarnsAndFallsBackToTheSoftwareDefault) {
    useData("no_match");
    LogCapture log;
    D3DRenderDriver driver;
    ASSERT_EQ(log.count("Driver", "Can't find default video mode. Check system.cfg!"), 1);
    for (const auto& r : log.records())
        if (r.kind == Kind::Warning) {
            EXPECT_EQ(r.level, 1.0f);
            EXPECT_EQ(r.context.path, "3d/driver/d3d/driver");
        }

    // The fallback is the enumeration's software choice, in that device's
    // current mode.
    D3DEnum_DriverInfo* selectedDriver = nullptr;
    D3DEnum_DeviceInfo* selectedDevice = nullptr;
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE), D3DENUM_OK);
    ASSERT_EQ(D3DEnum_GetSelected(&selectedDriver, &selectedDevice), D3DENUM_OK);
    ASSERT_NE(selectedDevice, nullptr);
    ASSERT_NE(selectedDevice->currentMode, nullptr);
    const std::string expected = std::string(selectedDriver->description) + " " +
                                 selectedDevice->name + " " + selectedDevice->currentMode->text;

    const VideoMode* mode = driver.getDefaultVideoMode();
    ASSERT_NE(mode, nullptr);
    EXPECT_FALSE(mode->isHardware());
    EXPECT_EQ(std::string(mode->getName()), expected);
    // It is the first such mode of the list.
    const auto& list = driver.getVideoModeList();
    const auto first = std::find_if(list.begin(), list.end(), [&](const VideoMode* m) {
        return std::string(m->getName()) == expected;
    });
    EXPECT_EQ(*first, mode);
}
