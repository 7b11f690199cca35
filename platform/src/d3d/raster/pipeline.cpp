// The state-to-pipeline step: turns the render states, texture stage states
// and texture bindings into the list of fragment stages a draw runs and the
// constants they read. Runs only when RasterState::version() or a surface
// format changed.
//
// Notes on states:
//   - ZENABLE D3DZB_USEW is treated as D3DZB_TRUE (z-buffering).
//   - Stencil, dithering, antialiasing, stippling, ZBIAS, WRAP0..7 (cylindrical
//     wrapping) and anisotropy are stored but have no effect; anisotropic and
//     cubic filters act as linear.
#include "pixel_format.h"
#include "stages.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d::raster {
namespace {

float bitsToFloat(DWORD d) {
    float f;
    std::memcpy(&f, &d, sizeof(f));
    return f;
}

bool validOp(DWORD op) {
    return op >= D3DTOP_SELECTARG1 && op <= D3DTOP_DOTPRODUCT3 && op != D3DTOP_BUMPENVMAP &&
           op != D3DTOP_BUMPENVMAPLUMINANCE;
}

bool usesArg1(DWORD op) {
    return op != D3DTOP_SELECTARG2;
}
bool usesArg2(DWORD op) {
    return op != D3DTOP_SELECTARG1 && op != D3DTOP_PREMODULATE;
}

bool argIs(DWORD arg, DWORD source) {
    return (arg & D3DTA_SELECTMASK) == source;
}

bool opReads(DWORD op, DWORD arg1, DWORD arg2, DWORD source) {
    return (usesArg1(op) && argIs(arg1, source)) || (usesArg2(op) && argIs(arg2, source));
}

bool usableTexture(const Texture* t) {
    if (t == nullptr || bytesPerPixel(t->format) == 0 || t->levels.empty())
        return false;
    for (const TextureLevel& l : t->levels) {
        // Byte offsets inside a level must fit 32 bits.
        if (l.pixels == nullptr || l.width == 0 || l.height == 0 || l.width > kMaxTextureSize ||
            l.height > kMaxTextureSize || l.pitch > 4 * static_cast<LONG>(kMaxTextureSize) ||
            l.pitch < -4 * static_cast<LONG>(kMaxTextureSize)) {
            return false;
        }
    }
    return true;
}

void compileSampler(const RasterState& st, DWORD stage, const Texture* t, Sampler& s) {
    s = Sampler{};
    if (!usableTexture(t)) {
        s.fn = sampleWhite;
        return;
    }
    s.format = t->format;
    s.levelCount = static_cast<int>(t->levels.size() < kMaxLevels ? t->levels.size() : kMaxLevels);
    for (int i = 0; i < s.levelCount; ++i) {
        const TextureLevel& tl = t->levels[i];
        LevelInfo& l = s.levels[i];
        l.pixels = tl.pixels;
        l.pitch = tl.pitch;
        l.width = static_cast<int>(tl.width);
        l.height = static_cast<int>(tl.height);
        l.fwidth = static_cast<float>(tl.width);
        l.fheight = static_cast<float>(tl.height);
        l.wmask = (tl.width & (tl.width - 1)) == 0 ? l.width - 1 : -1;
        l.hmask = (tl.height & (tl.height - 1)) == 0 ? l.height - 1 : -1;
    }
    const DWORD maxLevel = st.textureStageState(stage, D3DTSS_MAXMIPLEVEL);
    s.baseLevel =
        static_cast<int>(maxLevel < DWORD(s.levelCount - 1) ? maxLevel : s.levelCount - 1);
    s.magLinear = st.textureStageState(stage, D3DTSS_MAGFILTER) != D3DTFG_POINT;
    s.minLinear = st.textureStageState(stage, D3DTSS_MINFILTER) != D3DTFN_POINT;
    switch (st.textureStageState(stage, D3DTSS_MIPFILTER)) {
        case D3DTFP_POINT:
            s.mip = 1;
            break;
        case D3DTFP_LINEAR:
            s.mip = 2;
            break;
        default:
            s.mip = 0;
            break;
    }
    if (s.levelCount - s.baseLevel <= 1)
        s.mip = 0;
    s.needLod = s.mip != 0 || s.magLinear != s.minLinear;
    s.addressU = st.textureStageState(stage, D3DTSS_ADDRESSU);
    s.addressV = st.textureStageState(stage, D3DTSS_ADDRESSV);
    const D3DCOLOR border = st.textureStageState(stage, D3DTSS_BORDERCOLOR);
    s.border[0] = static_cast<int32_t>(RGBA_GETRED(border));
    s.border[1] = static_cast<int32_t>(RGBA_GETGREEN(border));
    s.border[2] = static_cast<int32_t>(RGBA_GETBLUE(border));
    s.border[3] = static_cast<int32_t>(RGBA_GETALPHA(border));
    const float bias = bitsToFloat(st.textureStageState(stage, D3DTSS_MIPMAPLODBIAS));
    s.lodBias = (bias > -64.0f && bias < 64.0f) ? bias : 0.0f;
    s.colorKey = st.renderState(D3DRENDERSTATE_COLORKEYENABLE) != 0 && t->colorKeyEnabled;
    s.keyMask = colorKeyMask(t->format);
    s.keyValue = t->colorKey & s.keyMask;
    s.fn = chooseSampler(s);
}

void addStep(Pipeline& p, StageFn fn, int unit = 0) {
    if (fn != nullptr && p.stepCount < kMaxSteps)
        p.steps[p.stepCount++] = Step{fn, unit};
}

// Compiles the texture cascade into p.units; returns whether any unit samples
// a colour-keyed texture.
bool compileUnits(const RasterState& st, Pipeline& p) {
    bool colorKey = false;
    bool premodulate = false;
    p.unitCount = 0;
    for (DWORD s = 0; s < kMaxTextureStages; ++s) {
        const DWORD colorOp = st.textureStageState(s, D3DTSS_COLOROP);
        if (!validOp(colorOp))
            break;
        TextureUnit& u = p.units[p.unitCount];
        u = TextureUnit{};
        u.colorOp = colorOp;
        u.colorArg1 = st.textureStageState(s, D3DTSS_COLORARG1);
        u.colorArg2 = st.textureStageState(s, D3DTSS_COLORARG2);
        const DWORD alphaOp = st.textureStageState(s, D3DTSS_ALPHAOP);
        u.alphaOp = validOp(alphaOp) ? alphaOp : DWORD{D3DTOP_DISABLE};
        if (s == 0 && st.legacyModulate()) {
            const Texture* t = st.texture(0);
            if (!usableTexture(t) || !hasAlpha(t->format))
                u.alphaOp = D3DTOP_SELECTARG2;
        }
        u.alphaArg1 = st.textureStageState(s, D3DTSS_ALPHAARG1);
        u.alphaArg2 = st.textureStageState(s, D3DTSS_ALPHAARG2);
        u.premodulate = premodulate;
        premodulate = colorOp == D3DTOP_PREMODULATE;
        const bool alphaOn = u.alphaOp != D3DTOP_DISABLE && colorOp != D3DTOP_DOTPRODUCT3;
        u.sample = u.premodulate || colorOp == D3DTOP_BLENDTEXTUREALPHA ||
                   colorOp == D3DTOP_BLENDTEXTUREALPHAPM ||
                   opReads(colorOp, u.colorArg1, u.colorArg2, D3DTA_TEXTURE) ||
                   (alphaOn && (u.alphaOp == D3DTOP_BLENDTEXTUREALPHA ||
                                u.alphaOp == D3DTOP_BLENDTEXTUREALPHAPM ||
                                opReads(u.alphaOp, u.alphaArg1, u.alphaArg2, D3DTA_TEXTURE)));
        if (opReads(colorOp, u.colorArg1, u.colorArg2, D3DTA_SPECULAR) ||
            (alphaOn && opReads(u.alphaOp, u.alphaArg1, u.alphaArg2, D3DTA_SPECULAR))) {
            p.needSpecular = true;
            p.needFog = true;
        }
        const DWORD index = st.textureStageState(s, D3DTSS_TEXCOORDINDEX) & 0xffff;
        u.texSet = static_cast<int>(index < kMaxTexCoordSets ? index : 0);
        u.texture = st.texture(s);
        if (u.sample) {
            compileSampler(st, s, u.texture, u.sampler);
            if (u.sampler.levelCount > 0)
                p.texSetMask |= 1u << u.texSet;
            colorKey = colorKey || u.sampler.colorKey;
        }
        ++p.unitCount;
    }
    return colorKey;
}

}  // namespace

