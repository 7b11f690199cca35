// Drawing into render images: sessions and their backups, GDI pixels and
// lines, bars, same-size and stretched copies, colour keys and text.
#include "rimage_fixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// A font of some other kind than the driver's bitmap fonts.
class OtherFont : public FontInterface {
public:
    int getTextWidth(const char*) override { return 99; }
};

// ---------------------------------------------------------------------------
// Draw sessions
// ---------------------------------------------------------------------------

using DrawSessionTest = RenderImageTest;

TEST_F(DrawSessionTest, SessionsNestOnOneThreadAndCountTheirDepth) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    render->beginDrawSession();
    render->beginDrawSession();
    EXPECT_EQ(render->getDrawDepth(), 2);
    EXPECT_EQ(render->getDrawThread(), GetCurrentThreadId());
    render->endDrawSession();
    EXPECT_EQ(render->getDrawDepth(), 1);
    render->endDrawSession();
    EXPECT_EQ(render->getDrawDepth(), 0);
    EXPECT_EQ(drawError([&] { render->endDrawSession(); }),
              "RenderImage::endDrawSession: no draw session is open");
}

TEST_F(DrawSessionTest, AnotherThreadsSessionBeginsOnlyAfterTheOuterSessionEnds) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    std::atomic<bool> outerEnded{false};
    std::atomic<bool> started{false};
    bool sawOuterEnded = false;
    DWORD otherThread = 0;

    render->beginDrawSession();
    render->beginDrawSession();
    std::thread other([&] {
        started = true;
        render->beginDrawSession();
        sawOuterEnded = outerEnded;
        otherThread = render->getDrawThread();
        render->endDrawSession();
    });
    while (!started)
        std::this_thread::yield();
    render->endDrawSession();
    outerEnded = true;
    render->endDrawSession();
    other.join();

    EXPECT_TRUE(sawOuterEnded);
    EXPECT_NE(otherThread, GetCurrentThreadId());
    EXPECT_EQ(render->getDrawDepth(), 0);
}

TEST_F(DrawSessionTest, BarsAreBackedUpButPixelsAreNot) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    fill(image, Color(1.0f, 0.0f, 0.0f));  // a bar: backed up

    render->beginDrawSession();
    Color greenColor(0.0f, 1.0f, 0.0f);
    render->setPixel(1, 1, greenColor);
    render->endDrawSession();
    EXPECT_FALSE(render->hasDC());
    EXPECT_EQ(pixel(image, 1, 1), green);

    // The remade surface gets the backup, which was taken before the pixel.
    platform::testing::loseAllSurfaces();
    ASSERT_TRUE(theD3DTextureManager->checkAll());
    EXPECT_EQ(pixel(image, 1, 1), red);
    EXPECT_EQ(pixel(image, 6, 6), red);
}

TEST_F(DrawSessionTest, ANestedSessionKeepsTheOuterSessionsChangeForTheBackup) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    DrawSettings settings;
    settings.color = Color(0.0f, 0.0f, 1.0f);
    render->setDrawSettings(&settings);

    render->beginDrawSession();
    render->drawBar(0, 0, 8, 8);
    render->beginDrawSession();  // draws nothing
    render->endDrawSession();
    render->endDrawSession();

    platform::testing::loseAllSurfaces();
    ASSERT_TRUE(theD3DTextureManager->checkAll());
    EXPECT_EQ(pixel(image, 3, 3), blue);
}

// ---------------------------------------------------------------------------
// GDI pixels and lines, bars
// ---------------------------------------------------------------------------

using GdiDrawingTest = RenderImageTest;

