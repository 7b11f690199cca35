// Palettes: creation and its refusals, the entry ranges, attaching to 8-bit
// surfaces (and only those), the references a surface holds and the colours
// its pixels show through the palette.
#include "ddraw_fixture.h"

#include <array>

namespace {

inline const DDPIXELFORMAT kPalette8{kPF, DDPF_RGB | DDPF_PALETTEINDEXED8, 0, 8, 0, 0, 0, 0};

std::array<PALETTEENTRY, 256> greys() {
    std::array<PALETTEENTRY, 256> e{};
    for (int i = 0; i < 256; ++i)
        e[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    return e;
}

class PaletteTest : public DirectDrawTest {
protected:
    IDirectDrawPalette* palette(DWORD flags) {
        IDirectDrawPalette* p = nullptr;
        EXPECT_EQ(DD_OK, dd->CreatePalette(flags, entries.data(), &p, nullptr));
        return p;
    }
    std::array<PALETTEENTRY, 256> entries = greys();
};

TEST_F(PaletteTest, CreationChecksItsArguments) {
    IDirectDrawPalette* p = reinterpret_cast<IDirectDrawPalette*>(0x1);
    IDirectDraw4* fresh = newDirectDraw(nullptr);
    EXPECT_EQ(DDERR_NOCOOPERATIVELEVELSET, fresh->CreatePalette(DDPCAPS_8BIT, entries.data(), &p, nullptr));
    EXPECT_EQ(nullptr, p);
    releaseLast({fresh});
    const struct {
        DWORD flags;
        bool withEntries;
        HRESULT expected;
    } cases[] = {
        {0, true, DDERR_INVALIDPARAMS},
        {DDPCAPS_4BIT | DDPCAPS_8BIT, true, DDERR_INVALIDPARAMS},
        {DDPCAPS_8BIT | DDPCAPS_8BITENTRIES, true, DDERR_INVALIDPARAMS},
        {DDPCAPS_8BIT | 0x10000, true, DDERR_INVALIDPARAMS},
        {DDPCAPS_8BIT, false, DDERR_INVALIDPARAMS},
        {DDPCAPS_4BIT | DDPCAPS_8BITENTRIES, true, DD_OK},
        {DDPCAPS_1BIT, true, DD_OK},
        {DDPCAPS_8BIT | DDPCAPS_ALLOW256, true, DD_OK},
    };
    for (const auto& c : cases) {
        p = nullptr;
        EXPECT_EQ(c.expected, dd->CreatePalette(c.flags, c.withEntries ? entries.data() : nullptr, &p,
                                                nullptr))
            << std::hex << c.flags;
        EXPECT_EQ(c.expected == DD_OK, p != nullptr);
        if (p) {
            DWORD caps = 0;
            EXPECT_EQ(DD_OK, p->GetCaps(&caps));
            EXPECT_EQ(c.flags, caps);
            releaseLast({p});
        }
    }
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd->CreatePalette(DDPCAPS_8BIT, entries.data(), nullptr, nullptr));
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              dd->CreatePalette(DDPCAPS_8BIT, entries.data(), &p, reinterpret_cast<IUnknown*>(dd)));
}

