// The font settings reader on memory: line ends, the first glyph standing in
// for the others, the end of the glyph list, limits and text widths.
#include "font_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reads the lines after the image name.
bool read(const std::string& text, FontSettings& settings) {
    FontLineReader reader(text.data(), text.size());
    return readFontSettings(reader, settings);
}

TEST(FontSettingsTest, UnlistedCharactersTakeTheFirstGlyphsRectangleUndefined) {
    FontSettings s;
    ASSERT_TRUE(read("255 0 51\r\n2 12\r\n? 10 20 6\r\nx 0 0 4\r\nx 30 1 5\r\n", s));
    EXPECT_FLOAT_EQ(s.colorKey.r, 1.0f);
    EXPECT_FLOAT_EQ(s.colorKey.b, 0.2f);
    EXPECT_EQ(s.colorKey.a, 0.0f);
    EXPECT_EQ(s.spacing, 2);
    EXPECT_EQ(s.height, 12);
    for (const char c : {'z', ' ', '\xE9'}) {
        EXPECT_EQ(s.glyph(c).x, 10) << c;
        EXPECT_EQ(s.glyph(c).y, 20) << c;
        EXPECT_EQ(s.glyph(c).width, 6) << c;
        EXPECT_FALSE(s.glyph(c).defined) << c;
    }
    EXPECT_TRUE(s.glyph('?').defined);
    // A later line for a character replaces the earlier one.
    EXPECT_EQ(s.glyph('x').x, 30);
    EXPECT_EQ(s.glyph('x').y, 1);
    EXPECT_EQ(s.glyph('x').width, 5);
    EXPECT_TRUE(s.glyph('x').defined);
}

TEST(FontSettingsTest, ALineShorterThanThreeCharactersEndsTheGlyphList) {
    FontSettings s;
    ASSERT_TRUE(read("0 0 0\r\n1 8\r\na 0 0 4\r\nb 4 0 4\r\nc\r\nd 8 0 4\r\n", s));
    EXPECT_TRUE(s.glyph('b').defined);
    EXPECT_FALSE(s.glyph('d').defined);
    EXPECT_EQ(s.glyph('d').x, 0);
}

TEST(FontSettingsTest, WithLineFeedsOnlyEveryLineLosesItsLastCharacter) {
    FontSettings s;
    // "1 12" reads as "1 1" and "a 0 0 55" as "a 0 0 5"; the last line has
    // no line feed and stays whole.
    ASSERT_TRUE(read("255 0 2555\n1 12\na 0 0 55\nb 5 0 7", s));
    EXPECT_FLOAT_EQ(s.colorKey.b, 1.0f);
    EXPECT_EQ(s.height, 1);
    EXPECT_EQ(s.glyph('a').width, 5);
    EXPECT_EQ(s.glyph('b').width, 7);

    std::string name;
    const std::string text = "font.tgax\n";
    FontLineReader reader(text.data(), text.size());
    ASSERT_EQ(reader.readLine(name, FontSettings::imageNameSize), FontLineReader::Status::Line);
    EXPECT_EQ(name, "font.tga");
    EXPECT_EQ(reader.readLine(name, FontSettings::imageNameSize), FontLineReader::Status::End);
}

TEST(FontSettingsTest, LinesLongerThanTheirBufferAreRefused) {
    std::string line;
    const std::string fits = std::string(38, 'n') + "\r\n";
    FontLineReader fitting(fits.data(), fits.size());
    EXPECT_EQ(fitting.readLine(line, FontSettings::imageNameSize), FontLineReader::Status::Line);
    EXPECT_EQ(line.size(), 38u);
    const std::string tooLong = std::string(39, 'n') + "\r\n";
    FontLineReader overlong(tooLong.data(), tooLong.size());
    EXPECT_EQ(overlong.readLine(line, FontSettings::imageNameSize),
              FontLineReader::Status::TooLong);

    FontSettings s;
    EXPECT_TRUE(read("0 0 0\r\n1 8\r\na 0 0 4" + std::string(71, ' ') + "\r\n", s));
    EXPECT_FALSE(read("0 0 0\r\n1 8\r\na 0 0 4" + std::string(72, ' ') + "\r\n", s));
}

TEST(FontSettingsTest, MissingOrUnreadableValuesFail) {
    const char* const bad[] = {
        "",                                        // no colour key
        "0 0\r\n1 8\r\na 0 0 4\r\n",               // two colour components
        "0 0 256\r\n1 8\r\na 0 0 4\r\n",           // component out of range
        "0 0 0\r\n1\r\na 0 0 4\r\n",               // no height
        "0 0 0\r\n1 0\r\na 0 0 4\r\n",             // zero height
        "0 0 0\r\n1 8\r\n",                        // no glyph
        "0 0 0\r\n1 8\r\na\r\n",                   // first glyph too short
        "0 0 0\r\n1 8\r\na 0 -1 4\r\n",            // negative coordinate
        "0 0 0\r\n1 8\r\na 0 0 99999999999\r\n",   // beyond any surface
        "0 0 0\r\n1 8\r\na 0 0 4\r\nb x y z\r\n",  // later glyph not numbers
    };
    for (const char* text : bad) {
        FontSettings s;
        EXPECT_FALSE(read(text, s)) << '"' << text << '"';
    }
}

TEST(FontSettingsTest, TextWidthAddsSpacingBetweenGlyphs) {
    FontSettings s;
    ASSERT_TRUE(read("0 0 0\r\n1 8\r\na 0 0 5\r\nb 5 0 7\r\n", s));
    EXPECT_EQ(s.textWidth("ab"), 13);
    EXPECT_EQ(s.textWidth(""), 0);
    // An unlisted character is as wide as the first glyph.
    EXPECT_EQ(s.textWidth("az"), 11);
}

}  // namespace
