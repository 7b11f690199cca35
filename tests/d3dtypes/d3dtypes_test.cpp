// Layout and value checks of the Direct3D 6 type headers against the public
// 32-bit Windows ABI: sizes, field offsets and a sample of constant values.
#define D3D_OVERLOADS
#include <d3dcaps.h>
#include <d3dtypes.h>

#include <gtest/gtest.h>

#include <cstddef>

// Sizes of the structures without pointers are their 32-bit Windows sizes.
static_assert(sizeof(D3DVALUE) == 4);
static_assert(sizeof(D3DCOLOR) == 4);
static_assert(sizeof(D3DVECTOR) == 12);
static_assert(sizeof(D3DCOLORVALUE) == 16);
static_assert(sizeof(D3DRECT) == 16);
static_assert(sizeof(D3DMATRIX) == 64);
static_assert(sizeof(D3DTLVERTEX) == 32);
static_assert(sizeof(D3DLVERTEX) == 32);
static_assert(sizeof(D3DVERTEX) == 32);
static_assert(sizeof(D3DVIEWPORT) == 44);
static_assert(sizeof(D3DVIEWPORT2) == 44);
static_assert(sizeof(D3DLIGHT2) == 80);
static_assert(sizeof(D3DMATERIAL) == 80);
static_assert(sizeof(D3DVERTEXBUFFERDESC) == 16);
static_assert(sizeof(D3DCLIPSTATUS) == 32);
static_assert(sizeof(D3DTRANSFORMCAPS) == 8);
static_assert(sizeof(D3DLIGHTINGCAPS) == 16);
static_assert(sizeof(D3DPRIMCAPS) == 56);
static_assert(sizeof(D3DDEVICEDESC) == 252);
static_assert(sizeof(D3DFINDDEVICERESULT) == 524);
static_assert(sizeof(D3DLIGHTTYPE) == 4, "enums are 32-bit as on Windows");

// Field offsets.
static_assert(offsetof(D3DTLVERTEX, sx) == 0);
static_assert(offsetof(D3DTLVERTEX, rhw) == 12);
static_assert(offsetof(D3DTLVERTEX, color) == 16);
static_assert(offsetof(D3DTLVERTEX, specular) == 20);
static_assert(offsetof(D3DTLVERTEX, tu) == 24);
static_assert(offsetof(D3DLVERTEX, dwReserved) == 12);
static_assert(offsetof(D3DLVERTEX, color) == 16);
static_assert(offsetof(D3DVERTEX, nx) == 12);
static_assert(offsetof(D3DVERTEX, tu) == 24);
static_assert(offsetof(D3DVIEWPORT2, dvClipX) == 20);
static_assert(offsetof(D3DVIEWPORT2, dvMinZ) == 36);
static_assert(offsetof(D3DLIGHT2, dcvColor) == 8);
static_assert(offsetof(D3DLIGHT2, dvPosition) == 24);
static_assert(offsetof(D3DLIGHT2, dvDirection) == 36);
static_assert(offsetof(D3DLIGHT2, dvRange) == 48);
static_assert(offsetof(D3DLIGHT2, dvPhi) == 72);
static_assert(offsetof(D3DLIGHT2, dwFlags) == 76);
static_assert(offsetof(D3DMATERIAL, diffuse) == 4);
static_assert(offsetof(D3DMATERIAL, ambient) == 20);
static_assert(offsetof(D3DMATERIAL, specular) == 36);
static_assert(offsetof(D3DMATERIAL, emissive) == 52);
static_assert(offsetof(D3DMATERIAL, power) == 68);
static_assert(offsetof(D3DMATERIAL, hTexture) == 72);
static_assert(offsetof(D3DMATERIAL, dwRampSize) == 76);
static_assert(offsetof(D3DMATRIX, _44) == 60);
static_assert(offsetof(D3DDEVICEDESC, dtcTransformCaps) == 16);
static_assert(offsetof(D3DDEVICEDESC, bClipping) == 24);
static_assert(offsetof(D3DDEVICEDESC, dlcLightingCaps) == 28);
static_assert(offsetof(D3DDEVICEDESC, dpcLineCaps) == 44);
static_assert(offsetof(D3DDEVICEDESC, dpcTriCaps) == 100);
static_assert(offsetof(D3DDEVICEDESC, dwDeviceRenderBitDepth) == 156);
static_assert(offsetof(D3DDEVICEDESC, dwMinTextureWidth) == 172);
static_assert(offsetof(D3DDEVICEDESC, dwMaxTextureRepeat) == 204);
static_assert(offsetof(D3DDEVICEDESC, dvGuardBandLeft) == 216);
static_assert(offsetof(D3DDEVICEDESC, dwStencilCaps) == 236);
static_assert(offsetof(D3DDEVICEDESC, dwTextureOpCaps) == 244);
static_assert(offsetof(D3DDEVICEDESC, wMaxTextureBlendStages) == 248);
static_assert(offsetof(D3DDEVICEDESC, wMaxSimultaneousTextures) == 250);
static_assert(offsetof(D3DFINDDEVICERESULT, ddHwDesc) == 20);
static_assert(offsetof(D3DFINDDEVICERESULT, ddSwDesc) == 272);

