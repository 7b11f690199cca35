// Conversions between DDSURFACEDESC, which the interfaces before DirectX 6
// take, and DDSURFACEDESC2. The older structure is the newer one up to the
// caps, which grew from one DWORD to four.
#pragma once

#include <ddraw.h>

#include <cstddef>
#include <cstring>

namespace platform::ddraw {

inline constexpr size_t kSharedDescBytes = offsetof(DDSURFACEDESC, ddsCaps);
static_assert(offsetof(DDSURFACEDESC2, ddsCaps) == kSharedDescBytes,
              "DDSURFACEDESC is a prefix of DDSURFACEDESC2");

inline DDSURFACEDESC2 newerDesc(const DDSURFACEDESC& d) {
    DDSURFACEDESC2 d2{};
    std::memcpy(&d2, &d, kSharedDescBytes);
    d2.dwSize = sizeof(DDSURFACEDESC2);
    d2.ddsCaps.dwCaps = d.ddsCaps.dwCaps;
    return d2;
}

inline void copyToOlder(const DDSURFACEDESC2& d2, DDSURFACEDESC* d) {
    std::memcpy(d, &d2, kSharedDescBytes);
    d->dwSize = sizeof(DDSURFACEDESC);
    d->ddsCaps.dwCaps = d2.ddsCaps.dwCaps;
}

}  // namespace platform::ddraw
