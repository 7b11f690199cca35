// The TGA writer as shots use it, and the plain surface container that shots
// are captured with.
#include "shot_support.h"
#include "surface_container.h"

namespace {

// A 32-bit top-left TGA whatever the extension, pixels as they are; an empty
// image writes its header only; a place outside the write directory fails.
TEST_F(ImageTest, SaveWritesA32BitTgaOfThePixels) {
    ImageContainer image, copy;
    ASSERT_TRUE(image.create(3, 1, ALPHA_GRADED));
    EXPECT_EQ(ALPHA_NONE, image.getAlphaFormat());  // the format is the user's to give
    const uint32_t pixels[3] = {0x11223344, 0x55667788, 0x99AABBCC};
    std::memcpy(image.getData(), pixels, sizeof pixels);
    copy = image;
    image.destroy();  // the copy owns its pixels
    ASSERT_TRUE(copy.save("pixels.bmp"));
    std::vector<uint8_t> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 1, 0, 32, 0x20};
    std::vector<uint8_t> file = header;
    for (uint32_t p : pixels)
        file.insert(file.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)});
    EXPECT_EQ(file, readFile("pixels.bmp"));
    ASSERT_TRUE(image.save("empty.tga"));
    header[12] = header[14] = 0;
    EXPECT_EQ(header, readFile("empty.tga"));
    EXPECT_FALSE(copy.save(nullptr));
    EXPECT_FALSE(copy.save("/../outside.tga"));
    EXPECT_EQ(2, fileCount());
}

// The first restore makes an off-screen surface of the flags given, showing
// the image, and counts its size; later ones only count, as does one
// without DirectDraw, which makes none. The last invalidate gives the surface and its size back,
// one too many undoes nothing; the last destroy frees the image.
TEST_F(ImageTest, ASurfaceContainerMakesItsSurfaceFromTheKeptImage) {
    SurfaceContainer container;
    EXPECT_FALSE(container.create(0, 5));
    ASSERT_TRUE(container.create(8, 4));
    EXPECT_TRUE(container.create(100, 100));  // a second create only counts
    RGBAColor* image = container.getImage()->getData();
    for (int i = 0; i < 32; ++i)
        image[i] = RGBAColor{uint8_t(i * 8), uint8_t(255 - i), uint8_t(i * 3), 255};
    container.setFlags(DDSCAPS_SYSTEMMEMORY);
    EXPECT_FALSE(container.restore(nullptr));
    EXPECT_EQ(1, container.getRestored());  // still balanced by one invalidate
    container.invalidate();
    const unsigned long before = SurfaceContainer::getSurfacesSize();
    ASSERT_TRUE(container.restore(dd.get()));
    ASSERT_TRUE(container.restore(dd.get()));
    IDirectDrawSurface4* s = container.getSurface();
    DDSCAPS2 caps{};
    ASSERT_EQ(DD_OK, s->GetCaps(&caps));
    const DWORD wanted = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    EXPECT_EQ(wanted, caps.dwCaps & wanted);
    const DDSURFACEDESC2& d = container.getDescription();
    EXPECT_EQ(before + d.lPitch * d.dwHeight, SurfaceContainer::getSurfacesSize());
    // The desktop's 32-bit layout keeps the bytes.
    const std::vector<uint32_t> shown = platform::testing::readSurfaceARGB(s);
    ASSERT_EQ(32u, shown.size());
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(word(image[i]) & 0xFFFFFF, shown[i] & 0xFFFFFF) << i;
    container.invalidate();
    EXPECT_EQ(s, container.getSurface());
    for (int extra = 0; extra < 2; ++extra)
        EXPECT_TRUE(container.invalidate());
    EXPECT_EQ(std::make_tuple(container.getSurface(), container.getRestored(),
                              SurfaceContainer::getSurfacesSize()),
              std::make_tuple(nullptr, 0, before));
    container.destroy();
    EXPECT_EQ(image, container.getImage()->getData());
    container.destroy();
    EXPECT_EQ(nullptr, container.getImage()->getData());
}

}  // namespace
