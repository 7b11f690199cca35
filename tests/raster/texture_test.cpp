// Texture sampling: formats, addressing, filtering, mip selection, colour
// key, texture coordinate sets and perspective-correct interpolation.
#include "raster_test_util.h"

#include <cmath>

using namespace rt;

namespace {

// Stage 0 shows the texture alone.
void showTexture(Canvas& c, const Texture* t)
{
    c.state().setTexture(0, t);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    c.state().setTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void expectNear(D3DCOLOR got, int r, int g, int b, int tol, const char* what)
{
    EXPECT_NEAR(red(got), r, tol) << what;
    EXPECT_NEAR(green(got), g, tol) << what;
    EXPECT_NEAR(blue(got), b, tol) << what;
}

constexpr D3DCOLOR kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff;

}  // namespace

TEST(RasterTextureFormats, EachFormatDecodesToItsChannels)
{
    struct Case {
        PixelFormat format;
        D3DCOLOR in;
        D3DCOLOR expected;
    };
    const Case cases[] = {
        {PixelFormat::R5G6B5, 0x80f08418, 0xfff78618},    // 5/6/5 bits widened
        {PixelFormat::X1R5G5B5, 0x00f08418, 0xfff78418},  // no alpha -> 255
        {PixelFormat::A1R5G5B5, 0x00f08418, 0x00f78418},
        {PixelFormat::A1R5G5B5, 0xc0f08418, 0xfff78418},
        {PixelFormat::A4R4G4B4, 0x8f3c5a77, 0x88335577},
        {PixelFormat::X8R8G8B8, 0x12345678, 0xff345678},
        {PixelFormat::A8R8G8B8, 0x12345678, 0x12345678},
    };
    for (const Case& k : cases) {
        TestTexture t(k.format, 1, 1, {k.in});
        Canvas c(4, 4);
        showTexture(c, &t.tex);
        drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff));
        EXPECT_EQ(c.pixel(1, 1), k.expected) << static_cast<int>(k.format);
    }
}

TEST(RasterTextureAddress, WrapMirrorClampBorder)
{
    TestTexture t(PixelFormat::A8R8G8B8, 2, 1, {kRed, kGreen});
    // u runs 0..2 over 8 pixels: pixel x samples texel floor((x + 0.5) / 2).
    struct Case {
        DWORD mode;
        D3DCOLOR expected[8];
    };
    const Case cases[] = {
        {D3DTADDRESS_WRAP, {kRed, kRed, kGreen, kGreen, kRed, kRed, kGreen, kGreen}},
        {D3DTADDRESS_MIRROR, {kRed, kRed, kGreen, kGreen, kGreen, kGreen, kRed, kRed}},
        {D3DTADDRESS_CLAMP, {kRed, kRed, kGreen, kGreen, kGreen, kGreen, kGreen, kGreen}},
        {D3DTADDRESS_BORDER, {kRed, kRed, kGreen, kGreen, kBlue, kBlue, kBlue, kBlue}},
    };
    for (const Case& k : cases) {
        Canvas c(8, 2);
        showTexture(c, &t.tex);
        c.state().setTextureStageState(0, D3DTSS_ADDRESS, k.mode);
        c.state().setTextureStageState(0, D3DTSS_BORDERCOLOR, kBlue);
        drawList(c.raster, quad(-0.5f, -0.5f, 7.5f, 1.5f, 0xffffffff, 0, 0.5f, 2, 0.5f));
        for (int x = 0; x < 8; ++x) EXPECT_EQ(c.pixel(x, 0), k.expected[x]) << k.mode << " " << x;
    }
}

TEST(RasterTextureAddress, NonPowerOfTwoWrapsAndNegativeCoordinates)
{
    TestTexture t(PixelFormat::A8R8G8B8, 3, 1, {kRed, kGreen, kBlue});
    Canvas c(6, 1);
    showTexture(c, &t.tex);
    // u from -1 to 1 over 6 pixels: texel floor(3u) wraps mod 3.
    drawList(c.raster, quad(-0.5f, -0.5f, 5.5f, 0.5f, 0xffffffff, -1, 0.5f, 1, 0.5f));
    const D3DCOLOR expected[6] = {kRed, kGreen, kBlue, kRed, kGreen, kBlue};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(c.pixel(x, 0), expected[x]) << x;
}

