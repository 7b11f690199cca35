// Texture sampling: formats, addressing, filtering, mip selection, colour
// key, texture coordinate sets and perspective-correct interpolation.
#include "raster_test_util.h"

#include <cmath>

using namespace rt;

namespace {

constexpr D3DCOLOR kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff;

// Stage 0 shows its texture alone.
struct Textured : Canvas {
    Textured(DWORD w, DWORD h, const Texture* t, DepthFormat depth = DepthFormat::None)
        : Canvas(w, h, PixelFormat::A8R8G8B8, depth) {
        state().setTexture(0, t);
        tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    }
};

// A 64 x 64 texture of seven levels, each of one colour.
const D3DCOLOR kLevelColors[7] = {kRed,       kGreen,     kBlue,     0xffffff00,
                                  0xff00ffff, 0xffff00ff, 0xff808080};
TestTexture mipChain() {
    TestTexture t(PixelFormat::A8R8G8B8);
    for (int l = 0; l < 7; ++l)
        t.addLevel(64u >> l, 64u >> l, {kLevelColors[l]});
    return t;  // moving keeps each level's memory where it is
}

}  // namespace

// Channels widen by repeating their top bits; formats without alpha read 255.
TEST(RasterTexture, EachFormatDecodesToItsChannels) {
    const struct {
        PixelFormat format;
        D3DCOLOR in, expected;
    } cases[] = {
        {PixelFormat::R5G6B5, 0x80f08418, 0xfff78618},
        {PixelFormat::X1R5G5B5, 0x00f08418, 0xfff78418},
        {PixelFormat::A1R5G5B5, 0x00f08418, 0x00f78418},
        {PixelFormat::A1R5G5B5, 0xc0f08418, 0xfff78418},
        {PixelFormat::A4R4G4B4, 0x8f3c5a77, 0x88335577},
        {PixelFormat::X8R8G8B8, 0x12345678, 0xff345678},
        {PixelFormat::A8R8G8B8, 0x12345678, 0x12345678},
    };
    for (const auto& k : cases) {
        TestTexture t(k.format, 1, 1, {k.in});
        Textured c(4, 4, &t.tex);
        drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff));
        EXPECT_EQ(c.pixel(1, 1), k.expected) << static_cast<int>(k.format);
    }
}

