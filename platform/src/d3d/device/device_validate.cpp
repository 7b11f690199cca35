// ValidateDevice: whether the current states fit the capabilities the
// display profile gives this device, answered with the DirectX 6 codes.
#include "d3d/device/device.h"

#include "core/call_log.h"
#include "d3d/device/caps.h"
#include "d3d/device/texture.h"
#include "ddraw/surface.h"

namespace platform::d3d::device {
namespace {

bool argValid(DWORD arg) {
    return (arg & D3DTA_SELECTMASK) <= D3DTA_SPECULAR &&
           (arg & ~(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) == 0;
}

bool usesArg1(DWORD op) { return op != D3DTOP_SELECTARG2; }
bool usesArg2(DWORD op) { return op != D3DTOP_SELECTARG1; }

bool opSupported(DWORD op, DWORD caps) {
    return op >= D3DTOP_DISABLE && op <= D3DTOP_DOTPRODUCT3 && (caps & (1u << (op - 1)));
}

DWORD blendCap(DWORD blend) { return blend >= 1 && blend <= 13 ? 1u << (blend - 1) : 0u; }

DWORD magFilterCap(DWORD f) {
    switch (f) {
    case D3DTFG_POINT: return D3DPTFILTERCAPS_MAGFPOINT;
    case D3DTFG_LINEAR: return D3DPTFILTERCAPS_MAGFLINEAR;
    case D3DTFG_ANISOTROPIC: return D3DPTFILTERCAPS_MAGFANISOTROPIC;
    default: return 0;
    }
}

DWORD minFilterCap(DWORD f) {
    switch (f) {
    case D3DTFN_POINT: return D3DPTFILTERCAPS_MINFPOINT;
    case D3DTFN_LINEAR: return D3DPTFILTERCAPS_MINFLINEAR;
    case D3DTFN_ANISOTROPIC: return D3DPTFILTERCAPS_MINFANISOTROPIC;
    default: return 0;
    }
}

}  // namespace

HRESULT Device::validateStages() const {
    const display::DeviceCaps& caps = profile_.caps;
    const raster::RasterState& st = raster_.state();
    DWORD stages = 0, textures = 0;
    for (DWORD stage = 0; stage < raster::kMaxTextureStages; ++stage) {
        const DWORD colorOp = st.textureStageState(stage, D3DTSS_COLOROP);
        if (colorOp == D3DTOP_DISABLE)
            break;
        ++stages;
        if (stages > caps.maxTextureBlendStages)
            return D3DERR_TOOMANYOPERATIONS;
        const DWORD alphaOp = st.textureStageState(stage, D3DTSS_ALPHAOP);
        const DWORD c1 = st.textureStageState(stage, D3DTSS_COLORARG1);
        const DWORD c2 = st.textureStageState(stage, D3DTSS_COLORARG2);
        const DWORD a1 = st.textureStageState(stage, D3DTSS_ALPHAARG1);
        const DWORD a2 = st.textureStageState(stage, D3DTSS_ALPHAARG2);
        if (!opSupported(colorOp, caps.textureOpCaps))
            return D3DERR_UNSUPPORTEDCOLOROPERATION;
        if ((usesArg1(colorOp) && !argValid(c1)) || (usesArg2(colorOp) && !argValid(c2)))
            return D3DERR_UNSUPPORTEDCOLORARG;
        if (!opSupported(alphaOp, caps.textureOpCaps))
            return D3DERR_UNSUPPORTEDALPHAOPERATION;
        if (alphaOp != D3DTOP_DISABLE &&
            ((usesArg1(alphaOp) && !argValid(a1)) || (usesArg2(alphaOp) && !argValid(a2))))
            return D3DERR_UNSUPPORTEDALPHAARG;
        const bool readsTexture =
            (usesArg1(colorOp) && (c1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
            (usesArg2(colorOp) && (c2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
            (alphaOp != D3DTOP_DISABLE &&
             ((usesArg1(alphaOp) && (a1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
              (usesArg2(alphaOp) && (a2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE)));
        const Texture* texture = textures_[stage];
        if (!readsTexture || !texture)
            continue;
        if (++textures > caps.maxSimultaneousTextures)
            return D3DERR_TOOMANYOPERATIONS;
        bool offered = false;
        for (const display::FormatDesc& f : profile_.textureFormats)
            offered = offered || sameFormat(texture->surface().format(), f);
        // Luminance, bump, alpha-only and YUV textures are offered but the
        // rasteriser cannot sample them: they would read as white.
        if (!offered || !texture->rasterizable())
            return D3DERR_WRONGTEXTUREFORMAT;
        const DWORD mag = st.textureStageState(stage, D3DTSS_MAGFILTER);
        const DWORD min = st.textureStageState(stage, D3DTSS_MINFILTER);
        const DWORD mip = st.textureStageState(stage, D3DTSS_MIPFILTER);
        const DWORD fc = caps.textureFilterCaps;
        if (!(fc & magFilterCap(mag)) || !(fc & minFilterCap(min)))
            return D3DERR_UNSUPPORTEDTEXTUREFILTER;
        if ((mip == D3DTFP_POINT && !(fc & D3DPTFILTERCAPS_MIPFPOINT)) ||
            (mip == D3DTFP_LINEAR && !(fc & D3DPTFILTERCAPS_MIPFLINEAR)))
            return D3DERR_UNSUPPORTEDTEXTUREFILTER;
        // Blending between mip levels needs a filtered minification.
        if (mip == D3DTFP_LINEAR && min == D3DTFN_POINT)
            return D3DERR_CONFLICTINGTEXTUREFILTER;
    }
    if (st.renderState(D3DRENDERSTATE_ALPHABLENDENABLE)) {
        if (!(caps.srcBlendCaps & blendCap(st.renderState(D3DRENDERSTATE_SRCBLEND))) ||
            !(caps.destBlendCaps & blendCap(st.renderState(D3DRENDERSTATE_DESTBLEND))))
            return D3DERR_UNSUPPORTEDFACTORVALUE;
    }
    return D3D_OK;
}

HRESULT Device::ValidateDevice(LPDWORD passes) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::ValidateDevice", (ULONG_PTR)passes);
    if (!passes)
        return DDERR_INVALIDPARAMS;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    if (target_->isLostNow())
        return DDERR_SURFACELOST;
    const HRESULT hr = validateStages();
    if (FAILED(hr))
        return hr;
    *passes = 1;
    return D3D_OK;
}

}  // namespace platform::d3d::device
