// Activation, focus, minimising and the simulated task switch.
#include "test_window.h"

#include "core/app_state.h"
#include "platform/testing_input.h"

#include <gtest/gtest.h>

using test::indexOf;
using test::TestWindow;

namespace {

// Records the application's activation changes.
class ActivationListener {
public:
    ActivationListener()
        : id_(platform::core::addActivationListener(
              [this](bool active) { changes_.push_back(active); })) {}
    ~ActivationListener() { platform::core::removeActivationListener(id_); }
    const std::vector<bool>& changes() const { return changes_; }

private:
    int id_;
    std::vector<bool> changes_;
};

std::vector<WPARAM> paramsOf(const TestWindow& window, UINT message) {
    std::vector<WPARAM> out;
    for (const auto& m : window.messages())
        if (m.message == message)
            out.push_back(m.wParam);
    return out;
}

class Activation : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::activateApplication(); }
    void TearDown() override { platform::testing::activateApplication(); }
};

TEST_F(Activation, MinimiseSendsSizeMinimisedDeactivatesAndRestoreComesBack) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 648, 507), nullptr);
    RECT before;
    GetClientRect(window.handle(), &before);
    ASSERT_TRUE(platform::core::isAppActive());
    ActivationListener listener;
    window.clear();

    ShowWindow(window.handle(), SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(window.handle()));
    EXPECT_EQ(paramsOf(window, WM_SIZE), std::vector<WPARAM>{SIZE_MINIMIZED});
    const auto activates = paramsOf(window, WM_ACTIVATE);
    ASSERT_EQ(activates.size(), 1u);
    EXPECT_EQ(LOWORD(activates[0]), WA_INACTIVE);
    EXPECT_EQ(paramsOf(window, WM_ACTIVATEAPP), std::vector<WPARAM>{FALSE});
    EXPECT_FALSE(platform::core::isAppActive());
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    RECT minimised;
    GetClientRect(window.handle(), &minimised);
    EXPECT_TRUE(IsRectEmpty(&minimised));

    window.clear();
    ShowWindow(window.handle(), SW_RESTORE);
    EXPECT_FALSE(IsIconic(window.handle()));
    EXPECT_EQ(paramsOf(window, WM_SIZE), std::vector<WPARAM>{SIZE_RESTORED});
    EXPECT_EQ(paramsOf(window, WM_ACTIVATEAPP), std::vector<WPARAM>{TRUE});
    const auto back = paramsOf(window, WM_ACTIVATE);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(LOWORD(back[0]), WA_ACTIVE);
    EXPECT_TRUE(platform::core::isAppActive());
    EXPECT_EQ(GetFocus(), window.handle());
    RECT after;
    GetClientRect(window.handle(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(listener.changes(), (std::vector<bool>{false, true}));
}

TEST_F(Activation, SystemCommandMinimiseGoesThroughTheDefaultProcedure) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200), nullptr);
    SendMessageA(window.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window.handle()));
    EXPECT_FALSE(platform::core::isAppActive());
}

TEST_F(Activation, TaskSwitchSendsActivateAppFalseThenTrue) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP | WS_VISIBLE, 0, 0, 640, 480), nullptr);
    window.clear();
    ActivationListener listener;

    platform::testing::deactivateApplication();
    EXPECT_FALSE(platform::core::isAppActive());
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(paramsOf(window, WM_ACTIVATEAPP), std::vector<WPARAM>{FALSE});
    EXPECT_EQ(window.count(WM_KILLFOCUS), 1u);

    platform::testing::activateApplication();
    EXPECT_TRUE(platform::core::isAppActive());
    EXPECT_EQ(paramsOf(window, WM_ACTIVATEAPP), (std::vector<WPARAM>{FALSE, TRUE}));
    const auto ids = window.messageIds();
    const int inactive = indexOf(ids, WM_ACTIVATE);
    const int active = indexOf(ids, WM_ACTIVATE, inactive + 1);
    ASSERT_GE(active, 0);
    EXPECT_EQ(LOWORD(window.messages()[inactive].wParam), WA_INACTIVE);
    EXPECT_EQ(LOWORD(window.messages()[active].wParam), WA_ACTIVE);
    EXPECT_EQ(GetFocus(), window.handle());
    EXPECT_EQ(listener.changes(), (std::vector<bool>{false, true}));

    window.clear();
    platform::testing::simulateTaskSwitch();
    EXPECT_EQ(paramsOf(window, WM_ACTIVATEAPP), (std::vector<WPARAM>{FALSE, TRUE}));
    EXPECT_TRUE(platform::core::isAppActive());
}

TEST_F(Activation, SwitchingBetweenOwnWindowsDoesNotTouchTheApplication) {
    TestWindow first;
    TestWindow second;
    ASSERT_NE(first.create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    ASSERT_NE(second.create(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100), nullptr);
    EXPECT_EQ(GetForegroundWindow(), second.handle());
    first.clear();
    second.clear();
    ASSERT_TRUE(SetForegroundWindow(first.handle()));
    EXPECT_EQ(GetForegroundWindow(), first.handle());
    EXPECT_EQ(GetActiveWindow(), first.handle());
    EXPECT_EQ(GetFocus(), first.handle());
    EXPECT_EQ(paramsOf(second, WM_ACTIVATE), std::vector<WPARAM>{WA_INACTIVE});
    EXPECT_EQ(paramsOf(first, WM_ACTIVATE), std::vector<WPARAM>{WA_ACTIVE});
    EXPECT_EQ(second.count(WM_KILLFOCUS), 1u);
    EXPECT_EQ(first.count(WM_SETFOCUS), 1u);
    EXPECT_EQ(first.count(WM_ACTIVATEAPP) + second.count(WM_ACTIVATEAPP), 0u);
    EXPECT_FALSE(SetForegroundWindow(reinterpret_cast<HWND>(0x999)));
}

TEST_F(Activation, DestroyingTheActiveWindowActivatesAnother) {
    TestWindow first;
    ASSERT_NE(first.create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    {
        TestWindow second;
        ASSERT_NE(second.create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100), nullptr);
        first.clear();
    }
    EXPECT_EQ(GetForegroundWindow(), first.handle());
    EXPECT_EQ(paramsOf(first, WM_ACTIVATE), std::vector<WPARAM>{WA_ACTIVE});
    EXPECT_EQ(GetFocus(), first.handle());
    EXPECT_TRUE(platform::core::isAppActive());
}

TEST(Focus, SetFocusSendsKillAndSetFocus) {
    TestWindow a, b;
    ASSERT_NE(a.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    ASSERT_NE(b.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    SetFocus(a.handle());
    a.clear();
    EXPECT_EQ(SetFocus(b.handle()), a.handle());
    EXPECT_EQ(a.count(WM_KILLFOCUS), 1u);
    EXPECT_EQ(b.count(WM_SETFOCUS), 1u);
    EXPECT_EQ(GetFocus(), b.handle());
    EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(0x777)), nullptr);
    EXPECT_EQ(GetFocus(), b.handle());
}

}  // namespace
