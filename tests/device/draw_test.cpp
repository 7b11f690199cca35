// Pixels drawn through the whole COM path, read back from the render target.
#include "device_fixture.h"

#include <cmath>

TEST_F(DeviceTest, TextureModulateAndTwoStageAdd) {
    makeDevice();
    IDirectDrawSurface4* s0 = texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    IDirectDrawSurface4* s1 = texture(1, 1, {0xFF202020});
    bind(s0);
    ASSERT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.5f, 0xFF808080));
    // Stage 0 modulates by the diffuse colour: 255 * 128 / 255.
    EXPECT_RGB_NEAR(0x800000u, rgb(1, 1), 1);

    // Stage 1 adds a second texture; stage 2 multiplies by the texture factor.
    bind(s1, 1);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(2, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    device->SetTextureStageState(2, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFF808080);
    ASSERT_EQ(D3D_OK, quad(8, 0, 16, 8, 0.5f, 0xFF808080));
    // (0x80 + 0x20) * 0x80 / 255 = 0x50; (0 + 0x20) * 0x80 / 255 = 0x10.
    EXPECT_RGB_NEAR(0x501010u, rgb(9, 1), 1);
    bind(nullptr);
    bind(nullptr, 1);
    EXPECT_EQ(0u, s0->Release());
    EXPECT_EQ(0u, s1->Release());
}

TEST_F(DeviceTest, ColourKeyOfTheSurface) {
    makeDevice();
    clear(0x00123456, 1.0f);
    IDirectDrawSurface4* s = texture(2, 1, {0xFFFF00FF, 0x80FFFFFF});
    DDCOLORKEY key{0x00FF00FF, 0x00FF00FF};
    ASSERT_EQ(DD_OK, s->SetColorKey(DDCKEY_SRCBLT, &key));
    bind(s);
    device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    ASSERT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(0x123456u, rgb(1, 1));  // keyed texel: nothing written
    EXPECT_EQ(0xFFFFFFu, rgb(6, 1));
    bind(nullptr);
    EXPECT_EQ(0u, s->Release());
}

// Addressing and filtering are the rasteriser's tests; here the levels come
// from the surface's mip chain.
TEST_F(DeviceTest, MipLevelsComeFromTheSurfacesChain) {
    makeDevice();
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    // A 4x4 red level with a 2x2 green and a 1x1 blue level: a quad of 1x1
    // pixels for the whole texture needs the smallest level.
    IDirectDrawSurface4* mip =
        surface(4, 4, DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX, kARGB, 3);
    ASSERT_NE(nullptr, mip);
    write(mip, std::vector<DWORD>(16, 0xFFFF0000));
    DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, 0};
    IDirectDrawSurface4* level1 = nullptr;
    IDirectDrawSurface4* level2 = nullptr;
    ASSERT_EQ(DD_OK, mip->GetAttachedSurface(&caps, &level1));
    ASSERT_EQ(DD_OK, level1->GetAttachedSurface(&caps, &level2));
    write(level1, std::vector<DWORD>(4, 0xFF00FF00));
    write(level2, std::vector<DWORD>(1, 0xFF0000FF));
    bind(mip);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
    ASSERT_EQ(D3D_OK, quad(20, 20, 21, 21, 0.5f, 0xFFFFFFFF));
    ASSERT_EQ(D3D_OK, quad(0, 8, 4, 12, 0.5f, 0xFFFFFFFF));
    ASSERT_EQ(D3D_OK, quad(8, 8, 10, 10, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(0x0000FFu, rgb(20, 20));
    EXPECT_EQ(0xFF0000u, rgb(1, 9));
    EXPECT_EQ(0x00FF00u, rgb(8, 8));
    bind(nullptr);
    level1->Release();
    level2->Release();
    EXPECT_EQ(0u, mip->Release());
}

// The device picks the rasteriser's fog source, so table fog is checked
// through it too.
TEST_F(DeviceTest, TableFogFollowsDepth) {
    makeDevice();
    diffuseOnly();
    device->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00FFFFFF);
    // Table fog, linear from 0 to 1 in depth: this device has no w fog, so it
    // fogs by z (vertex fog's arithmetic is the rasteriser's test).
    device->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
    auto bits = [](float f) {
        DWORD d;
        std::memcpy(&d, &f, 4);
        return d;
    };
    device->SetRenderState(D3DRENDERSTATE_FOGTABLESTART, bits(0.0f));
    device->SetRenderState(D3DRENDERSTATE_FOGTABLEEND, bits(1.0f));
    ASSERT_EQ(D3D_OK, quad(8, 0, 12, 4, 0.25f, 0xFF000000));
    ASSERT_EQ(D3D_OK, quad(16, 0, 20, 4, 0.75f, 0xFF000000));
    EXPECT_NEAR(64, channel(rgb(9, 1), 0), 2);    // 25% fog
    EXPECT_NEAR(191, channel(rgb(17, 1), 0), 2);  // 75% fog
}

TEST_F(DeviceTest, LostTargetRefusesDrawsAndValidation) {
    makeDevice();
    platform::testing::loseAllSurfaces();
    DWORD passes = 0;
    EXPECT_EQ(DDERR_SURFACELOST, device->ValidateDevice(&passes));
    EXPECT_EQ(DDERR_SURFACELOST, quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF));
    ASSERT_EQ(DD_OK, target->Restore());
    ASSERT_EQ(DD_OK, zbuffer->Restore());
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
    EXPECT_EQ(D3D_OK, quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF));
}

TEST_F(DeviceTest, NullDeviceDrawsNothing) {
    makeDevice(IID_IDirect3DNullDevice, 0);
    diffuseOnly();
    ASSERT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(0u, rgb(2, 2));
}
