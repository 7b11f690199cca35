// GDI drawing through a surface's DC in both formats it can draw into, pens
// and stock objects, and the display settings.
#include "../support/direct_draw_object.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kWidth = 40, kHeight = 20;
constexpr uint32_t kBlue = 0xFF0000FF, kRed = 0xFFFF0000, kWhite = 0xFFFFFFFF;

// A blue surface of the parameter's bit depth with its DC out.
class GdiTest : public ::testing::TestWithParam<DWORD> {
protected:
    void SetUp() override {
        static const DWORD masks[2][3] = {{0xF800, 0x07E0, 0x001F}, {0xFF0000, 0xFF00, 0xFF}};
        const DWORD* m = masks[GetParam() == 32];
        surface = ddraw.create(
            kWidth, kHeight, {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, GetParam(), m[0], m[1], m[2], 0});
        ASSERT_NE(nullptr, surface);
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = m[2];  // blue
        ASSERT_EQ(DD_OK, surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
        ASSERT_EQ(DD_OK, surface->GetDC(&dc));
    }
    void TearDown() override {
        EXPECT_TRUE(!dc || surface->ReleaseDC(dc) == DD_OK);
        EXPECT_EQ(0u, surface ? surface->Release() : 0u);
        ddraw.get()->AddRef();
        EXPECT_EQ(1u, ddraw.get()->Release());  // the surfaces hold no reference
    }
    // Gives the DC back and reads the surface as ARGB.
    std::vector<uint32_t> pixels() {
        EXPECT_EQ(DD_OK, surface->ReleaseDC(dc));
        dc = nullptr;
        return platform::testing::readSurfaceARGB(surface);
    }
    static uint32_t& at(std::vector<uint32_t>& p, int x, int y) { return p[y * kWidth + x]; }
    // The untouched surface, for tests to mark what they expect drawn.
    static std::vector<uint32_t> blank() { return std::vector<uint32_t>(kWidth * kHeight, kBlue); }

    DirectDrawObject ddraw;
    IDirectDrawSurface4* surface = nullptr;
    HDC dc = nullptr;
};

// A line leaves out its end point, a diagonal is one pixel per step, and
// SetPixel writes and GetPixel reads in the surface format.
TEST_P(GdiTest, LinesAndPixelsLandExactly) {
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    ASSERT_NE(nullptr, red);
    const HGDIOBJ old = SelectObject(dc, red);
    ASSERT_TRUE(MoveToEx(dc, 2, 3, nullptr));
    ASSERT_TRUE(LineTo(dc, 7, 3));
    MoveToEx(dc, 20, 5, nullptr);
    LineTo(dc, 24, 9);
    POINT last{};
    MoveToEx(dc, 0, 0, &last);
    EXPECT_EQ(24, last.x);
    EXPECT_EQ(9, last.y);
    EXPECT_EQ(red, SelectObject(dc, old));
    DeleteObject(red);
    EXPECT_TRUE(SetPixelV(dc, 5, 16, RGB(255, 0, 0)));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 5, 16));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 6, 16));
    EXPECT_EQ(CLR_INVALID, GetPixel(dc, kWidth, 0));
    EXPECT_FALSE(SetPixelV(dc, -1, 0, 0));
    auto expected = blank();
    for (int x = 2; x <= 6; ++x)
        at(expected, x, 3) = kRed;
    for (int i = 0; i < 4; ++i)
        at(expected, 20 + i, 5 + i) = kRed;
    at(expected, 5, 16) = kRed;
    EXPECT_EQ(expected, pixels());
}

