// The texture manager: sharing by full name, binding without redundant
// calls, sample textures, the texture configuration and its preloads, the
// retries of surfaces that could not be made, release and remake with the
// counts kept, and the statistics text.
#include "states.h"
#include "texture_fixture.h"

#include <cstdio>
#include <cstring>

namespace {

TextureContainer* container(TextureInterface* texture) {
    return static_cast<TextureContainer*>(texture);
}

// ---------------------------------------------------------------------------
// Sharing

TEST_F(TextureTest, NamesThatResolveAlikeShareOneContainer) {
    writeSolid("Maps/wall.tga", 8, 8, kRed);
    theResourceManager->setCurrentPath("/Maps/");
    TextureInterface* first = manager->createTexture("wall.tga", true, 0);
    theResourceManager->setCurrentPath("/");
    TextureInterface* second = manager->createTexture("/Maps/wall.tga", true, 5);
    ASSERT_EQ(first, second);
    EXPECT_STREQ("/Maps/wall.tga", first->getName());
    EXPECT_EQ(2, container(first)->getReferences());

    manager->destroyTexture(first);
    EXPECT_EQ(1, container(first)->getReferences());
    ASSERT_NE(nullptr, first->getImage());
    manager->destroyTexture(first);
    EXPECT_EQ(0, container(first)->getReferences());
    EXPECT_EQ(nullptr, first->getImage()) << "the last reference frees the images";

    // The file changed meanwhile: the cached container reads it again.
    writeSolid("Maps/wall.tga", 8, 8, kGreen);
    TextureInterface* third = manager->createTexture("Maps/wall.tga", true, 0);
    EXPECT_EQ(first, third);
    EXPECT_EQ(1, container(third)->getReferences());
    ASSERT_TRUE(third->restore(nullptr, nullptr, 0, false));
    EXPECT_EQ(rgb565Bits(kGreen), rgb565Bits(pixels(third->getSurface(0))[0]));
    release(third);
}

TEST_F(TextureTest, UnsharedTexturesAreNewEachTimeAndDeletedOnDestroy) {
    writeSolid("wall.tga", 8, 8, kRed);
    TextureInterface* a = manager->createTexture("wall.tga", false, 0);
    TextureInterface* b = manager->createTexture("wall.tga", false, 0);
    EXPECT_NE(a, b);
    std::string before;
    manager->getStatistic(before);
    manager->destroyTexture(a);
    manager->destroyTexture(b);
    std::string after;
    manager->getStatistic(after);
    EXPECT_NE(std::string::npos, before.find("/wall.tga"));
    EXPECT_EQ(std::string::npos, after.find("/wall.tga"));
    EXPECT_TRUE(records.empty()) << "deleted with no references left";
}

TEST_F(TextureTest, DestroyingATextureTheManagerDoesNotKnowDoesNothing) {
    TextureContainer stranger;
    ASSERT_TRUE(stranger.create(2, 2, ALPHA_NONE, 0));
    manager->destroyTexture(&stranger);
    manager->destroyTexture(nullptr);
    EXPECT_EQ(1, stranger.getReferences());
    stranger.destroy();
}

TEST_F(TextureTest, SharedSurfacesAreFoundByFullName) {
    writeSolid("Images/panel.tga", 8, 4, kBlue);
    SurfaceInterface* a = manager->createSurface("/Images/panel.tga", true);
    theResourceManager->setCurrentPath("/Images/");
    SurfaceInterface* b = manager->createSurface("panel.tga", true);
    theResourceManager->setCurrentPath("/");
    ASSERT_EQ(a, b);
    EXPECT_EQ(2, static_cast<SurfaceContainer*>(a)->getReferences());
    ASSERT_TRUE(a->restore(framework.GetDirectDraw()));
    EXPECT_EQ(8, a->getSurfaceWidth());
    EXPECT_EQ(rgb565Bits(kBlue), rgb565Bits(pixels(a->getSurface())[0]));
    a->invalidate();
    manager->destroySurface(a);
    manager->destroySurface(b);
    EXPECT_EQ(0, static_cast<SurfaceContainer*>(a)->getReferences());
}

// ---------------------------------------------------------------------------
// Binding

TEST_F(TextureTest, BindingTheSameTextureAgainCostsNothing) {
    writeSolid("t.tga", 8, 8, kRed);
    TextureInterface* t = restoredTexture("t.tga");
    manager->setTexture(t, 0);
    manager->setTexture(t, 0);
    EXPECT_EQ(1u, calls("IDirect3DDevice3::SetTexture"));
    manager->setTexture(nullptr, 0);
    manager->setTexture(nullptr, 0);
    EXPECT_EQ(2u, calls("IDirect3DDevice3::SetTexture"));
    manager->setTexture(t, 8);  // there is no stage 8
    manager->setTexture(t, -1);
    EXPECT_EQ(2u, calls("IDirect3DDevice3::SetTexture"));
    release(t);
}

TEST_F(TextureTest, FlushingATextureClearsOnlyTheStagesThatHoldIt) {
    writeSolid("t.tga", 8, 8, kRed);
    writeSolid("u.tga", 8, 8, kBlue);
    TextureInterface* t = restoredTexture("t.tga");
    TextureInterface* u = restoredTexture("u.tga");
    manager->setTexture(t, 0);
    manager->setTexture(u, 1);
    manager->setTexture(t, 2);
    platform::testing::resetCallCounts();
    manager->flushTexture(t);
    EXPECT_EQ(2u, calls("IDirect3DDevice3::SetTexture"));
    manager->setTexture(u, 1);
    EXPECT_EQ(2u, calls("IDirect3DDevice3::SetTexture")) << "stage 1 still holds u";
    manager->setTexture(t, 0);
    EXPECT_EQ(3u, calls("IDirect3DDevice3::SetTexture")) << "stage 0 was cleared";
    manager->flushTextures(0, 8);
    EXPECT_EQ(11u, calls("IDirect3DDevice3::SetTexture")) << "flushing always reaches the device";
    release(t);
    release(u);
}

TEST_F(TextureTest, ReleasingATextureSurfaceUnbindsIt) {
    writeSolid("t.tga", 8, 8, kRed);
    TextureInterface* t = restoredTexture("t.tga");
    manager->setTexture(t, 3);
    platform::testing::resetCallCounts();
    t->invalidate(0);
    EXPECT_EQ(1u, calls("IDirect3DDevice3::SetTexture"));
    EXPECT_EQ(0u, platform::testing::lastArguments("IDirect3DDevice3::SetTexture").at(1));
    manager->destroyTexture(t);
}

// ---------------------------------------------------------------------------
// Sample textures

TEST_F(TextureTest, SampleTexturesAreOneWhiteTransparentTexelPerStageAndFormat) {
    TextureInterface* s0 = manager->getSampleTexture(0, ALPHA_GRADED);
    ASSERT_NE(nullptr, s0);
    EXPECT_EQ(s0, manager->getSampleTexture(0, ALPHA_GRADED));
    TextureInterface* s1 = manager->getSampleTexture(1, ALPHA_GRADED);
    TextureInterface* plain = manager->getSampleTexture(0, ALPHA_NONE);
    EXPECT_NE(s0, s1);
    EXPECT_NE(s0, plain);
    EXPECT_EQ(1, container(s1)->getRestored(1));
    ASSERT_NE(nullptr, s1->getTexture(1));
    const RGBAColor texel = s0->getImage()->getData()[0];
    EXPECT_EQ(0xFF, texel.r);
    EXPECT_EQ(0xFF, texel.g);
    EXPECT_EQ(0xFF, texel.b);
    EXPECT_EQ(0x00, texel.a);
    EXPECT_EQ(rgb565Bits(kWhite), rgb565Bits(pixels(s0->getSurface(0))[0]));

    manager->termVideoMode();
    std::string text;
    manager->getStatistic(text);
    EXPECT_EQ(std::string::npos, text.find("Textures:")) << "termVideoMode gave them back";
    EXPECT_TRUE(records.empty());
}

TEST_F(TextureTest, MetaStateValidationBindsTheSampleTextures) {
    RenderStateManager states;
    theRenderStateManager = &states;
    MultipleStatesMetaState meta;
    meta.add(RS_ZWRITEENABLE, TRUE, 0);
    platform::testing::resetCallCounts();
    EXPECT_EQ(D3D_OK, meta.test(0));
    EXPECT_EQ(4u, calls("IDirect3DDevice3::SetTexture")) << "two binds, two unbinds";
    EXPECT_EQ(2u, calls("IDirectDraw4::CreateSurface")) << "one sample texture per stage";
    IDirect3DDevice3* device = framework.GetD3DDevice();
    for (DWORD stage = 0; stage < 2; ++stage) {
        IDirect3DTexture2* bound = reinterpret_cast<IDirect3DTexture2*>(1);
        EXPECT_EQ(D3D_OK, device->GetTexture(stage, &bound));
        EXPECT_EQ(nullptr, bound);
    }
    platform::testing::resetCallCounts();
    EXPECT_EQ(D3D_OK, meta.test(0));
    EXPECT_EQ(0u, calls("IDirectDraw4::CreateSurface")) << "made once, then kept";
    TextureInterface* sample = manager->getSampleTexture(1, ALPHA_GRADED);
    EXPECT_EQ(1, container(sample)->getRestored(1)) << "made by the test, not now";
    manager->termVideoMode();
    theRenderStateManager = nullptr;
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

    const TextureMode mode = manager->getTextureMode(4);
    EXPECT_TRUE(mode.mipmaps);
    EXPECT_EQ((std::vector<int>{1, 2}), mode.qualities);
    const TextureMode absent = manager->getTextureMode(9);
    EXPECT_FALSE(absent.mipmaps);
    EXPECT_EQ(std::vector<int>{0}, absent.qualities);

    const auto& preloads = manager->getPreloads();
    ASSERT_EQ(3u, preloads.size());
    EXPECT_EQ("/Maps/a.tga", preloads[0].name) << "read with the root current";
    EXPECT_EQ(4, preloads[0].mode);
    EXPECT_EQ("/Maps/b.tga", preloads[1].name);
    EXPECT_EQ("/sky.tga", preloads[2].name);
    EXPECT_EQ(2, preloads[2].mode);

    manager->initVideoMode();
    TextureInterface* a = manager->getPreloads()[0].texture;
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(1, container(a)->getRestored(0));
    EXPECT_NE(nullptr, a->getSurface(0));
    EXPECT_TRUE(container(a)->getMode().mipmaps);
    EXPECT_EQ(a, manager->createTexture("/Maps/a.tga", true, 0)) << "a preload is shared";
    manager->destroyTexture(a);

    manager->termVideoMode();
    EXPECT_EQ(0, container(a)->getRestored(0));
    EXPECT_EQ(0, container(a)->getReferences());
    EXPECT_EQ(nullptr, manager->getPreloads()[0].texture);
}

TEST_F(TextureTest, NoTextureCacheBlockMeansNoPreloads) {
    writeTextureConfig("TextureModes = { Mode_1 = { mipmaps = true; }; };\n");
    makeManager();
    EXPECT_TRUE(manager->getPreloads().empty());
    EXPECT_TRUE(manager->getTextureMode(1).mipmaps);
}

// ---------------------------------------------------------------------------
// Surfaces that could not be made

TEST_F(TextureTest, ATextureWhoseSurfaceWasRefusedIsRetriedEachFrame) {
    writeSolid("t.tga", 8, 8, kRed);
    TextureInterface* t = manager->createTexture("t.tga", true, 0);
    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_SURFACELOST);
    EXPECT_FALSE(t->restore(nullptr, nullptr, 0, false));
    EXPECT_EQ(nullptr, t->getSurface(0));
    EXPECT_TRUE(manager->isInvalid(container(t)));

    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_NOEXCLUSIVEMODE);
    manager->initFrame();
    EXPECT_TRUE(manager->isInvalid(container(t))) << "still refused";

    manager->initFrame();
    EXPECT_FALSE(manager->isInvalid(container(t)));
    ASSERT_NE(nullptr, t->getSurface(0));
    EXPECT_EQ(rgb565Bits(kRed), rgb565Bits(pixels(t->getSurface(0))[0]));
    EXPECT_EQ(1, container(t)->getRestored(0)) << "failures do not change the count";
    release(t);
}

