// Halving: each channel of four (or, for one-row images, two) source pixels
// averaged with rounding; odd sizes drop their last column and row.
#include "image_support.h"

namespace {

void fill(ImageContainer& image, int width, int height,
          const std::vector<std::uint32_t>& pixels) {
    ASSERT_TRUE(image.create(width, height, ALPHA_NONE));
    ASSERT_EQ(std::size_t(width) * height, pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        image.getData()[i] = pixelOf(pixels[i]);
}

TEST(HalveTest, AlternatingColumnsAverageToTheRoundedMiddle) {
    ImageContainer source, target;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            pixels.push_back(x % 2 ? 0xFFFFFFFFu : 0u);
    fill(source, 4, 4, pixels);
    ASSERT_TRUE(source.halve(target));
    ASSERT_EQ(2, target.getWidth());
    ASSERT_EQ(2, target.getHeight());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(0x80808080u, word(target.getData()[i]));  // (510 + 2) / 4
}

TEST(HalveTest, ChannelsAreAveragedSeparatelyWithRounding) {
    ImageContainer source, target;
    // Per channel sums: blue 1+1+1+2 = 5 -> 1; green 1+2+2+2 = 7 -> 2;
    // red 0+0+0+2 = 2 -> 1; alpha 255 * 4 -> 255.
    fill(source, 2, 2, {0xFF000101, 0xFF000201, 0xFF000201, 0xFF020202});
    ASSERT_TRUE(source.halve(target));
    EXPECT_EQ(0xFF010201u, word(target.getData()[0]));
}

TEST(HalveTest, OneRowImagesAveragePairs) {
    ImageContainer source, target;
    fill(source, 8, 1, {0, 1, 2, 5, 255, 254, 0x10203040, 0x11213141});
    ASSERT_TRUE(source.halve(target));
    ASSERT_EQ(4, target.getWidth());
    ASSERT_EQ(1, target.getHeight());
    EXPECT_EQ(1u, word(target.getData()[0]));  // (0 + 1 + 1) / 2
    EXPECT_EQ(4u, word(target.getData()[1]));  // (2 + 5 + 1) / 2
    EXPECT_EQ(255u, word(target.getData()[2]));
    EXPECT_EQ(0x11213141u, word(target.getData()[3]));
}

TEST(HalveTest, OddSizesDropTheLastColumnAndRow) {
    ImageContainer source, target;
    std::vector<std::uint32_t> pixels(15, 0x40404040u);
    for (int y = 0; y < 3; ++y)
        pixels[y * 5 + 4] = 0xFFFFFFFFu;  // last column
    for (int x = 0; x < 5; ++x)
        pixels[2 * 5 + x] = 0xFFFFFFFFu;  // last row
    fill(source, 5, 3, pixels);
    ASSERT_TRUE(source.halve(target));
    ASSERT_EQ(2, target.getWidth());
    ASSERT_EQ(1, target.getHeight());
    EXPECT_EQ(0x40404040u, word(target.getData()[0]));
    EXPECT_EQ(0x40404040u, word(target.getData()[1]));
}

TEST(HalveTest, AOnePixelWideImageHasNoHalf) {
    ImageContainer source, target;
    fill(source, 1, 4, {1, 2, 3, 4});
    ASSERT_TRUE(target.create(3, 3, ALPHA_NONE));
    ASSERT_TRUE(source.halve(target));
    EXPECT_EQ(0, target.getWidth());
    EXPECT_EQ(nullptr, target.getData());
}

using HalveFileTest = ImageFileTest;

TEST_F(HalveFileTest, TheTargetTakesTheTransparencyAndTheColourKey) {
    writeFile("/keyed.tga", tgaFile(2, 2, {0xFF000000, 0x00123456, 0xFF000000, 0x00FFFFFF}));
    ImageContainer source, target;
    ASSERT_TRUE(source.load("/keyed.tga"));
    ASSERT_TRUE(source.hasColorKey());
    ASSERT_TRUE(target.create(8, 8, ALPHA_NONE));
    ASSERT_TRUE(source.halve(target));
    EXPECT_EQ(ALPHA_COLORKEY, target.getAlphaFormat());
    EXPECT_TRUE(target.hasAlpha());
    EXPECT_EQ(0x00123456u, word(target.getColorKey()));
    // The alphas are averaged like the colours: (255 + 0 + 255 + 0 + 2) / 4.
    EXPECT_EQ(128, target.getData()[0].a);
}

TEST(HalveTest, AnImageCanBeHalvedIntoItself) {
    ImageContainer image;
    fill(image, 4, 2, {0, 4, 8, 12, 4, 8, 12, 16});
    ASSERT_TRUE(image.halve(image));
    ASSERT_EQ(2, image.getWidth());
    ASSERT_EQ(1, image.getHeight());
    EXPECT_EQ(4u, word(image.getData()[0]));   // (0 + 4 + 4 + 8 + 2) / 4
    EXPECT_EQ(12u, word(image.getData()[1]));  // (8 + 12 + 12 + 16 + 2) / 4
}

}  // namespace
