// The driver's degrading manager on a real device: options limited by the
// device's raster capabilities, applied as settings and states, read back.
#include "application.h"
#include "degrading_manager.h"
#include "texture_interface.h"
#include "tmanager.h"

#include "../support/driver_fixture.h"
#include "../support/log_capture.h"

#include <vector>

using V = std::vector<DWORD>;

class DegradingTest : public VideoModeTest {
protected:
    // Raster caps as another device would report them, then the options in
    // their order (dithering, specular, antialiasing, sub-pixel, mipmaps,
    // anisotropy, w-buffer), applied. Gives the capability flags, the specular
    // and antialiasing settings, the device's dither, sub-pixel, antialias,
    // edge antialias and z states, and stage 0's magnification filter.
    static V apply(DWORD caps, std::initializer_list<bool> wanted) {
        theCapabilities.hardware.dpcTriCaps.dwRasterCaps = caps;
        m().update();
        int option = DegradingManager::DITHERING;
        for (bool on : wanted)
            m().setOption(DegradingManager::Option(option++), on);
        m().apply();
        V seen = {m().getCapabilities(), g_driverSettings.specular, g_driverSettings.antialiasing};
        for (auto type :
             {D3DRENDERSTATE_DITHERENABLE, D3DRENDERSTATE_SUBPIXEL, D3DRENDERSTATE_ANTIALIAS,
              D3DRENDERSTATE_EDGEANTIALIAS, D3DRENDERSTATE_ZENABLE})
            g_pDevice->GetRenderState(type, &seen.emplace_back(0xDEADBEEF));
        g_pDevice->GetTextureStageState(0, D3DTSS_MAGFILTER, &seen.emplace_back(0xDEADBEEF));
        return seen;
    }
    static D3DDegradingManager& m() { return *theD3DDegradingManager; }
};

// The flags: 0x25 always, dither 0x02, antialiasing 0x08, sub-pixel 0x10,
// anisotropy 0x40, w-buffer 0x80. An option needs its flag; sort-independent
// antialiasing wins over edges.
TEST_F(DegradingTest, RasterCapsLimitTheOptionsAndTextureQualityRemakesTextures) {
    EXPECT_EQ(m().getTextureQuality(), 2);  // read back from scale factor 0
    EXPECT_EQ(apply(0, {true, true, true, true, false, true, true}),
              (V{0x25, 1, 0, 0, 0, 0, 0, D3DZB_TRUE, D3DTFG_LINEAR}));
    EXPECT_TRUE(m().getOption(DegradingManager::EFFECTS));
    EXPECT_EQ(apply(D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_SUBPIXEL, {true, false, true, true}),
              (V{0x37, 0, 0, TRUE, TRUE, 0, 0, D3DZB_TRUE, D3DTFG_LINEAR}));
    EXPECT_EQ(apply(D3DPRASTERCAPS_ANTIALIASEDGES | D3DPRASTERCAPS_ANISOTROPY, {0, 0, 1, 0, 0, 1}),
              (V{0x6D, 0, 1, 0, 0, 0, TRUE, D3DZB_TRUE, D3DTFG_ANISOTROPIC}));
    EXPECT_EQ(apply(D3DPRASTERCAPS_ANTIALIASSORTINDEPENDENT | D3DPRASTERCAPS_WBUFFER,
                    {0, 0, 1, 0, 0, 0, 1}),
              (V{0xAD, 0, 1, 0, 0, D3DANTIALIAS_SORTINDEPENDENT, 0, D3DZB_USEW, D3DTFG_LINEAR}));

    // Quality 0, 1, 2 is scale factor 2, 1, 0; a change of it makes the
    // textures again, applying it unchanged does not. current() reads every
    // option back and reports an unknown scale factor.
    TextureInterface* texture = theD3DTextureManager->createTexture(64, 64, ALPHA_NONE, 0);
    ASSERT_TRUE(texture->restore(theD3DRenderDriver->getDirectDraw(), g_pDevice, 0, false));
    platform::testing::resetCallCounts();
    for (int quality : {0, 1, 2}) {
        m().setTextureQuality(quality);
        m().apply();
        EXPECT_EQ(g_driverSettings.textureScaleFactor, 2 - quality);
    }
    const unsigned made = platform::testing::callCount("IDirectDraw4::CreateSurface");
    EXPECT_GE(made, 3u);
    m().apply();
    EXPECT_EQ(platform::testing::callCount("IDirectDraw4::CreateSurface"), made);
    theD3DTextureManager->destroyTexture(texture);

    const bool wanted[] = {true, false, true, false, true, true, false};
    m().setTextureQuality(1);
    apply(~0u, {true, false, true, false, true, true, false});
    m().current();
    for (int option = 0; option < 7; ++option)
        EXPECT_EQ(m().getOption(DegradingManager::Option(option)), wanted[option]) << option;
    EXPECT_EQ(m().getTextureQuality(), 1);
    g_driverSettings.textureScaleFactor = 5;
    LogCapture log;
    m().current();
    EXPECT_EQ(log.count("Driver", "Warning! Unknown texture scale factor 5"), 1);
    EXPECT_EQ(m().getTextureQuality(), 1);
    theRenderDriver->termVideoMode();  // the capture must outlive the core thread
}
