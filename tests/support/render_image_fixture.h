// The render image and font tests: the driver loaded with a video mode, so
// that render images get real surfaces, and helpers to draw on them (also for
// tests of their own driver) and read them.
#pragma once

#include "application.h"
#include "rimage.h"
#include "tmanager.h"

#include "driver_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Pixels = std::vector<std::uint32_t>;
using Box = std::array<int, 4>;  // left, top, right, bottom

// `draw` on the image inside a draw session with these settings.
inline void session(Image& image, const Color& color, FontInterface* font,
                    const std::function<void(RenderImage&)>& draw) {
    DrawSettings settings;
    settings.color = color;
    settings.font = font;
    RenderImage* render = image.getRenderImage();
    render->setDrawSettings(&settings);
    render->beginDrawSession();
    draw(*render);
    render->endDrawSession();
    render->setDrawSettings(nullptr);
}
// Fills the box (the whole image when empty) with `color`.
inline void fill(Image& image, const Color& color, Box b = {}) {
    if (b == Box{})
        b = {0, 0, image.getWidth(), image.getHeight()};
    session(image, color, nullptr, [&](RenderImage& r) { r.drawBar(b[0], b[1], b[2], b[3]); });
}

class RenderImageTest : public VideoModeTest {
protected:
    static D3DRenderImage* renderOf(Image& image) {
        return dynamic_cast<D3DRenderImage*>(image.getRenderImage());
    }

    // The pixels as 0x00RRGGBB (alpha dropped: the display format has none).
    static Pixels pixels(Image& image) {
        Pixels argb = platform::testing::readSurfaceARGB(renderOf(image)->getSurface());
        for (auto& p : argb)
            p &= 0x00FFFFFFu;
        return argb;
    }
    // What an image of the given size shows: `out` (or `background`) with
    // the boxes painted over it in order.
    static Pixels picture(int width, int height, std::vector<std::pair<std::uint32_t, Box>> boxes,
                          std::uint32_t background = 0, Pixels out = {}) {
        out.resize(std::size_t(width) * height, background);
        for (const auto& [colour, b] : boxes)
            for (int y = std::max(b[1], 0); y < std::min(b[3], height); ++y)
                for (int x = std::max(b[0], 0); x < std::min(b[2], width); ++x)
                    out[std::size_t(y) * width + x] = colour;
        return out;
    }
    // The clipper the image's surface holds, or none.
    static IDirectDrawClipper* clipperOf(Image& image) {
        IDirectDrawClipper* clipper = nullptr;
        if (SUCCEEDED(renderOf(image)->getSurface()->GetClipper(&clipper)) && clipper)
            clipper->Release();  // the surface keeps its own reference
        return clipper;
    }

    static constexpr std::uint32_t black = 0x000000u, red = 0xFF0000u, green = 0x00FF00u,
                                   blue = 0x0000FFu, magenta = 0xFF00FFu;
    const Color redColour{1.0f, 0.0f, 0.0f}, greenColour{0.0f, 1.0f, 0.0f},
        blueColour{0.0f, 0.0f, 1.0f}, magentaColour{1.0f, 0.0f, 1.0f};
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