TEST_F(GdiDrawingTest, PixelsAreWrittenAndReadBackInTheirColour) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    render->beginDrawSession();
    Color redColor(1.0f, 0.0f, 0.0f);
    Color blueColor(0.0f, 0.0f, 1.0f);
    render->setPixel(2, 3, redColor);
    render->setPixel(7, 0, blueColor);
    EXPECT_EQ(render->getPixel(2, 3), Color(1.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(render->getPixel(7, 0), Color(0.0f, 0.0f, 1.0f, 1.0f));
    EXPECT_EQ(render->getPixel(0, 0), Color(0.0f, 0.0f, 0.0f, 1.0f));
    render->endDrawSession();

    EXPECT_EQ(pixel(image, 2, 3), red);
    EXPECT_EQ(pixel(image, 7, 0), blue);
    EXPECT_EQ(pixel(image, 3, 2), black);
}

TEST_F(GdiDrawingTest, GdiColoursConvertBothWays) {
    EXPECT_EQ(toGdiColor(Color(1.0f, 0.5f, 0.0f)), RGB(255, 128, 0));
    EXPECT_EQ(toGdiColor(Color(2.0f, -1.0f, 0.2f)), RGB(255, 0, 51));
    const Color back = fromGdiColor(RGB(255, 128, 0));
    EXPECT_EQ(toGdiColor(back), RGB(255, 128, 0));
    EXPECT_FLOAT_EQ(back.a, 1.0f);
}

TEST_F(GdiDrawingTest, LinesUseTheSettingsColourAndLeaveTheEndPoint) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    EXPECT_EQ(drawError([&] { render->drawLine(0, 0, 4, 0); }),
              "RenderImage::drawLine: drawSettings is empty");

    DrawSettings settings;
    settings.color = Color(0.0f, 1.0f, 0.0f);
    render->setDrawSettings(&settings);
    render->beginDrawSession();
    render->drawLine(1, 4, 5, 4);
    render->endDrawSession();

    for (int x = 1; x < 5; ++x)
        EXPECT_EQ(pixel(image, x, 4), green) << x;
    EXPECT_EQ(pixel(image, 0, 4), black);
    EXPECT_EQ(pixel(image, 5, 4), black);
    EXPECT_EQ(pixel(image, 3, 3), black);
}

TEST_F(GdiDrawingTest, BarsExcludeTheirRightAndBottomEdges) {
    Image2D image(8, 8);
    fill(image, Color(1.0f, 0.0f, 1.0f), 2, 3, 6, 5);
    const auto all = pixels(image);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
            EXPECT_EQ(all[static_cast<std::size_t>(y * 8 + x)], inside ? magenta : black)
                << x << "," << y;
        }
}

TEST_F(GdiDrawingTest, ABarAfterPixelsGivesTheDeviceContextBack) {
    Image2D image(8, 8);
    D3DRenderImage* render = renderOf(image);
    DrawSettings settings;
    settings.color = Color(0.0f, 0.0f, 1.0f);
    render->setDrawSettings(&settings);
    render->beginDrawSession();
    Color redColor(1.0f, 0.0f, 0.0f);
    render->setPixel(0, 0, redColor);
    EXPECT_TRUE(render->hasDC());
    render->drawBar(4, 4, 8, 8);
    EXPECT_FALSE(render->hasDC());
    render->endDrawSession();
    EXPECT_EQ(pixel(image, 0, 0), red);
    EXPECT_EQ(pixel(image, 5, 5), blue);
}

TEST_F(GdiDrawingTest, BarsNeedDrawSettings) {
    Image2D image(4, 4);
    EXPECT_EQ(drawError([&] { image.getRenderImage()->drawBar(0, 0, 2, 2); }),
              "RenderImage::drawBar: drawSettings is empty");
}

// ---------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------

class ImageCopyTest : public RenderImageTest {
protected:
    void SetUp() override {
        RenderImageTest::SetUp();
        // Left half red, right half blue, so that offsets show.
        source = std::make_unique<Image2D>(4, 4);
        fill(*source, Color(1.0f, 0.0f, 0.0f), 0, 0, 2, 4);
        fill(*source, Color(0.0f, 0.0f, 1.0f), 2, 0, 4, 4);
        target = std::make_unique<Image2D>(8, 8);
    }
    void TearDown() override {
        source.reset();
        target.reset();
        RenderImageTest::TearDown();
    }

    void copy(int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
        RenderImage* render = target->getRenderImage();
        render->beginDrawSession();
        render->drawImage(x, y, w, h, source.get(), sx, sy, sw, sh);
        render->endDrawSession();
    }
    std::size_t count(std::uint32_t color) {
        std::size_t n = 0;
        for (std::uint32_t p : pixels(*target))
            n += p == color;
        return n;
    }

    std::unique_ptr<Image2D> source;
    std::unique_ptr<Image2D> target;
};

