// Blits, flips and the hand-over of finished frames to the presenter.
#include "ddraw/surface.h"

#include "core/call_log.h"
#include "d3d/raster/rasterizer.h"
#include "ddraw/clipper.h"
#include "ddraw/pixel_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>

namespace platform::ddraw {
namespace {

bool validRect(const RECT& r) {
    return r.left < r.right && r.top < r.bottom;
}

bool inside(const RECT& r, DWORD width, DWORD height) {
    return r.left >= 0 && r.top >= 0 && r.right <= static_cast<LONG>(width) &&
           r.bottom <= static_cast<LONG>(height);
}

RECT intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

RECT wholeOf(const Surface& s) {
    return RECT{0, 0, static_cast<LONG>(s.width()), static_cast<LONG>(s.height())};
}

bool keyMatches(const DDCOLORKEY& key, uint32_t raw) {
    return raw >= key.dwColorSpaceLowValue && raw <= key.dwColorSpaceHighValue;
}

// Every value of a 16-bit RGB format converted to another RGB format, kept
// for each pair of formats met (a handful in a program's life).
const std::vector<uint32_t>& conversionTable(const DDPIXELFORMAT& from, const DDPIXELFORMAT& to) {
    using Key = std::array<DWORD, 10>;
    static std::mutex mutex;
    static std::map<Key, std::vector<uint32_t>> tables;
    const Key key{from.dwRGBBitCount, from.dwRBitMask,     from.dwGBitMask, from.dwBBitMask,
                  from.dwRGBAlphaBitMask, to.dwRGBBitCount, to.dwRBitMask,   to.dwGBitMask,
                  to.dwBBitMask,          to.dwRGBAlphaBitMask};
    std::lock_guard<std::mutex> lock(mutex);
    auto [entry, added] = tables.try_emplace(key);
    if (added) {
        entry->second.resize(0x10000);
        for (uint32_t v = 0; v < 0x10000; ++v)
            entry->second[v] = argbToRaw(to, rawToArgb(from, v));
    }
    return entry->second;
}

// Source pixels read by a blit, copied first when source and destination
// are the same surface so that overlapping copies read the old pixels.
struct SourcePixels {
    const BYTE* bits;
    LONG pitch;
    std::vector<BYTE> copy;
};

// One blit: destination `dst` (unclipped) scaled from `src`, written only
// inside `clip`; conversion between RGB formats when they differ.
struct BlitJob {
    Surface* target;
    const Surface* source;
    SourcePixels pixels;
    RECT dst, src;
    const DDCOLORKEY* srcKey = nullptr;
    const DDCOLORKEY* destKey = nullptr;

    void run(const RECT& clip) {
        const RECT area = intersect(clip, dst);
        if (!validRect(area))
            return;
        const DDPIXELFORMAT& tf = target->format();
        const DDPIXELFORMAT& sf = source->format();
        const DWORD tb = bytesPerPixel(tf), sb = bytesPerPixel(sf);
        const bool convert = !sameFormat(tf, sf);
        const LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;
        const LONG sw = src.right - src.left, sh = src.bottom - src.top;
        if (!destKey && fastCopy(area, tf, sf, convert, sw, sh, dw, dh))
            return;
        for (LONG y = area.top; y < area.bottom; ++y) {
            const LONG sy =
                src.top + static_cast<LONG>(static_cast<long long>(y - dst.top) * sh / dh);
            BYTE* out = target->bits() + static_cast<size_t>(y) * target->pitch();
            const BYTE* in = pixels.bits + static_cast<size_t>(sy) * pixels.pitch;
            for (LONG x = area.left; x < area.right; ++x) {
                const LONG sx =
                    src.left + static_cast<LONG>(static_cast<long long>(x - dst.left) * sw / dw);
                uint32_t raw = loadPixel(in + static_cast<size_t>(sx) * sb, sb);
                if (srcKey && keyMatches(*srcKey, raw))
                    continue;
                BYTE* at = out + static_cast<size_t>(x) * tb;
                if (destKey && !keyMatches(*destKey, loadPixel(at, tb)))
                    continue;
                if (convert)
                    raw = argbToRaw(tf, rawToArgb(sf, raw));
                storePixel(at, tb, raw);
            }
        }
    }

