// Overlays, the gamma ramp of the primary surface, and presentation.
#include "ddraw/surface.h"

#include "core/call_log.h"
#include "d3d/raster/rasterizer.h"
#include "ddraw/clipper.h"
#include "ddraw/palette.h"
#include "ddraw/pixel_format.h"

#include <algorithm>

namespace platform::ddraw {
namespace {

bool validRect(const RECT& r) {
    return r.left < r.right && r.top < r.bottom;
}

bool identityRamp(const DDGAMMARAMP& ramp) {
    for (int i = 0; i < 256; ++i) {
        const WORD v = static_cast<WORD>(i * 257);
        if (ramp.red[i] != v || ramp.green[i] != v || ramp.blue[i] != v)
            return false;
    }
    return true;
}

// A 32-bit ARGB copy of `source`, with alpha 0 where the source key matches
// (the presenter knows destination keys only) and the gamma ramp applied.
std::vector<uint32_t> toArgb(const Surface& source, const DDCOLORKEY* key,
                             const DDGAMMARAMP* ramp) {
    const DWORD w = source.width(), h = source.height();
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    const DDPIXELFORMAT& f = source.format();
    const DWORD bpp = bytesPerPixel(f);
    const bool paletted = (f.dwFlags & DDPF_PALETTEINDEXED8) != 0;
    for (DWORD y = 0; y < h; ++y) {
        const BYTE* row = source.bits() + static_cast<size_t>(y) * source.pitch();
        uint32_t* dst = out.data() + static_cast<size_t>(y) * w;
        if (isYuv(f)) {
            yuvRowToArgb(f, row, w, dst);
            continue;
        }
        for (DWORD x = 0; x < w; ++x) {
            const uint32_t raw = loadPixel(row + static_cast<size_t>(x) * bpp, bpp);
            uint32_t argb = paletted ? (source.palette() ? source.palette()->argb(BYTE(raw))
                                                         : 0xFF000000u)
                                     : rawToArgb(f, raw) | 0xFF000000u;
            if (key && raw >= key->dwColorSpaceLowValue && raw <= key->dwColorSpaceHighValue)
                argb &= 0x00FFFFFFu;
            if (ramp)
                argb = (argb & 0xFF000000u) |
                       (uint32_t(ramp->red[(argb >> 16) & 0xFF] >> 8) << 16) |
                       (uint32_t(ramp->green[(argb >> 8) & 0xFF] >> 8) << 8) |
                       uint32_t(ramp->blue[argb & 0xFF] >> 8);
            dst[x] = argb;
        }
    }
    return out;
}

core::PixelView argbView(const std::vector<uint32_t>& pixels, DWORD w, DWORD h) {
    core::PixelView v;
    v.pixels = reinterpret_cast<const BYTE*>(pixels.data());
    v.pitch = static_cast<LONG>(w * 4);
    v.width = w;
    v.height = h;
    v.bitCount = 32;
    v.redMask = 0xFF0000;
    v.greenMask = 0xFF00;
    v.blueMask = 0xFF;
    v.alphaMask = 0xFF000000u;
    return v;
}

}  // namespace

void Surface::present() {
    d3d::raster::finishPendingDraws();
    const DDPIXELFORMAT& f = format();
    const bool paletted = (f.dwFlags & DDPF_PALETTEINDEXED8) && palette_;
    if (!paletted && (!isRgb(f) || (f.dwRGBBitCount != 16 && f.dwRGBBitCount != 32)))
        return;  // 24-bit displays, and 8-bit ones without a palette, are not shown
    std::vector<std::vector<uint32_t>> keep;
    std::vector<core::OverlayView> overlays;
    for (Surface* s : liveSurfaces()) {
        if (!s->overlay_.visible || s->overlay_.dest != this)
            continue;
        core::OverlayView o;
        keep.push_back(
            toArgb(*s, s->overlay_.srcKey ? &s->overlay_.srcKeyValue : nullptr, nullptr));
        o.source = argbView(keep.back(), s->width(), s->height());
        o.sourceRect = s->overlay_.source;
        o.destRect = s->overlay_.dest_rect;
        o.destColorKey = s->overlay_.destKey;
        o.colorKeyLow = s->overlay_.destKeyValue.dwColorSpaceLowValue;
        o.colorKeyHigh = s->overlay_.destKeyValue.dwColorSpaceHighValue;
        overlays.push_back(o);
    }
    HWND window = state_->window;
    if (clipper_ && clipper_->window())
        window = clipper_->window();
    if (paletted || (gammaSet_ && !identityRamp(gamma_))) {
        const std::vector<uint32_t> corrected =
            toArgb(*this, nullptr, gammaSet_ && !identityRamp(gamma_) ? &gamma_ : nullptr);
        core::presenter().present(window, argbView(corrected, width(), height()), overlays);
    } else {
        core::presenter().present(window, view(), overlays);
    }
    countPresentedFrame();
}

void Surface::detachFromOverlays() {
    for (Surface* s : liveSurfaces())
        if (s->overlay_.dest == this) {
            s->overlay_.visible = false;
            s->overlay_.dest = nullptr;
        }
}

HRESULT Surface::UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE4 destSurface, LPRECT destRect,
                               DWORD flags, LPDDOVERLAYFX fx) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::UpdateOverlay", (ULONG_PTR)sourceRect,
                         (ULONG_PTR)destSurface, (ULONG_PTR)destRect, flags, (ULONG_PTR)fx);
    DDLock lock(ddrawMutex());
    if (!(desc_.ddsCaps.dwCaps & DDSCAPS_OVERLAY))
        return DDERR_NOTAOVERLAYSURFACE;
    Surface* dest = fromInterface(destSurface);
    if (!dest)
        return DDERR_INVALIDPARAMS;
    if (!dest->isPrimary())
        return DDERR_INVALIDSURFACETYPE;
    if ((flags & DDOVER_SHOW) && (flags & DDOVER_HIDE))
        return DDERR_INVALIDPARAMS;
    if ((flags & (DDOVER_KEYSRCOVERRIDE | DDOVER_KEYDESTOVERRIDE | DDOVER_DDFX)) &&
        (!fx || fx->dwSize != sizeof(DDOVERLAYFX)))
        return DDERR_INVALIDPARAMS;
    if (lost_ || dest->lost_)
        return DDERR_SURFACELOST;
    if (flags & DDOVER_HIDE) {
        overlay_.visible = false;
        return DD_OK;
    }
    if (!(flags & DDOVER_SHOW) && !overlay_.visible)
        return DD_OK;
    const RECT src = sourceRect
                         ? *sourceRect
                         : RECT{0, 0, static_cast<LONG>(width()), static_cast<LONG>(height())};
    if (!validRect(src) || src.left < 0 || src.top < 0 || src.right > static_cast<LONG>(width()) ||
        src.bottom > static_cast<LONG>(height()))
        return DDERR_INVALIDRECT;
    if (!destRect)
        return DDERR_INVALIDPARAMS;
    const RECT dst = *destRect;
    if (!validRect(dst) || dst.left < 0 || dst.top < 0 ||
        dst.right > static_cast<LONG>(dest->width()) ||
        dst.bottom > static_cast<LONG>(dest->height()))
        return DDERR_INVALIDRECT;
    if (!overlay_.visible && visibleOverlayCount(*state_) >= state_->adapter().maxVisibleOverlays)
        return DDERR_OUTOFCAPS;
    OverlayState next;
    next.visible = true;
    next.dest = dest;
    next.source = src;
    next.dest_rect = dst;
    if (flags & DDOVER_KEYSRCOVERRIDE) {
        next.srcKey = true;
        next.srcKeyValue = fx->dckSrcColorkey;
    } else if (flags & DDOVER_KEYSRC) {
        next.srcKey = hasKey(DDCKEY_SRCOVERLAY, &next.srcKeyValue);
        if (!next.srcKey)
            return DDERR_NOCOLORKEY;
    }
    if (flags & DDOVER_KEYDESTOVERRIDE) {
        next.destKey = true;
        next.destKeyValue = fx->dckDestColorkey;
    } else if (flags & DDOVER_KEYDEST) {
        next.destKey = dest->hasKey(DDCKEY_DESTOVERLAY, &next.destKeyValue);
        if (!next.destKey)
            return DDERR_NOCOLORKEY;
    }
    overlay_ = next;
    return DD_OK;
}

