// Layout and values of the Direct3D 6 type headers against the public 32-bit
// Windows ABI: sizes, field offsets, macros and a sample of constants.
#define D3D_OVERLOADS
#include <d3dcaps.h>
#include <d3dtypes.h>

#include <gtest/gtest.h>

#include <cstddef>

// Structures without pointers have their 32-bit Windows sizes (which also
// pins D3DVALUE and D3DCOLOR at 4 bytes) and field offsets.
static_assert(sizeof(D3DVECTOR) == 12 && sizeof(D3DCOLORVALUE) == 16 && sizeof(D3DRECT) == 16);
static_assert(sizeof(D3DMATRIX) == 64 && sizeof(D3DCLIPSTATUS) == 32 &&
              sizeof(D3DVERTEXBUFFERDESC) == 16 && sizeof(D3DTRANSFORMCAPS) == 8);
static_assert(sizeof(D3DTLVERTEX) == 32 && sizeof(D3DLVERTEX) == 32 && sizeof(D3DVERTEX) == 32);
static_assert(sizeof(D3DVIEWPORT) == 44 && sizeof(D3DVIEWPORT2) == 44 && sizeof(D3DLIGHT2) == 80 &&
              sizeof(D3DMATERIAL) == 80);
static_assert(sizeof(D3DLIGHTINGCAPS) == 16 && sizeof(D3DPRIMCAPS) == 56 &&
              sizeof(D3DDEVICEDESC) == 252 && sizeof(D3DFINDDEVICERESULT) == 524);
static_assert(sizeof(D3DLIGHTTYPE) == 4, "enums are 32-bit as on Windows");
// Alias names share storage with the names they stand for.
static_assert(offsetof(D3DTLVERTEX, dvSX) == 0 && offsetof(D3DTLVERTEX, dcColor) == 16 &&
              offsetof(D3DMATERIAL, dcvDiffuse) == 4 && offsetof(D3DCOLORVALUE, dvR) == 0 &&
              offsetof(D3DCOLORVALUE, dvA) == 12);
static_assert(offsetof(D3DTLVERTEX, rhw) == 12 && offsetof(D3DTLVERTEX, color) == 16 &&
              offsetof(D3DTLVERTEX, specular) == 20 && offsetof(D3DTLVERTEX, tu) == 24);
static_assert(offsetof(D3DLVERTEX, dwReserved) == 12 && offsetof(D3DLVERTEX, color) == 16 &&
              offsetof(D3DVERTEX, nx) == 12 && offsetof(D3DVERTEX, tu) == 24);
static_assert(offsetof(D3DVIEWPORT2, dvClipX) == 20 && offsetof(D3DVIEWPORT2, dvMinZ) == 36);
static_assert(offsetof(D3DLIGHT2, dcvColor) == 8 && offsetof(D3DLIGHT2, dvPosition) == 24 &&
              offsetof(D3DLIGHT2, dvDirection) == 36 && offsetof(D3DLIGHT2, dvRange) == 48 &&
              offsetof(D3DLIGHT2, dvPhi) == 72 && offsetof(D3DLIGHT2, dwFlags) == 76);
static_assert(offsetof(D3DMATERIAL, diffuse) == 4 && offsetof(D3DMATERIAL, ambient) == 20 &&
              offsetof(D3DMATERIAL, specular) == 36 && offsetof(D3DMATERIAL, emissive) == 52 &&
              offsetof(D3DMATERIAL, power) == 68 && offsetof(D3DMATERIAL, hTexture) == 72 &&
              offsetof(D3DMATERIAL, dwRampSize) == 76);
