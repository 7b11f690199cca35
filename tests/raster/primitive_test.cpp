// Primitive assembly and shading: strips, fans, indexed draws, culling by
// screen winding, flat and Gouraud shading, points, lines and fill modes.
#include "raster_test_util.h"

using namespace rt;

namespace {

// Untextured: the diffuse colour is drawn.
struct Plain : Canvas {
    Plain(int w, int h) : Canvas(w, h), w(w), h(h) { untextured(); }

    int drawnPixels() const {
        int n = 0;
        for (int i = 0; i < w * h; ++i)
            n += pixel(i % w, i / w) != 0;
        return n;
    }

    int w, h;
};

}  // namespace

TEST(RasterCulling, WindingDecidesWhatIsCulled) {
    // (0,0) -> (8,0) -> (0,8) runs clockwise on a y-down screen.
    const std::vector<Vertex> cw = {vtx(0, 0), vtx(8, 0), vtx(0, 8)};
    const std::vector<Vertex> ccw = {vtx(0, 0), vtx(0, 8), vtx(8, 0)};
    const struct {
        DWORD mode;
        bool cwDrawn, ccwDrawn;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    for (const auto& k : cases) {
        for (bool clockwise : {true, false}) {
            Canvas c(8, 8);
            c.rs(D3DRENDERSTATE_CULLMODE, k.mode);
            drawList(c.raster, clockwise ? cw : ccw);
            const bool drawn = clockwise ? k.cwDrawn : k.ccwDrawn;
            EXPECT_EQ(c.pixel(1, 1) == 0xffffffff, drawn) << k.mode << " cw " << clockwise;
            EXPECT_EQ(c.raster.stats().trianglesCulled, drawn ? 0u : 1u);
        }
    }
}

// In either winding: the counter-clockwise order is turned round inside.
TEST(RasterShading, GouraudInterpolatesVertexColours) {
    const Vertex r = vtx(0, 0, 0xffff0000), g = vtx(63, 0, 0xff00ff00), b = vtx(0, 63, 0xff0000ff);
    for (const std::vector<Vertex>& order : {std::vector<Vertex>{r, g, b}, {r, b, g}}) {
        Plain c(64, 64);
        drawList(c.raster, order);
        // Barycentric weights at pixel (x, y): green x/63, blue y/63.
        for (auto [x, y] : {std::pair{10, 10}, std::pair{30, 5}, std::pair{5, 40}}) {
            const double gw = x / 63.0, bw = y / 63.0, rw = 1 - gw - bw;
            const D3DCOLOR got = c.pixel(x, y);
            EXPECT_NEAR(red(got), 255 * rw, 1.0) << x << "," << y;
            EXPECT_NEAR(ch(got, 1), 255 * gw, 1.0) << x << "," << y;
            EXPECT_NEAR(ch(got, 2), 255 * bw, 1.0) << x << "," << y;
        }
    }
}

TEST(RasterShading, FlatUsesFirstVertexOfStripAndSecondOfFanTriangles) {
    Plain c(16, 8);
    c.rs(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    // Both strip triangles run counter-clockwise and are kept; triangle 0 =
    // (v0, v1, v2) is coloured by v0, triangle 1 = (v2, v1, v3) by v1.
    c.rs(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    drawList(c.raster,
             {vtx(0, 0, 0xffff0000), vtx(0, 8, 0xff00ff00), vtx(16, 0, 0xff0000ff),
              vtx(16, 8, 0xffffffff)},
             D3DPT_TRIANGLESTRIP);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(c.pixel(x, y), 2 * x + y * 4 < 32 ? 0xffff0000u : 0xff00ff00u)
                << x << "," << y;
    }
    // Fan: triangle (v0, v1, v2) coloured by v1, (v0, v2, v3) by v2.
    Plain f(16, 16);
    f.rs(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    drawList(f.raster,
             {vtx(0, 0, 0xff000000), vtx(16, 0, 0xffff0000), vtx(16, 16, 0xff00ff00),
              vtx(0, 16, 0xff0000ff)},
             D3DPT_TRIANGLEFAN);
    EXPECT_EQ(f.pixel(12, 3), 0xffff0000u);
    EXPECT_EQ(f.pixel(3, 12), 0xff00ff00u);
}

TEST(RasterPrimitives, IndexedListAndFirstVertex) {
    Plain c(8, 8);
    const std::vector<Vertex> v = {vtx(0, 0, 0xffff0000), vtx(8, 0, 0xffff0000),
                                   vtx(8, 8, 0xffff0000), vtx(0, 8, 0xffff0000)};
    const WORD idx[] = {0, 1, 2, 0, 2, 3};
    const VertexSource src = VertexSource::fromVertices(v.data(), 4);
    ASSERT_EQ(c.raster.drawIndexed(D3DPT_TRIANGLELIST, src, idx, 6), DrawStatus::Ok);
    EXPECT_EQ(c.drawnPixels(), 64);
    EXPECT_EQ(c.pixel(7, 7), 0xffff0000u);
    // Starting at vertex 1: the triangle (v1, v2, v3) only.
    Plain d(8, 8);
    ASSERT_EQ(d.raster.draw(D3DPT_TRIANGLELIST, src, 1, 3), DrawStatus::Ok);
    EXPECT_EQ(d.pixel(6, 6), 0xffff0000u);
    EXPECT_EQ(d.pixel(6, 1), 0u);
}

TEST(RasterPrimitives, LinesStripsAndLastPixel) {
    for (bool last : {true, false}) {
        Plain c(8, 8);
        c.rs(D3DRENDERSTATE_LASTPIXEL, last);
        drawList(c.raster, {vtx(1, 2, 0xffff0000), vtx(6, 2, 0xff0000ff)}, D3DPT_LINELIST);
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c.pixel(x, 2) != 0, x >= 1 && x <= (last ? 6 : 5)) << x << " " << last;
        EXPECT_EQ(c.pixel(1, 2), 0xffff0000u);
        EXPECT_EQ(c.drawnPixels(), last ? 6 : 5);
    }
    Plain dot(8, 8);  // a line of no length draws nothing, even its last pixel
    drawList(dot.raster, {vtx(3, 3), vtx(3, 3)}, D3DPT_LINELIST);
    EXPECT_EQ(dot.raster.stats().pixelsShaded, 0u);
    Plain strip(8, 8);  // a strip with a steep line
    drawList(strip.raster, {vtx(0, 0), vtx(0, 7), vtx(7, 7)}, D3DPT_LINESTRIP);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NE(strip.pixel(0, i), 0u) << i;
        EXPECT_NE(strip.pixel(i, 7), 0u) << i;
    }
    EXPECT_EQ(strip.drawnPixels(), 15);
}

TEST(RasterPrimitives, WireframePointFillAndPoints) {
    Plain c(16, 16);
    c.rs(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
    drawList(c.raster, {vtx(1, 1, 0xffff0000), vtx(14, 1, 0xff00ff00), vtx(1, 14, 0xff0000ff)});
    // Each edge is shaded from its own ends: next to the green corner, green.
    EXPECT_EQ(red(c.pixel(13, 2)), 0);
    EXPECT_GT(ch(c.pixel(13, 2), 1), 0xC0);
    EXPECT_NE(c.pixel(7, 1), 0u);
    EXPECT_NE(c.pixel(1, 7), 0u);
    EXPECT_NE(c.pixel(7, 8), 0u);
    EXPECT_EQ(c.pixel(4, 4), 0u);
    Plain p(16, 16);
    p.rs(D3DRENDERSTATE_FILLMODE, D3DFILL_POINT);
    drawList(p.raster, {vtx(1, 1), vtx(14, 1), vtx(1, 14)});
    EXPECT_NE(p.pixel(1, 1), 0u);
    EXPECT_NE(p.pixel(14, 1), 0u);
    EXPECT_NE(p.pixel(1, 14), 0u);
    EXPECT_EQ(p.drawnPixels(), 3);
    // Points draw the nearest pixel.
    Plain n(8, 8);
    drawList(n.raster, {vtx(2.4f, 3.6f, 0xffff0000), vtx(5.5f, 1.49f, 0xff00ff00)},
             D3DPT_POINTLIST);
    EXPECT_EQ(n.pixel(2, 4), 0xffff0000u);
    EXPECT_EQ(n.pixel(6, 1), 0xff00ff00u);
    EXPECT_EQ(n.drawnPixels(), 2);
}

// XYZRHW alone: diffuse reads as opaque white. XYZRHW | TEX1: a coordinate set the
// vertices lack reads as (0, 0): texel 0 of a clamped texture, whatever
// follows set 0 in memory (here the next vertex's x, 8). Set 0 would be texel 1.
TEST(RasterPrimitives, FlexibleVertexFormatWithoutColours) {
    const float v[4][6] = {
        {0, 0, 0.5f, 1, 1, 0}, {8, 0, 0.5f, 1, 1, 0}, {0, 8, 0.5f, 1, 1, 0}, {8, 8, 0.5f, 1, 1, 0}};
    Plain c(8, 8);
    const VertexSource src = VertexSource::fromFVF(D3DFVF_XYZRHW | D3DFVF_TEX1, v, 4);
    ASSERT_TRUE(src.valid());
    EXPECT_EQ(src.stride, sizeof(v[0]));
    // The position alone: the last vertex's 16 bytes end the data.
    const float position[3][4] = {{0, 0, 0.5f, 1}, {8, 0, 0.5f, 1}, {0, 8, 0.5f, 1}};
    const VertexSource bare = VertexSource::fromFVF(D3DFVF_XYZRHW, position, 3);
    ASSERT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, bare, 0, 3), DrawStatus::Ok);
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
    TestTexture t(PixelFormat::A8R8G8B8, 2, 1, {0xffff0000, 0xff00ff00});
    c.state().setTexture(0, &t.tex);
    c.tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    c.tss(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    c.tss(0, D3DTSS_TEXCOORDINDEX, 1);
    ASSERT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, src, 0, 3), DrawStatus::Ok);
    EXPECT_EQ(c.pixel(1, 1), 0xffff0000u);
}
