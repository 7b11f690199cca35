// Specular add (D3DRENDERSTATE_SPECULARENABLE): the interpolated specular
// colour is added to the result of the texture cascade, saturating.
#include "stages.h"

namespace platform::d3d::raster {

bool stageSpecular(const Pipeline&, int, Fragments& f)
{
    for (int c = 0; c < 3; ++c) {
        int32_t* cur = f.current[c];
        const int32_t* spec = f.specular[c];
        for (int i = 0; i < f.n; ++i) {
            const int32_t v = cur[i] + spec[i];
            cur[i] = v > 255 ? 255 : v;
        }
    }
    return true;
}

}  // namespace platform::d3d::raster
