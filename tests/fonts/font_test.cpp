// Bitmap fonts registered by name (loading, the registry and each failure),
// text drawn through them on render images, and their surfaces across video
// modes.
#include "font_fixture.h"

#include <tuple>

namespace {

using Kind = debug::Message::Kind;

class FontDrawTest : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        writeTestFont("Test");
        font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Test"));
        ASSERT_NE(font, nullptr);
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
    bool hasClipper(Image& image) {
        IDirectDrawClipper* clipper = nullptr;
        if (FAILED(renderOf(image)->getSurface()->GetClipper(&clipper)) || !clipper)
            return false;
        clipper->Release();
        return true;
    }

    BitmapFont* font = nullptr;
};

TEST_F(FontTest, RegisteringLoadsSettingsAndImageOnceAndKeepsTheFontByName) {
    writeTestFont("Loaded");
    auto* font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Loaded"));
    ASSERT_TRUE(font && font->getSurface() && font->getSurface()->getSurface());
    EXPECT_EQ(std::make_tuple(font->getName(), font->getTextHeight(), font->getCharWidth('b'),
                              font->hasChar('c'), theBitmapFonts.size()),
              std::make_tuple("Loaded", 4, 7, false, std::size_t(1)));
    // The caller's directory is given back.
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/");

    // Again without reading files; names are compared with their case.
    ASSERT_TRUE(theResourceManager->remove("/Configs/Fonts/Loaded.fnt"));
    ASSERT_TRUE(theResourceManager->remove("/Images/Fonts/Loaded.tga"));
    LogCapture log;
    EXPECT_EQ(theRenderDriver->registerFont("Loaded"), font);
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 0);
    EXPECT_EQ(theRenderDriver->registerFont("loaded"), nullptr);
    EXPECT_EQ(theBitmapFonts.size(), 1u);
}

TEST_F(FontTest, EachLoadingFailureIsLoggedAndThrownLeavingTheRegistryAlone) {
    writeTestFont("Good");
    ASSERT_NE(theRenderDriver->registerFont("Good"), nullptr);
    {
        LogCapture log;
        EXPECT_EQ(theRenderDriver->registerFont("Nowhere"), nullptr);
        const auto records = log.records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(std::make_tuple(records[0].kind, records[0].text, records[0].context.path),
                  std::make_tuple(Kind::Error,
                                  "Font loading error: can't locate font config file Nowhere.fnt",
                                  "3d/driver/d3d/driver"));
    }
    writeFile("/Configs/Fonts/NoImage.fnt", "missing.tga\r\n0 0 0\r\n1 4\r\na 0 0 5\r\n");
    writeGlyphImage("Unreadable.tga");
    writeFile("/Configs/Fonts/Unreadable.fnt", "Unreadable.tga\r\n0 0 0\r\n1\r\na 0 0 5\r\n");
    writeFile("/Images/Fonts/Corrupt.tga", "not an image");
    writeFile("/Configs/Fonts/Corrupt.fnt", "Corrupt.tga\r\n0 0 0\r\n1 4\r\na 0 0 5\r\n");
    writeFile("/Configs/Fonts/LongName.fnt", std::string(39, 'n') + "\r\n0 0 0\r\n");
    const std::pair<const char*, const char*> failures[] = {
        {"NoImage", "required image not found"},
        {"Unreadable", "can't read font settings"},
        {"Corrupt", "can't create image"},
        {"LongName", "can't read font settings"}};
    for (const auto& [name, text] : failures) {
        LogCapture log;
        EXPECT_EQ(thrownText([&] { theRenderDriver->registerFont(name); }), text) << name;
        EXPECT_EQ(log.count("Driver", std::string("Font loading error: ") + text), 1) << name;
        EXPECT_EQ(theResourceManager->getCurrentPath(), "/") << name;
    }
    // Without a video mode the font cannot be prepared.
    writeTestFont("Early");
    theRenderDriver->termVideoMode();
    EXPECT_EQ(drawError([&] { theRenderDriver->registerFont("Early"); }),
              "BitmapFont::restore: surface getting failed");
    EXPECT_EQ(theBitmapFonts.size(), 1u);
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/");
}

// Kept: the default font once left its key colour on the image.
TEST_F(FontTest, TheDefaultFontOfTheDataFolderCoversPrintableAscii) {
    ASSERT_TRUE(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data"));
    auto* font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Default"));
    ASSERT_NE(font, nullptr);
    for (int c = 32; c <= 126; ++c)
        EXPECT_TRUE(font->hasChar(char(c)) && font->getCharWidth(char(c)) > 0) << c;
    EXPECT_GE(font->getTextHeight(), 12);
    // Proportional: an 'i' is narrower than an 'm'.
    EXPECT_LT(font->getCharWidth('i'), font->getCharWidth('m'));
    Image2D image(200, 24);
    fill(image, blueColour);
    drawText(image, font, 2, 2, "Hello, World!");
    const auto all = pixels(image);
    EXPECT_GT(std::count(all.begin(), all.end(), 0xFFFFFFu), 100);  // the ink
    EXPECT_EQ(std::count(all.begin(), all.end(), magenta), 0);
}

// A copy still in progress is asked again; the target keeps its clipper,
// also when a glyph outside it fails.
TEST_F(FontDrawTest, GlyphsAreCopiedWithTheKeyLeavingTheBackground) {
    platform::testing::failNextCall("IDirectDrawSurface4::BltFast", DDERR_WASSTILLDRAWING);
    expectAb();
    Image2D narrow(10, 8);
    ASSERT_TRUE(hasClipper(narrow));
    EXPECT_EQ(drawError([&] { drawText(narrow, font, 3, 2, "ab"); }),  // 'b' would end at 16
              "BitmapFont::drawText: BltFast failed");
    EXPECT_TRUE(hasClipper(narrow));
}

TEST_F(FontDrawTest, ImagesMeasureWithTheFontAndTexturesReceiveNoText) {
    Image2D flat(20, 8);
    Image3D texture(16, 8, 0);
    int width = 0;
    session(flat, Color(), font, [&](RenderImage& r) { width = r.getTextWidth("ab"); });
    EXPECT_EQ(width, 13);
    fill(texture, blueColour);
    drawText(texture, font, 0, 0, "ab");
    EXPECT_EQ(pixels(texture), picture(16, 8, {}, blue));
}

// Released with the video mode, restored with its colour key with the next,
// and kept through a change of mode.
TEST_F(FontDrawTest, FontsFollowTheVideoMode) {
    theRenderDriver->termVideoMode();
    EXPECT_EQ(font->getSurface()->getSurface(), nullptr);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    IDirectDrawSurface4* surface = font->getSurface()->getSurface();
    ASSERT_NE(surface, nullptr);
    DDCOLORKEY key{};
    ASSERT_EQ(surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue,
              DDColorMatch(font->getSurface()->getDescription(), Color(1.0f, 0.0f, 1.0f, 0.0f)));
    expectAb();
    theRenderDriver->changeVideoMode(theRenderDriver->getDefaultVideoMode());
    expectAb();
}

}  // namespace
