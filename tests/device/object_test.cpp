// Reference counts, creation errors, stored states, viewports, lights,
// materials and vertex buffers.
#include "device_fixture.h"

TEST_F(DeviceTest, ReferenceCountsOfATypicalSequence) {
    makeDevice();
    // The device holds the render target and the Direct3D object.
    EXPECT_EQ(3u, target->AddRef());
    EXPECT_EQ(2u, target->Release());
    // Direct3D: DirectDraw's reference, the test's and the device's.
    EXPECT_EQ(4u, d3d->AddRef());
    EXPECT_EQ(3u, d3d->Release());
    // The device holds the viewport it was given.
    EXPECT_EQ(3u, viewport->AddRef());
    EXPECT_EQ(2u, viewport->Release());
    IDirectDrawSurface4* rt = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(&rt));
    EXPECT_EQ(rt, target);
    EXPECT_EQ(2u, rt->Release());
    IDirect3D3* back = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDirect3D(&back));
    EXPECT_EQ(3u, back->Release());
    // The texture interface counts on its surface.
    IDirectDrawSurface4* t = texture(2, 2, {0, 0, 0, 0});
    IDirect3DTexture2* tex = nullptr;
    ASSERT_EQ(DD_OK, t->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&tex)));
    EXPECT_EQ(3u, t->AddRef());
    EXPECT_EQ(2u, tex->Release());
    ASSERT_EQ(D3D_OK, device->SetTexture(0, tex));
    EXPECT_EQ(2u, t->Release());  // the device's reference
    ASSERT_EQ(D3D_OK, device->SetTexture(0, nullptr));
    EXPECT_EQ(0u, t->Release());
}

TEST_F(DeviceTest, CreateDeviceRefusesBadTargets) {
    IDirect3DDevice3* dev = nullptr;
    IDirectDrawSurface4* plain =
        surface(8, 8, DDSCAPS_OFFSCREENPLAIN, rgbFormat(32, 0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(DDERR_INVALIDCAPS, d3d->CreateDevice(IID_IDirect3DRGBDevice, plain, &dev, nullptr));
    EXPECT_EQ(nullptr, dev);
    EXPECT_EQ(DDERR_INVALIDPARAMS, d3d->CreateDevice(IID_IDirect3DRGBDevice, nullptr, &dev, nullptr));
    IDirectDrawSurface4* ok = surface(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE,
                                      rgbFormat(32, 0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(D3DERR_INVALID_DEVICE, d3d->CreateDevice(IID_IDirect3D3, ok, &dev, nullptr));
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              d3d->CreateDevice(IID_IDirect3DRGBDevice, ok, &dev, reinterpret_cast<IUnknown*>(d3d)));
    plain->Release();
    ok->Release();
}

TEST_F(DeviceTest, EveryRenderStateIsStored) {
    makeDevice();
    const DWORD highest = D3DRENDERSTATE_COUNT_DX6 - 1;
    for (DWORD s = 2; s <= highest; ++s)
        ASSERT_EQ(D3D_OK, device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s), s * 7 + 3))
            << s;
    for (DWORD s = 2; s <= highest; ++s) {
        DWORD value = 0;
        ASSERT_EQ(D3D_OK, device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(s), &value));
        EXPECT_EQ(s * 7 + 3, value) << s;
    }
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(highest + 1), 1));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, 0xDEAD));
}

TEST_F(DeviceTest, TextureStageDefaultsAreThoseOfDirectX6) {
    makeDevice();
    DWORD v = 0;
    for (DWORD stage = 0; stage < 8; ++stage) {
        ASSERT_EQ(D3D_OK, device->GetTextureStageState(stage, D3DTSS_COLOROP, &v));
        EXPECT_EQ(stage == 0 ? DWORD(D3DTOP_MODULATE) : DWORD(D3DTOP_DISABLE), v);
        ASSERT_EQ(D3D_OK, device->GetTextureStageState(stage, D3DTSS_ALPHAOP, &v));
        EXPECT_EQ(stage == 0 ? DWORD(D3DTOP_SELECTARG1) : DWORD(D3DTOP_DISABLE), v);
        ASSERT_EQ(D3D_OK, device->GetTextureStageState(stage, D3DTSS_COLORARG1, &v));
        EXPECT_EQ(DWORD(D3DTA_TEXTURE), v);
        ASSERT_EQ(D3D_OK, device->GetTextureStageState(stage, D3DTSS_COLORARG2, &v));
        EXPECT_EQ(DWORD(D3DTA_CURRENT), v);
        ASSERT_EQ(D3D_OK, device->GetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, &v));
        EXPECT_EQ(stage, v);
    }
    EXPECT_EQ(DDERR_INVALIDPARAMS, device->GetTextureStageState(8, D3DTSS_COLOROP, &v));
    ASSERT_EQ(D3D_OK, device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD));
    ASSERT_EQ(D3D_OK, device->GetTextureStageState(1, D3DTSS_COLOROP, &v));
    EXPECT_EQ(DWORD(D3DTOP_ADD), v);
}

