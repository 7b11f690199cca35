// Flat shading of fans and strips: untransformed vertices, which go through
// the vertex clipper, take each triangle's colour from the same vertex as
// pre-transformed ones drawn straight by the rasteriser.
#include "device_fixture.h"

namespace {

struct ColorVertex {
    float x, y, z;
    D3DCOLOR diffuse;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

// With identity transforms the viewport maps x -1..1 to 0..32 and y 1..-1
// to 0..32: screen = ((x + 1) * 16, (1 - y) * 16).
TLVertex onScreen(const ColorVertex& v) {
    return {(v.x + 1.0f) * 16.0f, (1.0f - v.y) * 16.0f, v.z, 1.0f, v.diffuse, 0xFF000000, 0, 0};
}

}  // namespace

class FlatShadingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        makeDevice();
        device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }

    void drawUntransformed(D3DPRIMITIVETYPE type, std::vector<ColorVertex> v) {
        ASSERT_EQ(D3D_OK, device->DrawPrimitive(type, kColorFvf, v.data(), DWORD(v.size()),
                                                D3DDP_DONOTLIGHT));
    }

    void drawPretransformed(D3DPRIMITIVETYPE type, const std::vector<ColorVertex>& v) {
        std::vector<TLVertex> tl;
        for (const ColorVertex& c : v)
            tl.push_back(onScreen(c));
        ASSERT_EQ(D3D_OK, device->DrawPrimitive(type, kTLFormat, tl.data(), DWORD(tl.size()), 0));
    }

    // Draws the primitive both ways and expects the same pixels.
    void expectBothPathsAgree(D3DPRIMITIVETYPE type, const std::vector<ColorVertex>& v) {
        clear(0, 1.0f);
        drawPretransformed(type, v);
        const std::vector<uint32_t> reference = pixels();
        clear(0, 1.0f);
        drawUntransformed(type, v);
        const std::vector<uint32_t> clipped = pixels();
        int differing = 0;
        for (size_t i = 0; i < reference.size(); ++i)
            if (reference[i] != clipped[i]) {
                ++differing;
                ADD_FAILURE() << "pixel " << i % kWidth << "," << i / kWidth << std::hex << " "
                              << reference[i] << " vs " << clipped[i];
            }
        EXPECT_EQ(0, differing);
    }
};

// Fan (v0, v1, v2), (v0, v2, v3): on screen v0 (16, 16), v1 (0, 0),
// v2 (32, 0), v3 (32, 32). The first triangle is the top quarter, the second
// the right quarter.
TEST_F(FlatShadingTest, UntransformedFanTakesEachTrianglesSecondVertex) {
    const std::vector<ColorVertex> fan = {
        {0, 0, 0.5f, kRed}, {-1, 1, 0.5f, kGreen}, {1, 1, 0.5f, kBlue}, {1, -1, 0.5f, kYellow}};
    drawUntransformed(D3DPT_TRIANGLEFAN, fan);
    EXPECT_EQ(0x00FF00u, rgb(16, 4));
    EXPECT_EQ(0x0000FFu, rgb(28, 16));
    EXPECT_EQ(0u, rgb(4, 16));  // left quarter: not drawn
    expectBothPathsAgree(D3DPT_TRIANGLEFAN, fan);
}

// The same fan stretched so that v2 and v3 are far outside: both triangles
// are cut by the clipper, and every piece keeps the colour of the vertex the
// fan names, even where that vertex itself was cut away.
TEST_F(FlatShadingTest, ClippedFanPiecesKeepTheNamedVertexColour) {
    // Off pixel centres, so that no pixel lies exactly on the shared edge,
    // whose owner would then hang on the rounding of the cut points.
    const std::vector<ColorVertex> fan = {{0.03f, 0.02f, 0.5f, kRed},
                                          {-1, 1, 0.5f, kGreen},
                                          {3, 1.1f, 0.5f, kBlue},
                                          {3, -3, 0.5f, kYellow}};
    drawUntransformed(D3DPT_TRIANGLEFAN, fan);
    EXPECT_EQ(0x00FF00u, rgb(16, 4));
    EXPECT_EQ(0x00FF00u, rgb(28, 6));
    EXPECT_EQ(0x0000FFu, rgb(30, 20));
    EXPECT_EQ(0x0000FFu, rgb(20, 18));
    expectBothPathsAgree(D3DPT_TRIANGLEFAN, fan);
}

// Strip (v0, v1, v2), (v2, v1, v3) on screen v0 (0, 0), v1 (0, 32),
// v2 (32, 0), v3 (32, 32): each triangle takes its first vertex in drawing
// order, v0 then v1.
TEST_F(FlatShadingTest, UntransformedStripTakesEachTrianglesFirstVertex) {
    const std::vector<ColorVertex> strip = {
        {-1, 1, 0.5f, kRed}, {-1, -1, 0.5f, kGreen}, {1, 1, 0.5f, kBlue}, {1, -1, 0.5f, kYellow}};
    drawUntransformed(D3DPT_TRIANGLESTRIP, strip);
    EXPECT_EQ(0xFF0000u, rgb(4, 4));
    EXPECT_EQ(0x00FF00u, rgb(28, 28));
    expectBothPathsAgree(D3DPT_TRIANGLESTRIP, strip);
}

TEST_F(FlatShadingTest, ClippedStripAgreesWithThePretransformedOne) {
    const std::vector<ColorVertex> strip = {{-3, 1, 0.5f, kRed},
                                            {-1, -2, 0.5f, kGreen},
                                            {1, 2, 0.5f, kBlue},
                                            {2, -1, 0.5f, kYellow},
                                            {3, 3, 0.5f, kRed}};
    expectBothPathsAgree(D3DPT_TRIANGLESTRIP, strip);
}

// Gouraud shading is left alone: the fan's centre stays red near v0.
TEST_F(FlatShadingTest, GouraudFanStillBlendsFromEveryVertex) {
    device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
    drawUntransformed(
        D3DPT_TRIANGLEFAN,
        {{0, 0, 0.5f, kRed}, {-1, 1, 0.5f, kGreen}, {1, 1, 0.5f, kBlue}, {1, -1, 0.5f, kYellow}});
    EXPECT_GT(channel(rgb(16, 14), 16), 200);
    EXPECT_GT(channel(rgb(2, 1), 8), 200);
}
