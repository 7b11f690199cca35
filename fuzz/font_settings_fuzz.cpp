// Feeds arbitrary bytes to the font settings reader as a whole settings
// file: the image name line, then the rest. What was read must hold only
// rectangles within the reader's bounds, and every text must measure.
#include "font_settings.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const char* data = reinterpret_cast<const char*>(bytes);
    FontLineReader reader(data, size);
    std::string image;
    if (reader.readLine(image, FontSettings::imageNameSize) == FontLineReader::Status::TooLong)
        return 0;
    if (image.size() + 1 > FontSettings::imageNameSize)
        std::abort();

    FontSettings settings;
    if (!readFontSettings(reader, settings))
        return 0;
    if (settings.height <= 0 || settings.height > FontSettings::maxCoordinate ||
        settings.spacing < 0 || settings.spacing > FontSettings::maxCoordinate)
        std::abort();
    for (const FontGlyph& glyph : settings.glyphs)
        if (glyph.x < 0 || glyph.y < 0 || glyph.width < 0 ||
            glyph.x > FontSettings::maxCoordinate || glyph.y > FontSettings::maxCoordinate ||
            glyph.width > FontSettings::maxCoordinate)
            std::abort();

    // The input itself as a text, every byte a character.
    const std::string text(data, size);
    const int width = settings.textWidth(text.c_str());
    if (width < 0 || (text.c_str()[0] == '\0' && width != 0))
        std::abort();
    return 0;
}
