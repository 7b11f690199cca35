// Bad input: invalid primitives, ranges, indices, formats and vertex values
// give a status or are skipped, never a crash or a write out of bounds.
#include "raster_test_util.h"

#include <cmath>
#include <limits>

using namespace rt;

TEST(RasterRobustness, DrawWithoutTargetFails) {
    Rasterizer r;
    const std::vector<Vertex> v = {vtx(0, 0), vtx(1, 0), vtx(0, 1)};
    EXPECT_EQ(drawList(r, v), DrawStatus::NoRenderTarget);
    EXPECT_FALSE(r.setRenderTarget(RenderTarget{nullptr, 16, 4, 4, PixelFormat::R5G6B5}));
    BYTE mem[64] = {};
    EXPECT_FALSE(r.setRenderTarget(RenderTarget{mem, 4, 4, 4, PixelFormat::R5G6B5}));  // pitch
    EXPECT_FALSE(r.setRenderTarget(RenderTarget{mem, 8, 4, 4, PixelFormat::Unknown}));
    EXPECT_EQ(drawList(r, v), DrawStatus::NoRenderTarget);
    DepthBuffer bad{mem, 2, 4, 4, DepthFormat::D16};
    EXPECT_FALSE(r.setDepthBuffer(&bad));
}

TEST(RasterRobustness, InvalidArgumentsReportStatus) {
    Canvas c(4, 4);
    const std::vector<Vertex> v = {vtx(0, 0), vtx(4, 0), vtx(0, 4)};
    const VertexSource src = VertexSource::fromVertices(v.data(), 3);
    EXPECT_EQ(c.raster.draw(static_cast<D3DPRIMITIVETYPE>(0), src, 0, 3),
              DrawStatus::InvalidPrimitive);
    EXPECT_EQ(c.raster.draw(static_cast<D3DPRIMITIVETYPE>(7), src, 0, 3),
              DrawStatus::InvalidPrimitive);
    EXPECT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, src, 1, 3), DrawStatus::InvalidVertices);
    EXPECT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, src, 0xffffffffu, 2), DrawStatus::InvalidVertices);
    EXPECT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, VertexSource{}, 0, 3), DrawStatus::InvalidVertices);
    const WORD badIndex[] = {0, 1, 3};
    EXPECT_EQ(c.raster.drawIndexed(D3DPT_TRIANGLELIST, src, badIndex, 3),
              DrawStatus::InvalidVertices);
    EXPECT_EQ(c.raster.drawIndexed(D3DPT_TRIANGLELIST, src, nullptr, 3),
              DrawStatus::InvalidVertices);
    EXPECT_FALSE(VertexSource::fromFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE, v.data(), 3).valid());
    EXPECT_FALSE(VertexSource::fromFVF(D3DFVF_XYZRHW | D3DFVF_NORMAL, v.data(), 3).valid());
    EXPECT_FALSE(VertexSource::fromFVF(D3DFVF_XYZRHW | 0x900, v.data(), 3).valid());
    // Incomplete primitives are ignored.
    EXPECT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, src, 0, 2), DrawStatus::Ok);
    // Nothing was drawn by any of these calls.
    EXPECT_EQ(c.pixel(0, 0), 0u);
}

