// Surfaces: clears, target formats, and the format from channel masks.
#include "raster_test_util.h"

using namespace rt;

TEST(RasterClear, RectanglesOfColourAndDepth) {
    Canvas c(10, 10, PixelFormat::R5G6B5, DepthFormat::D16);
    c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff000000, 1.0f);
    const D3DRECT rects[2] = {{{1}, {1}, {3}, {4}}, {{8}, {8}, {20}, {20}}};
    c.raster.clear(D3DCLEAR_TARGET, rects, 2, 0xffff0000, 0.0f);
    c.raster.clear(D3DCLEAR_ZBUFFER, rects, 1, 0, 0.5f);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inFirst = x >= 1 && x < 3 && y >= 1 && y < 4;
            const bool inSecond = x >= 8 && y >= 8;
            EXPECT_EQ(c.raw(x, y), (inFirst || inSecond) ? 0xf800u : 0u) << x << "," << y;
            EXPECT_EQ(c.depthAt(x, y), inFirst ? quantizeDepth(DepthFormat::D16, 0.5f) : 0xffffu);
        }
    }
    EXPECT_TRUE(c.paddingUntouched());
}

TEST(RasterTargets, EachFormatStoresColour) {
    struct Case {
        PixelFormat format;
        DWORD expectedRaw;
    };
    // Colour 0x80ff8040: channels truncated to the format's bits.
    const Case cases[] = {
        {PixelFormat::R5G6B5, 0xfc08},       {PixelFormat::X1R5G5B5, 0xfe08},
        {PixelFormat::A1R5G5B5, 0xfe08},     {PixelFormat::A4R4G4B4, 0x8f84},
        {PixelFormat::X8R8G8B8, 0xffff8040}, {PixelFormat::A8R8G8B8, 0x80ff8040},
    };
    for (const Case& k : cases) {
        Canvas c(4, 4, k.format);
        c.untextured();
        drawList(c.raster, quad(0, 0, 4, 4, 0x80ff8040));
        EXPECT_EQ(c.raw(1, 1), k.expectedRaw) << static_cast<int>(k.format);
        EXPECT_TRUE(c.paddingUntouched());
    }
}

TEST(RasterFormats, MasksMapToFormats) {
    EXPECT_EQ(pixelFormatFromMasks(16, 0xf800, 0x07e0, 0x001f, 0), PixelFormat::R5G6B5);
    EXPECT_EQ(pixelFormatFromMasks(16, 0x7c00, 0x03e0, 0x001f, 0), PixelFormat::X1R5G5B5);
    EXPECT_EQ(pixelFormatFromMasks(16, 0x7c00, 0x03e0, 0x001f, 0x8000), PixelFormat::A1R5G5B5);
    EXPECT_EQ(pixelFormatFromMasks(16, 0x0f00, 0x00f0, 0x000f, 0xf000), PixelFormat::A4R4G4B4);
    EXPECT_EQ(pixelFormatFromMasks(32, 0xff0000, 0xff00, 0xff, 0), PixelFormat::X8R8G8B8);
    EXPECT_EQ(pixelFormatFromMasks(32, 0xff0000, 0xff00, 0xff, 0xff000000), PixelFormat::A8R8G8B8);
    EXPECT_EQ(pixelFormatFromMasks(24, 0xff0000, 0xff00, 0xff, 0), PixelFormat::Unknown);
    EXPECT_EQ(depthFormatFromMask(16, 0xffff), DepthFormat::D16);
    EXPECT_EQ(depthFormatFromMask(32, 0xffffff), DepthFormat::D24X8);
    EXPECT_EQ(depthFormatFromMask(32, 0xffffffff), DepthFormat::D32);
    EXPECT_EQ(depthFormatFromMask(8, 0xff), DepthFormat::None);
}
