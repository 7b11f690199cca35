// Text drawn through bitmap fonts on render images, and the fonts' surfaces
// across video modes.
#include "font_fixture.h"

namespace {

class FontDrawTest : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        writeTestFont("Test");
        font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Test"));
        ASSERT_NE(font, nullptr);
    }

    static constexpr std::uint32_t blue = 0x0000FFu;

    // What "ab" drawn at (left, top) on a blue width x height image shows.
    static std::vector<std::uint32_t> expectedAb(int width, int height, int left, int top) {
        std::vector<std::uint32_t> expected(std::size_t(width) * height, blue);
        for (int y = 0; y < imageHeight; ++y) {
            for (int x = 0; x < 5; ++x) {  // 'a', its key pixels left alone
                const std::uint32_t p = glyphPixel(x, y);
                if (p != 0xFF00FFu)
                    expected[std::size_t(top + y) * width + left + x] = p;
            }
            for (int x = 0; x < 7; ++x)  // 'b', after one pixel of spacing
                expected[std::size_t(top + y) * width + left + 6 + x] = glyphPixel(5 + x, y);
        }
        return expected;
    }

    static bool hasClipper(Image& image) {
        auto* render = dynamic_cast<D3DRenderImage*>(image.getRenderImage());
        IDirectDrawClipper* clipper = nullptr;
        if (FAILED(render->getSurface()->GetClipper(&clipper)) || !clipper)
            return false;
        clipper->Release();
        return true;
    }

    BitmapFont* font = nullptr;
};

TEST_F(FontDrawTest, GlyphsAreCopiedWithTheKeyLeavingTheBackground) {
    Image2D image(20, 8);
    fill(image, Color(0.0f, 0.0f, 1.0f));
    ASSERT_TRUE(hasClipper(image));
    drawText(image, font, 3, 2, "ab");
    EXPECT_EQ(pixels(image), expectedAb(20, 8, 3, 2));
    EXPECT_TRUE(hasClipper(image));
}

TEST_F(FontDrawTest, ACopyStillInProgressIsAskedAgain) {
    Image2D image(20, 8);
    fill(image, Color(0.0f, 0.0f, 1.0f));
    platform::testing::failNextCall("IDirectDrawSurface4::BltFast", DDERR_WASSTILLDRAWING);
    drawText(image, font, 3, 2, "ab");
    EXPECT_EQ(pixels(image), expectedAb(20, 8, 3, 2));
}

TEST_F(FontDrawTest, AGlyphOutsideTheTargetFailsAndTheClipperComesBack) {
    Image2D image(10, 8);
    fill(image, Color(0.0f, 0.0f, 1.0f));
    DrawSettings settings;
    settings.font = font;
    RenderImage* render = image.getRenderImage();
    render->setDrawSettings(&settings);
    std::string error;
    try {
        render->drawText(3, 2, "ab");  // 'b' would end at x 16
    } catch (const DrawException& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "BitmapFont::drawText: BltFast failed");
    EXPECT_TRUE(hasClipper(image));
}

TEST_F(FontDrawTest, ImagesMeasureWithTheFontAndTexturesReceiveNoText) {
    DrawSettings settings;
    settings.font = font;
    Image2D flat(20, 8);
    Image3D texture(16, 8, 0);
    flat.getRenderImage()->setDrawSettings(&settings);
    EXPECT_EQ(flat.getRenderImage()->getTextWidth("ab"), 13);

    fill(texture, Color(0.0f, 0.0f, 1.0f));
    const auto before = pixels(texture);
    drawText(texture, font, 0, 0, "ab");
    EXPECT_EQ(pixels(texture), before);
    EXPECT_EQ(std::count(before.begin(), before.end(), blue), 16 * 8);
}

TEST_F(FontDrawTest, FontsAreReleasedWithTheVideoModeAndRestoredWithTheNext) {
    theRenderDriver->termVideoMode();
    EXPECT_EQ(font->getSurface()->getSurface(), nullptr);

    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    IDirectDrawSurface4* surface = font->getSurface()->getSurface();
    ASSERT_NE(surface, nullptr);
    DDCOLORKEY key{};
    ASSERT_EQ(surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue,
              DDColorMatch(font->getSurface()->getDescription(), Color(1.0f, 0.0f, 1.0f, 0.0f)));

    Image2D image(20, 8);
    fill(image, Color(0.0f, 0.0f, 1.0f));
    drawText(image, font, 3, 2, "ab");
    EXPECT_EQ(pixels(image), expectedAb(20, 8, 3, 2));
}

TEST_F(FontDrawTest, AChangeOfVideoModeKeepsTheColourKey) {
    theRenderDriver->changeVideoMode(theRenderDriver->getDefaultVideoMode());
    Image2D image(20, 8);
    fill(image, Color(0.0f, 0.0f, 1.0f));
    drawText(image, font, 3, 2, "ab");
    EXPECT_EQ(pixels(image), expectedAb(20, 8, 3, 2));
}

}  // namespace
