// Frame buffer blending: every D3DBLEND factor, as source and as destination,
// and the common pairs, against a floating-point reference.
#include "raster_test_util.h"

using namespace rt;

namespace {

constexpr D3DCOLOR kDest = 0x60a04080;
constexpr D3DCOLOR kSrc = 0xb0306090;

double ch(D3DCOLOR c, int i)
{
    const int v[4] = {red(c), green(c), blue(c), alpha(c)};
    return v[i] / 255.0;
}

// Factor for channel i (0..3 = r, g, b, a).
double factor(DWORD f, int i, D3DCOLOR src, D3DCOLOR dst)
{
    const double sa = ch(src, 3), da = ch(dst, 3);
    switch (f) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_ONE: return 1;
    case D3DBLEND_SRCCOLOR: return ch(src, i);
    case D3DBLEND_INVSRCCOLOR: return 1 - ch(src, i);
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return 1 - sa;
    case D3DBLEND_DESTALPHA: return da;
    case D3DBLEND_INVDESTALPHA: return 1 - da;
    case D3DBLEND_DESTCOLOR: return ch(dst, i);
    case D3DBLEND_INVDESTCOLOR: return 1 - ch(dst, i);
    case D3DBLEND_SRCALPHASAT: return i == 3 ? 1 : std::min(sa, 1 - da);
    default: return -1;
    }
}

D3DCOLOR drawBlended(DWORD srcBlend, DWORD destBlend, PixelFormat format = PixelFormat::A8R8G8B8,
                     bool enable = true)
{
    Canvas c(4, 4, format);
    c.clear(kDest);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    c.state().setRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, enable);
    c.state().setRenderState(D3DRENDERSTATE_SRCBLEND, srcBlend);
    c.state().setRenderState(D3DRENDERSTATE_DESTBLEND, destBlend);
    drawList(c.raster, quad(0, 0, 4, 4, kSrc));
    return c.pixel(2, 2);
}

void expectBlend(DWORD sf, DWORD df, D3DCOLOR got, D3DCOLOR src = kSrc, D3DCOLOR dst = kDest)
{
    for (int i = 0; i < 4; ++i) {
        const double want = std::clamp(
            ch(src, i) * factor(sf, i, src, dst) + ch(dst, i) * factor(df, i, src, dst), 0.0, 1.0);
        EXPECT_NEAR(ch(got, i) * 255.0, want * 255.0, 1.01)
            << "src " << sf << " dest " << df << " channel " << i;
    }
}

const DWORD kFactors[] = {D3DBLEND_ZERO,        D3DBLEND_ONE,          D3DBLEND_SRCCOLOR,
                          D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA,
                          D3DBLEND_DESTALPHA,   D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR,
                          D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCALPHASAT};

}  // namespace

TEST(RasterBlend, EachFactorAsSource)
{
    for (DWORD f : kFactors) expectBlend(f, D3DBLEND_ZERO, drawBlended(f, D3DBLEND_ZERO));
}

TEST(RasterBlend, EachFactorAsDestination)
{
    for (DWORD f : kFactors) {
        if (f == D3DBLEND_SRCALPHASAT) continue;  // a source-only factor
        expectBlend(D3DBLEND_ZERO, f, drawBlended(D3DBLEND_ZERO, f));
    }
}

TEST(RasterBlend, CommonPairs)
{
    const DWORD pairs[][2] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
                              {D3DBLEND_ONE, D3DBLEND_ONE},
                              {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
                              {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
                              {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
                              {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
                              {D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCCOLOR}};
    for (const auto& p : pairs) expectBlend(p[0], p[1], drawBlended(p[0], p[1]));
}

TEST(RasterBlend, BothSrcAlphaSetsBothFactors)
{
    expectBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA,
                drawBlended(D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE));
    expectBlend(D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA,
                drawBlended(D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ZERO));
}

TEST(RasterBlend, DisabledBlendWritesSource)
{
    EXPECT_EQ(drawBlended(D3DBLEND_ONE, D3DBLEND_ONE, PixelFormat::A8R8G8B8, false), kSrc);
}

TEST(RasterBlend, TargetWithoutAlphaReadsDestAlphaAsOne)
{
    // X8R8G8B8: DESTALPHA is 1, so ZERO/DESTALPHA keeps the destination colour.
    const D3DCOLOR got = drawBlended(D3DBLEND_INVDESTALPHA, D3DBLEND_DESTALPHA,
                                     PixelFormat::X8R8G8B8);
    EXPECT_EQ(got & 0x00ffffff, kDest & 0x00ffffff);
}

TEST(RasterBlend, SixteenBitTargetsBlendInTheirPrecision)
{
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        const D3DCOLOR got = drawBlended(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, f);
        const D3DCOLOR dst = unpackColor(f, packColor(f, kDest));
        for (int i = 0; i < 3; ++i) {
            const double sa = ch(kSrc, 3);
            const double want = ch(kSrc, i) * sa + ch(dst, i) * (1 - sa);
            EXPECT_NEAR(ch(got, i) * 255.0, want * 255.0, 9.0) << static_cast<int>(f) << " " << i;
        }
    }
}
