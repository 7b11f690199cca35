// Shared set-up of the screen shot tests: a DirectDraw object of its own,
// surfaces in a chosen RGB layout, and TGA files read back from the write
// directory.
#pragma once

#include "../support/direct_draw_object.h"

#include <ddraw.h>
#include <engine/resources.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

struct PixelLayout {
    DWORD bits, red, green, blue, alpha;

    // So that DirectDrawObject::create takes a layout directly.
    operator DDPIXELFORMAT() const {
        DDPIXELFORMAT f{};
        f.dwSize = sizeof f;
        f.dwFlags = DDPF_RGB | (alpha ? DDPF_ALPHAPIXELS : 0);
        f.dwRGBBitCount = bits;
        f.dwRBitMask = red;
        f.dwGBitMask = green;
        f.dwBBitMask = blue;
        f.dwRGBAlphaBitMask = alpha;
        return f;
    }
};
inline constexpr PixelLayout kR5G6B5{16, 0xF800, 0x07E0, 0x001F, 0};
inline constexpr PixelLayout kA1R5G5B5{16, 0x7C00, 0x03E0, 0x001F, 0x8000};
inline constexpr PixelLayout kA4R4G4B4{16, 0x0F00, 0x00F0, 0x000F, 0xF000};
inline constexpr PixelLayout kA8R8G8B8{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
inline constexpr PixelLayout kX8R8G8B8{32, 0xFF0000, 0xFF00, 0xFF, 0};

// A 565 pixel as the image holds it: each channel shifted up, low bits 0,
// alpha 0 as the layout has none. Written out channel by channel on purpose.
inline uint32_t expand565(uint16_t p) {
    const uint32_t r = ((p >> 11) & 0x1F) << 3;
    const uint32_t g = ((p >> 5) & 0x3F) << 2;
    const uint32_t b = (p & 0x1F) << 3;
    return (r << 16) | (g << 8) | b;
}

// A pattern where neighbouring pixels and rows differ, and every channel
// takes many values.
inline uint16_t pattern565(int x, int y, int seed) {
    return static_cast<uint16_t>((x * 37 + y * 1031 + seed * 4099) & 0xFFFF);
}

// Writes raw pixel values into a surface, row by row, through its pitch.
template <typename Pixel, typename Fn>
void writePixels(IDirectDrawSurface4* s, Fn value) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    auto* row = static_cast<uint8_t*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y, row += d.lPitch)
        for (DWORD x = 0; x < d.dwWidth; ++x)
            reinterpret_cast<Pixel*>(row)[x] = value(int(x), int(y));
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));
}

// A TGA file as read back byte by byte.
struct TgaFile {
    std::vector<uint8_t> bytes;

    bool valid() const { return bytes.size() >= 18; }
    uint8_t header(int offset) const { return bytes.at(offset); }
    int width() const { return bytes.at(12) | (bytes.at(13) << 8); }
    int height() const { return bytes.at(14) | (bytes.at(15) << 8); }
    size_t pixelBytes() const { return bytes.size() - 18; }
    // Pixel (x, y), top row first, as 0xAARRGGBB.
    uint32_t pixel(int x, int y) const {
        const size_t at = 18 + (size_t(y) * width() + x) * 4;
        return bytes.at(at) | (bytes.at(at + 1) << 8) | (bytes.at(at + 2) << 16) |
               (uint32_t(bytes.at(at + 3)) << 24);
    }
};

// Files are written below a folder of this process only.
class WriteDirectory {
public:
    static void use() {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("d3ddriver_test_screenshot_" + std::to_string(getpid()));
        ASSERT_TRUE(theResourceManager->setWriteDir(dir.string()));
    }
    static void clear() {
        std::error_code ec;
        for (const auto& entry :
             std::filesystem::directory_iterator(theResourceManager->getWriteDir(), ec))
            std::filesystem::remove_all(entry.path(), ec);
    }
    static void remove() {
        std::error_code ec;
        std::filesystem::remove_all(theResourceManager->getWriteDir(), ec);
    }
    static std::filesystem::path path(const std::string& name) {
        return std::filesystem::path(theResourceManager->getWriteDir()) / name;
    }
    static bool exists(const std::string& name) { return std::filesystem::exists(path(name)); }
    static size_t fileCount() {
        std::error_code ec;
        size_t n = 0;
        for (auto it = std::filesystem::directory_iterator(theResourceManager->getWriteDir(), ec);
             !ec && it != std::filesystem::directory_iterator(); ++it)
            ++n;
        return n;
    }
    static TgaFile read(const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        TgaFile file;
        file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return file;
    }
};
