// Images written into packed YUV surfaces ("UYVY", "YUY2") and read back:
// the byte order of each layout, the chroma of each pixel pair, and exact
// round trips of grey levels.
#include "image_support.h"

#include <cstdlib>

namespace {

constexpr DWORD kUYVY = MAKEFOURCC('U', 'Y', 'V', 'Y');
constexpr DWORD kYUY2 = MAKEFOURCC('Y', 'U', 'Y', '2');

class YuvTest : public ::testing::TestWithParam<DWORD> {
protected:
    void SetUp() override { ASSERT_NE(nullptr, dd.get()); }

    void fill(int width, int height, std::uint32_t argb) {
        ASSERT_TRUE(image.create(width, height, ALPHA_NONE));
        for (int i = 0; i < width * height; ++i)
            image.getData()[i] = pixelOf(argb);
    }

    // The bytes of a YUY2 group in the order of the layout under test.
    Bytes group(std::uint8_t y0, std::uint8_t u, std::uint8_t y1, std::uint8_t v) const {
        if (GetParam() == kUYVY)
            return {u, y0, v, y1};
        return {y0, u, y1, v};
    }

    DirectDrawObject dd;
    ImageContainer image;
};

TEST(YuvLayoutTest, BlackIsZeroLumaAndMiddleChroma) {
    DirectDrawObject dd;
    ASSERT_NE(nullptr, dd.get());
    ImageContainer black;
    ASSERT_TRUE(black.create(4, 2, ALPHA_NONE));
    IDirectDrawSurface4* uyvy = dd.create(4, 2, yuvFormat(kUYVY));
    IDirectDrawSurface4* yuy2 = dd.create(4, 2, yuvFormat(kYUY2));
    ASSERT_TRUE(uyvy && yuy2);
    ASSERT_EQ(DD_OK, black.copy(uyvy));
    ASSERT_EQ(DD_OK, black.copy(yuy2));
    Bytes expectedUYVY, expectedYUY2;
    for (int i = 0; i < 4; ++i) {
        expectedUYVY.insert(expectedUYVY.end(), {128, 0, 128, 0});
        expectedYUY2.insert(expectedYUY2.end(), {0, 128, 0, 128});
    }
    EXPECT_EQ(expectedUYVY, surfaceBytes(uyvy, 2));
    EXPECT_EQ(expectedYUY2, surfaceBytes(yuy2, 2));
    uyvy->Release();
    yuy2->Release();
}

TEST_P(YuvTest, UComesFromTheFirstPixelOfAPairAndVFromTheSecond) {
    ASSERT_TRUE(image.create(2, 1, ALPHA_NONE));
    image.getData()[0] = pixelOf(0xFFC86432);  // R 200, G 100, B 50
    image.getData()[1] = pixelOf(0xFF0A141E);  // R 10, G 20, B 30
    IDirectDrawSurface4* s = dd.create(2, 1, yuvFormat(GetParam()));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    // U = 128 - 28 - 29 + 21.5 = 92.5 of the first pixel, V = 128 + 3.6
    // - 5.8 - 2.1 = 123.7 of the second, both truncated. Luma weighs red,
    // green and blue 0.29, 0.57, 0.14: Y0 = 122, Y1 = 18.5 truncated.
    EXPECT_EQ(group(122, 92, 18, 123), surfaceBytes(s, 2));
    s->Release();
}

TEST_P(YuvTest, GreyLevelsRoundTripExactly) {
    ASSERT_TRUE(image.create(256, 2, ALPHA_NONE));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t g = std::uint8_t(y ? 255 - x : x);
            image.getData()[y * 256 + x] = RGBAColor{g, g, g, 255};
        }
    IDirectDrawSurface4* s = dd.create(256, 2, yuvFormat(GetParam()));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));

    ImageContainer back;
    ASSERT_EQ(DD_OK, back.paste(s));
    ASSERT_EQ(256, back.getWidth());
    ASSERT_EQ(2, back.getHeight());
    EXPECT_EQ(ALPHA_NONE, back.getAlphaFormat());
    int wrong = 0;
    for (int i = 0; i < 512; ++i) {
        const RGBAColor a = image.getData()[i], b = back.getData()[i];
        wrong += a.r != b.r || a.g != b.g || a.b != b.b;
    }
    EXPECT_EQ(0, wrong);
    s->Release();
}

TEST_P(YuvTest, ColoursRoundTripClosely) {
    const std::uint32_t colours[] = {0xFFC86432, 0xFF3296C8, 0xFF808000, 0xFF20E040};
    for (std::uint32_t colour : colours) {
        fill(4, 2, colour);
        IDirectDrawSurface4* s = dd.create(4, 2, yuvFormat(GetParam()));
        ASSERT_NE(nullptr, s);
        ASSERT_EQ(DD_OK, image.copy(s));
        ImageContainer back;
        ASSERT_EQ(DD_OK, back.paste(s));
        const RGBAColor a = pixelOf(colour), b = back.getData()[5];
        EXPECT_LE(std::abs(a.r - b.r), 5) << std::hex << colour;
        EXPECT_LE(std::abs(a.g - b.g), 5) << std::hex << colour;
        EXPECT_LE(std::abs(a.b - b.b), 5) << std::hex << colour;
        s->Release();
    }
}

TEST_P(YuvTest, TheLastPixelOfARowStandsInForItsSuccessor) {
    // A one-pixel image stretched over a pair: both halves sample pixel 0,
    // and V comes from pixel 0 too (white: V = 128 + 0, Y = 255).
    fill(1, 1, 0xFFFFFFFF);
    IDirectDrawSurface4* s = dd.create(2, 1, yuvFormat(GetParam()));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    EXPECT_EQ(group(255, 128, 255, 128), surfaceBytes(s, 2));
    s->Release();
}

TEST_P(YuvTest, ScalingPicksThePairsFirstPixelByNearestSampling) {
    // Two image columns over four surface columns: pairs start at image
    // pixels 0 and 1.
    ASSERT_TRUE(image.create(2, 1, ALPHA_NONE));
    image.getData()[0] = RGBAColor{0, 0, 0, 255};
    image.getData()[1] = RGBAColor{100, 100, 100, 255};
    IDirectDrawSurface4* s = dd.create(4, 1, yuvFormat(GetParam()));
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    Bytes expected = group(0, 128, 100, 128);
    const Bytes second = group(100, 128, 100, 128);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(expected, surfaceBytes(s, 2));
    s->Release();
}

INSTANTIATE_TEST_SUITE_P(Layouts, YuvTest, ::testing::Values(kUYVY, kYUY2),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                             return std::string(info.param == kUYVY ? "UYVY" : "YUY2");
                         });

}  // namespace
