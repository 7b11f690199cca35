// SurfaceContainer: a plain surface made from its image, dropped and made
// again while the image stays.
#include "surface_container.h"
#include "shot_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class SurfaceContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, dd.get());
        ASSERT_TRUE(container.create(8, 4));
        RGBAColor* pixels = container.getImage()->getData();
        for (int i = 0; i < 32; ++i)
            pixels[i] = RGBAColor{uint8_t(i * 8), uint8_t(255 - i), uint8_t(i * 3), 255};
    }
    void TearDown() override {
        while (container.getRestored() > 0)
            container.invalidate();
        container.destroy();
    }

    // The surface shows the image (the desktop's 32-bit layout keeps bytes).
    void expectSurfaceShowsImage() {
        const std::vector<uint32_t> shown =
            platform::testing::readSurfaceARGB(container.getSurface());
        ASSERT_EQ(32u, shown.size());
        const RGBAColor* pixels = container.getImage()->getData();
        for (int i = 0; i < 32; ++i) {
            uint32_t w;
            std::memcpy(&w, &pixels[i], sizeof w);
            EXPECT_EQ(w & 0xFFFFFF, shown[i] & 0xFFFFFF) << "pixel " << i;
        }
    }

    DirectDrawObject dd;
    SurfaceContainer container;
};

TEST_F(SurfaceContainerTest, CreateNamesTheImageAndCountsReferences) {
    EXPECT_STREQ("custom surface 8 x 4", container.getName());
    EXPECT_EQ(8, container.getImageWidth());
    EXPECT_EQ(4, container.getImageHeight());
    EXPECT_FALSE(container.hasAlpha());
    EXPECT_TRUE(container.create(100, 100));  // a second create only counts
    EXPECT_EQ(2, container.getReferences());
    EXPECT_EQ(8, container.getImageWidth());
    container.destroy();
    EXPECT_EQ(8, container.getImageWidth());
}

TEST_F(SurfaceContainerTest, LastDestroyFreesTheImage) {
    container.destroy();
    EXPECT_EQ(0, container.getReferences());
    EXPECT_EQ(nullptr, container.getImage()->getData());
    SurfaceContainer empty;
    EXPECT_FALSE(empty.create(0, 5));
    EXPECT_EQ(0, empty.getReferences());
}

TEST_F(SurfaceContainerTest, RestoreMakesAClippedOffscreenSurfaceOfTheImage) {
    container.setFlags(DDSCAPS_SYSTEMMEMORY);
    const unsigned long before = SurfaceContainer::getSurfacesSize();
    ASSERT_TRUE(container.restore(dd.get()));
    IDirectDrawSurface4* s = container.getSurface();
    ASSERT_NE(nullptr, s);
    EXPECT_TRUE(container.isValid());
    EXPECT_EQ(8, container.getSurfaceWidth());
    EXPECT_EQ(4, container.getSurfaceHeight());

    DDSCAPS2 caps{};
    ASSERT_EQ(DD_OK, s->GetCaps(&caps));
    EXPECT_TRUE(caps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
    EXPECT_TRUE(caps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    const DDSURFACEDESC2& d = container.getDescription();
    EXPECT_EQ(before + static_cast<unsigned long>(d.lPitch) * d.dwHeight,
              SurfaceContainer::getSurfacesSize());

    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, s->GetClipper(&clipper));
    clipper->Release();
    expectSurfaceShowsImage();

    container.invalidate();
    EXPECT_EQ(before, SurfaceContainer::getSurfacesSize());
}

TEST_F(SurfaceContainerTest, InvalidateKeepsTheImageForTheNextRestore) {
    ASSERT_TRUE(container.restore(dd.get()));
    EXPECT_TRUE(container.invalidate());
    EXPECT_EQ(nullptr, container.getSurface());
    EXPECT_FALSE(container.isValid());
    ASSERT_NE(nullptr, container.getImage()->getData());
    EXPECT_EQ(8, container.getImageWidth());

    ASSERT_TRUE(container.restore(dd.get()));
    ASSERT_NE(nullptr, container.getSurface());
    expectSurfaceShowsImage();
}

TEST_F(SurfaceContainerTest, RestoresAreCountedAndBalancedByInvalidates) {
    ASSERT_TRUE(container.restore(dd.get()));
    IDirectDrawSurface4* first = container.getSurface();
    ASSERT_TRUE(container.restore(dd.get()));
    EXPECT_EQ(first, container.getSurface());
    container.invalidate();
    EXPECT_EQ(first, container.getSurface());
    container.invalidate();
    EXPECT_EQ(nullptr, container.getSurface());
    container.invalidate();  // one too many: nothing to undo
    EXPECT_EQ(0, container.getRestored());
}

TEST_F(SurfaceContainerTest, NoDirectDrawObjectMeansNoSurface) {
    EXPECT_FALSE(container.restore(nullptr));
    EXPECT_EQ(nullptr, container.getSurface());
    EXPECT_EQ(1, container.getRestored());  // still balanced by one invalidate
    container.invalidate();
    EXPECT_EQ(0, container.getRestored());
}

}  // namespace
