// The texture stage cascade: every D3DTOP operation against a floating-point
// reference, arguments and modifiers, multi-stage chains, texture factor,
// specular add.
#include "raster_test_util.h"

#include <functional>

using namespace rt;

namespace {

constexpr D3DCOLOR kTex0 = 0xc0d08040;   // a, r, g, b
constexpr D3DCOLOR kTex1 = 0x60205090;
constexpr D3DCOLOR kDiffuse = 0x80604020;
constexpr D3DCOLOR kFactor = 0x40a0b0c0;
constexpr D3DCOLOR kSpecular = 0x30102030;

struct Scene {
    TestTexture t0{PixelFormat::A8R8G8B8, 1, 1, {kTex0}};
    TestTexture t1{PixelFormat::A8R8G8B8, 1, 1, {kTex1}};
    Canvas c{4, 4};

    Scene()
    {
        c.state().setTexture(0, &t0.tex);
        c.state().setTexture(1, &t1.tex);
        c.state().setRenderState(D3DRENDERSTATE_TEXTUREFACTOR, kFactor);
    }

    void stage(DWORD s, DWORD colorOp, DWORD c1, DWORD c2, DWORD alphaOp, DWORD a1, DWORD a2)
    {
        RasterState& st = c.state();
        st.setTextureStageState(s, D3DTSS_COLOROP, colorOp);
        st.setTextureStageState(s, D3DTSS_COLORARG1, c1);
        st.setTextureStageState(s, D3DTSS_COLORARG2, c2);
        st.setTextureStageState(s, D3DTSS_ALPHAOP, alphaOp);
        st.setTextureStageState(s, D3DTSS_ALPHAARG1, a1);
        st.setTextureStageState(s, D3DTSS_ALPHAARG2, a2);
    }

