// Internal data shared by setup, raster and the fragment stages: the attribute
// planes of a primitive, the span of fragments that flows through the stages,
// and the compiled Pipeline.
#pragma once

#include "rasterizer.h"

#include <cstdint>

// The span loops are compiled twice, for AVX2 and for the x86-64 baseline,
// and the one the processor can run is chosen when the library loads. That
// choice runs during relocation, before ThreadSanitizer's runtime is up, so a
// ThreadSanitizer build keeps the baseline copy only.
#if defined(__SANITIZE_THREAD__)
#define RASTER_NO_CLONES 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RASTER_NO_CLONES 1
#endif
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(RASTER_NO_CLONES)
#define RASTER_SPAN_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define RASTER_SPAN_LOOP
#endif

namespace platform::d3d::raster {

// Pixels processed together by every stage. Spans longer than this are cut.
constexpr int kSpan = 128;

// Interpolated attributes, by index into Setup::attr.
enum Attr : int {
    kAttrR,
    kAttrG,
    kAttrB,
    kAttrA,
    kAttrSpecR,
    kAttrSpecG,
    kAttrSpecB,
    kAttrFog,   // specular alpha
    kAttrTex0,  // u0, v0, u1, v1, ...
    kAttrCount = kAttrTex0 + 2 * kMaxTexCoordSets,
};

constexpr uint32_t kFilledW = 1u << kAttrCount;

inline int attrU(int set) {
    return kAttrTex0 + 2 * set;
}
inline int attrV(int set) {
    return kAttrTex0 + 2 * set + 1;
}

// value(x, y) = c + dx * (x - Setup::ox) + dy * (y - Setup::oy)
struct Plane {
    float c = 0, dx = 0, dy = 0;
};

// The planes of one primitive. With perspective, attr planes hold attribute
// * rhw and q holds rhw: the attribute at a pixel is attr / q. Without (all
// vertices have the same rhw, or TEXTUREPERSPECTIVE is off) attr planes hold
// the attributes themselves and w is constW everywhere.
struct Setup {
    float ox = 0, oy = 0;
    bool perspective = false;
    // Colour attributes (bit = Attr index) equal at every vertex: their
    // plane holds the value itself, taken as it is at every pixel.
    uint32_t constantColours = 0;
    float constW = 1;
    Plane z, q;
    Plane attr[kAttrCount];
};

// A vertex as setup reads it: position and the attributes the pipeline uses
// (colours as 0..255 floats).
struct SetupVertex {
    float x, y, z, rhw;
    float attr[kAttrCount];
};

using Channels = int32_t[4][kSpan];  // r, g, b, a; each 0..255

// One span of up to kSpan fragments on row y starting at column x, in
// structure-of-arrays form so the stage loops vectorise.
struct Fragments {
    int x = 0, y = 0, n = 0;
    const Setup* setup = nullptr;
    // Attributes (bit = Attr index, and kFilledW) constant over the primitive
    // being drawn and already in their arrays for every pixel of a span:
    // stages only read them, so a primitive fills them once, not per span.
    // Cleared when a primitive starts.
    uint32_t filled = 0;
    alignas(32) uint8_t live[kSpan];   // 0 once a stage discarded the pixel
    alignas(32) uint8_t keyed[kSpan];  // a colour-keyed texel was sampled
    alignas(32) float z[kSpan];
    alignas(32) float w[kSpan];         // eye-space w = 1 / rhw
    alignas(32) uint32_t depth[kSpan];  // quantised z
    alignas(32) float u[kMaxTexCoordSets][kSpan];
    alignas(32) float v[kMaxTexCoordSets][kSpan];
    alignas(32) Channels diffuse;
    alignas(32) Channels specular;  // alpha = fog factor
    alignas(32) Channels current;
    alignas(32) Channels texel;
    alignas(32) Channels factor;  // D3DRENDERSTATE_TEXTUREFACTOR, constant
    alignas(32) Channels result;
    alignas(32) Channels arg[2];
    alignas(32) Channels dest;
};

struct Pipeline;

// Which of a span's attributes an interpolation fills: the depth alone, so
// that a span the depth test rejects costs no more; everything else; or all.
enum class Planes { Depth, Rest, All };

// Fills a span's attributes from the primitive's planes (stages.h).
using InterpolateFn = void (*)(const Pipeline& p, const Setup& s, Fragments& f, Planes planes);

// A fragment stage. Returns false when no fragment of the span is left alive,
// so the span stops early. `unit` is the texture stage for per-unit stages.
using StageFn = bool (*)(const Pipeline& p, int unit, Fragments& f);

struct Step {
    StageFn fn = nullptr;
    int unit = 0;
};

// One mip level as the sampler reads it.
struct LevelInfo {
    const BYTE* pixels = nullptr;
    LONG pitch = 0;
    int width = 0, height = 0;
    float fwidth = 0, fheight = 0;
    int wmask = -1, hmask = -1;  // size - 1 for powers of two, else -1
};

constexpr int kMaxLevels = 16;

struct Sampler;
using SampleFn = void (*)(const Sampler& s, int set, Fragments& f);

struct Sampler {
    PixelFormat format = PixelFormat::Unknown;
    LevelInfo levels[kMaxLevels];
    int levelCount = 0;
    int baseLevel = 0;  // D3DTSS_MAXMIPLEVEL, clamped
    bool magLinear = false, minLinear = false;
    int mip = 0;  // 0 none, 1 point, 2 linear
    bool needLod = false;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    int32_t border[4] = {0, 0, 0, 0};  // r, g, b, a
    float lodBias = 0;
    bool colorKey = false;
    uint32_t keyValue = 0, keyMask = 0;
    SampleFn fn = nullptr;
};

// A compiled texture stage.
struct TextureUnit {
    DWORD colorOp = D3DTOP_DISABLE, colorArg1 = 0, colorArg2 = 0;
    DWORD alphaOp = D3DTOP_DISABLE, alphaArg1 = 0, alphaArg2 = 0;
    bool sample = false;       // the stage reads its texture
    bool premodulate = false;  // the previous stage was D3DTOP_PREMODULATE
    int texSet = 0;            // D3DTSS_TEXCOORDINDEX
    const Texture* texture = nullptr;
    Sampler sampler;
};

constexpr int kMaxSteps = 32;

struct Pipeline {
    // What interpolation produces, and the loop that does it (null: the
    // scalar one).
    InterpolateFn interpolateFn = nullptr;
    bool needZ = false;
    bool needDiffuse = true;
    bool needSpecular = false;
    bool needFog = false;
    bool perspective = true;
    bool flat = false;
    uint32_t texSetMask = 0;

