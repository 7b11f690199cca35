#include "ddraw_fixture.h"

namespace {

class LossTest : public DirectDrawTest {
protected:
    IDirectDrawSurface4* flippingPrimary() {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        d.dwBackBufferCount = 1;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
        IDirectDrawSurface4* front = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &front, nullptr));
        return front;
    }
};

TEST_F(LossTest, DeactivationLosesVideoMemoryAndRestoreWorksWhenActiveAgain) {
    exclusive();
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
    IDirectDrawSurface4* front = flippingPrimary();
    IDirectDrawSurface4* video = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 16);
    IDirectDrawSurface4* system = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 16);
    EXPECT_EQ(DD_OK, dd->TestCooperativeLevel());

    platform::core::setAppActive(false);
    EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, dd->TestCooperativeLevel());
    EXPECT_EQ(DDERR_SURFACELOST, front->IsLost());
    EXPECT_EQ(DDERR_SURFACELOST, video->IsLost());
    EXPECT_EQ(DD_OK, system->IsLost());
    EXPECT_EQ(DDERR_SURFACELOST, front->Flip(nullptr, DDFLIP_WAIT));
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    EXPECT_EQ(DDERR_SURFACELOST, video->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(DD_OK, system->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, video->Restore());

    platform::core::setAppActive(true);
    EXPECT_EQ(DD_OK, dd->TestCooperativeLevel());
    EXPECT_EQ(DD_OK, front->Restore());
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface4* back = nullptr;
    ASSERT_EQ(DD_OK, front->GetAttachedSurface(&caps, &back));
    EXPECT_EQ(DD_OK, back->IsLost());  // restored with its chain
    EXPECT_EQ(DD_OK, video->Restore());
    EXPECT_EQ(DD_OK, video->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(1u, back->Release());
    EXPECT_EQ(0u, front->Release());
    EXPECT_EQ(0u, video->Release());
    EXPECT_EQ(0u, system->Release());
}

TEST_F(LossTest, DisplayModeChangeLosesSurfacesAndThePrimaryNeedsRemaking) {
    exclusive();
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
    IDirectDrawSurface4* front = flippingPrimary();
    IDirectDrawSurface4* video = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 16);
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(800, 600, 16, 0, 0));
    EXPECT_EQ(DDERR_SURFACELOST, front->IsLost());
    EXPECT_EQ(DDERR_SURFACELOST, video->IsLost());
    EXPECT_EQ(DDERR_WRONGMODE, front->Restore());
    EXPECT_EQ(DD_OK, video->Restore());
    // Back in the mode it was made in, the primary comes back.
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(640, 480, 16, 0, 0));
    EXPECT_EQ(DD_OK, front->Restore());
    EXPECT_EQ(DD_OK, front->IsLost());
    EXPECT_EQ(0u, front->Release());
    EXPECT_EQ(0u, video->Release());
}

TEST_F(LossTest, WindowedObjectSeesAWrongModeAfterADepthChange) {
    normal();
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface4* front = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &front, nullptr));
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
    EXPECT_EQ(0u, front->Release());
}

TEST_F(LossTest, TestingApiLosesEverySurfaceButManagedTextures) {
    normal();
    IDirectDrawSurface4* video = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface4* managed = nullptr;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 16;
    d.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    d.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &managed, nullptr));
    platform::testing::loseAllSurfaces();
    EXPECT_EQ(DDERR_SURFACELOST, video->IsLost());
    EXPECT_EQ(DD_OK, managed->IsLost());
    EXPECT_EQ(DD_OK, dd->RestoreAllSurfaces());
    EXPECT_EQ(DD_OK, video->IsLost());
    EXPECT_EQ(0u, video->Release());
    EXPECT_EQ(0u, managed->Release());
}

class OverlayTest : public DirectDrawTest {
protected:
    IDirectDrawSurface4* overlay(DWORD fourCC, DWORD backBuffers, HRESULT* hr) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = 32;
        d.dwHeight = 32;
        d.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
        if (backBuffers) {
            d.dwFlags |= DDSD_BACKBUFFERCOUNT;
            d.dwBackBufferCount = backBuffers;
            d.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        }
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        if (fourCC) {
            d.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
            d.ddpfPixelFormat.dwFourCC = fourCC;
        } else {
            d.ddpfPixelFormat.dwFlags = DDPF_RGB;
            d.ddpfPixelFormat.dwRGBBitCount = 16;
            d.ddpfPixelFormat.dwRBitMask = 0x7C00;
            d.ddpfPixelFormat.dwGBitMask = 0x03E0;
            d.ddpfPixelFormat.dwBBitMask = 0x001F;
        }
        IDirectDrawSurface4* s = nullptr;
        *hr = dd->CreateSurface(&d, &s, nullptr);
        return s;
    }
    IDirectDrawSurface4* primary() {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }
};

