// Bitmap fonts registered by name (loading, the registry and each failure),
// text drawn through them on render images, and their surfaces across video
// modes.
#include "rfonts.h"

#include "../support/log_capture.h"
#include "../support/render_image_fixture.h"

#include <engine/resources.h>

#include <algorithm>
#include <tuple>

namespace {

// The driver loaded with a video mode and the font "Test" of
// tests/fonts/data registered: its glyph image is 16 x 4, 'a' at x 0..4 a
// checkerboard of red and the magenta key, 'b' at x 5..11 solid green, the
// rest magenta; key magenta, spacing 1, height 4, 'a' 5 wide and 'b' 7 wide.
class FontTest : public RenderImageTest {
protected:
    void SetUp() override {
        RenderImageTest::SetUp();
        const std::string root = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/fonts/data";
        ASSERT_TRUE(theResourceManager->setDataRoot(root));
        font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Test"));
        ASSERT_NE(font, nullptr);
    }
    static void drawText(Image& image, FontInterface* font, int x, int y, const char* text) {
        session(image, Color(), font, [&](RenderImage& r) { r.drawText(x, y, text); });
    }
    // "ab" drawn at (3, 2) on a blue 20 x 8 image: 'a' with its key pixels
    // left alone, then 'b' after one pixel of spacing.
    void expectAb() {
        Image2D image(20, 8);
        fill(image, blueColour);
        drawText(image, font, 3, 2, "ab");
        Pixels expected = picture(20, 8, {{green, {9, 2, 16, 6}}}, blue);
        for (int y = 0; y < 4; ++y)
            for (int x = y % 2; x < 5; x += 2)
                expected[std::size_t(2 + y) * 20 + 3 + x] = red;
        EXPECT_EQ(pixels(image), expected);
    }

    BitmapFont* font = nullptr;
};

// The caller's directory is given back, also after each failure, which is
// logged and leaves the registry alone. Registered again without reading
// files; names are compared with their case.
TEST_F(FontTest, RegisteringLoadsTheFontOnceAndKeepsItByNameEachFailureGivesNull) {
    ASSERT_TRUE(font->getSurface() && font->getSurface()->getSurface());
    EXPECT_EQ(std::make_tuple(font->getName(), font->getTextHeight(), font->getCharWidth('b'),
                              font->hasChar('c'), theBitmapFonts.size(),
                              theResourceManager->getCurrentPath()),
              std::make_tuple("Test", 4, 7, false, std::size_t(1), "/"));
    const std::pair<const char*, const char*> failures[] = {
        {"Nowhere", "can't locate font config file Nowhere.fnt"},
        {"NoImage", "required image not found"},
        {"Unreadable", "can't read font settings"},
        {"Corrupt", "can't create image"},
        {"LongName", "can't read font settings"}};
    for (const auto& [name, text] : failures) {
        LogCapture log;
        EXPECT_EQ(theRenderDriver->registerFont(name), nullptr) << name;
        EXPECT_EQ(log.count("Driver", std::string("Font loading error: ") + text), 1) << name;
        EXPECT_EQ(theResourceManager->getCurrentPath(), "/") << name;
    }
    // Without a video mode the font cannot be prepared.
    theRenderDriver->termVideoMode();
    LogCapture log;
    EXPECT_EQ(theRenderDriver->registerFont("Early"), nullptr);
    EXPECT_EQ(
        log.count("Driver", "Font loading error: BitmapFont::restore: surface getting failed"), 1);
    useData("no_file");  // the font's files out of reach
    EXPECT_EQ(theRenderDriver->registerFont("Test"), font);
    EXPECT_EQ(theRenderDriver->registerFont("test"), nullptr);
    EXPECT_EQ(theBitmapFonts.size(), 1u);
    // A dropped font gives its texture and its surface back.
    std::string listed;
    theD3DTextureManager->getStatistic(listed);
    EXPECT_NE(listed.find("Test.tga"), std::string::npos);
    theBitmapFonts.clear();
    listed.clear();
    theD3DTextureManager->getStatistic(listed);
    EXPECT_EQ(listed.find("Test.tga"), std::string::npos) << listed;
}

// Kept: the default font once left its key colour on the image.
TEST_F(FontTest, TheDefaultFontOfTheDataFolderCoversPrintableAscii) {
    ASSERT_TRUE(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data"));
    font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Default"));
    ASSERT_NE(font, nullptr);
    for (int c = 32; c <= 126; ++c)
        EXPECT_TRUE(font->hasChar(char(c)) && font->getCharWidth(char(c)) > 0) << c;
    Image2D image(200, 24);
    fill(image, blueColour);
    drawText(image, font, 2, 2, "Hello, World!");
    drawText(image, font, 2, 2, nullptr);  // no text draws nothing
    const auto all = pixels(image);
    EXPECT_GT(std::count(all.begin(), all.end(), 0xFFFFFFu), 100);  // the ink
    EXPECT_EQ(std::count(all.begin(), all.end(), magenta), 0);
}

// The font's surface is released with the video mode, restored with its
// colour key with the next (the key pixels of 'a' show it), and kept through
// a change of mode. A copy still in progress is asked again; the target keeps
// its clipper, also when a glyph outside it fails. Images measure with the
// font; textures receive no text.
TEST_F(FontTest, GlyphsAreCopiedWithTheKeyLeavingTheBackgroundInEachVideoMode) {
    theRenderDriver->termVideoMode();
    EXPECT_EQ(font->getSurface()->getSurface(), nullptr);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    expectAb();
    theRenderDriver->changeVideoMode(theRenderDriver->getDefaultVideoMode());
    platform::testing::failNextCall("IDirectDrawSurface4::BltFast", DDERR_WASSTILLDRAWING);
    expectAb();
    Image2D narrow(10, 8);
    IDirectDrawClipper* clipper = clipperOf(narrow);
    ASSERT_NE(clipper, nullptr);
    int width = 0;
    session(narrow, Color(), font, [&](RenderImage& r) { width = r.getTextWidth("ab"); });
    EXPECT_EQ(drawError([&] { drawText(narrow, font, 3, 2, "ab"); }),  // 'b' would end at 16
              "BitmapFont::drawText: BltFast failed");
    EXPECT_EQ(std::make_pair(clipperOf(narrow), width), std::make_pair(clipper, 13));
    // Putting the clipper back is the second SetClipper of a draw.
    platform::testing::failNextCall("IDirectDrawSurface4::SetClipper", DDERR_GENERIC, 1);
    EXPECT_EQ(drawError([&] { drawText(narrow, font, 0, 2, "a"); }),
              "BitmapFont::drawText: restore clipper failed");
    Image3D texture(16, 8, 0);
    fill(texture, blueColour);
    drawText(texture, font, 0, 0, "ab");
    EXPECT_EQ(pixels(texture), picture(16, 8, {}, blue));
    // A key with green in it: its copy of the glyphs has 'b' in the key
    // (0, 128, 0), all left out; 'a' keeps its magenta.
    BitmapFont* greenKey = theBitmapFonts.registerFont("GreenKey");
    ASSERT_NE(greenKey, nullptr);
    Image2D keyed(20, 8);
    fill(keyed, blueColour);
    drawText(keyed, greenKey, 3, 2, "ab");
    const Pixels all = pixels(keyed);
    EXPECT_EQ(std::count(all.begin(), all.end(), magenta), 10);
    EXPECT_EQ(std::count(all.begin(), all.end(), blue), 20 * 8 - 5 * 4);  // only 'a' drawn
}

}  // namespace
