// Window creation, destruction, longs, text and geometry.
#include "test_window.h"

#include "core/app_state.h"

#include <gtest/gtest.h>

#include <thread>

using test::indexOf;
using test::TestWindow;

namespace {

TEST(WindowCreation, SendsCreationMessagesInWindowsOrder) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240), nullptr);
    const auto ids = window.messageIds();
    const int nccreate = indexOf(ids, WM_NCCREATE);
    const int create = indexOf(ids, WM_CREATE);
    const int size = indexOf(ids, WM_SIZE, create);
    const int move = indexOf(ids, WM_MOVE, create);
    const int show = indexOf(ids, WM_SHOWWINDOW);
    const int activate = indexOf(ids, WM_ACTIVATE);
    const int focus = indexOf(ids, WM_SETFOCUS);
    ASSERT_GE(nccreate, 0);
    EXPECT_LT(nccreate, create);
    EXPECT_LT(create, size);
    EXPECT_LT(size, move);
    EXPECT_LT(move, show);
    EXPECT_LT(show, activate);
    EXPECT_LT(activate, focus);
    EXPECT_EQ(GetFocus(), window.handle());
    EXPECT_EQ(GetForegroundWindow(), window.handle());
    EXPECT_TRUE(IsWindowVisible(window.handle()));
}

TEST(WindowCreation, HiddenWindowIsNeitherShownNorActivated) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW, 0, 0, 320, 240), nullptr);
    EXPECT_EQ(window.count(WM_CREATE), 1u);
    EXPECT_EQ(window.count(WM_SHOWWINDOW), 0u);
    EXPECT_EQ(window.count(WM_ACTIVATE), 0u);
    EXPECT_FALSE(IsWindowVisible(window.handle()));
}

TEST(WindowCreation, CreateStructCarriesTheArguments) {
    CREATESTRUCTA seen{};
    TestWindow window([&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (msg == WM_CREATE)
            seen = *reinterpret_cast<CREATESTRUCTA*>(lParam);
        return std::nullopt;
    });
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, test::testClassName(), "Title", WS_POPUP, 10, 20,
                                300, 200, nullptr, nullptr, nullptr, &window);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(seen.lpCreateParams, &window);
    EXPECT_EQ(seen.x, 10);
    EXPECT_EQ(seen.y, 20);
    EXPECT_EQ(seen.cx, 300);
    EXPECT_EQ(seen.cy, 200);
    EXPECT_EQ(static_cast<DWORD>(seen.style), static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(seen.dwExStyle, static_cast<DWORD>(WS_EX_TOPMOST));
    char title[32];
    EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof(title)), 5);
    EXPECT_STREQ(title, "Title");
    DestroyWindow(hwnd);
}

TEST(WindowCreation, UserDataSetDuringCreateIsKept) {
    static int object = 7;
    TestWindow window([](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_CREATE)
            SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&object));
        return std::nullopt;
    });
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 64, 64), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window.handle(), GWL_USERDATA),
              reinterpret_cast<LONG_PTR>(&object));
    EXPECT_EQ(SetWindowLongA(window.handle(), GWL_USERDATA, 5),
              static_cast<LONG>(reinterpret_cast<LONG_PTR>(&object)));
    EXPECT_EQ(GetWindowLongA(window.handle(), GWL_USERDATA), 5);
}

TEST(WindowCreation, CreateReturningMinusOneFailsAndDestroys) {
    TestWindow window([](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_CREATE)
            return -1;
        return std::nullopt;
    });
    EXPECT_EQ(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 64, 64), nullptr);
    EXPECT_EQ(window.count(WM_DESTROY), 1u);
    EXPECT_EQ(window.count(WM_NCDESTROY), 1u);
    EXPECT_EQ(window.count(WM_SHOWWINDOW), 0u);
}

