// Primitive assembly and shading: strips, fans, indexed draws, culling by
// screen winding, flat and Gouraud shading, points, lines and fill modes.
#include "raster_test_util.h"

using namespace rt;

namespace {

// Untextured: the diffuse colour is drawn.
struct Plain : Canvas {
    Plain(DWORD w, DWORD h) : Canvas(w, h) {
        state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
};

}  // namespace

TEST(RasterCulling, WindingDecidesWhatIsCulled) {
    // (0,0) -> (8,0) -> (0,8) runs clockwise on a y-down screen.
    const std::vector<Vertex> cw = {vtx(0, 0), vtx(8, 0), vtx(0, 8)};
    const std::vector<Vertex> ccw = {vtx(0, 0), vtx(0, 8), vtx(8, 0)};
    struct Case {
        DWORD mode;
        bool cwDrawn, ccwDrawn;
    };
    for (const Case& k : {Case{D3DCULL_NONE, true, true}, Case{D3DCULL_CW, false, true},
                          Case{D3DCULL_CCW, true, false}}) {
        for (bool clockwise : {true, false}) {
            Canvas c(8, 8);
            c.state().setRenderState(D3DRENDERSTATE_CULLMODE, k.mode);
            drawList(c.raster, clockwise ? cw : ccw);
            EXPECT_EQ(c.pixel(1, 1) == 0xffffffff, clockwise ? k.cwDrawn : k.ccwDrawn)
                << "mode " << k.mode << " cw " << clockwise;
        }
    }
}

TEST(RasterCulling, StripKeepsWindingOfOddTriangles) {
    // A strip of 4 vertices: both triangles face the same way.
    Canvas c(8, 8);
    c.state().setRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
    drawList(c.raster, {vtx(0, 0), vtx(8, 0), vtx(0, 8), vtx(8, 8)}, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(c.raster.stats().trianglesDrawn, 2u);
    EXPECT_EQ(c.raster.stats().trianglesCulled, 0u);
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(c.pixel(6, 6), 0xffffffffu);
}

TEST(RasterShading, GouraudInterpolatesVertexColours) {
    Plain c(64, 64);
    drawList(c.raster, {vtx(0, 0, 0xffff0000), vtx(63, 0, 0xff00ff00), vtx(0, 63, 0xff0000ff)});
    // Barycentric weights at pixel (x, y): green x/63, blue y/63.
    for (auto [x, y] : {std::pair{10, 10}, std::pair{30, 5}, std::pair{5, 40}, std::pair{20, 20}}) {
        const double g = x / 63.0, b = y / 63.0, r = 1 - g - b;
        const D3DCOLOR got = c.pixel(x, y);
        EXPECT_NEAR(red(got), 255 * r, 1.0) << x << "," << y;
        EXPECT_NEAR(green(got), 255 * g, 1.0) << x << "," << y;
        EXPECT_NEAR(blue(got), 255 * b, 1.0) << x << "," << y;
    }
}

TEST(RasterShading, FlatUsesFirstVertexOfEachTriangle) {
    Plain c(16, 8);
    c.state().setRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    // Strip: triangle 0 = (v0, v1, v2) coloured by v0; triangle 1 by v1.
    drawList(c.raster,
             {vtx(0, 0, 0xffff0000), vtx(0, 8, 0xff00ff00), vtx(16, 0, 0xff0000ff),
              vtx(16, 8, 0xffffffff)},
             D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(c.pixel(1, 1), 0xffff0000u);
    EXPECT_EQ(c.pixel(14, 6), 0xff00ff00u);
    // Every pixel of triangle 0 has exactly the first vertex's colour.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const D3DCOLOR p = c.pixel(x, y);
            EXPECT_TRUE(p == 0xffff0000u || p == 0xff00ff00u) << x << "," << y;
        }
    }
}

TEST(RasterShading, FlatFanUsesSecondVertexOfEachTriangle) {
    Plain c(16, 16);
    c.state().setRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    drawList(c.raster,
             {vtx(0, 0, 0xff000000), vtx(16, 0, 0xffff0000), vtx(16, 16, 0xff00ff00),
              vtx(0, 16, 0xff0000ff)},
             D3DPT_TRIANGLEFAN);
    EXPECT_EQ(c.pixel(12, 3), 0xffff0000u);  // triangle (v0, v1, v2)
    EXPECT_EQ(c.pixel(3, 12), 0xff00ff00u);  // triangle (v0, v2, v3)
}

TEST(RasterPrimitives, IndexedListSharesVertices) {
    Plain c(8, 8);
    const std::vector<Vertex> v = {vtx(0, 0, 0xffff0000), vtx(8, 0, 0xffff0000),
                                   vtx(8, 8, 0xffff0000), vtx(0, 8, 0xffff0000)};
    const WORD idx[] = {0, 1, 2, 0, 2, 3};
    ASSERT_EQ(
        c.raster.drawIndexed(D3DPT_TRIANGLELIST, VertexSource::fromVertices(v.data(), 4), idx, 6),
        DrawStatus::Ok);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c.pixel(x, y), 0xffff0000u);
    }
}

