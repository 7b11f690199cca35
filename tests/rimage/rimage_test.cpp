// Drawing into render images: sessions and their backups, GDI pixels and
// lines, bars, same-size and stretched copies, colour keys and text; the
// image factory made by initDriver, and images across video modes.
#include "../support/render_image_fixture.h"

#include <engine/core/screen_shooter.h>

#include <tuple>

namespace {

// A font of some other kind than the driver's bitmap fonts.
struct OtherFont : FontInterface {
    int getTextWidth(const char*) override { return 99; }
};

using DrawSessionTest = RenderImageTest;

// A remade surface gets the backup taken at the end of a session (here the
// nested one) after a bar; pixels and lines set through GDI alone are not
// backed up.
TEST_F(DrawSessionTest, PixelsLinesAndBarsAreDrawnInTheirColourAndBarsBackedUp) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    Color redPixel = redColour, bluePixel = blueColour, greenPixel = greenColour;
    Color read[3];
    session(image, magentaColour, nullptr, [&](RenderImage& r) {
        r.setPixel(2, 3, redPixel);
        r.setPixel(7, 0, bluePixel);
        read[0] = r.getPixel(2, 3), read[1] = r.getPixel(7, 0), read[2] = r.getPixel(0, 0);
        r.drawBar(2, 5, 6, 7);          // without the right and bottom edges
        EXPECT_FALSE(render->hasDC());  // the bar gave the device context back
        r.beginDrawSession();           // draws nothing
        r.endDrawSession();
        r.drawLine(1, 4, 5, 4);  // without the end point
    });
    EXPECT_EQ(std::make_tuple(read[0], read[1], read[2]),
              std::make_tuple(Color(1, 0, 0, 1), Color(0, 0, 1, 1), Color(0, 0, 0, 1)));
    session(image, redColour, nullptr, [&](RenderImage& r) { r.setPixel(1, 1, greenPixel); });
    EXPECT_FALSE(render->hasDC());
    Pixels backedUp =
        picture(8, 8, {{red, {2, 3, 3, 4}}, {blue, {7, 0, 8, 1}}, {magenta, {2, 5, 6, 7}}});
    EXPECT_EQ(pixels(image),
              picture(8, 8, {{magenta, {1, 4, 5, 5}}, {green, {1, 1, 2, 2}}}, black, backedUp));
    platform::testing::loseAllSurfaces();
    ASSERT_TRUE(theD3DTextureManager->checkAll());
    EXPECT_EQ(pixels(image), backedUp);
}

// Fonts other than the driver's bitmap fonts draw and measure nothing.
TEST_F(RenderImageTest, DrawingWithoutSettingsOrSourceOrSessionFailsAndOtherFontsDrawNothing) {
    Image2D flat(8, 8);
    Image3D texture(8, 8, 0);
    RenderImage *f = flat.getRenderImage(), *t = texture.getRenderImage();
    const std::pair<std::function<void()>, const char*> failures[] = {
        {[&] { f->drawLine(0, 0, 4, 0); }, "RenderImage::drawLine: drawSettings is empty"},
        {[&] { f->drawBar(0, 0, 2, 2); }, "RenderImage::drawBar: drawSettings is empty"},
        {[&] { f->drawText(0, 0, "a"); }, "RenderImage::drawText: drawSettings is empty"},
        {[&] { t->drawText(0, 0, "a"); }, "RenderImage::drawText: drawSettings is empty"},
        {[&] { f->getTextWidth("a"); }, "RenderImage::getTextWidth: drawSettings is empty"},
        {[&] { f->drawImage(0, 0, 4, 4, nullptr, 0, 0, 4, 4); },
         "RenderImage::drawImage: no source image"},
        {[&] { f->endDrawSession(); }, "RenderImage::endDrawSession: no draw session is open"}};
    for (const auto& [call, message] : failures)
        EXPECT_EQ(drawError(call), message);
    OtherFont font;
    for (Image* image : {static_cast<Image*>(&flat), static_cast<Image*>(&texture)}) {
        int width = -1;
        session(*image, Color(1.0f, 1.0f, 1.0f), &font, [&](RenderImage& r) {
            r.drawText(0, 0, "text");
            width = r.getTextWidth("text");
        });
        EXPECT_EQ(std::make_pair(width, pixels(*image)), std::make_pair(0, picture(8, 8, {})));
    }
}

