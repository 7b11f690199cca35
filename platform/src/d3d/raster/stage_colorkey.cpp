// Colour key: fragments whose texture read hit the key colour of a keyed
// texture are discarded (neither colour nor depth is written). The samplers
// mark them in Fragments::keyed; this stage turns the marks into discards.
#include "stages.h"

namespace platform::d3d::raster {

bool stageColorKey(const Pipeline&, int, Fragments& f)
{
    uint32_t any = 0;
    for (int i = 0; i < f.n; ++i) {
        f.live[i] = static_cast<uint8_t>(f.live[i] & (f.keyed[i] ^ 1));
        f.keyed[i] = 0;
        any |= f.live[i];
    }
    return any != 0;
}

}  // namespace platform::d3d::raster
