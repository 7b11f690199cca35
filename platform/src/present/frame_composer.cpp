#include "present/frame_composer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace platform::present {
namespace {

constexpr DWORD fourCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) |
           (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}
constexpr DWORD kUYVY = fourCC('U', 'Y', 'V', 'Y');
constexpr DWORD kYUY2 = fourCC('Y', 'U', 'Y', '2');

// One colour channel of a packed pixel, scaled to 8 bits.
struct Channel {
    DWORD mask = 0;
    int shift = 0;
    DWORD max = 0;

    explicit Channel(DWORD m = 0) : mask(m) {
        if (!m)
            return;
        shift = __builtin_ctz(m);
        max = m >> shift;
    }
    DWORD expand(DWORD raw) const {
        if (!mask)
            return 0;
        const DWORD v = (raw & mask) >> shift;
        return (v * 255 + max / 2) / max;
    }
};

struct RgbFormat {
    Channel r, g, b, a;
    DWORD bytes = 0;
};

bool isYuv(const core::PixelView& view) {
    return view.fourCC == kUYVY || view.fourCC == kYUY2;
}

bool usable(const core::PixelView& view) {
    if (!view.pixels || view.width == 0 || view.height == 0)
        return false;
    if (isYuv(view))
        return view.width % 2 == 0 && std::abs(view.pitch) >= static_cast<LONG>(view.width * 2);
    if (view.fourCC != 0)
        return false;
    if (view.bitCount != 16 && view.bitCount != 24 && view.bitCount != 32)
        return false;
    return std::abs(static_cast<long>(view.pitch)) >=
           static_cast<long>(view.width * (view.bitCount / 8));
}

RgbFormat formatOf(const core::PixelView& view) {
    RgbFormat f;
    DWORD r = view.redMask, g = view.greenMask, b = view.blueMask;
    if (!r && !g && !b) {
        if (view.bitCount == 16) {
            r = 0xF800;
            g = 0x07E0;
            b = 0x001F;
        } else {
            r = 0xFF0000;
            g = 0x00FF00;
            b = 0x0000FF;
        }
    }
    f.r = Channel(r);
    f.g = Channel(g);
    f.b = Channel(b);
    f.a = Channel(view.alphaMask);
    f.bytes = view.bitCount / 8;
    return f;
}

const BYTE* rowOf(const core::PixelView& view, DWORD y) {
    return view.pixels + static_cast<ptrdiff_t>(view.pitch) * static_cast<ptrdiff_t>(y);
}

DWORD rawAt(const BYTE* row, DWORD x, DWORD bytes) {
    const BYTE* p = row + x * bytes;
    switch (bytes) {
        case 2:
            return p[0] | (p[1] << 8);
        case 3:
            return p[0] | (p[1] << 8) | (p[2] << 16);
        default:
            return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
    }
}

DWORD toArgb(const RgbFormat& f, DWORD raw) {
    const DWORD a = f.a.mask ? f.a.expand(raw) : 0xFF;
    return (a << 24) | (f.r.expand(raw) << 16) | (f.g.expand(raw) << 8) | f.b.expand(raw);
}

DWORD readYuv(const core::PixelView& view, DWORD x, DWORD y) {
    const BYTE* pair = rowOf(view, y) + (x / 2) * 4;
    int luma, u, v;
    if (view.fourCC == kUYVY) {
        u = pair[0];
        v = pair[2];
        luma = (x & 1) ? pair[3] : pair[1];
    } else {
        u = pair[1];
        v = pair[3];
        luma = (x & 1) ? pair[2] : pair[0];
    }
    return yuvToArgb(luma, u, v);
}

// Reads pixels of one source view, RGB or YUV, as ARGB; opaque unless the
// view has an alpha mask.
class SourceReader {
public:
    explicit SourceReader(const core::PixelView& view) : view_(view), format_(formatOf(view)) {}
    DWORD at(DWORD x, DWORD y) const {
        if (isYuv(view_))
            return readYuv(view_, x, y);
        return toArgb(format_, rawAt(rowOf(view_, y), x, format_.bytes));
    }

private:
    const core::PixelView& view_;
    RgbFormat format_;
};

RECT clampRect(RECT r, LONG width, LONG height) {
    r.left = std::clamp<LONG>(r.left, 0, width);
    r.right = std::clamp<LONG>(r.right, 0, width);
    r.top = std::clamp<LONG>(r.top, 0, height);
    r.bottom = std::clamp<LONG>(r.bottom, 0, height);
    return r;
}

