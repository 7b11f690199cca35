// Shared set-up of the image tests: image files built byte by byte and put
// in a write directory of this process only, surfaces of chosen layouts, and
// pixels compared as 0xAARRGGBB words.
#pragma once

#include "image_container.h"

#include "../support/direct_draw_object.h"

#include <ddraw.h>
#include <engine/debug.h>
#include <engine/resources.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t word(const RGBAColor& c) {
    std::uint32_t w;
    std::memcpy(&w, &c, sizeof w);
    return w;
}

inline RGBAColor pixelOf(std::uint32_t argb) {
    RGBAColor c;
    std::memcpy(&c, &argb, sizeof c);
    return c;
}

inline void putLE16(Bytes& b, std::size_t at, std::uint32_t v) {
    b.at(at) = std::uint8_t(v);
    b.at(at + 1) = std::uint8_t(v >> 8);
}

inline void putLE32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = std::uint8_t(v >> (8 * i));
}

// A TGA file: the 18-byte header (type 2, 32 bits, top-left origin) and the
// given pixels (0xAARRGGBB each), top row first.
inline Bytes tgaFile(int width, int height, const std::vector<std::uint32_t>& pixels) {
    Bytes b(18, 0);
    b[2] = 2;
    putLE16(b, 12, std::uint32_t(width));
    putLE16(b, 14, std::uint32_t(height));
    b[16] = 32;
    b[17] = 0x20;
    for (std::uint32_t p : pixels)
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(p >> (8 * i)));
    return b;
}

// A 24-bit BMP file; `pixel(x, y)` (0x00RRGGBB, y from the top) gives the
// colours. Rows are stored bottom first, padded to four bytes; `gap` extra
// bytes sit between the headers and the pixel data.
template <typename Fn>
Bytes bmpFile(int width, int height, Fn pixel, std::uint32_t gap = 0) {
    const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) & ~3u;
    const std::uint32_t start = 54 + gap;
    Bytes b(start + stride * std::uint32_t(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    putLE32(b, 2, std::uint32_t(b.size()));
    putLE32(b, 10, start);
    putLE32(b, 14, 40);
    putLE32(b, 18, std::uint32_t(width));
    putLE32(b, 22, std::uint32_t(height));
    putLE16(b, 26, 1);
    putLE16(b, 28, 24);
    for (int r = 0; r < height; ++r) {
        const int y = height - 1 - r;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x, y);
            std::uint8_t* at = &b[start + r * stride + x * 3];
            at[0] = std::uint8_t(c);
            at[1] = std::uint8_t(c >> 8);
            at[2] = std::uint8_t(c >> 16);
        }
        // Padding bytes carry a value that must not leak into the image.
        for (std::uint32_t p = std::uint32_t(width) * 3; p < stride; ++p)
            b[start + r * stride + p] = 0xEE;
    }
    return b;
}

// Files are written below a folder of this process only and removed after
// each test.
class ImageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("d3ddriver_test_images_" + std::to_string(getpid()));
        ASSERT_TRUE(theResourceManager->setWriteDir(dir.string()));
        ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
    }
    void TearDown() override {
        theResourceManager->setCurrentPath("/");
        std::error_code ec;
        std::filesystem::remove_all(theResourceManager->getWriteDir(), ec);
    }

    static void writeFile(const std::string& name, const Bytes& bytes) {
        auto file = theResourceManager->openWrite(name);
        ASSERT_NE(nullptr, file);
        ASSERT_EQ(bytes.size(), file->write(bytes.data(), bytes.size()));
        file->close();
    }

    // The message of the debug::Exception that `fn` throws, or "" when it
    // throws none.
    template <typename Fn>
    static std::string thrownMessage(Fn fn) {
        try {
            fn();
        } catch (const debug::Exception& e) {
            return e.what();
        }
        return "";
    }
};

struct PixelLayout {
    DWORD bits, red, green, blue, alpha;
};
inline constexpr PixelLayout kR5G6B5{16, 0xF800, 0x07E0, 0x001F, 0};
inline constexpr PixelLayout kX1R5G5B5{16, 0x7C00, 0x03E0, 0x001F, 0};
inline constexpr PixelLayout kA1R5G5B5{16, 0x7C00, 0x03E0, 0x001F, 0x8000};
inline constexpr PixelLayout kA4R4G4B4{16, 0x0F00, 0x00F0, 0x000F, 0xF000};
inline constexpr PixelLayout kA8R8G8B8{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};

inline DDPIXELFORMAT rgbFormat(const PixelLayout& layout) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_RGB | (layout.alpha ? DDPF_ALPHAPIXELS : 0);
    f.dwRGBBitCount = layout.bits;
    f.dwRBitMask = layout.red;
    f.dwGBitMask = layout.green;
    f.dwBBitMask = layout.blue;
    f.dwRGBAlphaBitMask = layout.alpha;
    return f;
}

inline DDPIXELFORMAT yuvFormat(DWORD fourCC) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_FOURCC;
    f.dwFourCC = fourCC;
    f.dwYUVBitCount = 16;
    return f;
}

// The raw bytes of a locked surface's rows, `width` x bytes per pixel each.
inline Bytes surfaceBytes(IDirectDrawSurface4* s, DWORD bytesPerPixel) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    Bytes out;
    EXPECT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    if (!d.lpSurface)
        return out;
    const auto* row = static_cast<const std::uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch)
        out.insert(out.end(), row, row + d.dwWidth * bytesPerPixel);
    EXPECT_EQ(DD_OK, s->Unlock(nullptr));
    return out;
}

// Fills a surface with raw bytes, row by row (the inverse of surfaceBytes).
inline void fillSurface(IDirectDrawSurface4* s, DWORD bytesPerPixel, const Bytes& bytes) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    auto* row = static_cast<std::uint8_t*>(d.lpSurface);
    const std::size_t rowBytes = d.dwWidth * bytesPerPixel;
    for (DWORD y = 0; y < d.dwHeight && (y + 1) * rowBytes <= bytes.size(); ++y, row += d.lPitch)
        std::memcpy(row, bytes.data() + y * rowBytes, rowBytes);
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));
}
