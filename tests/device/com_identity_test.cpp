// COM identity of the Direct3D objects: older viewport, texture and material faces,
// interfaces that are not offered, and bad out pointers. (The faces of a texture
// surface are walked with the other surface faces in the DirectDraw tests.)
#include "device_fixture.h"

#include <utility>

namespace {

constexpr IID kUnknownIID = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

// What `object` answers for `iid`; a refusal must leave a null pointer.
HRESULT ask(IUnknown* object, const IID& iid, IUnknown** out) {
    *out = reinterpret_cast<IUnknown*>(0x1);
    const HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(out));
    if (FAILED(hr)) {
        EXPECT_EQ(nullptr, *out);
    }
    return hr;
}

TEST_F(DeviceTest, EveryObjectAnswersItsVersionsAndRefusesOthersCleanly) {
    makeDevice();
    IDirect3DLight* light = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateLight(&light, nullptr));
    IDirect3DMaterial3* material = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateMaterial(&material, nullptr));
    D3DVERTEXBUFFERDESC vbDesc{sizeof(D3DVERTEXBUFFERDESC), 0, kTLFormat, 4};
    IDirect3DVertexBuffer* vb = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateVertexBuffer(&vbDesc, &vb, 0, nullptr));
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));

    // {object, interface asked, expected result}; a success adds one
    // reference to the object, so its count is one up until released.
    const std::pair<IUnknown*, ULONG> counted[] = {
        {viewport, 2}, {device, 1}, {light, 1}, {material, 1}, {vb, 1}, {clipper, 1}};
    struct Row {
        size_t object;
        const IID* iid;
        HRESULT expected;
    };
    const Row table[] = {
        {0, &IID_IDirect3DViewport, D3D_OK},      {0, &IID_IDirect3DViewport2, D3D_OK},
        {0, &IID_IDirect3DViewport3, D3D_OK},     {0, &IID_IDirect3DLight, E_NOINTERFACE},
        {1, &IID_IDirect3DDevice3, D3D_OK},       {1, &IID_IDirect3DDevice2, E_NOINTERFACE},
        {1, &IID_IDirect3DDevice, E_NOINTERFACE}, {1, &IID_IDirect3DExecuteBuffer, E_NOINTERFACE},
        {2, &IID_IDirect3DLight, D3D_OK},         {2, &kUnknownIID, E_NOINTERFACE},
        {3, &IID_IDirect3DMaterial3, D3D_OK},     {3, &IID_IDirect3DMaterial, D3D_OK},
        {3, &IID_IDirect3DMaterial2, D3D_OK},     {3, &IID_IDirect3DTexture, E_NOINTERFACE},
        {4, &IID_IDirect3DVertexBuffer, D3D_OK},  {4, &kUnknownIID, E_NOINTERFACE},
        {5, &IID_IDirectDrawClipper, D3D_OK},     {5, &kUnknownIID, E_NOINTERFACE},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(testing::Message() << "object " << row.object);
        auto [object, refs] = counted[row.object];
        IUnknown* got = nullptr;
        EXPECT_EQ(row.expected, ask(object, *row.iid, &got));
        if (SUCCEEDED(row.expected)) {
            EXPECT_EQ(refs, object->Release());
            EXPECT_EQ(refs + 1, got->AddRef());
            EXPECT_EQ(refs, got->Release());
        }
    }
    // IUnknown gives the same pointer from every face, every time.
    for (const auto& [object, refs] : counted) {
        IUnknown* first = nullptr;
        IUnknown* second = nullptr;
        ASSERT_EQ(D3D_OK, ask(object, IID_IUnknown, &first));
        ASSERT_EQ(D3D_OK, ask(first, IID_IUnknown, &second));
        EXPECT_EQ(first, second);
        EXPECT_EQ(refs + 1, first->Release());
        EXPECT_EQ(refs, second->Release());
        EXPECT_EQ(DDERR_INVALIDPARAMS, object->QueryInterface(IID_IUnknown, nullptr));
    }
    clipper->Release();
    vb->Release();
    material->Release();
    light->Release();
}