TEST(WindowCreation, UnknownClassAndBadHandlesFail) {
    EXPECT_EQ(CreateWindowExA(0, "No Such Class", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    HWND bogus = reinterpret_cast<HWND>(0x1234);
    EXPECT_FALSE(IsWindow(bogus));
    EXPECT_FALSE(DestroyWindow(bogus));
    RECT r;
    EXPECT_FALSE(GetClientRect(bogus, &r));
    EXPECT_FALSE(GetWindowRect(bogus, &r));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_EQ(SendMessageA(bogus, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(bogus, WM_USER, 0, 0));
    EXPECT_EQ(GetWindowLongPtrA(bogus, GWL_USERDATA), 0);
    EXPECT_FALSE(GetClientRect(nullptr, nullptr));
}

TEST(WindowClasses, RegisterTwiceFailsAndUnregisterNeedsNoWindows) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Twice";
    const ATOM atom = RegisterClassA(&wc);
    ASSERT_NE(atom, 0);
    EXPECT_EQ(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(UnregisterClassA("twice", nullptr));
    DestroyWindow(hwnd);
    EXPECT_TRUE(UnregisterClassA("twice", nullptr));
    EXPECT_FALSE(UnregisterClassA("Twice", nullptr));
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
}

TEST(WindowDestruction, SendsDestroyThenNcDestroy) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    window.clear();
    EXPECT_TRUE(DestroyWindow(window.handle()));
    const auto ids = window.messageIds();
    const int destroy = indexOf(ids, WM_DESTROY);
    const int ncdestroy = indexOf(ids, WM_NCDESTROY);
    ASSERT_GE(destroy, 0);
    EXPECT_LT(destroy, ncdestroy);
    EXPECT_EQ(ncdestroy, static_cast<int>(ids.size()) - 1);
    EXPECT_FALSE(IsWindow(window.handle()));
    EXPECT_EQ(window.count(WM_KILLFOCUS), 1u);  // it had the focus
    EXPECT_LT(test::indexOf(ids, WM_KILLFOCUS), destroy);
    EXPECT_NE(GetFocus(), window.handle());
    EXPECT_NE(GetForegroundWindow(), window.handle());
}

TEST(WindowDestruction, OnlyTheOwningThreadMayDestroy) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    BOOL fromOther = TRUE;
    std::thread([&] { fromOther = DestroyWindow(window.handle()); }).join();
    EXPECT_FALSE(fromOther);
    EXPECT_TRUE(IsWindow(window.handle()));
}

TEST(WindowDestruction, DefaultCloseDestroysTheWindow) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    SendMessageA(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window.handle()));
}

TEST(WindowDestruction, PostedMessagesOfADestroyedWindowAreDropped) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    ASSERT_TRUE(PostMessageA(window.handle(), WM_USER + 1, 0, 0));
    DestroyWindow(window.handle());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
}

TEST(WindowText, SetAndGetText) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10, 0, "before"), nullptr);
    EXPECT_TRUE(SetWindowTextA(window.handle(), "after the change"));
    EXPECT_EQ(window.count(WM_SETTEXT), 1u);
    char small[6];
    EXPECT_EQ(GetWindowTextA(window.handle(), small, sizeof(small)), 5);
    EXPECT_STREQ(small, "after");
    EXPECT_EQ(SendMessageA(window.handle(), WM_GETTEXTLENGTH, 0, 0), 16);
}

TEST(WindowGeometry, OverlappedFrameAddsBordersAndCaption) {
    RECT r{0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE));
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(r.left, -frame);
    EXPECT_EQ(r.top, -frame - caption);
    EXPECT_EQ(r.right, 640 + frame);
    EXPECT_EQ(r.bottom, 480 + frame);

    RECT withMenu{0, 0, 640, 480};
    AdjustWindowRect(&withMenu, WS_OVERLAPPEDWINDOW, TRUE);
    EXPECT_EQ(withMenu.top, r.top - GetSystemMetrics(SM_CYMENU));

    RECT popup{0, 0, 640, 480};
    AdjustWindowRect(&popup, WS_POPUP, FALSE);
    EXPECT_EQ(popup.left, 0);
    EXPECT_EQ(popup.top, 0);
    EXPECT_EQ(popup.right, 640);
    EXPECT_EQ(popup.bottom, 480);
    EXPECT_FALSE(AdjustWindowRect(nullptr, WS_POPUP, FALSE));
}

