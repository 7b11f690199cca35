#include "ddraw_fixture.h"

#include <cstring>

namespace {

DDSURFACEDESC2 primaryDesc(DWORD backBuffers) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE;
    if (backBuffers) {
        d.dwFlags |= DDSD_BACKBUFFERCOUNT;
        d.dwBackBufferCount = backBuffers;
        d.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    }
    return d;
}

DDSURFACEDESC2 depthDesc(DWORD w, DWORD h, DWORD bits, DWORD memory) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = w;
    d.dwHeight = h;
    d.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | memory;
    d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    d.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
    d.ddpfPixelFormat.dwZBufferBitDepth = bits;
    return d;
}

class SurfaceTest : public DirectDrawTest {};

TEST_F(SurfaceTest, FlippingChainShowsTheBackBufferAndPresentsFrames) {
    exclusive();
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
    DDSURFACEDESC2 d = primaryDesc(1);
    IDirectDrawSurface4* front = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &front, nullptr));
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface4* back = nullptr;
    ASSERT_EQ(DD_OK, front->GetAttachedSurface(&caps, &back));
    DDSURFACEDESC2 got{};
    got.dwSize = sizeof(got);
    ASSERT_EQ(DD_OK, front->GetSurfaceDesc(&got));
    EXPECT_EQ(640u, got.dwWidth);
    EXPECT_EQ(16u, got.ddpfPixelFormat.dwRGBBitCount);
    EXPECT_TRUE(got.ddsCaps.dwCaps & DDSCAPS_FRONTBUFFER);
    EXPECT_TRUE(got.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);

    fill(front, 0x001F);
    fill(back, 0xF800);
    const unsigned before = platform::testing::presentedFrames();
    ASSERT_EQ(DD_OK, front->Flip(nullptr, DDFLIP_WAIT));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    EXPECT_EQ(0xFFFF0000u, pixel(front, 10, 10));
    EXPECT_EQ(0xFF0000FFu, pixel(back, 10, 10));
    // Only the front buffer flips.
    EXPECT_EQ(DDERR_NOTFLIPPABLE, back->Flip(nullptr, 0));
    EXPECT_EQ(1u, back->Release());
    EXPECT_EQ(0u, front->Release());
}

TEST_F(SurfaceTest, FlipToGdiSurfaceBringsTheFirstFrontBufferBack) {
    exclusive();
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
    DDSURFACEDESC2 d = primaryDesc(2);
    IDirectDrawSurface4* front = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &front, nullptr));
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface4* back = nullptr;
    ASSERT_EQ(DD_OK, front->GetAttachedSurface(&caps, &back));

    fill(front, 0x001F);  // what GDI drew: blue
    fill(back, 0xF800);
    ASSERT_EQ(DD_OK, front->Flip(nullptr, DDFLIP_WAIT));
    ASSERT_EQ(0xFFFF0000u, pixel(front, 10, 10));

    const unsigned before = platform::testing::presentedFrames();
    ASSERT_EQ(DD_OK, dd->FlipToGDISurface());
    EXPECT_EQ(0xFF0000FFu, pixel(front, 10, 10));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    // Already showing the GDI buffer: nothing moves.
    ASSERT_EQ(DD_OK, dd->FlipToGDISurface());
    EXPECT_EQ(0xFF0000FFu, pixel(front, 10, 10));
    // The chain still flips afterwards.
    ASSERT_EQ(DD_OK, front->Flip(nullptr, DDFLIP_WAIT));
    EXPECT_NE(0xFF0000FFu, pixel(front, 10, 10));

    EXPECT_EQ(1u, back->Release());
    EXPECT_EQ(0u, front->Release());
}

TEST_F(SurfaceTest, BltOntoThePrimaryPresentsAFrame) {
    normal();
    DDSURFACEDESC2 d = primaryDesc(0);
    IDirectDrawSurface4* front = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &front, nullptr));
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
    IDirectDrawSurface4* second = nullptr;
    EXPECT_EQ(DDERR_PRIMARYSURFACEALREADYEXISTS, dd->CreateSurface(&d, &second, nullptr));
    EXPECT_EQ(0u, front->Release());
    DDSURFACEDESC2 flipping = primaryDesc(1);
    EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, dd->CreateSurface(&flipping, &second, nullptr));
    EXPECT_EQ(0u, off->Release());
}

