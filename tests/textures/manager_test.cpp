// The texture manager: sharing by full name, sample textures, the texture
// configuration and its preloads, the
// retries of surfaces that could not be made, release and remake with the
// counts kept, backups, and the statistics text.
#include "texture_fixture.h"

namespace {

using platform::testing::callCount;

// Raw 16-bit pixels, as the device's 565 textures and the 16-bit display's
// plain surfaces hold them.
void paint16(IDirectDrawSurface4* surface, uint16_t value) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(DD_OK, surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    for (DWORD y = 0; y < d.dwHeight; ++y)
        for (DWORD x = 0; x < d.dwWidth; ++x)
            static_cast<uint16_t*>(d.lpSurface)[y * d.lPitch / 2 + x] = value;
    ASSERT_EQ(DD_OK, surface->Unlock(nullptr));
}

// ---------------------------------------------------------------------------
// Sharing

// Names that resolve alike share one container, counted; the last reference
// frees the images. Unshared
// textures are new each time; what the manager does not know it leaves
// alone.
TEST_F(TextureTest, NamesThatResolveAlikeShareOneContainer) {
    writeSolid("Maps/wall.tga", 8, 8, kRed);
    theResourceManager->setCurrentPath("/Maps/");
    TextureInterface* first = manager->createTexture("wall.tga", true, 0);
    theResourceManager->setCurrentPath("/");
    ASSERT_EQ(first, manager->createTexture("/Maps/wall.tga", true, 5));
    manager->destroyTexture(first);
    ASSERT_NE(nullptr, first->getImage());
    manager->destroyTexture(first);
    EXPECT_EQ(nullptr, first->getImage());

    writeSolid("Images/panel.tga", 8, 4, kBlue);
    SurfaceInterface* a = manager->createSurface("/Images/panel.tga", true);
    theResourceManager->setCurrentPath("/Images/");
    ASSERT_EQ(a, manager->createSurface("panel.tga", true));
    theResourceManager->setCurrentPath("/");
    ASSERT_TRUE(a->restore(framework.GetDirectDraw()));
    EXPECT_EQ(rgb565Bits(kBlue), rgb565Bits(pixels(a->getSurface())[0]));
    release(a);
    EXPECT_EQ(1, static_cast<SurfaceContainer*>(a)->getReferences());
    manager->destroySurface(a);
    EXPECT_EQ(0, static_cast<SurfaceContainer*>(a)->getReferences());

    TextureInterface* u = manager->createTexture("/Images/panel.tga", false, 0);
    TextureInterface* v = manager->createTexture("/Images/panel.tga", false, 0);
    EXPECT_NE(u, v);
    manager->destroyTexture(u);
    manager->destroyTexture(v);
    TextureContainer stranger;
    ASSERT_TRUE(stranger.create(2, 2, ALPHA_NONE, 0));
    manager->destroyTexture(&stranger);
    manager->destroyTexture(nullptr);
    EXPECT_EQ(1, stranger.getReferences());
    stranger.destroy();
    EXPECT_TRUE(records.empty()) << "deleted with no references left";
}

// ---------------------------------------------------------------------------
// The texture configuration

TEST_F(TextureTest, ModesAndPreloadsComeFromTheTextureConfiguration) {
    writeTextureConfig(R"(
TextureModes = { Mode_4 = { mipmaps = true; qualities = [1, 2]; }; };
TextureCache = {
    Default = { mode = 4; };
    Entry_walls = { textures = ["Maps/a.tga", "/Maps/b.tga"]; };
    Entry_sky = { mode = 2; textures = ["sky.tga"]; };
    Other = { textures = ["ignored.tga"]; };
};
)");
    writeSolid("Maps/a.tga", 8, 8, kRed);
    writeSolid("Maps/b.tga", 8, 8, kGreen);
    writeSolid("sky.tga", 8, 8, kBlue);
    theResourceManager->setCurrentPath("/Maps/");
    makeManager();
    theResourceManager->setCurrentPath("/");
    EXPECT_TRUE(manager->getTextureMode(4).mipmaps);
    EXPECT_EQ((std::vector<int>{1, 2}), manager->getTextureMode(4).qualities);
    EXPECT_FALSE(manager->getTextureMode(9).mipmaps);
    EXPECT_EQ(std::vector<int>{0}, manager->getTextureMode(9).qualities);
    const auto& preloads = manager->getPreloads();
    ASSERT_EQ(3u, preloads.size());
    // Names are read with the root current.
    const std::pair<std::string, int> expected[] = {
        {"/Maps/a.tga", 4}, {"/Maps/b.tga", 4}, {"/sky.tga", 2}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(expected[i], std::make_pair(preloads[i].name, preloads[i].mode)) << i;

    manager->initVideoMode();
    TextureInterface* a = manager->getPreloads()[0].texture;
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(1, container(a)->getRestored(0));
    EXPECT_TRUE(container(a)->getMode().mipmaps);
    EXPECT_FALSE(a->getDescription(0).ddsCaps.dwCaps2 & DDSCAPS2_HINTDYNAMIC);
    EXPECT_EQ(a, manager->createTexture("/Maps/a.tga", true, 0)) << "a preload is shared";
    manager->destroyTexture(a);
    manager->termVideoMode();
    EXPECT_EQ(0, container(a)->getRestored(0));
    EXPECT_EQ(0, container(a)->getReferences());
    EXPECT_EQ(nullptr, manager->getPreloads()[0].texture);
}

// ---------------------------------------------------------------------------
// Surfaces that could not be made

// A refused texture or surface waits among the invalid ones and is tried
// again each frame until it is made; failures do not change the counts.
TEST_F(TextureTest, WhatCouldNotBeMadeIsRetriedEachFrame) {
    writeSolid("t.tga", 8, 8, kRed);
    TextureInterface* t = manager->createTexture("t.tga", true, 0);
    SurfaceInterface* s = manager->createSurface(8, 8);
    auto* plain = static_cast<SurfaceContainer*>(s);
    // A surface that cannot be described (given back at once) or used as a
    // texture fails the restore.
    for (const auto& [method, releases] : {std::pair{"IDirectDrawSurface4::GetSurfaceDesc", 1u},
                                           std::pair{"IDirectDrawSurface4::QueryInterface", 0u}}) {
        TextureInterface* u = manager->createTexture("t.tga", false, 0);
        platform::testing::resetCallCounts();
        platform::testing::failNextCall(method, E_NOINTERFACE);
        EXPECT_FALSE(u->restore(nullptr, nullptr, 0, false)) << method;
        EXPECT_EQ(releases, callCount("IDirectDrawSurface4::Release")) << method;
        release(u);
    }
    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_SURFACELOST);
    EXPECT_FALSE(t->restore(nullptr, nullptr, 0, false));
    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_NOEXCLUSIVEMODE);
    manager->initFrame();
    EXPECT_TRUE(manager->isInvalid(container(t))) << "still refused";
    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_UNSUPPORTEDMODE);
    EXPECT_FALSE(s->restore(framework.GetDirectDraw()));
    EXPECT_TRUE(manager->isInvalid(plain));
    manager->initFrame();
    EXPECT_FALSE(manager->isInvalid(container(t)) || manager->isInvalid(plain));
    EXPECT_EQ(rgb565Bits(kRed), firstPixel(t));
    EXPECT_EQ(1, container(t)->getRestored(0));
    EXPECT_NE(nullptr, s->getSurface());
    // A refused colour key marks a surface for remaking too.
    platform::testing::failNextCall("IDirectDrawSurface4::SetColorKey", DDERR_SURFACELOST);
    s->setColorKey(0xFF000000);
    EXPECT_FALSE(plain->isValid());
    EXPECT_TRUE(manager->isInvalid(plain));
    manager->initFrame();
    EXPECT_TRUE(plain->isValid());
    EXPECT_FALSE(manager->isInvalid(plain));
    release(t);
    release(s);
}