    D3DCOLOR draw()
    {
        std::vector<Vertex> v = quad(0, 0, 4, 4, kDiffuse);
        for (Vertex& p : v) p.specular = kSpecular;
        drawList(c.raster, v);
        return c.pixel(2, 2);
    }
};

// Channels as 0..1 doubles.
struct C4 {
    double r, g, b, a;
};
C4 f4(D3DCOLOR c) { return {red(c) / 255.0, green(c) / 255.0, blue(c) / 255.0, alpha(c) / 255.0}; }

int to255(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

void expectColor(D3DCOLOR got, const C4& want, int tol, const std::string& what)
{
    EXPECT_NEAR(red(got), to255(want.r), tol) << what;
    EXPECT_NEAR(green(got), to255(want.g), tol) << what;
    EXPECT_NEAR(blue(got), to255(want.b), tol) << what;
    EXPECT_NEAR(alpha(got), to255(want.a), tol) << what;
}

using Op = std::function<double(double x, double y, double xa)>;

}  // namespace

TEST(RasterCascade, EachColourOperationMatchesReference)
{
    // arg1 = texture, arg2 = diffuse; alpha stays SELECTARG1 (texture alpha).
    const C4 t = f4(kTex0), d = f4(kDiffuse), fac = f4(kFactor);
    struct Case {
        DWORD op;
        const char* name;
        Op f;
    };
    const Case cases[] = {
        {D3DTOP_SELECTARG1, "selectarg1", [](double x, double, double) { return x; }},
        {D3DTOP_SELECTARG2, "selectarg2", [](double, double y, double) { return y; }},
        {D3DTOP_MODULATE, "modulate", [](double x, double y, double) { return x * y; }},
        {D3DTOP_MODULATE2X, "modulate2x", [](double x, double y, double) { return 2 * x * y; }},
        {D3DTOP_MODULATE4X, "modulate4x", [](double x, double y, double) { return 4 * x * y; }},
        {D3DTOP_ADD, "add", [](double x, double y, double) { return x + y; }},
        {D3DTOP_ADDSIGNED, "addsigned", [](double x, double y, double) { return x + y - 0.5; }},
        {D3DTOP_ADDSIGNED2X, "addsigned2x",
         [](double x, double y, double) { return 2 * (x + y - 0.5); }},
        {D3DTOP_SUBTRACT, "subtract", [](double x, double y, double) { return x - y; }},
        {D3DTOP_ADDSMOOTH, "addsmooth", [](double x, double y, double) { return x + y - x * y; }},
        {D3DTOP_BLENDDIFFUSEALPHA, "blenddiffusealpha",
         [&](double x, double y, double) { return x * d.a + y * (1 - d.a); }},
        {D3DTOP_BLENDTEXTUREALPHA, "blendtexturealpha",
         [&](double x, double y, double) { return x * t.a + y * (1 - t.a); }},
        {D3DTOP_BLENDFACTORALPHA, "blendfactoralpha",
         [&](double x, double y, double) { return x * fac.a + y * (1 - fac.a); }},
        {D3DTOP_BLENDTEXTUREALPHAPM, "blendtexturealphapm",
         [&](double x, double y, double) { return x + y * (1 - t.a); }},
        {D3DTOP_BLENDCURRENTALPHA, "blendcurrentalpha",
         [&](double x, double y, double) { return x * d.a + y * (1 - d.a); }},
        {D3DTOP_MODULATEALPHA_ADDCOLOR, "modulatealpha_addcolor",
         [](double x, double y, double xa) { return x + xa * y; }},
        {D3DTOP_MODULATECOLOR_ADDALPHA, "modulatecolor_addalpha",
         [](double x, double y, double xa) { return x * y + xa; }},
        {D3DTOP_MODULATEINVALPHA_ADDCOLOR, "modulateinvalpha_addcolor",
         [](double x, double y, double xa) { return (1 - xa) * y + x; }},
        {D3DTOP_MODULATEINVCOLOR_ADDALPHA, "modulateinvcolor_addalpha",
         [](double x, double y, double xa) { return (1 - x) * y + xa; }},
    };
    for (const Case& k : cases) {
        Scene s;
        s.stage(0, k.op, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
                D3DTA_DIFFUSE);
        const C4 want{k.f(t.r, d.r, t.a), k.f(t.g, d.g, t.a), k.f(t.b, d.b, t.a), t.a};
        expectColor(s.draw(), want, 1, k.name);
    }
}

TEST(RasterCascade, AlphaOperationsWorkOnAlphaOnly)
{
    const C4 t = f4(kTex0), d = f4(kDiffuse);
    Scene s;
    s.stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
            D3DTA_DIFFUSE);
    expectColor(s.draw(), C4{d.r, d.g, d.b, t.a * d.a}, 1, "modulate alpha");

    Scene s2;
    s2.stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    expectColor(s2.draw(), C4{t.r, t.g, t.b, d.a}, 0, "alpha disabled keeps diffuse alpha");
}

TEST(RasterCascade, DotProduct3ReplicatesToAllChannels)
{
    const C4 t = f4(kTex0), d = f4(kDiffuse);
    Scene s;
    s.stage(0, D3DTOP_DOTPRODUCT3, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
            D3DTA_TEXTURE, D3DTA_DIFFUSE);
    const double dot = (2 * t.r - 1) * (2 * d.r - 1) + (2 * t.g - 1) * (2 * d.g - 1) +
                       (2 * t.b - 1) * (2 * d.b - 1);
    expectColor(s.draw(), C4{dot, dot, dot, dot}, 1, "dot3");
}

TEST(RasterCascade, ArgumentModifiers)
{
    const C4 t = f4(kTex0);
    Scene s;
    s.stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE,
            D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE);
    expectColor(s.draw(), C4{1 - t.r, 1 - t.g, 1 - t.b, 1 - t.a}, 0, "complement");

    Scene s2;
    s2.stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE,
             D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    expectColor(s2.draw(), C4{t.a, t.a, t.a, t.a}, 0, "alpha replicate");

    Scene s3;
    s3.stage(0, D3DTOP_SELECTARG1,
             D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE,
             D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    expectColor(s3.draw(), C4{1 - t.a, 1 - t.a, 1 - t.a, t.a}, 0, "replicate then complement");
}

