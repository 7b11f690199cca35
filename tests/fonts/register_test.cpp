// Registering fonts by name: loading, the registry, and each failure.
#include "font_fixture.h"

namespace {

using Kind = debug::Message::Kind;
using RegisterFontTest = FontTest;

TEST_F(RegisterFontTest, LoadsSettingsAndImageAndKeepsTheFontByName) {
    writeTestFont("Loaded");
    FontInterface* registered = theRenderDriver->registerFont("Loaded");
    auto* font = dynamic_cast<BitmapFont*>(registered);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->getName(), "Loaded");
    EXPECT_EQ(font->getTextHeight(), 4);
    EXPECT_EQ(font->getCharWidth('b'), 7);
    EXPECT_FALSE(font->hasChar('c'));
    ASSERT_NE(font->getSurface(), nullptr);
    EXPECT_NE(font->getSurface()->getSurface(), nullptr);
    EXPECT_EQ(theBitmapFonts.size(), 1u);
    // The caller's directory is given back.
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/");
}

TEST_F(RegisterFontTest, ASecondRegistrationReturnsTheSameFontWithoutReadingFiles) {
    writeTestFont("Twice");
    FontInterface* first = theRenderDriver->registerFont("Twice");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(theResourceManager->remove("/Configs/Fonts/Twice.fnt"));
    ASSERT_TRUE(theResourceManager->remove("/Images/Fonts/Twice.tga"));
    LogCapture log;
    EXPECT_EQ(theRenderDriver->registerFont("Twice"), first);
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 0);
    // Names are compared with their case.
    EXPECT_EQ(theRenderDriver->registerFont("twice"), nullptr);
    EXPECT_EQ(theBitmapFonts.size(), 1u);
}

TEST_F(RegisterFontTest, AMissingSettingsFileGivesNullAndAnError) {
    LogCapture log;
    EXPECT_EQ(theRenderDriver->registerFont("Nowhere"), nullptr);
    const auto records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, Kind::Error);
    EXPECT_EQ(records[0].text, "Font loading error: can't locate font config file Nowhere.fnt");
    EXPECT_EQ(records[0].context.path, "3d/driver/d3d/driver");
    EXPECT_EQ(theBitmapFonts.size(), 0u);
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/");
}

TEST_F(RegisterFontTest, EachLoadingFailureIsLoggedAndThrownLeavingTheRegistryAlone) {
    writeTestFont("Good");
    ASSERT_NE(theRenderDriver->registerFont("Good"), nullptr);

    writeFile("/Configs/Fonts/NoImage.fnt", "missing.tga\r\n0 0 0\r\n1 4\r\na 0 0 5\r\n");
    writeGlyphImage("Unreadable.tga");
    writeFile("/Configs/Fonts/Unreadable.fnt", "Unreadable.tga\r\n0 0 0\r\n1\r\na 0 0 5\r\n");
    writeFile("/Images/Fonts/Corrupt.tga", "not an image");
    writeFile("/Configs/Fonts/Corrupt.fnt", "Corrupt.tga\r\n0 0 0\r\n1 4\r\na 0 0 5\r\n");
    writeFile("/Configs/Fonts/LongName.fnt", std::string(39, 'n') + "\r\n0 0 0\r\n");

    const struct {
        const char* name;
        const char* text;
    } failures[] = {
        {"NoImage", "required image not found"},
        {"Unreadable", "can't read font settings"},
        {"Corrupt", "can't create image"},
        {"LongName", "can't read font settings"},
    };
    for (const auto& failure : failures) {
        LogCapture log;
        EXPECT_EQ(thrownText([&] { theRenderDriver->registerFont(failure.name); }), failure.text)
            << failure.name;
        EXPECT_EQ(log.count("Driver", std::string("Font loading error: ") + failure.text), 1)
            << failure.name;
        EXPECT_EQ(theBitmapFonts.size(), 1u) << failure.name;
        EXPECT_EQ(theResourceManager->getCurrentPath(), "/") << failure.name;
    }
}

TEST_F(RegisterFontTest, WithoutAVideoModeTheFontCannotBePreparedAndIsNotKept) {
    writeTestFont("Early");
    theRenderDriver->termVideoMode();
    std::string error;
    try {
        theRenderDriver->registerFont("Early");
    } catch (const DrawException& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "BitmapFont::restore: surface getting failed");
    EXPECT_EQ(theBitmapFonts.size(), 0u);
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/");
}

TEST_F(RegisterFontTest, TheDefaultFontOfTheDataFolderCoversPrintableAscii) {
    ASSERT_TRUE(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data"));
    auto* font = dynamic_cast<BitmapFont*>(theRenderDriver->registerFont("Default"));
    ASSERT_NE(font, nullptr);
    for (int c = 32; c <= 126; ++c) {
        EXPECT_TRUE(font->hasChar(static_cast<char>(c))) << c;
        EXPECT_GT(font->getCharWidth(static_cast<char>(c)), 0) << c;
    }
    EXPECT_GE(font->getTextHeight(), 12);
    // Proportional: an 'i' is narrower than an 'm'.
    EXPECT_LT(font->getCharWidth('i'), font->getCharWidth('m'));

    Image2D image(200, 24);
    fill(image, Color(0.0f, 0.0f, 1.0f));
    drawText(image, font, 2, 2, "Hello, World!");
    const auto all = pixels(image);
    EXPECT_GT(std::count(all.begin(), all.end(), 0xFFFFFFu), 100);  // the ink
    // No pixel of the key colour reaches the image.
    EXPECT_EQ(std::count(all.begin(), all.end(), 0xFF00FFu), 0);
}

}  // namespace