// One texel per channel, so a pixel's channels are the weights of the four
// texels: T00 red, T10 green, T01 blue, T11 alpha. Texel centres sit at
// (i + 0.5) / size; bilinear weights are in 1/256 steps.
TEST(RasterTexture, AddressingAndFilteringPickTheHandComputedTexels) {
    const TestTexture quads(PixelFormat::A8R8G8B8, 2, 2,
                            {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000});
    const TestTexture npot(PixelFormat::A8R8G8B8, 3, 1, {kRed, kGreen, kBlue});
    constexpr D3DCOLOR kBorder = 0x80402210;
    const struct {
        const TestTexture& t;
        DWORD address;
        bool linear;
        float u, v;
        D3DCOLOR expected;
    } cases[] = {
        {quads, D3DTADDRESS_WRAP, false, 0.75f, 0.25f, 0x0000ff00},
        {quads, D3DTADDRESS_WRAP, false, 0.25f, 0.75f, 0x000000ff},
        {quads, D3DTADDRESS_WRAP, false, -0.5f, 1.5f, 0xff000000},   // texel (-1, 3)
        {quads, D3DTADDRESS_CLAMP, false, -0.5f, 1.5f, 0x000000ff},  // to (0, 1)
        {quads, D3DTADDRESS_CLAMP, false, 1.25f, -0.25f, 0x0000ff00},
        {quads, D3DTADDRESS_MIRROR, false, 1.75f, -0.75f, 0x000000ff},  // (3, -2) -> (0, 1)
        {quads, D3DTADDRESS_MIRROR, false, 0.75f, 0.25f, 0x0000ff00},
        {quads, D3DTADDRESS_BORDER, false, 0.25f, 0.25f, 0x00ff0000},
        {quads, D3DTADDRESS_BORDER, false, 1.25f, 0.25f, kBorder},
        {quads, D3DTADDRESS_BORDER, false, 0.25f, -0.25f, kBorder},
        {npot, D3DTADDRESS_WRAP, false, -0.2f, 0.5f, kBlue},  // texel -1 wraps to 2
        {npot, D3DTADDRESS_WRAP, false, 1.5f, 0.5f, kGreen},  // 4 wraps to 1
        // (0.375, 0.625): texel space (0.25, 0.75) from the centre of T00:
        // T00 3/4 * 1/4, T10 1/4 * 1/4, T01 3/4 * 3/4, T11 1/4 * 3/4.
        {quads, D3DTADDRESS_WRAP, true, 0.375f, 0.625f, 0x3030108f},
        {quads, D3DTADDRESS_CLAMP, true, 0.375f, 0.625f, 0x3030108f},
        // (0.125, 0.375): a quarter texel left of T00's centre. Wrapped, the
        // left neighbour is column 1; clamped, column 0 twice; border, kBorder.
        {quads, D3DTADDRESS_WRAP, true, 0.125f, 0.375f, 0x108f3030},
        {quads, D3DTADDRESS_CLAMP, true, 0.125f, 0.375f, 0x00bf0040},
        {quads, D3DTADDRESS_BORDER, true, 0.125f, 0.375f, 0x209f0934},
        // At the far edges the clamped neighbour is the last texel itself.
        {quads, D3DTADDRESS_CLAMP, true, 0.875f, 0.375f, 0x4000bf00},
        {quads, D3DTADDRESS_CLAMP, true, 0.875f, 0.875f, 0xff000000},
    };
    for (const auto& k : cases) {
        Textured c(2, 2, &k.t.tex);
        c.tss(0, D3DTSS_ADDRESS, k.address);
        c.tss(0, D3DTSS_BORDERCOLOR, kBorder);
        c.tss(0, D3DTSS_MAGFILTER, k.linear ? D3DTFG_LINEAR : D3DTFG_POINT);
        c.tss(0, D3DTSS_MINFILTER, k.linear ? D3DTFN_LINEAR : D3DTFN_POINT);
        drawList(c.raster, quad(-0.5f, -0.5f, 1.5f, 1.5f, 0xffffffff, k.u, k.v, k.u, k.v));
        EXPECT_EQ(c.pixel(1, 1), k.expected)
            << "address " << k.address << " linear " << k.linear << " at " << k.u << "," << k.v;
    }
}

TEST(RasterTexture, MipLevelFollowsMinificationMaxLevelAndBias) {
    const TestTexture t = mipChain();
    auto draw = [&](float size, DWORD mipFilter, DWORD maxLevel, float bias, float height = 0) {
        Textured c(80, 80, &t.tex);
        c.tss(0, D3DTSS_MIPFILTER, mipFilter);
        c.tss(0, D3DTSS_MAXMIPLEVEL, maxLevel);
        c.tss(0, D3DTSS_MIPMAPLODBIAS, floatBits(bias));
        height = height > 0 ? height : size;
        drawList(c.raster, quad(0, 0, size, height, 0xffffffff));
        return c.pixel(static_cast<int>(size / 2), static_cast<int>(height / 2));
    };
    const float k15 = 64 / std::pow(2.0f, 1.5f);  // lod 1.5
    // A quad of `size` pixels shows 64 / size texels per pixel: lod log2(64 / size).
    // Size 78 magnifies (the top level); max level 3 at lod 1.5 is below the
    // largest level used.
    const struct {
        float size;
        DWORD mip, maxLevel;
        float bias;
        int level;
    } cases[] = {
        {64, D3DTFP_POINT, 0, 0, 0},   {32, D3DTFP_POINT, 0, 0, 1},  {16, D3DTFP_POINT, 0, 0, 2},
        {8, D3DTFP_POINT, 0, 0, 3},    {2, D3DTFP_POINT, 0, 0, 5},   {0.5f, D3DTFP_POINT, 0, 0, 6},
        {78, D3DTFP_POINT, 0, 0, 0},   {16, D3DTFP_NONE, 0, 0, 0},   {16, D3DTFP_POINT, 3, 0, 3},
        {64, D3DTFP_POINT, 0, 1, 1},   {16, D3DTFP_POINT, 0, -1, 1}, {0.5f, D3DTFP_LINEAR, 0, 0, 6},
        {k15, D3DTFP_LINEAR, 3, 0, 3},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(draw(k.size, k.mip, k.maxLevel, k.bias), kLevelColors[k.level])
            << k.size << " mip " << k.mip << " max " << k.maxLevel << " bias " << k.bias;
    }
    // The larger minification, here along y, decides.
    EXPECT_EQ(draw(64, D3DTFP_POINT, 0, 0, 16), kLevelColors[2]);
    // lod 1.5: half level 1 (green), half level 2 (blue).
    const D3DCOLOR blend = draw(k15, D3DTFP_LINEAR, 0, 0);
    EXPECT_EQ(red(blend), 0);
    EXPECT_NEAR(ch(blend, 1), 128, 1);
    EXPECT_NEAR(ch(blend, 2), 128, 1);
    // lod 1 + 127/256: green 255 * 129 / 256 = 128.496 rounds to 128.
    EXPECT_EQ(ch(draw(32, D3DTFP_LINEAR, 0, 127 / 256.0f), 1), 128);
}