TEST_F(SurfaceTest, ReferenceCountsFollowAttachAndRelease) {
    normal();
    IDirectDrawSurface4* target = create(64, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    DDSURFACEDESC2 zd = depthDesc(64, 32, 16, DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface4* z = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&zd, &z, nullptr));
    ASSERT_EQ(DD_OK, target->AddAttachedSurface(z));
    EXPECT_EQ(DDERR_SURFACEALREADYATTACHED, target->AddAttachedSurface(z));
    EXPECT_EQ(3u, z->AddRef());  // ours, the target's, this one
    EXPECT_EQ(2u, z->Release());
    DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface4* found = nullptr;
    ASSERT_EQ(DD_OK, target->GetAttachedSurface(&caps, &found));
    EXPECT_EQ(z, found);
    EXPECT_EQ(2u, found->Release());
    // Detach, then the last release frees it.
    ASSERT_EQ(DD_OK, target->DeleteAttachedSurface(0, z));
    EXPECT_EQ(DDERR_SURFACENOTATTACHED, target->DeleteAttachedSurface(0, z));
    EXPECT_EQ(0u, z->Release());

    // A depth buffer left attached dies with its target.
    ASSERT_EQ(DD_OK, dd->CreateSurface(&zd, &z, nullptr));
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

TEST_F(SurfaceTest, DepthBufferFormatsComeFromTheProfile) {
    normal();
    for (DWORD bits : {16u, 24u, 32u}) {
        DDSURFACEDESC2 zd = depthDesc(8, 8, bits, DDSCAPS_SYSTEMMEMORY);
        IDirectDrawSurface4* z = nullptr;
        ASSERT_EQ(DD_OK, dd->CreateSurface(&zd, &z, nullptr)) << bits;
        DDPIXELFORMAT f{};
        f.dwSize = sizeof(f);
        ASSERT_EQ(DD_OK, z->GetPixelFormat(&f));
        EXPECT_EQ(bits, f.dwZBufferBitDepth);
        EXPECT_TRUE(f.dwFlags & DDPF_ZBUFFER);
        EXPECT_EQ(0u, z->Release());
    }
    DDSURFACEDESC2 zd = depthDesc(8, 8, 8, 0);
    IDirectDrawSurface4* z = nullptr;
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, dd->CreateSurface(&zd, &z, nullptr));
}

TEST_F(SurfaceTest, MipChainWalkGivesHalvedSizes) {
    normal();
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_MIPMAPCOUNT |
                DDSD_TEXTURESTAGE;
    d.dwWidth = 256;
    d.dwHeight = 64;
    d.dwMipMapCount = 6;
    d.dwTextureStage = 1;
    d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    d.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    d.ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_ALPHAPIXELS;
    d.ddpfPixelFormat.dwRGBBitCount = 16;
    d.ddpfPixelFormat.dwRBitMask = 0x0F00;
    d.ddpfPixelFormat.dwGBitMask = 0x00F0;
    d.ddpfPixelFormat.dwBBitMask = 0x000F;
    d.ddpfPixelFormat.dwRGBAlphaBitMask = 0xF000;
    IDirectDrawSurface4* top = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &top, nullptr));
    const DWORD expected[6][2] = {{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}};
    IDirectDrawSurface4* level = top;
    level->AddRef();
    for (int i = 0; i < 6; ++i) {
        DDSURFACEDESC2 got{};
        got.dwSize = sizeof(got);
        ASSERT_EQ(DD_OK, level->GetSurfaceDesc(&got));
        EXPECT_EQ(expected[i][0], got.dwWidth) << i;
        EXPECT_EQ(expected[i][1], got.dwHeight) << i;
        EXPECT_EQ(1u, got.dwTextureStage);
        EXPECT_EQ(6u - i, got.dwMipMapCount);
        DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, 0};
        IDirectDrawSurface4* next = nullptr;
        const HRESULT hr = level->GetAttachedSurface(&caps, &next);
        EXPECT_EQ(i < 5 ? DD_OK : DDERR_NOTFOUND, hr);
        level->Release();
        level = next;
    }
    EXPECT_EQ(nullptr, level);
    EXPECT_EQ(0u, top->Release());
    d.dwMipMapCount = 10;  // 256 x 64 has 9 levels at most
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->CreateSurface(&d, &top, nullptr));
}