// Stretches the overlay's source rectangle over its destination, nearest
// pixel, keeping to the primary's bounds, its colour key and the source's
// keyed (alpha 0) pixels.
void composeOverlay(const core::PixelView& primary, const core::OverlayView& overlay,
                    std::vector<DWORD>& out) {
    if (!usable(overlay.source))
        return;
    const RECT src = clampRect(overlay.sourceRect, static_cast<LONG>(overlay.source.width),
                               static_cast<LONG>(overlay.source.height));
    const RECT& dst = overlay.destRect;
    const LONG srcW = src.right - src.left, srcH = src.bottom - src.top;
    const LONG dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return;
    const RECT clip =
        clampRect(dst, static_cast<LONG>(primary.width), static_cast<LONG>(primary.height));
    const SourceReader reader(overlay.source);
    const RgbFormat primaryFormat = formatOf(primary);
    const DWORD keyMask = primaryFormat.r.mask | primaryFormat.g.mask | primaryFormat.b.mask;
    for (LONG y = clip.top; y < clip.bottom; ++y) {
        const LONG sy = src.top + (y - dst.top) * srcH / dstH;
        const BYTE* primaryRow = rowOf(primary, static_cast<DWORD>(y));
        for (LONG x = clip.left; x < clip.right; ++x) {
            if (overlay.destColorKey) {
                const DWORD raw =
                    rawAt(primaryRow, static_cast<DWORD>(x), primaryFormat.bytes) & keyMask;
                if (raw < (overlay.colorKeyLow & keyMask) || raw > (overlay.colorKeyHigh & keyMask))
                    continue;
            }
            const LONG sx = src.left + (x - dst.left) * srcW / dstW;
            const DWORD argb = reader.at(static_cast<DWORD>(sx), static_cast<DWORD>(sy));
            // Alpha 0 marks a source-keyed pixel: the primary shows through.
            // Overlays are not blended, so any other alpha covers it.
            if ((argb >> 24) == 0)
                continue;
            out[static_cast<size_t>(y) * primary.width + static_cast<size_t>(x)] =
                0xFF000000u | argb;
        }
    }
}

}  // namespace

DWORD yuvToArgb(int y, int u, int v) {
    const int c = y - 16, d = u - 128, e = v - 128;
    auto clip = [](int value) { return static_cast<DWORD>(std::clamp(value, 0, 255)); };
    const DWORD r = clip((298 * c + 409 * e + 128) >> 8);
    const DWORD g = clip((298 * c - 100 * d - 208 * e + 128) >> 8);
    const DWORD b = clip((298 * c + 516 * d + 128) >> 8);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

DWORD readArgb(const core::PixelView& view, DWORD x, DWORD y) {
    if (isYuv(view))
        return readYuv(view, x, y);
    const RgbFormat f = formatOf(view);
    return toArgb(f, rawAt(rowOf(view, y), x, f.bytes));
}

DWORD readRaw(const core::PixelView& view, DWORD x, DWORD y) {
    return rawAt(rowOf(view, y), x, view.bitCount / 8);
}

namespace {

// Every 16-bit value of a format as ARGB, made once per format: a whole
// frame then costs one look-up per pixel instead of a division per channel.
const std::vector<DWORD>& table16(const RgbFormat& f) {
    static std::mutex lock;
    static std::map<std::array<DWORD, 4>, std::vector<DWORD>> tables;
    const std::lock_guard<std::mutex> guard(lock);
    std::vector<DWORD>& table = tables[{f.r.mask, f.g.mask, f.b.mask, f.a.mask}];
    if (table.empty()) {
        table.resize(0x10000);
        for (DWORD raw = 0; raw < 0x10000; ++raw)
            table[raw] = toArgb(f, raw);
    }
    return table;
}

}  // namespace

bool canCompose(const core::PixelView& primary) {
    return usable(primary) && !isYuv(primary);
}

core::PixelView FrameCopy::copy(const core::PixelView& view, std::vector<BYTE>& bytes) {
    if (!usable(view))
        return core::PixelView{};
    const size_t row = static_cast<size_t>(view.width) * (isYuv(view) ? 2 : view.bitCount / 8);
    bytes.resize(row * view.height);
    for (DWORD y = 0; y < view.height; ++y)
        std::memcpy(bytes.data() + row * y, rowOf(view, y), row);
    core::PixelView copied = view;
    copied.pixels = bytes.data();
    copied.pitch = static_cast<LONG>(row);
    return copied;
}

FrameCopy::FrameCopy(const core::PixelView& primary,
                     const std::vector<core::OverlayView>& overlays)
    : bytes_(overlays.size() + 1), overlays_(overlays) {
    primary_ = copy(primary, bytes_[0]);
    for (size_t i = 0; i < overlays_.size(); ++i)
        overlays_[i].source = copy(overlays[i].source, bytes_[i + 1]);
}

bool composeFrame(const core::PixelView& primary, const std::vector<core::OverlayView>& overlays,
                  std::vector<DWORD>& out) {
    out.clear();
    if (!usable(primary) || isYuv(primary))
        return false;
    out.resize(static_cast<size_t>(primary.width) * primary.height);
    const RgbFormat f = formatOf(primary);
    const std::vector<DWORD>* table = f.bytes == 2 ? &table16(f) : nullptr;
    // X8R8G8B8 and A8R8G8B8 are ARGB already, but for the alpha of the first.
    const bool argb8 = f.bytes == 4 && f.r.mask == 0xFF0000 && f.g.mask == 0xFF00 &&
                       f.b.mask == 0xFF && (f.a.mask == 0 || f.a.mask == 0xFF000000);
    const DWORD opaque = f.a.mask ? 0 : 0xFF000000;
    for (DWORD y = 0; y < primary.height; ++y) {
        const BYTE* row = rowOf(primary, y);
        DWORD* dst = out.data() + static_cast<size_t>(y) * primary.width;
        if (argb8) {
            std::memcpy(dst, row, static_cast<size_t>(primary.width) * 4);
            for (DWORD x = 0; x < primary.width; ++x)
                dst[x] |= opaque;
        } else if (table) {
            for (DWORD x = 0; x < primary.width; ++x)
                dst[x] = (*table)[rawAt(row, x, 2)];
        } else {
            for (DWORD x = 0; x < primary.width; ++x)
                dst[x] = toArgb(f, rawAt(row, x, f.bytes));
        }
    }
    for (const core::OverlayView& overlay : overlays)
        composeOverlay(primary, overlay, out);
    return true;
}

}  // namespace platform::present
