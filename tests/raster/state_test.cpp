// RasterState: legacy state mapping and change tracking (defaults and
// stored states are checked through the device).
#include "raster_test_util.h"

using namespace rt;

TEST(RasterStateLegacy, TextureFilterAndAddressMapToStageZero) {
    RasterState s;
    s.setRenderState(D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_LINEAR);
    s.setRenderState(D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_LINEARMIPLINEAR);
    s.setRenderState(D3DRENDERSTATE_TEXTUREADDRESS, D3DTADDRESS_CLAMP);
    EXPECT_EQ(s.textureStageState(0, D3DTSS_MAGFILTER), DWORD{D3DTFG_LINEAR});
    EXPECT_EQ(s.textureStageState(0, D3DTSS_MINFILTER), DWORD{D3DTFN_LINEAR});
    EXPECT_EQ(s.textureStageState(0, D3DTSS_MIPFILTER), DWORD{D3DTFP_LINEAR});
    EXPECT_EQ(s.textureStageState(0, D3DTSS_ADDRESSU), DWORD{D3DTADDRESS_CLAMP});
    EXPECT_EQ(s.textureStageState(0, D3DTSS_ADDRESSV), DWORD{D3DTADDRESS_CLAMP});
    s.setRenderState(D3DRENDERSTATE_TEXTUREADDRESSV, D3DTADDRESS_MIRROR);
    EXPECT_EQ(s.textureStageState(0, D3DTSS_ADDRESSV), DWORD{D3DTADDRESS_MIRROR});
    s.setRenderState(D3DRENDERSTATE_WRAPU, TRUE);
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_WRAP0), DWORD{D3DWRAP_U});
}

// Each kind of change is seen by the next draw; a refused one changes nothing.
TEST(RasterStateVersion, ChangesBetweenDrawsTakeEffect) {
    Canvas c(4, 4);
    c.untextured();
    drawList(c.raster, quad(0, 0, 4, 4, 0xffff0000));
    EXPECT_EQ(c.pixel(1, 1), 0xffff0000u);
    c.rs(D3DRENDERSTATE_TEXTUREFACTOR, 0xff00ff00);
    c.tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    c.tss(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffff0000));
    EXPECT_EQ(c.pixel(1, 1), 0xff00ff00u);
    c.tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffff0000));
    EXPECT_EQ(c.pixel(1, 1), 0xffffffffu) << "no texture bound reads white";
    const TestTexture t(PixelFormat::A8R8G8B8, 1, 1, {0xff0000ff});
    c.state().setTexture(0, &t.tex);
    const uint64_t version = c.state().version();
    EXPECT_FALSE(c.state().setRenderState(0, 5));
    EXPECT_EQ(c.state().version(), version);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffff0000));
    EXPECT_EQ(c.pixel(1, 1), 0xff0000ffu);
}
