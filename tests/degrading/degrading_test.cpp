// The driver's degrading manager on a real device: options limited by the
// device's raster capabilities, applied as settings and states, read back.
#include "application.h"
#include "degrading_manager.h"
#include "states.h"

#include "../driver/driver_fixture.h"
#include "../driver/log_capture.h"

#include <engine/core/globals.h>

#include <gtest/gtest.h>

namespace {

class DegradingTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        useData("no_file");
        initDriver();
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(g_pDevice, nullptr);
        manager = theD3DDegradingManager;
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }

    // Gives the current device other raster capabilities, as a different
    // device would report them.
    void setRasterCaps(DWORD caps) {
        theCapabilities.hardware.dpcTriCaps.dwRasterCaps = caps;
        manager->update();
    }

    DWORD deviceState(D3DRENDERSTATETYPE type) {
        DWORD value = 0xDEADBEEF;
        g_pDevice->GetRenderState(type, &value);
        return value;
    }

    D3DDegradingManager* manager = nullptr;
};

}  // namespace

TEST_F(DegradingTest, VideoModeReadsTheDeviceCapabilitiesAndTheSettings) {
    const DWORD caps = currentRasterCaps();
    std::uint32_t expected = 0x25;
    if (caps & D3DPRASTERCAPS_DITHER)
        expected |= 0x02;
    if (caps & D3DPRASTERCAPS_SUBPIXEL)
        expected |= 0x10;
    if (caps & D3DPRASTERCAPS_ANISOTROPY)
        expected |= 0x40;
    if (caps & (D3DPRASTERCAPS_ANTIALIASEDGES | D3DPRASTERCAPS_ANTIALIASSORTINDEPENDENT))
        expected |= 0x08;
    if (caps & D3DPRASTERCAPS_WBUFFER)
        expected |= 0x80;
    EXPECT_EQ(manager->getCapabilities(), expected);
    // current() ran after update(): the options show the default settings.
    EXPECT_EQ(manager->getTextureQuality(), 2);  // scale factor 0
    EXPECT_EQ(manager->getOption(DegradingManager::SPECULAR), g_driverSettings.specular);
    EXPECT_FALSE(manager->getOption(DegradingManager::MIPMAPS));
    EXPECT_TRUE(manager->getOption(DegradingManager::EFFECTS));
}

