// Backups of surfaces whose pixels were changed at run time: kept in system
// memory and put back over a surface made again from its image.
#include "texture_fixture.h"

namespace {

// Paints a surface in one raw 16-bit value (the device's 565 textures and the
// 16-bit display's plain surfaces alike).
void paint16(IDirectDrawSurface4* surface, uint16_t value) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(DD_OK, surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    auto* row = static_cast<uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch)
        for (DWORD x = 0; x < d.dwWidth; ++x)
            reinterpret_cast<uint16_t*>(row)[x] = value;
    ASSERT_EQ(DD_OK, surface->Unlock(nullptr));
}

// Paints a plain surface through a colour fill, whatever its depth.
void fill(IDirectDrawSurface4* surface, DWORD value) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = value;
    ASSERT_EQ(DD_OK, surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}

constexpr uint16_t kBlue565 = 0x001F;

TEST_F(TextureTest, ABackedUpTextureKeepsItsChangedPixelsWhenMadeAgain) {
    writeSolid("canvas.tga", 8, 8, kRed);
    TextureInterface* t = manager->createTexture("canvas.tga", true, 0);
    ASSERT_TRUE(t->restore(nullptr, nullptr, 0, true));
    EXPECT_TRUE(t->getDescription(0).ddsCaps.dwCaps2 & DDSCAPS2_HINTDYNAMIC);
    paint16(t->getSurface(0), kBlue565);
    ASSERT_TRUE(t->backup());

    EXPECT_TRUE(manager->checkAll());
    EXPECT_EQ(rgb565Bits(kBlue), rgb565Bits(pixels(t->getSurface(0))[9]));

    // Recover puts the backup over pixels changed since.
    paint16(t->getSurface(0), 0);
    EXPECT_TRUE(t->recover());
    EXPECT_EQ(rgb565Bits(kBlue), rgb565Bits(pixels(t->getSurface(0))[9]));
    release(t);
}

TEST_F(TextureTest, WithoutABackupATextureIsMadeFromItsImageAgain) {
    writeSolid("canvas.tga", 8, 8, kRed);
    TextureInterface* t = restoredTexture("canvas.tga");
    paint16(t->getSurface(0), kBlue565);
    EXPECT_TRUE(t->recover()) << "nothing to recover is no failure";
    EXPECT_TRUE(manager->checkAll());
    EXPECT_EQ(rgb565Bits(kRed), rgb565Bits(pixels(t->getSurface(0))[9]));
    release(t);
}

TEST_F(TextureTest, ABackupThatNoLongerFitsIsDropped) {
    writeTextureConfig("TextureModes = { Mode_1 = { qualities = [0, 1]; }; };\n");
    makeManager();
    writeSolid("canvas.tga", 16, 16, kRed);
    TextureInterface* t = restoredTexture("canvas.tga", 1);
    paint16(t->getSurface(0), kBlue565);
    ASSERT_TRUE(t->backup());
    g_driverSettings.textureScaleFactor = 1;
    manager->recreateTextures();
    ASSERT_NE(nullptr, t->getSurface(0)) << "the remake itself succeeds";
    EXPECT_EQ(8, t->getTextureWidth(0));
    EXPECT_EQ(rgb565Bits(kRed), rgb565Bits(pixels(t->getSurface(0))[9]));
    EXPECT_TRUE(t->recover()) << "the dropped backup has nothing to put back";
    release(t);
}

TEST_F(TextureTest, NothingIsBackedUpOrRecoveredWithoutASurface) {
    writeSolid("canvas.tga", 8, 8, kRed);
    TextureInterface* t = manager->createTexture("canvas.tga", true, 0);
    EXPECT_FALSE(t->backup());
    EXPECT_FALSE(t->recover());
    manager->destroyTexture(t);
    SurfaceInterface* s = manager->createSurface(4, 4);
    EXPECT_FALSE(s->backup());
    EXPECT_FALSE(s->recover());
    manager->destroySurface(s);
}

TEST_F(TextureTest, ABackedUpSurfaceSurvivesLostVideoMemory) {
    SurfaceInterface* s = manager->createSurface(8, 8);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    const std::vector<uint32_t> image = pixels(s->getSurface());
    fill(s->getSurface(), 0x12345678u);
    const std::vector<uint32_t> changed = pixels(s->getSurface());
    ASSERT_NE(image, changed);
    ASSERT_TRUE(s->backup());

    platform::testing::loseAllSurfaces();
    EXPECT_TRUE(manager->checkAll());
    EXPECT_EQ(DD_OK, s->getSurface()->IsLost());
    EXPECT_EQ(changed, pixels(s->getSurface()));
    s->invalidate();
    manager->destroySurface(s);
}

TEST_F(TextureTest, ASurfaceColourKeyIsSetAtOnceAndAfterEachRemake) {
    SurfaceInterface* s = manager->createSurface(4, 4);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    s->setColorKey(0xFF00FF00);
    DDCOLORKEY key{};
    ASSERT_EQ(DD_OK, s->getSurface()->GetColorKey(DDCKEY_SRCBLT, &key));
    const unsigned long expected = DDColorMatch(s->getDescription(), 0xFF00FF00);
    EXPECT_EQ(expected, key.dwColorSpaceLowValue);
    EXPECT_EQ(expected, key.dwColorSpaceHighValue);

    platform::testing::loseAllSurfaces();
    EXPECT_TRUE(manager->checkAll());
    key = DDCOLORKEY{};
    ASSERT_EQ(DD_OK, s->getSurface()->GetColorKey(DDCKEY_SRCBLT, &key));
    EXPECT_EQ(expected, key.dwColorSpaceLowValue);
    s->invalidate();
    manager->destroySurface(s);
}

TEST_F(TextureTest, ARefusedColourKeyMarksTheSurfaceForRemaking) {
    SurfaceInterface* s = manager->createSurface(4, 4);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    platform::testing::failNextCall("IDirectDrawSurface4::SetColorKey", DDERR_SURFACELOST);
    s->setColorKey(0xFF000000);
    auto* surface = static_cast<SurfaceContainer*>(s);
    EXPECT_FALSE(surface->isValid());
    EXPECT_TRUE(manager->isInvalid(surface));
    manager->initFrame();
    EXPECT_TRUE(surface->isValid());
    EXPECT_FALSE(manager->isInvalid(surface));
    s->invalidate();
    manager->destroySurface(s);
}

}  // namespace
