// The SIMD span loops against the scalar ones they stand for: the same bytes
// for every format they serve, texture size and coordinate, NaN and
// out-of-range coordinates included, on spans of every length.
#include "raster_test_util.h"

#include <hwy/targets.h>
#include <limits>
#include <random>

using namespace rt;

namespace {

struct Case {
    PixelFormat format;
    DWORD width, height;
};

// Runs `compare` under every instruction set compiled in that the processor
// runs, not only the widest (each has conversions of its own), then puts the
// widest and the SIMD loops back.
template <class Compare>
void onEveryTarget(Compare compare) {
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        compare(hwy::TargetName(target));
    }
    hwy::SetSupportedTargetsForTest(0);
    setRasterSimd(true);
}

std::vector<DWORD> rawPixels(const Canvas& c, int width, int height) {
    std::vector<DWORD> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.push_back(c.raw(x, y));
    return out;
}

// Thin triangles, each on rows of its own, whose texture coordinates run
// over `uv`, drawn bilinear with wrap or clamp addressing into a
// 97-pixel-wide target.
std::vector<DWORD> draw(bool simd, const Case& k, const std::vector<float>& uv, DWORD address) {
    setRasterSimd(simd);
    const int height = static_cast<int>(uv.size()) + 2;
    Canvas c(97, DWORD(height));
    std::vector<D3DCOLOR> texels(k.width * k.height);
    std::mt19937 rng(5);
    for (D3DCOLOR& t : texels)
        t = rng();
    TestTexture t(k.format, k.width, k.height, texels);
    c.state().setTexture(0, &t.tex);
    // Modulated by a white factor: the texel itself, unless a sampler wrote
    // over the factor's channels next to its own.
    c.rs(D3DRENDERSTATE_TEXTUREFACTOR, 0xffffffff);
    c.tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    c.tss(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    c.tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    c.tss(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    c.tss(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    c.tss(0, D3DTSS_ADDRESSU, address);
    c.tss(0, D3DTSS_ADDRESSV, address);
    for (size_t i = 0; i + 3 < uv.size(); i += 2) {
        const float y = float(i);
        // Spans from 1 to 96 pixels long, rhw varying for perspective.
        const std::vector<Vertex> v = {
            vtx(-0.5f, y, 0xffffffff, uv[i], uv[i + 1], 0.5f, 1.0f),
            vtx(float(i % 96) + 0.6f, y, 0xffffffff, uv[i + 2], uv[i + 3], 0.5f, 0.3f),
            vtx(-0.5f, y + 1.5f, 0xffffffff, uv[i + 3], uv[i], 0.5f, 0.7f)};
        drawList(c.raster, v);
    }
    return rawPixels(c, 97, height);
}

}  // namespace

TEST(RasterSimd, BilinearWrapAndClampSamplingEqualTheScalarLoops) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> uv = {0,   0,    1,   1,    -3.3f, 7.9f, 1e9f,   -1e9f,    3e10f,   -4e12f,
                             inf, -inf, nan, 0.5f, -nan,  2,    1e-30f, 65536.5f, -0.001f, 0.999f};
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> any(-40, 40);
    for (int i = 0; i < 200; ++i)
        uv.push_back(any(rng));
    const Case cases[] = {{PixelFormat::A8R8G8B8, 8, 4},  {PixelFormat::X8R8G8B8, 64, 64},
                          {PixelFormat::R5G6B5, 16, 2},   {PixelFormat::R5G6B5, 1, 4},
                          {PixelFormat::A8R8G8B8, 1, 1},  {PixelFormat::X1R5G5B5, 4, 8},
                          {PixelFormat::A1R5G5B5, 32, 4}, {PixelFormat::A4R4G4B4, 8, 8},
                          {PixelFormat::A4R4G4B4, 5, 3},  {PixelFormat::R5G6B5, 7, 1}};
    onEveryTarget([&](const char* target) {
        for (const DWORD address : {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP}) {
            for (const Case& k : cases) {
                const std::vector<DWORD> scalar = draw(false, k, uv, address);
                EXPECT_TRUE(scalar == draw(true, k, uv, address))
                    << target << ", address " << address << ", format " << int(k.format) << ", "
                    << k.width << "x" << k.height;
            }
        }
    });
}

namespace {

// Thin triangles of random colours, each on a row of its own, over spans of
// 1 to 96 pixels of a 97-pixel-wide canvas, `count` of them down `rows`
// rows; `shape(i, vertices)` sets the rest and may change states.
template <class Shape>
void drawRows(Canvas& c, std::mt19937& rng, int rows, int count, Shape shape) {
    for (int i = 0; i < count; ++i) {
        const float y = float(i % rows) - 0.5f;
        const float right = float(rng() % 96) + 0.6f;
        std::vector<Vertex> v = {vtx(-0.5f, y, D3DCOLOR(rng())), vtx(right, y, D3DCOLOR(rng())),
                                 vtx(-0.5f, y + 1.5f, D3DCOLOR(rng()))};
        shape(i, v);
        drawList(c.raster, v);
    }
    c.raster.finish();
}

// Triangles over spans of 1 to 96 pixels at depths from below 0 to above 1
// (NaN too) into a 16-bit depth buffer of random bytes, stencil bits and
// all, with one comparison; the colour and depth bytes after.
std::vector<BYTE> drawDepth(bool simd, DepthFormat format, DWORD func, bool lateWrite) {
    setRasterSimd(simd);
    constexpr DWORD kWidth = 97, kHeight = 40;
    Canvas c(kWidth, kHeight, PixelFormat::R5G6B5);
    std::mt19937 rng(11);
    std::vector<BYTE> depth(kWidth * 2 * kHeight);
    for (BYTE& b : depth)
        b = static_cast<BYTE>(rng());
    const DepthBuffer buffer{depth.data(), LONG(kWidth * 2), kWidth, kHeight, format};
    EXPECT_TRUE(c.raster.setDepthBuffer(&buffer));
    c.untextured();
    c.rs(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    c.rs(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    c.rs(D3DRENDERSTATE_ZFUNC, func);
    // An alpha test that passes everything still moves the depth write
    // after it.
    c.rs(D3DRENDERSTATE_ALPHATESTENABLE, lateWrite);
    c.rs(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    c.rs(D3DRENDERSTATE_ALPHAREF, 0);
    std::uniform_real_distribution<float> z(-0.2f, 1.2f);
    drawRows(c, rng, int(kHeight), 3 * int(kHeight), [&](int i, std::vector<Vertex>& v) {
        for (Vertex& p : v)
            p.z = z(rng);
        if (i % 17 == 0)
            v[0].z = std::numeric_limits<float>::quiet_NaN();
    });
    for (DWORD y = 0; y < kHeight; ++y)
        for (DWORD x = 0; x < kWidth; ++x) {
            const DWORD pixel = c.raw(int(x), int(y));
            depth.push_back(BYTE(pixel));
            depth.push_back(BYTE(pixel >> 8));
        }
    return depth;
}

}  // namespace

TEST(RasterSimd, SixteenBitDepthTestsEqualTheScalarLoops) {
    onEveryTarget([](const char* target) {
        for (const DepthFormat format : {DepthFormat::D16, DepthFormat::D15S1})
            for (DWORD func = D3DCMP_NEVER; func <= D3DCMP_ALWAYS; ++func)
                for (const bool lateWrite : {false, true})
                    EXPECT_TRUE(drawDepth(false, format, func, lateWrite) ==
                                drawDepth(true, format, func, lateWrite))
                        << target << ", format " << int(format) << ", function " << func
                        << ", late write " << lateWrite;
    });
}

namespace {

// Triangles over spans of 1 to 96 pixels whose vertices differ in diffuse,
// specular and fog, with and without perspective (and some with a flat
// shade, whose colours are one value); the target's bytes after.
std::vector<DWORD> drawShaded(bool simd, bool perspective) {
    setRasterSimd(simd);
    constexpr int kWidth = 97, kHeight = 40;
    Canvas c(kWidth, kHeight);
    c.untextured();
    c.rs(D3DRENDERSTATE_TEXTUREPERSPECTIVE, perspective);
    c.rs(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    c.rs(D3DRENDERSTATE_FOGENABLE, TRUE);
    c.rs(D3DRENDERSTATE_FOGCOLOR, 0x00336699);
    std::mt19937 rng(13);
    std::uniform_real_distribution<float> rhw(0.01f, 4.0f);
    drawRows(c, rng, kHeight, 3 * kHeight, [&](int i, std::vector<Vertex>& v) {
        c.rs(D3DRENDERSTATE_SHADEMODE, i % 7 == 0 ? D3DSHADE_FLAT : D3DSHADE_GOURAUD);
        for (Vertex& p : v) {
            p.rhw = rhw(rng);
            p.specular = D3DCOLOR(rng());
        }
    });
    return rawPixels(c, kWidth, kHeight);
}

}  // namespace

TEST(RasterSimd, InterpolatedColoursEqualTheScalarLoops) {
    onEveryTarget([](const char* target) {
        for (const bool perspective : {true, false})
            EXPECT_TRUE(drawShaded(false, perspective) == drawShaded(true, perspective))
                << target << ", perspective " << perspective;
    });
}

namespace {

// Translucent triangles over spans of 1 to 96 pixels, with one pair of
// blend factors, over an opaque layer of others; the target's bytes after.
std::vector<DWORD> drawBlended(bool simd, PixelFormat format, DWORD source, DWORD dest) {
    setRasterSimd(simd);
    constexpr int kWidth = 97, kHeight = 40;
    Canvas c(kWidth, kHeight, format);
    c.untextured();
    std::mt19937 rng(17);
    const auto plain = [](int, std::vector<Vertex>&) {};
    drawRows(c, rng, kHeight, kHeight, plain);
    c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    c.rs(D3DRENDERSTATE_SRCBLEND, source);
    c.rs(D3DRENDERSTATE_DESTBLEND, dest);
    drawRows(c, rng, kHeight, 3 * kHeight, plain);
    return rawPixels(c, kWidth, kHeight);
}

}  // namespace

TEST(RasterSimd, CommonBlendsWrittenInOnePassEqualTheScalarStages) {
    const std::pair<DWORD, DWORD> blends[] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
                                              {D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO},
                                              {D3DBLEND_ONE, D3DBLEND_ONE},
                                              {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
                                              {D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR}};
    onEveryTarget([&](const char* target) {
        for (const PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X8R8G8B8})
            for (const auto& [source, dest] : blends)
                EXPECT_TRUE(drawBlended(false, format, source, dest) ==
                            drawBlended(true, format, source, dest))
                    << target << ", format " << int(format) << ", blend " << source << " " << dest;
    });
}

namespace {

// Two texture stages with one D3DTOP over random texels, diffuse, specular
// and factor: the first with `modifier` on its texture argument (and its
// alpha operation replaced when asked: 0 keeps `op`), the second over current
// (PREMODULATE's multiply included); colour and alpha of an A8R8G8B8 target
// after, over spans of 1 to 96 pixels.
struct Arguments {
    DWORD arg2, modifier;
    DWORD alphaOp;
};
std::vector<DWORD> drawCombined(bool simd, DWORD op, const Arguments& a) {
    setRasterSimd(simd);
    constexpr int kWidth = 97, kHeight = 24;
    Canvas c(kWidth, kHeight);
    std::mt19937 rng(19);
    std::vector<D3DCOLOR> texels(64);
    for (D3DCOLOR& t : texels)
        t = rng();
    TestTexture t(PixelFormat::A8R8G8B8, 8, 8, texels);
    c.rs(D3DRENDERSTATE_TEXTUREFACTOR, 0x9a5c31e7);
    for (DWORD stage : {0u, 1u}) {
        c.state().setTexture(stage, &t.tex);
        c.tss(stage, D3DTSS_TEXCOORDINDEX, 0);
        c.tss(stage, D3DTSS_COLOROP, op);
        c.tss(stage, D3DTSS_ALPHAOP, stage == 0 && a.alphaOp != 0 ? a.alphaOp : op);
        const DWORD arg1 = D3DTA_TEXTURE | (stage == 0 ? a.modifier : 0);
        const DWORD arg2OfStage = stage == 0 ? a.arg2 : DWORD(D3DTA_CURRENT);
        c.tss(stage, D3DTSS_COLORARG1, arg1);
        c.tss(stage, D3DTSS_ALPHAARG1, arg1);
        c.tss(stage, D3DTSS_COLORARG2, arg2OfStage);
        c.tss(stage, D3DTSS_ALPHAARG2, arg2OfStage);
    }
    std::uniform_real_distribution<float> uv(0.0f, 1.0f);
    drawRows(c, rng, kHeight, 2 * kHeight, [&](int, std::vector<Vertex>& v) {
        for (Vertex& p : v) {
            p.specular = D3DCOLOR(rng());
            p.tex[0][0] = uv(rng);
            p.tex[0][1] = uv(rng);
        }
    });
    return rawPixels(c, kWidth, kHeight);
}

}  // namespace

TEST(RasterSimd, TextureStageOperationsEqualTheScalarLoops) {
    const Arguments arguments[] = {{D3DTA_DIFFUSE, 0, 0},
                                   {D3DTA_CURRENT, D3DTA_COMPLEMENT, 0},
                                   {D3DTA_SPECULAR, D3DTA_ALPHAREPLICATE, 0},
                                   {D3DTA_TFACTOR, D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE, 0},
                                   {D3DTA_DIFFUSE, 0, D3DTOP_DISABLE},
                                   {D3DTA_SPECULAR, 0, D3DTOP_SELECTARG2}};
    onEveryTarget([&](const char* target) {
        for (DWORD op = D3DTOP_SELECTARG1; op <= D3DTOP_DOTPRODUCT3; ++op)
            for (const Arguments& a : arguments)
                EXPECT_TRUE(drawCombined(false, op, a) == drawCombined(true, op, a))
                    << target << ", operation " << op << ", arguments " << a.arg2 << " "
                    << a.modifier << " " << a.alphaOp;
    });
}