TEST(WindowGeometry, OverlappedClientAreaIsWindowMinusFrame) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW, 0, 0, 640, 480), nullptr);
    RECT outer, client;
    GetWindowRect(window.handle(), &outer);
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(outer.right - outer.left, 640);
    EXPECT_EQ(client.right, 640 - 2 * GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(client.bottom,
              480 - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION));

    // Growing the window by what the frame takes gives an exact 640 x 480 client.
    MoveWindow(window.handle(), outer.left, outer.top, 2 * 640 - client.right,
               2 * 480 - client.bottom, TRUE);
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
}

TEST(WindowGeometry, PopupWindowRectEqualsClientRect) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 800, 600), nullptr);
    RECT outer, client;
    GetWindowRect(window.handle(), &outer);
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(outer.right - outer.left, client.right);
    EXPECT_EQ(outer.bottom - outer.top, client.bottom);
}

TEST(WindowGeometry, ClientToScreenAddsTheClientOrigin) {
    TestWindow window;
    ASSERT_NE(window.create(WS_OVERLAPPEDWINDOW, 100, 50, 400, 300), nullptr);
    POINT p{0, 0};
    ASSERT_TRUE(ClientToScreen(window.handle(), &p));
    EXPECT_EQ(p.x, 100 + GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(p.y, 50 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
    POINT back = p;
    ASSERT_TRUE(ScreenToClient(window.handle(), &back));
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, 0);
}

TEST(WindowGeometry, MoveSendsPositionChangedAndMove) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP | WS_VISIBLE, 0, 0, 200, 100), nullptr);
    window.clear();
    ASSERT_TRUE(MoveWindow(window.handle(), 30, 40, 200, 100, TRUE));
    for (const auto& m : window.messages()) {
        if (m.message == WM_MOVE) {
            EXPECT_EQ(GET_X_LPARAM(m.lParam), 30);
            EXPECT_EQ(GET_Y_LPARAM(m.lParam), 40);
        }
    }
    EXPECT_EQ(window.count(WM_WINDOWPOSCHANGED), 1u);
    EXPECT_EQ(window.count(WM_MOVE), 1u);
    EXPECT_EQ(window.count(WM_SIZE), 0u);  // the size stayed
    RECT r;
    GetWindowRect(window.handle(), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
}

TEST(WindowGeometry, PositionChangedFlagsTellWhatChanged) {
    UINT flagsSeen = 0;
    TestWindow window([&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (msg == WM_WINDOWPOSCHANGED)
            flagsSeen = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
        return std::nullopt;
    });
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 200, 100), nullptr);
    MoveWindow(window.handle(), 5, 5, 200, 100, TRUE);
    EXPECT_FALSE(flagsSeen & SWP_NOMOVE);
    EXPECT_TRUE(flagsSeen & SWP_NOSIZE);
    MoveWindow(window.handle(), 5, 5, 300, 100, TRUE);
    EXPECT_TRUE(flagsSeen & SWP_NOMOVE);
    EXPECT_FALSE(flagsSeen & SWP_NOSIZE);
}

TEST(SystemMetrics, ScreenSizeFollowsTheDesktopMode) {
    const auto saved = platform::core::desktopMode();
    platform::core::setDesktopMode({800, 600, 16, 60});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    platform::core::setDesktopMode(saved);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), static_cast<int>(saved.width));
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(12345), 0);
}

TEST(Painting, InvalidWindowGetsPaintUntilValidated) {
    int paints = 0;
    bool validate = false;
    TestWindow window([&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_PAINT) {
            ++paints;
            if (validate)
                ValidateRect(hwnd, nullptr);
            return 0;
        }
        return std::nullopt;
    });
    ASSERT_NE(window.create(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50), nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window.handle(), WM_PAINT, WM_PAINT, PM_REMOVE));
    DispatchMessageA(&msg);
    // Not validated: still there.
    ASSERT_TRUE(PeekMessageA(&msg, window.handle(), WM_PAINT, WM_PAINT, PM_REMOVE));
    validate = true;
    DispatchMessageA(&msg);
    EXPECT_FALSE(PeekMessageA(&msg, window.handle(), WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_EQ(paints, 2);

    InvalidateRect(window.handle(), nullptr, TRUE);
    EXPECT_TRUE(UpdateWindow(window.handle()));
    EXPECT_EQ(paints, 3);
    EXPECT_TRUE(UpdateWindow(window.handle()));  // valid now: nothing sent
    EXPECT_EQ(paints, 3);
}

}  // namespace