// ---------------------------------------------------------------------------
// Release and remake

// Restores are counted per stage: the first makes the surface, the last
// invalidate releases it. invalidateAll releases every surface in use and
// restoreAll makes them again, the counts kept so that later invalidates
// still balance.
TEST_F(TextureTest, RestoresAreCountedPerStageAcrossInvalidateAllAndRestoreAll) {
    writeSolid("t.tga", 16, 16, kRed);
    TextureInterface* t = restoredTexture("t.tga");
    IDirectDrawSurface4* first = t->getSurface(0);
    EXPECT_EQ(16u * 32u, manager->getTexturesSize()) << "pitch 32 x 16 rows";
    t->restore(nullptr, nullptr, 0, false);
    t->restore(nullptr, nullptr, 0, false);
    EXPECT_EQ(first, t->getSurface(0)) << "later restores only count";
    t->restore(nullptr, nullptr, 2, false);
    SurfaceInterface* s = restoredSurface(4, 4);
    s->restore(framework.GetDirectDraw());
    manager->invalidateAll();
    EXPECT_TRUE(!t->getSurface(0) && !t->getSurface(2) && !s->getSurface());
    EXPECT_EQ(0u, manager->getTexturesSize());
    manager->restoreAll();
    EXPECT_TRUE(t->getSurface(0) && t->getSurface(2) && s->getSurface());
    EXPECT_EQ(3, container(t)->getRestored(0));
    EXPECT_EQ(1, container(t)->getRestored(2));
    EXPECT_EQ(2, static_cast<SurfaceContainer*>(s)->getRestored());
    t->invalidate(0);
    t->invalidate(0);
    EXPECT_NE(nullptr, t->getSurface(0));
    t->invalidate(0);
    EXPECT_TRUE(!t->getSurface(0) && !t->getTexture(0) && t->getSurface(2));
    release(t, 2);
    EXPECT_EQ(0u, manager->getTexturesSize());
    s->invalidate();
    release(s);
    EXPECT_TRUE(records.empty());
}

