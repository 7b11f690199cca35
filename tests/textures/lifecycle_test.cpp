// The texture manager as the driver's singleton: made by initDriver, its
// preloads and sample textures living exactly as long as a video mode.
#include "texture_fixture.h"

#include <engine/core/globals.h>

namespace {

class TextureLifecycleTest : public TextureTest {
protected:
    void SetUp() override {
        std::filesystem::remove_all(root() / "data");
        std::filesystem::create_directories(root() / "data");
        theResourceManager->setCurrentPath("/");
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        g_driverSettings = DriverSettings();
        writeTextureConfig(R"(
TextureCache = { Entry_1 = { textures = ["Maps/stone.tga"]; }; };
)");
        writeSolid("Maps/stone.tga", 16, 16, kGreen);
        initDriver();
        ASSERT_NE(nullptr, theD3DTextureManager);
    }
    void TearDown() override {
        termDriver();
        g_driverSettings = DriverSettings();
    }
};

TEST_F(TextureLifecycleTest, PreloadsAndSampleTexturesLiveAsLongAsAVideoMode) {
    ASSERT_EQ(1u, theD3DTextureManager->getPreloads().size());
    const VideoMode* mode = theRenderDriver->getDefaultVideoMode();
    ASSERT_NE(nullptr, mode);
    theRenderDriver->initVideoMode(mode);

    TextureInterface* stone = theD3DTextureManager->getPreloads()[0].texture;
    ASSERT_NE(nullptr, stone);
    EXPECT_STREQ("/Maps/stone.tga", stone->getName());
    ASSERT_NE(nullptr, stone->getSurface(0)) << "restored on the new device";
    EXPECT_EQ(rgb565Bits(kGreen), rgb565Bits(pixels(stone->getSurface(0))[0]));
    std::string during;
    theD3DTextureManager->getStatistic(during);
    EXPECT_NE(std::string::npos, during.find("custom texture 1 x 1"))
        << "the render states were validated with sample textures";

    theRenderDriver->termVideoMode();
    EXPECT_EQ(nullptr, theD3DTextureManager->getPreloads()[0].texture);
    EXPECT_EQ(0, static_cast<TextureContainer*>(stone)->getRestored(0));
    EXPECT_EQ(0u, theD3DTextureManager->getTexturesSize());
    std::string after;
    theD3DTextureManager->getStatistic(after);
    EXPECT_EQ(std::string::npos, after.find("custom texture 1 x 1"));
}

TEST_F(TextureLifecycleTest, TermDriverDeletesTheManager) {
    termDriver();
    EXPECT_EQ(nullptr, theD3DTextureManager);
    initDriver();  // for TearDown
}

}  // namespace