TEST_F(OverlayTest, OverlaysInRgbAndYuvAreShownMovedAndHidden) {
    normal();
    IDirectDrawSurface4* front = primary();
    HRESULT hr;
    IDirectDrawSurface4* rgb = overlay(0, 1, &hr);
    ASSERT_EQ(DD_OK, hr);
    IDirectDrawSurface4* yuv = overlay(MAKEFOURCC('U', 'Y', 'V', 'Y'), 0, &hr);
    ASSERT_EQ(DD_OK, hr);
    IDirectDrawSurface4* yuy2 = overlay(MAKEFOURCC('Y', 'U', 'Y', '2'), 0, &hr);
    ASSERT_EQ(DD_OK, hr);
    DDOVERLAYFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dckSrcColorkey = DDCOLORKEY{0, 0};
    RECT src{0, 0, 32, 32}, dst{10, 20, 42, 52};
    ASSERT_EQ(DD_OK, rgb->UpdateOverlay(&src, front, &dst,
                                        DDOVER_SHOW | DDOVER_DDFX | DDOVER_KEYSRCOVERRIDE, &fx));
    DDCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(DD_OK, dd->GetCaps(&caps, nullptr));
    EXPECT_EQ(1u, caps.dwCurrVisibleOverlays);
    // One visible overlay at a time in the built-in profile.
    EXPECT_EQ(DDERR_OUTOFCAPS, yuv->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    ASSERT_EQ(DD_OK, rgb->SetOverlayPosition(100, 100));
    LONG x = 0, y = 0;
    ASSERT_EQ(DD_OK, rgb->GetOverlayPosition(&x, &y));
    EXPECT_EQ(100, x);
    EXPECT_EQ(100, y);
    EXPECT_EQ(DDERR_INVALIDPOSITION, rgb->SetOverlayPosition(1020, 0));
    ASSERT_EQ(DD_OK, rgb->UpdateOverlay(nullptr, front, nullptr, DDOVER_HIDE | DDOVER_DDFX |
                                                                 DDOVER_KEYSRCOVERRIDE, &fx));
    EXPECT_EQ(DDERR_OVERLAYNOTVISIBLE, rgb->SetOverlayPosition(0, 0));
    ASSERT_EQ(DD_OK, yuv->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    // Presenting with a visible YUV overlay reads it back without trouble.
    IDirectDrawSurface4* off = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    const unsigned before = platform::testing::presentedFrames();
    ASSERT_EQ(DD_OK, front->BltFast(0, 0, off, nullptr, 0));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    EXPECT_EQ(32u * 32u, platform::testing::readSurfaceARGB(yuy2).size());
    EXPECT_EQ(0u, off->Release());
    EXPECT_EQ(DDERR_NOTAOVERLAYSURFACE, front->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    EXPECT_EQ(0u, rgb->Release());
    EXPECT_EQ(0u, yuv->Release());
    EXPECT_EQ(0u, yuy2->Release());
    EXPECT_EQ(0u, front->Release());
}

TEST_F(OverlayTest, ProfileWithoutOverlaysRefusesThem) {
    ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath("two_adapters.cfg")));
    std::vector<GUID> guids;
    auto cb = [](GUID* g, LPSTR, LPSTR, LPVOID ctx, HMONITOR) -> BOOL {
        if (g)
            static_cast<std::vector<GUID>*>(ctx)->push_back(*g);
        return TRUE;
    };
    ASSERT_EQ(DD_OK, DirectDrawEnumerateExA(cb, &guids, DDENUM_ATTACHEDSECONDARYDEVICES));
    ASSERT_EQ(1u, guids.size());
    IDirectDraw* secondary = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreate(&guids[0], &secondary, nullptr));
    IDirectDraw4* dd4 = nullptr;
    ASSERT_EQ(DD_OK, secondary->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4)));
    secondary->Release();
    ASSERT_EQ(DD_OK, dd4->SetCooperativeLevel(window(), DDSCL_NORMAL));
    std::swap(dd, dd4);
    HRESULT hr;
    EXPECT_EQ(nullptr, overlay(0, 0, &hr));
    EXPECT_EQ(DDERR_NOOVERLAYHW, hr);
    std::swap(dd, dd4);
    EXPECT_EQ(0u, dd4->Release());
}

TEST_F(OverlayTest, GammaControlOnlyOnThePrimaryOfAGammaAdapter) {
    normal();
    IDirectDrawSurface4* front = primary();
    IDirectDrawGammaControl* gamma = nullptr;
    ASSERT_EQ(DD_OK, front->QueryInterface(IID_IDirectDrawGammaControl,
                                           reinterpret_cast<void**>(&gamma)));
    DDGAMMARAMP ramp{};
    ASSERT_EQ(DD_OK, gamma->GetGammaRamp(0, &ramp));
    EXPECT_EQ(0xFFFFu, ramp.red[255]);
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>((255 - i) * 257);
    ASSERT_EQ(DD_OK, gamma->SetGammaRamp(0, &ramp));
    DDGAMMARAMP back{};
    ASSERT_EQ(DD_OK, gamma->GetGammaRamp(0, &back));
    EXPECT_EQ(0u, back.red[255]);
    EXPECT_EQ(1u, gamma->Release());  // shares the surface's count
    EXPECT_EQ(0u, front->Release());
    IDirectDrawSurface4* off = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    void* none = nullptr;
    EXPECT_EQ(E_NOINTERFACE, off->QueryInterface(IID_IDirectDrawGammaControl, &none));
    EXPECT_EQ(0u, off->Release());
}

}  // namespace
