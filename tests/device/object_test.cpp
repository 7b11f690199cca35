// Reference counts, creation errors, stored states, viewports, lights and
// vertex buffers; materials are in process_test.cpp.
#include "device_fixture.h"

TEST_F(DeviceTest, ReferenceCountsOfATypicalSequence) {
    makeDevice();
    // The device holds the viewport it was given.
    EXPECT_EQ(3u, viewport->AddRef());
    EXPECT_EQ(2u, viewport->Release());
    // It holds the render target and the Direct3D object: besides the
    // test's reference (and DirectDraw's, for Direct3D) one each.
    IDirectDrawSurface4* rt = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(&rt));
    EXPECT_EQ(rt, target);
    EXPECT_EQ(2u, rt->Release());
    IDirect3D3* back = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDirect3D(&back));
    EXPECT_EQ(3u, back->Release());
    // The texture interface counts on its surface.
    IDirectDrawSurface4* t = texture(2, 2, {0, 0, 0, 0});
    IDirect3DTexture2* tex = textureOf(t);
    EXPECT_EQ(3u, t->AddRef());
    EXPECT_EQ(2u, tex->Release());
    ASSERT_EQ(D3D_OK, device->SetTexture(0, tex));
    EXPECT_EQ(2u, t->Release());  // the device's reference
    ASSERT_EQ(D3D_OK, device->SetTexture(0, nullptr));
    EXPECT_EQ(0u, t->Release());
}

// A viewport deleted from its device, or outliving it, has its reference back
// and no device.
TEST_F(DeviceTest, ViewportsLeaveTheirDevice) {
    makeDevice();
    IDirect3DViewport3* second = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateViewport(&second, nullptr));
    D3DVIEWPORT2 v = fullViewport();
    EXPECT_EQ(D3DERR_VIEWPORTHASNODEVICE, second->SetViewport2(&v));  // never added
    ASSERT_EQ(D3D_OK, device->AddViewport(second));
    ASSERT_EQ(D3D_OK, device->DeleteViewport(viewport));
    EXPECT_EQ(2u, viewport->AddRef());
    EXPECT_EQ(1u, viewport->Release());
    EXPECT_EQ(D3DERR_VIEWPORTHASNODEVICE, viewport->SetViewport2(&v));
    EXPECT_EQ(0u, device->Release());
    device = nullptr;
    EXPECT_EQ(D3DERR_VIEWPORTHASNODEVICE, second->SetViewport2(&v));
    EXPECT_EQ(0u, second->Release());
}

TEST_F(DeviceTest, CreateDeviceRefusesBadTargets) {
    IDirect3DDevice3* dev = nullptr;
    IDirectDrawSurface4* plain = surface(8, 8, DDSCAPS_OFFSCREENPLAIN, kXRGB);
    EXPECT_EQ(DDERR_INVALIDCAPS, d3d->CreateDevice(IID_IDirect3DRGBDevice, plain, &dev, nullptr));
    EXPECT_EQ(nullptr, dev);
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              d3d->CreateDevice(IID_IDirect3DRGBDevice, nullptr, &dev, nullptr));
    IDirectDrawSurface4* ok = surface(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, kXRGB);
    EXPECT_EQ(D3DERR_INVALID_DEVICE, d3d->CreateDevice(IID_IDirect3D3, ok, &dev, nullptr));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, d3d->CreateDevice(IID_IDirect3DRGBDevice, ok, &dev,
                                                       reinterpret_cast<IUnknown*>(d3d)));
    plain->Release();
    ok->Release();
}