TEST(RasterPrimitives, FirstVertexOffsetOfDraw) {
    Plain c(8, 8);
    const std::vector<Vertex> v = {vtx(100, 100), vtx(0, 0, 0xff00ff00), vtx(8, 0, 0xff00ff00),
                                   vtx(0, 8, 0xff00ff00)};
    ASSERT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, VertexSource::fromVertices(v.data(), 4), 1, 3),
              DrawStatus::Ok);
    EXPECT_EQ(c.pixel(1, 1), 0xff00ff00u);
}

TEST(RasterPrimitives, PointsDrawNearestPixel) {
    Plain c(8, 8);
    drawList(c.raster, {vtx(2.4f, 3.6f, 0xffff0000), vtx(5.5f, 1.49f, 0xff00ff00)},
             D3DPT_POINTLIST);
    EXPECT_EQ(c.pixel(2, 4), 0xffff0000u);
    EXPECT_EQ(c.pixel(6, 1), 0xff00ff00u);
    int drawn = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            drawn += c.pixel(x, y) != 0;
    }
    EXPECT_EQ(drawn, 2);
}

TEST(RasterPrimitives, LinesAndLastPixel) {
    for (bool last : {true, false}) {
        Plain c(8, 8);
        c.state().setRenderState(D3DRENDERSTATE_LASTPIXEL, last);
        drawList(c.raster, {vtx(1, 2, 0xffff0000), vtx(6, 2, 0xff0000ff)}, D3DPT_LINELIST);
        for (int x = 0; x < 8; ++x) {
            const bool drawn = x >= 1 && (last ? x <= 6 : x <= 5);
            EXPECT_EQ(c.pixel(x, 2) != 0, drawn) << "x " << x << " last " << last;
        }
        EXPECT_EQ(c.pixel(1, 2), 0xffff0000u);
        EXPECT_EQ(c.pixel(1, 1), 0u);
    }
}

TEST(RasterPrimitives, LineStripAndSteepLine) {
    Plain c(8, 8);
    drawList(c.raster, {vtx(0, 0), vtx(0, 7), vtx(7, 7)}, D3DPT_LINESTRIP);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NE(c.pixel(0, i), 0u) << i;
        EXPECT_NE(c.pixel(i, 7), 0u) << i;
    }
    EXPECT_EQ(c.pixel(3, 3), 0u);
}

TEST(RasterPrimitives, WireframeDrawsEdgesOnly) {
    Plain c(16, 16);
    c.state().setRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
    drawList(c.raster, {vtx(1, 1), vtx(14, 1), vtx(1, 14)});
    EXPECT_NE(c.pixel(7, 1), 0u);
    EXPECT_NE(c.pixel(1, 7), 0u);
    EXPECT_NE(c.pixel(7, 8), 0u);
    EXPECT_EQ(c.pixel(4, 4), 0u);
}

TEST(RasterPrimitives, PointFillDrawsVertices) {
    Plain c(16, 16);
    c.state().setRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_POINT);
    drawList(c.raster, {vtx(1, 1), vtx(14, 1), vtx(1, 14)});
    EXPECT_NE(c.pixel(1, 1), 0u);
    EXPECT_NE(c.pixel(14, 1), 0u);
    EXPECT_NE(c.pixel(1, 14), 0u);
    EXPECT_EQ(c.pixel(4, 4), 0u);
    EXPECT_EQ(c.pixel(7, 1), 0u);
}

TEST(RasterPrimitives, FlexibleVertexFormatWithoutColours) {
    // XYZRHW | TEX1: diffuse reads as opaque white.
    struct V {
        float x, y, z, rhw, u, v;
    };
    const V v[] = {{0, 0, 0.5f, 1, 0, 0}, {8, 0, 0.5f, 1, 1, 0}, {0, 8, 0.5f, 1, 0, 1}};
    Plain c(8, 8);
    const VertexSource src = VertexSource::fromFVF(D3DFVF_XYZRHW | D3DFVF_TEX1, v, 3);
    ASSERT_TRUE(src.valid());
    EXPECT_EQ(src.stride, sizeof(V));
    ASSERT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, src, 0, 3), DrawStatus::Ok);
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
}

TEST(RasterPrimitives, TlVertexLayoutReadsColoursAndCoordinates) {
    TestTexture t(PixelFormat::A8R8G8B8, 2, 1, {0xffff0000, 0xff00ff00});
    D3DTLVERTEX v[3] = {};
    const float pos[3][2] = {{-0.5f, -0.5f}, {7.5f, -0.5f}, {-0.5f, 7.5f}};
    for (int i = 0; i < 3; ++i) {
        v[i].sx = pos[i][0];
        v[i].sy = pos[i][1];
        v[i].sz = 0.5f;
        v[i].rhw = 1;
        v[i].color = 0xff808080;
        v[i].specular = 0xff000000;
        v[i].tu = i == 1 ? 1.0f : 0.0f;
        v[i].tv = 0.5f;
    }
    Canvas c(8, 8);
    c.state().setTexture(0, &t.tex);
    ASSERT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, VertexSource::fromFVF(D3DFVF_TLVERTEX, v, 3), 0, 3),
              DrawStatus::Ok);
    EXPECT_EQ(c.pixel(0, 0), 0xff800000u);  // red texel modulated by grey
    EXPECT_EQ(c.pixel(5, 0), 0xff008000u);  // green texel
}
