// Clear: rectangle fills of a colour surface and a depth surface with one
// packed value, row by row.
#include "pixel_format.h"
#include "setup.h"

#include <algorithm>

namespace platform::d3d::raster {
namespace {

template <class Raw>
void fillRows(BYTE* base, LONG pitch, const RECT& r, Raw value) {
    for (LONG y = r.top; y < r.bottom; ++y) {
        Raw* row = reinterpret_cast<Raw*>(base + static_cast<ptrdiff_t>(y) * pitch) + r.left;
        std::fill_n(row, r.right - r.left, value);
    }
}

}  // namespace

void fillColor(const RenderTarget& t, const RECT& r, D3DCOLOR color) {
    const DWORD raw = packColor(t.format, color);
    if (bytesPerPixel(t.format) == 2) {
        fillRows<uint16_t>(t.pixels, t.pitch, r, static_cast<uint16_t>(raw));
    } else if (bytesPerPixel(t.format) == 4) {
        fillRows<uint32_t>(t.pixels, t.pitch, r, raw);
    }
}

void fillDepth(const DepthBuffer& d, const RECT& r, float z) {
    const DWORD q = quantizeDepth(d.format, z);
    switch (d.format) {
        case DepthFormat::D16:
            fillRows<uint16_t>(d.data, d.pitch, r, static_cast<uint16_t>(q));
            break;
        case DepthFormat::D32:
            fillRows<uint32_t>(d.data, d.pitch, r, q);
            break;
        case DepthFormat::D15S1:
            // The top bit is stencil; keep it.
            for (LONG y = r.top; y < r.bottom; ++y) {
                uint16_t* row =
                    reinterpret_cast<uint16_t*>(d.data + static_cast<ptrdiff_t>(y) * d.pitch);
                for (LONG x = r.left; x < r.right; ++x)
                    row[x] = static_cast<uint16_t>((row[x] & 0x8000u) | q);
            }
            break;
        case DepthFormat::D24X8:
            // The top byte is not depth; keep it.
            for (LONG y = r.top; y < r.bottom; ++y) {
                uint32_t* row =
                    reinterpret_cast<uint32_t*>(d.data + static_cast<ptrdiff_t>(y) * d.pitch);
                for (LONG x = r.left; x < r.right; ++x)
                    row[x] = (row[x] & 0xff000000u) | q;
            }
            break;
        case DepthFormat::None:
            break;
    }
}

}  // namespace platform::d3d::raster
