// Per-fragment operations after the cascade: alpha test with every
// comparison, vertex fog and table fog.
#include "raster_test_util.h"

#include <cmath>

using namespace rt;

TEST(RasterAlphaTest, EveryComparison)
{
    struct Case {
        DWORD func;
        bool below, equal, above;  // alpha 0x40, 0x80, 0xc0 against ref 0x80
    };
    const Case cases[] = {
        {D3DCMP_NEVER, false, false, false},       {D3DCMP_LESS, true, false, false},
        {D3DCMP_EQUAL, false, true, false},        {D3DCMP_LESSEQUAL, true, true, false},
        {D3DCMP_GREATER, false, false, true},      {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, false, true, true},  {D3DCMP_ALWAYS, true, true, true},
    };
    for (const Case& k : cases) {
        const std::pair<DWORD, bool> alphas[] = {{0x40, k.below}, {0x80, k.equal}, {0xc0, k.above}};
        for (const auto& [a, pass] : alphas) {
            Canvas c(4, 4);
            c.clear(0xff000000);
            c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
            c.state().setRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
            c.state().setRenderState(D3DRENDERSTATE_ALPHAFUNC, k.func);
            c.state().setRenderState(D3DRENDERSTATE_ALPHAREF, 0x80);
            drawList(c.raster, quad(0, 0, 4, 4, (a << 24) | 0x00ffffff));
            EXPECT_EQ(c.pixel(1, 1) != 0xff000000, pass) << "func " << k.func << " alpha " << a;
        }
    }
}

TEST(RasterAlphaTest, DisabledTestDrawsEverything)
{
    Canvas c(4, 4);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    c.state().setRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_NEVER);
    drawList(c.raster, quad(0, 0, 4, 4, 0x00ffffff));
    EXPECT_EQ(c.pixel(1, 1), 0x00ffffffu);
}

namespace {

void enableFog(Canvas& c, D3DCOLOR color)
{
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    c.state().setRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    c.state().setRenderState(D3DRENDERSTATE_FOGCOLOR, color);
}

int fogged(int c, int fog, double f) { return static_cast<int>(std::lround(c * f + fog * (1 - f))); }

}  // namespace

TEST(RasterFog, VertexFogUsesSpecularAlpha)
{
    for (DWORD fogAlpha : {0u, 0x40u, 0x80u, 0xffu}) {
        Canvas c(4, 4);
        enableFog(c, 0xff204060);
        std::vector<Vertex> v = quad(0, 0, 4, 4, 0xffc08040);
        for (Vertex& p : v) p.specular = fogAlpha << 24;
        drawList(c.raster, v);
        const double f = fogAlpha / 255.0;
        const D3DCOLOR got = c.pixel(1, 1);
        EXPECT_NEAR(red(got), fogged(0xc0, 0x20, f), 1) << fogAlpha;
        EXPECT_NEAR(green(got), fogged(0x80, 0x40, f), 1) << fogAlpha;
        EXPECT_NEAR(blue(got), fogged(0x40, 0x60, f), 1) << fogAlpha;
    }
}

TEST(RasterFog, VertexFogInterpolatesAlongTheTriangle)
{
    Canvas c(32, 1);
    enableFog(c, 0xff000000);
    Vertex a = vtx(-0.5f, -0.5f, 0xffffffff), b = vtx(31.5f, -0.5f, 0xffffffff);
    Vertex d = vtx(31.5f, 0.5f, 0xffffffff), e = vtx(-0.5f, 0.5f, 0xffffffff);
    a.specular = e.specular = 0xff000000;  // no fog on the left
    b.specular = d.specular = 0x00000000;  // full fog on the right
    drawList(c.raster, {a, b, d, a, d, e});
    for (int x = 0; x < 32; ++x) {
        const double f = 1.0 - (x + 0.5) / 32.0;
        EXPECT_NEAR(red(c.pixel(x, 0)), 255.0 * f, 2.0) << x;
    }
}

TEST(RasterFog, TableFogOnEyeDistance)
{
    struct Case {
        DWORD mode;
        double expectedFactor;
    };
    const float w = 5.0f, start = 2.0f, end = 10.0f, density = 0.15f;
    const Case cases[] = {
        {D3DFOG_LINEAR, (end - w) / (end - start)},
        {D3DFOG_EXP, std::exp(-density * w)},
        {D3DFOG_EXP2, std::exp(-(density * w) * (density * w))},
    };
    for (const Case& k : cases) {
        Canvas c(4, 4);
        enableFog(c, 0xff0000ff);
        c.state().setFogSource(FogSource::W);
        c.state().setRenderState(D3DRENDERSTATE_FOGTABLEMODE, k.mode);
        c.state().setRenderState(D3DRENDERSTATE_FOGSTART, floatBits(start));
        c.state().setRenderState(D3DRENDERSTATE_FOGEND, floatBits(end));
        c.state().setRenderState(D3DRENDERSTATE_FOGDENSITY, floatBits(density));
        std::vector<Vertex> v = quad(0, 0, 4, 4, 0xffff0000);
        for (Vertex& p : v) p.rhw = 1.0f / w;
        drawList(c.raster, v);
        const D3DCOLOR got = c.pixel(1, 1);
        EXPECT_NEAR(red(got), 255.0 * k.expectedFactor, 1.5) << k.mode;
        EXPECT_NEAR(blue(got), 255.0 * (1 - k.expectedFactor), 1.5) << k.mode;
    }
}

TEST(RasterFog, TableFogOnDepthAndPerPixel)
{
    Canvas c(16, 1);
    enableFog(c, 0xff000000);
    c.state().setFogSource(FogSource::Z);
    c.state().setRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
    c.state().setRenderState(D3DRENDERSTATE_FOGSTART, floatBits(0.0f));
    c.state().setRenderState(D3DRENDERSTATE_FOGEND, floatBits(1.0f));
    Vertex a = vtx(-0.5f, -0.5f, 0xffffffff), b = vtx(15.5f, -0.5f, 0xffffffff);
    Vertex d = vtx(15.5f, 0.5f, 0xffffffff), e = vtx(-0.5f, 0.5f, 0xffffffff);
    a.z = e.z = 0.0f;
    b.z = d.z = 1.0f;
    drawList(c.raster, {a, b, d, a, d, e});
    for (int x = 0; x < 16; ++x) {
        const double z = (x + 0.5) / 16.0;
        EXPECT_NEAR(red(c.pixel(x, 0)), 255.0 * (1.0 - z), 1.5) << x;
    }
}

TEST(RasterFog, FogDisabledLeavesColour)
{
    Canvas c(4, 4);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    c.state().setRenderState(D3DRENDERSTATE_FOGCOLOR, 0xff0000ff);
    std::vector<Vertex> v = quad(0, 0, 4, 4, 0xffff0000);
    for (Vertex& p : v) p.specular = 0;
    drawList(c.raster, v);
    EXPECT_EQ(c.pixel(1, 1), 0xffff0000u);
}
