// The legacy D3DRENDERSTATE_TEXTUREMAPBLEND modes, read back from a 32-bit
// ARGB target (the stage operations themselves are the rasteriser's tests). Texel, diffuse and texture
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