TEST(RasterTextureFilter, BilinearBetweenTexelCentres)
{
    TestTexture t(PixelFormat::A8R8G8B8, 2, 1, {0xff000000, 0xffffffff});
    for (DWORD mode : {DWORD{D3DTADDRESS_WRAP}, DWORD{D3DTADDRESS_CLAMP}}) {
        Canvas c(8, 1);
        showTexture(c, &t.tex);
        c.state().setTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        c.state().setTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        c.state().setTextureStageState(0, D3DTSS_ADDRESS, mode);
        drawList(c.raster, quad(-0.5f, -0.5f, 7.5f, 0.5f, 0xffffffff, 0, 0.5f, 1, 0.5f));
        for (int x = 0; x < 8; ++x) {
            const double tx = (x + 0.5) / 8.0 * 2.0 - 0.5;
            const double x0 = std::floor(tx), frac = tx - x0;
            auto texel = [&](double i) {
                if (mode == D3DTADDRESS_CLAMP) i = i < 0 ? 0 : (i > 1 ? 1 : i);
                const int w = static_cast<int>(i) & 1;
                return w == 0 ? 0.0 : 255.0;
            };
            const double expected = texel(x0) * (1 - frac) + texel(x0 + 1) * frac;
            EXPECT_NEAR(red(c.pixel(x, 0)), expected, 1.5) << "mode " << mode << " x " << x;
        }
    }
}

TEST(RasterTextureFilter, PointFilterPicksNearestTexel)
{
    TestTexture t(PixelFormat::A8R8G8B8, 4, 1, {kRed, kGreen, kBlue, 0xffffffff});
    Canvas c(16, 1);
    showTexture(c, &t.tex);
    drawList(c.raster, quad(-0.5f, -0.5f, 15.5f, 0.5f, 0xffffffff, 0, 0.5f, 1, 0.5f));
    const D3DCOLOR order[4] = {kRed, kGreen, kBlue, 0xffffffff};
    for (int x = 0; x < 16; ++x) EXPECT_EQ(c.pixel(x, 0), order[x / 4]) << x;
}

namespace {

const D3DCOLOR kLevelColors[7] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffff00,
                                  0xff00ffff, 0xffff00ff, 0xff808080};

TestTexture mipChain()
{
    TestTexture t(PixelFormat::A8R8G8B8);
    for (int l = 0; l < 7; ++l) t.addLevel(64u >> l, 64u >> l, {kLevelColors[l]});
    return t;
}

D3DCOLOR drawMinified(const Texture& tex, float size, DWORD mipFilter, DWORD maxLevel = 0,
                      float bias = 0.0f)
{
    Canvas c(80, 80);
    c.state().setTexture(0, &tex);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    c.state().setTextureStageState(0, D3DTSS_MIPFILTER, mipFilter);
    c.state().setTextureStageState(0, D3DTSS_MAXMIPLEVEL, maxLevel);
    c.state().setTextureStageState(0, D3DTSS_MIPMAPLODBIAS, floatBits(bias));
    drawList(c.raster, quad(0, 0, size, size, 0xffffffff));
    return c.pixel(static_cast<int>(size / 2), static_cast<int>(size / 2));
}

}  // namespace

TEST(RasterTextureMip, LevelFollowsMinification)
{
    const TestTexture t = mipChain();
    EXPECT_EQ(drawMinified(t.tex, 64, D3DTFP_POINT), kLevelColors[0]);
    EXPECT_EQ(drawMinified(t.tex, 32, D3DTFP_POINT), kLevelColors[1]);
    EXPECT_EQ(drawMinified(t.tex, 16, D3DTFP_POINT), kLevelColors[2]);  // minified by 4
    EXPECT_EQ(drawMinified(t.tex, 8, D3DTFP_POINT), kLevelColors[3]);
    EXPECT_EQ(drawMinified(t.tex, 2, D3DTFP_POINT), kLevelColors[5]);
    // Magnified: the top level.
    EXPECT_EQ(drawMinified(t.tex, 78, D3DTFP_POINT), kLevelColors[0]);
}

TEST(RasterTextureMip, NoMipFilterUsesTopLevel)
{
    const TestTexture t = mipChain();
    EXPECT_EQ(drawMinified(t.tex, 16, D3DTFP_NONE), kLevelColors[0]);
}

