// Turns the display profile's neutral device records into the structures
// Direct3D 6 reports: D3DDEVICEDESC and DDPIXELFORMAT.
#pragma once

#include "display/display_profile.h"

#include <d3d.h>

namespace platform::d3d::device {

// The description a device reports for its own kind (hardware or software),
// with every D3DDD_* field marked valid.
D3DDEVICEDESC describeDevice(const display::DeviceCaps& caps);
// The hardware and software descriptions of a device as DirectX 6 hands
// them out: the other kind's description is empty (size set, flags 0).
void describeDevicePair(const display::DeviceProfile& device, D3DDEVICEDESC* hardware,
                        D3DDEVICEDESC* software);

DDPIXELFORMAT pixelFormatOf(const display::FormatDesc& format);
// Whether a surface format is one the profile lists (same kind, bits, masks).
bool sameFormat(const DDPIXELFORMAT& a, const display::FormatDesc& b);

}  // namespace platform::d3d::device