// recreateTextures remakes textures at the scale factor now set and leaves
// plain surfaces alone; a backup that no longer fits the new size is dropped.
TEST_F(TextureTest, RecreateTexturesFollowsTheScaleFactorAndLeavesSurfacesAlone) {
    writeTextureConfig("TextureModes = { Mode_1 = { qualities = [0, 1]; }; };\n");
    makeManager();
    writeSolid("t.tga", 64, 64, kRed);
    TextureInterface* t = restoredTexture("t.tga", 1);
    SurfaceInterface* s = restoredSurface(4, 4);
    paint16(t->getSurface(0), 0x001F);
    ASSERT_TRUE(t->backup());
    g_driverSettings.textureScaleFactor = 1;
    platform::testing::resetCallCounts();
    manager->recreateTextures();
    EXPECT_EQ(32, t->getTextureWidth(0));
    EXPECT_EQ(1, container(t)->getRestored(0));
    EXPECT_EQ(1u, callCount("IDirectDraw4::CreateSurface")) << "only the texture";
    EXPECT_TRUE(t->recover()) << "the dropped backup has nothing to put back";
    EXPECT_EQ(rgb565Bits(kRed), firstPixel(t));
    release(t);
    release(s);
}

// Lost surfaces are made again from their images by checkAll and by the
// driver's checkSurfaces; changed pixels come back only from a backup.
TEST_F(TextureTest, LostSurfacesAreRemadeFromTheirImagesOrBackups) {
    writeSolid("canvas.tga", 8, 8, kRed);
    writeSolid("plain.tga", 8, 8, kRed);
    TextureInterface* kept = manager->createTexture("canvas.tga", true, 0);
    ASSERT_TRUE(kept->restore(nullptr, nullptr, 0, true));
    EXPECT_TRUE(kept->getDescription(0).ddsCaps.dwCaps2 & DDSCAPS2_HINTDYNAMIC);
    TextureInterface* remade = restoredTexture("plain.tga");
    SurfaceInterface* image = manager->createSurface(4, 4);
    for (int i = 0; i < 16; ++i)
        image->getImage()->getData()[i] = RGBAColor{0, 0xFF, 0, 0xFF};
    ASSERT_TRUE(image->restore(framework.GetDirectDraw()));
    SurfaceInterface* backed = restoredSurface(8, 8);
    paint16(kept->getSurface(0), 0x001F);
    paint16(remade->getSurface(0), 0x001F);
    paint16(backed->getSurface(), 0x1234);
    const std::vector<uint32_t> changed = pixels(backed->getSurface());
    ASSERT_TRUE(kept->backup() && backed->backup());
    EXPECT_TRUE(remade->recover()) << "nothing to recover is no failure";
    backed->setColorKey(0xFF00FF00);  // set at once, and after each remake
    auto expectKey = [backed, key = DDColorMatch(backed->getDescription(), 0xFF00FF00)] {
        DDCOLORKEY set{};
        ASSERT_EQ(DD_OK, backed->getSurface()->GetColorKey(DDCKEY_SRCBLT, &set));
        EXPECT_EQ(key, set.dwColorSpaceLowValue);
        EXPECT_EQ(key, set.dwColorSpaceHighValue);
    };
    expectKey();
    for (int round = 0; round < 2; ++round) {
        platform::testing::loseAllSurfaces();
        if (round)
            driver->checkSurfaces();
        else
            EXPECT_TRUE(manager->checkAll());
        EXPECT_EQ(DD_OK, image->getSurface()->IsLost());
        EXPECT_EQ(rgb565Bits(kGreen), rgb565Bits(pixels(image->getSurface())[5]));
        EXPECT_EQ(rgb565Bits(kBlue), firstPixel(kept));
        EXPECT_EQ(rgb565Bits(kRed), firstPixel(remade));
        EXPECT_EQ(changed, pixels(backed->getSurface()));
        expectKey();
    }
    // Recover puts the backup over pixels changed since.
    paint16(kept->getSurface(0), 0);
    EXPECT_TRUE(kept->recover());
    EXPECT_EQ(rgb565Bits(kBlue), firstPixel(kept));
    release(kept);
    release(remade);
    release(image);
    release(backed);
    // Without a surface there is nothing to back up or recover.
    TextureInterface* bare = manager->createTexture("canvas.tga", true, 0);
    SurfaceInterface* none = manager->createSurface(4, 4);
    EXPECT_FALSE(bare->backup() || bare->recover() || none->backup() || none->recover());
    manager->destroyTexture(bare);
    manager->destroySurface(none);
}