TEST_F(ImageCopyTest, SameSizeCopiesLandAtTheirPlace) {
    copy(3, 2, 4, 4, 0, 0, 4, 4);
    EXPECT_EQ(pixel(*target, 3, 2), red);
    EXPECT_EQ(pixel(*target, 4, 5), red);
    EXPECT_EQ(pixel(*target, 5, 2), blue);
    EXPECT_EQ(pixel(*target, 6, 5), blue);
    EXPECT_EQ(pixel(*target, 2, 2), black);
    EXPECT_EQ(pixel(*target, 7, 2), black);
    EXPECT_EQ(count(red) + count(blue), 16u);
}

TEST_F(ImageCopyTest, ZeroSizesDrawNothing) {
    copy(0, 0, 0, 4, 0, 0, 4, 4);
    copy(0, 0, 4, 0, 0, 0, 4, 4);
    copy(0, 0, 4, 4, 0, 0, 0, 4);
    copy(0, 0, 4, 4, 0, 0, 4, 0);
    EXPECT_EQ(count(black), 64u);
}

TEST_F(ImageCopyTest, CopiesLeftOfAndAboveTheTargetAreClipped) {
    copy(-2, -1, 4, 4, 0, 0, 4, 4);
    // Only the blue half's lower three rows remain, at the corner.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(pixel(*target, x, y), blue) << x << "," << y;
    EXPECT_EQ(count(blue), 6u);
    EXPECT_EQ(count(red), 0u);
}

TEST_F(ImageCopyTest, CopiesPastTheRightAndBottomEdgesAreClipped) {
    copy(6, 5, 4, 4, 0, 0, 4, 4);
    for (int y = 5; y < 8; ++y)
        for (int x = 6; x < 8; ++x)
            EXPECT_EQ(pixel(*target, x, y), red) << x << "," << y;
    EXPECT_EQ(count(red), 6u);
    EXPECT_EQ(count(blue), 0u);
}

TEST_F(ImageCopyTest, CopiesEntirelyOutsideDrawNothing) {
    copy(-4, 0, 4, 4, 0, 0, 4, 4);
    copy(0, -9, 4, 4, 0, 0, 4, 4);
    copy(8, 0, 4, 4, 0, 0, 4, 4);
    copy(20, 20, 4, 4, 0, 0, 4, 4);
    EXPECT_EQ(count(black), 64u);
}

TEST_F(ImageCopyTest, SameSizeCopiesLeaveTheTargetsClipperAttached) {
    IDirectDrawSurface4* surface = renderOf(*target)->getSurface();
    IDirectDrawClipper* before = nullptr;
    ASSERT_EQ(surface->GetClipper(&before), DD_OK);
    copy(0, 0, 4, 4, 0, 0, 4, 4);
    IDirectDrawClipper* after = nullptr;
    ASSERT_EQ(surface->GetClipper(&after), DD_OK);
    EXPECT_EQ(after, before);
    after->Release();
    before->Release();
    EXPECT_EQ(count(red) + count(blue), 16u);
}

TEST_F(ImageCopyTest, StretchedCopiesScaleTheSource) {
    copy(0, 0, 8, 8, 0, 0, 4, 4);
    EXPECT_EQ(count(red), 32u);
    EXPECT_EQ(count(blue), 32u);
    EXPECT_EQ(pixel(*target, 3, 7), red);
    EXPECT_EQ(pixel(*target, 4, 0), blue);
}

TEST_F(ImageCopyTest, StretchedCopiesOutsideAnUnclippedTargetFail) {
    Image3D texture(8, 8, 0);
    RenderImage* render = texture.getRenderImage();
    render->beginDrawSession();
    EXPECT_EQ(drawError([&] { render->drawImage(6, 6, 8, 8, source.get(), 0, 0, 4, 4); }),
              "RenderImage::draw failed");
    render->endDrawSession();
    EXPECT_EQ(renderOf(texture)->getDrawDepth(), 0);
}

