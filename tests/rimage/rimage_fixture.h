// The driver loaded with a video mode, so that render images get real
// surfaces, and helpers to fill and read them.
#pragma once

#include "application.h"
#include "rimage.h"
#include "tmanager.h"

#include "../driver/video_mode_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <platform/testing.h>
#include <platform/testing_display.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RenderImageTest : public VideoModeTest {
protected:
    static D3DRenderImage* renderOf(Image& image) {
        return dynamic_cast<D3DRenderImage*>(image.getRenderImage());
    }

    // Fills (x1, y1)-(x2, y2) of `image` with `color` inside a draw session.
    static void fill(Image& image, const Color& color, int x1, int y1, int x2, int y2) {
        DrawSettings settings;
        settings.color = color;
        RenderImage* render = image.getRenderImage();
        render->setDrawSettings(&settings);
        render->beginDrawSession();
        render->drawBar(x1, y1, x2, y2);
        render->endDrawSession();
        render->setDrawSettings(nullptr);
    }
    static void fill(Image& image, const Color& color) {
        fill(image, color, 0, 0, image.getWidth(), image.getHeight());
    }

    // The pixels as 0x00RRGGBB (alpha dropped: the display format has none).
    static std::vector<std::uint32_t> pixels(Image& image) {
        std::vector<std::uint32_t> argb =
            platform::testing::readSurfaceARGB(renderOf(image)->getSurface());
        for (auto& p : argb)
            p &= 0x00FFFFFFu;
        return argb;
    }
    static std::uint32_t pixel(Image& image, int x, int y) {
        const auto all = pixels(image);
        return all.at(static_cast<std::size_t>(y * image.getWidth() + x));
    }

    static constexpr std::uint32_t black = 0x000000u;
    static constexpr std::uint32_t red = 0xFF0000u;
    static constexpr std::uint32_t green = 0x00FF00u;
    static constexpr std::uint32_t blue = 0x0000FFu;
    static constexpr std::uint32_t magenta = 0xFF00FFu;
};

// Any exception's text, or empty when none was thrown.
template <typename F>
std::string drawError(F&& f) {
    try {
        f();
    } catch (const DrawException& e) {
        return e.what();
    }
    return std::string();
}