TEST_F(DeviceTest, TheOlderTextureFaceSharesHandleAndLoad) {
    IDirectDrawSurface4* from = texture(2, 1, {0xFF00FF00, 0xFFFF0000});
    IDirectDrawSurface4* to = texture(2, 1, {0, 0});
    IDirect3DTexture* from1 = nullptr;
    IDirect3DTexture* to1 = nullptr;
    ASSERT_EQ(DD_OK, from->QueryInterface(IID_IDirect3DTexture, reinterpret_cast<void**>(&from1)));
    ASSERT_EQ(DD_OK, to->QueryInterface(IID_IDirect3DTexture, reinterpret_cast<void**>(&to1)));
    IDirect3DTexture2* to2 = textureOf(to);
    D3DTEXTUREHANDLE handle1 = 0, handle2 = 0;
    EXPECT_EQ(D3D_OK, to1->GetHandle(nullptr, &handle1));
    EXPECT_EQ(D3D_OK, to2->GetHandle(nullptr, &handle2));
    EXPECT_NE(0u, handle1);
    EXPECT_EQ(handle1, handle2);
    EXPECT_EQ(DDERR_ALREADYINITIALIZED, to1->Initialize(nullptr, nullptr));
    EXPECT_EQ(D3D_OK, to1->Load(from1));
    EXPECT_EQ((std::vector<uint32_t>{0xFF00FF00, 0xFFFF0000}),
              platform::testing::readSurfaceARGB(to));
    EXPECT_EQ(DDERR_INVALIDPARAMS, to1->Load(nullptr));
    to2->Release();
    to1->Release();
    from1->Release();
    EXPECT_EQ(0u, to->Release());
    EXPECT_EQ(0u, from->Release());
}

TEST_F(DeviceTest, OlderDirect3DFacesMakeViewportsAndRefuseOlderDevices) {
    IDirect3D2* d3d2 = nullptr;
    ASSERT_EQ(D3D_OK, d3d->QueryInterface(IID_IDirect3D2, reinterpret_cast<void**>(&d3d2)));
    IDirect3D* d3d1 = nullptr;
    ASSERT_EQ(D3D_OK, d3d2->QueryInterface(IID_IDirect3D, reinterpret_cast<void**>(&d3d1)));
    IDirect3DViewport2* v2 = nullptr;
    ASSERT_EQ(D3D_OK, d3d2->CreateViewport(&v2, nullptr));
    IDirect3DViewport3* v3 = nullptr;
    ASSERT_EQ(D3D_OK, v2->QueryInterface(IID_IDirect3DViewport3, reinterpret_cast<void**>(&v3)));
    EXPECT_EQ(static_cast<IDirect3DViewport2*>(v3), v2);
    EXPECT_EQ(1u, v2->Release());
    EXPECT_EQ(0u, v3->Release());
    IDirect3DViewport* v1 = nullptr;
    ASSERT_EQ(D3D_OK, d3d1->CreateViewport(&v1, nullptr));
    EXPECT_EQ(0u, v1->Release());

    IDirect3DDevice2* device2 = reinterpret_cast<IDirect3DDevice2*>(0x1);
    IDirectDrawSurface* none = nullptr;
    EXPECT_EQ(DDERR_UNSUPPORTED, d3d2->CreateDevice(IID_IDirect3DRGBDevice, none, &device2));
    EXPECT_EQ(nullptr, device2);
    // An older material is the same object.
    IDirect3DMaterial* material1 = nullptr;
    ASSERT_EQ(D3D_OK, d3d1->CreateMaterial(&material1, nullptr));
    D3DMATERIAL red{};
    red.dwSize = sizeof(red);
    red.diffuse = {1, 0, 0, 1};
    ASSERT_EQ(D3D_OK, material1->SetMaterial(&red));
    IDirect3DMaterial3* material3 = nullptr;
    ASSERT_EQ(D3D_OK, material1->QueryInterface(IID_IDirect3DMaterial3,
                                                reinterpret_cast<void**>(&material3)));
    D3DMATERIAL read{};
    read.dwSize = sizeof(read);
    ASSERT_EQ(D3D_OK, material3->GetMaterial(&read));
    EXPECT_EQ(1.0f, read.diffuse.r);
    EXPECT_EQ(1u, material3->Release());
    EXPECT_EQ(0u, material1->Release());
    IDirect3DMaterial2* material2 = reinterpret_cast<IDirect3DMaterial2*>(0x1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, d3d2->CreateMaterial(&material2, d3d2));
    EXPECT_EQ(nullptr, material2);
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              d3d1->CreateViewport(static_cast<IDirect3DViewport**>(nullptr), nullptr));
    EXPECT_EQ(DDERR_ALREADYINITIALIZED, d3d1->Initialize(IID_IDirect3D));
    EXPECT_EQ(3u, d3d1->Release());
    EXPECT_EQ(2u, d3d2->Release());
}

}  // namespace
