// Keyboard and mouse input, the default window procedure's keys and the cursor.
#include "test_window.h"

#include "platform/testing_input.h"

#include <gtest/gtest.h>

using test::pumpMessages;
using test::TestWindow;

namespace {

void pressAndRelease(UINT vk) {
    ASSERT_TRUE(platform::testing::postKey(vk, true));
    pumpMessages();
    ASSERT_TRUE(platform::testing::postKey(vk, false));
    pumpMessages();
}

TEST(Keyboard, KeyDownIsTranslatedToCharacter) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10), nullptr);
    window.clear();
    pressAndRelease('A');
    const auto ids = window.messageIds();
    const int down = test::indexOf(ids, WM_KEYDOWN);
    const int ch = test::indexOf(ids, WM_CHAR);
    const int up = test::indexOf(ids, WM_KEYUP);
    ASSERT_GE(down, 0);
    EXPECT_LT(down, ch);
    EXPECT_LT(ch, up);
    EXPECT_EQ(window.messages()[down].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(window.messages()[ch].wParam, static_cast<WPARAM>('a'));
    EXPECT_TRUE(window.messages()[up].lParam & (1u << 31));
}

TEST(Keyboard, ShiftGivesUpperCaseAndKeyStateFollows) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10), nullptr);
    ASSERT_TRUE(platform::testing::postKey(VK_LSHIFT, true));
    EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_TRUE(GetAsyncKeyState(VK_LSHIFT) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);  // not read yet
    pumpMessages();
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    window.clear();
    pressAndRelease('B');
    ASSERT_TRUE(platform::testing::postKey(VK_LSHIFT, false));
    pumpMessages();
    bool sawUpper = false;
    for (const auto& m : window.messages())
        if (m.message == WM_CHAR)
            sawUpper = m.wParam == 'B';
    EXPECT_TRUE(sawUpper);
    EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
}

TEST(SystemMenu, AltThroughTheDefaultProcedureOpensTheMenu) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    const unsigned before = platform::testing::systemMenuOpenCount();
    pressAndRelease(VK_MENU);
    EXPECT_EQ(platform::testing::systemMenuOpenCount(), before + 1);
    EXPECT_EQ(window.count(WM_SYSKEYDOWN), 1u);
    EXPECT_EQ(window.count(WM_ENTERMENULOOP), 1u);
    pressAndRelease(VK_F10);
    EXPECT_EQ(platform::testing::systemMenuOpenCount(), before + 2);
}

TEST(SystemMenu, ProcedureSwallowingKeyMenuPreventsIt) {
    TestWindow window([](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_SYSCOMMAND && w == SC_KEYMENU)
            return 0;
        return std::nullopt;
    });
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    const unsigned before = platform::testing::systemMenuOpenCount();
    pressAndRelease(VK_MENU);
    EXPECT_EQ(window.count(WM_SYSCOMMAND), 1u);
    EXPECT_EQ(platform::testing::systemMenuOpenCount(), before);
}

TEST(SystemMenu, ProcedureSwallowingSysKeyDownPreventsIt) {
    TestWindow window([](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_SYSKEYDOWN)
            return 0;
        return std::nullopt;
    });
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    const unsigned before = platform::testing::systemMenuOpenCount();
    pressAndRelease(VK_F10);
    EXPECT_EQ(window.count(WM_SYSCOMMAND), 0u);
    EXPECT_EQ(platform::testing::systemMenuOpenCount(), before);
}

TEST(SystemMenu, AltF4ClosesThroughTheDefaultProcedure) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    HWND hwnd = window.handle();
    ASSERT_TRUE(platform::testing::postKey(VK_MENU, true));
    pumpMessages();
    ASSERT_TRUE(platform::testing::postKey(VK_F4, true));
    pumpMessages();
    EXPECT_FALSE(IsWindow(hwnd));
    platform::testing::postKey(VK_F4, false);
    platform::testing::postKey(VK_MENU, false);
    pumpMessages();
}

TEST(Mouse, MovesAndButtonsReachTheWindowAndMoveTheCursor) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP | WS_VISIBLE, 50, 60, 200, 100), nullptr);
    pumpMessages();  // the first paint
    window.clear();
    ASSERT_TRUE(platform::testing::postMouseMove(window.handle(), 10, 20));
    ASSERT_TRUE(platform::testing::postMouseButton(window.handle(), 0, true, 10, 20));
    ASSERT_TRUE(platform::testing::postMouseButton(window.handle(), 0, false, 10, 20));
    pumpMessages();
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor.x, 60);
    EXPECT_EQ(cursor.y, 80);
    const auto messages = window.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(messages[0].lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(messages[0].lParam), 20);
    EXPECT_EQ(messages[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_TRUE(messages[1].wParam & MK_LBUTTON);
    EXPECT_EQ(messages[2].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_FALSE(platform::testing::postMouseButton(window.handle(), 5, true, 0, 0));
}

TEST(Cursor, SetCursorPosIsClampedToScreenAndClip) {
    ASSERT_TRUE(SetCursorPos(100, 120));
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 120);
    SetCursorPos(-50, 100000);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, GetSystemMetrics(SM_CYSCREEN) - 1);
    const RECT clip{10, 10, 20, 20};
    ClipCursor(&clip);
    SetCursorPos(100, 5);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 19);
    EXPECT_EQ(p.y, 10);
    ClipCursor(nullptr);
    SetCursorPos(100, 5);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 100);
    EXPECT_FALSE(GetCursorPos(nullptr));
}

TEST(Cursor, ShowCursorKeepsADisplayCount) {
    const int start = platform::testing::cursorDisplayCount();
    EXPECT_EQ(ShowCursor(FALSE), start - 1);
    EXPECT_EQ(ShowCursor(FALSE), start - 2);
    EXPECT_EQ(ShowCursor(TRUE), start - 1);
    EXPECT_EQ(ShowCursor(TRUE), start);
}

TEST(Cursor, StockCursorsAndIconsLoad) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), arrow);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "NoSuchIcon"), nullptr);
    HCURSOR old = SetCursor(arrow);
    EXPECT_EQ(SetCursor(old), arrow);
}

}  // namespace