TEST(RasterTextureMip, MaxMipLevelAndBias)
{
    const TestTexture t = mipChain();
    EXPECT_EQ(drawMinified(t.tex, 16, D3DTFP_POINT, 3), kLevelColors[3]);
    EXPECT_EQ(drawMinified(t.tex, 64, D3DTFP_POINT, 0, 1.0f), kLevelColors[1]);
    EXPECT_EQ(drawMinified(t.tex, 16, D3DTFP_POINT, 0, -1.0f), kLevelColors[1]);
}

TEST(RasterTextureMip, LinearMipBlendsNeighbourLevels)
{
    const TestTexture t = mipChain();
    // 64 / 2^1.5 pixels: lod 1.5, half level 1 (green) and half level 2 (blue).
    const D3DCOLOR got = drawMinified(t.tex, 64.0f / std::pow(2.0f, 1.5f), D3DTFP_LINEAR);
    expectNear(got, 0, 128, 128, 3, "lod 1.5");
}

TEST(RasterTextureKey, KeyedTexelsAreNotWritten)
{
    // R5G6B5 magenta key on the left texel.
    TestTexture t(PixelFormat::R5G6B5, 2, 1, {0xffff00ff, kGreen});
    t.tex.colorKeyEnabled = true;
    t.tex.colorKey = 0xf81f;
    for (bool enable : {true, false}) {
        Canvas c(8, 2, PixelFormat::A8R8G8B8, DepthFormat::D16);
        c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff000010, 1.0f);
        showTexture(c, &t.tex);
        c.state().setRenderState(D3DRENDERSTATE_COLORKEYENABLE, enable);
        drawList(c.raster, quad(-0.5f, -0.5f, 7.5f, 1.5f, 0xffffffff, 0, 0.5f, 1, 0.5f, 0.25f));
        for (int x = 0; x < 8; ++x) {
            if (x < 4 && enable) {
                EXPECT_EQ(c.pixel(x, 0), 0xff000010u) << x;
                EXPECT_EQ(c.depthAt(x, 0), 0xffffu) << "keyed pixels keep their depth";
            } else {
                EXPECT_EQ(c.pixel(x, 0), x < 4 ? 0xffff00ffu : kGreen) << x;
                EXPECT_EQ(c.depthAt(x, 0), quantizeDepth(DepthFormat::D16, 0.25f));
            }
        }
    }
}

