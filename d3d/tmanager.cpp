// Images and the plain surfaces made from them.
#include "driver_filter.h"
#include "dxerror.h"
#include "image_container.h"
#include "surface_container.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char* const sourcePath = "3d/driver/d3d/tmanager";
HRESULT hr = S_OK;

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
        : red(f.dwRBitMask), green(f.dwGBitMask), blue(f.dwBBitMask),
          alpha(f.dwFlags & DDPF_ALPHAPIXELS ? f.dwRGBAlphaBitMask : 0) {}

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

template <typename Pixel>
void unpackRows(const DDSURFACEDESC2& d, const RGBLayout& layout, RGBAColor* out) {
    const auto* row = static_cast<const std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch) {
        const auto* pixels = reinterpret_cast<const Pixel*>(row);
        for (DWORD x = 0; x < d.dwWidth; ++x)
            *out++ = layout.unpack(pixels[x]);
    }
}

// Nearest image pixel for each surface pixel when the sizes differ.
template <typename Pixel>
void packRows(const DDSURFACEDESC2& d, const RGBLayout& layout, const RGBAColor* image,
              int imageWidth, int imageHeight) {
    const bool same = DWORD(imageWidth) == d.dwWidth && DWORD(imageHeight) == d.dwHeight;
    const double xRatio = double(imageWidth) / d.dwWidth;
    const double yRatio = double(imageHeight) / d.dwHeight;
    auto* row = static_cast<std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch) {
        auto* pixels = reinterpret_cast<Pixel*>(row);
        const int sy = same ? int(y) : int(y * yRatio);
        const RGBAColor* source = image + std::size_t(sy) * imageWidth;
        for (DWORD x = 0; x < d.dwWidth; ++x) {
            const int sx = same ? int(x) : int(x * xRatio);
            pixels[x] = static_cast<Pixel>(layout.pack(source[sx]));
        }
    }
}

void putLittle16(std::uint8_t* at, int value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

// ===========================================================================
// ImageContainer
// ===========================================================================

ImageContainer::ImageContainer(const ImageContainer& other) {
    copyFrom(other);
}

ImageContainer& ImageContainer::operator=(const ImageContainer& other) {
    if (this != &other) {
        destroy();
        copyFrom(other);
    }
    return *this;
}

ImageContainer::~ImageContainer() {
    delete[] data;
}

void ImageContainer::copyFrom(const ImageContainer& other) {
    allocate(other.width, other.height);
    if (data && other.data)
        std::memcpy(data, other.data, sizeof(RGBAColor) * std::size_t(width) * height);
    alphaUsed = other.alphaUsed;
    alphaFormat = other.alphaFormat;
}

void ImageContainer::allocate(int newWidth, int newHeight) {
    delete[] data;
    data = nullptr;
    width = newWidth > 0 ? newWidth : 0;
    height = newHeight > 0 ? newHeight : 0;
    const std::size_t count = std::size_t(width) * height;
    if (count)
        data = new RGBAColor[count]();
}

bool ImageContainer::create(int newWidth, int newHeight, AlphaFormat) {
    destroy();
    allocate(newWidth, newHeight);
    return true;
}

bool ImageContainer::destroy() {
    delete[] data;
    data = nullptr;
    width = height = 0;
    alphaUsed = 0;
    alphaFormat = ALPHA_NONE;
    colorKey = RGBAColor{0, 0, 0, 0};
    return true;
}

HRESULT ImageContainer::paste(IDirectDrawSurface4* surface) {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    hr = surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    if (FAILED(hr))
        return hr;

    if (DWORD(width) != d.dwWidth || DWORD(height) != d.dwHeight)
        allocate(int(d.dwWidth), int(d.dwHeight));

    const DDPIXELFORMAT& format = d.ddpfPixelFormat;
    const RGBLayout layout(format);
    alphaFormat = alphaFormatForBits(layout.alpha.bits);
    alphaUsed = alphaFormat != ALPHA_NONE;

    if (data && (format.dwFlags & DDPF_RGB)) {
        if (format.dwRGBBitCount == 16)
            unpackRows<std::uint16_t>(d, layout, data);
        else if (format.dwRGBBitCount == 32)
            unpackRows<std::uint32_t>(d, layout, data);
    }
    return surface->Unlock(nullptr);
}

HRESULT ImageContainer::copy(IDirectDrawSurface4* surface) const {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    hr = surface->GetSurfaceDesc(&d);
    if (FAILED(hr))
        return hr;
    // The packed YUV layouts are written by the video playback's copy.
    if (d.ddpfPixelFormat.dwFlags & DDPF_FOURCC)
        return DDERR_UNSUPPORTEDFORMAT;

    hr = surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    if (FAILED(hr))
        return hr;
    const RGBLayout layout(d.ddpfPixelFormat);
    if (data) {
        if (d.ddpfPixelFormat.dwRGBBitCount == 16)
            packRows<std::uint16_t>(d, layout, data, width, height);
        else if (d.ddpfPixelFormat.dwRGBBitCount == 32)
            packRows<std::uint32_t>(d, layout, data, width, height);
    }
    return surface->Unlock(nullptr);
}

bool ImageContainer::save(const char* name) const {
    if (!name)
        return false;
    auto file = theResourceManager->openWrite(name);
    if (!file)
        return false;

    // Type 2 (uncompressed true colour), 32 bits, origin at the top left
    // (descriptor bit 5), as the rows are kept top row first.
    std::uint8_t header[18] = {};
    header[2] = 2;
    putLittle16(header + 12, width);
    putLittle16(header + 14, height);
    header[16] = 32;
    header[17] = 0x20;
    if (file->write(header, sizeof header) != sizeof header) {
        file->close();
        throw debug::Exception("Error write tga header");
    }
    const std::size_t bytes = sizeof(RGBAColor) * std::size_t(width) * height;
    if (bytes && file->write(data, bytes) != bytes) {
        file->close();
        throw debug::Exception("Error write tga data");
    }
    file->close();
    return true;
}

// ===========================================================================
// SurfaceContainer
// ===========================================================================

namespace {

std::atomic<unsigned long> surfacesSize{0};

unsigned long surfaceBytes(const DDSURFACEDESC2& d) {
    return static_cast<unsigned long>(d.lPitch) * d.dwHeight;
}

}  // namespace

unsigned long SurfaceContainer::getSurfacesSize() {
    return surfacesSize.load();
}

SurfaceContainer::SurfaceContainer() {
    description.dwSize = sizeof description;
}

SurfaceContainer::~SurfaceContainer() {
    if (restored != 0 || references != 0)
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "surface " << name << " has references " << references
                          << ", restored " << restored);
    releaseSurface();
}

