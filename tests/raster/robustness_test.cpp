// Bad input: invalid primitives, ranges, indices, formats and vertex values
// give a status or are skipped, never a crash or a write out of bounds.
#include "raster_test_util.h"

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
    // Nothing was drawn by the failed calls.
    EXPECT_EQ(c.pixel(0, 0), 0u);
    // Incomplete primitives are ignored.
    EXPECT_EQ(c.raster.draw(D3DPT_TRIANGLELIST, src, 0, 2), DrawStatus::Ok);
    EXPECT_EQ(c.pixel(0, 0), 0u);
}

TEST(RasterRobustness, NonFiniteAndHugeVerticesAreSkipped) {
    Canvas c(16, 16, PixelFormat::R5G6B5, DepthFormat::D16);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    TestTexture t(PixelFormat::R5G6B5, 4, 4, {0xffff0000, 0xff00ff00});
    c.state().setTexture(0, &t.tex);
    c.state().setTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    c.state().setRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    c.state().setRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_EXP);
    const std::vector<std::vector<Vertex>> cases = {
        {vtx(nan, 0), vtx(8, 0), vtx(0, 8)},
        {vtx(inf, 0), vtx(8, 0), vtx(0, 8)},
        {vtx(1e30f, 0), vtx(-1e30f, 5), vtx(0, 1e30f)},
        {vtx(0, 0, 0xffffffff, nan, inf), vtx(16, 0, 0xffffffff, 1e30f, -1e30f), vtx(0, 16)},
        {vtx(0, 0, 0xffffffff, 0, 0, nan, 0), vtx(16, 0, 0xffffffff, 0, 0, inf, -1),
         vtx(0, 16, 0xffffffff, 0, 0, 2, nan)},
    };
    for (const auto& v : cases) {
        drawList(c.raster, v);
        drawList(c.raster, v, D3DPT_LINESTRIP);
        drawList(c.raster, v, D3DPT_POINTLIST);
    }
    EXPECT_TRUE(c.paddingUntouched());
}

TEST(RasterRobustness, HugeButFiniteTriangleIsClipped) {
    Canvas c(32, 32);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
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
    uint32_t lastRow;
    std::memcpy(&lastRow, mem.data() + 3 * 16, 4);
    EXPECT_EQ(lastRow, 0xffff0000u);
}
