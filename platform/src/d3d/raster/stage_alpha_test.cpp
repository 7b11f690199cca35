// Alpha test: fragments whose alpha fails D3DRENDERSTATE_ALPHAFUNC against
// D3DRENDERSTATE_ALPHAREF (0..255) are discarded.
#include "stages.h"

namespace platform::d3d::raster {

bool stageAlphaTest(const Pipeline& p, int, Fragments& f) {
    uint32_t any = 0;
    const uint32_t ref = static_cast<uint32_t>(p.alphaRef);
    for (int i = 0; i < f.n; ++i) {
        const bool pass = compare(p.alphaFunc, static_cast<uint32_t>(f.current[3][i]), ref);
        f.live[i] = static_cast<uint8_t>(f.live[i] & (pass ? 1 : 0));
        any |= f.live[i];
    }
    return any != 0;
}

}  // namespace platform::d3d::raster
