// Activation, focus, minimising and the simulated task switch (the messages
// with their wParams in order, and the state the application ends up in);
// keyboard and mouse input, the default window procedure's keys and the cursor.
#include "test_window.h"

#include "core/app_state.h"

using namespace test;

namespace {

// Deactivation and activation as the window sees them.
const Calls kAway{
    {WM_NCACTIVATE, FALSE}, {WM_ACTIVATE, WA_INACTIVE}, {WM_ACTIVATEAPP, FALSE}, {WM_KILLFOCUS, 0}};
const Calls kBack{
    {WM_ACTIVATEAPP, TRUE}, {WM_NCACTIVATE, TRUE}, {WM_ACTIVATE, WA_ACTIVE}, {WM_SETFOCUS, 0}};

// Active application at the start and the end; records the activation
// changes the application's listeners see.
class Activation : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::activateApplication();
        listener =
            platform::core::addActivationListener([this](bool on) { changes.push_back(on); });
    }
    void TearDown() override {
        platform::core::removeActivationListener(listener);
        platform::testing::activateApplication();
    }
    int listener = 0;
    std::vector<bool> changes;
};

// Minimising, here through the default procedure's system command,
// deactivates the application and empties the client area; restoring brings
// both back; hiding and forced minimising.
TEST_F(Activation, MinimiseDeactivatesAndRestoreComesBack) {
    TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 648, 507);
    RECT before, minimised, after;
    GetClientRect(window.handle(), &before);
    window.clear();
    changes.clear();

    SendMessageA(window.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window.handle()));
    EXPECT_EQ(window.calls(), (Calls{{WM_SYSCOMMAND, SC_MINIMIZE},
                                     {WM_WINDOWPOSCHANGED, 0},
                                     {WM_MOVE, 0},
                                     {WM_SIZE, SIZE_MINIMIZED},
                                     {WM_NCACTIVATE, FALSE},
                                     {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, TRUE)},
                                     {WM_ACTIVATEAPP, FALSE},
                                     {WM_KILLFOCUS, 0}}));
    EXPECT_FALSE(platform::core::isAppActive());
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    GetClientRect(window.handle(), &minimised);
    EXPECT_TRUE(IsRectEmpty(&minimised));

    window.clear();
    ShowWindow(window.handle(), SW_RESTORE);
    EXPECT_FALSE(IsIconic(window.handle()));
    Calls restored{{WM_WINDOWPOSCHANGED, 0}, {WM_MOVE, 0}, {WM_SIZE, SIZE_RESTORED}};
    restored.insert(restored.end(), kBack.begin(), kBack.end());
    EXPECT_EQ(window.calls(), restored);
    EXPECT_TRUE(platform::core::isAppActive());
    EXPECT_EQ(GetFocus(), window.handle());
    GetClientRect(window.handle(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));

    // Hiding tells the window; SW_FORCEMINIMIZE minimises like SW_MINIMIZE.
    window.clear();
    ShowWindow(window.handle(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(window.handle()));
    ASSERT_FALSE(window.calls().empty());
    EXPECT_EQ(window.calls().front(), Call(WM_SHOWWINDOW, FALSE));
    ShowWindow(window.handle(), SW_MAX + 1);  // SW_FORCEMINIMIZE, newer than these headers
    EXPECT_TRUE(IsIconic(window.handle()));
}

// A task switch deactivates the application and takes the focus, then
// activates it again and gives the focus back. With only a hidden window,
// nothing takes the foreground, yet the application comes back active.
TEST_F(Activation, TaskSwitchSendsActivateAppFalseThenTrue) {
    TestWindow window(WS_POPUP | WS_VISIBLE, 0, 0, 640, 480);
    window.clear();
    changes.clear();
    platform::testing::deactivateApplication();
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(window.calls(), kAway);
    window.clear();
    platform::testing::activateApplication();
    EXPECT_EQ(window.calls(), kBack);
    EXPECT_EQ(GetFocus(), window.handle());
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));

    window.clear();
    platform::testing::simulateTaskSwitch();
    Calls both = kAway;
    both.insert(both.end(), kBack.begin(), kBack.end());
    EXPECT_EQ(window.calls(), both);
    EXPECT_TRUE(platform::core::isAppActive());

    ShowWindow(window.handle(), SW_HIDE);
    platform::testing::deactivateApplication();
    platform::testing::activateApplication();
    EXPECT_TRUE(platform::core::isAppActive());
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

