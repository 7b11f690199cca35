// Private data on surfaces and the enumeration of surfaces: tagged bytes and
// held interfaces, volatile data, EnumSurfaces and EnumAttachedSurfaces with
// the references their callbacks get.
#include "ddraw_fixture.h"

#include <algorithm>
#include <vector>

namespace {

// An object whose count the test can read.
class Counted final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, LPVOID* out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;
};

const GUID kTag = {0x3E1D0A77, 0x52B4, 0x4C1A, {0x9B, 1, 2, 3, 4, 5, 6, 7}};

// What an enumeration handed out: the widths seen; each surface is released.
struct Seen {
    std::vector<DWORD> widths;
    size_t stopAfter = 0;  // 0: never cancel

    static HRESULT WINAPI take(LPDIRECTDRAWSURFACE4 s, LPDDSURFACEDESC2 d, LPVOID self) {
        auto* seen = static_cast<Seen*>(self);
        seen->widths.push_back(d->dwWidth);
        DDSURFACEDESC2 check{};
        check.dwSize = sizeof(check);
        EXPECT_EQ(DD_OK, s->GetSurfaceDesc(&check));
        EXPECT_EQ(check.dwWidth, d->dwWidth);
        EXPECT_GE(s->Release(), 1u);  // the reference the callback was given
        return seen->widths.size() == seen->stopAfter ? DDENUMRET_CANCEL : DDENUMRET_OK;
    }
    static HRESULT WINAPI takeOlder(LPDIRECTDRAWSURFACE s, LPDDSURFACEDESC d, LPVOID self) {
        static_cast<Seen*>(self)->widths.push_back(d->dwWidth);
        EXPECT_EQ(sizeof(DDSURFACEDESC), d->dwSize);
        EXPECT_GE(s->Release(), 1u);
        return DDENUMRET_OK;
    }
};

class SurfaceDataTest : public DirectDrawTest {};