TEST_F(DeviceTest, ScenesAndLightStates) {
    makeDevice();
    EXPECT_EQ(D3DERR_SCENE_NOT_IN_SCENE, device->EndScene());
    EXPECT_EQ(D3D_OK, device->BeginScene());
    EXPECT_EQ(D3DERR_SCENE_IN_SCENE, device->BeginScene());
    EXPECT_EQ(D3D_OK, device->EndScene());
    DWORD v = 0;
    ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00404040));
    ASSERT_EQ(D3D_OK, device->GetLightState(D3DLIGHTSTATE_AMBIENT, &v));
    EXPECT_EQ(0x00404040u, v);
    ASSERT_EQ(D3D_OK, device->GetLightState(D3DLIGHTSTATE_COLORMODEL, &v));
    EXPECT_EQ(DWORD(D3DCOLOR_RGB), v);
    EXPECT_EQ(DDERR_INVALIDPARAMS, device->SetLightState(static_cast<D3DLIGHTSTATETYPE>(9), 0));
}

TEST_F(DeviceTest, ViewportValidationAndLights) {
    makeDevice();
    IDirect3DViewport3* loose = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateViewport(&loose, nullptr));
    D3DVIEWPORT2 v = fullViewport();
    EXPECT_EQ(D3DERR_VIEWPORTHASNODEVICE, loose->SetViewport2(&v));
    loose->Release();
    v.dwWidth = kWidth + 1;
    EXPECT_EQ(DDERR_INVALIDPARAMS, viewport->SetViewport2(&v));
    v = fullViewport();
    v.dvClipWidth = 0.0f;
    EXPECT_EQ(DDERR_INVALIDPARAMS, viewport->SetViewport2(&v));

    IDirect3DLight* a = nullptr;
    IDirect3DLight* b = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateLight(&a, nullptr));
    ASSERT_EQ(D3D_OK, d3d->CreateLight(&b, nullptr));
    ASSERT_EQ(D3D_OK, viewport->AddLight(a));
    ASSERT_EQ(D3D_OK, viewport->AddLight(b));
    EXPECT_EQ(D3DERR_LIGHTHASVIEWPORT, viewport->AddLight(a));
    IDirect3DLight* walk = nullptr;
    ASSERT_EQ(D3D_OK, viewport->NextLight(nullptr, &walk, D3DNEXT_HEAD));
    EXPECT_EQ(a, walk);
    IDirect3DLight* next = nullptr;
    ASSERT_EQ(D3D_OK, viewport->NextLight(walk, &next, D3DNEXT_NEXT));
    EXPECT_EQ(b, next);
    EXPECT_EQ(2u, walk->Release());  // the application and the viewport remain
    next->Release();
    EXPECT_NE(D3D_OK, viewport->NextLight(b, &walk, D3DNEXT_NEXT));
    EXPECT_EQ(nullptr, walk);
    ASSERT_EQ(D3D_OK, viewport->DeleteLight(a));
    EXPECT_EQ(D3DERR_LIGHTNOTINTHISVIEWPORT, viewport->DeleteLight(a));
    EXPECT_EQ(0u, a->Release());
    EXPECT_EQ(1u, b->Release());  // the viewport still holds it
}

