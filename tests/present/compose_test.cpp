// Frames handed to the presenter: pixel formats, overlays, colour keys and
// YUV conversion, read back whole through the testing API.
#include "core/presenter.h"
#include "present/frame_composer.h"
#include "platform/testing_input.h"

#include <gtest/gtest.h>

#include <vector>

using platform::core::OverlayView;
using platform::core::PixelView;

namespace {

struct Masks {
    DWORD r, g, b, a;
};
constexpr Masks k565{0xF800, 0x07E0, 0x001F, 0}, k555{0x7C00, 0x03E0, 0x001F, 0},
    kX888{0xFF0000, 0xFF00, 0xFF, 0}, kArgb{0xFF0000, 0xFF00, 0xFF, 0xFF000000};

// A view of `pixels`, `width` to a row unless `pitch` pads the rows.
template <typename T>
PixelView view(const std::vector<T>& pixels, DWORD width, Masks m, LONG pitch = 0) {
    pitch = pitch ? pitch : static_cast<LONG>(width * sizeof(T));
    const auto height = static_cast<DWORD>(pixels.size() * sizeof(T) / pitch);
    const auto bytes = reinterpret_cast<const BYTE*>(pixels.data());
    return {bytes, pitch, width, height, sizeof(T) * 8, m.r, m.g, m.b, m.a};
}

std::vector<DWORD> present(const PixelView& primary,
                           const std::vector<OverlayView>& overlays = {}) {
    platform::core::presenter().present(nullptr, primary, overlays);
    return platform::testing::lastPresentedFrame().pixels;
}

constexpr DWORD fourCC(const char (&s)[5]) {
    return static_cast<DWORD>(s[0]) | (static_cast<DWORD>(s[1]) << 8) |
           (static_cast<DWORD>(s[2]) << 16) | (static_cast<DWORD>(s[3]) << 24);
}

constexpr DWORD kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                kBlue = 0xFF0000FF;

// Each format expands to full-range ARGB, opaque unless it has an alpha mask.
TEST(FrameFormats, PixelsExpandToFullRangeArgb) {
    const std::vector<WORD> rgb565{0xF800, 0x07E0, 0x001F, 0x8410}, rgb555{0x7C00, 0x03E0};
    EXPECT_EQ(present(view(rgb565, 4, k565)),
              (std::vector<DWORD>{kRed, kGreen, kBlue, 0xFF848284}));
    EXPECT_EQ(platform::testing::lastPresentedFrame().width, 4u);
    EXPECT_EQ(present(view(rgb555, 2, k555)), (std::vector<DWORD>{kRed, kGreen}));
    const std::vector<DWORD> rgb32{0xAB123456};
    EXPECT_EQ(present(view(rgb32, 1, kX888)), std::vector<DWORD>{0xFF123456});
    const std::vector<DWORD> argb{0x80123456};
    EXPECT_EQ(present(view(argb, 1, kArgb)), std::vector<DWORD>{0x80123456});
    // Two rows of 2 pixels, each row padded to 4 pixels: the padding is skipped.
    const std::vector<DWORD> memory{0x010101, 0x020202, 0xDEAD, 0xDEAD,
                                    0x030303, 0x040404, 0xDEAD, 0xDEAD};
    EXPECT_EQ(present(view(memory, 2, kX888, 16)),
              (std::vector<DWORD>{0xFF010101, 0xFF020202, 0xFF030303, 0xFF040404}));
}

TEST(FrameFormats, UnreadableFormatCountsButKeepsNoPixels) {
    const unsigned long before = platform::testing::presentedFrameCount();
    const std::vector<BYTE> palette(16, 3);
    EXPECT_TRUE(present(view(palette, 4, {})).empty());
    EXPECT_EQ(platform::testing::presentedFrameCount(), before + 1);
    present(PixelView{});
    EXPECT_EQ(platform::testing::presentedFrameCount(), before + 2);
}

TEST(Overlays, RgbOverlayIsStretchedOverItsDestination) {
    const std::vector<DWORD> primary(8 * 8, 0);
    const std::vector<WORD> overlay{0xF800, 0x07E0, 0x001F, 0xFFFF};  // red green / blue white
    const auto frame =
        present(view(primary, 8, kX888), {{view(overlay, 2, k565), {0, 0, 2, 2}, {2, 2, 6, 6}}});
    std::vector<DWORD> expected(8 * 8, kBlack);
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            expected[y * 8 + x] = y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kWhite);
    EXPECT_EQ(frame, expected);
}