TEST_F(SurfaceDataTest, HeldInterfacesAreReleasedOnFreeOverwriteAndDestroy) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    Counted a, b;
    ASSERT_EQ(DD_OK, s->SetPrivateData(kTag, &a, sizeof(IUnknown*), DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(2u, a.refs);
    IUnknown* got = nullptr;
    DWORD size = 0;
    EXPECT_EQ(DDERR_MOREDATA, s->GetPrivateData(kTag, nullptr, &size));
    EXPECT_EQ(sizeof(IUnknown*), size);
    ASSERT_EQ(DD_OK, s->GetPrivateData(kTag, &got, &size));
    EXPECT_EQ(static_cast<IUnknown*>(&a), got);

    ASSERT_EQ(DD_OK, s->SetPrivateData(kTag, &b, sizeof(IUnknown*), DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(1u, a.refs);  // overwritten
    EXPECT_EQ(2u, b.refs);
    ASSERT_EQ(DD_OK, s->FreePrivateData(kTag));
    EXPECT_EQ(1u, b.refs);
    EXPECT_EQ(DDERR_NOTFOUND, s->FreePrivateData(kTag));

    ASSERT_EQ(DD_OK, s->SetPrivateData(kTag, &a, sizeof(IUnknown*), DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->SetPrivateData(kTag, &b, 4, DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->SetPrivateData(kTag, nullptr, sizeof(IUnknown*),
                                                     DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->SetPrivateData(kTag, &b, sizeof(IUnknown*), 0x80));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->GetPrivateData(kTag, &got, nullptr));
    EXPECT_EQ(2u, a.refs);
    EXPECT_EQ(1u, b.refs);
    EXPECT_EQ(0u, s->Release());
    EXPECT_EQ(1u, a.refs);  // destroyed with the surface
}

TEST_F(SurfaceDataTest, VolatileDataExpiresWhenTheContentsChange) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    DWORD value = 42;
    DWORD got = 0, size = sizeof(got);
    ASSERT_EQ(DD_OK, s->SetPrivateData(kTag, &value, sizeof(value), DDSPD_VOLATILE));
    ASSERT_EQ(DD_OK, s->GetPrivateData(kTag, &got, &size));
    EXPECT_EQ(42u, got);
    fill(s, 0xFF);
    EXPECT_EQ(DDERR_EXPIRED, s->GetPrivateData(kTag, &got, &size));
    EXPECT_EQ(0u, s->Release());
}

TEST_F(SurfaceDataTest, EnumSurfacesHandsOutExistingSurfacesByDescription) {
    IDirectDrawSurface4* small1 = create(8, 8, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* small2 = create(8, 8, DDSCAPS_OFFSCREENPLAIN, 16);
    IDirectDrawSurface4* large = create(16, 8, DDSCAPS_TEXTURE);
    const DWORD exist = DDENUMSURFACES_DOESEXIST;
    struct Case {
        DWORD flags;
        DDSURFACEDESC2 desc;
        std::vector<DWORD> widths;  // sorted
    };
    DDSURFACEDESC2 eight{};
    eight.dwSize = sizeof(eight);
    eight.dwFlags = DDSD_WIDTH;
    eight.dwWidth = 8;
    const Case cases[] = {
        {exist | DDENUMSURFACES_ALL, {}, {8, 8, 16}},
        {exist | DDENUMSURFACES_MATCH, eight, {8, 8}},
        {exist | DDENUMSURFACES_NOMATCH, eight, {16}},
        {exist | DDENUMSURFACES_MATCH, surfaceDesc(DDSCAPS_TEXTURE), {16}},
        {exist | DDENUMSURFACES_MATCH, surfaceDesc(0, 8, 8, kR5G6B5), {8}},
    };
    for (const Case& c : cases) {
        Seen seen;
        DDSURFACEDESC2 d = c.desc;
        ASSERT_EQ(DD_OK, dd->EnumSurfaces(c.flags, &d, &seen, &Seen::take)) << c.flags;
        std::sort(seen.widths.begin(), seen.widths.end());
        EXPECT_EQ(c.widths, seen.widths) << c.flags;
    }
    Seen first;
    first.stopAfter = 1;
    ASSERT_EQ(DD_OK, dd->EnumSurfaces(exist | DDENUMSURFACES_ALL, nullptr, &first, &Seen::take));
    EXPECT_EQ(1u, first.widths.size());

    IDirectDraw* older = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&older)));
    Seen viaOlder;
    ASSERT_EQ(DD_OK, older->EnumSurfaces(exist | DDENUMSURFACES_ALL, nullptr, &viaOlder,
                                         &Seen::takeOlder));
    EXPECT_EQ(3u, viaOlder.widths.size());
    older->Release();

    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->EnumSurfaces(DDENUMSURFACES_ALL, nullptr, &first, &Seen::take));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              dd->EnumSurfaces(exist | DDENUMSURFACES_MATCH, nullptr, &first, &Seen::take));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              dd->EnumSurfaces(exist | DDENUMSURFACES_ALL, nullptr, &first, nullptr));
    releaseLast({small1, small2, large});  // every handed-out reference was given back
}

TEST_F(SurfaceDataTest, EnumAttachedSurfacesWalksOneLevelAndStopsOnCancel) {
    DDSURFACEDESC2 d = surfaceDesc(DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX, 16, 16,
                                   kX8R8G8B8);
    IDirectDrawSurface4* top = make(d);
    IDirectDrawSurface4* z = nullptr;
    IDirectDrawSurface4* target = create(16, 16, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    const DDPIXELFORMAT z16{kPF, DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};
    z = make(surfaceDesc(DDSCAPS_ZBUFFER, 16, 16, z16));
    ASSERT_EQ(DD_OK, target->AddAttachedSurface(z));

    Seen levels;
    ASSERT_EQ(DD_OK, top->EnumAttachedSurfaces(&levels, &Seen::take));
    EXPECT_EQ(std::vector<DWORD>{8}, levels.widths);
    Seen depth;
    depth.stopAfter = 1;
    ASSERT_EQ(DD_OK, target->EnumAttachedSurfaces(&depth, &Seen::take));
    EXPECT_EQ(std::vector<DWORD>{16}, depth.widths);
    EXPECT_EQ(DDERR_INVALIDPARAMS, top->EnumAttachedSurfaces(&levels, nullptr));
    EXPECT_EQ(1u, z->Release());
    releaseLast({target, top});
}

}  // namespace
