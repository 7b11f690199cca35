// Texture stage blending and the legacy D3DRENDERSTATE_TEXTUREMAPBLEND
// modes, read back from a 32-bit ARGB target. Texel, diffuse and texture
// factor are fixed; expectations are worked out by hand in 8 bits, with
// a * b meaning round(a * b / 255).
#include "device_fixture.h"

namespace {

constexpr DWORD kTexel = 0x80FF8040;    // a 80, r FF, g 80, b 40
constexpr DWORD kDiffuse = 0x80808080;  // a 80, grey 80
constexpr DWORD kFactor = 0x40FFFFFF;   // a 40, white

class TextureBlendTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        makeDevice(IID_IDirect3DRGBDevice, 16, kARGB);
        device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, kFactor);
    }
    void TearDown() override {
        if (tex)
            tex->Release();
        DeviceTest::TearDown();
    }
    void useTexture(const DDPIXELFORMAT& format) {
        if (tex)
            tex->Release();
        tex = surface(1, 1, DDSCAPS_TEXTURE, format);
        ASSERT_NE(nullptr, tex);
        write(tex, {kTexel});
        bind(tex);
    }
    void stage(DWORD unit, DWORD colorOp, DWORD c1, DWORD c2, DWORD alphaOp, DWORD a1, DWORD a2) {
        device->SetTextureStageState(unit, D3DTSS_COLOROP, colorOp);
        device->SetTextureStageState(unit, D3DTSS_COLORARG1, c1);
        device->SetTextureStageState(unit, D3DTSS_COLORARG2, c2);
        device->SetTextureStageState(unit, D3DTSS_ALPHAOP, alphaOp);
        device->SetTextureStageState(unit, D3DTSS_ALPHAARG1, a1);
        device->SetTextureStageState(unit, D3DTSS_ALPHAARG2, a2);
    }
    uint32_t drawn() {
        clear(0, 1.0f);
        EXPECT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.5f, kDiffuse));
        return pixels()[4 * kWidth + 4];
    }

    IDirectDrawSurface4* tex = nullptr;
};

void expectArgb(uint32_t expected, uint32_t actual, const char* what) {
    for (int s = 0; s <= 24; s += 8)
        EXPECT_NEAR(channel(expected, s), channel(actual, s), 1)
            << what << std::hex << ": expected " << expected << " got " << actual;
}

}  // namespace

TEST_F(TextureBlendTest, StageOperationsOnEveryArgumentSource) {
    constexpr DWORD T = D3DTA_TEXTURE, D = D3DTA_DIFFUSE, C = D3DTA_CURRENT, F = D3DTA_TFACTOR;
    constexpr DWORD REP = D3DTA_ALPHAREPLICATE, INV = D3DTA_COMPLEMENT;
    struct Case {
        const char* what;
        DWORD colorOp, c1, c2, alphaOp, a1, a2;
        uint32_t expected;
    };
    const Case cases[] = {
        // FF*80 = 80, 80*80 = 40, 40*80 = 20; alpha 80*80 = 40.
        {"modulate", D3DTOP_MODULATE, T, D, D3DTOP_MODULATE, T, D, 0x40804020},
        {"modulate2x", D3DTOP_MODULATE2X, T, D, D3DTOP_MODULATE2X, T, D, 0x80FF8040},
        {"modulate4x", D3DTOP_MODULATE4X, T, D, D3DTOP_MODULATE4X, T, D, 0xFFFFFF80},
        // Current in stage 0 is the diffuse colour.
        {"current", D3DTOP_MODULATE, C, T, D3DTOP_MODULATE, D, C, 0x40804020},
        // Texture alpha 80 replicated, times 80 = 40; alpha from the texture.
        {"alpha replicate", D3DTOP_MODULATE, T | REP, D, D3DTOP_SELECTARG1, T, D, 0x80404040},
        // Complemented texel (00, 7F, BF) times white; factor alpha 40 * 80 = 20.
        {"complement, factor", D3DTOP_MODULATE, T | INV, F, D3DTOP_MODULATE, F, D, 0x20007FBF},
        // Alpha: 2 * (BF * 80 = 60) = C0.
        {"complemented factor alpha", D3DTOP_MODULATE, C, T, D3DTOP_MODULATE2X, F | INV, D,
         0xC0804020},
        // Factor alpha 40 replicated and complemented: BF * texel.
        {"replicate and complement", D3DTOP_MODULATE, F | REP | INV, T, D3DTOP_SELECTARG2, T, D,
         0x80BF6030},
    };
    useTexture(kARGB);
    for (const Case& c : cases) {
        stage(0, c.colorOp, c.c1, c.c2, c.alphaOp, c.a1, c.a2);
        expectArgb(c.expected, drawn(), c.what);
    }
    // The second stage reads the first one's result as current.
    stage(0, D3DTOP_SELECTARG1, T, D, D3DTOP_SELECTARG1, T, D);
    stage(1, D3DTOP_MODULATE, C, D, D3DTOP_MODULATE, C, D);
    expectArgb(0x40804020, drawn(), "second stage");
}

TEST_F(TextureBlendTest, LegacyTextureMapBlendModes) {
    struct Case {
        const char* what;
        DWORD mode;
        uint32_t expected;
    };
    const Case cases[] = {
        // The texture's alpha replaces the vertex alpha.
        {"modulate", D3DTBLEND_MODULATE, 0x80804020},
        {"modulatealpha", D3DTBLEND_MODULATEALPHA, 0x40804020},
        {"decal", D3DTBLEND_DECAL, 0x80FF8040},
        {"copy", D3DTBLEND_COPY, 0x80FF8040},
        // FF*80 + 80*7F = 80 + 40 = C0, 80*80 + 40 = 80, 40*80 + 40 = 60.
        {"decalalpha", D3DTBLEND_DECALALPHA, 0x80C08060},
        {"add", D3DTBLEND_ADD, 0x80FFFFC0},
    };
    useTexture(kARGB);
    for (const Case& c : cases) {
        device->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, c.mode);
        expectArgb(c.expected, drawn(), c.what);
    }
    // A texture without alpha leaves the vertex alpha...
    useTexture(kXRGB);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE);
    expectArgb(0x80804020, drawn(), "modulate, no texture alpha");
    // ...until the application names the alpha operation itself.
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    expectArgb(0xFF804020, drawn(), "modulate, alpha op set afterwards");
}