TEST(RasterRobustness, NonFiniteAndHugeValuesAreSkippedOrHarmless) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::vector<Vertex>> positions = {
        {vtx(nan, 0), vtx(8, 0), vtx(0, 8)},
        {vtx(0, inf), vtx(8, 0), vtx(0, 8)},
        {vtx(1e30f, 0), vtx(-1e30f, 5), vtx(0, 1e30f)},
    };
    const std::vector<std::vector<Vertex>> attributes = {
        {vtx(0, 0, 0xffffffff, nan, inf), vtx(16, 0, 0xffffffff, 1e30f, -1e30f), vtx(0, 16)},
        {vtx(0, 0, 0xffffffff, 0, 0, nan, 0), vtx(16, 0, 0xffffffff, 0, 0, inf, -1),
         vtx(0, 16, 0xffffffff, 0, 0, 2, nan)},
    };
    for (const auto* cases : {&positions, &attributes}) {
        Canvas c(16, 16, PixelFormat::R5G6B5, DepthFormat::D16);
        TestTexture t(PixelFormat::R5G6B5, 4, 4, {0xffff0000, 0xff00ff00});
        c.state().setTexture(0, &t.tex);
        c.tss(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
        c.rs(D3DRENDERSTATE_FOGENABLE, TRUE);
        c.rs(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_EXP);
        for (const auto& v : *cases)
            drawList(c.raster, v);
        // Triangles with a vertex that has no usable position are not drawn.
        if (cases == &positions) {
            EXPECT_EQ(c.raster.stats().pixelsShaded, 0u);
        }
        for (const auto& v : *cases) {
            drawList(c.raster, v, D3DPT_LINESTRIP);
            drawList(c.raster, v, D3DPT_POINTLIST);
        }
        EXPECT_TRUE(c.paddingUntouched());
    }
}

TEST(RasterRobustness, GuardBandDecidesWhichTrianglesAndLinesAreDrawn) {
    // A vertex up to 2^18 pixels from the origin is drawn; one float step
    // beyond, the triangle or line is skipped.
    const float band = 262144.0f, beyond = std::nextafter(band, 1e9f);
    const struct {
        float x, y;
        bool drawn;
    } cases[] = {{band, 0, true}, {beyond, 0, false}, {-band, 0, true}, {-beyond, 0, false},
                 {0, band, true}, {0, beyond, false}, {0, -band, true}, {0, -beyond, false}};
    for (const auto& k : cases) {
        // The other two corners on the opposite side of pixel (1, 1).
        const float s = k.x + k.y > 0 ? -8.0f : 8.0f;
        const Vertex p = k.x != 0 ? vtx(s, -8) : vtx(-8, s), q = k.x != 0 ? vtx(s, 8) : vtx(8, s);
        Canvas c(4, 4);
        drawList(c.raster, {vtx(k.x, k.y), p, q});
        EXPECT_EQ(c.pixel(1, 1) != 0, k.drawn) << k.x << "," << k.y;
        // A line from there through pixel (1, 1) likewise.
        Canvas l(4, 4);
        drawList(l.raster, {vtx(k.x, k.y), k.x != 0 ? vtx(s, 1) : vtx(1, s)}, D3DPT_LINELIST);
        EXPECT_EQ(l.pixel(1, 1) != 0, k.drawn) << "line from " << k.x << "," << k.y;
    }
}

TEST(RasterRobustness, HugeButFiniteTriangleIsClipped) {
    Canvas c(32, 32);
    c.untextured();
    drawList(c.raster, {vtx(-200000, -200000, 0xff00ff00), vtx(200000, -100, 0xff00ff00),
                        vtx(-100, 200000, 0xff00ff00)});
    EXPECT_EQ(c.pixel(0, 0), 0xff00ff00u);
    EXPECT_EQ(c.pixel(31, 31), 0xff00ff00u);
    EXPECT_TRUE(c.paddingUntouched());
}

TEST(RasterRobustness, NegativePitchTargetDrawsBottomUp) {
    // A bottom-up surface: pixels points at the last row, pitch is negative.
    std::vector<BYTE> mem(4 * 4 * 4, 0);
    Rasterizer r;
    ASSERT_TRUE(
        r.setRenderTarget(RenderTarget{mem.data() + 3 * 16, -16, 4, 4, PixelFormat::A8R8G8B8}));
    r.state().setRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    drawList(r, quad(0, 0, 4, 1, 0xffff0000));
    EXPECT_EQ(load(mem.data() + 3 * 16, 4), 0xffff0000u);
}