bool SurfaceContainer::create(int width, int height) {
    thread::Lock guard(this);
    if (references == 0) {
        if (width <= 0 || height <= 0) {
            DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                              << "Surface 'custom surface " << width << " x " << height
                              << "': Can't create image");
            return false;
        }
        std::snprintf(name, sizeof name, "custom surface %d x %d", width, height);
        image.create(width, height, ALPHA_NONE);
    }
    ++references;
    return true;
}

bool SurfaceContainer::destroy() {
    thread::Lock guard(this);
    if (references > 0 && --references == 0)
        image.destroy();
    return true;
}

bool SurfaceContainer::restore(IDirectDraw4* directDraw) {
    thread::Lock guard(this);
    if (++restored == 1)
        valid = makeSurface(directDraw);
    return valid;
}

bool SurfaceContainer::invalidate() {
    thread::Lock guard(this);
    if (restored > 0 && --restored == 0) {
        releaseSurface();
        valid = false;
    }
    return true;
}

void SurfaceContainer::releaseSurface() {
    if (clipper) {
        if (surface)
            surface->SetClipper(nullptr);
        clipper->Release();
        clipper = nullptr;
    }
    if (surface) {
        surfacesSize -= surfaceBytes(description);
        surface->Release();
        surface = nullptr;
    }
}

bool SurfaceContainer::makeSurface(IDirectDraw4* directDraw) {
    releaseSurface();
    if (!directDraw || image.getWidth() <= 0 || image.getHeight() <= 0)
        return false;

    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.ddsCaps.dwCaps = DWORD(flags) | DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = DWORD(image.getWidth());
    d.dwHeight = DWORD(image.getHeight());
    if (!DX_TEST(hr = directDraw->CreateSurface(&d, &surface, nullptr), sourcePath)) {
        surface = nullptr;
        return false;
    }
    description = DDSURFACEDESC2{};
    description.dwSize = sizeof description;
    if (!DX_TEST(hr = surface->GetSurfaceDesc(&description), sourcePath)) {
        surface->Release();
        surface = nullptr;
        return false;
    }
    surfacesSize += surfaceBytes(description);

    if (!DX_TEST(hr = image.copy(surface), sourcePath))
        return false;
    return attachClipper(directDraw);
}

// A clipper of the surface's own rectangle lets Blt calls clip at its edges.
bool SurfaceContainer::attachClipper(IDirectDraw4* directDraw) {
    if (!DX_TEST(hr = directDraw->CreateClipper(0, &clipper, nullptr), sourcePath)) {
        clipper = nullptr;
        return false;
    }
    struct {
        RGNDATAHEADER header;
        RECT rect;
    } region{};
    region.header.dwSize = sizeof(RGNDATAHEADER);
    region.header.iType = RDH_RECTANGLES;
    region.header.nCount = 1;
    region.header.nRgnSize = sizeof(RECT);
    region.header.rcBound = {0, 0, LONG(description.dwWidth), LONG(description.dwHeight)};
    region.rect = region.header.rcBound;
    return DX_TEST(hr = clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0), sourcePath) &&
           DX_TEST(hr = surface->SetClipper(clipper), sourcePath);
}
