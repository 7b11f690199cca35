// Images written into RGB surfaces: packing into any 16- or 32-bit layout,
// nearest-pixel scaling, depths that are left alone, and surface failures
// handed back unchanged.
#include "image_support.h"

#include <platform/testing.h>

namespace {

class SurfaceCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, dd.get());
        platform::testing::clearInjectedFailures();
    }
    void TearDown() override { platform::testing::clearInjectedFailures(); }

    void fill(int width, int height, std::uint32_t (*pixel)(int, int)) {
        ASSERT_TRUE(image.create(width, height, ALPHA_NONE));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.getData()[y * width + x] = pixelOf(pixel(x, y));
    }

    static std::uint16_t at16(const Bytes& b, std::size_t i) {
        return std::uint16_t(b.at(2 * i) | (b.at(2 * i + 1) << 8));
    }

    DirectDrawObject dd;
    ImageContainer image;
};

std::uint32_t gradient(int x, int y) {
    return 0xFF000000u | std::uint32_t(x * 4) << 16 | std::uint32_t(y * 4) << 8 |
           std::uint32_t((x + y) * 2);
}

TEST_F(SurfaceCopyTest, ADoubledSurfaceShowsEachImagePixelAsATwoByTwoBlock) {
    fill(64, 64, gradient);
    IDirectDrawSurface4* s = dd.create(128, 128, rgbFormat(kR5G6B5));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    const Bytes bytes = surfaceBytes(s, 2);
    int wrong = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const std::uint32_t c = gradient(x / 2, y / 2);
            const std::uint16_t expected = std::uint16_t(((c >> 19) & 0x1F) << 11 |
                                                         ((c >> 10) & 0x3F) << 5 | ((c >> 3) & 0x1F));
            wrong += at16(bytes, std::size_t(y) * 128 + x) != expected;
        }
    EXPECT_EQ(0, wrong);
    s->Release();
}

TEST_F(SurfaceCopyTest, UnevenScalingTakesTheNearestPixelBelow) {
    // Three image columns over seven surface columns: floor(x * 3 / 7).
    fill(3, 1, [](int x, int) { return 0xFF000000u | std::uint32_t(x + 1) * 0x10u; });
    IDirectDrawSurface4* s = dd.create(7, 1, rgbFormat(kA8R8G8B8));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    const Bytes bytes = surfaceBytes(s, 4);
    const int expected[7] = {0, 0, 0, 1, 1, 2, 2};
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ((expected[x] + 1) * 0x10, bytes.at(4 * x)) << x;
    s->Release();
}

TEST_F(SurfaceCopyTest, ChannelsKeepTheirTopBitsInEachLayout) {
    fill(1, 1, [](int, int) { return 0x9ABCDEF1u; });
    struct Case {
        PixelLayout layout;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {kR5G6B5, 0xBEFE},    // 10111 110111 11110
        {kX1R5G5B5, 0x5F7E},  // 0 10111 11011 11110
        {kA1R5G5B5, 0xDF7E},  // alpha's top bit set
        {kA4R4G4B4, 0x9BDF},
        {kA8R8G8B8, 0x9ABCDEF1},
    };
    for (const Case& c : cases) {
        IDirectDrawSurface4* s = dd.create(2, 1, rgbFormat(c.layout));
        ASSERT_NE(nullptr, s);
        ASSERT_EQ(DD_OK, image.copy(s));
        const Bytes b = surfaceBytes(s, c.layout.bits / 8);
        std::uint32_t value = 0;
        for (DWORD i = 0; i < c.layout.bits / 8; ++i)
            value |= std::uint32_t(b.at(i)) << (8 * i);
        EXPECT_EQ(c.expected, value) << std::hex << c.layout.red << " " << c.layout.alpha;
        s->Release();
    }
}

TEST_F(SurfaceCopyTest, WhatCopyWritesPasteReadsBack) {
    fill(5, 3, gradient);
    IDirectDrawSurface4* s = dd.create(5, 3, rgbFormat(kA8R8G8B8));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    ImageContainer back;
    ASSERT_EQ(DD_OK, back.paste(s));
    ASSERT_EQ(5, back.getWidth());
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(word(image.getData()[i]), word(back.getData()[i])) << i;
    s->Release();
}

TEST_F(SurfaceCopyTest, OtherDepthsAreLockedAndLeftAlone) {
    fill(4, 2, gradient);
    DDPIXELFORMAT f = rgbFormat(kA8R8G8B8);
    f.dwFlags = DDPF_RGB;
    f.dwRGBBitCount = 24;
    f.dwRGBAlphaBitMask = 0;
    IDirectDrawSurface4* s = dd.create(4, 2, f);
    ASSERT_NE(nullptr, s);
    fillSurface(s, 3, Bytes(24, 0xAB));
    platform::testing::resetCallCounts();
    EXPECT_EQ(DD_OK, image.copy(s));
    EXPECT_EQ(1u, platform::testing::callCount("IDirectDrawSurface4::Lock"));
    EXPECT_EQ(1u, platform::testing::callCount("IDirectDrawSurface4::Unlock"));
    EXPECT_EQ(Bytes(24, 0xAB), surfaceBytes(s, 3));

    // Pasting such a surface keeps the pixels, resized to the surface.
    ImageContainer pasted;
    ASSERT_TRUE(pasted.create(4, 2, ALPHA_NONE));
    pasted.getData()[3] = pixelOf(0x12345678);
    ASSERT_EQ(DD_OK, pasted.paste(s));
    EXPECT_EQ(0x12345678u, word(pasted.getData()[3]));
    s->Release();
}

TEST_F(SurfaceCopyTest, SurfaceFailuresAreReturnedUnchanged) {
    fill(2, 2, gradient);
    IDirectDrawSurface4* s = dd.create(2, 2, rgbFormat(kR5G6B5));
    ASSERT_NE(nullptr, s);
    platform::testing::failNextCall("IDirectDrawSurface4::GetSurfaceDesc", DDERR_SURFACELOST);
    EXPECT_EQ(DDERR_SURFACELOST, image.copy(s));
    platform::testing::failNextCall("IDirectDrawSurface4::Lock", DDERR_WASSTILLDRAWING);
    EXPECT_EQ(DDERR_WASSTILLDRAWING, image.copy(s));
    platform::testing::failNextCall("IDirectDrawSurface4::Unlock", DDERR_NOTLOCKED);
    EXPECT_EQ(DDERR_NOTLOCKED, image.copy(s));
    EXPECT_EQ(DDERR_INVALIDPARAMS, image.copy(nullptr));
    platform::testing::clearInjectedFailures();
    s->Unlock(nullptr);
    s->Release();
}

TEST_F(SurfaceCopyTest, AnEmptyImageWritesNothing) {
    IDirectDrawSurface4* s = dd.create(2, 2, rgbFormat(kR5G6B5));
    ASSERT_NE(nullptr, s);
    fillSurface(s, 2, Bytes(8, 0x5A));
    EXPECT_EQ(DD_OK, image.copy(s));
    EXPECT_EQ(Bytes(8, 0x5A), surfaceBytes(s, 2));
    s->Release();
}

}  // namespace
