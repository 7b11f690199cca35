// Fog: colour = f * colour + (1 - f) * fog colour, f = 1 meaning no fog.
// Vertex fog takes f from the interpolated specular alpha. Table fog
// computes f per pixel from the distance that FogSource names: eye-space w
// (1 / rhw) or z, with D3DFOG_LINEAR (end - d) / (end - start), D3DFOG_EXP
// exp(-density d) or D3DFOG_EXP2 exp(-(density d)^2), clamped to 0..1.
#include "stages.h"

#include <cmath>

namespace platform::d3d::raster {
namespace {

RASTER_SPAN_LOOP void applyFog(const Pipeline& p, const int32_t* factor, Fragments& f) {
    const int n = f.n;
    for (int c = 0; c < 3; ++c) {
        int32_t* cur = f.current[c];
        const int32_t fog = p.fogColor[c];
        for (int i = 0; i < n; ++i)
            cur[i] = mul255(cur[i], factor[i]) + mul255(fog, 255 - factor[i]);
    }
}

}  // namespace

float tableFogFactor(DWORD mode, float start, float end, float density, float d) {
    float f = 1.0f;
    switch (mode) {
        case D3DFOG_LINEAR:
            f = end != start ? (end - d) / (end - start) : (d < end ? 1.0f : 0.0f);
            break;
        case D3DFOG_EXP:
            f = std::exp(-density * d);
            break;
        case D3DFOG_EXP2: {
            const float t = density * d;
            f = std::exp(-t * t);
            break;
        }
        default:
            break;
    }
    if (!(f > 0.0f))
        return 0.0f;
    return f < 1.0f ? f : 1.0f;
}

bool stageVertexFog(const Pipeline& p, int, Fragments& f) {
    applyFog(p, f.specular[3], f);
    return true;
}

bool stageTableFog(const Pipeline& p, int, Fragments& f) {
    int32_t factor[kSpan];
    const float* d = p.fogSource == FogSource::W ? f.w : f.z;
    for (int i = 0; i < f.n; ++i) {
        const float t = tableFogFactor(p.fogMode, p.fogStart, p.fogEnd, p.fogDensity, d[i]);
        factor[i] = static_cast<int32_t>(t * 255.0f + 0.5f);
    }
    applyFog(p, factor, f);
    return true;
}

}  // namespace platform::d3d::raster
