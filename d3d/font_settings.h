// The settings file of a bitmap font: the image name, the colour key, the
// spacing and height, and one rectangle per character. Kept apart from the
// font itself so that it reads from memory as well as from a file.
#pragma once

#include <engine/types.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string>

// One character's rectangle in the font image: (x, y, x + width, y + height).
struct FontGlyph {
    int x = 0;
    int y = 0;
    int width = 0;
    bool defined = false;
};

struct FontSettings {
    // Line buffers of the file format: a line and its CR LF must fit.
    static constexpr std::size_t lineSize = 80;
    static constexpr std::size_t imageNameSize = 40;
    // Bounds of every number, far beyond any surface, so that no sum of a
    // rectangle or of a text's width can overflow.
    static constexpr int maxCoordinate = 65535;

    Color colorKey{0.0f, 0.0f, 0.0f, 1.0f};
    int spacing = 0;
    int height = 0;
    std::array<FontGlyph, 256> glyphs{};

    const FontGlyph& glyph(char c) const { return glyphs[static_cast<unsigned char>(c)]; }
    // Sum of (width + spacing) over the characters less one spacing; 0 for
    // an empty text. Clamped to the largest int.
    int textWidth(const char* text) const;
};

// Reads a settings file line by line from a source of single bytes.
class FontLineReader {
public:
    // The next byte as 0..255, or a negative value when none is left.
    using Source = std::function<int()>;

    explicit FontLineReader(Source source) : next(std::move(source)) {}
    // Reads from `size` bytes at `data`, which must outlive the reader.
    FontLineReader(const char* data, std::size_t size);

    enum class Status { Line, End, TooLong };

    // Reads up to and including the next LF, which with the one character
    // before it (the CR of a CR LF) is not part of the line; a last line
    // without LF is kept whole. `bufferSize` counts the LF and a
    // terminator: a longer line gives TooLong. End when nothing is left.
    Status readLine(std::string& line, std::size_t bufferSize);

private:
    Source next;
};

// Reads the lines after the image name into `settings`; false when the
// colour key, the spacing and height or a glyph line is missing or not
// readable, or a line is too long. `settings` is then partly filled.
bool readFontSettings(FontLineReader& reader, FontSettings& settings);
