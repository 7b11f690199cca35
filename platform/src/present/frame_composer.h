// Turns the primary surface and its overlays into one 32-bit ARGB picture.
#pragma once

#include "core/presenter.h"

#include <vector>

namespace platform::present {

// Reads one pixel of an RGB view as 0xAARRGGBB (alpha 0xFF without an alpha mask).
DWORD readArgb(const core::PixelView& view, DWORD x, DWORD y);
// The raw pixel value, for colour keys.
DWORD readRaw(const core::PixelView& view, DWORD x, DWORD y);
// BT.601 studio-range YUV to 0xFFRRGGBB.
DWORD yuvToArgb(int y, int u, int v);

// False (and `out` left empty) for formats it cannot read.
bool composeFrame(const core::PixelView& primary, const std::vector<core::OverlayView>& overlays,
                  std::vector<DWORD>& out);

}  // namespace platform::present
