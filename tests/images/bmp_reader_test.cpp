// BMP files: 24-bit rows stored bottom first and padded to four bytes, the
// data offset, and damaged or hostile headers.
#include "image_support.h"

namespace {

std::uint32_t colourAt(int x, int y) {
    return std::uint32_t((x * 40 + 1) << 16 | (y * 50 + 2) << 8 | (x * 7 + y * 11 + 3));
}

class BmpReaderTest : public ImageFileTest {
protected:
    ImageContainer image;
};

TEST_F(BmpReaderTest, RowsComeBottomFirstWithPaddingSkippedAndOpaqueAlpha) {
    // Three pixels make nine bytes a row, padded to a stride of twelve.
    writeFile("/three.bmp", bmpFile(3, 4, colourAt));
    ASSERT_TRUE(image.load("/three.bmp"));
    ASSERT_EQ(3, image.getWidth());
    ASSERT_EQ(4, image.getHeight());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(0xFF000000u | colourAt(x, y), word(image.getData()[y * 3 + x]))
                << x << ", " << y;
    EXPECT_EQ(ALPHA_NONE, image.getAlphaFormat());
    EXPECT_FALSE(image.hasAlpha());
}

TEST_F(BmpReaderTest, PixelsStartWhereTheHeaderSays) {
    writeFile("/gap.bmp", bmpFile(2, 2, colourAt, 10));
    ASSERT_TRUE(image.load("/gap.bmp"));
    EXPECT_EQ(0xFF000000u | colourAt(1, 0), word(image.getData()[1]));
    EXPECT_EQ(0xFF000000u | colourAt(0, 1), word(image.getData()[2]));
}

TEST_F(BmpReaderTest, UpperCaseExtensionUsesTheBmpReader) {
    writeFile("/upper.BMP", bmpFile(1, 1, colourAt));
    ASSERT_TRUE(image.load("/upper.BMP"));
    EXPECT_EQ(0xFF000000u | colourAt(0, 0), word(image.getData()[0]));
}

TEST_F(BmpReaderTest, TheLastRowNeedsNoPadding) {
    Bytes file = bmpFile(3, 2, colourAt);
    file.resize(file.size() - 3);
    writeFile("/unpadded.bmp", file);
    ASSERT_TRUE(image.load("/unpadded.bmp"));
    EXPECT_EQ(0xFF000000u | colourAt(2, 0), word(image.getData()[2]));
}

TEST_F(BmpReaderTest, AShortHeaderThrows) {
    Bytes file = bmpFile(1, 1, colourAt);
    file.resize(53);
    writeFile("/short.bmp", file);
    EXPECT_EQ("Error read bmp header", thrownMessage([&] { image.load("/short.bmp"); }));
}

TEST_F(BmpReaderTest, ShortPixelDataThrows) {
    Bytes file = bmpFile(3, 2, colourAt);
    file.resize(file.size() - 4);
    writeFile("/short.bmp", file);
    EXPECT_EQ("Error read bmp data", thrownMessage([&] { image.load("/short.bmp"); }));
}

TEST_F(BmpReaderTest, PixelsBeyondTheEndOfTheFileThrow) {
    Bytes file = bmpFile(2, 2, colourAt);
    putLE32(file, 10, 0x7FFFFFF0u);
    writeFile("/offset.bmp", file);
    EXPECT_EQ("Error read bmp data", thrownMessage([&] { image.load("/offset.bmp"); }));
}

TEST_F(BmpReaderTest, AHeaderLargerThanTheFileThrowsWithoutTakingItsSize) {
    Bytes file = bmpFile(1, 1, colourAt);
    putLE32(file, 18, 0x7FFFFFFFu);
    putLE32(file, 22, 0x7FFFFFFFu);
    writeFile("/huge.bmp", file);
    EXPECT_EQ("Error read bmp data", thrownMessage([&] { image.load("/huge.bmp"); }));
    EXPECT_EQ(0, image.getWidth());
    EXPECT_EQ(nullptr, image.getData());
}

TEST_F(BmpReaderTest, NegativeSizesAreRefusedAsAHeaderError) {
    Bytes file = bmpFile(2, 2, colourAt);
    putLE32(file, 22, std::uint32_t(-2));
    writeFile("/topdown.bmp", file);
    EXPECT_EQ("Error read bmp header", thrownMessage([&] { image.load("/topdown.bmp"); }));
    putLE32(file, 22, 2);
    putLE32(file, 18, std::uint32_t(-2));
    writeFile("/mirrored.bmp", file);
    EXPECT_EQ("Error read bmp header", thrownMessage([&] { image.load("/mirrored.bmp"); }));
}

TEST_F(BmpReaderTest, AZeroSizeGivesAnEmptyImage) {
    Bytes file = bmpFile(1, 1, colourAt);
    putLE32(file, 18, 0);
    putLE32(file, 22, 0x7FFFFFFFu);
    writeFile("/zero.bmp", file);
    ASSERT_TRUE(image.load("/zero.bmp"));
    EXPECT_EQ(0, image.getWidth());
    EXPECT_EQ(0, image.getHeight());
    EXPECT_EQ(nullptr, image.getData());
}

TEST_F(BmpReaderTest, AMissingFileGivesFalse) {
    EXPECT_FALSE(image.load("/missing.bmp"));
}

}  // namespace
