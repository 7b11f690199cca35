// ImageContainer: pixels taken from 16- and 32-bit surfaces, put into them,
// and written as TGA files.
#include "image_container.h"
#include "shot_support.h"

#include <engine/debug.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t word(const RGBAColor& c) {
    uint32_t w;
    std::memcpy(&w, &c, sizeof w);
    return w;
}

class ImagePasteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, dd.get()); }

    DirectDrawObject dd;
    ImageContainer image;
};

TEST_F(ImagePasteTest, SixteenBitChannelsAreShiftedUpWithoutReplication) {
    IDirectDrawSurface4* s = dd.create(40, 20, kR5G6B5);
    ASSERT_NE(nullptr, s);
    writePixels<uint16_t>(s, [](int x, int y) { return pattern565(x, y, 2); });

    ASSERT_EQ(DD_OK, image.paste(s));
    ASSERT_EQ(40, image.getWidth());
    ASSERT_EQ(20, image.getHeight());
    EXPECT_EQ(ALPHA_NONE, image.getAlphaFormat());
    EXPECT_FALSE(image.hasAlpha());
    int wrong = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            wrong += word(image.getData()[y * 40 + x]) != expand565(pattern565(x, y, 2));
    EXPECT_EQ(0, wrong);
    // White stays 0xF8, 0xFC, 0xF8: the low bits are not filled in.
    writePixels<uint16_t>(s, [](int, int) { return uint16_t(0xFFFF); });
    ASSERT_EQ(DD_OK, image.paste(s));
    EXPECT_EQ(0x00F8FCF8u, word(image.getData()[0]));
    s->Release();
}

TEST_F(ImagePasteTest, ThirtyTwoBitPixelsKeepTheirBytes) {
    IDirectDrawSurface4* s = dd.create(16, 8, kA8R8G8B8);
    ASSERT_NE(nullptr, s);
    auto value = [](int x, int y) { return uint32_t(0x80000000u | ((x * 0x010203u) ^ (y << 20))); };
    writePixels<uint32_t>(s, value);

    ASSERT_EQ(DD_OK, image.paste(s));
    int wrong = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            wrong += word(image.getData()[y * 16 + x]) != value(x, y);
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(ALPHA_NONE, image.getAlphaFormat());  // eight alpha bits
    s->Release();
}

TEST_F(ImagePasteTest, AlphaFormatFollowsTheSurfacesAlphaBits) {
    IDirectDrawSurface4* oneBit = dd.create(4, 4, kA1R5G5B5);
    IDirectDrawSurface4* fourBits = dd.create(4, 4, kA4R4G4B4);
    ASSERT_TRUE(oneBit && fourBits);
    writePixels<uint16_t>(oneBit, [](int x, int) { return uint16_t(x ? 0xFC00 : 0x7C00); });
    writePixels<uint16_t>(fourBits, [](int, int) { return uint16_t(0x8F4A); });

    ASSERT_EQ(DD_OK, image.paste(oneBit));
    EXPECT_EQ(ALPHA_COLORKEY, image.getAlphaFormat());
    EXPECT_TRUE(image.hasAlpha());
    EXPECT_EQ(0x00F80000u, word(image.getData()[0]));
    EXPECT_EQ(0x80F80000u, word(image.getData()[1]));

    ASSERT_EQ(DD_OK, image.paste(fourBits));
    EXPECT_EQ(ALPHA_GRADED, image.getAlphaFormat());
    EXPECT_EQ(0x80F040A0u, word(image.getData()[5]));
    oneBit->Release();
    fourBits->Release();
}

TEST_F(ImagePasteTest, TheImageTakesTheSurfacesSize) {
    ASSERT_TRUE(image.create(3, 3, ALPHA_NONE));
    IDirectDrawSurface4* s = dd.create(10, 6, kX8R8G8B8);
    ASSERT_NE(nullptr, s);
    writePixels<uint32_t>(s, [](int x, int y) { return uint32_t(x + 100 * y); });
    ASSERT_EQ(DD_OK, image.paste(s));
    EXPECT_EQ(10, image.getWidth());
    EXPECT_EQ(6, image.getHeight());
    EXPECT_EQ(509u, word(image.getData()[59]));
    s->Release();
}

TEST_F(ImagePasteTest, ALockFailureIsReturned) {
    IDirectDrawSurface4* s = dd.create(4, 4, kR5G6B5);
    ASSERT_NE(nullptr, s);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    EXPECT_TRUE(FAILED(image.paste(s)));  // already locked
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));
    EXPECT_TRUE(FAILED(image.paste(nullptr)));
    s->Release();
}

