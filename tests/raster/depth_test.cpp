// Depth buffering: every comparison on 16-, 24- and 32-bit buffers,
// write enable, and the untouched top byte of D24X8.
#include "raster_test_util.h"

using namespace rt;

namespace {

class RasterDepth : public ::testing::TestWithParam<DepthFormat> {
protected:
    // The stored depth without D24X8's unused top byte.
    DWORD depth(const Canvas& c, int x, int y) const {
        return c.depthAt(x, y) & (GetParam() == DepthFormat::D24X8 ? 0xffffffu : ~0u);
    }
};

}  // namespace

TEST_P(RasterDepth, EveryComparisonAgainstClearedDepth) {
    // Passes for z below, at and above the stored 0.37 (cleared and drawn
    // depths are quantised alike, so EQUAL holds).
    const struct {
        DWORD func;
        bool below, equal, above;
    } cases[] = {
        {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
        {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true},
    };
    for (const auto& k : cases) {
        const std::pair<float, bool> zs[] = {{0.25f, k.below}, {0.37f, k.equal}, {0.75f, k.above}};
        for (const auto& [z, pass] : zs) {
            Canvas c(4, 4, PixelFormat::A8R8G8B8, GetParam());
            c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff000000, 0.37f);
            c.rs(D3DRENDERSTATE_ZFUNC, k.func);
            drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, z));
            EXPECT_EQ(c.pixel(2, 2) == 0xffffffff, pass) << "func " << k.func << " z " << z;
            EXPECT_EQ(depth(c, 2, 2), quantizeDepth(GetParam(), pass ? z : 0.37f));
        }
    }
}

TEST_P(RasterDepth, InterpolatedDepthAcrossTriangle) {
    Canvas c(16, 1, PixelFormat::A8R8G8B8, GetParam());
    c.clearDepth(1.0f);
    c.rs(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
    // z from 0 at x = -0.5 to 1 at x = 15.5.
    drawList(c.raster,
             row(16, vtx(0, 0, 0xffffffff, 0, 0, 0.0f), vtx(0, 0, 0xffffffff, 0, 0, 1.0f)));
    const double scale = GetParam() == DepthFormat::D16     ? 65535.0
                         : GetParam() == DepthFormat::D24X8 ? 16777215.0
                                                            : 4294967295.0;
    for (int x = 0; x < 16; ++x)
        EXPECT_NEAR(depth(c, x, 0), (x + 0.5) / 16.0 * scale, scale * 1e-6 + 1.0) << x;
}

TEST_P(RasterDepth, WriteDisableAndZDisable) {
    Canvas c(4, 4, PixelFormat::A8R8G8B8, GetParam());
    c.clearDepth(0.5f);
    const DWORD cleared = c.depthAt(1, 1);
    c.rs(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, 0.25f));
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(c.depthAt(1, 1), cleared);
    // Z disabled: drawn although farther, and depth untouched.
    c.clear(0);
    c.rs(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    c.rs(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, 0.9f));
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(c.depthAt(1, 1), cleared);
}

INSTANTIATE_TEST_SUITE_P(Formats, RasterDepth,
                         ::testing::Values(DepthFormat::D16, DepthFormat::D24X8, DepthFormat::D32));

TEST(RasterDepthD24, TopByteIsPreserved) {
    Canvas c(4, 4, PixelFormat::A8R8G8B8, DepthFormat::D24X8);
    c.setDepthRaw(1, 1, 0xabffffffu);
    c.setDepthRaw(2, 1, 0xcdffffffu);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffffffff, 0, 0, 1, 1, 0.5f));
    EXPECT_EQ(c.depthAt(1, 1), 0xab000000u | quantizeDepth(DepthFormat::D24X8, 0.5f));
    c.clearDepth(1.0f);
    EXPECT_EQ(c.depthAt(2, 1), 0xcdffffffu);
}
