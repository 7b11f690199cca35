// RasterState: the stored render states, texture stage states and texture
// bindings, with the Direct3D 6 defaults and the legacy-state mapping of
// IDirect3DDevice3.
#include "rasterizer.h"

namespace platform::d3d::raster {
namespace {

inline DWORD floatBits(float f) {
    DWORD d;
    static_assert(sizeof(d) == sizeof(f));
    __builtin_memcpy(&d, &f, sizeof(d));
    return d;
}

}  // namespace

RasterState::RasterState() {
    render_[D3DRENDERSTATE_TEXTUREADDRESS] = D3DTADDRESS_WRAP;
    render_[D3DRENDERSTATE_TEXTUREADDRESSU] = D3DTADDRESS_WRAP;
    render_[D3DRENDERSTATE_TEXTUREADDRESSV] = D3DTADDRESS_WRAP;
    render_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
    render_[D3DRENDERSTATE_ZENABLE] = D3DZB_TRUE;
    render_[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    render_[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    render_[D3DRENDERSTATE_PLANEMASK] = 0xffffffff;
    render_[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    render_[D3DRENDERSTATE_LASTPIXEL] = TRUE;
    render_[D3DRENDERSTATE_TEXTUREMAG] = D3DFILTER_NEAREST;
    render_[D3DRENDERSTATE_TEXTUREMIN] = D3DFILTER_NEAREST;
    render_[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    render_[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    render_[D3DRENDERSTATE_TEXTUREMAPBLEND] = D3DTBLEND_MODULATE;
    render_[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    render_[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    render_[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    render_[D3DRENDERSTATE_SPECULARENABLE] = TRUE;
    render_[D3DRENDERSTATE_FOGTABLEMODE] = D3DFOG_NONE;
    render_[D3DRENDERSTATE_FOGTABLESTART] = floatBits(0.0f);
    render_[D3DRENDERSTATE_FOGTABLEEND] = floatBits(1.0f);
    render_[D3DRENDERSTATE_FOGTABLEDENSITY] = floatBits(1.0f);
    render_[D3DRENDERSTATE_STENCILFAIL] = D3DSTENCILOP_KEEP;
    render_[D3DRENDERSTATE_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    render_[D3DRENDERSTATE_STENCILPASS] = D3DSTENCILOP_KEEP;
    render_[D3DRENDERSTATE_STENCILFUNC] = D3DCMP_ALWAYS;
    render_[D3DRENDERSTATE_STENCILMASK] = 0xffffffff;
    render_[D3DRENDERSTATE_STENCILWRITEMASK] = 0xffffffff;
    render_[D3DRENDERSTATE_TEXTUREFACTOR] = 0xffffffff;

    for (DWORD s = 0; s < kMaxTextureStages; ++s) {
        auto& st = stages_[s];
        st[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        st[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        st[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        st[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        st[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        st[D3DTSS_TEXCOORDINDEX] = s;
        st[D3DTSS_ADDRESS] = D3DTADDRESS_WRAP;
        st[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        st[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        st[D3DTSS_MAGFILTER] = D3DTFG_POINT;
        st[D3DTSS_MINFILTER] = D3DTFN_POINT;
        st[D3DTSS_MIPFILTER] = D3DTFP_NONE;
        st[D3DTSS_MAXANISOTROPY] = 1;
    }
    clip_ = RECT{0, 0, 0x7fffffff, 0x7fffffff};
}

bool RasterState::setRenderState(DWORD state, DWORD value) {
    if (!isValidRenderState(state))
        return false;
    render_[state] = value;
    mapLegacyState(state, value);
    ++version_;
    return true;
}

DWORD RasterState::renderState(DWORD state) const {
    return state < kRenderStates ? render_[state] : 0;
}

void RasterState::setStage(DWORD stage, DWORD type, DWORD value) {
    stages_[stage][type] = value;
    if (type == D3DTSS_ADDRESS) {
        stages_[stage][D3DTSS_ADDRESSU] = value;
        stages_[stage][D3DTSS_ADDRESSV] = value;
    }
}

bool RasterState::setTextureStageState(DWORD stage, DWORD type, DWORD value) {
    if (stage >= kMaxTextureStages || type == 0 || type >= kStageStateCount)
        return false;
    setStage(stage, type, value);
    if (stage == 0 && (type == D3DTSS_ALPHAOP || type == D3DTSS_ALPHAARG1 ||
                       type == D3DTSS_ALPHAARG2))
        legacyModulate_ = false;
    ++version_;
    return true;
}

DWORD RasterState::textureStageState(DWORD stage, DWORD type) const {
    if (stage >= kMaxTextureStages || type >= kStageStateCount)
        return 0;
    return stages_[stage][type];
}

bool RasterState::setTexture(DWORD stage, const Texture* texture) {
    if (stage >= kMaxTextureStages)
        return false;
    textures_[stage] = texture;
    ++version_;
    return true;
}

const Texture* RasterState::texture(DWORD stage) const {
    return stage < kMaxTextureStages ? textures_[stage] : nullptr;
}

void RasterState::setClipRect(const RECT& rect) {
    clip_ = rect;
    ++version_;
}

void RasterState::setFogSource(FogSource source) {
    fogSource_ = source;
    ++version_;
}

// The pre-DX6 texture states drive stage 0, as IDirect3DDevice3 maps them.
void RasterState::mapLegacyState(DWORD state, DWORD value) {
    switch (state) {
        case D3DRENDERSTATE_TEXTUREMAG:
            setStage(0, D3DTSS_MAGFILTER,
                     value == D3DFILTER_NEAREST ? D3DTFG_POINT : D3DTFG_LINEAR);
            break;
        case D3DRENDERSTATE_TEXTUREMIN: {
            DWORD minF = D3DTFN_POINT, mipF = D3DTFP_NONE;
            switch (value) {
                case D3DFILTER_LINEAR:
                    minF = D3DTFN_LINEAR;
                    break;
                case D3DFILTER_MIPNEAREST:
                    mipF = D3DTFP_POINT;
                    break;
                case D3DFILTER_MIPLINEAR:
                    minF = D3DTFN_LINEAR;
                    mipF = D3DTFP_POINT;
                    break;
                case D3DFILTER_LINEARMIPNEAREST:
                    mipF = D3DTFP_LINEAR;
                    break;
                case D3DFILTER_LINEARMIPLINEAR:
                    minF = D3DTFN_LINEAR;
                    mipF = D3DTFP_LINEAR;
                    break;
                default:
                    break;
            }
            setStage(0, D3DTSS_MINFILTER, minF);
            setStage(0, D3DTSS_MIPFILTER, mipF);
            break;
        }
        case D3DRENDERSTATE_TEXTUREADDRESS:
            setStage(0, D3DTSS_ADDRESS, value);
            break;
        case D3DRENDERSTATE_TEXTUREADDRESSU:
            setStage(0, D3DTSS_ADDRESSU, value);
            break;
        case D3DRENDERSTATE_TEXTUREADDRESSV:
            setStage(0, D3DTSS_ADDRESSV, value);
            break;
        case D3DRENDERSTATE_BORDERCOLOR:
            setStage(0, D3DTSS_BORDERCOLOR, value);
            break;
        case D3DRENDERSTATE_MIPMAPLODBIAS:
            setStage(0, D3DTSS_MIPMAPLODBIAS, value);
            break;
        case D3DRENDERSTATE_WRAPU:
        case D3DRENDERSTATE_WRAPV: {
            const DWORD bit = state == D3DRENDERSTATE_WRAPU ? D3DWRAP_U : D3DWRAP_V;
            DWORD& wrap0 = render_[D3DRENDERSTATE_WRAP0];
            wrap0 = value ? (wrap0 | bit) : (wrap0 & ~bit);
            break;
        }
        case D3DRENDERSTATE_TEXTUREMAPBLEND: {
            // Colour op, alpha op; arguments texture (1) and diffuse (2).
            DWORD colorOp = D3DTOP_MODULATE, alphaOp = D3DTOP_MODULATE;
            switch (value) {
                case D3DTBLEND_DECAL:
                case D3DTBLEND_COPY:
                    colorOp = D3DTOP_SELECTARG1;
                    alphaOp = D3DTOP_SELECTARG1;
                    break;
                case D3DTBLEND_DECALALPHA:
                    colorOp = D3DTOP_BLENDTEXTUREALPHA;
                    alphaOp = D3DTOP_SELECTARG2;
                    break;
                case D3DTBLEND_ADD:
                    colorOp = D3DTOP_ADD;
                    alphaOp = D3DTOP_SELECTARG2;
                    break;
                case D3DTBLEND_DECALMASK:
                    colorOp = D3DTOP_SELECTARG1;
                    alphaOp = D3DTOP_SELECTARG2;
                    break;
                case D3DTBLEND_MODULATEMASK:
                    colorOp = D3DTOP_MODULATE;
                    alphaOp = D3DTOP_SELECTARG2;
                    break;
                case D3DTBLEND_MODULATE:
                    // The texture's alpha replaces the vertex alpha when the
                    // texture has one; the pipeline picks the diffuse alpha
                    // for a texture without.
                    alphaOp = D3DTOP_SELECTARG1;
                    break;
                default:
                    break;  // MODULATEALPHA
            }
            legacyModulate_ = value == D3DTBLEND_MODULATE;
            setStage(0, D3DTSS_COLOROP, colorOp);
            setStage(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            setStage(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            setStage(0, D3DTSS_ALPHAOP, alphaOp);
            setStage(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            setStage(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
            break;
        }
        default:
            break;
    }
}

}  // namespace platform::d3d::raster