    // The common cases of run() without its per-pixel calls and divisions:
    // no destination key, and formats the same, different only in alpha (a
    // channel read and written with the same mask comes back unchanged), or
    // a 16-bit source (through a table of its 65536 values). False when the
    // blit is none of these.
    bool fastCopy(const RECT& area, const DDPIXELFORMAT& tf, const DDPIXELFORMAT& sf,
                  bool convert, LONG sw, LONG sh, LONG dw, LONG dh) {
        const DWORD tb = bytesPerPixel(tf), sb = bytesPerPixel(sf);
        if (tb != 2 && tb != 4)
            return false;
        const bool sameRgb = tb == sb && isRgb(tf) && isRgb(sf) &&
                             tf.dwRBitMask == sf.dwRBitMask && tf.dwGBitMask == sf.dwGBitMask &&
                             tf.dwBBitMask == sf.dwBBitMask;
        if (!convert || (sameRgb && (!tf.dwRGBAlphaBitMask || !sf.dwRGBAlphaBitMask))) {
            const uint32_t keep =
                convert ? tf.dwRBitMask | tf.dwGBitMask | tf.dwBBitMask : ~uint32_t{0};
            const uint32_t add = convert && !sf.dwRGBAlphaBitMask ? tf.dwRGBAlphaBitMask : 0;
            auto masks = [keep, add](uint32_t raw) { return (raw & keep) | add; };
            if (tb == 2)
                copyRows<uint16_t, uint16_t>(area, sw, sh, dw, dh, !convert, masks);
            else
                copyRows<uint32_t, uint32_t>(area, sw, sh, dw, dh, !convert, masks);
            return true;
        }
        if (sb != 2 || !isRgb(sf) || !isRgb(tf))
            return false;
        const std::vector<uint32_t>& table = conversionTable(sf, tf);
        auto lookup = [&table](uint32_t raw) { return table[raw]; };
        if (tb == 2)
            copyRows<uint16_t, uint16_t>(area, sw, sh, dw, dh, false, lookup);
        else
            copyRows<uint16_t, uint32_t>(area, sw, sh, dw, dh, false, lookup);
        return true;
    }

