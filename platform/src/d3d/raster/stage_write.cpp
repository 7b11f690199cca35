// Colour write: packs current into the target's format for live fragments.
// Dithering is not done (D3DRENDERSTATE_DITHERENABLE has no effect); 16-bit
// targets truncate each channel. Formats without alpha store 1s in the
// unused bits.
#include "pixel_format.h"
#include "stages.h"

namespace platform::d3d::raster {
namespace {

template <PixelFormat F>
RASTER_SPAN_LOOP bool write(const Pipeline& p, int, Fragments& f) {
    using Raw = typename PixelTraits<F>::Raw;
    Raw* row =
        reinterpret_cast<Raw*>(p.target.pixels + static_cast<ptrdiff_t>(f.y) * p.target.pitch) +
        f.x;
    const int n = f.n;
    for (int i = 0; i < n; ++i) {
        const uint32_t packed = PixelTraits<F>::pack(
            static_cast<uint32_t>(f.current[0][i]), static_cast<uint32_t>(f.current[1][i]),
            static_cast<uint32_t>(f.current[2][i]), static_cast<uint32_t>(f.current[3][i]));
        Raw old;
        std::memcpy(&old, row + i, sizeof(Raw));
        const Raw nv = f.live[i] ? static_cast<Raw>(packed) : old;
        std::memcpy(row + i, &nv, sizeof(Raw));
    }
    return true;
}

}  // namespace

StageFn chooseWrite(PixelFormat format) {
    if (const StageFn lanes = chooseSimdWrite(format))
        return lanes;
    StageFn fn = nullptr;
    dispatchFormat(format, [&](auto tag) { fn = write<decltype(tag)::value>; });
    return fn;
}

}  // namespace platform::d3d::raster