TEST_F(PaletteTest, EntriesWithinTheTableOnly) {
    IDirectDrawPalette* p8 = palette(DDPCAPS_8BIT);
    IDirectDrawPalette* p4 = palette(DDPCAPS_4BIT);
    PALETTEENTRY out[256]{};
    const struct {
        IDirectDrawPalette* p;
        DWORD flags, base, count;
        HRESULT expected;
    } reads[] = {
        {p8, 0, 0, 256, DD_OK},        {p8, 0, 255, 1, DD_OK},
        {p8, 0, 250, 7, DDERR_INVALIDPARAMS}, {p8, 0, 256, 0, DDERR_INVALIDPARAMS},
        {p8, 1, 0, 1, DDERR_INVALIDPARAMS},   {p4, 0, 0, 16, DD_OK},
        {p4, 0, 0, 17, DDERR_INVALIDPARAMS},
    };
    for (const auto& r : reads) {
        EXPECT_EQ(r.expected, r.p->GetEntries(r.flags, r.base, r.count, out)) << r.base << "+" << r.count;
        EXPECT_EQ(r.expected, r.p->SetEntries(r.flags, r.base, r.count, entries.data()));
    }
    EXPECT_EQ(DDERR_INVALIDPARAMS, p8->GetEntries(0, 0, 1, nullptr));
    PALETTEENTRY red[2] = {{255, 0, 0, 0}, {0, 0, 255, 0}};
    ASSERT_EQ(DD_OK, p8->SetEntries(0, 200, 2, red));
    ASSERT_EQ(DD_OK, p8->GetEntries(0, 199, 3, out));
    EXPECT_EQ(199, out[0].peRed);
    EXPECT_EQ(255, out[1].peRed);
    EXPECT_EQ(255, out[2].peBlue);
    EXPECT_EQ(DDERR_ALREADYINITIALIZED, p8->Initialize(nullptr, DDPCAPS_8BIT, entries.data()));
    IUnknown* unknown = nullptr;
    EXPECT_EQ(DD_OK, p8->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(p8), unknown);
    unknown->Release();
    void* other = p8;
    EXPECT_EQ(E_NOINTERFACE, p8->QueryInterface(IID_IDirectDrawClipper, &other));
    EXPECT_EQ(nullptr, other);
    releaseLast({p8, p4});
}

TEST_F(PaletteTest, AnEightBitSurfaceShowsItsPixelsThroughThePalette) {
    IDirectDrawSurface4* indexed = make(surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 4, 2, kPalette8));
    IDirectDrawSurface4* rgb = create(4, 2, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawPalette* p8 = palette(DDPCAPS_8BIT);
    IDirectDrawPalette* p4 = palette(DDPCAPS_4BIT);
    IDirectDrawPalette* found = reinterpret_cast<IDirectDrawPalette*>(0x1);
    EXPECT_EQ(DDERR_NOPALETTEATTACHED, indexed->GetPalette(&found));
    EXPECT_EQ(nullptr, found);
    EXPECT_EQ(DDERR_NOPALETTEATTACHED, indexed->SetPalette(nullptr));
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, rgb->SetPalette(p8));
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, indexed->SetPalette(p4));

    ASSERT_EQ(DD_OK, indexed->SetPalette(p8));
    ASSERT_EQ(DD_OK, indexed->GetPalette(&found));
    EXPECT_EQ(p8, found);
    EXPECT_EQ(2u, found->Release());  // ours and the surface's

    PALETTEENTRY red{255, 0, 0, 0};
    ASSERT_EQ(DD_OK, p8->SetEntries(0, 7, 1, &red));
    fill(indexed, 7);
    RECT right{2, 0, 4, 2};
    fill(indexed, 0x80, &right);
    EXPECT_EQ("RR?? RR??", picture(indexed));
    EXPECT_EQ(0xFF808080u, pixel(indexed, 3, 1));
    PALETTEENTRY blue{0, 0, 255, 0};
    ASSERT_EQ(DD_OK, p8->SetEntries(0, 7, 1, &blue));
    EXPECT_EQ("BB?? BB??", picture(indexed));
    // A blit between 8-bit surfaces copies the indices (the only blit between
    // formats that are neither RGB nor converted: it needs the formats equal).
    IDirectDrawSurface4* copy = make(surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 4, 2, kPalette8));
    ASSERT_EQ(DD_OK, copy->SetPalette(p8));
    ASSERT_EQ(DD_OK, copy->Blt(nullptr, indexed, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ("BB?? BB??", picture(copy));
    releaseLast({copy});

    // The surface lets go of a palette it is given up on, and of the last
    // one when it goes itself.
    ASSERT_EQ(DD_OK, indexed->SetPalette(nullptr));
    EXPECT_EQ(1u, p8->AddRef() - 1);
    p8->Release();
    ASSERT_EQ(DD_OK, indexed->SetPalette(p8));
    releaseLast({indexed, rgb, p4, p8});
}

}  // namespace