// Texture stages start with the DirectX 6 defaults; every render, stage and
// light state is stored; scenes do not nest.
TEST_F(DeviceTest, StatesStartAtTheirDefaultsAndAreStored) {
    makeDevice();
    const struct {
        D3DTEXTURESTAGESTATETYPE state;
        DWORD first, others;  // the stage number for TEXCOORDINDEX
    } defaults[] = {{D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_DISABLE},
                    {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_DISABLE},
                    {D3DTSS_COLORARG1, D3DTA_TEXTURE, D3DTA_TEXTURE},
                    {D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_CURRENT},
                    {D3DTSS_TEXCOORDINDEX, 0, 0}};
    DWORD v = 0;
    for (DWORD stage = 0; stage < 8; ++stage)
        for (const auto& d : defaults) {
            ASSERT_EQ(D3D_OK, device->GetTextureStageState(stage, d.state, &v));
            const DWORD expected = d.state == D3DTSS_TEXCOORDINDEX ? stage : d.others;
            EXPECT_EQ(stage == 0 ? d.first : expected, v) << stage << " " << d.state;
        }

    const DWORD highest = D3DRENDERSTATE_COUNT_DX6 - 1;
    for (DWORD s = 2; s <= highest; ++s)
        ASSERT_EQ(D3D_OK, device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s), s * 7 + 3))
            << s;
    for (DWORD s = 2; s <= highest; ++s) {
        ASSERT_EQ(D3D_OK, device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(s), &v));
        EXPECT_EQ(s * 7 + 3, v) << s;
    }
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(D3DRENDERSTATE_COUNT_STORED), 1));
    EXPECT_EQ(DDERR_INVALIDPARAMS, device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, 0xDEAD));

    ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00404040));
    ASSERT_EQ(D3D_OK, device->GetLightState(D3DLIGHTSTATE_AMBIENT, &v));
    EXPECT_EQ(0x00404040u, v);
    EXPECT_EQ(DDERR_INVALIDPARAMS, device->SetLightState(static_cast<D3DLIGHTSTATETYPE>(9), 0));
    EXPECT_EQ(D3DERR_SCENE_NOT_IN_SCENE, device->EndScene());
    EXPECT_EQ(D3D_OK, device->BeginScene());
    EXPECT_EQ(D3DERR_SCENE_IN_SCENE, device->BeginScene());
    EXPECT_EQ(D3D_OK, device->EndScene());
}

TEST_F(DeviceTest, ViewportValidationLightsAndTheirDescriptions) {
    makeDevice();
    D3DVIEWPORT2 v = fullViewport();
    v.dwWidth = kWidth + 1;
    EXPECT_EQ(DDERR_INVALIDPARAMS, viewport->SetViewport2(&v));
    v = fullViewport();
    v.dvClipWidth = 0.0f;
    EXPECT_EQ(DDERR_INVALIDPARAMS, viewport->SetViewport2(&v));
    // The refused descriptions left the one set before.
    D3DVIEWPORT2 read{};
    read.dwSize = sizeof(read);
    ASSERT_EQ(D3D_OK, viewport->GetViewport2(&read));
    v = fullViewport();
    EXPECT_EQ(0, std::memcmp(&v, &read, sizeof(v)));

    IDirect3DLight* a = nullptr;
    IDirect3DLight* b = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateLight(&a, nullptr));
    ASSERT_EQ(D3D_OK, d3d->CreateLight(&b, nullptr));
    ASSERT_EQ(D3D_OK, viewport->AddLight(a));
    ASSERT_EQ(D3D_OK, viewport->AddLight(b));
    EXPECT_EQ(D3DERR_LIGHTHASVIEWPORT, viewport->AddLight(a));
    IDirect3DLight* walk = nullptr;
    IDirect3DLight* next = nullptr;
    ASSERT_EQ(D3D_OK, viewport->NextLight(nullptr, &walk, D3DNEXT_HEAD));
    EXPECT_EQ(a, walk);
    ASSERT_EQ(D3D_OK, viewport->NextLight(walk, &next, D3DNEXT_NEXT));
    EXPECT_EQ(b, next);
    EXPECT_EQ(2u, walk->Release());  // the application and the viewport remain
    next->Release();
    EXPECT_NE(D3D_OK, viewport->NextLight(b, &walk, D3DNEXT_NEXT));
    EXPECT_EQ(nullptr, walk);
    ASSERT_EQ(D3D_OK, viewport->DeleteLight(a));
    EXPECT_EQ(D3DERR_LIGHTNOTINTHISVIEWPORT, viewport->DeleteLight(a));
    EXPECT_EQ(1u, b->Release());  // the viewport still holds it

    // Light descriptions of both sizes.
    D3DLIGHT old{};
    old.dwSize = sizeof(D3DLIGHT);
    old.dltType = D3DLIGHT_POINT;
    old.dcvColor = {1.0f, 0.5f, 0.25f, 1.0f};
    old.dvRange = 10.0f;
    old.dvAttenuation0 = 1.0f;
    ASSERT_EQ(D3D_OK, a->SetLight(&old));
    D3DLIGHT2 desc{};
    desc.dwSize = sizeof(D3DLIGHT2);
    ASSERT_EQ(D3D_OK, a->GetLight(reinterpret_cast<D3DLIGHT*>(&desc)));
    EXPECT_EQ(DWORD(D3DLIGHT_ACTIVE), desc.dwFlags);  // 76-byte lights are on
    EXPECT_FLOAT_EQ(0.5f, desc.dcvColor.g);
    old.dwSize = 40;
    EXPECT_EQ(DDERR_INVALIDPARAMS, a->SetLight(&old));
    EXPECT_EQ(0u, a->Release());
}