    // Rows of the blit, each pixel read as In, keyed, converted and written
    // as Out; whole rows copied when the size is kept, nothing is keyed and
    // `raw` says the pixels need no conversion.
    template <typename In, typename Out, typename Convert>
    void copyRows(const RECT& area, LONG sw, LONG sh, LONG dw, LONG dh, bool raw,
                  const Convert& convert) {
        const size_t count = static_cast<size_t>(area.right - area.left);
        // Kept at the same size, a column is an offset, not a quotient.
        std::vector<LONG> columns(count);
        for (size_t i = 0; i < count; ++i) {
            const LONG x = area.left + static_cast<LONG>(i);
            columns[i] = src.left + (sw == dw ? x - dst.left
                                              : static_cast<LONG>(static_cast<long long>(
                                                                      x - dst.left) * sw / dw));
        }
        const bool whole = sizeof(In) == sizeof(Out) && raw && !srcKey && sw == dw;
        for (LONG y = area.top; y < area.bottom; ++y) {
            const LONG sy =
                src.top + static_cast<LONG>(static_cast<long long>(y - dst.top) * sh / dh);
            BYTE* out = target->bits() + static_cast<size_t>(y) * target->pitch() +
                        static_cast<size_t>(area.left) * sizeof(Out);
            const BYTE* in = pixels.bits + static_cast<size_t>(sy) * pixels.pitch;
            if (whole) {
                std::memcpy(out, in + static_cast<size_t>(columns[0]) * sizeof(In),
                            count * sizeof(Out));
                continue;
            }
            for (size_t i = 0; i < count; ++i) {
                In value;
                std::memcpy(&value, in + static_cast<size_t>(columns[i]) * sizeof(In), sizeof(In));
                if (srcKey && keyMatches(*srcKey, value))
                    continue;
                const auto converted = static_cast<Out>(convert(value));
                std::memcpy(out + i * sizeof(Out), &converted, sizeof(Out));
            }
        }
    }
};

SourcePixels sourcePixels(const Surface* source, const Surface* target, const RECT& src) {
    SourcePixels p{source->bits(), source->pitch(), {}};
    if (source == target) {
        p.copy.assign(source->bits(), source->bits() + static_cast<size_t>(source->pitch()) *
                                                           static_cast<size_t>(src.bottom));
        p.bits = p.copy.data();
    }
    return p;
}

bool formatsBlittable(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
    return sameFormat(a, b) || (isRgb(a) && isRgb(b));
}

}  // namespace

HRESULT Surface::clipRects(const RECT& bounds, std::vector<RECT>* rects) const {
    rects->clear();
    if (clipper_ && clipper_->hasClipList()) {
        for (const RECT& r : clipper_->rects()) {
            const RECT c = intersect(r, bounds);
            if (validRect(c))
                rects->push_back(c);
        }
        return DD_OK;
    }
    if (clipper_ && !clipper_->window())
        return DDERR_NOCLIPLIST;
    // On the primary a window clipper clips to the client area, which is in
    // screen coordinates like the primary itself; overlapping windows are not
    // modelled. Other surfaces are not on the screen: they clip to their edges.
    if (clipper_ && isPrimary()) {
        RECT client{};
        if (clipper_->windowClientRect(&client)) {
            const RECT c = intersect(client, bounds);
            if (validRect(c))
                rects->push_back(c);
        }
        return DD_OK;
    }
    rects->push_back(bounds);
    return DD_OK;
}

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX fx) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::Blt", (ULONG_PTR)destRect, (ULONG_PTR)source,
                         (ULONG_PTR)sourceRect, flags, (ULONG_PTR)fx);
    // Queued draws must be in the pixels first.
    finishDrawsOn(source ? fromInterface(source) : nullptr);
    DDLock lock(ddrawMutex());
    const bool fill = flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL);
    const bool needsFx =
        fill || (flags & (DDBLT_KEYSRCOVERRIDE | DDBLT_KEYDESTOVERRIDE | DDBLT_DDFX));
    if (needsFx && (!fx || fx->dwSize != sizeof(DDBLTFX)))
        return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_COLORFILL) && (flags & DDBLT_DEPTHFILL))
        return DDERR_INVALIDPARAMS;
    if (flags & (DDBLT_ROP | DDBLT_ROTATIONANGLE | DDBLT_ZBUFFER | DDBLT_DDROPS))
        return DDERR_NORASTEROPHW;
    Surface* src = nullptr;
    if (!fill) {
        src = fromInterface(source);
        if (!src)
            return DDERR_INVALIDPARAMS;
    }
    HRESULT usable = checkUsable();
    if (FAILED(usable))
        return usable;
    if (src && src != this) {
        usable = src->checkUsable();
        if (FAILED(usable))
            return usable;
    }
    const RECT bounds = wholeOf(*this);
    const RECT dst = destRect ? *destRect : bounds;
    if (!validRect(dst))
        return DDERR_INVALIDRECT;
    if (!clipper_ && !inside(dst, width(), height()))
        return DDERR_INVALIDRECT;
    std::vector<RECT> clips;
    const HRESULT clipped = clipRects(bounds, &clips);
    if (FAILED(clipped))
        return clipped;

    if (fill) {
        if ((flags & DDBLT_DEPTHFILL) && !isDepth(format()))
            return DDERR_INVALIDPARAMS;
        const DWORD bpp = bytesPerPixel(format());
        const uint32_t value = (flags & DDBLT_DEPTHFILL) ? fx->dwFillDepth : fx->dwFillColor;
        for (const RECT& c : clips) {
            const RECT area = intersect(c, dst);
            if (!validRect(area))
                continue;
            for (LONG y = area.top; y < area.bottom; ++y) {
                BYTE* row = bits() + static_cast<size_t>(y) * pitch();
                for (LONG x = area.left; x < area.right; ++x)
                    storePixel(row + static_cast<size_t>(x) * bpp, bpp, value);
            }
        }
    } else {
        const RECT srcArea = sourceRect ? *sourceRect : wholeOf(*src);
        if (!validRect(srcArea) || !inside(srcArea, src->width(), src->height()))
            return DDERR_INVALIDRECT;
        if (!formatsBlittable(format(), src->format()))
            return DDERR_INVALIDPIXELFORMAT;
        BlitJob job{this, src, sourcePixels(src, this, srcArea), dst, srcArea};
        DDCOLORKEY srcKey{}, destKey{};
        if (flags & DDBLT_KEYSRCOVERRIDE) {
            srcKey = fx->ddckSrcColorkey;
            job.srcKey = &srcKey;
        } else if (flags & DDBLT_KEYSRC) {
            if (!src->hasKey(DDCKEY_SRCBLT, &srcKey))
                return DDERR_NOCOLORKEY;
            job.srcKey = &srcKey;
        }
        if (flags & DDBLT_KEYDESTOVERRIDE) {
            destKey = fx->ddckDestColorkey;
            job.destKey = &destKey;
        } else if (flags & DDBLT_KEYDEST) {
            if (!hasKey(DDCKEY_DESTBLT, &destKey))
                return DDERR_NOCOLORKEY;
            job.destKey = &destKey;
        }
        for (const RECT& c : clips)
            job.run(c);
    }
    ++uniqueness_;
    if (isPrimary())
        present();
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect,
                         DWORD trans) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::BltFast", x, y, (ULONG_PTR)source,
                         (ULONG_PTR)sourceRect, trans);
    finishDrawsOn(source ? fromInterface(source) : nullptr);
    DDLock lock(ddrawMutex());
    Surface* src = fromInterface(source);
    if (!src)
        return DDERR_INVALIDPARAMS;
    if (clipper_)
        return DDERR_BLTFASTCANTCLIP;
    HRESULT usable = checkUsable();
    if (FAILED(usable))
        return usable;
    if (src != this) {
        usable = src->checkUsable();
        if (FAILED(usable))
            return usable;
    }
    const RECT srcArea = sourceRect ? *sourceRect : wholeOf(*src);
    if (!validRect(srcArea) || !inside(srcArea, src->width(), src->height()))
        return DDERR_INVALIDRECT;
    if (x > width() || y > height())
        return DDERR_INVALIDRECT;
    const RECT dst{static_cast<LONG>(x), static_cast<LONG>(y),
                   static_cast<LONG>(x) + (srcArea.right - srcArea.left),
                   static_cast<LONG>(y) + (srcArea.bottom - srcArea.top)};
    if (!inside(dst, width(), height()))
        return DDERR_INVALIDRECT;
    if (!formatsBlittable(format(), src->format()))
        return DDERR_INVALIDPIXELFORMAT;
    BlitJob job{this, src, sourcePixels(src, this, srcArea), dst, srcArea};
    DDCOLORKEY srcKey{}, destKey{};
    if (trans & DDBLTFAST_SRCCOLORKEY) {
        if (!src->hasKey(DDCKEY_SRCBLT, &srcKey))
            return DDERR_NOCOLORKEY;
        job.srcKey = &srcKey;
    }
    if (trans & DDBLTFAST_DESTCOLORKEY) {
        if (!hasKey(DDCKEY_DESTBLT, &destKey))
            return DDERR_NOCOLORKEY;
        job.destKey = &destKey;
    }
    job.run(wholeOf(*this));
    ++uniqueness_;
    if (isPrimary())
        present();
    return DD_OK;
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::Flip", (ULONG_PTR)target, flags);
    d3d::raster::finishPendingDraws();
    DDLock lock(ddrawMutex());
    if (!chain_ || chain_->empty() || chain_->front() != this ||
        !(desc_.ddsCaps.dwCaps & DDSCAPS_FRONTBUFFER))
        return DDERR_NOTFLIPPABLE;
    Chain& chain = *chain_;
    if (chain.size() < 2)
        return DDERR_NOTFLIPPABLE;
    for (Surface* s : chain) {
        if (s->lost_)
            return DDERR_SURFACELOST;
        if (s->locked_ || s->dc_)
            return DDERR_SURFACEBUSY;
    }
    if (target) {
        Surface* with = fromInterface(target);
        auto it = std::find(chain.begin(), chain.end(), with);
        if (!with || it == chain.end() || with == this)
            return DDERR_INVALIDPARAMS;
        std::swap(pixels_, with->pixels_);
    } else {
        // Each buffer takes the next one's memory: the front shows what was
        // drawn in the first back buffer.
        for (size_t i = 0; i + 1 < chain.size(); ++i)
            std::swap(chain[i]->pixels_, chain[i + 1]->pixels_);
    }
    for (Surface* s : chain)
        ++s->uniqueness_;
    if (isPrimary())
        present();
    return DD_OK;
}

void Surface::showGdiBuffer() {
    if (chain_ && gdiBuffer_ && pixels_.data() != gdiBuffer_) {
        // Flips move buffers, not pixels; swap the GDI one back to the front.
        for (Surface* s : *chain_) {
            if (s->pixels_.data() == gdiBuffer_) {
                std::swap(pixels_, s->pixels_);
                for (Surface* t : *chain_)
                    ++t->uniqueness_;
                break;
            }
        }
    }
    present();
}

core::PixelView Surface::view() const {
    core::PixelView v;
    v.pixels = bits();
    v.pitch = desc_.lPitch;
    v.width = width();
    v.height = height();
    const DDPIXELFORMAT& f = format();
    if (isYuv(f)) {
        v.bitCount = 16;
        v.fourCC = f.dwFourCC;
    } else {
        v.bitCount = f.dwRGBBitCount;
        v.redMask = f.dwRBitMask;
        v.greenMask = f.dwGBitMask;
        v.blueMask = f.dwBBitMask;
        v.alphaMask = f.dwRGBAlphaBitMask;
    }
    return v;
}

}  // namespace platform::ddraw
