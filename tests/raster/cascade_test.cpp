// The texture stage cascade: every D3DTOP operation, arguments and modifiers,
// multi-stage chains, texture factor, specular add, against 8-bit arithmetic
// worked out per channel (products rounded as round(a * b / 255)).
#include "raster_test_util.h"

#include <array>

using namespace rt;

namespace {

constexpr D3DCOLOR kTex0 = 0xc0d08040;  // a, r, g, b
constexpr D3DCOLOR kTex1 = 0x60205090;
constexpr D3DCOLOR kDiffuse = 0x80fa40f0;
constexpr D3DCOLOR kFactor = 0x40a0b0c0;
constexpr D3DCOLOR kSpecular = 0x30102030;
constexpr auto T0 = [](int c) { return ch(kTex0, c); };
constexpr auto T1 = [](int c) { return ch(kTex1, c); };
constexpr auto D = [](int c) { return ch(kDiffuse, c); };
constexpr auto F = [](int c) { return ch(kFactor, c); };
constexpr auto S = [](int c) { return ch(kSpecular, c); };
// Signed dot product of texture 0 and diffuse: (2a - 255)(2b - 255) / 255.
constexpr int kDot = (161 * 245 + 1 * -127 + -127 * 225) / 255;

// COLOROP, COLORARG1, COLORARG2, ALPHAOP, ALPHAARG1, ALPHAARG2 (state types 1..6).
using Stage = std::array<DWORD, 6>;

class RasterCascade : public ::testing::Test {
protected:
    // Draws with the given stages (textures bound to stages 0 and 1) and
    // returns the pixel.
    D3DCOLOR run(const std::vector<Stage>& stages) {
        Canvas c(4, 4);
        c.state().setTexture(0, &t0.tex);
        c.state().setTexture(1, &t1.tex);
        c.rs(D3DRENDERSTATE_TEXTUREFACTOR, kFactor);
        for (DWORD s = 0; s < stages.size(); ++s) {
            for (DWORD i = 0; i < 6; ++i)
                c.tss(s, D3DTSS_COLOROP + i, stages[s][i]);
            // Clamped, not the wrap fast path: the general sampler writes
            // next to the texture factor's channels.
            c.tss(s, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
        }
        drawList(c.raster, withSpecular(quad(0, 0, 4, 4, kDiffuse), kSpecular));
        return c.pixel(2, 2);
    }

    template <class Want>
    void expectChannels(D3DCOLOR got, Want want, int tol, const std::string& what) {
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(ch(got, c), want(c), tol) << what << " channel " << c;
    }

    TestTexture t0{PixelFormat::A8R8G8B8, 1, 1, {kTex0}};
    TestTexture t1{PixelFormat::A8R8G8B8, 1, 1, {kTex1}};
};

// Short names for the table rows below.
constexpr DWORD TEX = D3DTA_TEXTURE, DIF = D3DTA_DIFFUSE, CUR = D3DTA_CURRENT, TF = D3DTA_TFACTOR;
constexpr DWORD SEL1 = D3DTOP_SELECTARG1, SEL2 = D3DTOP_SELECTARG2, OFF = D3DTOP_DISABLE;
constexpr Stage kShowTex0 = {SEL1, TEX, DIF, SEL1, TEX, DIF};

}  // namespace

// arg1 = texture (x, alpha a), arg2 = diffuse (y); alpha is the texture's.
TEST_F(RasterCascade, EachColourOperation) {
    const struct {
        DWORD op;
        int (*f)(int x, int y, int a);
    } cases[] = {
        {SEL1, [](int x, int, int) { return x; }},
        {SEL2, [](int, int y, int) { return y; }},
        {D3DTOP_MODULATE, [](int x, int y, int) { return mul(x, y); }},
        {D3DTOP_MODULATE2X, [](int x, int y, int) { return sat(2 * mul(x, y)); }},
        {D3DTOP_MODULATE4X, [](int x, int y, int) { return sat(4 * mul(x, y)); }},
        {D3DTOP_ADD, [](int x, int y, int) { return sat(x + y); }},
        {D3DTOP_ADDSIGNED, [](int x, int y, int) { return sat(x + y - 128); }},
        {D3DTOP_ADDSIGNED2X, [](int x, int y, int) { return sat(2 * (x + y - 128)); }},
        {D3DTOP_SUBTRACT, [](int x, int y, int) { return sat(x - y); }},
        {D3DTOP_ADDSMOOTH, [](int x, int y, int) { return sat(x + mul(y, 255 - x)); }},
        {D3DTOP_BLENDDIFFUSEALPHA,
         [](int x, int y, int) { return mul(x, D(3)) + mul(y, 255 - D(3)); }},
        {D3DTOP_BLENDTEXTUREALPHA, [](int x, int y, int a) { return mul(x, a) + mul(y, 255 - a); }},
        {D3DTOP_BLENDFACTORALPHA,
         [](int x, int y, int) { return mul(x, F(3)) + mul(y, 255 - F(3)); }},
        {D3DTOP_BLENDTEXTUREALPHAPM, [](int x, int y, int a) { return sat(x + mul(y, 255 - a)); }},
        // Current is diffuse at stage 0.
        {D3DTOP_BLENDCURRENTALPHA,
         [](int x, int y, int) { return mul(x, D(3)) + mul(y, 255 - D(3)); }},
        {D3DTOP_MODULATEALPHA_ADDCOLOR, [](int x, int y, int a) { return sat(x + mul(a, y)); }},
        {D3DTOP_MODULATECOLOR_ADDALPHA, [](int x, int y, int a) { return sat(mul(x, y) + a); }},
        {D3DTOP_MODULATEINVALPHA_ADDCOLOR,
         [](int x, int y, int a) { return sat(mul(255 - a, y) + x); }},
        {D3DTOP_MODULATEINVCOLOR_ADDALPHA,
         [](int x, int y, int a) { return sat(mul(255 - x, y) + a); }},
    };
    for (const auto& k : cases) {
        const D3DCOLOR got = run({{k.op, TEX, DIF, SEL1, TEX, DIF}});
        const auto want = [&](int c) { return c < 3 ? k.f(T0(c), D(c), T0(3)) : T0(3); };
        expectChannels(got, want, 0, "op " + std::to_string(k.op));
    }
}

TEST_F(RasterCascade, ChainsArgumentsAndModifiers) {
    const struct {
        const char* name;
        std::vector<Stage> stages;
        int (*want)(int c);
        int tol = 0;  // the dot product's division may truncate or round
    } cases[] = {
        {"alpha op on alpha only",
         {{SEL2, TEX, DIF, D3DTOP_MODULATE, TEX, DIF}},
         [](int c) { return c < 3 ? D(c) : mul(T0(3), D(3)); }},
        {"alpha off at stage 0: diffuse alpha",
         {{SEL1, TEX, DIF, OFF, TEX, DIF}},
         [](int c) { return c < 3 ? T0(c) : D(3); }},
        {"dot3 in every channel",
         {{D3DTOP_DOTPRODUCT3, TEX, DIF, SEL1, TEX, DIF}},
         [](int) { return kDot; },
         1},
        {"dot3 as alpha op",
         {{SEL1, TEX, DIF, D3DTOP_DOTPRODUCT3, TEX, DIF}},
         [](int c) { return c < 3 ? T0(c) : kDot; },
         1},
        {"complement",
         {{SEL1, TEX | D3DTA_COMPLEMENT, DIF, SEL1, TEX | D3DTA_COMPLEMENT, DIF}},
         [](int c) { return 255 - T0(c); }},
        {"alpha replicate",
         {{SEL1, TEX | D3DTA_ALPHAREPLICATE, DIF, SEL1, TEX, DIF}},
         [](int) { return T0(3); }},
        {"replicate, then complement",
         {{SEL1, TEX | D3DTA_ALPHAREPLICATE | D3DTA_COMPLEMENT, DIF, SEL1, TEX, DIF}},
         [](int c) { return c < 3 ? 255 - T0(3) : T0(3); }},
        {"texture factor", {{SEL1, TF, DIF, SEL1, TF, DIF}}, F},
        {"specular argument",
         {{D3DTOP_ADD, D3DTA_SPECULAR, DIF, SEL2, TEX, DIF}},
         [](int c) { return c < 3 ? sat(S(c) + D(c)) : D(3); }},
        {"current at stage 0 is diffuse", {{SEL1, CUR, TEX, SEL1, CUR, TEX}}, D},
        {"modulate, then add",
         {{D3DTOP_MODULATE, TEX, DIF, SEL1, TEX, DIF},
          {D3DTOP_ADD, TEX, CUR, D3DTOP_MODULATE, TEX, CUR}},
         [](int c) { return c < 3 ? sat(mul(T0(c), D(c)) + T1(c)) : mul(T0(3), T1(3)); }},
        {"select, then modulate",
         {kShowTex0, {D3DTOP_MODULATE, TEX, CUR, SEL2, TEX, CUR}},
         [](int c) { return c < 3 ? mul(T0(c), T1(c)) : T0(3); }},
        {"alpha off at stage 1: current alpha", {kShowTex0, {SEL2, TEX, CUR, OFF, TEX, CUR}}, T0},
        {"current alpha at stage 1",
         {kShowTex0, {D3DTOP_BLENDCURRENTALPHA, TF, CUR, SEL2, TEX, CUR}},
         [](int c) { return c < 3 ? mul(F(c), T0(3)) + mul(T0(c), 255 - T0(3)) : T0(3); }},
        {"stage 1 blends by its own texture's alpha",
         {kShowTex0, {D3DTOP_BLENDTEXTUREALPHA, TF, CUR, SEL2, TEX, CUR}},
         [](int c) { return c < 3 ? mul(F(c), T1(3)) + mul(T0(c), 255 - T1(3)) : T0(3); }},
        {"premodulate",
         {{D3DTOP_PREMODULATE, TEX, DIF, SEL1, TEX, DIF}, {SEL2, TEX, CUR, SEL2, TEX, CUR}},
         [](int c) { return mul(T0(c), T1(c)); }},
        {"stops at the first disabled stage",
         {kShowTex0, {OFF, TEX, CUR, OFF, TEX, CUR}, {SEL1, TF, CUR, SEL1, TF, CUR}},
         T0},
        {"stage 0 disabled shows diffuse", {{OFF, TEX, DIF, SEL1, TEX, DIF}}, D},
    };
    for (const auto& k : cases)
        expectChannels(run(k.stages), k.want, k.tol, k.name);
}

TEST_F(RasterCascade, SpecularAddSaturates) {
    Canvas c(4, 4);
    c.untextured();
    c.rs(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    drawList(c.raster, withSpecular(quad(0, 0, 4, 4, 0x8040f020), 0x00305040));
    EXPECT_EQ(c.pixel(1, 1), 0x8070ff60u);  // 0xf0 + 0x50 saturates; alpha is diffuse's
}

