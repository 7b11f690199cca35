// Frames handed to the presenter: pixel formats, overlays, colour keys and
// YUV conversion, read back through the testing API.
#include "core/presenter.h"
#include "present/frame_composer.h"
#include "platform/testing_input.h"

#include <gtest/gtest.h>

#include <cstring>

using platform::core::OverlayView;
using platform::core::PixelView;

namespace {

// Pixels of one format kept alive for a view.
template <typename T>
struct Surface {
    DWORD width, height;
    std::vector<T> pixels;
    Surface(DWORD w, DWORD h, T fill) : width(w), height(h), pixels(w * h, fill) {}
    T& at(DWORD x, DWORD y) { return pixels[y * width + x]; }
    PixelView view(DWORD r, DWORD g, DWORD b, DWORD a = 0) const {
        PixelView v;
        v.pixels = reinterpret_cast<const BYTE*>(pixels.data());
        v.pitch = static_cast<LONG>(width * sizeof(T));
        v.width = width;
        v.height = height;
        v.bitCount = sizeof(T) * 8;
        v.redMask = r;
        v.greenMask = g;
        v.blueMask = b;
        v.alphaMask = a;
        return v;
    }
};

platform::testing::PresentedFrame present(const PixelView& view,
                                          const std::vector<OverlayView>& overlays = {}) {
    platform::core::presenter().present(nullptr, view, overlays);
    return platform::testing::lastPresentedFrame();
}

DWORD pixel(const platform::testing::PresentedFrame& frame, DWORD x, DWORD y) {
    return frame.pixels.at(y * frame.width + x);
}

constexpr DWORD fourCC(const char (&s)[5]) {
    return static_cast<DWORD>(s[0]) | (static_cast<DWORD>(s[1]) << 8) |
           (static_cast<DWORD>(s[2]) << 16) | (static_cast<DWORD>(s[3]) << 24);
}

TEST(FrameFormats, Rgb565ExpandsToFullRange) {
    Surface<WORD> s(4, 1, 0);
    s.at(0, 0) = 0xF800;
    s.at(1, 0) = 0x07E0;
    s.at(2, 0) = 0x001F;
    s.at(3, 0) = 0x8410;
    const auto frame = present(s.view(0xF800, 0x07E0, 0x001F));
    ASSERT_EQ(frame.width, 4u);
    EXPECT_EQ(pixel(frame, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(frame, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(frame, 2, 0), 0xFF0000FFu);
    EXPECT_EQ(pixel(frame, 3, 0), 0xFF848284u);
}

TEST(FrameFormats, Rgb555AndX888AndArgb8888) {
    Surface<WORD> s555(2, 1, 0);
    s555.at(0, 0) = 0x7C00;
    s555.at(1, 0) = 0x03E0;
    auto frame = present(s555.view(0x7C00, 0x03E0, 0x001F));
    EXPECT_EQ(pixel(frame, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(frame, 1, 0), 0xFF00FF00u);

    Surface<DWORD> x888(1, 1, 0xAB123456);
    frame = present(x888.view(0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(pixel(frame, 0, 0), 0xFF123456u);

    Surface<DWORD> argb(1, 1, 0x80123456);
    frame = present(argb.view(0xFF0000, 0xFF00, 0xFF, 0xFF000000));
    EXPECT_EQ(pixel(frame, 0, 0), 0x80123456u);
}

TEST(FrameFormats, PitchPaddingIsSkipped) {
    // Two rows of 2 pixels, each row padded to 4 pixels.
    std::vector<DWORD> memory{0x010101, 0x020202, 0xDEAD, 0xDEAD,
                              0x030303, 0x040404, 0xDEAD, 0xDEAD};
    PixelView v;
    v.pixels = reinterpret_cast<const BYTE*>(memory.data());
    v.pitch = 16;
    v.width = 2;
    v.height = 2;
    v.bitCount = 32;
    v.redMask = 0xFF0000;
    v.greenMask = 0xFF00;
    v.blueMask = 0xFF;
    const auto frame = present(v);
    EXPECT_EQ(pixel(frame, 1, 0), 0xFF020202u);
    EXPECT_EQ(pixel(frame, 0, 1), 0xFF030303u);
}

TEST(FrameFormats, UnreadableFormatCountsButKeepsNoPixels) {
    const unsigned long before = platform::testing::presentedFrameCount();
    std::vector<BYTE> palette(16, 3);
    PixelView v;
    v.pixels = palette.data();
    v.pitch = 4;
    v.width = 4;
    v.height = 4;
    v.bitCount = 8;
    const auto frame = present(v);
    EXPECT_EQ(platform::testing::presentedFrameCount(), before + 1);
    EXPECT_EQ(frame.number, before + 1);
    EXPECT_TRUE(frame.pixels.empty());
    PixelView empty;
    present(empty);
    EXPECT_EQ(platform::testing::presentedFrameCount(), before + 2);
}

TEST(Overlays, RgbOverlayIsStretchedOverItsDestination) {
    Surface<DWORD> primary(8, 8, 0x000000);
    Surface<WORD> overlay(2, 2, 0);
    overlay.at(0, 0) = 0xF800;  // red
    overlay.at(1, 0) = 0x07E0;  // green
    overlay.at(0, 1) = 0x001F;  // blue
    overlay.at(1, 1) = 0xFFFF;  // white
    OverlayView ov;
    ov.source = overlay.view(0xF800, 0x07E0, 0x001F);
    ov.sourceRect = {0, 0, 2, 2};
    ov.destRect = {2, 2, 6, 6};
    const auto frame = present(primary.view(0xFF0000, 0xFF00, 0xFF), {ov});
    EXPECT_EQ(pixel(frame, 1, 1), 0xFF000000u);
    EXPECT_EQ(pixel(frame, 2, 2), 0xFFFF0000u);
    EXPECT_EQ(pixel(frame, 3, 3), 0xFFFF0000u);
    EXPECT_EQ(pixel(frame, 4, 2), 0xFF00FF00u);
    EXPECT_EQ(pixel(frame, 2, 5), 0xFF0000FFu);
    EXPECT_EQ(pixel(frame, 5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(frame, 6, 6), 0xFF000000u);
}

TEST(Overlays, DestinationOutsideThePrimaryIsClipped) {
    Surface<DWORD> primary(4, 4, 0);
    Surface<DWORD> overlay(1, 1, 0xFFFFFF);
    OverlayView ov;
    ov.source = overlay.view(0xFF0000, 0xFF00, 0xFF);
    ov.sourceRect = {0, 0, 5, 5};  // larger than the source: clamped
    ov.destRect = {2, -3, 100, 3};
    const auto frame = present(primary.view(0xFF0000, 0xFF00, 0xFF), {ov});
    EXPECT_EQ(pixel(frame, 3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(frame, 3, 2), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(frame, 3, 3), 0xFF000000u);
    EXPECT_EQ(pixel(frame, 1, 0), 0xFF000000u);
}

TEST(Overlays, DestinationColourKeyLimitsTheOverlay) {
    Surface<WORD> primary(4, 1, 0xF800);
    primary.at(0, 0) = 0x001F;  // key colour: blue
    primary.at(1, 0) = 0x001F;
    Surface<WORD> overlay(1, 1, 0x07E0);
    OverlayView ov;
    ov.source = overlay.view(0xF800, 0x07E0, 0x001F);
    ov.sourceRect = {0, 0, 1, 1};
    ov.destRect = {0, 0, 4, 1};
    ov.destColorKey = true;
    ov.colorKeyLow = ov.colorKeyHigh = 0x001F;
    const auto frame = present(primary.view(0xF800, 0x07E0, 0x001F), {ov});
    EXPECT_EQ(pixel(frame, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(frame, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(frame, 2, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(frame, 3, 0), 0xFFFF0000u);
}

// DirectDraw hands source-keyed overlays over as 32-bit ARGB with alpha 0 on
// the keyed pixels: those leave the primary visible, the others cover it.
TEST(Overlays, SourceKeyedPixelsOfAnArgbOverlayLeaveThePrimaryVisible) {
    Surface<DWORD> primary(4, 1, 0x204060);
    Surface<DWORD> overlay(4, 1, 0xFFFF0000);  // opaque red
    overlay.at(1, 0) = 0x0000FF00;             // keyed
    overlay.at(2, 0) = 0x010000FF;             // nearly transparent: still covers
    OverlayView ov;
    ov.source = overlay.view(0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    ov.sourceRect = {0, 0, 4, 1};
    ov.destRect = {0, 0, 4, 1};
    const auto frame = present(primary.view(0xFF0000, 0xFF00, 0xFF), {ov});
    EXPECT_EQ(pixel(frame, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(frame, 1, 0), 0xFF204060u);
    EXPECT_EQ(pixel(frame, 2, 0), 0xFF0000FFu);
    EXPECT_EQ(pixel(frame, 3, 0), 0xFFFF0000u);
}

TEST(Overlays, YuvOverlaysAreConverted) {
    // Two pixels each: white then black.
    const BYTE yuy2[4] = {235, 128, 16, 128};
    const BYTE uyvy[4] = {128, 16, 128, 235};
    for (const auto& [bytes, code] :
         {std::pair{yuy2, fourCC("YUY2")}, std::pair{uyvy, fourCC("UYVY")}}) {
        PixelView src;
        src.pixels = bytes;
        src.pitch = 4;
        src.width = 2;
        src.height = 1;
        src.bitCount = 16;
        src.fourCC = code;
        Surface<DWORD> primary(2, 1, 0x808080);
        OverlayView ov;
        ov.source = src;
        ov.sourceRect = {0, 0, 2, 1};
        ov.destRect = {0, 0, 2, 1};
        const auto frame = present(primary.view(0xFF0000, 0xFF00, 0xFF), {ov});
        if (code == fourCC("YUY2")) {
            EXPECT_EQ(pixel(frame, 0, 0), 0xFFFFFFFFu);
            EXPECT_EQ(pixel(frame, 1, 0), 0xFF000000u);
        } else {
            EXPECT_EQ(pixel(frame, 0, 0), 0xFF000000u);
            EXPECT_EQ(pixel(frame, 1, 0), 0xFFFFFFFFu);
        }
    }
    EXPECT_EQ(platform::present::yuvToArgb(81, 90, 240), 0xFFFF0000u);  // BT.601 red
}

}  // namespace
