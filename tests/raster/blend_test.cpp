// Frame buffer blending: every pair of D3DBLEND factors against 8-bit
// arithmetic (each product rounded), and targets without alpha or with 16 bits.
#include "raster_test_util.h"

using namespace rt;

namespace {

constexpr D3DCOLOR kDest = 0x60a04080;
constexpr D3DCOLOR kSrc = 0xb0306090;

// Factor for channel i (0..3 = r, g, b, a) as 0..255. BOTHSRCALPHA and
// BOTHINVSRCALPHA as destination factors act as SRCALPHA and INVSRCALPHA.
int factor(DWORD f, int i, D3DCOLOR src, D3DCOLOR dst) {
    const int s = ch(src, i), d = ch(dst, i), sa = ch(src, 3), da = ch(dst, 3);
    const int srcAlphaSat = i == 3 ? 255 : std::min(sa, 255 - da);
    // By D3DBLEND value: ZERO = 1, ONE, SRCCOLOR, INVSRCCOLOR, SRCALPHA,
    // INVSRCALPHA, DESTALPHA, INVDESTALPHA, DESTCOLOR, INVDESTCOLOR,
    // SRCALPHASAT, BOTHSRCALPHA, BOTHINVSRCALPHA = 13.
    const int byValue[14] = {-1, 0,        255, s,       255 - s,     sa, 255 - sa,
                             da, 255 - da, d,   255 - d, srcAlphaSat, sa, 255 - sa};
    return byValue[f];
}

D3DCOLOR drawBlended(DWORD srcBlend, DWORD destBlend, PixelFormat format = PixelFormat::A8R8G8B8,
                     bool enable = true) {
    // A row of one full span: the factors fill every slot of it.
    Canvas c(64, 1, format);
    c.clear(kDest);
    c.untextured();
    c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, enable);
    c.rs(D3DRENDERSTATE_SRCBLEND, srcBlend);
    c.rs(D3DRENDERSTATE_DESTBLEND, destBlend);
    drawList(c.raster, {vtx(-1, -1, kSrc), vtx(200, -1, kSrc), vtx(-1, 200, kSrc)});
    return c.pixel(0, 0);
}

}  // namespace

// Every source factor with every destination factor; BOTHSRCALPHA and
// BOTHINVSRCALPHA as source also choose the destination factor.
TEST(RasterBlend, EveryFactorPairDisabledAndWithoutDestinationAlpha) {
    const DWORD factors[] = {D3DBLEND_ZERO,           D3DBLEND_ONE,          D3DBLEND_SRCCOLOR,
                             D3DBLEND_INVSRCCOLOR,    D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA,
                             D3DBLEND_DESTALPHA,      D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR,
                             D3DBLEND_INVDESTCOLOR,   D3DBLEND_SRCALPHASAT,  D3DBLEND_BOTHSRCALPHA,
                             D3DBLEND_BOTHINVSRCALPHA};
    for (DWORD sf : factors) {
        for (DWORD df : factors) {
            if (df == D3DBLEND_SRCALPHASAT)
                continue;  // a source-only factor
            DWORD used = df;
            if (sf == D3DBLEND_BOTHSRCALPHA)
                used = D3DBLEND_INVSRCALPHA;
            if (sf == D3DBLEND_BOTHINVSRCALPHA)
                used = D3DBLEND_SRCALPHA;
            const D3DCOLOR got = drawBlended(sf, df);
            for (int i = 0; i < 4; ++i) {
                const int want = mul(ch(kSrc, i), factor(sf, i, kSrc, kDest)) +
                                 mul(ch(kDest, i), factor(used, i, kSrc, kDest));
                EXPECT_EQ(ch(got, i), std::min(want, 255))
                    << "src " << sf << " dest " << df << " channel " << i;
            }
        }
    }
    // Disabled, the source is written.
    EXPECT_EQ(drawBlended(D3DBLEND_ONE, D3DBLEND_ONE, PixelFormat::A8R8G8B8, false), kSrc);
    // X8R8G8B8: DESTALPHA is 1, so INVDESTALPHA/DESTALPHA keeps the destination colour.
    const D3DCOLOR got =
        drawBlended(D3DBLEND_INVDESTALPHA, D3DBLEND_DESTALPHA, PixelFormat::X8R8G8B8);
    EXPECT_EQ(got & 0x00ffffff, kDest & 0x00ffffff);
}

TEST(RasterBlend, SixteenBitTargetsBlendInTheirPrecision) {
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        const D3DCOLOR got = drawBlended(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, f);
        const D3DCOLOR dst = unpackColor(f, packColor(f, kDest));
        for (int i = 0; i < 3; ++i) {
            const double sa = ch(kSrc, 3) / 255.0;
            const double want = ch(kSrc, i) * sa + ch(dst, i) * (1 - sa);
            EXPECT_NEAR(ch(got, i), want, 9.0) << static_cast<int>(f) << " " << i;
        }
    }
}

// Source times zero plus destination keeps the colours but still writes
// depth (the mirrors' depth fills); with the alpha test only the pixels
// that pass write it.
TEST(RasterBlend, AZeroOneBlendWritesOnlyDepth) {
    for (const bool alphaTestPasses : {true, false}) {
        Canvas c(4, 4, PixelFormat::A8R8G8B8, DepthFormat::D16);
        c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, kDest, 1.0f);
        c.untextured();
        c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        c.rs(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ZERO);
        c.rs(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        c.rs(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
        c.rs(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        c.rs(D3DRENDERSTATE_ALPHAREF, alphaTestPasses ? 0x80 : 0xc0);  // the source alpha is 0xb0
        drawList(c.raster, quad(0, 0, 4, 4, kSrc, 0, 0, 1, 1, 0.25f));
        EXPECT_EQ(c.pixel(2, 2), kDest);
        EXPECT_EQ(c.depthAt(2, 2),
                  quantizeDepth(DepthFormat::D16, alphaTestPasses ? 0.25f : 1.0f));
        c.rs(D3DRENDERSTATE_ALPHATESTENABLE, FALSE);
        drawList(c.raster, quad(0, 0, 4, 4, kSrc, 0, 0, 1, 1, 0.125f));
        EXPECT_EQ(c.pixel(2, 2), kDest);
        EXPECT_EQ(c.depthAt(2, 2), quantizeDepth(DepthFormat::D16, 0.125f));
    }
}
