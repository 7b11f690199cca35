// The driver loaded with a video mode, and font files written for a test into
// the write directory, which is mounted ahead of the data root.
#pragma once

#include "image_container.h"
#include "rfonts.h"

#include "../support/log_capture.h"
#include "../support/render_image_fixture.h"

#include <engine/resources.h>

#include <algorithm>
#include <cstring>

class FontTest : public RenderImageTest {
protected:
    static void writeFile(const std::string& name, const std::string& contents) {
        auto file = theResourceManager->openWrite(name);
        ASSERT_TRUE(file && file->write(contents)) << name;
    }

    // The test glyph image, 16 x 4: 'a' at x 0..4, a checkerboard of red and
    // the magenta key; 'b' at x 5..11, solid green; the rest magenta.
    static std::uint32_t glyphPixel(int x, int y) {
        if (x < 5)
            return (x + y) % 2 == 0 ? red : magenta;
        return x < 12 ? green : magenta;
    }
    static void writeGlyphImage(const std::string& name) {
        ImageContainer image;
        ASSERT_TRUE(image.create(16, 4, ALPHA_NONE));
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t p = 0xFF000000u | glyphPixel(i % 16, i / 16);
            std::memcpy(image.getData() + i, &p, 4);
        }
        ASSERT_TRUE(image.save(("/Images/Fonts/" + name).c_str()));
    }
    // A font "<name>" on the test glyph image: key magenta, spacing 1,
    // height 4, 'a' 5 wide and 'b' 7 wide.
    static void writeTestFont(const std::string& name) {
        writeGlyphImage(name + ".tga");
        writeFile("/Configs/Fonts/" + name + ".fnt",
                  name + ".tga\r\n255 0 255\r\n1 4\r\na 0 0 5\r\nb 5 0 7\r\n");
    }

    static void drawText(Image& image, FontInterface* font, int x, int y, const char* text) {
        session(image, Color(), font, [&](RenderImage& r) { r.drawText(x, y, text); });
    }
};

// The text of a thrown registration failure, or empty.
template <typename F>
std::string thrownText(F&& f) {
    try {
        f();
    } catch (const char* text) {
        return text;
    }
    return std::string();
}