TEST_F(TextureTest, ASurfaceWhoseMakingFailedIsRetriedEachFrame) {
    SurfaceInterface* s = manager->createSurface(8, 8);
    ASSERT_NE(nullptr, s);
    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_UNSUPPORTEDMODE);
    EXPECT_FALSE(s->restore(framework.GetDirectDraw()));
    EXPECT_TRUE(manager->isInvalid(static_cast<SurfaceContainer*>(s)));
    manager->initFrame();
    EXPECT_FALSE(manager->isInvalid(static_cast<SurfaceContainer*>(s)));
    EXPECT_NE(nullptr, s->getSurface());
    s->invalidate();
    manager->destroySurface(s);
}

// ---------------------------------------------------------------------------
// Release and remake

TEST_F(TextureTest, InvalidateAllAndRestoreAllKeepTheRestoreCounts) {
    writeSolid("t.tga", 8, 8, kRed);
    TextureInterface* t = restoredTexture("t.tga");
    t->restore(nullptr, nullptr, 0, false);
    t->restore(nullptr, nullptr, 0, false);
    t->restore(nullptr, nullptr, 2, false);
    SurfaceInterface* s = manager->createSurface(4, 4);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    s->restore(framework.GetDirectDraw());

    manager->invalidateAll();
    EXPECT_EQ(nullptr, t->getSurface(0));
    EXPECT_EQ(nullptr, t->getSurface(2));
    EXPECT_EQ(nullptr, s->getSurface());
    EXPECT_EQ(0u, manager->getTexturesSize());
    EXPECT_EQ(3, container(t)->getRestored(0));
    EXPECT_EQ(1, container(t)->getRestored(2));
    EXPECT_EQ(2, static_cast<SurfaceContainer*>(s)->getRestored());

    manager->restoreAll();
    EXPECT_NE(nullptr, t->getSurface(0));
    EXPECT_NE(nullptr, t->getSurface(2));
    EXPECT_NE(nullptr, s->getSurface());
    EXPECT_EQ(3, container(t)->getRestored(0));
    EXPECT_EQ(2, static_cast<SurfaceContainer*>(s)->getRestored());

    // The counts still balance the restores made before.
    t->invalidate(0);
    t->invalidate(0);
    EXPECT_NE(nullptr, t->getSurface(0));
    t->invalidate(0);
    EXPECT_EQ(nullptr, t->getSurface(0));
    manager->destroyTexture(t);
    t = nullptr;
    s->invalidate();
    s->invalidate();
    manager->destroySurface(s);
    EXPECT_TRUE(records.empty());
}

