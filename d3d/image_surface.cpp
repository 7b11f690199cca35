// ImageContainer: pixels to and from DirectDraw surfaces of 16- and 32-bit
// RGB layouts and of the packed YUV layouts; colour matching and colour keys.
#include "image_container.h"

#include <cmath>
#include <cstdint>

namespace {

// Images are made on engine threads and restored on the core thread.
thread_local HRESULT hr = S_OK;

// Where one colour channel sits in a pixel of an RGB surface.
struct Channel {
    DWORD mask = 0;
    int shift = 0;  // lowest set bit; 32 for an empty mask
    int bits = 0;   // set bits

    explicit Channel(DWORD m) : mask(m) {
        if (mask == 0) {
            shift = 32;
            return;
        }
        while (!((mask >> shift) & 1u))
            ++shift;
        for (DWORD v = mask; v; v &= v - 1)
            ++bits;
    }

    // Surface value to a byte; the low bits stay 0, as the high ones are not
    // repeated into them.
    std::uint8_t unpack(DWORD pixel) const {
        if (bits == 0)
            return 0;
        const DWORD value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>(bits <= 8 ? value << (8 - bits) : value >> (bits - 8));
    }

    // The byte's top bits at the mask's place.
    DWORD pack(std::uint8_t byte) const {
        if (bits == 0)
            return 0;
        const DWORD value = bits <= 8 ? DWORD(byte) >> (8 - bits) : DWORD(byte) << (bits - 8);
        return (value << shift) & mask;
    }
};

struct RGBLayout {
    Channel red, green, blue, alpha;
    explicit RGBLayout(const DDPIXELFORMAT& f)
        : red(f.dwRBitMask), green(f.dwGBitMask), blue(f.dwBBitMask), alpha(f.dwRGBAlphaBitMask) {}

    RGBAColor unpack(DWORD pixel) const {
        return {blue.unpack(pixel), green.unpack(pixel), red.unpack(pixel), alpha.unpack(pixel)};
    }
    DWORD pack(const RGBAColor& c) const {
        return red.pack(c.r) | green.pack(c.g) | blue.pack(c.b) | alpha.pack(c.a);
    }
};

AlphaFormat alphaFormatForBits(int bits) {
    if (bits == 1)
        return ALPHA_COLORKEY;
    if (bits == 4)
        return ALPHA_GRADED;
    return ALPHA_NONE;
}

constexpr DWORD fourCCUYVY = MAKEFOURCC('U', 'Y', 'V', 'Y');
constexpr DWORD fourCCYUY2 = MAKEFOURCC('Y', 'U', 'Y', '2');

bool isRGB(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_RGB) && !(f.dwFlags & DDPF_FOURCC);
}

bool isYUV(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_FOURCC) && (f.dwFourCC == fourCCUYVY || f.dwFourCC == fourCCYUY2);
}

// Which image pixel each surface pixel shows: the same one when the sizes
// agree, else the nearest one.
class Sampling {
public:
    Sampling(int imageWidth, int imageHeight, const DDSURFACEDESC2& d)
        : same_(DWORD(imageWidth) == d.dwWidth && DWORD(imageHeight) == d.dwHeight),
          xRatio_(d.dwWidth ? double(imageWidth) / d.dwWidth : 0.0),
          yRatio_(d.dwHeight ? double(imageHeight) / d.dwHeight : 0.0) {}

    int column(DWORD x) const { return same_ ? int(x) : int(x * xRatio_); }
    int row(DWORD y) const { return same_ ? int(y) : int(y * yRatio_); }

private:
    bool same_;
    double xRatio_;
    double yRatio_;
};

template <typename Pixel>
void unpackRows(const DDSURFACEDESC2& d, const RGBLayout& layout, RGBAColor* out) {
    const auto* row = static_cast<const std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch) {
        const auto* pixels = reinterpret_cast<const Pixel*>(row);
        for (DWORD x = 0; x < d.dwWidth; ++x)
            *out++ = layout.unpack(pixels[x]);
    }
}

