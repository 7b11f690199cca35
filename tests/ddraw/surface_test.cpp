// Surfaces: flipping chains, the primary, attachments, depth and mipmap
// formats, video memory, loss and restore, refusals, display modes, levels
// and caps.
#include "ddraw_fixture.h"

namespace {

DDSURFACEDESC2 depthDesc(DWORD w, DWORD h, DWORD bits, DWORD memory) {
    return surfaceDesc(DDSCAPS_ZBUFFER | memory, w, h, {kPF, DDPF_ZBUFFER, 0, bits, 0, 0, 0, 0});
}

class SurfaceTest : public DirectDrawTest {
protected:
    void TearDown() override {
        if (back) {
            EXPECT_EQ(1u, back->Release());
        }
        if (front) {
            EXPECT_EQ(0u, front->Release());
        }
        DirectDrawTest::TearDown();
    }
    // A 640 x 480 x 16 flipping chain, the front buffer blue, the first back buffer red.
    void makeChain(DWORD backBuffers) {
        exclusive();
        ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
        front = make(flipping(surfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE), backBuffers));
        ASSERT_NE(nullptr, front);
        back = attached(front, DDSCAPS_BACKBUFFER);
        ASSERT_NE(nullptr, back);
        fill(front, 0x001F);
        fill(back, 0xF800);
    }
    IDirectDrawSurface4* front = nullptr;
    IDirectDrawSurface4* back = nullptr;
};

