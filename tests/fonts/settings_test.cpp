// The font settings reader on memory: line ends, the first glyph standing in
// for the others, the end of the glyph list, limits and text widths.
#include "font_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Reads the lines after the image name.
bool read(const std::string& text, FontSettings& settings) {
    FontLineReader reader(text.data(), text.size());
    return readFontSettings(reader, settings);
}

// x, y, width and whether the character has a line of its own.
std::tuple<int, int, int, bool> glyph(const FontSettings& s, char c) {
    return {s.glyph(c).x, s.glyph(c).y, s.glyph(c).width, s.glyph(c).defined};
}

// Unlisted characters take the first glyph's rectangle, undefined; a later
// line for a character replaces the earlier one.
TEST(FontSettingsTest, KeySpacingHeightAndGlyphsAreRead) {
    FontSettings s;
    ASSERT_TRUE(read("255 0 51\r\n2 12\r\n? 10 20 6\r\nx 0 0 4\r\nx 30 1 5\r\n", s));
    EXPECT_EQ(std::make_tuple(s.colorKey.r, s.colorKey.g, s.colorKey.a, s.spacing, s.height),
              std::make_tuple(1.0f, 0.0f, 0.0f, 2, 12));
    EXPECT_FLOAT_EQ(s.colorKey.b, 0.2f);
    for (const char c : {'z', ' ', '\xE9'})
        EXPECT_EQ(glyph(s, c), std::make_tuple(10, 20, 6, false)) << c;
    EXPECT_EQ(glyph(s, '?'), std::make_tuple(10, 20, 6, true));
    EXPECT_EQ(glyph(s, 'x'), std::make_tuple(30, 1, 5, true));
    // Text widths add the spacing between glyphs.
    EXPECT_EQ(std::make_tuple(s.textWidth("?x"), s.textWidth(""), s.textWidth("zz")),
              std::make_tuple(13, 0, 14));

    // A line shorter than three characters ends the glyph list.
    ASSERT_TRUE(read("0 0 0\r\n1 8\r\na 0 0 4\r\nb 4 0 4\r\nc\r\nd 8 0 4\r\n", s));
    EXPECT_EQ(glyph(s, 'b'), std::make_tuple(4, 0, 4, true));
    EXPECT_EQ(glyph(s, 'd'), std::make_tuple(0, 0, 4, false));
}

// With line feeds only, every line loses its last character.
TEST(FontSettingsTest, LineEndsLongLinesAndMissingOrUnreadableValues) {
    FontSettings s;
    // "1 12" reads as "1 1" and "a 0 0 55" as "a 0 0 5"; the last line has
    // no line feed and stays whole.
    ASSERT_TRUE(read("255 0 2555\n1 12\na 0 0 55\nb 5 0 7", s));
    EXPECT_EQ(std::make_tuple(s.colorKey.b, s.height, s.glyph('a').width, s.glyph('b').width),
              std::make_tuple(1.0f, 1, 5, 7));

    // 38 characters fit; 39 are too long (the font test's LongName).
    const std::string fits = std::string(38, 'n') + "\r\n";
    FontLineReader fitting(fits.data(), fits.size());
    std::string line;
    EXPECT_EQ(fitting.readLine(line, FontSettings::imageNameSize), FontLineReader::Status::Line);
    EXPECT_EQ(line.size(), 38u);
    EXPECT_TRUE(read("0 0 0\r\n1 8\r\na 0 0 4" + std::string(71, ' ') + "\r\n", s));
    const std::string bad[] = {
        "0 0 0\r\n1 8\r\na 0 0 4" + std::string(72, ' ') + "\r\n",  // a glyph line too long
        "",                                                         // no colour key
        "0 0\r\n1 8\r\na 0 0 4\r\n",                                // two colour components
        "0 0 256\r\n1 8\r\na 0 0 4\r\n",                            // component out of range
        "0 0 0\r\n1\r\na 0 0 4\r\n",                                // no height
        "0 0 0\r\n1 0\r\na 0 0 4\r\n",                              // zero height
        "0 0 0\r\n1 8\r\n",                                         // no glyph
        "0 0 0\r\n1 8\r\na\r\n",                                    // first glyph too short
        "0 0 0\r\n1 8\r\na 0 -1 4\r\n",                             // negative coordinate
        "0 0 0\r\n1 8\r\na 0 0 99999999999\r\n",                    // beyond any surface
        "0 0 0\r\n1 8\r\na 0 0 4\r\nb x y z\r\n",                   // later glyph not numbers
    };
    for (const std::string& text : bad)
        EXPECT_FALSE(read(text, s)) << '"' << text << '"';
}

}  // namespace
