// DDColorMatch: colours placed in 16- and 32-bit pixel formats; DDSetColorKey:
// the source colour key of a surface.
#include "image_support.h"

#include <platform/testing.h>

namespace {

TEST(ColorMatchTest, FiveSixFiveKeepsTheTopBitsOfEachChannel) {
    const DDPIXELFORMAT f = rgbFormat(kR5G6B5);
    EXPECT_EQ(0xFFFFu, DDColorMatch(f, 0xFFFFFFFFul));
    EXPECT_EQ(0xF800u, DDColorMatch(f, 0x00FF0000ul));
    EXPECT_EQ(0x07E0u, DDColorMatch(f, 0x0000FF00ul));
    EXPECT_EQ(0x001Fu, DDColorMatch(f, 0x000000FFul));
    EXPECT_EQ(0x8410u, DDColorMatch(f, 0x00808080ul));
    EXPECT_EQ(0x0000u, DDColorMatch(f, 0xFF070307ul));  // below one step
}

TEST(ColorMatchTest, FiveFiveFiveWithAndWithoutAlpha) {
    EXPECT_EQ(0x7FFFu, DDColorMatch(rgbFormat(kX1R5G5B5), 0xFFFFFFFFul));
    EXPECT_EQ(0x7C00u, DDColorMatch(rgbFormat(kX1R5G5B5), 0x00FF0000ul));
    EXPECT_EQ(0x8000u, DDColorMatch(rgbFormat(kA1R5G5B5), 0x80000000ul));
    EXPECT_EQ(0x0000u, DDColorMatch(rgbFormat(kA1R5G5B5), 0x7F000000ul));
    EXPECT_EQ(0x03E0u, DDColorMatch(rgbFormat(kA1R5G5B5), 0x0000FF00ul));
}

TEST(ColorMatchTest, EightEightEightEightIsTheColourItself) {
    const DDPIXELFORMAT f = rgbFormat(kA8R8G8B8);
    for (unsigned long c : {0x00000000ul, 0x12345678ul, 0xFFFFFFFFul, 0x80FF0001ul})
        EXPECT_EQ(c, DDColorMatch(f, c));
    EXPECT_EQ(0xF135u, DDColorMatch(rgbFormat(kA4R4G4B4), 0xFF123456ul));
}

TEST(ColorMatchTest, TheSurfaceDescriptionsFormatIsUsed) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.ddpfPixelFormat = rgbFormat(kR5G6B5);
    EXPECT_EQ(0xF800u, DDColorMatch(d, 0x00FF0000ul));
    EXPECT_EQ(0x07E0u, DDColorMatch(d, Color(0.0f, 1.0f, 0.0f, 1.0f)));
}

TEST(ColorMatchTest, FloatColoursAreRoundedToTheNearestTiesToEven) {
    const DDPIXELFORMAT f = rgbFormat(kA8R8G8B8);
    EXPECT_EQ(0xFFFF0000ul, DDColorMatch(f, Color(1.0f, 0.0f, 0.0f, 1.0f)));
    // 127.5 rounds up to the even 128, 126.5 down to the even 126.
    const float up = 127.5f / 255.0f, down = 126.5f / 255.0f;
    ASSERT_EQ(127.5f, up * 255.0f);
    ASSERT_EQ(126.5f, down * 255.0f);
    EXPECT_EQ(0x80007E00ul, DDColorMatch(f, Color(0.0f, down, 0.0f, up)));
    EXPECT_EQ(0x00000001ul, DDColorMatch(f, Color(0.0f, 0.0f, 0.6f / 255.0f, 0.4f / 255.0f)));
}

TEST(ColorMatchTest, FloatColoursOutsideTheRangeAreClamped) {
    const DDPIXELFORMAT f = rgbFormat(kA8R8G8B8);
    EXPECT_EQ(0xFF00FF00ul, DDColorMatch(f, Color(-1.0f, 2.0f, -0.0f, 1.5f)));
}

class ColorKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, dd.get());
        surface = dd.create(4, 4, rgbFormat(kR5G6B5));
        ASSERT_NE(nullptr, surface);
    }
    void TearDown() override {
        platform::testing::clearInjectedFailures();
        if (surface)
            surface->Release();
    }

    DirectDrawObject dd;
    IDirectDrawSurface4* surface = nullptr;
};

TEST_F(ColorKeyTest, TheKeyIsOneValueAsLowAndHigh) {
    const unsigned long value = DDColorMatch(rgbFormat(kR5G6B5), 0x00FF00FFul);
    ASSERT_EQ(DD_OK, DDSetColorKey(surface, value));
    DDCOLORKEY key{};
    ASSERT_EQ(DD_OK, surface->GetColorKey(DDCKEY_SRCBLT, &key));
    EXPECT_EQ(0xF81Fu, key.dwColorSpaceLowValue);
    EXPECT_EQ(0xF81Fu, key.dwColorSpaceHighValue);
}

TEST_F(ColorKeyTest, FailuresAreReturned) {
    platform::testing::failNextCall("IDirectDrawSurface4::SetColorKey", DDERR_SURFACELOST);
    EXPECT_EQ(DDERR_SURFACELOST, DDSetColorKey(surface, 0));
    EXPECT_EQ(DDERR_INVALIDPARAMS, DDSetColorKey(nullptr, 0));
}

}  // namespace
