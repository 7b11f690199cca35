// TGA files: reading back what the writer wrote, the alpha classification,
// the choice of reader by extension, and damaged files.
#include "image_support.h"

namespace {

class TgaReaderTest : public ImageFileTest {
protected:
    AlphaFormat loadAlphaOf(const std::vector<std::uint32_t>& pixels) {
        writeFile("/alpha.tga", tgaFile(int(pixels.size()), 1, pixels));
        EXPECT_TRUE(image.load("/alpha.tga"));
        EXPECT_EQ(image.getAlphaFormat() != ALPHA_NONE, image.hasAlpha());
        return image.getAlphaFormat();
    }

    ImageContainer image;
};

TEST_F(TgaReaderTest, WrittenFilesReadBackUnchanged) {
    ImageContainer source;
    ASSERT_TRUE(source.create(5, 3, ALPHA_NONE));
    for (int i = 0; i < 15; ++i)
        source.getData()[i] = pixelOf(0xFF000000u | std::uint32_t(i * 0x0A0B0C));
    ASSERT_TRUE(source.save("/shots/round.tga"));

    ASSERT_TRUE(image.load("/shots/round.tga"));
    ASSERT_EQ(5, image.getWidth());
    ASSERT_EQ(3, image.getHeight());
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(word(source.getData()[i]), word(image.getData()[i])) << "pixel " << i;
    EXPECT_EQ(ALPHA_NONE, image.getAlphaFormat());
}

TEST_F(TgaReaderTest, RowsAreTakenTopFirstAndPixelsAsBlueGreenRedAlpha) {
    writeFile("/rows.tga", tgaFile(2, 2, {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC}));
    ASSERT_TRUE(image.load("/rows.tga"));
    const RGBAColor* p = image.getData();
    EXPECT_EQ(0x33, p[0].b);
    EXPECT_EQ(0x22, p[0].g);
    EXPECT_EQ(0x11, p[0].r);
    EXPECT_EQ(0xFFAABBCCu, word(p[3]));
    EXPECT_EQ(0xFF778899u, word(p[2]));
}

TEST_F(TgaReaderTest, OnlyTheSizeOfTheHeaderIsRead) {
    // Image type, ID length, depth and descriptor are not looked at: the
    // data always follows the 18 header bytes as 32-bit pixels, top first.
    Bytes file = tgaFile(2, 1, {0x80010203, 0xFF040506});
    file[0] = 7;
    file[2] = 10;
    file[16] = 24;
    file[17] = 0x00;
    writeFile("/fields.tga", file);
    ASSERT_TRUE(image.load("/fields.tga"));
    EXPECT_EQ(2, image.getWidth());
    EXPECT_EQ(0x80010203u, word(image.getData()[0]));
    EXPECT_EQ(0xFF040506u, word(image.getData()[1]));
}

TEST_F(TgaReaderTest, AlphaClassification) {
    EXPECT_EQ(ALPHA_NONE, loadAlphaOf({0xFF000000, 0xFFFFFFFF, 0xFF123456}));
    EXPECT_EQ(ALPHA_COLORKEY, loadAlphaOf({0xFF000000, 0x00FF00FF, 0xFF123456, 0x00000000}));
    EXPECT_EQ(ALPHA_GRADED, loadAlphaOf({0xFF000000, 0x80FFFFFF, 0xFF123456}));
    // Graded alpha wins whether it comes before or after a transparent pixel.
    EXPECT_EQ(ALPHA_GRADED, loadAlphaOf({0x00000000, 0x01FFFFFF}));
    EXPECT_EQ(ALPHA_GRADED, loadAlphaOf({0xFEFFFFFF, 0x00000000}));
}

TEST_F(TgaReaderTest, TheColourKeyIsTheFirstTransparentPixel) {
    loadAlphaOf({0xFF102030, 0x00ABCDEF, 0x00111111, 0xFF405060});
    ASSERT_TRUE(image.hasColorKey());
    EXPECT_EQ(0x00ABCDEFu, word(image.getColorKey()));
}

TEST_F(TgaReaderTest, TheReaderIsChosenByTheExtensionInAnyCase) {
    const Bytes file = tgaFile(1, 1, {0xFF010203});
    writeFile("/upper.TGA", file);
    writeFile("/mixed.TgA", file);
    writeFile("/other.png", file);
    writeFile("/tga", file);
    EXPECT_TRUE(image.load("/upper.TGA"));
    EXPECT_EQ(0xFF010203u, word(image.getData()[0]));
    EXPECT_TRUE(image.load("/mixed.TgA"));
    EXPECT_FALSE(image.load("/other.png"));
    EXPECT_EQ(nullptr, image.getData());
    EXPECT_FALSE(image.load("/tga"));
    EXPECT_FALSE(image.load(nullptr));
}

TEST_F(TgaReaderTest, AMissingFileGivesFalseAndAnEmptyImage) {
    ASSERT_TRUE(image.create(4, 4, ALPHA_NONE));
    EXPECT_FALSE(image.load("/nowhere/missing.tga"));
    EXPECT_EQ(0, image.getWidth());
    EXPECT_EQ(nullptr, image.getData());
}

TEST_F(TgaReaderTest, AShortHeaderThrows) {
    Bytes file = tgaFile(1, 1, {});
    file.resize(17);
    writeFile("/short.tga", file);
    writeFile("/empty.tga", {});
    EXPECT_EQ("Error read tga header", thrownMessage([&] { image.load("/short.tga"); }));
    EXPECT_EQ("Error read tga header", thrownMessage([&] { image.load("/empty.tga"); }));
}

TEST_F(TgaReaderTest, ShortPixelDataThrows) {
    Bytes file = tgaFile(2, 2, {1, 2, 3, 4});
    file.pop_back();
    writeFile("/short.tga", file);
    EXPECT_EQ("Error read tga data", thrownMessage([&] { image.load("/short.tga"); }));
}

TEST_F(TgaReaderTest, AHeaderLargerThanTheFileThrowsWithoutTakingItsSize) {
    writeFile("/huge.tga", tgaFile(65535, 65535, {0xFFFFFFFF}));
    EXPECT_EQ("Error read tga data", thrownMessage([&] { image.load("/huge.tga"); }));
    EXPECT_EQ(0, image.getWidth());
    EXPECT_EQ(0, image.getHeight());
    EXPECT_EQ(nullptr, image.getData());
}

TEST_F(TgaReaderTest, AZeroSizeGivesAnEmptyImage) {
    writeFile("/zero.tga", tgaFile(0, 7, {}));
    ASSERT_TRUE(image.load("/zero.tga"));
    EXPECT_EQ(0, image.getWidth() * image.getHeight());
    EXPECT_EQ(nullptr, image.getData());
    EXPECT_FALSE(image.hasAlpha());
}

TEST_F(TgaReaderTest, ExtraBytesAfterThePixelsAreIgnored) {
    Bytes file = tgaFile(1, 1, {0x00445566});
    file.insert(file.end(), {9, 9, 9, 9, 9});
    writeFile("/tail.tga", file);
    ASSERT_TRUE(image.load("/tail.tga"));
    EXPECT_EQ(0x00445566u, word(image.getData()[0]));
    EXPECT_EQ(ALPHA_COLORKEY, image.getAlphaFormat());
}

}  // namespace