TEST(RasterCascade, TextureFactorAndSpecularArguments)
{
    const C4 fac = f4(kFactor), sp = f4(kSpecular), d = f4(kDiffuse);
    Scene s;
    s.stage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
            D3DTA_DIFFUSE);
    expectColor(s.draw(), fac, 0, "tfactor");

    Scene s2;
    s2.stage(0, D3DTOP_ADD, D3DTA_SPECULAR, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    expectColor(s2.draw(), C4{sp.r + d.r, sp.g + d.g, sp.b + d.b, d.a}, 1, "specular arg");
}

TEST(RasterCascade, TwoStagesModulateThenAdd)
{
    const C4 t0 = f4(kTex0), t1 = f4(kTex1), d = f4(kDiffuse);
    Scene s;
    s.stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
            D3DTA_DIFFUSE);
    s.stage(1, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TEXTURE,
            D3DTA_CURRENT);
    expectColor(s.draw(),
                C4{t0.r * d.r + t1.r, t0.g * d.g + t1.g, t0.b * d.b + t1.b, t0.a * t1.a}, 1,
                "modulate then add");
}

TEST(RasterCascade, TwoStagesSelectAndModulate)
{
    const C4 t0 = f4(kTex0), t1 = f4(kTex1);
    Scene s;
    s.stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
            D3DTA_DIFFUSE);
    s.stage(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
            D3DTA_CURRENT);
    expectColor(s.draw(), C4{t0.r * t1.r, t0.g * t1.g, t0.b * t1.b, t0.a}, 1, "select, modulate");
}

TEST(RasterCascade, CascadeStopsAtFirstDisabledStage)
{
    const C4 t0 = f4(kTex0);
    Scene s;
    s.stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
            D3DTA_DIFFUSE);
    s.stage(1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE, D3DTA_TEXTURE,
            D3DTA_CURRENT);
    s.stage(2, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
            D3DTA_CURRENT);
    expectColor(s.draw(), t0, 0, "stage 2 ignored");

    Scene s2;
    s2.stage(0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    expectColor(s2.draw(), f4(kDiffuse), 0, "stage 0 disabled shows diffuse");
}

TEST(RasterCascade, StageZeroCurrentIsDiffuse)
{
    Scene s;
    s.stage(0, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_SELECTARG1, D3DTA_CURRENT,
            D3DTA_TEXTURE);
    expectColor(s.draw(), f4(kDiffuse), 0, "current at stage 0");
}

TEST(RasterCascade, PremodulateMultipliesNextStageTexture)
{
    const C4 t0 = f4(kTex0), t1 = f4(kTex1);
    Scene s;
    s.stage(0, D3DTOP_PREMODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
            D3DTA_TEXTURE, D3DTA_DIFFUSE);
    s.stage(1, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
            D3DTA_CURRENT);
    expectColor(s.draw(), C4{t0.r * t1.r, t0.g * t1.g, t0.b * t1.b, t0.a * t1.a}, 1, "premodulate");
}

TEST(RasterCascade, SpecularAddSaturates)
{
    Scene s;
    s.stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
            D3DTA_DIFFUSE);
    s.c.state().setRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    std::vector<Vertex> v = quad(0, 0, 4, 4, 0x80f04020);
    for (Vertex& p : v) p.specular = 0x00304050;
    drawList(s.c.raster, v);
    EXPECT_EQ(s.c.pixel(1, 1), 0x80ff8070u);  // 0xf0 + 0x30 saturates
}

TEST(RasterCascade, LegacyTextureMapBlendDrivesStageZero)
{
    const C4 t = f4(kTex0), d = f4(kDiffuse);
    Scene s;
    s.c.state().setRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_DECAL);
    expectColor(s.draw(), t, 0, "decal");
    s.c.state().setRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATEALPHA);
    expectColor(s.draw(), C4{t.r * d.r, t.g * d.g, t.b * d.b, t.a * d.a}, 1, "modulatealpha");
}
