// Shared set-up of the image tests: image files built byte by byte and put
// in a write directory of this process only, surfaces of chosen layouts, and
// pixels compared as 0xAARRGGBB words.
#pragma once

#include "image_container.h"

#include "../support/direct_draw_object.h"
#include "../support/driver_fixture.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <cstring>

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint32_t>;

inline std::uint32_t word(const RGBAColor& c) {
    std::uint32_t w;
    std::memcpy(&w, &c, sizeof w);
    return w;
}

// The image's pixels as 0xAARRGGBB words.
inline Words wordsOf(const ImageContainer& image) {
    Words out(std::size_t(image.getWidth()) * image.getHeight());
    if (image.getData())
        std::memcpy(out.data(), image.getData(), out.size() * 4);
    return out;
}

// An image of the given size and pixels (0xAARRGGBB, top row first).
inline void fill(ImageContainer& image, int width, int height, const Words& pixels) {
    ASSERT_TRUE(image.create(width, height, ALPHA_NONE));
    ASSERT_EQ(std::size_t(width) * height, pixels.size());
    std::memcpy(image.getData(), pixels.data(), pixels.size() * 4);
}

// `count` little-endian bytes of `v` at `at`.
inline void put(Bytes& b, std::size_t at, std::uint32_t v, int count = 4) {
    for (int i = 0; i < count; ++i)
        b.at(at + i) = std::uint8_t(v >> (8 * i));
}

// A TGA file: the 18-byte header (type 2, 32 bits, top-left origin) and the
// given pixels, top row first.
inline Bytes tgaFile(int width, int height, const Words& pixels) {
    Bytes b(18 + 4 * pixels.size(), 0);
    b[2] = 2;
    put(b, 12, std::uint32_t(width), 2);
    put(b, 14, std::uint32_t(height), 2);
    b[16] = 32;
    b[17] = 0x20;
    if (!pixels.empty())
        std::memcpy(b.data() + 18, pixels.data(), 4 * pixels.size());
    return b;
}

// The colours of the BMP test files (0x00RRGGBB, y from the top).
inline std::uint32_t colourAt(int x, int y) {
    return std::uint32_t((x * 40 + 1) << 16 | (y * 50 + 2) << 8 | (x * 7 + y * 11 + 3));
}

// A 24-bit BMP file of colourAt: rows stored bottom first, padded to four
// bytes with a value that must not leak into the image; `gap` extra bytes
// between the headers and the pixel data.
inline Bytes bmpFile(int width, int height, std::uint32_t gap = 0) {
    const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) & ~3u, start = 54 + gap;
    Bytes b(start + stride * std::uint32_t(height), 0xEE);
    std::fill(b.begin(), b.begin() + start, 0);
    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, std::uint32_t(b.size()));
    put(b, 10, start);
    put(b, 14, 40);
    put(b, 18, std::uint32_t(width));
    put(b, 22, std::uint32_t(height));
    put(b, 26, 1, 2);
    put(b, 28, 24, 2);
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            put(b, start + r * stride + x * 3, colourAt(x, height - 1 - r), 3);
    return b;
}

// What the BMP reader makes of bmpFile: colourAt, opaque.
inline Words bmpPixels(int width, int height) {
    Words out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.push_back(0xFF000000u | colourAt(x, y));
    return out;
}

// Files go to the write folder of this process, removed after each suite;
// each test starts at the root path.
class ImageFileTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
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

// Formats of 16 and 32 bits by their bit count and red, green, blue and
// alpha masks, and the packed YUV formats.
inline DDPIXELFORMAT rgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a = 0) {
    DDPIXELFORMAT f{sizeof f, DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0u), 0, {bits}, {r}, {g}, {b},
                    {a}};
    return f;
}
inline const DDPIXELFORMAT kR5G6B5 = rgbFormat(16, 0xF800, 0x07E0, 0x001F);
inline const DDPIXELFORMAT kX1R5G5B5 = rgbFormat(16, 0x7C00, 0x03E0, 0x001F);
inline const DDPIXELFORMAT kA1R5G5B5 = rgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
inline const DDPIXELFORMAT kA4R4G4B4 = rgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
inline const DDPIXELFORMAT kA8R8G8B8 = rgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
inline DDPIXELFORMAT yuvFormat(DWORD fourCC) {
    DDPIXELFORMAT f{sizeof f, DDPF_FOURCC, fourCC, {16}, {0}, {0}, {0}, {0}};
    return f;
}

// The raw bytes of a surface's rows, `width` x bytes per pixel each.
inline Bytes surfaceBytes(IDirectDrawSurface4* s, DWORD bytesPerPixel) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    Bytes out;
    EXPECT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    if (!d.lpSurface)
        return out;
    auto* row = static_cast<std::uint8_t*>(d.lpSurface);
    const std::size_t rowBytes = d.dwWidth * bytesPerPixel;
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch)
        out.insert(out.end(), row, row + rowBytes);
    EXPECT_EQ(DD_OK, s->Unlock(nullptr));
    return out;
}