TEST(RasterTextureKey, BilinearKeyDropsKeyedTexelsFromFilter)
{
    TestTexture t(PixelFormat::A8R8G8B8, 4, 1, {0xff000000, 0xffffffff, 0xffffffff, 0xffffffff});
    t.tex.colorKeyEnabled = true;
    t.tex.colorKey = 0x000000;  // black
    Canvas c(16, 1);
    c.clear(0xff0000ff);
    showTexture(c, &t.tex);
    c.state().setRenderState(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
    c.state().setTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    c.state().setTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    drawList(c.raster, quad(-0.5f, -0.5f, 15.5f, 0.5f, 0xffffffff, 0, 0.5f, 1, 0.5f));
    EXPECT_EQ(c.pixel(0, 0), 0xff0000ffu);   // all weight on the keyed texel
    EXPECT_EQ(c.pixel(3, 0), 0xff0000ffu);   // 5/8 keyed
    EXPECT_EQ(c.pixel(5, 0), 0xffffffffu);   // keyed texel dropped, no dark fringe
    EXPECT_EQ(c.pixel(10, 0), 0xffffffffu);
}

TEST(RasterTextureCoords, TexCoordIndexChoosesSet)
{
    TestTexture t(PixelFormat::A8R8G8B8, 2, 1, {kRed, kGreen});
    Canvas c(8, 1);
    showTexture(c, &t.tex);
    std::vector<Vertex> v = quad(-0.5f, -0.5f, 7.5f, 0.5f, 0xffffffff, 0, 0.5f, 1, 0.5f);
    for (Vertex& p : v) p.tex[1][0] = 1.0f - p.tex[0][0];  // set 1 mirrored
    drawList(c.raster, v);
    EXPECT_EQ(c.pixel(0, 0), kRed);
    c.state().setTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    drawList(c.raster, v);
    EXPECT_EQ(c.pixel(0, 0), kGreen);
    EXPECT_EQ(c.pixel(7, 0), kRed);
}

TEST(RasterTexturePerspective, TexelsFollowProjectedCoordinates)
{
    // Ten stripes; the right edge is 4 times as far (rhw 0.25) as the left.
    std::vector<D3DCOLOR> stripes;
    for (int i = 0; i < 10; ++i) stripes.push_back(RGBA_MAKE(i * 25, 0, 0, 255));
    TestTexture t(PixelFormat::A8R8G8B8, 10, 1, stripes);
    Canvas c(100, 2);
    showTexture(c, &t.tex);
    const float q0 = 1.0f, q1 = 0.25f;
    auto v = [&](float x, float y, float u, float q) {
        Vertex r = vtx(x, y, 0xffffffff, u, 0.5f);
        r.rhw = q;
        return r;
    };
    drawList(c.raster, {v(-0.5f, -0.5f, 0, q0), v(99.5f, -0.5f, 1, q1), v(99.5f, 1.5f, 1, q1),
                        v(-0.5f, -0.5f, 0, q0), v(99.5f, 1.5f, 1, q1), v(-0.5f, 1.5f, 0, q0)});
    int differsFromAffine = 0;
    for (int x = 0; x < 100; ++x) {
        const double s = (x + 0.5) / 100.0;
        const double u = s * q1 / ((1 - s) * q0 + s * q1);
        const double texel = u * 10.0;
        if (std::fabs(texel - std::round(texel)) < 0.02) continue;  // on a stripe border
        const int expected = static_cast<int>(texel);
        EXPECT_EQ(red(c.pixel(x, 0)), expected * 25) << x;
        if (expected != static_cast<int>(s * 10.0)) ++differsFromAffine;
    }
    EXPECT_GT(differsFromAffine, 40);
    // The screen midpoint shows the projected coordinate: u = 0.2 -> stripe 1 or 2.
    const double mid = (50 + 0.5) / 100.0;
    EXPECT_EQ(red(c.pixel(50, 1)) / 25, static_cast<int>(10 * mid * q1 / ((1 - mid) * q0 + mid * q1)));
}

TEST(RasterTexturePerspective, AffineWhenPerspectiveIsOff)
{
    std::vector<D3DCOLOR> stripes;
    for (int i = 0; i < 10; ++i) stripes.push_back(RGBA_MAKE(i * 25, 0, 0, 255));
    TestTexture t(PixelFormat::A8R8G8B8, 10, 1, stripes);
    Canvas c(100, 1);
    showTexture(c, &t.tex);
    c.state().setRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, FALSE);
    auto v = [&](float x, float y, float u, float q) {
        Vertex r = vtx(x, y, 0xffffffff, u, 0.5f);
        r.rhw = q;
        return r;
    };
    drawList(c.raster, {v(-0.5f, -0.5f, 0, 1), v(99.5f, -0.5f, 1, 0.25f), v(99.5f, 0.5f, 1, 0.25f),
                        v(-0.5f, -0.5f, 0, 1), v(99.5f, 0.5f, 1, 0.25f), v(-0.5f, 0.5f, 0, 1)});
    EXPECT_EQ(red(c.pixel(55, 0)), 5 * 25);
}

TEST(RasterTexturePerspective, GouraudColourIsPerspectiveCorrect)
{
    Canvas c(100, 1);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    auto v = [&](float x, float y, D3DCOLOR col, float q) {
        Vertex r = vtx(x, y, col);
        r.rhw = q;
        return r;
    };
    drawList(c.raster,
             {v(-0.5f, -0.5f, 0xff000000, 1), v(99.5f, -0.5f, 0xffffffff, 0.25f),
              v(99.5f, 0.5f, 0xffffffff, 0.25f), v(-0.5f, -0.5f, 0xff000000, 1),
              v(99.5f, 0.5f, 0xffffffff, 0.25f), v(-0.5f, 0.5f, 0xff000000, 1)});
    for (int x : {10, 50, 90}) {
        const double s = (x + 0.5) / 100.0;
        const double w = s * 0.25 / ((1 - s) + s * 0.25);
        EXPECT_NEAR(red(c.pixel(x, 0)), 255.0 * w, 1.0) << x;
    }
}

TEST(RasterTextureMissing, UnboundOrBrokenTextureReadsWhite)
{
    Texture broken;
    broken.format = PixelFormat::R5G6B5;
    broken.levels.push_back(TextureLevel{nullptr, 2, 1, 1});
    for (const Texture* t : {static_cast<const Texture*>(nullptr),
                             static_cast<const Texture*>(&broken)}) {
        Canvas c(4, 4);
        c.state().setTexture(0, t);
        drawList(c.raster, quad(0, 0, 4, 4, 0xff336699));
        EXPECT_EQ(c.pixel(1, 1), 0xff336699u);  // MODULATE with white
    }
}
