#include "video/frame_copy.h"

#include <vfw.h>

#include <algorithm>
#include <cstring>

namespace {

// The pixel bytes are read from here on; the packed bitmap's header is 40
// bytes long.
constexpr std::size_t pixelOffset = 44;

int lowestBit(DWORD mask) {
    for (int bit = 0; bit < 32; ++bit)
        if (mask & (DWORD(1) << bit))
            return bit;
    return 0;  // an empty mask places nothing anyway
}

int bitCount(DWORD mask) {
    int count = 0;
    for (; mask != 0; mask &= mask - 1)
        ++count;
    return count;
}

DWORD shifted(DWORD value, int by) {
    return by >= 0 ? value << by : value >> -by;
}

bool isPlainBgrx(const DDPIXELFORMAT& format) {
    return format.dwRBitMask == 0xff0000 && format.dwGBitMask == 0xff00 &&
           format.dwBBitMask == 0xff;
}

}  // namespace

ChannelPlace::ChannelPlace(DWORD mask)
    : shift(lowestBit(mask)), loss(8 - bitCount(mask)), mask(mask) {}

DWORD ChannelPlace::place(BYTE value) const {
    return shifted(shifted(value, -loss), shift) & mask;
}

void copyVideoFrame(const BYTE* frame, int videoWidth, int videoHeight,
                    const DDSURFACEDESC2& surface) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, frame, sizeof header);
    if (header.biBitCount != 24 || !surface.lpSurface)
        return;
    const int w = std::min({static_cast<int>(surface.dwWidth), videoWidth, int(header.biWidth)});
    int h = std::min(static_cast<int>(surface.dwHeight), videoHeight);
    if (w <= 0 || h <= 0)
        return;
    // Never past the bitmap, whatever the stream's frame rectangle claims:
    // reading from 44 bytes in, the last pixel ends 4 bytes after the rows,
    // in the slack the frame reader leaves there.
    const std::size_t rowBytes = (std::size_t(header.biWidth) * 3 + 3) & ~std::size_t(3);
    const std::size_t available = rowBytes * std::size_t(std::abs(header.biHeight));
    const std::size_t step = std::size_t(3) * std::size_t(videoWidth);
    if (available < std::size_t(3) * w)
        return;
    h = static_cast<int>(std::min<std::size_t>(h, (available - std::size_t(3) * w) / step + 1));
    const DDPIXELFORMAT& format = surface.ddpfPixelFormat;
    const ChannelPlace red(format.dwRBitMask), green(format.dwGBitMask), blue(format.dwBBitMask);
    // Each channel's 256 values placed once, not once a pixel.
    DWORD redOf[256], greenOf[256], blueOf[256];
    for (int v = 0; v < 256; ++v) {
        redOf[v] = red.place(static_cast<BYTE>(v));
        greenOf[v] = green.place(static_cast<BYTE>(v));
        blueOf[v] = blue.place(static_cast<BYTE>(v));
    }
    const DWORD depth = format.dwRGBBitCount;
    const BYTE* pixels = frame + pixelOffset;
    auto* target = static_cast<BYTE*>(surface.lpSurface);
    for (int y = 0; y < h; ++y) {
        const BYTE* source = pixels + std::size_t(y) * 3 * videoWidth;
        BYTE* row = target + std::size_t(y) * surface.lPitch;
        if (depth == 32 && isPlainBgrx(format)) {
            for (int p = 0; p < w; ++p) {
                const BYTE* b = source + 3 * p;
                row[4 * p] = b[2];
                row[4 * p + 1] = b[0];
                row[4 * p + 2] = b[1];
            }
        } else if (depth == 16 || depth == 32) {
            for (int p = 0; p < w; ++p) {
                const BYTE* b = source + 3 * p;
                const DWORD value = redOf[b[1]] | greenOf[b[0]] | blueOf[b[2]];
                if (depth == 16) {
                    const WORD packed = static_cast<WORD>(value);
                    std::memcpy(row + 2 * p, &packed, 2);
                } else {
                    std::memcpy(row + 4 * p, &value, 4);
                }
            }
        }
    }
}
