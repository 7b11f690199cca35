// Specular add (D3DRENDERSTATE_SPECULARENABLE): the interpolated specular
// colour is added to the result of the texture cascade, saturating.
#include "stages.h"

namespace platform::d3d::raster {

// The span length is read once: the stores through int pointers could
// otherwise change it, and the loop would stay scalar.
RASTER_SPAN_LOOP bool stageSpecular(const Pipeline&, int, Fragments& f) {
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
