#include <platform/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(DesktopWindow, CoversTheDesktopModeAndIsNoCreatedWindow) {
    const HWND desktop = GetDesktopWindow();
    ASSERT_NE(nullptr, desktop);
    RECT client{}, window{};
    ASSERT_TRUE(GetClientRect(desktop, &client));
    ASSERT_TRUE(GetWindowRect(desktop, &window));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), client.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), client.bottom);
    EXPECT_EQ(0, client.left);
    EXPECT_EQ(client.right, window.right);
    EXPECT_EQ(FALSE, IsWindow(desktop));  // not one the program made or can destroy
}

TEST(WindowDC, AnswersWithTheDesktopDepthAndIsReleasedOnce) {
    const HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(static_cast<int>(platform::testing::currentDesktopMode().bitsPerPixel),
              GetDeviceCaps(dc, BITSPIXEL));
    EXPECT_EQ(1, ReleaseDC(desktop, dc));
    EXPECT_EQ(0, ReleaseDC(desktop, dc));
    EXPECT_EQ(0, GetDeviceCaps(dc, BITSPIXEL));  // a released DC answers nothing
}

TEST(WindowDC, RefusedForAWindowThatDoesNotExist) {
    EXPECT_EQ(nullptr, GetDC(reinterpret_cast<HWND>(uintptr_t{0x7FFF0000})));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

}  // namespace