TEST_F(SurfaceTest, FlippingChainShowsTheBackBufferAndPresentsFrames) {
    makeChain(1);
    const DDSURFACEDESC2 got = descOf(front);
    EXPECT_TRUE(got.ddsCaps.dwCaps & DDSCAPS_FRONTBUFFER);
    EXPECT_TRUE(got.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    const unsigned before = platform::testing::presentedFrames();
    ASSERT_EQ(DD_OK, front->Flip(nullptr, DDFLIP_WAIT));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    EXPECT_EQ(0xFFFF0000u, pixel(front, 10, 10));
    EXPECT_EQ(0xFF0000FFu, pixel(back, 10, 10));
    EXPECT_EQ(DDERR_NOTFLIPPABLE, back->Flip(nullptr, 0));  // only the front buffer flips
}

// Found when the GDI buffer stayed behind after a flip: the blue front buffer
// of before the flip comes back, once, and the chain still flips.
TEST_F(SurfaceTest, FlipToGdiSurfaceBringsTheFirstFrontBufferBack) {
    makeChain(2);
    ASSERT_EQ(DD_OK, front->Flip(nullptr, DDFLIP_WAIT));
    const unsigned before = platform::testing::presentedFrames();
    ASSERT_EQ(DD_OK, dd->FlipToGDISurface());
    EXPECT_EQ(0xFF0000FFu, pixel(front, 10, 10));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    ASSERT_EQ(DD_OK, dd->FlipToGDISurface());
    EXPECT_EQ(0xFF0000FFu, pixel(front, 10, 10));
    ASSERT_EQ(DD_OK, front->Flip(nullptr, DDFLIP_WAIT));
    EXPECT_NE(0xFF0000FFu, pixel(front, 10, 10));
}

TEST_F(SurfaceTest, BltOntoThePrimaryPresentsAFrame) {
    const DDSURFACEDESC2 d = surfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE);
    front = make(d);
    IDirectDrawSurface4* gdi = nullptr;
    ASSERT_EQ(DD_OK, dd->GetGDISurface(&gdi));
    EXPECT_EQ(front, gdi);
    EXPECT_EQ(1u, gdi->Release());  // the reference it handed out
    IDirectDrawSurface4* off = create(16, 16, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    fill(off, 0x00FF00);
    const unsigned before = platform::testing::presentedFrames();
    RECT to{100, 100, 116, 116};
    ASSERT_EQ(DD_OK, front->Blt(&to, off, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    EXPECT_EQ(0xFF00FF00u, pixel(front, 100, 115));
    ASSERT_EQ(DD_OK, front->BltFast(0, 0, off, nullptr, DDBLTFAST_WAIT));
    EXPECT_EQ(before + 2, platform::testing::presentedFrames());
    // A second primary is refused, flipping needs exclusive mode.
    EXPECT_EQ(DDERR_PRIMARYSURFACEALREADYEXISTS, createResult(d));
    releaseLast({front, off});
    front = nullptr;
    EXPECT_EQ(DDERR_NOTFOUND, dd->GetGDISurface(&gdi));
    EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, createResult(flipping(d, 1)));
}

TEST_F(SurfaceTest, ReferenceCountsFollowAttachAndRelease) {
    IDirectDrawSurface4* target = create(64, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    const DDSURFACEDESC2 zd = depthDesc(64, 32, 16, DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface4* z = make(zd);
    ASSERT_EQ(DD_OK, target->AddAttachedSurface(z));
    EXPECT_EQ(DDERR_SURFACEALREADYATTACHED, target->AddAttachedSurface(z));
    // One target holds it; the Direct3D device finds it there by its caps.
    IDirectDrawSurface4* second = create(64, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    EXPECT_EQ(DDERR_SURFACEALREADYATTACHED, second->AddAttachedSurface(z));
    EXPECT_EQ(0u, second->Release());
    EXPECT_EQ(3u, z->AddRef());  // ours, the target's, this one
    EXPECT_EQ(2u, z->Release());
    IDirectDrawSurface4* found = attached(target, DDSCAPS_ZBUFFER);
    EXPECT_EQ(z, found);
    EXPECT_EQ(2u, found->Release());
    // Detach, then the last release frees it.
    ASSERT_EQ(DD_OK, target->DeleteAttachedSurface(0, z));
    EXPECT_EQ(DDERR_SURFACENOTATTACHED, target->DeleteAttachedSurface(0, z));
    EXPECT_EQ(0u, z->Release());
    // A depth buffer left attached dies with its target.
    z = make(zd);
    ASSERT_EQ(DD_OK, target->AddAttachedSurface(z));
    EXPECT_EQ(1u, z->Release());
    EXPECT_EQ(0u, target->Release());
    // Clippers are held by the surfaces they are set on.
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    ASSERT_EQ(DD_OK, s->SetClipper(clipper));
    IDirectDrawClipper* got = nullptr;
    ASSERT_EQ(DD_OK, s->GetClipper(&got));
    EXPECT_EQ(clipper, got);
    EXPECT_EQ(2u, got->Release());
    EXPECT_EQ(1u, clipper->Release());
    EXPECT_EQ(0u, s->Release());  // frees the clipper too
}

TEST_F(SurfaceTest, MipChainWalkGivesHalvedSizes) {
    DDSURFACEDESC2 d =
        surfaceDesc(DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX, 256, 64,
                    {kPF, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000});
    d.dwFlags |= DDSD_MIPMAPCOUNT | DDSD_TEXTURESTAGE;
    d.dwMipMapCount = 6;
    d.dwTextureStage = 1;
    d.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    IDirectDrawSurface4* top = make(d);
    ASSERT_NE(nullptr, top);
    IDirectDrawSurface4* level = top;
    level->AddRef();
    for (int i = 0; i < 6; ++i) {
        const DDSURFACEDESC2 got = descOf(level);
        EXPECT_EQ(256u >> i, got.dwWidth) << i;
        EXPECT_EQ(64u >> i, got.dwHeight) << i;
        EXPECT_EQ(1u, got.dwTextureStage);
        EXPECT_EQ(6u - i, got.dwMipMapCount);
        DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, 0};
        IDirectDrawSurface4* next = nullptr;
        EXPECT_EQ(i < 5 ? DD_OK : DDERR_NOTFOUND, level->GetAttachedSurface(&caps, &next));
        level->Release();
        level = next;
    }
    EXPECT_EQ(nullptr, level);
    EXPECT_EQ(0u, top->Release());
    d.dwMipMapCount = 10;  // 256 x 64 has 9 levels at most
    EXPECT_EQ(DDERR_INVALIDPARAMS, createResult(d));
    d.dwMipMapCount = 9;
    EXPECT_EQ(DD_OK, createResult(d));
}

// Found when a full-screen program that never released its back buffer
// leaked its video memory past the DirectDraw object.
TEST_F(SurfaceTest, ReleasingDirectDrawTakesItsRemainingSurfacesWithIt) {
    DDSCAPS2 caps{DDSCAPS_VIDEOMEMORY, 0, 0, 0};
    DWORD total = 0, freeBefore = 0, freeAfter = 0;
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &freeBefore));
    IDirectDrawSurface4* kept = create(1024, 1024, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    ASSERT_NE(nullptr, kept);
    kept->AddRef();
    EXPECT_EQ(0u, dd->Release());
    dd = newDirectDraw(nullptr);
    ASSERT_NE(nullptr, dd);
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &freeAfter));
    EXPECT_EQ(freeBefore, freeAfter);
}

TEST_F(SurfaceTest, VideoMemoryRunsOutAndComesBack) {
    DDSCAPS2 caps{DDSCAPS_VIDEOMEMORY, 0, 0, 0};
    DWORD total = 0, free = 0;
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &free));
    EXPECT_EQ(16u * 1024 * 1024, total);
    const DWORD before = free;
    // 1024 x 1024 x 4 bytes = 4 MB each: four fit, the fifth does not.
    IDirectDrawSurface4* s[4];
    for (auto& one : s)
        one = create(1024, 1024, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &free));
    EXPECT_EQ(before - 16u * 1024 * 1024, free);
    DDSURFACEDESC2 d = surfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 64, 64);
    EXPECT_EQ(DDERR_OUTOFVIDEOMEMORY, createResult(d));
    // Without a memory flag it lands in system memory, in video memory once
    // there is room again.
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    auto landsIn = [&](DWORD memory) {
        IDirectDrawSurface4* extra = make(d);
        DDSCAPS2 got{};
        EXPECT_EQ(DD_OK, extra->GetCaps(&got));
        EXPECT_EQ(0u, extra->Release());
        return (got.dwCaps & memory) != 0;
    };
    EXPECT_TRUE(landsIn(DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(0u, s[0]->Release());
    EXPECT_TRUE(landsIn(DDSCAPS_VIDEOMEMORY));
    releaseLast({s[1], s[2], s[3]});
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &free));
    EXPECT_EQ(before, free);
}

