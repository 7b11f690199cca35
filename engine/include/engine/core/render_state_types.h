// The engine's own numbering of the render, light and texture-stage states it
// changes most often. The render driver translates them to Direct3D numbers;
// the values are binding, as effects store them.
#pragma once

enum RenderStateType {
    RS_ANTIALIAS = 0,
    RS_ZENABLE = 1,
    RS_FILLMODE = 2,
    RS_SHADEMODE = 3,
    RS_ZWRITEENABLE = 4,
    RS_TEXTUREMAG = 5,
    RS_TEXTUREMIN = 6,
    RS_SRCBLEND = 7,
    RS_DESTBLEND = 8,
    RS_CULLMODE = 9,
    RS_ZFUNC = 10,
    RS_DITHERENABLE = 11,
    RS_ALPHABLENDENABLE = 12,
    RS_FOGENABLE = 13,
    RS_SPECULARENABLE = 14,
    RS_FOGCOLOR = 15,
    RS_FOGTABLEMODE = 16,
    RS_FOGSTART = 17,
    RS_FOGEND = 18,
    RS_FOGDENSITY = 19,
    RS_EDGEANTIALIAS = 20,
    RS_COLORKEYENABLE = 21,
    RS_RANGEFOGENABLE = 22,
    RS_ANISOTROPY = 23,
    RS_TEXTUREFACTOR = 24,
    RS_ALPHAREF = 25,
    RS_ALPHATESTENABLE = 26,
    RS_ALPHAFUNC = 27,
    RS_COUNT = 28
};

enum LightStateType {
    LS_MATERIAL = 0,
    LS_AMBIENT = 1,
    LS_COLORMODEL = 2,
    LS_FOGMODE = 3,
    LS_FOGSTART = 4,
    LS_FOGEND = 5,
    LS_FOGDENSITY = 6,
    LS_COLORVERTEX = 7,
    LS_COUNT = 8
};

enum TextureStageStateType {
    TSS_COLOROP = 0,
    TSS_COLORARG1 = 1,
    TSS_COLORARG2 = 2,
    TSS_ALPHAOP = 3,
    TSS_ALPHAARG1 = 4,
    TSS_ALPHAARG2 = 5,
    TSS_TEXCOORDINDEX = 6,
    TSS_ADDRESSU = 7,
    TSS_ADDRESSV = 8,
    TSS_MAGFILTER = 9,
    TSS_MINFILTER = 10,
    TSS_MIPFILTER = 11,
    TSS_MIPMAPLODBIAS = 12,
    TSS_MAXMIPLEVEL = 13,
    TSS_MAXANISOTROPY = 14,
    TSS_COUNT = 15
};