// Perspective: u = v run from 0 at the near top edge (rhw 1) to 1 at the far
// bottom edge (rhw 1/4) of a 32-row quad. At a row a fraction s down, v = s r
// / (1 + s (r - 1)), so dv/dy = r / (1 + s (r - 1))^2 / 32; u adds a factor
// of sqrt 2, and the level is round(log2(64 sqrt 2 dv/dy)).
TEST(RasterTexture, MipLevelFollowsThePerspectiveDerivative) {
    const TestTexture t = mipChain();
    constexpr float r = 0.25f, h = 32;
    Textured c(4, 32, &t.tex);
    c.tss(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
    const Vertex a = vtx(-0.5f, -0.5f, 0xffffffff, 0, 0, 0.5f, 1),
                 b = vtx(3.5f, -0.5f, 0xffffffff, 0, 0, 0.5f, 1);
    const Vertex d = vtx(-0.5f, h - 0.5f, 0xffffffff, 1, 1, 0.5f, r),
                 e = vtx(3.5f, h - 0.5f, 0xffffffff, 1, 1, 0.5f, r);
    drawList(c.raster, {a, b, e, a, e, d});
    for (int y = 0; y < 32; ++y) {
        const double s = (y + 0.5) / h, q = 1 + s * (r - 1);
        const double lod = std::log2(64 * std::sqrt(2.0) * r / (q * q) / h);
        if (std::fabs(lod - std::round(lod)) > 0.45)
            continue;  // too near the middle between two levels
        const int level = lod <= 0 ? 0 : static_cast<int>(std::lround(lod));
        EXPECT_EQ(c.pixel(2, y), kLevelColors[level]) << y << " lod " << lod;
    }
}

TEST(RasterTexture, KeyedTexelsWriteNeitherColourNorDepth) {
    // R5G6B5 magenta key on the left texel.
    TestTexture t(PixelFormat::R5G6B5, 2, 1, {0xffff00ff, kGreen});
    t.tex.colorKeyEnabled = true;
    t.tex.colorKey = 0xf81f;
    for (bool enable : {true, false}) {
        Textured c(8, 2, &t.tex, DepthFormat::D16);
        c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff000010, 1.0f);
        c.rs(D3DRENDERSTATE_COLORKEYENABLE, enable);
        drawList(c.raster, quad(-0.5f, -0.5f, 7.5f, 1.5f, 0xffffffff, 0, 0.5f, 1, 0.5f, 0.25f));
        for (int x = 0; x < 8; ++x) {
            const bool keyed = x < 4 && enable;
            EXPECT_EQ(c.pixel(x, 0), keyed ? 0xff000010u : (x < 4 ? 0xffff00ffu : kGreen)) << x;
            EXPECT_EQ(c.depthAt(x, 0), keyed ? 0xffffu : quantizeDepth(DepthFormat::D16, 0.25f));
        }
    }
}

