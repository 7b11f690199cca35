// Private data on surfaces, EnumSurfaces and SetSurfaceDesc: held
// interfaces and volatile data, the references enumeration callbacks get,
// surfaces on the program's memory.
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

    ASSERT_EQ(DD_OK, s->SetPrivateData(kTag, &a, sizeof(IUnknown*), DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->SetPrivateData(kTag, &b, 4, DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              s->SetPrivateData(kTag, nullptr, sizeof(IUnknown*), DDSPD_IUNKNOWNPOINTER));
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->SetPrivateData(kTag, &b, sizeof(IUnknown*), 0x80));
    EXPECT_EQ(2u, a.refs);
    EXPECT_EQ(1u, b.refs);
    EXPECT_EQ(0u, s->Release());
    EXPECT_EQ(1u, a.refs);  // destroyed with the surface
}

TEST_F(SurfaceDataTest, VolatileDataExpiresWhenTheContentsChange) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    DWORD value = 42;
    DWORD got = 0, size = sizeof(got);
    EXPECT_EQ(DDERR_NOTFOUND, s->GetPrivateData(kTag, &got, &size));
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

    // Of a two-level mip chain only the top has a mip count of 2.
    DDSURFACEDESC2 mips = surfaceDesc(DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX, 32, 32);
    mips.dwFlags |= DDSD_MIPMAPCOUNT;
    mips.dwMipMapCount = 2;
    IDirectDrawSurface4* chain = make(mips);
    mips.dwFlags = DDSD_MIPMAPCOUNT;
    Seen twoLevels;
    ASSERT_EQ(DD_OK,
              dd->EnumSurfaces(exist | DDENUMSURFACES_MATCH, &mips, &twoLevels, &Seen::take));
    EXPECT_EQ(std::vector<DWORD>{32}, twoLevels.widths);
    releaseLast({chain});

    EXPECT_EQ(DDERR_INVALIDPARAMS,
              dd->EnumSurfaces(DDENUMSURFACES_ALL, nullptr, &first, &Seen::take));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              dd->EnumSurfaces(exist | DDENUMSURFACES_MATCH, nullptr, &first, &Seen::take));
    releaseLast({small1, small2, large});  // every handed-out reference was given back
}

TEST_F(SurfaceDataTest, SetSurfaceDescPutsTheSurfaceOnTheProgramsMemory) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
    // 6 x 5 pixels in rows of 8, the last two of each row not the surface's.
    std::vector<DWORD> memory(8 * 5, 0xDEADBEEF);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_LPSURFACE | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    d.lpSurface = memory.data();
    d.dwWidth = 6;
    d.dwHeight = 5;
    d.lPitch = 8 * 4;
    d.ddpfPixelFormat = kX8R8G8B8;
    ASSERT_EQ(DD_OK, s->SetSurfaceDesc(&d, 0));
    fill(s, 0x00FF0000);
    for (size_t i = 0; i < memory.size(); ++i)
        ASSERT_EQ(i % 8 < 6 ? 0x00FF0000u : 0xDEADBEEFu, memory[i]) << i;
    memory[2 * 8 + 3] = 0x000000FF;  // the program writes; the surface reads it
    EXPECT_EQ(0xFF0000FFu, pixel(s, 3, 2));
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(static_cast<void*>(memory.data()), locked.lpSurface);
    EXPECT_EQ(DDERR_SURFACEBUSY, s->SetSurfaceDesc(&d, 0));
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));

    // A new pointer alone keeps the layout.
    std::vector<DWORD> other(8 * 5, 0x00123456);
    DDSURFACEDESC2 pointerOnly{};
    pointerOnly.dwSize = sizeof(pointerOnly);
    pointerOnly.dwFlags = DDSD_LPSURFACE;
    pointerOnly.lpSurface = other.data();
    ASSERT_EQ(DD_OK, s->SetSurfaceDesc(&pointerOnly, 0));
    EXPECT_EQ(0xFF123456u, pixel(s, 5, 4));
    EXPECT_EQ(0u, s->Release());
}

TEST_F(SurfaceDataTest, SetSurfaceDescRefusesWhatItCannotHonour) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
    IDirectDrawSurface4* video = create(4, 4, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    std::vector<DWORD> memory(64);
    auto desc = [&](DWORD flags, DWORD w, LONG pitch) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = flags;
        d.lpSurface = memory.data();
        d.dwWidth = w;
        d.dwHeight = 4;
        d.lPitch = pitch;
        return d;
    };
    const DWORD layout = DDSD_LPSURFACE | DDSD_WIDTH | DDSD_PITCH;
    struct Case {
        IDirectDrawSurface4* surface;
        DDSURFACEDESC2 desc;
        DWORD flags;
        HRESULT expected;
    } cases[] = {
        {video, desc(DDSD_LPSURFACE, 0, 0), 0, DDERR_INVALIDSURFACETYPE},
        {s, desc(DDSD_WIDTH | DDSD_PITCH, 4, 16), 0, DDERR_INVALIDPARAMS},     // no memory
        {s, desc(DDSD_LPSURFACE | DDSD_WIDTH, 8, 0), 0, DDERR_INVALIDPARAMS},  // no pitch
        {s, desc(layout, 8, 16), 0, DDERR_INVALIDPARAMS},                      // pitch below a row
        {s, desc(layout, 0, 16), 0, DDERR_INVALIDPARAMS},
        {s, desc(layout, 16385, 65540), 0, DDERR_INVALIDPARAMS},  // wider than any surface
        {s, desc(DDSD_LPSURFACE | DDSD_BACKBUFFERCOUNT, 0, 0), 0, DDERR_INVALIDPARAMS},
        {s, desc(DDSD_LPSURFACE, 0, 0), 1, DDERR_INVALIDPARAMS},
    };
    for (Case& c : cases)
        EXPECT_EQ(c.expected, c.surface->SetSurfaceDesc(&c.desc, c.flags)) << c.desc.dwFlags;
    DDSURFACEDESC2 badFormat = desc(layout | DDSD_PIXELFORMAT, 4, 16);
    badFormat.ddpfPixelFormat = {kPF, DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, s->SetSurfaceDesc(&badFormat, 0));
    EXPECT_EQ(4u, descOf(s).dwWidth);  // nothing was taken over
    // Nor does a surface of a mip chain, the top or a lower level.
    DDSURFACEDESC2 mips = surfaceDesc(
        DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY, 8, 8);
    mips.dwFlags |= DDSD_MIPMAPCOUNT;
    mips.dwMipMapCount = 2;
    IDirectDrawSurface4* top = make(mips);
    IDirectDrawSurface4* lower = attached(top, DDSCAPS_MIPMAP);
    DDSURFACEDESC2 pointer = desc(DDSD_LPSURFACE, 0, 0);
    EXPECT_EQ(DDERR_INVALIDSURFACETYPE, top->SetSurfaceDesc(&pointer, 0));
    EXPECT_EQ(DDERR_INVALIDSURFACETYPE, lower->SetSurfaceDesc(&pointer, 0));
    lower->Release();
    releaseLast({s, video, top});
}

}  // namespace