// Transparent text changes only glyph pixels inside its cells and two
// different characters differ; opaque text fills the rest of its cells with
// the background colour.
TEST_P(GdiTest, TextStaysInsideItsCells) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(255, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(dc, 10, 2, "IO", 2));
    SetBkMode(dc, OPAQUE);
    ASSERT_TRUE(ExtTextOutA(dc, 0, 11, 0, nullptr, "..", 2, nullptr));
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "IO", 2, &size));
    auto p = pixels();
    EXPECT_EQ(kRed, at(p, 0, 11));  // the empty top-left of a '.'
    int white[2] = {0, 0};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool clear = x >= 10 && x < 10 + size.cx && y >= 2 && y < 2 + size.cy;
            const bool opaque = x < size.cx && y >= 11 && y < 11 + size.cy;
            const uint32_t v = at(p, x, y);
            if ((clear || opaque) && v == kWhite)
                ++white[opaque];
            else
                EXPECT_EQ(opaque ? kRed : kBlue, v) << x << "," << y;
        }
    EXPECT_GT(white[0], 5);
    EXPECT_GT(white[1], 0);
    int differ = 0;
    for (int y = 2; y < 2 + size.cy; ++y)
        for (int x = 10; x < 10 + size.cx / 2; ++x)
            differ += at(p, x, y) != at(p, x + size.cx / 2, y) ? 1 : 0;
    EXPECT_GT(differ, 3);
}

TEST_P(GdiTest, SurfaceIsBusyWhileTheDCIsOut) {
    HDC second = nullptr;
    EXPECT_EQ(DDERR_DCALREADYCREATED, surface->GetDC(&second));
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    EXPECT_EQ(DDERR_SURFACEBUSY, surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    IDirectDrawSurface4* found = nullptr;
    ASSERT_EQ(DD_OK, ddraw.get()->GetSurfaceFromDC(dc, &found));
    EXPECT_EQ(surface, found);
    found->Release();
    EXPECT_EQ(GetParam(), static_cast<DWORD>(GetDeviceCaps(dc, BITSPIXEL)));
    EXPECT_EQ(kWidth, GetDeviceCaps(dc, HORZRES));
    EXPECT_EQ(DDERR_INVALIDPARAMS, surface->ReleaseDC(reinterpret_cast<HDC>(0x42)));
}

INSTANTIATE_TEST_SUITE_P(Formats, GdiTest, ::testing::Values(16u, 32u));

TEST(GdiObjects, PensAndStockObjects) {
    EXPECT_EQ(nullptr, CreatePen(42, 1, 0));
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    ASSERT_NE(nullptr, pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_PEN)));  // stock objects stay
    EXPECT_NE(nullptr, GetStockObject(WHITE_PEN));
    EXPECT_EQ(nullptr, GetStockObject(999));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "x", 1));
    EXPECT_EQ(CLR_INVALID, SetTextColor(nullptr, 0));
}

// Also keeps the check that GetDeviceCaps answers only for a DC it knows
// and that a screen DC is released once.
TEST(DisplaySettings, ModesAreEnumeratedAndChanged) {
    platform::testing::useDefaultDisplayProfile();
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(1024u, mode.dmPelsWidth);
    EXPECT_EQ(32u, mode.dmBitsPerPel);
    int count = 0;
    while (EnumDisplaySettingsA(nullptr, count, &mode))
        ++count;
    EXPECT_EQ(12, count);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(nullptr, screen);
    EXPECT_EQ(1024, GetDeviceCaps(screen, HORZRES));
    EXPECT_EQ(0, GetDeviceCaps(nullptr, HORZRES));  // no DC, no answer

    DEVMODEA want{};
    want.dmSize = sizeof(want);
    want.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    want.dmPelsWidth = 800;
    want.dmPelsHeight = 600;
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(&want, 0));
    EXPECT_EQ(800u, platform::testing::currentDesktopMode().width);
    EXPECT_EQ(32u, platform::testing::currentDesktopMode().bitsPerPixel);
    EXPECT_EQ(800, GetDeviceCaps(screen, HORZRES));
    EXPECT_EQ(1, ReleaseDC(nullptr, screen));
    EXPECT_EQ(0, ReleaseDC(nullptr, screen));  // already released
    want.dmPelsWidth = 801;
    EXPECT_EQ(DISP_CHANGE_BADMODE, ChangeDisplaySettingsA(&want, 0));
    want.dmSize = 156;
    EXPECT_EQ(DISP_CHANGE_BADPARAM, ChangeDisplaySettingsA(&want, 0));
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(nullptr, 0));
    EXPECT_EQ(1024u, platform::testing::currentDesktopMode().width);
}

}  // namespace
