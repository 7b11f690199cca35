// Specular add (D3DRENDERSTATE_SPECULARENABLE): the interpolated specular
// colour is added to the result of the texture cascade, saturating.
#include "stages.h"

namespace platform::d3d::raster {

// The span length is read once: the stores through int pointers could
// otherwise change it, and the loop would stay scalar.
RASTER_SPAN_LOOP bool stageSpecular(const Pipeline&, int, Fragments& f) {
    // Black at every vertex adds nothing: particles and screen quads carry
    // a specular colour of 0 while the state is on for the meshes.
    if (const Setup* s = f.setup) {
        bool black = true;
        for (int a = kAttrSpecR; a < kAttrSpecR + 3; ++a)
            black = black && (s->constantColours & (1u << a)) != 0 && s->attr[a].c < 0.5f;
        if (black)
            return true;
    }
    const int n = f.n;
    for (int c = 0; c < 3; ++c) {
        int32_t* cur = f.current[c];
        const int32_t* spec = f.specular[c];
        for (int i = 0; i < n; ++i) {
            const int32_t v = cur[i] + spec[i];
            cur[i] = v > 255 ? 255 : v;
        }
    }
    return true;
}

}  // namespace platform::d3d::raster