// Row y covers pixels 0..y and shows texel (x, y); the texels right of the
// diagonal, each just past its row's end, are keyed. Each row is drawn whole.
TEST(RasterTexture, AKeyPastARowsEndDropsNothingOfTheNextRow) {
    std::vector<D3DCOLOR> texels;
    for (int i = 0; i < 64; ++i)
        texels.push_back(i % 8 > i / 8 ? 0xffff00ff : kGreen);
    TestTexture t(PixelFormat::R5G6B5, 8, 8, texels);
    t.tex.colorKeyEnabled = true;
    t.tex.colorKey = 0xf81f;
    Textured c(8, 8, &t.tex);
    c.rs(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
    const float right = 7.75f;  // no pixel centre on the diagonal edge
    drawList(c.raster, {vtx(-0.5f, -0.5f), vtx(right, 7.5f, ~0u, (right + 0.5f) / 8, 1),
                        vtx(-0.5f, 7.5f, ~0u, 0, 1)});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c.pixel(x, y), x <= y ? kGreen : 0u) << x << "," << y;
}

TEST(RasterTexture, BilinearKeyDropsKeyedTexelsFromFilter) {
    TestTexture t(PixelFormat::A8R8G8B8, 4, 1, {0xff000000, 0xffffffff, 0xffffffff, 0xffffffff});
    t.tex.colorKeyEnabled = true;
    t.tex.colorKey = 0x000000;  // black
    Textured c(16, 1, &t.tex);
    c.clear(0xff0000ff);
    c.rs(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
    c.tss(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    c.tss(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    drawList(c.raster, quad(-0.5f, -0.5f, 15.5f, 0.5f, 0xffffffff, 0, 0.5f, 1, 0.5f));
    EXPECT_EQ(c.pixel(0, 0), 0xff0000ffu);  // all weight on the keyed texel
    EXPECT_EQ(c.pixel(3, 0), 0xff0000ffu);  // 5/8 keyed
    EXPECT_EQ(c.pixel(5, 0), 0xffffffffu);  // keyed texel dropped, no dark fringe
    EXPECT_EQ(c.pixel(10, 0), 0xffffffffu);
}

// Ten red stripes modulated by a diffuse green ramp over 100 pixels whose
// right edge is 4 times as far (rhw 0.25): with perspective both follow the
// projected position, without it the screen position.
TEST(RasterTexture, PerspectiveCorrectTexelsAndColours) {
    std::vector<D3DCOLOR> stripes;
    for (int i = 0; i < 10; ++i)
        stripes.push_back(RGBA_MAKE(i * 25, 255, 0, 255));
    TestTexture t(PixelFormat::A8R8G8B8, 10, 1, stripes);
    for (bool perspective : {true, false}) {
        Canvas c(100, 1);
        c.state().setTexture(0, &t.tex);
        c.rs(D3DRENDERSTATE_TEXTUREPERSPECTIVE, perspective);
        drawList(c.raster, row(100, vtx(0, 0, 0xffff0000, 0, 0.5f, 0.5f, 1.0f),
                               vtx(0, 0, 0xffffff00, 1, 0.5f, 0.5f, 0.25f)));
        for (int x = 0; x < 100; ++x) {
            const double s = (x + 0.5) / 100.0;
            const double u = perspective ? s * 0.25 / ((1 - s) + s * 0.25) : s;
            EXPECT_NEAR(ch(c.pixel(x, 0), 1), 255.0 * u, 1.0) << x << " " << perspective;
            if (std::fabs(u * 10.0 - std::round(u * 10.0)) > 0.02) {  // not on a stripe border
                EXPECT_EQ(red(c.pixel(x, 0)), static_cast<int>(u * 10.0) * 25) << x;
            }
        }
    }
}

TEST(RasterTexture, UnboundOrBrokenTextureReadsWhite) {
    Texture broken;
    broken.format = PixelFormat::R5G6B5;
    broken.levels.push_back(TextureLevel{nullptr, 2, 1, 1});
    const Texture* const textures[] = {nullptr, &broken};
    for (const Texture* t : textures) {
        Canvas c(4, 4);
        c.state().setTexture(0, t);
        drawList(c.raster, quad(0, 0, 4, 4, 0xff336699));
        EXPECT_EQ(c.pixel(1, 1), 0xff336699u);  // MODULATE with white
    }
}