// Same size, clipped at each edge (also on a texture) or outside, empty,
// and stretched.
TEST_F(RenderImageTest, CopiesLandClippedOrStretchedAtTheirPlaceAndSkipTheKeyColour) {
    Image2D source(4, 4);  // left half red, right half blue, so that offsets show
    fill(source, redColour, {0, 0, 2, 4});
    fill(source, blueColour, {2, 0, 4, 4});
    const auto copy = [&source](Image& target, int x, int y, int w, int h, int sw = 4, int sh = 4) {
        session(target, Color(), nullptr,
                [&](RenderImage& r) { r.drawImage(x, y, w, h, &source, 0, 0, sw, sh); });
    };
    const struct {
        std::array<int, 6> copy;  // x, y, w, h, source w, source h
        Box red, blue;
    } cases[] = {{{3, 2, 4, 4, 4, 4}, {3, 2, 5, 6}, {5, 2, 7, 6}},
                 {{-2, -1, 4, 4, 4, 4}, {}, {0, 0, 2, 3}},
                 {{6, 5, 4, 4, 4, 4}, {6, 5, 8, 8}, {}},
                 {{0, 0, 8, 8, 4, 4}, {0, 0, 4, 8}, {4, 0, 8, 8}},
                 {{-4, 0, 4, 4, 4, 4}, {}, {}},
                 {{0, -9, 4, 4, 4, 4}, {}, {}},
                 {{0, 8, 4, 4, 4, 4}, {}, {}},
                 {{8, 0, 4, 4, 4, 4}, {}, {}},
                 {{0, 0, 0, 4, 4, 4}, {}, {}},
                 {{0, 0, 4, 0, 4, 4}, {}, {}},
                 {{0, 0, 4, 4, 0, 4}, {}, {}},
                 {{0, 0, 4, 4, 4, 0}, {}, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copy[0] * 100 + c.copy[1]);
        Image2D target(8, 8);
        Image3D texture(8, 8, 0);
        for (Image* image : {static_cast<Image*>(&target), static_cast<Image*>(&texture)}) {
            if (image == &texture && c.copy[2] != c.copy[4])
                continue;  // a texture has no clipper for stretched copies
            const auto& [x, y, w, h, sw, sh] = c.copy;
            copy(*image, x, y, w, h, sw, sh);
            EXPECT_EQ(pixels(*image), picture(8, 8, {{red, c.red}, {blue, c.blue}}));
        }
    }

    // Colour-keyed copies skip the key colour; copies keep the target's
    // clipper; one reaching outside a texture fails.
    Image2D target(8, 8);
    IDirectDrawClipper* clipper = clipperOf(target);
    ASSERT_NE(clipper, nullptr);
    fill(target, greenColour);
    fill(source, magentaColour, {0, 0, 2, 4});  // the key on the left half
    source.getRenderImage()->setColorKey(magentaColour);
    copy(target, 0, 0, 4, 4);  // same size
    copy(target, 4, 0, 4, 8);  // stretched
    source.getRenderImage()->clearColorKey();
    copy(target, 0, 4, 4, 4);
    EXPECT_EQ(pixels(target), picture(8, 8,
                                      {{blue, {2, 0, 4, 4}},
                                       {blue, {6, 0, 8, 8}},
                                       {magenta, {0, 4, 2, 8}},
                                       {blue, {2, 4, 4, 8}}},
                                      green));
    EXPECT_EQ(clipperOf(target), clipper);

    Image3D texture(8, 8, 0);
    RenderImage* render = texture.getRenderImage();
    render->beginDrawSession();
    EXPECT_EQ(drawError([&] { render->drawImage(6, 6, 8, 8, &source, 0, 0, 4, 4); }),
              "RenderImage::draw failed");
    render->endDrawSession();
}

// The factory's images are counted while they live and give their surfaces
// back. Kept: images kept past the end of a video mode, or destroyed then,
// touched freed surfaces; they are drawn on again in the next mode, as are
// images made without a mode.
TEST_F(RenderImageTest, TheFactorysImagesAreCountedAndOutliveTheVideoMode) {
    const LONG before2D = D3DRenderImage2D::counter.getValue();
    const LONG before3D = D3DRenderImage3D::counter.getValue();
    auto kept = std::make_unique<Image2D>(4, 4);
    auto dropped2D = std::make_unique<Image2D>(8, 8);
    auto dropped3D = std::make_unique<Image3D>(16, 8, 4);
    auto* texture = dynamic_cast<D3DRenderImage3D*>(dropped3D->getRenderImage());
    ASSERT_TRUE(dynamic_cast<D3DRenderImage2D*>(kept->getRenderImage()) && texture);
    fill(*kept, redColour);

    theRenderDriver->termVideoMode();
    // An image gives its surface back to the texture manager as it goes.
    const auto listed = [] {
        std::string text;
        theD3DTextureManager->getStatistic(text);
        return text.find("custom surface 8 x 8") != std::string::npos;
    };
    EXPECT_TRUE(listed());
    dropped2D.reset();
    EXPECT_FALSE(listed());
    dropped3D.reset();
    Image2D early(8, 8);
    ASSERT_NE(early.getRenderImage(), nullptr);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    theD3DTextureManager->initFrame();  // retries what could not be made
    for (Image2D* image : {kept.get(), &early}) {
        ASSERT_NE(renderOf(*image)->getSurface(), nullptr);
        fill(*image, blueColour);
        EXPECT_EQ(pixels(*image), picture(image->getWidth(), image->getHeight(), {}, blue));
    }
    EXPECT_EQ(
        std::make_pair(D3DRenderImage2D::counter.getValue(), D3DRenderImage3D::counter.getValue()),
        std::make_pair(before2D + 2, before3D));
}

TEST_F(RenderImageTest, ScreenShotIntoAnImageCopiesOrStretchesTheBackBuffer) {
    theRenderDriver->setBackgroundColor(greenColour, true);
    theRenderDriver->draw();
    theRenderDriver->draw();  // both buffers of the flipping chain hold the colour
    ASSERT_NE(theScreenShooter, nullptr);
    Image2D same(640, 480), half(320, 240);
    for (Image2D* shot : {&same, &half}) {
        ASSERT_NE(renderOf(*shot), nullptr);
        fill(*shot, redColour);
        EXPECT_TRUE(theScreenShooter->shoot(shot));
        EXPECT_EQ(pixels(*shot), Pixels(std::size_t(shot->getWidth()) * shot->getHeight(), green));
    }
}

}  // namespace