HRESULT Surface::SetOverlayPosition(LONG x, LONG y) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::SetOverlayPosition", (ULONG_PTR)x, (ULONG_PTR)y);
    DDLock lock(ddrawMutex());
    if (!(desc_.ddsCaps.dwCaps & DDSCAPS_OVERLAY))
        return DDERR_NOTAOVERLAYSURFACE;
    if (!overlay_.visible || !overlay_.dest)
        return DDERR_OVERLAYNOTVISIBLE;
    RECT& d = overlay_.dest_rect;
    const LONG w = d.right - d.left, h = d.bottom - d.top;
    if (x < 0 || y < 0 || x + w > static_cast<LONG>(overlay_.dest->width()) ||
        y + h > static_cast<LONG>(overlay_.dest->height()))
        return DDERR_INVALIDPOSITION;
    d = RECT{x, y, x + w, y + h};
    return DD_OK;
}

HRESULT Surface::GetOverlayPosition(LPLONG x, LPLONG y) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetOverlayPosition", (ULONG_PTR)x, (ULONG_PTR)y);
    if (!x || !y)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    if (!(desc_.ddsCaps.dwCaps & DDSCAPS_OVERLAY))
        return DDERR_NOTAOVERLAYSURFACE;
    if (!overlay_.visible)
        return DDERR_OVERLAYNOTVISIBLE;
    *x = overlay_.dest_rect.left;
    *y = overlay_.dest_rect.top;
    return DD_OK;
}

HRESULT Surface::GetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) {
    PLATFORM_RECORD_CALL("IDirectDrawGammaControl::GetGammaRamp", flags, (ULONG_PTR)ramp);
    if (!ramp || flags != 0)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    if (gammaSet_) {
        *ramp = gamma_;
    } else {
        for (int i = 0; i < 256; ++i)
            ramp->red[i] = ramp->green[i] = ramp->blue[i] = static_cast<WORD>(i * 257);
    }
    return DD_OK;
}

HRESULT Surface::SetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) {
    PLATFORM_RECORD_CALL("IDirectDrawGammaControl::SetGammaRamp", flags, (ULONG_PTR)ramp);
    if (!ramp || (flags & ~DDSGR_CALIBRATE))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    gamma_ = *ramp;
    gammaSet_ = true;
    return DD_OK;
}

}  // namespace platform::ddraw
