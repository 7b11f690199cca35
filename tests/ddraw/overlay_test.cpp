// Overlays on the primary: shown, moved, hidden and composited with their
// source key into the presented frame; gamma control on the primary.
#include "ddraw_fixture.h"

#include <platform/testing_input.h>

namespace {

class OverlayTest : public DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        front = make(surfaceDesc(DDSCAPS_PRIMARYSURFACE));
        ASSERT_NE(nullptr, front);
    }
    void TearDown() override {
        EXPECT_EQ(0u, front->Release());
        DirectDrawTest::TearDown();
    }
    // An overlay in X1R5G5B5 or the FOURCC format.
    static DDSURFACEDESC2 overlayDesc(DWORD size, DWORD fourCC = 0) {
        return surfaceDesc(DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY, size, size,
                           fourCC ? DDPIXELFORMAT{kPF, DDPF_FOURCC, fourCC, 0, 0, 0, 0, 0}
                                  : DDPIXELFORMAT{kPF, DDPF_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0});
    }
    IDirectDrawSurface4* front = nullptr;
};

TEST_F(OverlayTest, OverlaysInRgbAndYuvAreShownMovedReadAndHidden) {
    IDirectDrawSurface4* rgb = make(flipping(overlayDesc(32), 1));
    IDirectDrawSurface4* yuv = make(overlayDesc(32, MAKEFOURCC('U', 'Y', 'V', 'Y')));
    IDirectDrawSurface4* yuy2 = make(overlayDesc(32, MAKEFOURCC('Y', 'U', 'Y', '2')));
    ASSERT_TRUE(rgb && yuv && yuy2);
    DDOVERLAYFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dckSrcColorkey = DDCOLORKEY{0, 0};
    RECT src{0, 0, 32, 32}, dst{10, 20, 42, 52};
    ASSERT_EQ(DD_OK, rgb->UpdateOverlay(&src, front, &dst,
                                        DDOVER_SHOW | DDOVER_DDFX | DDOVER_KEYSRCOVERRIDE, &fx));
    // One visible overlay at a time in the built-in profile.
    EXPECT_EQ(DDERR_OUTOFCAPS, yuv->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    EXPECT_EQ(DD_OK, rgb->SetOverlayPosition(992, 736));  // flush with the bottom right corner
    EXPECT_EQ(DDERR_INVALIDPOSITION, rgb->SetOverlayPosition(1020, 0));
    ASSERT_EQ(DD_OK, rgb->UpdateOverlay(nullptr, front, nullptr,
                                        DDOVER_HIDE | DDOVER_DDFX | DDOVER_KEYSRCOVERRIDE, &fx));
    EXPECT_EQ(DDERR_OVERLAYNOTVISIBLE, rgb->SetOverlayPosition(0, 0));
    ASSERT_EQ(DD_OK, yuv->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    // Presenting with a visible YUV overlay reads it back without trouble.
    IDirectDrawSurface4* off = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    const unsigned before = platform::testing::presentedFrames();
    ASSERT_EQ(DD_OK, front->BltFast(0, 0, off, nullptr, 0));
    EXPECT_EQ(before + 1, platform::testing::presentedFrames());
    EXPECT_EQ(DDERR_NOTAOVERLAYSURFACE,
              front->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    // Two pixel pairs, written in each byte order, read back through the BT.601
    // conversion (298 (Y - 16), 409 V', -100 U' - 208 V', 516 U' with U' and V'
    // less 128, plus 128, over 256): Y 128 and 200 with U 64, V 128, then grey
    // at Y 16 and 235.
    const std::pair<IDirectDrawSurface4*, std::vector<BYTE>> pairs[] = {
        {yuv, {64, 128, 128, 200, 128, 16, 128, 235}},
        {yuy2, {128, 64, 200, 128, 16, 128, 235, 128}}};
    for (const auto& [surface, bytes] : pairs) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        ASSERT_EQ(DD_OK, surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
        std::memcpy(d.lpSurface, bytes.data(), bytes.size());
        ASSERT_EQ(DD_OK, surface->Unlock(nullptr));
        const std::vector<uint32_t> argb = platform::testing::readSurfaceARGB(surface);
        ASSERT_EQ(32u * 32u, argb.size());
        EXPECT_EQ((std::vector<uint32_t>{0xFF829B01, 0xFFD6EF55, 0xFF000000, 0xFFFFFFFF}),
                  std::vector<uint32_t>(argb.begin(), argb.begin() + 4));
    }
    // The primary going hides what was shown on it.
    EXPECT_EQ(0u, front->Release());
    front = make(surfaceDesc(DDSCAPS_PRIMARYSURFACE));  // the fixture releases one
    EXPECT_EQ(DDERR_OVERLAYNOTVISIBLE, yuv->SetOverlayPosition(0, 0));
    releaseLast({off, rgb, yuv, yuy2});
}

// A 4 x 4 cursor overlay keyed on magenta: where it matches its key the
// presented frame shows the primary, elsewhere the overlay.
TEST_F(OverlayTest, KeyedCursorPixelsShowThePrimaryInThePresentedFrame) {
    const DWORD magenta = 0x7C1F, white = 0x7FFF;
    DDSURFACEDESC2 d = overlayDesc(4);
    d.dwFlags |= DDSD_CKSRCOVERLAY;
    d.ddckCKSrcOverlay = DDCOLORKEY{magenta, magenta};
    IDirectDrawSurface4* overlay = make(d);
    ASSERT_NE(nullptr, overlay);
    fill(overlay, magenta);
    RECT column{0, 0, 1, 4};
    fill(overlay, white, &column);
    RECT dst{100, 200, 104, 204};
    ASSERT_EQ(DD_OK,
              overlay->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW | DDOVER_KEYSRC, nullptr));
    const unsigned long before = platform::testing::presentedFrameCount();
    fill(front, 0x0000FF);  // the primary's blit presents a frame
    ASSERT_EQ(before + 1, platform::testing::presentedFrameCount());
    platform::testing::PresentedFrame frame = platform::testing::lastPresentedFrame();
    ASSERT_EQ(1024u, frame.width);
    const RECT around{99, 200, 105, 204};  // the overlay and a column either side
    EXPECT_EQ("BWBBBB BWBBBB BWBBBB BWBBBB", picture(frame.pixels, 1024, around));
    // Without the key the whole cursor covers the primary.
    ASSERT_EQ(DD_OK, overlay->UpdateOverlay(nullptr, front, &dst, DDOVER_SHOW, nullptr));
    fill(front, 0x0000FF);
    frame = platform::testing::lastPresentedFrame();
    EXPECT_EQ("BWMMMB BWMMMB BWMMMB BWMMMB", picture(frame.pixels, 1024, around));
    ASSERT_EQ(DD_OK, overlay->UpdateOverlay(nullptr, front, nullptr, DDOVER_HIDE, nullptr));
    EXPECT_EQ(0u, overlay->Release());
}

TEST_F(OverlayTest, GammaControlOnlyOnThePrimaryOfAGammaAdapter) {
    IDirectDrawGammaControl* gamma = nullptr;
    ASSERT_EQ(DD_OK,
              front->QueryInterface(IID_IDirectDrawGammaControl, reinterpret_cast<void**>(&gamma)));
    DDGAMMARAMP ramp{};
    ASSERT_EQ(DD_OK, gamma->GetGammaRamp(0, &ramp));
    EXPECT_EQ(0xFFFFu, ramp.red[255]);
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>((255 - i) * 257);
    ASSERT_EQ(DD_OK, gamma->SetGammaRamp(0, &ramp));
    fill(front, 0xFF8000);  // presented through the ramp: orange becomes 0, 127, 255
    EXPECT_EQ(0xFF007FFFu, platform::testing::lastPresentedFrame().pixels.at(0));
    EXPECT_EQ(1u, gamma->Release());  // shares the surface's count
    IDirectDrawSurface4* off = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    void* none = nullptr;
    EXPECT_EQ(E_NOINTERFACE, off->QueryInterface(IID_IDirectDrawGammaControl, &none));
    EXPECT_EQ(0u, off->Release());
}

}  // namespace
