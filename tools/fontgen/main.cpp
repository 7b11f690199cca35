// Writes the "Default" bitmap font: Configs/Fonts/Default.fnt and
// Images/Fonts/Default.tga under the folder given on the command line.
//
// Each printable ASCII glyph of the built-in 6 x 8 font is trimmed to its ink
// (the space keeps a fixed advance), drawn white at twice the size with a
// black shadow one pixel down and right, on the colour key.
#include "gdi/bitmap_font.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int scale = 2;
constexpr int shadow = 1;
constexpr int glyphHeight = platform::gdi::kCellHeight * scale + shadow;  // 17
constexpr int spaceColumns = 3;  // advance of the space, in source columns
constexpr int spacing = 1;
constexpr int slotWidth = 16;
constexpr int slotHeight = 18;
constexpr int slotsPerRow = 16;
constexpr int imageWidth = slotWidth * slotsPerRow;  // 256
constexpr int imageHeight = 128;
constexpr std::uint32_t keyColor = 0xFFFF00FFu;  // magenta, alpha 255
constexpr std::uint32_t inkColor = 0xFFFFFFFFu;
constexpr std::uint32_t shadowColor = 0xFF000000u;

struct Glyph {
    unsigned char character;
    int x;
    int y;
    int width;
};

bool ink(const std::uint8_t* rows, int row, int column) {
    return (rows[row] & (0x80u >> column)) != 0;
}

// First and last source columns holding ink; false for an empty glyph.
bool inkColumns(const std::uint8_t* rows, int& first, int& last) {
    first = platform::gdi::kCellWidth;
    last = -1;
    for (int row = 0; row < platform::gdi::kCellHeight; ++row)
        for (int column = 0; column < platform::gdi::kCellWidth; ++column)
            if (ink(rows, row, column)) {
                first = std::min(first, column);
                last = std::max(last, column);
            }
    return last >= first;
}

class Picture {
public:
    Picture() : pixels(std::size_t(imageWidth) * imageHeight, keyColor) {}

    void block(int x, int y, std::uint32_t color) {
        for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
                pixels[std::size_t(y + dy) * imageWidth + std::size_t(x + dx)] = color;
    }

    // Uncompressed 32-bit TGA, top row first.
    bool save(const std::filesystem::path& path) const {
        std::ofstream out(path, std::ios::binary);
        std::uint8_t header[18] = {};
        header[2] = 2;
        header[12] = imageWidth & 0xFF;
        header[13] = imageWidth >> 8;
        header[14] = imageHeight & 0xFF;
        header[15] = imageHeight >> 8;
        header[16] = 32;
        header[17] = 0x20;
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        for (const std::uint32_t p : pixels) {
            const char bgra[4] = {char(p & 0xFF), char((p >> 8) & 0xFF), char((p >> 16) & 0xFF),
                                  char(p >> 24)};
            out.write(bgra, 4);
        }
        return bool(out);
    }

private:
    std::vector<std::uint32_t> pixels;
};

Glyph drawGlyph(Picture& picture, unsigned char c, int slot) {
    const int slotX = (slot % slotsPerRow) * slotWidth;
    const int slotY = (slot / slotsPerRow) * slotHeight;
    const std::uint8_t* rows = platform::gdi::glyphRows(c);
    int first = 0;
    int last = 0;
    if (!inkColumns(rows, first, last))
        return {c, slotX, slotY, spaceColumns * scale};
    // The shadow first, so that the ink covers it where they meet.
    for (const bool isShadow : {true, false})
        for (int row = 0; row < platform::gdi::kCellHeight; ++row)
            for (int column = first; column <= last; ++column)
                if (ink(rows, row, column)) {
                    const int offset = isShadow ? shadow : 0;
                    picture.block(slotX + (column - first) * scale + offset,
                                  slotY + row * scale + offset, isShadow ? shadowColor : inkColor);
                }
    return {c, slotX, slotY, (last - first + 1) * scale + shadow};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fontgen <data folder>\n";
        return 2;
    }
    const std::filesystem::path data = argv[1];
    std::filesystem::create_directories(data / "Configs" / "Fonts");
    std::filesystem::create_directories(data / "Images" / "Fonts");

    Picture picture;
    std::vector<Glyph> glyphs;
    for (int c = 32; c <= 126; ++c)
        glyphs.push_back(drawGlyph(picture, static_cast<unsigned char>(c), c - 32));
    if (!picture.save(data / "Images" / "Fonts" / "Default.tga")) {
        std::cerr << "fontgen: cannot write the image\n";
        return 1;
    }

    // The first glyph line, '?', also stands in for every other character.
    std::ofstream settings(data / "Configs" / "Fonts" / "Default.fnt", std::ios::binary);
    settings << "Default.tga\r\n"
             << (keyColor >> 16 & 0xFF) << ' ' << (keyColor >> 8 & 0xFF) << ' ' << (keyColor & 0xFF)
             << "\r\n"
             << spacing << ' ' << glyphHeight << "\r\n";
    const Glyph& question = glyphs['?' - 32];
    settings << question.character << ' ' << question.x << ' ' << question.y << ' '
             << question.width << "\r\n";
    for (const Glyph& g : glyphs)
        if (g.character != '?')
            settings << g.character << ' ' << g.x << ' ' << g.y << ' ' << g.width << "\r\n";
    if (!settings) {
        std::cerr << "fontgen: cannot write the settings\n";
        return 1;
    }
    return 0;
}
