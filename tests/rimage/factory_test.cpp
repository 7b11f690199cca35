// The image factory made by initDriver: images on surfaces and textures,
// counted while they live.
#include "rimage_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/screen_shooter.h>

namespace {

using ImageFactoryTest = RenderImageTest;

TEST_F(ImageFactoryTest, TwoDimensionalImagesLiveOnPlainSurfacesAndAreCounted) {
    const LONG before = D3DRenderImage2D::counter.getValue();
    {
        Image2D image(24, 10);
        auto* render = dynamic_cast<D3DRenderImage2D*>(image.getRenderImage());
        ASSERT_NE(render, nullptr);
        EXPECT_EQ(D3DRenderImage2D::counter.getValue(), before + 1);
        ASSERT_NE(render->getSurface(), nullptr);
        EXPECT_EQ(render->getWidth(), 24);
        EXPECT_EQ(render->getHeight(), 10);
        EXPECT_EQ(render->getDescription().dwWidth, 24u);
        EXPECT_FALSE(render->isColorKey());
        EXPECT_EQ(render->getColorKey(), Color(0.0f, 0.0f, 0.0f, 1.0f));
    }
    EXPECT_EQ(D3DRenderImage2D::counter.getValue(), before);
}

TEST_F(ImageFactoryTest, ThreeDimensionalImagesLiveOnTexturesAndIgnoreColourKeys) {
    const LONG before = D3DRenderImage3D::counter.getValue();
    {
        Image3D image(16, 8, 4);
        auto* render = dynamic_cast<D3DRenderImage3D*>(image.getRenderImage());
        ASSERT_NE(render, nullptr);
        EXPECT_EQ(D3DRenderImage3D::counter.getValue(), before + 1);
        EXPECT_NE(render->getTexture(), nullptr);
        EXPECT_FALSE(render->hasAlpha());  // no pixel uses alpha yet
        EXPECT_EQ(render->getWidth(), 16);
        EXPECT_GE(render->getTextureWidth(), 16);

        render->setColorKey(Color(1.0f, 0.0f, 1.0f));
        EXPECT_FALSE(render->isColorKey());
    }
    EXPECT_EQ(D3DRenderImage3D::counter.getValue(), before);

}

TEST_F(ImageFactoryTest, ImagesMadeWithoutAVideoModeGetTheirSurfaceWhenOneStarts) {
    theRenderDriver->termVideoMode();
    Image2D image(8, 8);
    ASSERT_NE(image.getRenderImage(), nullptr);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    theD3DTextureManager->initFrame();  // retries what could not be made
    ASSERT_NE(renderOf(image)->getSurface(), nullptr);
    fill(image, Color(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(pixel(image, 7, 7), green);
}

}  // namespace

TEST_F(ImageFactoryTest, ScreenShotIntoAnImageCopiesOrStretchesTheBackBuffer) {
    theRenderDriver->setBackgroundColor(Color(0.0f, 1.0f, 0.0f), true);
    theRenderDriver->draw();
    theRenderDriver->draw();  // both buffers of the flipping chain hold the colour
    ASSERT_NE(theScreenShooter, nullptr);
    Image2D same(640, 480);
    Image2D half(320, 240);
    ASSERT_NE(renderOf(same), nullptr);
    ASSERT_NE(renderOf(half), nullptr);
    fill(same, Color(1.0f, 0.0f, 0.0f));
    fill(half, Color(1.0f, 0.0f, 0.0f));
    EXPECT_TRUE(theScreenShooter->shoot(&same));
    EXPECT_TRUE(theScreenShooter->shoot(&half));
    EXPECT_EQ(pixel(same, 0, 0), green);
    EXPECT_EQ(pixel(same, 639, 479), green);
    EXPECT_EQ(pixel(half, 0, 0), green);
    EXPECT_EQ(pixel(half, 319, 239), green);
}