TEST_F(SurfaceTest, ReleasingDirectDrawTakesItsRemainingSurfacesWithIt) {
    normal();
    DDSCAPS2 caps{DDSCAPS_VIDEOMEMORY, 0, 0, 0};
    DWORD total = 0, freeBefore = 0;
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &freeBefore));
    // A program that never releases these (as a full-screen program never
    // releases its back buffer) still gets the memory back with the object.
    IDirectDrawSurface4* kept = create(1024, 1024, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    ASSERT_NE(nullptr, kept);
    kept->AddRef();
    EXPECT_EQ(0u, dd->Release());
    dd = nullptr;

    IDirectDraw* dd1 = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd1, nullptr));
    ASSERT_EQ(DD_OK, dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)));
    dd1->Release();
    DWORD freeAfter = 0;
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &freeAfter));
    EXPECT_EQ(freeBefore, freeAfter);
}

TEST_F(SurfaceTest, VideoMemoryRunsOutAndComesBack) {
    normal();
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
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 64;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    IDirectDrawSurface4* extra = nullptr;
    EXPECT_EQ(DDERR_OUTOFVIDEOMEMORY, dd->CreateSurface(&d, &extra, nullptr));
    // Without a memory flag it lands in system memory.
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &extra, nullptr));
    DDSCAPS2 got{};
    ASSERT_EQ(DD_OK, extra->GetCaps(&got));
    EXPECT_TRUE(got.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(0u, extra->Release());
    EXPECT_EQ(0u, s[0]->Release());
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &extra, nullptr));
    ASSERT_EQ(DD_OK, extra->GetCaps(&got));
    EXPECT_TRUE(got.dwCaps & DDSCAPS_VIDEOMEMORY);
    EXPECT_EQ(0u, extra->Release());
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(0u, s[i]->Release());
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps, &total, &free));
    EXPECT_EQ(before, free);
}

TEST_F(SurfaceTest, BadDescriptionsAreRefused) {
    IDirectDrawSurface4* s = nullptr;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 8;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    EXPECT_EQ(DDERR_NOCOOPERATIVELEVELSET, dd->CreateSurface(&d, &s, nullptr));
    normal();
    d.dwSize = 124;  // the 32-bit size is not this build's
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->CreateSurface(&d, &s, nullptr));
    d.dwSize = sizeof(d);
    d.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY;
    EXPECT_EQ(DDERR_INVALIDCAPS, dd->CreateSurface(&d, &s, nullptr));
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = 0;
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->CreateSurface(&d, &s, nullptr));
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->CreateSurface(nullptr, &s, nullptr));
    EXPECT_EQ(nullptr, s);
}

TEST_F(SurfaceTest, DisplayModesOutsideTheProfileAreRefusedAndRestored) {
    exclusive();
    EXPECT_EQ(DDERR_INVALIDMODE, dd->SetDisplayMode(641, 480, 16, 0, 0));
    EXPECT_EQ(DDERR_INVALIDMODE, dd->SetDisplayMode(640, 480, 16, 75, 0));
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(800, 600, 16, 0, 0));
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof(mode);
    ASSERT_EQ(DD_OK, dd->GetDisplayMode(&mode));
    EXPECT_EQ(800u, mode.dwWidth);
    EXPECT_EQ(16u, mode.ddpfPixelFormat.dwRGBBitCount);
    EXPECT_EQ(800u, platform::testing::currentDesktopMode().width);
    ASSERT_EQ(DD_OK, dd->RestoreDisplayMode());
    EXPECT_EQ(1024u, platform::testing::currentDesktopMode().width);
    EXPECT_EQ(32u, platform::testing::currentDesktopMode().bitsPerPixel);
}

TEST_F(SurfaceTest, CooperativeLevelsAreChecked) {
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

TEST_F(SurfaceTest, CapsHaveTheDirectX6SizeAndTheProfilesFeatures) {
    DDCAPS hw{}, hel{};
    hw.dwSize = hel.dwSize = sizeof(DDCAPS);
    ASSERT_EQ(DD_OK, dd->GetCaps(&hw, &hel));
    EXPECT_EQ(380u, hw.dwSize);
    EXPECT_TRUE(hw.dwCaps & DDCAPS_OVERLAY);
    EXPECT_TRUE(hw.dwCaps2 & DDCAPS2_PRIMARYGAMMA);
    EXPECT_TRUE(hw.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
    EXPECT_TRUE(hw.dwCKeyCaps & DDCKEYCAPS_SRCOVERLAY);
    EXPECT_EQ(DDBD_16 | DDBD_24 | DDBD_32, hw.dwZBufferBitDepths);
    EXPECT_EQ(0u, hel.dwCaps & DDCAPS_OVERLAY);
    EXPECT_EQ(0u, hel.dwCaps2 & DDCAPS2_PRIMARYGAMMA);
    DDCAPS small{};
    small.dwSize = 100;
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->GetCaps(&small, nullptr));
}

}  // namespace
