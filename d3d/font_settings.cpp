#include "font_settings.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// Reads `count` whitespace-separated decimal numbers from the start of
// `text`, each within [low, high]; what follows them is ignored.
bool readNumbers(const char* text, int* values, int count, long low, long high) {
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text, &end, 10);
        if (end == text || errno == ERANGE || value < low || value > high)
            return false;
        values[i] = static_cast<int>(value);
        text = end;
    }
    return true;
}

// A glyph line: the character, one separator, then x, y and width.
bool readGlyph(const std::string& line, unsigned char& character, FontGlyph& glyph) {
    if (line.size() < 3)
        return false;
    int numbers[3];
    if (!readNumbers(line.c_str() + 2, numbers, 3, 0, FontSettings::maxCoordinate))
        return false;
    character = static_cast<unsigned char>(line[0]);
    glyph.x = numbers[0];
    glyph.y = numbers[1];
    glyph.width = numbers[2];
    glyph.defined = true;
    return true;
}

}  // namespace

int FontSettings::textWidth(const char* text) const {
    if (!text)
        return 0;
    std::int64_t sum = 0;
    for (const char* c = text; *c; ++c) {
        sum += glyph(*c).width + spacing;
        if (sum > INT_MAX)
            return INT_MAX;
    }
    return sum == 0 ? 0 : static_cast<int>(sum - spacing);
}

FontLineReader::FontLineReader(const char* data, std::size_t size)
    : next([data, size, position = std::size_t(0)]() mutable {
          return position < size ? static_cast<unsigned char>(data[position++]) : -1;
      }) {}

FontLineReader::Status FontLineReader::readLine(std::string& line, std::size_t bufferSize) {
    line.clear();
    bool any = false;
    for (int c = next(); c >= 0; c = next()) {
        any = true;
        if (c == '\n') {
            // The LF is stored too, then the terminator takes the place of
            // the character before it.
            if (line.size() + 1 > bufferSize)
                return Status::TooLong;
            if (!line.empty())
                line.pop_back();
            return Status::Line;
        }
        line.push_back(static_cast<char>(c));
        if (line.size() + 1 > bufferSize)
            return Status::TooLong;
    }
    return any ? Status::Line : Status::End;
}

bool readFontSettings(FontLineReader& reader, FontSettings& settings) {
    std::string line;
    int numbers[3];

    if (reader.readLine(line, FontSettings::lineSize) != FontLineReader::Status::Line ||
        !readNumbers(line.c_str(), numbers, 3, 0, 255))
        return false;
    const float scale = 0.00392156862745098f;  // 1 / 255
    settings.colorKey = Color{numbers[0] * scale, numbers[1] * scale, numbers[2] * scale, 0.0f};

    if (reader.readLine(line, FontSettings::lineSize) != FontLineReader::Status::Line ||
        !readNumbers(line.c_str(), numbers, 2, 0, FontSettings::maxCoordinate) || numbers[1] <= 0)
        return false;
    settings.spacing = numbers[0];
    settings.height = numbers[1];

    // The first glyph stands in for every character without a line.
    unsigned char character = 0;
    FontGlyph glyph;
    if (reader.readLine(line, FontSettings::lineSize) != FontLineReader::Status::Line ||
        !readGlyph(line, character, glyph))
        return false;
    FontGlyph fallback = glyph;
    fallback.defined = false;
    settings.glyphs.fill(fallback);
    settings.glyphs[character] = glyph;

    for (;;) {
        const FontLineReader::Status status = reader.readLine(line, FontSettings::lineSize);
        if (status == FontLineReader::Status::End)
            return true;
        if (status == FontLineReader::Status::TooLong)
            return false;
        if (line.size() < 3)
            return true;  // the list ends here; later lines are ignored
        if (!readGlyph(line, character, glyph))
            return false;
        settings.glyphs[character] = glyph;
    }
}