    // Primitive assembly.
    DWORD cullMode = D3DCULL_CCW;
    DWORD fillMode = D3DFILL_SOLID;
    bool lastPixel = true;

    TextureUnit units[kMaxTextureStages];
    int unitCount = 0;
    D3DCOLOR textureFactor = 0xffffffff;

    int32_t alphaRef = 0;
    DWORD alphaFunc = D3DCMP_ALWAYS;
    DWORD zFunc = D3DCMP_LESSEQUAL;
    bool depthTest = false, depthWrite = false;
    // steps[0] is the depth test, run before the rest is interpolated.
    bool depthFirst = false;

    bool tableFog = false;
    DWORD fogMode = D3DFOG_NONE;
    FogSource fogSource = FogSource::W;
    float fogStart = 0, fogEnd = 1, fogDensity = 1;
    int32_t fogColor[3] = {0, 0, 0};

    DWORD srcBlend = D3DBLEND_ONE, destBlend = D3DBLEND_ZERO;

    // Where the pixels go (refreshed every draw).
    RenderTarget target;
    DepthBuffer depth;
    RECT bounds{};  // clip rectangle within the target

    Step steps[kMaxSteps];
    int stepCount = 0;

    // Version of the state and target formats it was compiled from.
    uint64_t stateVersion = 0;
    PixelFormat targetFormat = PixelFormat::Unknown;
    DepthFormat depthFormat = DepthFormat::None;
};

// pipeline.cpp: the state-to-pipeline step. Texture bindings are resolved
// here too; call again when RasterState::version() changes.
void compilePipeline(const RasterState& state, PixelFormat target, DepthFormat depth, Pipeline& p);

// Fast exact rounding of a * b / 255 for a, b in 0..255.
inline int32_t mul255(int32_t a, int32_t b) {
    const int32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Largest integer <= t, for t clamped to a safe range first (NaN -> low end).
inline int32_t floorToInt(float t) {
    t = t > -1.0e9f ? t : -1.0e9f;
    t = t < 1.0e9f ? t : 1.0e9f;
    const int32_t i = static_cast<int32_t>(t);
    return i - (t < static_cast<float>(i) ? 1 : 0);
}

}  // namespace platform::d3d::raster
