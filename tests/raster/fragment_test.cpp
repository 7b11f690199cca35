// Per-fragment operations after the cascade: alpha test with every
// comparison, vertex fog and table fog.
#include "raster_test_util.h"

#include <cmath>

using namespace rt;

TEST(RasterAlphaTest, EveryComparisonAndDisabled) {
    const struct {
        DWORD func;
        bool below, equal, above;  // alpha 0x40, 0x80, 0xc0 against ref 0x80
        bool enable = true;
    } cases[] = {
        {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
        {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true},
        {D3DCMP_NEVER, true, true, true, false},
    };
    for (const auto& k : cases) {
        const std::pair<DWORD, bool> alphas[] = {{0x40, k.below}, {0x80, k.equal}, {0xc0, k.above}};
        for (const auto& [a, pass] : alphas) {
            Canvas c(4, 4);
            c.clear(0xff000000);
            c.untextured();
            c.rs(D3DRENDERSTATE_ALPHATESTENABLE, k.enable);
            c.rs(D3DRENDERSTATE_ALPHAFUNC, k.func);
            c.rs(D3DRENDERSTATE_ALPHAREF, 0x80);
            drawList(c.raster, quad(0, 0, 4, 4, (a << 24) | 0x00ffffff));
            EXPECT_EQ(c.pixel(1, 1), pass ? (a << 24) | 0x00ffffff : 0xff000000)
                << "func " << k.func << " alpha " << a << " enable " << k.enable;
        }
    }
}

namespace {

struct Fogged : Canvas {
    Fogged(DWORD w, DWORD h, D3DCOLOR color) : Canvas(w, h) {
        untextured();
        rs(D3DRENDERSTATE_FOGENABLE, TRUE);
        rs(D3DRENDERSTATE_FOGCOLOR, color);
    }
};

}  // namespace

// Vertex fog: colour * f + fog colour * (1 - f), f the specular alpha; none
// when fog is off.
TEST(RasterFog, VertexFogUsesSpecularAlpha) {
    for (int f : {0, 0x40, 0x80, 0xff}) {
        for (bool enable : {true, false}) {
            Fogged c(4, 4, 0xff204060);
            c.rs(D3DRENDERSTATE_FOGENABLE, enable);
            drawList(c.raster, withSpecular(quad(0, 0, 4, 4, 0xffc08040), DWORD(f) << 24));
            const int color[3] = {0xc0, 0x80, 0x40}, fog[3] = {0x20, 0x40, 0x60};
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(ch(c.pixel(1, 1), i),
                          enable ? mul(color[i], f) + mul(fog[i], 255 - f) : color[i])
                    << f << " " << enable;
            }
        }
    }
}

TEST(RasterFog, TableFogOnEyeDistance) {
    const float w = 5.0f, start = 2.0f, end = 10.0f, density = 0.15f;
    const struct {
        DWORD mode;
        double factor;
    } cases[] = {
        {D3DFOG_LINEAR, (end - w) / (end - start)},
        {D3DFOG_EXP, std::exp(-density * w)},
        {D3DFOG_EXP2, std::exp(-(density * w) * (density * w))},
    };
    for (const auto& k : cases) {
        Fogged c(4, 4, 0xff0000ff);
        c.state().setFogSource(FogSource::W);
        c.rs(D3DRENDERSTATE_FOGTABLEMODE, k.mode);
        c.rs(D3DRENDERSTATE_FOGSTART, floatBits(start));
        c.rs(D3DRENDERSTATE_FOGEND, floatBits(end));
        c.rs(D3DRENDERSTATE_FOGDENSITY, floatBits(density));
        std::vector<Vertex> v = quad(0, 0, 4, 4, 0xffff0000);
        for (Vertex& p : v)
            p.rhw = 1.0f / w;
        drawList(c.raster, v);
        EXPECT_NEAR(red(c.pixel(1, 1)), 255.0 * k.factor, 1.5) << k.mode;
        EXPECT_NEAR(ch(c.pixel(1, 1), 2), 255.0 * (1 - k.factor), 1.5) << k.mode;
    }
}

// No fog on the left, full fog on the right: vertex fog by the specular
// alpha, table fog by depth, both per pixel.
TEST(RasterFog, VertexAndDepthFogInterpolateAlongTheTriangle) {
    for (const bool table : {false, true}) {
        Fogged c(16, 1, 0xff000000);
        Vertex a = vtx(0, 0, 0xffffffff, 0, 0, 0.0f), b = vtx(0, 0, 0xffffffff, 0, 0, 1.0f);
        if (table) {
            c.state().setFogSource(FogSource::Z);
            c.rs(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
            c.rs(D3DRENDERSTATE_FOGSTART, floatBits(0.0f));
            c.rs(D3DRENDERSTATE_FOGEND, floatBits(1.0f));
        } else {
            b.specular = 0x00000000;
        }
        drawList(c.raster, row(16, a, b));
        for (int x = 0; x < 16; ++x)
            EXPECT_NEAR(red(c.pixel(x, 0)), 255.0 * (1.0 - (x + 0.5) / 16.0), 2.0) << x << table;
    }
}