template <typename Pixel>
void packRows(const DDSURFACEDESC2& d, const RGBLayout& layout, const RGBAColor* image,
              int imageWidth, int imageHeight) {
    const Sampling sampling(imageWidth, imageHeight, d);
    auto* row = static_cast<std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch) {
        auto* pixels = reinterpret_cast<Pixel*>(row);
        const RGBAColor* source = image + std::size_t(sampling.row(y)) * imageWidth;
        for (DWORD x = 0; x < d.dwWidth; ++x)
            pixels[x] = static_cast<Pixel>(layout.pack(source[sampling.column(x)]));
    }
}

// The colour differences are computed in hundredths with integers: the
// weights are exact there, so a grey gives exactly 128 where binary floating
// point would sometimes fall just short of it. Every result lies in 0..255.
std::uint8_t lumaOf(const RGBAColor& c) {
    return static_cast<std::uint8_t>((29 * c.r + 57 * c.g + 14 * c.b) / 100);
}
std::uint8_t blueDifferenceOf(const RGBAColor& c) {
    return static_cast<std::uint8_t>((12800 - 14 * c.r - 29 * c.g + 43 * c.b) / 100);
}
std::uint8_t redDifferenceOf(const RGBAColor& c) {
    return static_cast<std::uint8_t>((12800 + 36 * c.r - 29 * c.g - 7 * c.b) / 100);
}

std::uint8_t clampByte(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// The inverse of the three functions above, near enough for colours and
// exact for greys.
RGBAColor colorOfYUV(int y, int u, int v) {
    const std::uint8_t r = clampByte(y + 2 * (v - 128));
    const std::uint8_t b = clampByte(y + 2 * (u - 128));
    const int g = (100 * y - 29 * r - 14 * b + 28) / 57;
    return {b, clampByte(g), r, 0};
}

// Byte offsets of Y0, U, Y1, V within one two-pixel group.
struct YUVOrder {
    int y0, u, y1, v;
};

YUVOrder orderOf(DWORD fourCC) {
    return fourCC == fourCCUYVY ? YUVOrder{1, 0, 3, 2} : YUVOrder{0, 1, 2, 3};
}

// Each pair of surface pixels takes its U from the first image pixel and its
// V from the one after it in the same image row (the last pixel of a row
// stands in for its own successor).
void packYUVRows(const DDSURFACEDESC2& d, const RGBAColor* image, int imageWidth,
                 int imageHeight) {
    const Sampling sampling(imageWidth, imageHeight, d);
    const YUVOrder order = orderOf(d.ddpfPixelFormat.dwFourCC);
    auto* row = static_cast<std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch) {
        const RGBAColor* source = image + std::size_t(sampling.row(y)) * imageWidth;
        for (DWORD x = 0; x + 1 < d.dwWidth; x += 2) {
            const int i = sampling.column(x);
            const RGBAColor& first = source[i];
            const RGBAColor& second = source[i + 1 < imageWidth ? i + 1 : i];
            std::uint8_t* group = row + std::size_t(x) * 2;
            group[order.y0] = lumaOf(first);
            group[order.u] = blueDifferenceOf(first);
            group[order.y1] = lumaOf(second);
            group[order.v] = redDifferenceOf(second);
        }
    }
}

void unpackYUVRows(const DDSURFACEDESC2& d, RGBAColor* out) {
    const YUVOrder order = orderOf(d.ddpfPixelFormat.dwFourCC);
    const auto* row = static_cast<const std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch) {
        RGBAColor* pixels = out + std::size_t(y) * d.dwWidth;
        DWORD x = 0;
        for (; x + 1 < d.dwWidth; x += 2) {
            const std::uint8_t* group = row + std::size_t(x) * 2;
            pixels[x] = colorOfYUV(group[order.y0], group[order.u], group[order.v]);
            pixels[x + 1] = colorOfYUV(group[order.y1], group[order.u], group[order.v]);
        }
        // An odd last pixel has only its own half of a group in the row.
        if (x < d.dwWidth) {
            const std::uint8_t* group = row + std::size_t(x) * 2;
            pixels[x] = colorOfYUV(group[order.y0], group[order.u], 128);
        }
    }
}

