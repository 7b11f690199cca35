// The texture manager as the driver's singleton: made by initDriver, its
// preloads and sample textures living exactly as long as a video mode.
#include "texture_fixture.h"

#include <engine/core/globals.h>

TEST(TextureLifecycle, PreloadsAndSampleTexturesLiveAsLongAsAVideoMode) {
    ASSERT_NO_FATAL_FAILURE(TextureTest::useFolder());
    platform::testing::useDefaultDisplayProfile();
    platform::testing::activateApplication();
    TextureTest::writeTextureConfig(
        "TextureCache = { Entry_1 = { textures = [\"Maps/s.tga\"]; }; };");
    TextureTest::writeSolid("Maps/s.tga", 16, 16, kGreen);
    g_driverSettings = DriverSettings();
    initDriver();
    ASSERT_NE(nullptr, theD3DTextureManager);
    ASSERT_EQ(1u, theD3DTextureManager->getPreloads().size());
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    TextureInterface* stone = theD3DTextureManager->getPreloads()[0].texture;
    ASSERT_NE(nullptr, stone);
    EXPECT_STREQ("/Maps/s.tga", stone->getName());
    ASSERT_NE(nullptr, stone->getSurface(0)) << "restored on the new device";
    EXPECT_EQ(rgb565Bits(kGreen),
              rgb565Bits(platform::testing::readSurfaceARGB(stone->getSurface(0))[0]));
    std::string during, after;
    theD3DTextureManager->getStatistic(during);
    EXPECT_NE(std::string::npos, during.find("custom texture 1 x 1"))
        << "the render states were validated with sample textures";

    theRenderDriver->termVideoMode();
    EXPECT_EQ(nullptr, theD3DTextureManager->getPreloads()[0].texture);
    EXPECT_EQ(0, static_cast<TextureContainer*>(stone)->getRestored(0));
    EXPECT_EQ(0u, theD3DTextureManager->getTexturesSize());
    theD3DTextureManager->getStatistic(after);
    EXPECT_EQ(std::string::npos, after.find("custom texture 1 x 1"));
    termDriver();
    EXPECT_EQ(nullptr, theD3DTextureManager);
    std::filesystem::remove_all(TextureTest::dir());
}
