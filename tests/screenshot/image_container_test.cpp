// The plain surface container that shots are captured with.
#include "shot_support.h"
#include "surface_container.h"

namespace {

// The first restore makes an off-screen surface of the flags given (showing
// the image, as the texture tests' remade surfaces show) and counts its
// size; later ones only count, as does one without DirectDraw, which makes
// none. The last invalidate gives the surface and its size back, one too
// many undoes nothing; the last destroy frees the image.
TEST_F(ImageTest, ASurfaceContainerMakesItsSurfaceFromTheKeptImage) {
    SurfaceContainer container;
    EXPECT_FALSE(container.create(0, 5));
    ASSERT_TRUE(container.create(8, 4));
    EXPECT_TRUE(container.create(100, 100));  // a second create only counts
    const RGBAColor* image = container.getImage()->getData();
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