TEST(D3DTypesColour, PackingMacrosPutAlphaInTheTopByte) {
    const D3DCOLOR c = RGBA_MAKE(0x12, 0x34, 0x56, 0x78);
    EXPECT_EQ(c, 0x78123456u);
    EXPECT_EQ(RGBA_GETALPHA(c), 0x78u);
    EXPECT_EQ(RGBA_GETRED(c), 0x12u);
    EXPECT_EQ(RGBA_GETGREEN(c), 0x34u);
    EXPECT_EQ(RGBA_GETBLUE(c), 0x56u);
    EXPECT_EQ(RGB_MAKE(0xff, 0x80, 0x01), 0x00ff8001u);
    EXPECT_EQ(RGB_TORGBA(RGB_MAKE(1, 2, 3)), 0xff010203u);
    EXPECT_EQ(RGBA_TORGB(0xff010203u), 0x00010203u);
    EXPECT_EQ(RGBA_SETALPHA(0x11223344u, 0x80), 0x80223344u);
    EXPECT_EQ(static_cast<DWORD>(D3DRGB(1.0, 0.0, 1.0)), 0xffff00ffu);
}

TEST(D3DTypesValues, RenderStatesHaveTheirDirectX6Numbers) {
    EXPECT_EQ(D3DRENDERSTATE_ZENABLE, 7);
    EXPECT_EQ(D3DRENDERSTATE_ALPHABLENDENABLE, 27);
    EXPECT_EQ(D3DRENDERSTATE_FOGCOLOR, 34);
    EXPECT_EQ(D3DRENDERSTATE_FOGSTART, D3DRENDERSTATE_FOGTABLESTART);
    EXPECT_EQ(D3DRENDERSTATE_COLORKEYENABLE, 41);
    EXPECT_EQ(D3DRENDERSTATE_TEXTUREFACTOR, 60);
    EXPECT_EQ(D3DRENDERSTATE_STIPPLEPATTERN31, 95);
    EXPECT_EQ(D3DRENDERSTATE_STIPPLEPATTERN(31), D3DRENDERSTATE_STIPPLEPATTERN31);
    EXPECT_EQ(D3DRENDERSTATE_WRAP7, 135);
    EXPECT_EQ(D3DRENDERSTATE_COUNT_DX6, D3DRENDERSTATE_WRAP7 + 1);
}

