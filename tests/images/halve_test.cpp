// Halving: each channel of four (or, for one-row images, two) source pixels
// averaged with rounding; odd sizes drop their last column and row; an image
// can be halved into itself.
#include "image_support.h"

namespace {

TEST(HalveTest, ChannelsAreAveragedWithRounding) {
    const Words stripes = {0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u};
    Words odd(15, 0x40404040u);  // a last column and a last row of white
    for (int i : {4, 9, 10, 11, 12, 13, 14})
        odd[i] = ~0u;
    const struct {
        int width, height;
        Words pixels;
        int halfWidth, halfHeight;
        Words half;
    } cases[] = {
        {4, 4, stripes, 2, 2, Words(4, 0x80808080u)},  // (510 + 2) / 4
        // Blue 1+1+1+2 = 5 -> 1, green 1+2+2+2 = 7 -> 2, red 0+0+0+2 -> 1.
        {2, 2, {0xFF000101, 0xFF000201, 0xFF000201, 0xFF020202}, 1, 1, {0xFF010201}},
        // (0 + 4 + 4 + 8 + 2) / 4, (8 + 12 + 12 + 16 + 2) / 4
        {4, 2, {0, 4, 8, 12, 4, 8, 12, 16}, 2, 1, {4, 12}},
        // Pairs: (0 + 1 + 1) / 2, (2 + 5 + 1) / 2, ...
        {8, 1, {0, 1, 2, 5, 255, 254, 0x10203040, 0x11213141}, 4, 1, {1, 4, 255, 0x11213141}},
        {5, 3, odd, 2, 1, {0x40404040, 0x40404040}},
        {1, 4, {1, 2, 3, 4}, 0, 0, {}},  // a one-pixel-wide image has no half
    };
    for (const auto& c : cases)
        for (bool inPlace : {false, true}) {
            SCOPED_TRACE(c.width * 10 + c.height + (inPlace ? 100 : 0));
            ImageContainer source, other;
            fill(source, c.width, c.height, c.pixels);
            ASSERT_TRUE(other.create(3, 3, ALPHA_NONE));
            ImageContainer& target = inPlace ? source : other;
            ASSERT_TRUE(source.halve(target));
            EXPECT_EQ(std::make_tuple(target.getWidth(), c.halfWidth ? target.getHeight() : 0,
                                      wordsOf(target), target.getData() == nullptr),
                      std::make_tuple(c.halfWidth, c.halfHeight, c.half, c.half.empty()));
        }
}

}  // namespace
