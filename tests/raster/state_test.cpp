// RasterState: Direct3D 6 defaults, validation of state numbers, legacy
// state mapping and change tracking.
#include "raster_test_util.h"

using namespace rt;

TEST(RasterStateDefaults, MatchDirect3D6) {
    RasterState s;
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_CULLMODE), DWORD{D3DCULL_CCW});
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_ZFUNC), DWORD{D3DCMP_LESSEQUAL});
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_SRCBLEND), DWORD{D3DBLEND_ONE});
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_DESTBLEND), DWORD{D3DBLEND_ZERO});
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_SHADEMODE), DWORD{D3DSHADE_GOURAUD});
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE), DWORD{TRUE});
    EXPECT_EQ(s.renderState(D3DRENDERSTATE_FOGTABLEEND), floatBits(1.0f));
    EXPECT_EQ(s.textureStageState(0, D3DTSS_COLOROP), DWORD{D3DTOP_MODULATE});
    EXPECT_EQ(s.textureStageState(0, D3DTSS_ALPHAOP), DWORD{D3DTOP_SELECTARG1});
    EXPECT_EQ(s.textureStageState(1, D3DTSS_COLOROP), DWORD{D3DTOP_DISABLE});
    EXPECT_EQ(s.textureStageState(3, D3DTSS_TEXCOORDINDEX), 3u);
    EXPECT_EQ(s.texture(0), nullptr);
}

TEST(RasterStateNumbers, EveryDx6StateIsStoredAndOthersRefused) {
    RasterState s;
    for (DWORD i = 1; i <= D3DRENDERSTATE_WRAP7; ++i) {
        ASSERT_TRUE(s.setRenderState(i, 1000 + i)) << i;
    }
    for (DWORD i = 1; i <= D3DRENDERSTATE_WRAP7; ++i) {
        // Legacy states also write stage 0 but keep their own slot.
        EXPECT_EQ(s.renderState(i), 1000 + i) << i;
    }
    EXPECT_FALSE(s.setRenderState(0, 1));
    EXPECT_FALSE(s.setRenderState(D3DRENDERSTATE_WRAP7 + 1, 1));
    EXPECT_FALSE(s.setTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD));
    EXPECT_FALSE(s.setTextureStageState(0, 0, 1));
    EXPECT_FALSE(s.setTextureStageState(0, D3DTSS_BUMPENVLOFFSET + 1, 1));
    EXPECT_FALSE(s.setTexture(8, nullptr));
}

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

TEST(RasterStateVersion, EveryChangeBumpsVersion) {
    RasterState s;
    uint64_t v = s.version();
    s.setRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    EXPECT_GT(s.version(), v);
    v = s.version();
    s.setTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    EXPECT_GT(s.version(), v);
    v = s.version();
    s.setTexture(0, nullptr);
    EXPECT_GT(s.version(), v);
    v = s.version();
    s.setRenderState(0, 5);  // refused: no change
    EXPECT_EQ(s.version(), v);
}

TEST(RasterStateVersion, StateChangeBetweenDrawsTakesEffect) {
    Canvas c(4, 4);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffff0000));
    EXPECT_EQ(c.pixel(1, 1), 0xffff0000u);
    c.state().setRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xff00ff00);
    c.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    c.state().setTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    drawList(c.raster, quad(0, 0, 4, 4, 0xffff0000));
    EXPECT_EQ(c.pixel(1, 1) & 0xffffff, 0x00ff00u);
}