TEST_F(DeviceTest, LightDescriptionsOfBothSizes) {
    IDirect3DLight* light = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateLight(&light, nullptr));
    D3DLIGHT old{};
    old.dwSize = sizeof(D3DLIGHT);
    old.dltType = D3DLIGHT_POINT;
    old.dcvColor = {1.0f, 0.5f, 0.25f, 1.0f};
    old.dvRange = 10.0f;
    old.dvAttenuation0 = 1.0f;
    ASSERT_EQ(D3D_OK, light->SetLight(&old));
    D3DLIGHT2 read{};
    read.dwSize = sizeof(D3DLIGHT2);
    ASSERT_EQ(D3D_OK, light->GetLight(reinterpret_cast<D3DLIGHT*>(&read)));
    EXPECT_EQ(DWORD(D3DLIGHT_ACTIVE), read.dwFlags);  // 76-byte lights are on
    EXPECT_FLOAT_EQ(0.5f, read.dcvColor.g);
    read.dwFlags = 0;
    ASSERT_EQ(D3D_OK, light->SetLight(reinterpret_cast<D3DLIGHT*>(&read)));
    D3DLIGHT2 again{};
    again.dwSize = sizeof(D3DLIGHT2);
    ASSERT_EQ(D3D_OK, light->GetLight(reinterpret_cast<D3DLIGHT*>(&again)));
    EXPECT_EQ(0u, again.dwFlags);
    old.dwSize = 40;
    EXPECT_EQ(DDERR_INVALIDPARAMS, light->SetLight(&old));
    EXPECT_EQ(0u, light->Release());
}

TEST_F(DeviceTest, MaterialHandlesSelectMaterials) {
    makeDevice();
    IDirect3DMaterial3* m = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateMaterial(&m, nullptr));
    D3DMATERIAL data{};
    data.dwSize = sizeof(data);
    data.diffuse = {0.25f, 0.5f, 1.0f, 1.0f};
    ASSERT_EQ(D3D_OK, m->SetMaterial(&data));
    D3DMATERIALHANDLE h = 0;
    ASSERT_EQ(D3D_OK, m->GetHandle(device, &h));
    EXPECT_NE(0u, h);
    ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_MATERIAL, h));
    D3DMATERIAL back{};
    back.dwSize = sizeof(back);
    ASSERT_EQ(D3D_OK, m->GetMaterial(&back));
    EXPECT_FLOAT_EQ(0.5f, back.diffuse.g);
    EXPECT_EQ(0u, m->Release());
}

TEST_F(DeviceTest, VertexBufferLocking) {
    makeDevice();
    D3DVERTEXBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFVF = D3DFVF_XYZ | D3DFVF_NORMAL;
    desc.dwNumVertices = 10;
    IDirect3DVertexBuffer* vb = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateVertexBuffer(&desc, &vb, 0, nullptr));
    void* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(D3D_OK, vb->Lock(DDLOCK_WAIT, &data, &size));
    EXPECT_EQ(240u, size);
    EXPECT_EQ(D3DERR_VERTEXBUFFERLOCKED, vb->Lock(DDLOCK_WAIT, &data, &size));
    EXPECT_EQ(D3DERR_VERTEXBUFFERLOCKED, vb->Optimize(device, 0));
    ASSERT_EQ(D3D_OK, vb->Unlock());
    EXPECT_EQ(DDERR_NOTLOCKED, vb->Unlock());
    D3DVERTEXBUFFERDESC got{};
    got.dwSize = sizeof(got);
    ASSERT_EQ(D3D_OK, vb->GetVertexBufferDesc(&got));
    EXPECT_EQ(desc.dwFVF, got.dwFVF);
    EXPECT_TRUE(got.dwCaps & D3DVBCAPS_SYSTEMMEMORY);
    ASSERT_EQ(D3D_OK, vb->Optimize(device, 0));
    EXPECT_EQ(D3DERR_VERTEXBUFFEROPTIMIZED, vb->Lock(DDLOCK_WAIT, &data, &size));
    EXPECT_EQ(0u, vb->Release());

    desc.dwFVF = D3DFVF_XYZRHW | D3DFVF_NORMAL;
    EXPECT_EQ(D3DERR_INVALIDVERTEXFORMAT, d3d->CreateVertexBuffer(&desc, &vb, 0, nullptr));
    desc.dwFVF = D3DFVF_XYZ;
    desc.dwSize = 8;
    EXPECT_EQ(DDERR_INVALIDPARAMS, d3d->CreateVertexBuffer(&desc, &vb, 0, nullptr));
}