using Desc = D3DDEVICEDESC;  // short for the offset checks
static_assert(offsetof(Desc, dtcTransformCaps) == 16 && offsetof(Desc, bClipping) == 24 &&
              offsetof(Desc, dlcLightingCaps) == 28 && offsetof(Desc, dpcLineCaps) == 44 &&
              offsetof(Desc, dpcTriCaps) == 100 && offsetof(Desc, dwDeviceRenderBitDepth) == 156 &&
              offsetof(Desc, dwMinTextureWidth) == 172 &&
              offsetof(Desc, dwMaxTextureRepeat) == 204 && offsetof(Desc, dvGuardBandLeft) == 216 &&
              offsetof(Desc, dwStencilCaps) == 236 && offsetof(Desc, dwTextureOpCaps) == 244 &&
              offsetof(Desc, wMaxTextureBlendStages) == 248 &&
              offsetof(Desc, wMaxSimultaneousTextures) == 250);
static_assert(offsetof(D3DFINDDEVICERESULT, ddHwDesc) == 20 &&
              offsetof(D3DFINDDEVICERESULT, ddSwDesc) == 272);

// Render states, vertex formats and vertex-buffer and status bits keep their
// DirectX 6 numbers.
static_assert(D3DRENDERSTATE_ZENABLE == 7 && D3DRENDERSTATE_ALPHABLENDENABLE == 27 &&
              D3DRENDERSTATE_FOGCOLOR == 34 &&
              D3DRENDERSTATE_FOGSTART == D3DRENDERSTATE_FOGTABLESTART &&
              D3DRENDERSTATE_COLORKEYENABLE == 41 && D3DRENDERSTATE_TEXTUREFACTOR == 60 &&
              D3DRENDERSTATE_STIPPLEPATTERN31 == 95 &&
              D3DRENDERSTATE_STIPPLEPATTERN(31) == D3DRENDERSTATE_STIPPLEPATTERN31 &&
              D3DRENDERSTATE_WRAP7 == 135 && D3DRENDERSTATE_COUNT_DX6 == D3DRENDERSTATE_WRAP7 + 1);
static_assert(D3DFVF_TLVERTEX == 0x1c4u && D3DFVF_LVERTEX == 0x1e2u && D3DFVF_VERTEX == 0x112u &&
              D3DFVF_TEX8 >> D3DFVF_TEXCOUNT_SHIFT == 8u && D3DDP_DONOTLIGHT == 0x10u &&
              D3DVOP_LIGHT == 0x400 && D3DVBCAPS_WRITEONLY == 0x10000u &&
              D3DSTATUS_CLIPUNIONALL == 0xfffu && D3DSTATUS_DEFAULT == 0x01fff000u);

// Packed colours are 0xAARRGGBB.
static_assert(RGBA_MAKE(0x12, 0x34, 0x56, 0x78) == 0x78123456u &&
              RGBA_GETALPHA(0x78123456u) == 0x78u && RGBA_GETRED(0x78123456u) == 0x12u &&
              RGBA_GETGREEN(0x78123456u) == 0x34u && RGBA_GETBLUE(0x78123456u) == 0x56u &&
              RGB_MAKE(0xff, 0x80, 0x01) == 0x00ff8001u &&
              RGB_TORGBA(RGB_MAKE(1, 2, 3)) == 0xff010203u &&
              RGBA_TORGB(0xff010203u) == 0x00010203u &&
              RGBA_SETALPHA(0x11223344u, 0x80) == 0x80223344u &&
              static_cast<DWORD>(D3DRGB(1.0, 0.0, 1.0)) == 0xffff00ffu);

TEST(D3DTypesOverloads, VectorArithmetic) {
    const D3DVECTOR a(1.0f, 0.0f, 0.0f), b(0.0f, 1.0f, 0.0f);
    EXPECT_EQ(CrossProduct(a, b).z, 1.0f);
    EXPECT_EQ(DotProduct(a, b), 0.0f);
    const D3DVECTOR d = (a + b) * 2.0f;
    EXPECT_EQ(d.x, 2.0f);
    EXPECT_FLOAT_EQ(Magnitude(Normalize(d)), 1.0f);
}
