// Depth buffering: every comparison on 16-, 24- and 32-bit buffers,
// occlusion order, write enable, and the untouched top byte of D24X8.
#include "raster_test_util.h"

using namespace rt;

namespace {

const DWORD kFuncs[] = {D3DCMP_NEVER,   D3DCMP_LESS,     D3DCMP_EQUAL,        D3DCMP_LESSEQUAL,
                        D3DCMP_GREATER, D3DCMP_NOTEQUAL, D3DCMP_GREATEREQUAL, D3DCMP_ALWAYS};

bool expectedPass(DWORD func, float z, float stored)
{
    switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return z < stored;
    case D3DCMP_EQUAL: return z == stored;
    case D3DCMP_LESSEQUAL: return z <= stored;
    case D3DCMP_GREATER: return z > stored;
    case D3DCMP_NOTEQUAL: return z != stored;
    case D3DCMP_GREATEREQUAL: return z >= stored;
    default: return true;
    }
}

class RasterDepth : public ::testing::TestWithParam<DepthFormat> {};

}  // namespace

TEST_P(RasterDepth, EveryComparisonAgainstClearedDepth)
{
    const DepthFormat format = GetParam();
    for (DWORD func : kFuncs) {
        for (float z : {0.25f, 0.5f, 0.75f}) {
            Canvas c(4, 4, PixelFormat::A8R8G8B8, format);
            c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff000000, 0.5f);
            c.state().setRenderState(D3DRENDERSTATE_ZFUNC, func);
            drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, z));
            const bool pass = expectedPass(func, z, 0.5f);
            EXPECT_EQ(c.pixel(2, 2) == 0xffffffff, pass) << "func " << func << " z " << z;
            EXPECT_EQ(c.depthAt(2, 2),
                      quantizeDepth(format, pass ? z : 0.5f) |
                          (format == DepthFormat::D24X8 ? c.depthAt(2, 2) & 0xff000000u : 0u));
        }
    }
}

TEST_P(RasterDepth, NearerSurfaceOccludesInEitherOrder)
{
    const DepthFormat format = GetParam();
    for (bool nearFirst : {true, false}) {
        Canvas c(8, 8, PixelFormat::A8R8G8B8, format);
        c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0, 1.0f);
        c.state().setRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
        const auto nearQuad = quad(0, 0, 6, 6, 0xffff0000, 0, 0, 1, 1, 0.3f);
        const auto farQuad = quad(2, 2, 8, 8, 0xff00ff00, 0, 0, 1, 1, 0.3001f);
        drawList(c.raster, nearFirst ? nearQuad : farQuad);
        drawList(c.raster, nearFirst ? farQuad : nearQuad);
        EXPECT_EQ(c.pixel(1, 1), 0xffff0000u);
        EXPECT_EQ(c.pixel(4, 4), 0xffff0000u) << "overlap shows the nearer quad";
        EXPECT_EQ(c.pixel(7, 7), 0xff00ff00u);
    }
}

TEST_P(RasterDepth, InterpolatedDepthAcrossTriangle)
{
    const DepthFormat format = GetParam();
    Canvas c(16, 1, PixelFormat::A8R8G8B8, format);
    c.raster.clear(D3DCLEAR_ZBUFFER, nullptr, 0, 0, 1.0f);
    c.state().setRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
    // z from 0 at x = -0.5 to 1 at x = 15.5.
    Vertex a = vtx(-0.5f, -0.5f), b = vtx(15.5f, -0.5f), d = vtx(15.5f, 0.5f), e = vtx(-0.5f, 0.5f);
    a.z = e.z = 0.0f;
    b.z = d.z = 1.0f;
    drawList(c.raster, {a, b, d, a, d, e});
    const double scale = format == DepthFormat::D16 ? 65535.0
                         : format == DepthFormat::D24X8 ? 16777215.0 : 4294967295.0;
    for (int x = 0; x < 16; ++x) {
        const double want = (x + 0.5) / 16.0 * scale;
        EXPECT_NEAR(static_cast<double>(c.depthAt(x, 0) & (format == DepthFormat::D24X8 ? 0xffffffu : ~0u)),
                    want, scale * 1e-6 + 1.0) << x;
    }
}

TEST_P(RasterDepth, WriteDisableAndZDisable)
{
    const DepthFormat format = GetParam();
    Canvas c(4, 4, PixelFormat::A8R8G8B8, format);
    c.raster.clear(D3DCLEAR_ZBUFFER, nullptr, 0, 0, 0.5f);
    const DWORD cleared = c.depthAt(1, 1);
    c.state().setRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, 0.25f));
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(c.depthAt(1, 1), cleared);
    // Z disabled: drawn although farther, and depth untouched.
    c.clear(0);
    c.state().setRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    c.state().setRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, 0.9f));
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(c.depthAt(1, 1), cleared);
}

INSTANTIATE_TEST_SUITE_P(Formats, RasterDepth,
                         ::testing::Values(DepthFormat::D16, DepthFormat::D24X8,
                                           DepthFormat::D32));

TEST(RasterDepthD24, TopByteIsPreserved)
{
    Canvas c(4, 4, PixelFormat::A8R8G8B8, DepthFormat::D24X8);
    c.setDepthRaw(1, 1, 0xab000000u | 0xffffff);
    c.setDepthRaw(2, 1, 0xcd000000u | 0xffffff);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, 0.5f));
    EXPECT_EQ(c.depthAt(1, 1), 0xab000000u | quantizeDepth(DepthFormat::D24X8, 0.5f));
    c.raster.clear(D3DCLEAR_ZBUFFER, nullptr, 0, 0, 1.0f);
    EXPECT_EQ(c.depthAt(2, 1), 0xcdffffffu);
}

TEST(RasterDepthDiscard, AlphaTestedFragmentsDoNotWriteDepth)
{
    Canvas c(4, 4, PixelFormat::A8R8G8B8, DepthFormat::D16);
    c.raster.clear(D3DCLEAR_ZBUFFER, nullptr, 0, 0, 1.0f);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    c.state().setRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
    c.state().setRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
    c.state().setRenderState(D3DRENDERSTATE_ALPHAREF, 0x80);
    drawList(c.raster, quad(0, 0, 4, 4, 0x40ffffff, 0, 0, 1, 1, 0.25f));
    EXPECT_EQ(c.depthAt(1, 1), 0xffffu);
    drawList(c.raster, quad(0, 0, 4, 4, 0xc0ffffff, 0, 0, 1, 1, 0.25f));
    EXPECT_EQ(c.depthAt(1, 1), quantizeDepth(DepthFormat::D16, 0.25f));
}