TEST_F(SurfaceTest, BadDescriptionsAndCooperativeLevelsAreRefused) {
    DDSURFACEDESC2 d = surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 8, 8);
    IDirectDraw4* unset = newDirectDraw(nullptr);  // no cooperative level yet
    std::swap(dd, unset);
    EXPECT_EQ(DDERR_NOCOOPERATIVELEVELSET, createResult(d));
    std::swap(dd, unset);
    EXPECT_EQ(0u, unset->Release());
    d.dwSize = 124;  // the 32-bit size is not this build's
    EXPECT_EQ(DDERR_INVALIDPARAMS, createResult(d));
    d.dwSize = sizeof(d);
    d.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY;
    EXPECT_EQ(DDERR_INVALIDCAPS, createResult(d));
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = 0;
    EXPECT_EQ(DDERR_INVALIDPARAMS, createResult(d));
    // 16384 pixels is the widest and the highest; a four-character code
    // other than the two YUV layouts has no pixel size.
    for (const bool wide : {true, false}) {
        d = surfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, wide ? 16384 : 1,
                        wide ? 1 : 16384);
        EXPECT_EQ(DD_OK, createResult(d)) << wide;
        (wide ? d.dwWidth : d.dwHeight) += 1;
        EXPECT_EQ(DDERR_TOOBIGSIZE, createResult(d)) << wide;
    }
    d = surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 8, 8,
                    {kPF, DDPF_FOURCC, MAKEFOURCC('D', 'X', 'T', '1'), 0, 0, 0, 0, 0});
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, createResult(d));
    // Cooperative levels are checked.
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->SetCooperativeLevel(window(), DDSCL_EXCLUSIVE));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              dd->SetCooperativeLevel(window(), DDSCL_NORMAL | DDSCL_EXCLUSIVE));
    EXPECT_EQ(DD_OK, dd->SetCooperativeLevel(window(), DDSCL_NORMAL | DDSCL_FPUSETUP));
    exclusive();
    IDirectDraw* other = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &other, nullptr));
    EXPECT_EQ(DDERR_EXCLUSIVEMODEALREADYSET,
              other->SetCooperativeLevel(window(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN));
    EXPECT_EQ(0u, other->Release());
}

