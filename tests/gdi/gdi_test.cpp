#include <ddraw.h>
#include <platform/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

class GdiTest : public ::testing::TestWithParam<DWORD> {
protected:
    void SetUp() override {
        platform::testing::useDefaultDisplayProfile();
        IDirectDraw* dd1 = nullptr;
        ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd1, nullptr));
        ASSERT_EQ(DD_OK, dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)));
        dd1->Release();
        ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(reinterpret_cast<HWND>(1), DDSCL_NORMAL));
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = kWidth;
        d.dwHeight = kHeight;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        d.ddpfPixelFormat.dwFlags = DDPF_RGB;
        d.ddpfPixelFormat.dwRGBBitCount = GetParam();
        if (GetParam() == 16) {
            d.ddpfPixelFormat.dwRBitMask = 0xF800;
            d.ddpfPixelFormat.dwGBitMask = 0x07E0;
            d.ddpfPixelFormat.dwBBitMask = 0x001F;
        } else {
            d.ddpfPixelFormat.dwRBitMask = 0xFF0000;
            d.ddpfPixelFormat.dwGBitMask = 0xFF00;
            d.ddpfPixelFormat.dwBBitMask = 0xFF;
        }
        ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &surface, nullptr));
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = GetParam() == 16 ? 0x001F : 0x0000FF;  // blue background
        ASSERT_EQ(DD_OK, surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
        ASSERT_EQ(DD_OK, surface->GetDC(&dc));
    }
    void TearDown() override {
        if (dc) {
            EXPECT_EQ(DD_OK, surface->ReleaseDC(dc));
        }
        EXPECT_EQ(0u, surface->Release());
        EXPECT_EQ(0u, dd->Release());
    }
    std::vector<uint32_t> pixels() {
        EXPECT_EQ(DD_OK, surface->ReleaseDC(dc));
        dc = nullptr;
        return platform::testing::readSurfaceARGB(surface);
    }
    static uint32_t at(const std::vector<uint32_t>& p, int x, int y) { return p[y * kWidth + x]; }

    static constexpr int kWidth = 40, kHeight = 20;
    static constexpr uint32_t kBlue = 0xFF0000FF, kRed = 0xFFFF0000, kWhite = 0xFFFFFFFF;
    IDirectDraw4* dd = nullptr;
    IDirectDrawSurface4* surface = nullptr;
    HDC dc = nullptr;
};

TEST_P(GdiTest, HorizontalLineLeavesOutItsEndPoint) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    ASSERT_NE(nullptr, pen);
    HGDIOBJ old = SelectObject(dc, pen);
    EXPECT_EQ(GetStockObject(BLACK_PEN), old);
    ASSERT_TRUE(MoveToEx(dc, 2, 3, nullptr));
    ASSERT_TRUE(LineTo(dc, 7, 3));
    EXPECT_EQ(pen, SelectObject(dc, old));
    EXPECT_TRUE(DeleteObject(pen));
    const auto p = pixels();
    for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ((x >= 2 && x <= 6) ? kRed : kBlue, at(p, x, 3)) << x;
    EXPECT_EQ(kBlue, at(p, 4, 2));
    EXPECT_EQ(kBlue, at(p, 4, 4));
}

TEST_P(GdiTest, DiagonalLineIsOnePixelPerStep) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 4, 4);
    POINT last{};
    MoveToEx(dc, 0, 0, &last);
    EXPECT_EQ(4, last.x);
    SelectObject(dc, old);
    DeleteObject(pen);
    const auto p = pixels();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(kWhite, at(p, i, i));
    EXPECT_EQ(kBlue, at(p, 4, 4));
    EXPECT_EQ(kBlue, at(p, 1, 0));
}

TEST_P(GdiTest, PixelsAreSetAndReadInTheSurfaceFormat) {
    EXPECT_TRUE(SetPixelV(dc, 5, 6, RGB(255, 0, 0)));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 5, 6));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 6, 6));
    EXPECT_EQ(CLR_INVALID, GetPixel(dc, kWidth, 0));
    EXPECT_FALSE(SetPixelV(dc, -1, 0, 0));
    const auto p = pixels();
    EXPECT_EQ(kRed, at(p, 5, 6));
    EXPECT_EQ(kBlue, at(p, 5, 5));
}

TEST_P(GdiTest, TransparentTextStaysInsideItsCellAndLeavesTheRestAlone) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "A", 1, &size));
    ASSERT_TRUE(TextOutA(dc, 10, 5, "A", 1));
    const auto p = pixels();
    int inside = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool inCell = x >= 10 && x < 10 + size.cx && y >= 5 && y < 5 + size.cy;
            const uint32_t v = at(p, x, y);
            if (!inCell)
                EXPECT_EQ(kBlue, v) << x << "," << y;
            else if (v == kWhite)
                ++inside;
            else
                EXPECT_EQ(kBlue, v);
        }
    EXPECT_GT(inside, 5);
}

TEST_P(GdiTest, OpaqueTextFillsTheCellBackground) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
    ASSERT_TRUE(ExtTextOutA(dc, 0, 0, 0, nullptr, "..", 2, nullptr));
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "..", 2, &size));
    const auto p = pixels();
    EXPECT_EQ(kRed, at(p, 0, 0));  // the empty top-left of a '.'
    EXPECT_EQ(kBlue, at(p, size.cx, 0));
    EXPECT_EQ(kBlue, at(p, 0, size.cy));
    int white = 0;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            white += at(p, x, y) == kWhite ? 1 : 0;
    EXPECT_GT(white, 0);
}

TEST_P(GdiTest, DifferentCharactersDrawDifferentPixels) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, 0, 0, "I", 1);
    TextOutA(dc, 10, 0, "O", 1);
    const auto p = pixels();
    int differ = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x)
            differ += at(p, x, y) != at(p, x + 10, y) ? 1 : 0;
    EXPECT_GT(differ, 3);
}

TEST_P(GdiTest, SurfaceIsBusyWhileTheDCIsOut) {
    HDC second = nullptr;
    EXPECT_EQ(DDERR_DCALREADYCREATED, surface->GetDC(&second));
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    EXPECT_EQ(DDERR_SURFACEBUSY, surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    IDirectDrawSurface4* found = nullptr;
    ASSERT_EQ(DD_OK, dd->GetSurfaceFromDC(dc, &found));
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

TEST(DisplaySettings, ModesAreEnumeratedAndChanged) {
    platform::testing::useDefaultDisplayProfile();
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(148u, mode.dmSize);
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
