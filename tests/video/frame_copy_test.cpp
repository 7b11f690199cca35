// The frame copy into 16- and 32-bit surfaces: masks, shifts, losses and the
// byte order, the reading 44 bytes into the frame, and the cropping.
#include "video/frame_copy.h"

#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A packed 24-bit frame of `width` × `height` whose byte triple at 44 + 3p
// (p counted over all rows) is (0x80 + 4p, 0x40, 0x20).
std::vector<BYTE> frame(int width, int height, WORD bits = 24) {
    // A bitmap's padded rows and the frame reader's slack after them.
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    std::vector<BYTE> bytes(40 + stride * height + 8, 0);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = bits;
    std::memcpy(bytes.data(), &header, sizeof header);
    for (int p = 0; p < width * height; ++p) {
        bytes[44 + 3 * p] = BYTE(0x80 + 4 * p);
        bytes[44 + 3 * p + 1] = 0x40;
        bytes[44 + 3 * p + 2] = 0x20;
    }
    return bytes;
}

struct Target {
    std::vector<BYTE> memory;
    DDSURFACEDESC2 description{};

    Target(int width, int height, DWORD bits, DWORD red, DWORD green, DWORD blue) {
        description.dwWidth = width;
        description.dwHeight = height;
        description.lPitch = width * int(bits / 8) + 4;  // padded rows
        memory.assign(std::size_t(description.lPitch) * height, 0xAA);
        description.lpSurface = memory.data();
        description.ddpfPixelFormat.dwRGBBitCount = bits;
        description.ddpfPixelFormat.dwRBitMask = red;
        description.ddpfPixelFormat.dwGBitMask = green;
        description.ddpfPixelFormat.dwBBitMask = blue;
    }
    DWORD pixel(int x, int y) const {
        const DWORD bytes = description.ddpfPixelFormat.dwRGBBitCount / 8;
        DWORD value = 0;
        std::memcpy(&value, &memory[std::size_t(y) * description.lPitch + x * bytes], bytes);
        return value;
    }
};

struct FormatCase {
    const char* name;
    DWORD bits, red, green, blue;
    // Pixels (0, 0) and (1, 1) of a 2 × 2 frame: the triples (0x80, 0x40,
    // 0x20) and (0x8C, 0x40, 0x20), red from the second byte, green from the
    // first, blue from the third.
    DWORD first, last;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

class FrameCopyTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FrameCopyTest, EachChannelLandsInItsMaskFromItsByte) {
    const FormatCase& c = GetParam();
    Target target(2, 2, c.bits, c.red, c.green, c.blue);
    copyVideoFrame(frame(2, 2).data(), 2, 2, target.description);
    EXPECT_EQ(target.pixel(0, 0), c.first);
    EXPECT_EQ(target.pixel(1, 1), c.last);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FrameCopyTest,
    testing::Values(
        // 0x40 >> 3 = 8 at bit 11, 0x80 >> 2 = 0x20 (0x8C: 0x23) at bit 5, 0x20 >> 3 = 4.
        FormatCase{"R5G6B5", 16, 0xF800, 0x07E0, 0x001F, 0x4404, 0x4464},
        // 0x40 >> 3 = 8 at bit 10, 0x80 >> 3 = 0x10 (0x8C: 0x11) at bit 5, 4.
        FormatCase{"X1R5G5B5", 16, 0x7C00, 0x03E0, 0x001F, 0x2204, 0x2224},
        // Bytes 0, 1, 2 = third, first, second source byte; byte 3 untouched.
        FormatCase{"X8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, 0xAA408020, 0xAA408C20},
        // Other 32-bit masks take the packed value, all four bytes written.
        FormatCase{"X8B8G8R8", 32, 0xFF, 0xFF00, 0xFF0000, 0x00208040, 0x00208C40}),
    [](const testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

TEST(FrameCopy, OnlyTheOverlapOfSurfaceAndVideoIsWritten) {
    // A 3 × 3 video into a 2 × 4 surface: two columns, three rows.
    Target target(2, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    copyVideoFrame(frame(3, 3).data(), 3, 3, target.description);
    // Row y starts 3 × 3 × y bytes into the pixels: triples 3 and 7.
    EXPECT_EQ(target.pixel(0, 1), 0xAA408C20u);
    EXPECT_EQ(target.pixel(1, 2), 0xAA409C20u);
    EXPECT_EQ(target.pixel(0, 3), 0xAAAAAAAAu);
    // The row padding stays as it was.
    EXPECT_EQ(target.memory[8], 0xAA);
}

TEST(FrameCopy, OtherFramesAndDepthsLeaveTheSurfaceAlone) {
    Target deep(2, 2, 32, 0xFF0000, 0xFF00, 0xFF);
    copyVideoFrame(frame(2, 2, 32).data(), 2, 2, deep.description);
    EXPECT_EQ(deep.pixel(0, 0), 0xAAAAAAAAu);
    Target palette(2, 2, 8, 0, 0, 0);
    copyVideoFrame(frame(2, 2).data(), 2, 2, palette.description);
    EXPECT_EQ(palette.pixel(1, 1), 0xAAu);
}

// A frame rectangle larger than the bitmap must not read past it: rows 8
// pixels apart in a 2 × 2 bitmap leave only the first row inside.
TEST(FrameCopy, AVideoSizeBeyondTheBitmapIsCutToTheBitmap) {
    Target target(8, 8, 16, 0xF800, 0x07E0, 0x001F);
    copyVideoFrame(frame(2, 2).data(), 8, 8, target.description);
    EXPECT_EQ(target.pixel(0, 0), 0x4404u);
    EXPECT_EQ(target.pixel(2, 0), 0xAAAAu);
    EXPECT_EQ(target.pixel(0, 1), 0xAAAAu);
}

}  // namespace