TEST_F(DegradingTest, DitheringOnADeviceWithoutItStaysOff) {
    setRasterCaps(D3DPRASTERCAPS_SUBPIXEL);
    manager->setOption(DegradingManager::DITHERING, true);
    manager->apply();
    EXPECT_FALSE(g_driverSettings.dithering);
    EXPECT_EQ(deviceState(D3DRENDERSTATE_DITHERENABLE), 0u);

    setRasterCaps(D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_SUBPIXEL);
    manager->setOption(DegradingManager::DITHERING, true);
    manager->setOption(DegradingManager::SUB_PIXEL, true);
    manager->apply();
    EXPECT_TRUE(g_driverSettings.dithering);
    EXPECT_EQ(deviceState(D3DRENDERSTATE_DITHERENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(deviceState(D3DRENDERSTATE_SUBPIXEL), static_cast<DWORD>(TRUE));
}

TEST_F(DegradingTest, SortIndependentAntialiasingWinsOverEdges) {
    setRasterCaps(D3DPRASTERCAPS_ANTIALIASSORTINDEPENDENT | D3DPRASTERCAPS_ANTIALIASEDGES);
    manager->setOption(DegradingManager::ANTIALIASING, true);
    manager->apply();
    EXPECT_TRUE(g_driverSettings.antialiasing);
    EXPECT_EQ(deviceState(D3DRENDERSTATE_ANTIALIAS), static_cast<DWORD>(D3DANTIALIAS_SORTINDEPENDENT));
    EXPECT_EQ(deviceState(D3DRENDERSTATE_EDGEANTIALIAS), 0u);

    setRasterCaps(D3DPRASTERCAPS_ANTIALIASEDGES);
    manager->setOption(DegradingManager::ANTIALIASING, true);
    manager->apply();
    EXPECT_EQ(deviceState(D3DRENDERSTATE_ANTIALIAS), 0u);
    EXPECT_EQ(deviceState(D3DRENDERSTATE_EDGEANTIALIAS), static_cast<DWORD>(TRUE));

    manager->setOption(DegradingManager::ANTIALIASING, false);
    manager->apply();
    EXPECT_EQ(deviceState(D3DRENDERSTATE_EDGEANTIALIAS), 0u);
}

TEST_F(DegradingTest, WBufferAndAnisotropyReachTheDevice) {
    setRasterCaps(D3DPRASTERCAPS_WBUFFER | D3DPRASTERCAPS_ANISOTROPY);
    manager->setOption(DegradingManager::W_BUFFER, true);
    manager->setOption(DegradingManager::ANISOTROPY, true);
    manager->apply();
    EXPECT_EQ(g_driverSettings.depthBufferMode, 2);
    EXPECT_EQ(deviceState(D3DRENDERSTATE_ZENABLE), static_cast<DWORD>(D3DZB_USEW));
    DWORD filter = 0;
    g_pDevice->GetTextureStageState(0, D3DTSS_MAGFILTER, &filter);
    EXPECT_EQ(filter, static_cast<DWORD>(D3DTFG_ANISOTROPIC));

    manager->setOption(DegradingManager::W_BUFFER, false);
    manager->setOption(DegradingManager::ANISOTROPY, false);
    manager->apply();
    EXPECT_EQ(deviceState(D3DRENDERSTATE_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
    g_pDevice->GetTextureStageState(0, D3DTSS_MAGFILTER, &filter);
    EXPECT_EQ(filter, static_cast<DWORD>(D3DTFG_LINEAR));
}

TEST_F(DegradingTest, TextureQualityMapsToTheScaleFactor) {
    manager->setTextureQuality(0);
    manager->apply();
    EXPECT_EQ(g_driverSettings.textureScaleFactor, 2);
    manager->setTextureQuality(1);
    manager->apply();
    EXPECT_EQ(g_driverSettings.textureScaleFactor, 1);
    manager->setTextureQuality(2);
    manager->apply();
    EXPECT_EQ(g_driverSettings.textureScaleFactor, 0);
}

TEST_F(DegradingTest, ApplyThenCurrentLeavesEveryOptionAsItWas) {
    setRasterCaps(D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_SUBPIXEL | D3DPRASTERCAPS_ANISOTROPY |
                  D3DPRASTERCAPS_ANTIALIASEDGES | D3DPRASTERCAPS_WBUFFER);
    const bool wanted[] = {true, false, true, false, true, true, false};
    const DegradingManager::Option options[] = {
        DegradingManager::DITHERING, DegradingManager::SPECULAR,  DegradingManager::ANTIALIASING,
        DegradingManager::SUB_PIXEL, DegradingManager::MIPMAPS,   DegradingManager::ANISOTROPY,
        DegradingManager::W_BUFFER};
    for (size_t i = 0; i < 7; ++i)
        manager->setOption(options[i], wanted[i]);
    manager->setTextureQuality(1);
    manager->apply();
    manager->current();
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(manager->getOption(options[i]), wanted[i]) << "option " << i;
    EXPECT_EQ(manager->getTextureQuality(), 1);
}

TEST_F(DegradingTest, UnknownScaleFactorIsReportedAndLeavesTheQuality) {
    manager->setTextureQuality(1);
    g_driverSettings.textureScaleFactor = 5;
    LogCapture log;
    manager->current();
    EXPECT_EQ(log.count("Driver", "Warning! Unknown texture scale factor 5"), 1);
    EXPECT_EQ(manager->getTextureQuality(), 1);
    theRenderDriver->termVideoMode();  // the capture must outlive the core thread
}

TEST_F(DegradingTest, TracerQualitySetsTheLevelOnlyForItsExactNames) {
    EXPECT_EQ(manager->getQualityLevel(), 3);  // "extra" by default
    theRenderDriver->termVideoMode();
    termDriver();
    useData("tracer_normal");
    initDriver();
    EXPECT_EQ(theD3DDegradingManager->getQualityLevel(), 1);
    termDriver();
    useData("tracer_high");  // "High": not a name, the level stays
    initDriver();
    EXPECT_EQ(theD3DDegradingManager->getQualityLevel(), 3);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
}
