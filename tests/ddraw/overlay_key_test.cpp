// A source-keyed overlay (the mouse cursor) on the primary surface: the frame
// the presenter shows has the primary where the overlay matches its key.
#include "ddraw_fixture.h"

#include <platform/testing_input.h>

namespace {

class OverlayKeyTest : public DirectDrawTest {
protected:
    IDirectDrawSurface4* primary() {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }
    // A 4 x 4 X1R5G5B5 overlay with a source overlay key of magenta.
    IDirectDrawSurface4* cursor() {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_CKSRCOVERLAY;
        d.dwWidth = 4;
        d.dwHeight = 4;
        d.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        d.ddpfPixelFormat.dwFlags = DDPF_RGB;
        d.ddpfPixelFormat.dwRGBBitCount = 16;
        d.ddpfPixelFormat.dwRBitMask = 0x7C00;
        d.ddpfPixelFormat.dwGBitMask = 0x03E0;
        d.ddpfPixelFormat.dwBBitMask = 0x001F;
        d.ddckCKSrcOverlay = DDCOLORKEY{kMagenta, kMagenta};
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }
    static constexpr DWORD kMagenta = 0x7C1F, kWhite = 0x7FFF;
};

}  // namespace

TEST_F(OverlayKeyTest, KeyedCursorPixelsShowThePrimaryInThePresentedFrame) {
    normal();
    IDirectDrawSurface4* front = primary();
    ASSERT_NE(nullptr, front);
    IDirectDrawSurface4* overlay = cursor();
    ASSERT_NE(nullptr, overlay);
    // The cursor: a white left column on a keyed background.
    fill(overlay, kMagenta);
    RECT column{0, 0, 1, 4};
    fill(overlay, kWhite, &column);
    RECT dst{100, 200, 104, 204};
    ASSERT_EQ(DD_OK,
              overlay->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW | DDOVER_KEYSRC, nullptr));
    const unsigned long before = platform::testing::presentedFrameCount();
    fill(front, 0x00336699);  // the primary's blit presents a frame
    ASSERT_EQ(before + 1, platform::testing::presentedFrameCount());
    const platform::testing::PresentedFrame frame = platform::testing::lastPresentedFrame();
    ASSERT_EQ(1024u, frame.width);
    auto at = [&](int x, int y) { return frame.pixels.at(size_t(y) * frame.width + size_t(x)); };
    EXPECT_EQ(0xFFFFFFFFu, at(100, 200));
    EXPECT_EQ(0xFFFFFFFFu, at(100, 203));
    EXPECT_EQ(0xFF336699u, at(101, 200));  // keyed: the primary shows through
    EXPECT_EQ(0xFF336699u, at(103, 203));
    EXPECT_EQ(0xFF336699u, at(99, 200));  // outside the overlay

    // Without the key the whole cursor covers the primary.
    ASSERT_EQ(DD_OK, overlay->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    fill(front, 0x00336699);
    const platform::testing::PresentedFrame unkeyed = platform::testing::lastPresentedFrame();
    EXPECT_EQ(0xFFFF00FFu, unkeyed.pixels.at(200 * size_t(unkeyed.width) + 101));

    ASSERT_EQ(DD_OK, overlay->UpdateOverlay(nullptr, front, nullptr, DDOVER_HIDE, nullptr));
    EXPECT_EQ(0u, overlay->Release());
    EXPECT_EQ(0u, front->Release());
}