TEST_F(ImagePasteTest, CopyScalesToTheSurfaceByNearestPixel) {
    IDirectDrawSurface4* small = dd.create(2, 2, kA8R8G8B8);
    IDirectDrawSurface4* big = dd.create(4, 4, kX8R8G8B8);
    ASSERT_TRUE(small && big);
    const uint32_t colours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu};
    writePixels<uint32_t>(small, [&](int x, int y) { return colours[x + 2 * y]; });
    ASSERT_EQ(DD_OK, image.paste(small));

    ASSERT_EQ(DD_OK, image.copy(big));
    const std::vector<uint32_t> pixels = platform::testing::readSurfaceARGB(big);
    ASSERT_EQ(16u, pixels.size());
    const uint32_t expected[4] = {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(expected[x / 2 + 2 * (y / 2)], pixels[y * 4 + x] & 0xFFFFFF)
                << x << "," << y;
    small->Release();
    big->Release();
}

// ---------------------------------------------------------------------------

class TgaWriterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WriteDirectory::use(); }
    static void TearDownTestSuite() { WriteDirectory::remove(); }
    void SetUp() override { WriteDirectory::clear(); }
};

TEST_F(TgaWriterTest, HeaderDescribesA32BitTopLeftImage) {
    ImageContainer image;
    ASSERT_TRUE(image.create(300, 2, ALPHA_NONE));
    ASSERT_TRUE(image.save("header.tga"));
    const TgaFile file = WriteDirectory::read("header.tga");
    ASSERT_EQ(18u + 300u * 2u * 4u, file.bytes.size());
    const uint8_t expected[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x2C, 0x01, 2, 0, 32, 0x20};
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(expected[i], file.header(i)) << "header byte " << i;
}

TEST_F(TgaWriterTest, PixelsAreWrittenUnchangedTopRowFirst) {
    DirectDrawObject dd;
    IDirectDrawSurface4* s = dd.create(5, 3, kA8R8G8B8);
    ASSERT_NE(nullptr, s);
    auto value = [](int x, int y) { return uint32_t(0x11223344u * (x + 1) + 0x01000000u * y); };
    writePixels<uint32_t>(s, value);
    ImageContainer image;
    ASSERT_EQ(DD_OK, image.paste(s));
    s->Release();

    // The extension does not change the format.
    ASSERT_TRUE(image.save("pixels.bmp"));
    const TgaFile file = WriteDirectory::read("pixels.bmp");
    ASSERT_TRUE(file.valid());
    EXPECT_EQ(5, file.width());
    EXPECT_EQ(3, file.height());
    ASSERT_EQ(5u * 3u * 4u, file.pixelBytes());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(value(x, y), file.pixel(x, y)) << x << "," << y;
}

TEST_F(TgaWriterTest, AFileThatCannotBeOpenedGivesFalse) {
    ImageContainer image;
    ASSERT_TRUE(image.create(2, 2, ALPHA_NONE));
    EXPECT_FALSE(image.save(nullptr));
    EXPECT_FALSE(image.save("/../outside.tga"));
    EXPECT_EQ(0u, WriteDirectory::fileCount());
}

TEST_F(TgaWriterTest, AnEmptyImageWritesOnlyTheHeader) {
    ImageContainer image;
    ASSERT_TRUE(image.save("empty.tga"));
    const TgaFile file = WriteDirectory::read("empty.tga");
    EXPECT_EQ(18u, file.bytes.size());
    EXPECT_EQ(0, file.width());
}

// ---------------------------------------------------------------------------

TEST(ImageContainerTest, CopiesOwnTheirPixels) {
    ImageContainer a;
    ASSERT_TRUE(a.create(2, 1, ALPHA_GRADED));
    EXPECT_EQ(ALPHA_NONE, a.getAlphaFormat());  // the format is the user's to give
    a.getData()[1] = RGBAColor{1, 2, 3, 4};
    ImageContainer b(a);
    ImageContainer c;
    c = a;
    a.getData()[1] = RGBAColor{9, 9, 9, 9};
    EXPECT_EQ(0x04030201u, word(b.getData()[1]));
    EXPECT_EQ(0x04030201u, word(c.getData()[1]));
    a.destroy();
    EXPECT_EQ(nullptr, a.getData());
    EXPECT_EQ(0, a.getWidth());
    EXPECT_EQ(2, b.getWidth());
}

}  // namespace