// Switching between the application's own windows moves activation and
// focus without touching the application's state; destroying the active
// window activates the other one.
TEST_F(Activation, SwitchingBetweenOwnWindowsDoesNotTouchTheApplication) {
    TestWindow first(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    TestWindow second(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
    first.clear();
    second.clear();
    changes.clear();
    ASSERT_TRUE(SetForegroundWindow(first.handle()));
    EXPECT_EQ(GetForegroundWindow(), first.handle());
    EXPECT_EQ(GetActiveWindow(), first.handle());
    EXPECT_EQ(GetFocus(), first.handle());
    EXPECT_EQ(second.calls(), (Calls{{WM_NCACTIVATE, FALSE},
                                     {WM_ACTIVATE, WA_INACTIVE},
                                     {WM_KILLFOCUS, WPARAM(first.handle())}}));
    EXPECT_EQ(first.calls(), (Calls{{WM_NCACTIVATE, TRUE},
                                    {WM_ACTIVATE, WA_ACTIVE},
                                    {WM_SETFOCUS, WPARAM(second.handle())}}));
    EXPECT_TRUE(changes.empty());
    EXPECT_FALSE(SetForegroundWindow(reinterpret_cast<HWND>(0x999)));

    second.clear();
    DestroyWindow(first.handle());
    EXPECT_EQ(GetForegroundWindow(), second.handle());
    EXPECT_EQ(second.calls(), (Calls{{WM_NCACTIVATE, TRUE},
                                     {WM_ACTIVATE, WA_ACTIVE},
                                     {WM_SETFOCUS, WPARAM(first.handle())}}));
    EXPECT_EQ(GetFocus(), second.handle());
    EXPECT_TRUE(platform::core::isAppActive());

    // SetFocus to a hidden window: the one that had the focus is told and answered.
    TestWindow third(WS_POPUP, 0, 0, 10, 10);
    second.clear();
    EXPECT_EQ(SetFocus(third.handle()), second.handle());
    EXPECT_EQ(second.calls(), (Calls{{WM_KILLFOCUS, WPARAM(third.handle())}}));
    EXPECT_EQ(third.calls().back(), Call(WM_SETFOCUS, WPARAM(second.handle())));
    EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(0x777)), nullptr);
    EXPECT_EQ(GetFocus(), third.handle());
}

// Activating a window of another thread: its notifications reach it on its
// own thread, where taking the focus tells this thread's window in turn.
TEST_F(Activation, ReachesAWindowOfAnotherThreadOnItsThread) {
    TestWindow mine(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    pumpMessages();  // the first paint
    std::mutex mutex;
    Calls theirs;
    WindowThread other([&](HWND, UINT message, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        std::lock_guard<std::mutex> lock(mutex);
        theirs.push_back({message, w});
        return std::nullopt;
    });
    mine.clear();
    {
        std::lock_guard<std::mutex> lock(mutex);
        theirs.clear();
    }
    ASSERT_TRUE(SetForegroundWindow(other.hwnd()));
    SendMessageA(other.hwnd(), WM_NULL, 0, 0);  // answered after the notifications
    pumpMessages();                             // takes the WM_KILLFOCUS sent back
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(theirs, (Calls{{WM_NCACTIVATE, TRUE},
                                 {WM_ACTIVATE, WA_ACTIVE},
                                 {WM_SETFOCUS, WPARAM(mine.handle())},
                                 {WM_NULL, 0}}));
    }
    EXPECT_EQ(mine.calls(), (Calls{{WM_NCACTIVATE, FALSE},
                                   {WM_ACTIVATE, WA_INACTIVE},
                                   {WM_KILLFOCUS, WPARAM(other.hwnd())}}));
    EXPECT_EQ(GetFocus(), other.hwnd());
    EXPECT_TRUE(changes.empty());
}

void pressAndRelease(UINT vk) {
    ASSERT_TRUE(platform::testing::postKey(vk, true));
    pumpMessages();
    ASSERT_TRUE(platform::testing::postKey(vk, false));
    pumpMessages();
}