std::uint8_t colorByte(float channel) {
    const float scaled = channel * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    // The default rounding mode rounds ties to even.
    return static_cast<std::uint8_t>(std::nearbyint(scaled));
}

unsigned long packedColor(const Color& color) {
    return (static_cast<unsigned long>(colorByte(color.a)) << 24) |
           (static_cast<unsigned long>(colorByte(color.r)) << 16) |
           (static_cast<unsigned long>(colorByte(color.g)) << 8) | colorByte(color.b);
}

}  // namespace

HRESULT ImageContainer::paste(IDirectDrawSurface4* surface) {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    const ImageLock lock(*this);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    hr = surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    if (FAILED(hr))
        return hr;

    if (DWORD(width) != d.dwWidth || DWORD(height) != d.dwHeight)
        allocate(int(d.dwWidth), int(d.dwHeight));

    const DDPIXELFORMAT& format = d.ddpfPixelFormat;
    const RGBLayout layout(format);
    alphaFormat = isRGB(format) ? alphaFormatForBits(layout.alpha.bits) : ALPHA_NONE;
    alphaUsed = alphaFormat != ALPHA_NONE;

    if (data && isRGB(format)) {
        if (format.dwRGBBitCount == 16)
            unpackRows<std::uint16_t>(d, layout, data);
        else if (format.dwRGBBitCount == 32)
            unpackRows<std::uint32_t>(d, layout, data);
    } else if (data && isYUV(format)) {
        unpackYUVRows(d, data);
    }
    return surface->Unlock(nullptr);
}

HRESULT ImageContainer::copy(IDirectDrawSurface4* surface) const {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    // An associated image is read for the copy; what it shows stays the same.
    const ImageLock lock(const_cast<ImageContainer&>(*this));
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    hr = surface->GetSurfaceDesc(&d);
    if (FAILED(hr))
        return hr;

    hr = surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    if (FAILED(hr))
        return hr;
    const DDPIXELFORMAT& format = d.ddpfPixelFormat;
    if (data && (format.dwFlags & DDPF_FOURCC)) {
        if (isYUV(format))
            packYUVRows(d, data, width, height);
    } else if (data) {
        const RGBLayout layout(format);
        if (format.dwRGBBitCount == 16)
            packRows<std::uint16_t>(d, layout, data, width, height);
        else if (format.dwRGBBitCount == 32)
            packRows<std::uint32_t>(d, layout, data, width, height);
    }
    return surface->Unlock(nullptr);
}

unsigned long DDColorMatch(const DDPIXELFORMAT& format, unsigned long color) {
    const RGBLayout layout(format);
    const RGBAColor c{std::uint8_t(color & 0xFF), std::uint8_t((color >> 8) & 0xFF),
                      std::uint8_t((color >> 16) & 0xFF), std::uint8_t((color >> 24) & 0xFF)};
    return layout.pack(c);
}

unsigned long DDColorMatch(const DDSURFACEDESC2& description, unsigned long color) {
    return DDColorMatch(description.ddpfPixelFormat, color);
}

unsigned long DDColorMatch(const DDPIXELFORMAT& format, const Color& color) {
    return DDColorMatch(format, packedColor(color));
}

unsigned long DDColorMatch(const DDSURFACEDESC2& description, const Color& color) {
    return DDColorMatch(description.ddpfPixelFormat, packedColor(color));
}

HRESULT DDSetColorKey(IDirectDrawSurface4* surface, unsigned long value) {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    DDCOLORKEY key{};
    key.dwColorSpaceLowValue = DWORD(value);
    key.dwColorSpaceHighValue = DWORD(value);
    hr = surface->SetColorKey(DDCKEY_SRCBLT, &key);
    return hr;
}