TEST(D3DTypesValues, TextureStageValues) {
    EXPECT_EQ(D3DTSS_COLOROP, 1);
    EXPECT_EQ(D3DTSS_TEXCOORDINDEX, 11);
    EXPECT_EQ(D3DTSS_MAXANISOTROPY, 21);
    EXPECT_EQ(D3DTOP_MODULATE, 4);
    EXPECT_EQ(D3DTOP_DOTPRODUCT3, 24);
    EXPECT_EQ(D3DTA_TFACTOR, 3u);
    EXPECT_EQ(D3DTA_COMPLEMENT, 0x10u);
    EXPECT_EQ(D3DTA_ALPHAREPLICATE, 0x20u);
    EXPECT_EQ(D3DTFG_ANISOTROPIC, 5);
    EXPECT_EQ(D3DTFP_LINEAR, 3);
    EXPECT_EQ(D3DTADDRESS_BORDER, 4);
}

TEST(D3DTypesValues, FixedFunctionEnumerations) {
    EXPECT_EQ(D3DBLEND_BOTHINVSRCALPHA, 13);
    EXPECT_EQ(D3DCMP_ALWAYS, 8);
    EXPECT_EQ(D3DFOG_LINEAR, 3);
    EXPECT_EQ(D3DCULL_CCW, 3);
    EXPECT_EQ(D3DPT_TRIANGLEFAN, 6);
    EXPECT_EQ(D3DZB_USEW, 2);
    EXPECT_EQ(D3DSTENCILOP_DECR, 8);
    EXPECT_EQ(D3DLIGHTSTATE_COLORVERTEX, 8);
}

TEST(D3DTypesValues, VertexFormatsAndFlags) {
    EXPECT_EQ(D3DFVF_TLVERTEX, 0x1c4u);
    EXPECT_EQ(D3DFVF_LVERTEX, 0x1e2u);
    EXPECT_EQ(D3DFVF_VERTEX, 0x112u);
    EXPECT_EQ(D3DFVF_TEX8 >> D3DFVF_TEXCOUNT_SHIFT, 8u);
    EXPECT_EQ(D3DDP_DONOTLIGHT, 0x10u);
    EXPECT_EQ(D3DVOP_LIGHT, 0x400);
    EXPECT_EQ(D3DVBCAPS_WRITEONLY, 0x10000u);
    EXPECT_EQ(D3DSTATUS_CLIPUNIONALL, 0xfffu);
    EXPECT_EQ(D3DSTATUS_DEFAULT, 0x01fff000u);
}

TEST(D3DTypesValues, CapabilityBits) {
    EXPECT_EQ(D3DPRASTERCAPS_FOGTABLE, 0x100u);
    EXPECT_EQ(D3DPRASTERCAPS_WBUFFER, 0x40000u);
    EXPECT_EQ(D3DPBLENDCAPS_BOTHINVSRCALPHA, 0x1000u);
    EXPECT_EQ(D3DPTFILTERCAPS_MAGFLINEAR, 0x02000000u);
    EXPECT_EQ(D3DTEXOPCAPS_DOTPRODUCT3, 0x00800000u);
    EXPECT_EQ(D3DDEVCAPS_HWRASTERIZATION, 0x00080000u);
    EXPECT_EQ(D3DDD_MAXVERTEXCOUNT, 0x400u);
}

TEST(D3DTypesUnions, AliasNamesShareStorage) {
    D3DTLVERTEX v{};
    v.sx = 3.0f;
    v.dcColor = 0xff00ff00u;
    EXPECT_EQ(v.dvSX, 3.0f);
    EXPECT_EQ(v.color, 0xff00ff00u);
    D3DMATERIAL m{};
    m.dcvDiffuse.r = 0.5f;
    EXPECT_EQ(m.diffuse.dvR, 0.5f);
}

TEST(D3DTypesOverloads, VectorArithmetic) {
    const D3DVECTOR a(1.0f, 0.0f, 0.0f);
    const D3DVECTOR b(0.0f, 1.0f, 0.0f);
    const D3DVECTOR c = CrossProduct(a, b);
    EXPECT_EQ(c.z, 1.0f);
    EXPECT_EQ(DotProduct(a, b), 0.0f);
    const D3DVECTOR d = (a + b) * 2.0f;
    EXPECT_EQ(d.x, 2.0f);
    EXPECT_FLOAT_EQ(Magnitude(Normalize(d)), 1.0f);
}