TEST_F(SurfaceTest, CapsAndDepthFormatsFollowTheProfile) {
    DDCAPS hw{}, hel{};
    hw.dwSize = hel.dwSize = sizeof(DDCAPS);
    ASSERT_EQ(DD_OK, dd->GetCaps(&hw, &hel));
    EXPECT_TRUE(hw.dwCaps & DDCAPS_OVERLAY);
    EXPECT_TRUE(hw.dwCaps2 & DDCAPS2_PRIMARYGAMMA);
    EXPECT_TRUE(hw.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
    EXPECT_TRUE(hw.dwCaps & DDCAPS_3D);  // the profile has a hardware device
    EXPECT_TRUE(hw.dwCKeyCaps & DDCKEYCAPS_SRCOVERLAY);
    EXPECT_EQ(DDBD_16 | DDBD_24 | DDBD_32, hw.dwZBufferBitDepths);
    // The emulation layer blits and stretches in system memory, without 3D.
    EXPECT_EQ(DDCAPS_BLT | DDCAPS_BLTSTRETCH,
              hel.dwCaps & (DDCAPS_BLT | DDCAPS_BLTSTRETCH | DDCAPS_3D));
    EXPECT_TRUE(hel.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(0u, hel.dwCaps & DDCAPS_OVERLAY);
    EXPECT_EQ(0u, hel.dwCaps2 & DDCAPS2_PRIMARYGAMMA);
    DDCAPS small{};
    small.dwSize = 100;
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->GetCaps(&small, nullptr));
    // Depth buffers of the profile's depths are made, others refused.
    for (DWORD bits : {16u, 24u, 32u}) {
        IDirectDrawSurface4* z = make(depthDesc(8, 8, bits, DDSCAPS_SYSTEMMEMORY));
        ASSERT_NE(nullptr, z) << bits;
        DDPIXELFORMAT f{};
        f.dwSize = sizeof(f);
        ASSERT_EQ(DD_OK, z->GetPixelFormat(&f));
        EXPECT_EQ(bits, f.dwZBufferBitDepth);
        EXPECT_TRUE(f.dwFlags & DDPF_ZBUFFER);
        EXPECT_EQ(0u, z->Release());
    }
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, createResult(depthDesc(8, 8, 8, 0)));
}

TEST_F(SurfaceTest, DeactivationLosesVideoMemoryAndRestoreWorksWhenActiveAgain) {
    makeChain(1);
    IDirectDrawSurface4* video = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 16);
    IDirectDrawSurface4* system = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 16);
    EXPECT_EQ(DD_OK, dd->TestCooperativeLevel());
    platform::core::setAppActive(false);
    EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, dd->TestCooperativeLevel());
    EXPECT_EQ(DDERR_SURFACELOST, front->IsLost());
    EXPECT_EQ(DDERR_SURFACELOST, video->IsLost());
    EXPECT_EQ(DD_OK, system->IsLost());
    EXPECT_EQ(DDERR_SURFACELOST, front->Flip(nullptr, DDFLIP_WAIT));
    DDBLTFX fx = bltFx();
    EXPECT_EQ(DDERR_SURFACELOST, video->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(DD_OK, system->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, video->Restore());
    platform::core::setAppActive(true);
    EXPECT_EQ(DD_OK, dd->TestCooperativeLevel());
    EXPECT_EQ(DD_OK, front->Restore());
    EXPECT_EQ(DD_OK, back->IsLost());  // restored with its chain
    EXPECT_EQ(DD_OK, video->Restore());
    EXPECT_EQ(DD_OK, video->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    releaseLast({video, system});
}

// Modes outside the profile are refused; a change of mode loses the surfaces
// and the primary comes back in its own mode only; the desktop is restored.
TEST_F(SurfaceTest, DisplayModeChangesLoseSurfacesAndTheDesktopIsRestored) {
    makeChain(1);
    IDirectDrawSurface4* video = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 16);
    // A zero size or depth, or an unknown flag, is refused before any mode is looked for.
    const DWORD bad[][4] = {{0, 480, 16, 0}, {640, 0, 16, 0}, {640, 480, 0, 0}, {640, 480, 16, 2}};
    for (const auto& b : bad)
        EXPECT_EQ(DDERR_INVALIDPARAMS, dd->SetDisplayMode(b[0], b[1], b[2], 0, b[3]))
            << b[0] << "x" << b[1] << "x" << b[2] << " flags " << b[3];
    EXPECT_EQ(DDERR_INVALIDMODE, dd->SetDisplayMode(641, 480, 16, 0, 0));
    EXPECT_EQ(DDERR_INVALIDMODE, dd->SetDisplayMode(640, 480, 16, 75, 0));
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(800, 600, 16, 0, 0));
    EXPECT_EQ(800u, platform::testing::currentDesktopMode().width);
    EXPECT_EQ(DDERR_SURFACELOST, front->IsLost());
    EXPECT_EQ(DDERR_SURFACELOST, video->IsLost());
    EXPECT_EQ(DDERR_WRONGMODE, front->Restore());
    EXPECT_EQ(DD_OK, video->Restore());
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
    EXPECT_EQ(DD_OK, front->Restore());
    EXPECT_EQ(DD_OK, front->IsLost());
    EXPECT_EQ(DD_OK, dd->SetDisplayMode(1024, 768, 8, 0, 0));
    ASSERT_EQ(DD_OK, dd->RestoreDisplayMode());
    EXPECT_EQ(1024u, platform::testing::currentDesktopMode().width);
    EXPECT_EQ(32u, platform::testing::currentDesktopMode().bitsPerPixel);
    EXPECT_EQ(0u, video->Release());
}