// A locked buffer refuses a second lock and optimising; an optimised one
// refuses locks. Untransformed vertices draw from the start vertex given
// (the second triangle covers only the right half).
TEST_F(DeviceTest, VertexBufferLockingAndDrawingFromAStartVertex) {
    makeDevice();
    diffuseOnly();
    struct V {
        float x, y, z;
        D3DCOLOR diffuse;
    };
    const V triangles[6] = {{-1, 1, 0.5f, 0xFFFF0000},  {0, 1, 0.5f, 0xFFFF0000},
                            {-1, -1, 0.5f, 0xFFFF0000}, {0, 1, 0.5f, 0xFF00FF00},
                            {1, 1, 0.5f, 0xFF00FF00},   {1, -1, 0.5f, 0xFF00FF00}};
    D3DVERTEXBUFFERDESC desc{sizeof(desc), 0, D3DFVF_XYZ | D3DFVF_DIFFUSE, 6};
    IDirect3DVertexBuffer* vb = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateVertexBuffer(&desc, &vb, 0, nullptr));
    void* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(D3D_OK, vb->Lock(DDLOCK_WAIT, &data, &size));
    ASSERT_EQ(sizeof(triangles), size);
    std::memcpy(data, triangles, sizeof(triangles));
    EXPECT_EQ(D3DERR_VERTEXBUFFERLOCKED, vb->Lock(DDLOCK_WAIT, &data, &size));
    EXPECT_EQ(D3DERR_VERTEXBUFFERLOCKED, vb->Optimize(device, 0));
    ASSERT_EQ(D3D_OK, vb->Unlock());
    EXPECT_EQ(DDERR_NOTLOCKED, vb->Unlock());
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, vb, 3, 3, D3DDP_DONOTLIGHT));
    EXPECT_EQ(0x00FF00u, rgb(28, 8));
    EXPECT_EQ(0u, rgb(4, 8));
    // Any primitive type draws from a buffer: the first vertex as a point.
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveVB(D3DPT_POINTLIST, vb, 0, 1, D3DDP_DONOTLIGHT));
    EXPECT_EQ(0xFF0000u, rgb(0, 0));
    ASSERT_EQ(D3D_OK, vb->Optimize(device, 0));
    EXPECT_EQ(D3DERR_VERTEXBUFFEROPTIMIZED, vb->Lock(DDLOCK_WAIT, &data, &size));
    EXPECT_EQ(0u, vb->Release());
    desc.dwFVF = D3DFVF_XYZRHW | D3DFVF_NORMAL;
    EXPECT_EQ(D3DERR_INVALIDVERTEXFORMAT, d3d->CreateVertexBuffer(&desc, &vb, 0, nullptr));
    desc.dwFVF = D3DFVF_XYZ;
    desc.dwSize = 8;
    EXPECT_EQ(DDERR_INVALIDPARAMS, d3d->CreateVertexBuffer(&desc, &vb, 0, nullptr));
}
