// The fragment stages, one file each, and the choosers that pick a stage
// specialised for the formats and functions of the current state.
#pragma once

#include "fragment.h"

namespace platform::d3d::raster {

// pipeline.cpp: fills Fragments::factor from the pipeline's TEXTUREFACTOR.
void setFactor(const Pipeline& p, Fragments& f);

// interpolate.cpp: fills the span's attributes from the primitive's planes.
void interpolate(const Pipeline& p, const Setup& s, Fragments& f, Planes planes);
// interpolate_simd.cpp: the same on SIMD lanes, or interpolate when SIMD is
// off.
InterpolateFn chooseInterpolate();

// stage_texture.cpp: samples a unit's texture into Fragments::texel.
bool stageSample(const Pipeline& p, int unit, Fragments& f);
// Chooses the sampling loop for a sampler of a bound texture (or the
// opaque-white one when the texture is missing or unusable).
SampleFn chooseSampler(const Sampler& s);
void sampleWhite(const Sampler& s, int set, Fragments& f);
// stage_texture_simd.cpp: the bilinear wrap (power-of-two sizes) or clamp
// fast path on SIMD lanes; null when SIMD is off (setRasterSimd,
// D3DDRIVER_RASTER_SIMD=0).
SampleFn chooseSimdLinear(PixelFormat format, bool clamp);
// Whether pipelines compiled now take the SIMD loops (setRasterSimd).
bool rasterSimdOn();

// stage_combine.cpp: the D3DTOP cascade of one texture stage into current.
bool stageCombine(const Pipeline& p, int unit, Fragments& f);
// stage_combine_simd.cpp: the cascade step for a unit, on SIMD lanes unless
// SIMD is off or the unit has a DOTPRODUCT3 (then stageCombine).
StageFn chooseCombine(const TextureUnit& unit);
// Used when stage 0 is disabled: current = diffuse.
bool stageDiffuseOnly(const Pipeline& p, int unit, Fragments& f);

// stage_colorkey.cpp: discards fragments that sampled a colour-keyed texel.
bool stageColorKey(const Pipeline& p, int unit, Fragments& f);

// stage_specular.cpp: current.rgb += specular.rgb (saturating).
bool stageSpecular(const Pipeline& p, int unit, Fragments& f);

// stage_fog.cpp: blends current.rgb towards the fog colour.
bool stageVertexFog(const Pipeline& p, int unit, Fragments& f);
bool stageTableFog(const Pipeline& p, int unit, Fragments& f);
// Table fog factor (1 = no fog) for a distance d.
float tableFogFactor(DWORD mode, float start, float end, float density, float d);

// stage_alpha_test.cpp
bool stageAlphaTest(const Pipeline& p, int unit, Fragments& f);
// A D3DCMP function of value against reference; with func a constant the
// switch folds away (the depth tests' templates).
inline bool compare(DWORD func, uint32_t value, uint32_t reference) {
    switch (func) {
        case D3DCMP_NEVER:
            return false;
        case D3DCMP_LESS:
            return value < reference;
        case D3DCMP_EQUAL:
            return value == reference;
        case D3DCMP_LESSEQUAL:
            return value <= reference;
        case D3DCMP_GREATER:
            return value > reference;
        case D3DCMP_NOTEQUAL:
            return value != reference;
        case D3DCMP_GREATEREQUAL:
            return value >= reference;
        default:
            return true;
    }
}

// stage_depth.cpp: the test (optionally writing at once) and a late write.
StageFn chooseDepthTest(DepthFormat format, DWORD func, bool writeNow);
StageFn chooseDepthWrite(DepthFormat format);
// stage_depth_simd.cpp: the test of 16-bit formats on SIMD lanes; null for
// other formats or when SIMD is off.
StageFn chooseSimdDepthTest(DepthFormat format, DWORD func, bool writeNow);

// stage_blend.cpp: current = src * srcBlend + dest * destBlend.
StageFn chooseBlend(PixelFormat format, DWORD srcBlend, DWORD destBlend);
// The factor pairs effects draw with most (translucency, additive light and
// particles, the screen blend of glows), which have loops of their own.
enum class CommonBlend { Translucent, Additive, AdditiveByAlpha, Screen, None };
CommonBlend commonBlend(DWORD srcBlend, DWORD destBlend);
// stage_blend_simd.cpp: a common blend and the write in one pass on SIMD
// lanes, for R5G6B5 and X8R8G8B8 targets; null otherwise or when SIMD is off.
StageFn chooseSimdBlendWrite(PixelFormat target, CommonBlend mode);
// The opaque write on SIMD lanes, for the same targets; null otherwise.
StageFn chooseSimdWrite(PixelFormat target);

// stage_write.cpp: packs current into the target for live fragments.
StageFn chooseWrite(PixelFormat format);

}  // namespace platform::d3d::raster
