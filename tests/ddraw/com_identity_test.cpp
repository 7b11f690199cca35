// COM identity of DirectDraw objects and surfaces: every interface version a
// DirectX 6 runtime offers is reachable from every other, with one identity
// and one reference count per object.
#include "ddraw_fixture.h"

#include <d3d.h>

#include <vector>

namespace {

struct Ask {
    const IID* from;
    const IID* iid;
    HRESULT expected;
};

class ComIdentityTest : public DirectDrawTest {
protected:
    // Each face of `object` by QueryInterface, one reference each.
    static std::vector<IUnknown*> faces(IUnknown* object, const std::vector<const IID*>& iids) {
        std::vector<IUnknown*> out;
        for (const IID* iid : iids) {
            IUnknown* face = nullptr;
            EXPECT_EQ(DD_OK, object->QueryInterface(*iid, reinterpret_cast<void**>(&face)));
            out.push_back(face);
        }
        return out;
    }

    // Walks `table` over the faces (named by `iids`) of one object that
    // holds `refs` references: a success hands out the face asked for with
    // one more reference, a failure nulls the out pointer and adds none.
    static void walk(const std::vector<const IID*>& iids, const std::vector<IUnknown*>& face,
                     const std::vector<Ask>& table, ULONG refs) {
        auto faceOf = [&](const IID& iid) -> IUnknown* {
            for (size_t i = 0; i < iids.size(); ++i)
                if (*iids[i] == iid)
                    return face[i];
            return nullptr;
        };
        IUnknown* identity = nullptr;
        ASSERT_EQ(DD_OK,
                  face[0]->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
        EXPECT_EQ(refs, identity->Release());
        for (size_t row = 0; row < table.size(); ++row) {
            const Ask& a = table[row];
            SCOPED_TRACE(row);
            IUnknown* from = faceOf(*a.from);
            ASSERT_NE(nullptr, from);
            IUnknown* got = reinterpret_cast<IUnknown*>(0x1);
            EXPECT_EQ(a.expected, from->QueryInterface(*a.iid, reinterpret_cast<void**>(&got)));
            if (FAILED(a.expected)) {
                EXPECT_EQ(nullptr, got);
                EXPECT_EQ(refs + 1, from->AddRef());
                EXPECT_EQ(refs, from->Release());
                continue;
            }
            EXPECT_EQ(*a.iid == IID_IUnknown ? identity : faceOf(*a.iid), got);
            EXPECT_EQ(refs + 2, got->AddRef());
            EXPECT_EQ(refs + 1, from->Release());  // the object's count, not the face's
            EXPECT_EQ(refs, got->Release());
        }
        EXPECT_EQ(DDERR_INVALIDPARAMS, face.back()->QueryInterface(IID_IUnknown, nullptr));
    }
};

constexpr IID kUnknownIID = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

TEST_F(ComIdentityTest, DirectDrawAndDirect3DAreOneObject) {
    const std::vector<const IID*> iids{&IID_IDirectDraw, &IID_IDirectDraw2, &IID_IDirectDraw4,
                                       &IID_IDirect3D,   &IID_IDirect3D2,   &IID_IDirect3D3};
    const std::vector<IUnknown*> face = faces(dd, iids);
    const std::vector<Ask> table{
        {&IID_IDirectDraw, &IID_IDirectDraw2, DD_OK},
        {&IID_IDirectDraw2, &IID_IDirectDraw4, DD_OK},
        {&IID_IDirectDraw4, &IID_IDirectDraw, DD_OK},
        {&IID_IDirectDraw, &IID_IDirect3D, DD_OK},
        {&IID_IDirectDraw2, &IID_IDirect3D2, DD_OK},
        {&IID_IDirect3D3, &IID_IDirectDraw4, DD_OK},
        {&IID_IDirect3D3, &IID_IDirectDraw2, DD_OK},
        {&IID_IDirect3D2, &IID_IDirect3D3, DD_OK},
        {&IID_IDirect3D, &IID_IDirect3D2, DD_OK},
        {&IID_IDirect3D, &IID_IDirectDraw, DD_OK},
        {&IID_IDirect3D2, &IID_IUnknown, DD_OK},
        {&IID_IDirect3D3, &IID_IUnknown, DD_OK},
        {&IID_IDirectDraw2, &IID_IUnknown, DD_OK},
        {&IID_IDirect3D3, &IID_IDirect3DDevice3, E_NOINTERFACE},
        {&IID_IDirect3D, &IID_IDirectDrawSurface4, E_NOINTERFACE},
        {&IID_IDirectDraw4, &IID_IDirect3DExecuteBuffer, E_NOINTERFACE},
        {&IID_IDirectDraw2, &kUnknownIID, E_NOINTERFACE},
        {&IID_IDirect3D2, &kUnknownIID, E_NOINTERFACE},
    };
    walk(iids, face, table, 1 + iids.size());
    // Releasing the face a query was made on leaves the others working.
    ULONG left = 1 + iids.size();
    for (IUnknown* f : face)
        EXPECT_EQ(--left, f->Release());
    auto* d3d = reinterpret_cast<IDirect3D2*>(face[4]);
    EXPECT_EQ(2u, d3d->AddRef());
    EXPECT_EQ(1u, dd->Release());
    dd = nullptr;
    D3DFINDDEVICESEARCH search{};
    search.dwSize = sizeof(search);
    D3DFINDDEVICERESULT result{};
    result.dwSize = sizeof(result);
    EXPECT_EQ(D3D_OK, d3d->FindDevice(&search, &result));
    EXPECT_EQ(0u, d3d->Release());
}

TEST_F(ComIdentityTest, SurfacesAnswerEveryVersionAndTexturesTheirDirect3DFaces) {
    IDirectDrawSurface4* texture = create(8, 8, DDSCAPS_TEXTURE);
    IDirectDrawSurface4* plain = create(8, 8, DDSCAPS_OFFSCREENPLAIN);
    const std::vector<const IID*> iids{&IID_IDirectDrawSurface4, &IID_IDirectDrawSurface,
                                       &IID_IDirectDrawSurface2, &IID_IDirectDrawSurface3,
                                       &IID_IDirect3DTexture,    &IID_IDirect3DTexture2};
    const std::vector<IUnknown*> face = faces(texture, iids);
    const std::vector<Ask> table{
        {&IID_IDirectDrawSurface, &IID_IDirectDrawSurface4, DD_OK},
        {&IID_IDirectDrawSurface4, &IID_IDirectDrawSurface3, DD_OK},
        {&IID_IDirectDrawSurface2, &IID_IDirectDrawSurface, DD_OK},
        {&IID_IDirectDrawSurface3, &IID_IDirect3DTexture2, DD_OK},
        {&IID_IDirect3DTexture2, &IID_IDirect3DTexture, DD_OK},
        {&IID_IDirect3DTexture, &IID_IDirectDrawSurface2, DD_OK},
        {&IID_IDirect3DTexture2, &IID_IDirectDrawSurface4, DD_OK},
        {&IID_IDirect3DTexture, &IID_IUnknown, DD_OK},
        {&IID_IDirectDrawSurface3, &IID_IUnknown, DD_OK},
        {&IID_IDirectDrawSurface4, &IID_IDirectDrawGammaControl, E_NOINTERFACE},
        {&IID_IDirect3DTexture2, &IID_IDirectDraw4, E_NOINTERFACE},
        {&IID_IDirectDrawSurface, &kUnknownIID, E_NOINTERFACE},
    };
    walk(iids, face, table, 1 + iids.size());
    for (IUnknown* f : face)
        f->Release();

    IUnknown* none = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(E_NOINTERFACE,
              plain->QueryInterface(IID_IDirect3DTexture, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    releaseLast({texture, plain});
}

TEST_F(ComIdentityTest, OlderInterfacesMakeAndUseTheSameSurfaces) {
    IDirectDraw* dd1 = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&dd1)));
    DDSURFACEDESC d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = 4;
    d.dwHeight = 2;
    d.ddpfPixelFormat = kX8R8G8B8;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* s1 = nullptr;
    ASSERT_EQ(DD_OK, dd1->CreateSurface(&d, &s1, nullptr));
    IDirectDrawSurface4* s4 = nullptr;
    ASSERT_EQ(DD_OK, s1->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&s4)));
    IDirectDrawSurface4* source = create(4, 2, DDSCAPS_OFFSCREENPLAIN);
    fill(source, 0xFF0000);
    IDirectDrawSurface* source1 = nullptr;
    ASSERT_EQ(DD_OK,
              source->QueryInterface(IID_IDirectDrawSurface, reinterpret_cast<void**>(&source1)));

    EXPECT_EQ(DD_OK, s1->Blt(nullptr, source1, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ("RRRR RRRR", picture(s4));
    DDSURFACEDESC locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(DD_OK, s1->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(4u, locked.dwWidth);
    EXPECT_EQ(DWORD(DDSCAPS_OFFSCREENPLAIN), locked.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
    static_cast<DWORD*>(locked.lpSurface)[1] = 0x00FF00;
    EXPECT_EQ(DD_OK, s1->Unlock(locked.lpSurface));
    EXPECT_EQ("RGRR RRRR", picture(s4));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s1->GetSurfaceDesc(nullptr));
    void* owner = nullptr;
    ASSERT_EQ(DD_OK, s4->GetDDInterface(&owner));
    EXPECT_EQ(static_cast<void*>(dd1), owner);  // the object's identity
    EXPECT_EQ(2u, static_cast<IUnknown*>(owner)->Release());

    source1->Release();
    s4->Release();
    EXPECT_EQ(1u, dd1->Release());
    releaseLast({s1, source});
}

TEST_F(ComIdentityTest, OlderFacesOfAFlippingChainLeadToTheOlderFacesOfItsBuffers) {
    exclusive();
    IDirectDrawSurface4* front = make(flipping(surfaceDesc(DDSCAPS_PRIMARYSURFACE), 1));
    IDirectDrawSurface3* front3 = nullptr;
    ASSERT_EQ(DD_OK,
              front->QueryInterface(IID_IDirectDrawSurface3, reinterpret_cast<void**>(&front3)));
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    ASSERT_EQ(DD_OK, front3->GetAttachedSurface(&caps, &back));
    IDirectDrawSurface* expected = nullptr;
    ASSERT_EQ(DD_OK,
              attached(front, DDSCAPS_BACKBUFFER)
                  ->QueryInterface(IID_IDirectDrawSurface, reinterpret_cast<void**>(&expected)));
    EXPECT_EQ(expected, back);
    EXPECT_EQ(DD_OK, front3->Flip(nullptr, DDFLIP_WAIT));
    DDSCAPS got{};
    EXPECT_EQ(DD_OK, back->GetCaps(&got));
    EXPECT_TRUE(got.dwCaps & DDSCAPS_BACKBUFFER);
    back->Release();
    expected->Release();
    expected->Release();  // the reference attached() handed out
    front3->Release();
    EXPECT_EQ(0u, front->Release());
}

}  // namespace