TEST_F(TextureTest, RecreateTexturesFollowsTheScaleFactorAndLeavesSurfacesAlone) {
    writeTextureConfig("TextureModes = { Mode_1 = { qualities = [0, 1]; }; };\n");
    makeManager();
    writeSolid("t.tga", 64, 64, kRed);
    TextureInterface* t = restoredTexture("t.tga", 1);
    SurfaceInterface* s = manager->createSurface(4, 4);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    IDirectDrawSurface4* plain = s->getSurface();
    EXPECT_EQ(64, t->getTextureWidth(0));

    g_driverSettings.textureScaleFactor = 1;
    platform::testing::resetCallCounts();
    manager->recreateTextures();
    EXPECT_EQ(32, t->getTextureWidth(0));
    EXPECT_EQ(1, container(t)->getRestored(0));
    EXPECT_EQ(plain, s->getSurface());
    EXPECT_EQ(1u, calls("IDirectDraw4::CreateSurface")) << "only the texture";
    release(t);
    s->invalidate();
    manager->destroySurface(s);
}

TEST_F(TextureTest, CheckAllRemakesLostSurfacesFromTheirImages) {
    SurfaceInterface* s = manager->createSurface(4, 4);
    RGBAColor* data = s->getImage()->getData();
    for (int i = 0; i < 16; ++i)
        data[i] = RGBAColor{0, 0xFF, 0, 0xFF};
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    IDirectDrawSurface4* surface = s->getSurface();
    platform::testing::loseAllSurfaces();
    ASSERT_EQ(DDERR_SURFACELOST, surface->IsLost());

    EXPECT_TRUE(manager->checkAll());
    ASSERT_NE(nullptr, s->getSurface());
    EXPECT_EQ(DD_OK, s->getSurface()->IsLost());
    EXPECT_EQ(rgb565Bits(kGreen), rgb565Bits(pixels(s->getSurface())[5]));
    s->invalidate();
    manager->destroySurface(s);
}