// ---------------------------------------------------------------------------
// Sample textures and statistics

// One white transparent texel per stage and alpha kind, made and restored
// for its stage once; a video mode's end gives them back, which leaves the
// statistics empty. (That validation binds them is a state test's matter.)
TEST_F(TextureTest, SampleTexturesLiveAsLongAsTheVideoModeAndStatisticsListEveryContainer) {
    TextureInterface* s0 = manager->getSampleTexture(0, ALPHA_GRADED);
    TextureInterface* s1 = manager->getSampleTexture(1, ALPHA_GRADED);
    EXPECT_EQ(s0, manager->getSampleTexture(0, ALPHA_GRADED));
    EXPECT_EQ(2u, callCount("IDirectDraw4::CreateSurface")) << "made once, then kept";
    EXPECT_EQ(1, container(s1)->getRestored(1));
    EXPECT_NE(s0, manager->getSampleTexture(0, ALPHA_NONE));
    EXPECT_EQ(nullptr, manager->getSampleTexture(8, ALPHA_NONE));
    const RGBAColor texel = s0->getImage()->getData()[0];
    EXPECT_EQ(0xFFFFFF00u, uint32_t(texel.r << 24 | texel.g << 16 | texel.b << 8 | texel.a));
    manager->termVideoMode();
    std::string text;
    manager->getStatistic(text);
    EXPECT_EQ("\r\nOverall:\r\ntextures:\t0.00 kb\r\nsurfaces:\t0.00 kb\r\ntotal:\t0.00 kb\r\n",
              text);
    writeSolid("Maps/t.tga", 64, 64, kRed);
    TextureInterface* t = restoredTexture("Maps/t.tga");
    SurfaceInterface* s = restoredSurface(32, 16);
    text = "before\r\n";
    manager->getStatistic(text);
    EXPECT_EQ(0u,
              text.find("before\r\nTextures:\r\n\r\n/Maps/t.tga: 8.00 kb, stage 0: 64 x 64\r\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("\r\nSurfaces:\r\n\r\ncustom surface 32 x 16: "));
    release(t);
    release(s);
    EXPECT_TRUE(records.empty());
}

}  // namespace