TEST_F(SurfaceTest, WindowedObjectSeesAWrongModeAfterADepthChange) {
    front = make(surfaceDesc(DDSCAPS_PRIMARYSURFACE));
    platform::core::setAppActive(false);
    EXPECT_EQ(DD_OK, dd->TestCooperativeLevel());
    platform::core::setAppActive(true);
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_BITSPERPEL;
    mode.dmBitsPerPel = 16;
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(&mode, 0));
    EXPECT_EQ(DDERR_WRONGMODE, dd->TestCooperativeLevel());
    EXPECT_EQ(DDERR_SURFACELOST, front->IsLost());
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(nullptr, 0));
    EXPECT_EQ(DD_OK, dd->TestCooperativeLevel());
}

TEST_F(SurfaceTest, TestingApiLosesEverySurfaceButManagedTextures) {
    IDirectDrawSurface4* video = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    DDSURFACEDESC2 d = surfaceDesc(DDSCAPS_TEXTURE, 16, 16);
    d.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    IDirectDrawSurface4* managed = make(d);
    platform::testing::loseAllSurfaces();
    EXPECT_EQ(DDERR_SURFACELOST, video->IsLost());
    EXPECT_EQ(DD_OK, managed->IsLost());
    // Restoring any level of a mip chain restores the whole chain.
    DDSURFACEDESC2 mip = surfaceDesc(
        DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY, 16, 16);
    mip.dwFlags |= DDSD_MIPMAPCOUNT;
    mip.dwMipMapCount = 3;
    IDirectDrawSurface4* top = make(mip);
    ASSERT_NE(nullptr, top);
    IDirectDrawSurface4* middle = attached(top, DDSCAPS_MIPMAP);
    IDirectDrawSurface4* bottom = attached(middle, DDSCAPS_MIPMAP);
    platform::testing::loseAllSurfaces();
    ASSERT_EQ(DDERR_SURFACELOST, top->IsLost());
    EXPECT_EQ(DD_OK, middle->Restore());
    EXPECT_EQ(DD_OK, top->IsLost());
    EXPECT_EQ(DD_OK, bottom->IsLost());
    EXPECT_EQ(1u, bottom->Release());
    EXPECT_EQ(1u, middle->Release());
    EXPECT_EQ(0u, top->Release());
    EXPECT_EQ(DD_OK, dd->RestoreAllSurfaces());
    EXPECT_EQ(DD_OK, video->IsLost());
    releaseLast({video, managed});
}

}  // namespace