TEST_F(ImageCopyTest, SameSizeCopiesOntoATextureAreClippedToo) {
    Image3D texture(8, 8, 0);
    RenderImage* render = texture.getRenderImage();
    render->beginDrawSession();
    render->drawImage(6, -2, 4, 4, source.get(), 0, 0, 4, 4);
    render->endDrawSession();
    EXPECT_EQ(pixel(texture, 6, 0), red);
    EXPECT_EQ(pixel(texture, 7, 1), red);
    EXPECT_EQ(pixel(texture, 6, 2), black);
}

TEST_F(ImageCopyTest, AMissingSourceIsAnError) {
    RenderImage* render = target->getRenderImage();
    EXPECT_EQ(drawError([&] { render->drawImage(0, 0, 4, 4, nullptr, 0, 0, 4, 4); }),
              "RenderImage::drawImage: no source image");
}

TEST_F(ImageCopyTest, ColourKeyedCopiesSkipTheKeyColour) {
    fill(*target, Color(0.0f, 1.0f, 0.0f));
    fill(*source, Color(1.0f, 0.0f, 1.0f), 0, 0, 2, 4);  // key on the left half
    source->getRenderImage()->setColorKey(Color(1.0f, 0.0f, 1.0f));
    EXPECT_TRUE(renderOf(*source)->isColorKey());
    EXPECT_EQ(source->getRenderImage()->getColorKey(), Color(1.0f, 0.0f, 1.0f));

    copy(0, 0, 4, 4, 0, 0, 4, 4);  // same size
    EXPECT_EQ(pixel(*target, 0, 0), green);
    EXPECT_EQ(pixel(*target, 2, 0), blue);
    copy(4, 0, 4, 8, 0, 0, 4, 4);  // stretched
    EXPECT_EQ(pixel(*target, 5, 7), green);
    EXPECT_EQ(pixel(*target, 6, 7), blue);

    source->getRenderImage()->clearColorKey();
    EXPECT_FALSE(renderOf(*source)->isColorKey());
    copy(0, 4, 4, 4, 0, 0, 4, 4);
    EXPECT_EQ(pixel(*target, 0, 4), magenta);
}

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

using ImageTextTest = RenderImageTest;

TEST_F(ImageTextTest, TextNeedsDrawSettings) {
    Image2D flat(8, 8);
    Image3D texture(8, 8, 0);
    EXPECT_EQ(drawError([&] { flat.getRenderImage()->drawText(0, 0, "a"); }),
              "RenderImage::drawText: drawSettings is empty");
    EXPECT_EQ(drawError([&] { texture.getRenderImage()->drawText(0, 0, "a"); }),
              "RenderImage::drawText: drawSettings is empty");
    EXPECT_EQ(drawError([&] { flat.getRenderImage()->getTextWidth("a"); }),
              "RenderImage::getTextWidth: drawSettings is empty");
}

TEST_F(ImageTextTest, FontsOtherThanBitmapFontsDrawAndMeasureNothing) {
    OtherFont font;
    DrawSettings settings;
    settings.font = &font;
    settings.color = Color(1.0f, 1.0f, 1.0f);
    Image2D flat(8, 8);
    Image3D texture(8, 8, 0);
    for (Image* image : {static_cast<Image*>(&flat), static_cast<Image*>(&texture)}) {
        RenderImage* render = image->getRenderImage();
        render->setDrawSettings(&settings);
        render->beginDrawSession();
        render->drawText(0, 0, "text");
        render->endDrawSession();
        EXPECT_EQ(render->getTextWidth("text"), 0);
        const auto all = pixels(*image);
        EXPECT_EQ(std::count(all.begin(), all.end(), black), 64);
    }
}

}  // namespace

// Images the engine keeps past the end of a video mode let go of their
// surfaces with it: they can be destroyed then, or drawn on again in the
// next mode.
TEST_F(RenderImageTest, ImagesOutliveTheVideoMode) {
    auto kept = std::make_unique<Image2D>(4, 4);
    fill(*kept, Color(1.0f, 0.0f, 0.0f));
    auto dropped2D = std::make_unique<Image2D>(8, 8);
    auto dropped3D = std::make_unique<Image3D>(8, 8, 0);

    theRenderDriver->termVideoMode();
    dropped2D.reset();
    dropped3D.reset();

    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    ASSERT_NE(g_pDevice, nullptr);
    fill(*kept, Color(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(pixels(*kept), std::vector<std::uint32_t>(16, 0x0000FFu));
}
