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
// Whether composeFrame reads this primary.
bool canCompose(const core::PixelView& primary);

// The primary surface and its overlays copied as they are, to be composed
// when somebody looks: a copy costs a fraction of composing, and a headless
// run reads few of its frames.
class FrameCopy {
public:
    FrameCopy(const core::PixelView& primary, const std::vector<core::OverlayView>& overlays);
    FrameCopy(const FrameCopy&) = delete;
    FrameCopy& operator=(const FrameCopy&) = delete;
    bool compose(std::vector<DWORD>& out) const { return composeFrame(primary_, overlays_, out); }

private:
    // The view's rows copied into `bytes`, and a view of them.
    static core::PixelView copy(const core::PixelView& view, std::vector<BYTE>& bytes);

    std::vector<std::vector<BYTE>> bytes_;  // the primary's, then each overlay's
    core::PixelView primary_;
    std::vector<core::OverlayView> overlays_;
};

}  // namespace platform::present
