// The driver loaded with a video mode, and font files written for a test into
// the write directory, which is mounted ahead of the data root.
#pragma once

#include "application.h"
#include "image_container.h"
#include "rfonts.h"
#include "rimage.h"

#include "../driver/video_mode_fixture.h"
#include "../driver/log_capture.h"

#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <engine/resources.h>
#include <platform/testing.h>
#include <platform/testing_display.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class FontTest : public VideoModeTest {
protected:
    static void writeFile(const std::string& name, const std::string& contents) {
        auto file = theResourceManager->openWrite(name);
        ASSERT_TRUE(file && file->write(contents)) << name;
    }

    // The test glyph image, 16 x 4: 'a' at x 0..4, a checkerboard of red and
    // the magenta key; 'b' at x 5..11, solid green; the rest magenta.
    static constexpr int imageWidth = 16;
    static constexpr int imageHeight = 4;
    static std::uint32_t glyphPixel(int x, int y) {
        if (x < 5)
            return (x + y) % 2 == 0 ? 0xFF0000u : 0xFF00FFu;
        if (x < 12)
            return 0x00FF00u;
        return 0xFF00FFu;
    }
    static void writeGlyphImage(const std::string& name) {
        ImageContainer image;
        ASSERT_TRUE(image.create(imageWidth, imageHeight, ALPHA_NONE));
        for (int y = 0; y < imageHeight; ++y)
            for (int x = 0; x < imageWidth; ++x) {
                const std::uint32_t p = glyphPixel(x, y);
                image.getData()[y * imageWidth + x] =
                    RGBAColor{std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16), 255};
            }
        ASSERT_TRUE(image.save(("/Images/Fonts/" + name).c_str()));
    }
    // A font "<name>" on the test glyph image: key magenta, spacing 1,
    // height 4, 'a' 5 wide and 'b' 7 wide.
    static void writeTestFont(const std::string& name) {
        writeGlyphImage(name + ".tga");
        writeFile("/Configs/Fonts/" + name + ".fnt", name +
                                                         ".tga\r\n255 0 255\r\n1 4\r\n"
                                                         "a 0 0 5\r\nb 5 0 7\r\n");
    }

    // The pixels as 0x00RRGGBB.
    static std::vector<std::uint32_t> pixels(Image& image) {
        auto* render = dynamic_cast<D3DRenderImage*>(image.getRenderImage());
        std::vector<std::uint32_t> argb = platform::testing::readSurfaceARGB(render->getSurface());
        for (auto& p : argb)
            p &= 0x00FFFFFFu;
        return argb;
    }
    static void fill(Image& image, const Color& color) {
        DrawSettings settings;
        settings.color = color;
        RenderImage* render = image.getRenderImage();
        render->setDrawSettings(&settings);
        render->beginDrawSession();
        render->drawBar(0, 0, image.getWidth(), image.getHeight());
        render->endDrawSession();
        render->setDrawSettings(nullptr);
    }
    static void drawText(Image& image, FontInterface* font, int x, int y, const char* text) {
        DrawSettings settings;
        settings.font = font;
        RenderImage* render = image.getRenderImage();
        render->setDrawSettings(&settings);
        render->beginDrawSession();
        render->drawText(x, y, text);
        render->endDrawSession();
        render->setDrawSettings(nullptr);
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