void setFactor(const Pipeline& p, Fragments& f) {
    for (int c = 0; c < 4; ++c) {
        const auto v = static_cast<int32_t>((p.textureFactor >> (c == 3 ? 24 : 16 - 8 * c)) & 0xff);
        std::fill_n(f.factor[c], kSpan, v);
    }
}

namespace {

void finishPipeline(const RasterState& st, PixelFormat target, DepthFormat depth, Pipeline& p) {
    p.stateVersion = st.version();
    p.targetFormat = target;
    p.depthFormat = depth;
}

}  // namespace

void compilePipeline(const RasterState& st, PixelFormat target, DepthFormat depth, Pipeline& p) {
    auto rs = [&](DWORD s) { return st.renderState(s); };
    p.interpolateFn = chooseInterpolate();
    p.needZ = false;
    p.needDiffuse = true;
    p.needSpecular = false;
    p.needFog = false;
    p.texSetMask = 0;
    p.stepCount = 0;
    p.perspective = rs(D3DRENDERSTATE_TEXTUREPERSPECTIVE) != 0;
    p.flat = rs(D3DRENDERSTATE_SHADEMODE) == D3DSHADE_FLAT;
    p.cullMode = rs(D3DRENDERSTATE_CULLMODE);
    p.fillMode = rs(D3DRENDERSTATE_FILLMODE);
    p.lastPixel = rs(D3DRENDERSTATE_LASTPIXEL) != 0;
    p.textureFactor = rs(D3DRENDERSTATE_TEXTUREFACTOR);

    const bool colorKey = compileUnits(st, p);

    const bool alphaTest =
        rs(D3DRENDERSTATE_ALPHATESTENABLE) != 0 && rs(D3DRENDERSTATE_ALPHAFUNC) != D3DCMP_ALWAYS;
    p.alphaRef = static_cast<int32_t>(rs(D3DRENDERSTATE_ALPHAREF) & 0xff);
    p.alphaFunc = rs(D3DRENDERSTATE_ALPHAFUNC);
    const bool canDiscard = colorKey || alphaTest;

    p.depthTest = rs(D3DRENDERSTATE_ZENABLE) != D3DZB_FALSE && depth != DepthFormat::None;
    p.depthWrite = p.depthTest && rs(D3DRENDERSTATE_ZWRITEENABLE) != 0;
    p.zFunc = rs(D3DRENDERSTATE_ZFUNC);
    p.depthFirst = false;
    if (p.depthTest) {
        p.needZ = true;
        addStep(p, chooseDepthTest(depth, p.zFunc, p.depthWrite && !canDiscard));
        p.depthFirst = p.stepCount == 1;
    }

    p.srcBlend = rs(D3DRENDERSTATE_SRCBLEND);
    p.destBlend = rs(D3DRENDERSTATE_DESTBLEND);
    const bool blendOn = rs(D3DRENDERSTATE_ALPHABLENDENABLE) != 0;
    // Source times zero plus destination leaves the target as it is (the
    // mirrors' depth fills draw so): only depth is drawn, unless a colour key
    // or the alpha test picks the pixels that write it.
    if (blendOn && p.srcBlend == D3DBLEND_ZERO && p.destBlend == D3DBLEND_ONE && !canDiscard) {
        p.needDiffuse = false;
        p.needSpecular = false;
        p.needFog = false;
        p.texSetMask = 0;
        p.tableFog = false;
        finishPipeline(st, target, depth, p);
        return;
    }

    for (int i = 0; i < p.unitCount; ++i) {
        if (p.units[i].sample)
            addStep(p, stageSample, i);
        addStep(p, chooseCombine(p.units[i]), i);
    }
    if (p.unitCount == 0)
        addStep(p, stageDiffuseOnly);
    if (colorKey)
        addStep(p, stageColorKey);

    if (rs(D3DRENDERSTATE_SPECULARENABLE) != 0) {
        p.needSpecular = true;
        addStep(p, stageSpecular);
    }

    p.tableFog = false;
    if (rs(D3DRENDERSTATE_FOGENABLE) != 0) {
        const D3DCOLOR fc = rs(D3DRENDERSTATE_FOGCOLOR);
        p.fogColor[0] = static_cast<int32_t>(RGBA_GETRED(fc));
        p.fogColor[1] = static_cast<int32_t>(RGBA_GETGREEN(fc));
        p.fogColor[2] = static_cast<int32_t>(RGBA_GETBLUE(fc));
        p.fogMode = rs(D3DRENDERSTATE_FOGTABLEMODE);
        if (p.fogMode == D3DFOG_EXP || p.fogMode == D3DFOG_EXP2 || p.fogMode == D3DFOG_LINEAR) {
            p.tableFog = true;
            p.fogSource = st.fogSource();
            p.fogStart = bitsToFloat(rs(D3DRENDERSTATE_FOGTABLESTART));
            p.fogEnd = bitsToFloat(rs(D3DRENDERSTATE_FOGTABLEEND));
            p.fogDensity = bitsToFloat(rs(D3DRENDERSTATE_FOGTABLEDENSITY));
            if (p.fogSource == FogSource::Z)
                p.needZ = true;
            addStep(p, stageTableFog);
        } else {
            p.needFog = true;
            addStep(p, stageVertexFog);
        }
    }

    if (alphaTest)
        addStep(p, stageAlphaTest);
    if (p.depthWrite && canDiscard)
        addStep(p, chooseDepthWrite(depth));

    const bool blendIsCopy = p.srcBlend == D3DBLEND_ONE && p.destBlend == D3DBLEND_ZERO;
    const StageFn blendWrite =
        blendOn && !blendIsCopy
            ? chooseSimdBlendWrite(target, commonBlend(p.srcBlend, p.destBlend))
            : nullptr;
    if (blendWrite) {
        addStep(p, blendWrite);
    } else {
        if (blendOn && !blendIsCopy)
            addStep(p, chooseBlend(target, p.srcBlend, p.destBlend));
        addStep(p, chooseWrite(target));
    }
    finishPipeline(st, target, depth, p);
}

}  // namespace platform::d3d::raster