TEST(Overlays, DestinationOutsideThePrimaryIsClipped) {
    const std::vector<DWORD> primary(4 * 4, 0), overlay{0xFFFFFF};
    // The source rectangle is larger than the source: it is clamped.
    const auto frame = present(view(primary, 4, kX888),
                               {{view(overlay, 1, kX888), {0, 0, 5, 5}, {2, -3, 100, 3}}});
    std::vector<DWORD> expected(4 * 4, kBlack);
    for (int y = 0; y < 3; ++y)
        expected[y * 4 + 2] = expected[y * 4 + 3] = kWhite;
    EXPECT_EQ(frame, expected);
}

// A destination colour key limits the overlay. DirectDraw hands source-keyed
// overlays over as 32-bit ARGB with alpha 0 on the keyed pixels: those leave
// the primary visible, the others cover it, however transparent.
TEST(Overlays, DestinationKeysAndSourceKeyedPixelsLeaveThePrimaryVisible) {
    const std::vector<WORD> primary{0x001F, 0x001F, 0xF800, 0xF800}, overlay{0x07E0};
    const OverlayView keyed{
        view(overlay, 1, k565), {0, 0, 1, 1}, {0, 0, 4, 1}, true, 0x001F, 0x001F};
    EXPECT_EQ(present(view(primary, 4, k565), {keyed}),
              (std::vector<DWORD>{kGreen, kGreen, kRed, kRed}));
    const std::vector<DWORD> grey(4, 0x204060),
        argb{0xFFFF0000, 0x0000FF00, 0x010000FF, 0xFFFF0000};
    EXPECT_EQ(present(view(grey, 4, kX888), {{view(argb, 4, kArgb), {0, 0, 4, 1}, {0, 0, 4, 1}}}),
              (std::vector<DWORD>{kRed, 0xFF204060, kBlue, kRed}));
}

// A frame read after its surfaces changed shows them as they were presented.
TEST(Overlays, AFrameReadLaterShowsTheSurfacesAsPresented) {
    std::vector<WORD> primary{0x001F, 0x001F}, overlay{0xF800};
    platform::core::presenter().present(nullptr, view(primary, 2, k565),
                                        {{view(overlay, 1, k565), {0, 0, 1, 1}, {1, 0, 2, 1}}});
    primary.assign(2, 0x07E0);
    overlay.assign(1, 0x07E0);
    EXPECT_EQ(platform::testing::lastPresentedFrame().pixels, (std::vector<DWORD>{kBlue, kRed}));
}

TEST(Overlays, YuvOverlaysAreConverted) {
    // White then black in each byte order.
    const std::vector<BYTE> yuy2{235, 128, 16, 128}, uyvy{128, 235, 128, 16};
    const std::vector<DWORD> primary(2, 0x808080);
    for (const auto& [bytes, code] :
         {std::pair{&yuy2, fourCC("YUY2")}, std::pair{&uyvy, fourCC("UYVY")}}) {
        const PixelView source{bytes->data(), 4, 2, 1, 16, 0, 0, 0, 0, code};
        EXPECT_EQ(present(view(primary, 2, kX888), {{source, {0, 0, 2, 1}, {0, 0, 2, 1}}}),
                  (std::vector<DWORD>{kWhite, kBlack}))
            << code;
    }
    EXPECT_EQ(platform::present::yuvToArgb(81, 90, 240), kRed);  // BT.601 red
}

}  // namespace
