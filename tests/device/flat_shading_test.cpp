// Flat shading of fans and strips: untransformed vertices, which go through
// the vertex clipper, take each triangle's colour from the same vertex as
// pre-transformed ones drawn straight by the rasteriser.
#include "device_fixture.h"

namespace {

struct ColorVertex {
    float x, y, z;
    D3DCOLOR diffuse;
};
struct Probe {
    int x, y;
    uint32_t rgb;
};

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

class FlatShadingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        makeDevice();
        device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
        diffuseOnly();
    }

    void drawUntransformed(D3DPRIMITIVETYPE type, std::vector<ColorVertex> v) {
        ASSERT_EQ(D3D_OK, device->DrawPrimitive(type, D3DFVF_XYZ | D3DFVF_DIFFUSE, v.data(),
                                                DWORD(v.size()), D3DDP_DONOTLIGHT));
    }

    // With identity transforms the viewport maps x -1..1 to 0..32 and y 1..-1
    // to 0..32: screen = ((x + 1) * 16, (1 - y) * 16).
    void drawPretransformed(D3DPRIMITIVETYPE type, const std::vector<ColorVertex>& v) {
        std::vector<TLVertex> tl;
        for (const ColorVertex& c : v)
            tl.push_back({(c.x + 1) * 16, (1 - c.y) * 16, c.z, 1, c.diffuse, 0xFF000000, 0, 0});
        ASSERT_EQ(D3D_OK, device->DrawPrimitive(type, kTLFormat, tl.data(), DWORD(tl.size()), 0));
    }
};

}  // namespace

// Fixed with the clipper's choice of the flat colour. The fan (v0, v1, v2),
// (v0, v2, v3) takes each triangle's second vertex: on screen v0 (16, 16), v1
// (0, 0), v2 (32, 0), v3 (32, 32), the top quarter green, the right one blue.
// Stretched so that v2 and v3 lie far outside, every clipped piece keeps the
// colour of the vertex the fan names, even where that vertex was cut away (v0
// off pixel centres, so that no pixel lies on the shared edge). The strip
// (v0, v1, v2), (v2, v1, v3) takes each triangle's first vertex, v0 then v1.
TEST_F(FlatShadingTest, UntransformedPrimitivesTakeTheColourOfTheRasterisersVertex) {
    const struct {
        D3DPRIMITIVETYPE type;
        std::vector<ColorVertex> vertices;
        std::vector<Probe> probes;
    } cases[] = {
        {D3DPT_TRIANGLEFAN,
         {{0, 0, 0.5f, kRed}, {-1, 1, 0.5f, kGreen}, {1, 1, 0.5f, kBlue}, {1, -1, 0.5f, kYellow}},
         {{16, 4, 0x00FF00}, {28, 16, 0x0000FF}, {4, 16, 0}}},
        {D3DPT_TRIANGLEFAN,
         {{0.03f, 0.02f, 0.5f, kRed},
          {-1, 1, 0.5f, kGreen},
          {3, 1.1f, 0.5f, kBlue},
          {3, -3, 0.5f, kYellow}},
         {{16, 4, 0x00FF00}, {28, 6, 0x00FF00}, {30, 20, 0x0000FF}, {20, 18, 0x0000FF}}},
        {D3DPT_TRIANGLESTRIP,
         {{-1, 1, 0.5f, kRed}, {-1, -1, 0.5f, kGreen}, {1, 1, 0.5f, kBlue}, {1, -1, 0.5f, kYellow}},
         {{4, 4, 0xFF0000}, {28, 28, 0x00FF00}}},
        {D3DPT_TRIANGLESTRIP,
         {{-3, 1, 0.5f, kRed},
          {-1, -2, 0.5f, kGreen},
          {1, 2, 0.5f, kBlue},
          {2, -1, 0.5f, kYellow},
          {3, 3, 0.5f, kRed}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        clear(0, 1.0f);
        drawUntransformed(c.type, c.vertices);
        const std::vector<uint32_t> clipped = pixels();
        for (const Probe& p : c.probes)
            EXPECT_EQ(p.rgb, rgb(p.x, p.y)) << p.x << "," << p.y;
        // The pre-transformed primitive gives the same picture.
        clear(0, 1.0f);
        drawPretransformed(c.type, c.vertices);
        const std::vector<uint32_t> reference = pixels();
        size_t differing = 0;
        for (size_t i = 0; i < reference.size(); ++i)
            differing += reference[i] != clipped[i];
        EXPECT_EQ(0u, differing);
    }
}

// The specular colour comes from the vertex the diffuse one comes from.
TEST_F(FlatShadingTest, TheSpecularColourComesFromTheSameVertex) {
    device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    struct SpecularVertex {
        float x, y, z;
        D3DCOLOR diffuse, specular;
    };
    const D3DCOLOR black = 0xFF000000;
    SpecularVertex fan[4] = {{0, 0, 0.5f, black, kRed},
                             {-1, 1, 0.5f, black, kGreen},
                             {1, 1, 0.5f, black, kBlue},
                             {1, -1, 0.5f, black, kYellow}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLEFAN,
                                            D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR, fan, 4,
                                            D3DDP_DONOTLIGHT));
    EXPECT_EQ(0x00FF00u, rgb(16, 4));
    EXPECT_EQ(0x0000FFu, rgb(28, 16));
}