TEST_F(TextureTest, CheckSurfacesOfTheDriverChecksEveryContainer) {
    SurfaceInterface* s = manager->createSurface(4, 4);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    platform::testing::loseAllSurfaces();
    driver->checkSurfaces();
    EXPECT_EQ(DD_OK, s->getSurface()->IsLost());
    s->invalidate();
    manager->destroySurface(s);
}

// ---------------------------------------------------------------------------
// Statistics

TEST_F(TextureTest, StatisticsOfNothingAreTheTotalsOnly) {
    std::string text;
    manager->getStatistic(text);
    EXPECT_EQ("\r\nOverall:\r\ntextures:\t0.00 kb\r\nsurfaces:\t0.00 kb\r\ntotal:\t0.00 kb\r\n",
              text);
}

TEST_F(TextureTest, StatisticsListEveryContainerAndSumTheirSurfaces) {
    writeSolid("Maps/t.tga", 64, 64, kRed);
    TextureInterface* t = restoredTexture("Maps/t.tga");
    SurfaceInterface* s = manager->createSurface(32, 16);
    ASSERT_TRUE(s->restore(framework.GetDirectDraw()));
    const double surfaceKb = double(s->getDescription().lPitch) * 16 / 1024.0;
    std::string text = "before\r\n";
    manager->getStatistic(text);

    char totals[200];
    std::snprintf(totals, sizeof totals,
                  "\r\nOverall:\r\ntextures:\t8.00 kb\r\nsurfaces:\t%.2f kb\r\ntotal:\t%.2f kb\r\n",
                  surfaceKb, 8.0 + surfaceKb);
    EXPECT_EQ(0u, text.find("before\r\nTextures:\r\n\r\n/Maps/t.tga: 8.00 kb, stage 0: 64 x 64\r\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("\r\nSurfaces:\r\n\r\ncustom surface 32 x 16: "));
    EXPECT_EQ(text.size() - std::strlen(totals), text.rfind(totals)) << text;
    release(t);
    s->invalidate();
    manager->destroySurface(s);
}

}  // namespace