// A key press is translated to a character, with Shift in upper case; the
// asynchronous key state follows at once, the thread's when messages are read.
TEST(Keyboard, KeysAreTranslatedAndTheKeyStateFollows) {
    TestWindow window(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    pumpMessages();
    window.clear();
    pressAndRelease('A');
    EXPECT_EQ(window.calls(), (Calls{{WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYUP, 'A'}}));
    EXPECT_TRUE(window.messages().back().lParam & (1u << 31));  // a release
    // The first and last digit of the top row and of the keypad.
    for (const auto& [vk, ch] :
         {std::pair<WPARAM, WPARAM>{'0', '0'}, {'9', '9'}, {VK_NUMPAD0, '0'}, {VK_NUMPAD9, '9'}}) {
        window.clear();
        pressAndRelease(UINT(vk));
        EXPECT_EQ(window.calls(), (Calls{{WM_KEYDOWN, vk}, {WM_CHAR, ch}, {WM_KEYUP, vk}})) << vk;
    }

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
    EXPECT_EQ(window.calls(),
              (Calls{{WM_KEYDOWN, 'B'}, {WM_CHAR, 'B'}, {WM_KEYUP, 'B'}, {WM_KEYUP, VK_SHIFT}}));
    EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
}

// Alt and F10 open the system menu through the default procedure, unless the
// window procedure takes SC_KEYMENU or the WM_SYSKEYDOWN itself.
TEST(SystemMenu, OpensThroughTheDefaultProcedureUnlessTheProcedureTakesTheKey) {
    const Ids opened{WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_ENTERMENULOOP, WM_EXITMENULOOP, WM_SYSKEYUP};
    const struct {
        UINT key;
        UINT taken;  // by the window procedure when its wParam is `which`
        WPARAM which;
        Ids messages;
    } cases[] = {{VK_MENU, 0, 0, opened},
                 {VK_F10, 0, 0, opened},
                 {VK_MENU, WM_SYSCOMMAND, SC_KEYMENU, {WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_SYSKEYUP}},
                 {VK_F10, WM_SYSKEYDOWN, VK_F10, {WM_SYSKEYDOWN, WM_SYSKEYUP}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.taken);
        TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                          on(c.taken, [&](HWND, WPARAM w, LPARAM) -> std::optional<LRESULT> {
                              if (w == c.which)
                                  return 0;
                              return std::nullopt;
                          }));
        pumpMessages();
        window.clear();
        const unsigned before = platform::testing::systemMenuOpenCount();
        pressAndRelease(c.key);
        EXPECT_EQ(window.messageIds(), c.messages);
        EXPECT_EQ(platform::testing::systemMenuOpenCount(), before + (c.taken ? 0 : 1));
    }
}

// Moving and sizing from the system menu enter and leave the size-move
// loop, whatever edge or drag the low bits name.
TEST(SystemMenu, MoveAndSizeEnterAndLeaveTheSizeMoveLoop) {
    TestWindow window(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    for (const WPARAM command : {SC_MOVE, SC_SIZE, SC_MOVE | 2, SC_SIZE | 8}) {
        window.clear();
        EXPECT_EQ(SendMessageA(window.handle(), WM_SYSCOMMAND, command, 0), 0);
        EXPECT_EQ(window.calls(),
                  (Calls{{WM_SYSCOMMAND, command}, {WM_ENTERSIZEMOVE, 0}, {WM_EXITSIZEMOVE, 0}}))
            << std::hex << command;
    }
}

TEST(SystemMenu, AltF4ClosesThroughTheDefaultProcedure) {
    TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100);
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

// Moves and buttons arrive in client coordinates and move the cursor, which
// is in screen coordinates.
TEST(Mouse, MovesAndButtonsReachTheWindowAndMoveTheCursor) {
    TestWindow window(WS_POPUP | WS_VISIBLE, 50, 60, 200, 100);
    pumpMessages();  // the first paint
    window.clear();
    ASSERT_TRUE(platform::testing::postMouseMove(window.handle(), 10, 20));
    ASSERT_TRUE(platform::testing::postMouseButton(window.handle(), 0, true, 10, 20));
    ASSERT_TRUE(platform::testing::postMouseButton(window.handle(), 0, false, 10, 20));
    pumpMessages();
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(std::make_pair(cursor.x, cursor.y), std::make_pair(LONG(60), LONG(80)));
    EXPECT_EQ(window.calls(),
              (Calls{{WM_MOUSEMOVE, 0}, {WM_LBUTTONDOWN, MK_LBUTTON}, {WM_LBUTTONUP, 0}}));
    EXPECT_EQ(window.messages()[0].lParam, MAKELPARAM(10, 20));
    EXPECT_FALSE(platform::testing::postMouseButton(window.handle(), 5, true, 0, 0));
}

// The cursor stays on the screen and inside the clip rectangle. ShowCursor
// keeps a display count.
TEST(Cursor, ClampedToScreenAndClipWithADisplayCount) {
    const auto moveTo = [](int x, int y) {
        POINT p{};
        EXPECT_TRUE(SetCursorPos(x, y));
        EXPECT_TRUE(GetCursorPos(&p));
        return std::make_pair(int(p.x), int(p.y));
    };
    EXPECT_EQ(moveTo(100, 120), std::make_pair(100, 120));
    EXPECT_EQ(moveTo(-50, 100000), std::make_pair(0, GetSystemMetrics(SM_CYSCREEN) - 1));
    const RECT clip{10, 10, 20, 20};
    ClipCursor(&clip);
    EXPECT_EQ(moveTo(100, 5), std::make_pair(19, 10));
    ClipCursor(nullptr);
    EXPECT_EQ(moveTo(100, 5), std::make_pair(100, 5));
    EXPECT_FALSE(GetCursorPos(nullptr));

    const int start = platform::testing::cursorDisplayCount();
    EXPECT_EQ(ShowCursor(FALSE), start - 1);
    EXPECT_EQ(ShowCursor(FALSE), start - 2);
    EXPECT_EQ(ShowCursor(TRUE), start - 1);
    ShowCursor(TRUE);
}

}  // namespace
