// Window creation, destruction, longs, text and geometry; the desktop window
// and window DCs; rectangle helpers.
#include "test_window.h"

#include "core/app_state.h"
#include "platform/testing.h"

#include <functional>
#include <thread>
#include <tuple>

using namespace test;

namespace {

std::tuple<LONG, LONG, LONG, LONG> edges(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// A visible window gets its creation messages in Windows' order and ends up
// shown, active and focused; a hidden one is neither shown nor activated; one
// whose WM_CREATE answers -1 is destroyed at once and not made.
TEST(WindowCreation, SendsCreationMessagesInWindowsOrder) {
    TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240);
    EXPECT_EQ(window.messageIds(), (Ids{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
                                        WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_EQ(GetFocus(), window.handle());
    EXPECT_TRUE(IsWindowVisible(window.handle()));
    TestWindow hidden(WS_OVERLAPPEDWINDOW, 0, 0, 320, 240);
    EXPECT_EQ(hidden.messageIds(), (Ids{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_FALSE(IsWindowVisible(hidden.handle()));
    EXPECT_EQ(GetForegroundWindow(), window.handle());
    TestWindow refused(on(WM_CREATE, [](HWND, WPARAM, LPARAM) { return -1; }));
    EXPECT_EQ(refused.create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 64, 64), nullptr);
    EXPECT_EQ(refused.messageIds(), (Ids{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

// The creation parameters reach WM_CREATE; user data set there is kept; the
// text is the title until it is set, and a short buffer gets it cut.
TEST(WindowCreation, CreateStructCarriesTheArguments) {
    static int object = 7;
    CREATESTRUCTA seen{};
    TestWindow window(on(WM_CREATE, [&](HWND hwnd, WPARAM, LPARAM lParam) {
        seen = *reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&object));
    }));
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, TestWindow::className(), "Title", WS_POPUP, 10, 20,
                                300, 200, nullptr, nullptr, nullptr, &window);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(seen.lpCreateParams, &window);
    EXPECT_EQ(std::make_tuple(seen.x, seen.y, seen.cx, seen.cy), std::make_tuple(10, 20, 300, 200));
    EXPECT_EQ(std::make_pair(DWORD(seen.style), seen.dwExStyle),
              std::make_pair(DWORD(WS_POPUP), DWORD(WS_EX_TOPMOST)));
    char title[32];
    EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof(title)), 5);
    EXPECT_STREQ(title, "Title");
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&object));
    EXPECT_TRUE(SetWindowTextA(hwnd, "after the change"));
    EXPECT_EQ(window.count(WM_SETTEXT), 1u);
    // Room for the terminator alone reads an empty text; no room leaves the buffer alone.
    const struct {
        int room, length;
        const char* text;
    } reads[] = {{6, 5, "after"}, {1, 0, ""}, {0, 0, "xyz"}};
    for (const auto& read : reads) {
        char buffer[32] = "xyz";
        EXPECT_EQ(GetWindowTextA(hwnd, buffer, read.room), read.length) << read.room;
        EXPECT_STREQ(buffer, read.text) << read.room;
    }
    EXPECT_EQ(DefWindowProcA(hwnd, WM_NCCREATE, 0, 0), TRUE);  // no CREATESTRUCT: text kept
    EXPECT_EQ(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0), 16);
    char got[32] = "";
    EXPECT_EQ(SendMessageA(hwnd, WM_GETTEXT, sizeof(got), reinterpret_cast<LPARAM>(got)), 16);
    EXPECT_STREQ(got, "after the change");
    DestroyWindow(hwnd);
}

// Each failure leaves its reason in GetLastError.
TEST(WindowCreation, UnknownClassBadHandlesAndMissingBuffersFailWithTheirErrors) {
    TestWindow window(WS_POPUP, 0, 0, 10, 10);
    const HWND hwnd = window.handle(), bogus = reinterpret_cast<HWND>(0x1234);
    RECT r;
    char text[32];
    const MSG toBogus{bogus, WM_USER, 0, 0, 0, {0, 0}};
    const DWORD badHandle = ERROR_INVALID_WINDOW_HANDLE, badParameter = ERROR_INVALID_PARAMETER;
    const struct {
        const char* call;
        std::function<LONG_PTR()> run;
        DWORD error;
    } cases[] = {
        {"CreateWindowExA",
         [] {
             return reinterpret_cast<LONG_PTR>(CreateWindowExA(0, "No Such Class", "", WS_POPUP, 0,
                                                               0, 10, 10, nullptr, nullptr, nullptr,
                                                               nullptr));
         },
         ERROR_CANNOT_FIND_WND_CLASS},
        {"DestroyWindow", [&] { return LONG_PTR(DestroyWindow(bogus)); }, badHandle},
        {"GetClientRect", [&] { return LONG_PTR(GetClientRect(bogus, &r)); }, badHandle},
        {"GetWindowRect", [&] { return LONG_PTR(GetWindowRect(bogus, &r)); }, badHandle},
        {"ShowWindow", [&] { return LONG_PTR(ShowWindow(bogus, SW_SHOW)); }, badHandle},
        {"SetWindowPos", [&] { return LONG_PTR(SetWindowPos(bogus, nullptr, 0, 0, 1, 1, 0)); },
         badHandle},
        {"SendMessageA", [&] { return SendMessageA(bogus, WM_USER, 0, 0); }, badHandle},
        {"PostMessageA", [&] { return LONG_PTR(PostMessageA(bogus, WM_USER, 0, 0)); }, badHandle},
        {"DispatchMessageA", [&] { return DispatchMessageA(&toBogus); }, badHandle},
        {"GetWindowLongPtrA", [&] { return GetWindowLongPtrA(bogus, GWL_USERDATA); }, badHandle},
        {"GetWindowTextA", [&] { return LONG_PTR(GetWindowTextA(bogus, text, sizeof(text))); },
         badHandle},
        {"InvalidateRect", [&] { return LONG_PTR(InvalidateRect(bogus, nullptr, TRUE)); },
         badHandle},
        {"GetClientRect null", [&] { return LONG_PTR(GetClientRect(hwnd, nullptr)); },
         badParameter},
        {"ClientToScreen null", [&] { return LONG_PTR(ClientToScreen(hwnd, nullptr)); },
         badParameter},
        {"ScreenToClient null", [&] { return LONG_PTR(ScreenToClient(hwnd, nullptr)); },
         badParameter},
        {"GetWindowTextA 0", [&] { return LONG_PTR(GetWindowTextA(hwnd, text, 0)); }, badParameter},
        {"SetWindowLongPtrA -100", [&] { return SetWindowLongPtrA(hwnd, -100, 1); },
         DWORD{ERROR_INVALID_INDEX}},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(c.run(), 0) << c.call;
        EXPECT_EQ(GetLastError(), c.error) << c.call;
    }
    EXPECT_FALSE(IsWindow(bogus));
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
    // A menu named by number is no string to copy.
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszMenuName = MAKEINTRESOURCEA(101);
    EXPECT_NE(RegisterClassA(&wc), 0);
    EXPECT_TRUE(UnregisterClassA("Twice", nullptr));
}

// The focused window loses the focus before WM_DESTROY (this once did not
// happen), and WM_NCDESTROY comes last.
TEST(WindowDestruction, TakesTheFocusAwayThenSendsDestroyAndNcDestroy) {
    TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100);
    window.clear();
    EXPECT_TRUE(DestroyWindow(window.handle()));
    EXPECT_EQ(window.messageIds(), (Ids{WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE,
                                        WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window.handle()));
    EXPECT_NE(GetFocus(), window.handle());
    EXPECT_NE(GetForegroundWindow(), window.handle());
}

// Only the owning thread may destroy a window; WM_CLOSE does through the
// default procedure, and what was posted to the window is dropped. A
// DestroyWindow from inside the window's own WM_DESTROY does nothing more.
TEST(WindowDestruction, OnlyTheOwnerDestroysAndPostedMessagesAreDropped) {
    TestWindow window(WS_POPUP, 0, 0, 10, 10,
                      on(WM_DESTROY, [](HWND hwnd, WPARAM, LPARAM) { DestroyWindow(hwnd); }));
    BOOL fromOther = TRUE;
    std::thread([&] { fromOther = DestroyWindow(window.handle()); }).join();
    EXPECT_FALSE(fromOther);
    EXPECT_TRUE(IsWindow(window.handle()));
    ASSERT_TRUE(PostMessageA(window.handle(), WM_USER + 1, 0, 0));
    SendMessageA(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window.handle()));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
    EXPECT_EQ(window.count(WM_DESTROY), 1u);
}

// Frame 4, caption 19 and menu 19 pixels; the screen size follows the
// desktop mode.
TEST(WindowGeometry, AdjustWindowRectAddsTheFrameAndMetricsFollowTheMode) {
    // A thin border is 1, a dialog frame 3, a client edge 2 more.
    const struct {
        DWORD style, exStyle;
        BOOL menu;
        RECT expected;
    } cases[] = {{WS_OVERLAPPEDWINDOW, 0, FALSE, {-4, -23, 644, 484}},
                 {WS_OVERLAPPEDWINDOW, 0, TRUE, {-4, -42, 644, 484}},
                 {WS_POPUP, 0, FALSE, {0, 0, 640, 480}},
                 {WS_POPUP | WS_BORDER, 0, FALSE, {-1, -1, 641, 481}},
                 {WS_POPUP | WS_DLGFRAME, 0, FALSE, {-3, -3, 643, 483}},
                 {WS_POPUP, WS_EX_CLIENTEDGE, FALSE, {-2, -2, 642, 482}}};
    for (const auto& c : cases) {
        RECT r{0, 0, 640, 480};
        ASSERT_TRUE(AdjustWindowRectEx(&r, c.style, c.menu, c.exStyle));
        EXPECT_EQ(edges(r), edges(c.expected)) << c.style << " " << c.exStyle << " " << c.menu;
    }
    EXPECT_FALSE(AdjustWindowRect(nullptr, WS_POPUP, FALSE));

    const auto saved = platform::core::desktopMode();
    platform::core::setDesktopMode({800, 600, 16, 60});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    // Maximised, a window's frame lies just outside the screen on each side.
    EXPECT_EQ(GetSystemMetrics(SM_CXMAXIMIZED) - 800, GetSystemMetrics(SM_CYMAXIMIZED) - 600);
    platform::core::setDesktopMode(saved);
    EXPECT_EQ(GetSystemMetrics(12345), 0);
}

// The client area is the window less its frame and caption (none for a
// popup) and starts at the client origin on the screen; growing the window
// by what the frame takes gives an exact 640 x 480 client.
TEST(WindowGeometry, ClientAreaIsTheWindowLessItsFrame) {
    const struct {
        DWORD style;
        RECT client;
        POINT origin;
    } cases[] = {{WS_OVERLAPPEDWINDOW, {0, 0, 392, 273}, {104, 73}},
                 {WS_POPUP, {0, 0, 400, 300}, {100, 50}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        TestWindow window(c.style, 100, 50, 400, 300);
        RECT outer, client;
        ASSERT_TRUE(GetWindowRect(window.handle(), &outer));
        ASSERT_TRUE(GetClientRect(window.handle(), &client));
        EXPECT_EQ(edges(outer), edges({100, 50, 500, 350}));
        EXPECT_EQ(edges(client), edges(c.client));
        // Created hidden: WM_NCCREATE, WM_CREATE, then the client size and origin.
        const auto created = window.messages();
        ASSERT_EQ(created.size(), 4u);
        EXPECT_EQ(created[2].lParam, MAKELPARAM(c.client.right, c.client.bottom));
        EXPECT_EQ(created[3].lParam, MAKELPARAM(c.origin.x, c.origin.y));
        POINT p{0, 0};
        ASSERT_TRUE(ClientToScreen(window.handle(), &p));
        EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(c.origin.x, c.origin.y));
        ASSERT_TRUE(ScreenToClient(window.handle(), &p));
        EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(LONG(0), LONG(0)));
        MoveWindow(window.handle(), 0, 0, 400 + 640 - client.right, 300 + 480 - client.bottom,
                   TRUE);
        GetClientRect(window.handle(), &client);
        EXPECT_EQ(edges(client), edges({0, 0, 640, 480}));
    }
}

// Overlapped and resizable windows are held to the smallest tracking size,
// 112 x 27; a popup without a sizing frame is made as small as asked.
TEST(WindowGeometry, OverlappedAndSizableWindowsKeepTheMinimumTrackingSize) {
    const struct {
        DWORD style;
        LONG width, height;
    } cases[] = {{WS_POPUP, 10, 10},
                 {WS_POPUP | WS_THICKFRAME, 112, 27},
                 {WS_OVERLAPPED, 112, 27},
                 {WS_OVERLAPPEDWINDOW, 112, 27}};
    for (const auto& c : cases) {
        TestWindow window(c.style, 5, 5, 10, 10);
        RECT r{};
        GetWindowRect(window.handle(), &r);
        EXPECT_EQ(edges(r), edges({5, 5, 5 + c.width, 5 + c.height})) << std::hex << c.style;
    }
}

// HWND_TOPMOST makes a window topmost and only HWND_NOTOPMOST takes that
// away; with SWP_NOZORDER the order argument is ignored.
TEST(WindowGeometry, OnlyNoTopmostTakesTheTopmostStyleAway) {
    TestWindow window(WS_POPUP, 0, 0, 10, 10);
    const struct {
        HWND after;
        UINT flags;
        bool topmost;
    } steps[] = {{HWND_TOPMOST, 0, true},
                 {HWND_NOTOPMOST, SWP_NOZORDER, true},
                 {HWND_TOP, 0, true},
                 {HWND_NOTOPMOST, 0, false},
                 {HWND_TOPMOST, SWP_NOZORDER, false}};
    for (const auto& step : steps) {
        ASSERT_TRUE(SetWindowPos(window.handle(), step.after, 0, 0, 0, 0,
                                 step.flags | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
        EXPECT_EQ((GetWindowLongA(window.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, step.topmost)
            << step.after << " " << step.flags;
    }
}

// A move sends WM_MOVE with the new client origin and no WM_SIZE, a resize
// WM_SIZE with the new size; WM_WINDOWPOSCHANGED's flags say which it was.
TEST(WindowGeometry, MoveAndResizeSendTheirMessages) {
    UINT flags = 0;
    TestWindow window(WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                      on(WM_WINDOWPOSCHANGED, [&](HWND, WPARAM, LPARAM lParam) {
                          flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
                      }));
    window.clear();
    ASSERT_TRUE(MoveWindow(window.handle(), 30, 40, 200, 100, TRUE));
    EXPECT_EQ(window.messageIds(), (Ids{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
    EXPECT_EQ(window.messages().back().lParam, MAKELPARAM(30, 40));
    EXPECT_EQ(flags & (SWP_NOMOVE | SWP_NOSIZE), UINT(SWP_NOSIZE));
    RECT r;
    GetWindowRect(window.handle(), &r);
    EXPECT_EQ(edges(r), edges({30, 40, 230, 140}));
    window.clear();
    ASSERT_TRUE(MoveWindow(window.handle(), 30, 40, 300, 100, TRUE));
    EXPECT_EQ(window.messageIds(), (Ids{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE}));
    EXPECT_EQ(window.messages().back().lParam, MAKELPARAM(300, 100));
    EXPECT_EQ(flags & (SWP_NOMOVE | SWP_NOSIZE), UINT(SWP_NOMOVE));
    ASSERT_TRUE(MoveWindow(window.handle(), 30, 45, 300, 100, TRUE));  // down only: a move
    EXPECT_EQ(flags & (SWP_NOMOVE | SWP_NOSIZE), UINT(SWP_NOSIZE));
}

// A child's WM_WINDOWPOSCHANGED gives its place in the parent's client area, also
// when it is hidden.
TEST(WindowGeometry, ChildPositionsAreRelativeToTheParentClient) {
    POINT place{};
    TestWindow child(on(WM_WINDOWPOSCHANGED, [&](HWND, WPARAM, LPARAM lParam) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        place = {pos->x, pos->y};
    }));
    // Made second, the parent goes first and takes the child window with it.
    TestWindow parent(WS_OVERLAPPEDWINDOW, 100, 50, 400, 300);
    const HWND hwnd = CreateWindowExA(0, TestWindow::className(), "", WS_CHILD | WS_VISIBLE, 10, 20,
                                      30, 30, parent.handle(), nullptr, nullptr, &child);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(MoveWindow(hwnd, 15, 25, 30, 30, TRUE));
    EXPECT_EQ(std::make_pair(place.x, place.y), std::make_pair(LONG(15), LONG(25)));
    place = {};
    ShowWindow(hwnd, SW_HIDE);  // told where it stays
    EXPECT_EQ(std::make_pair(place.x, place.y), std::make_pair(LONG(15), LONG(25)));
}

// The default procedure's hit test of an overlapped window at (100, 50):
// client from (104, 73), the caption the 19 rows above it.
TEST(WindowGeometry, HitTestFindsClientCaptionAndFrame) {
    TestWindow window(WS_OVERLAPPEDWINDOW, 100, 50, 400, 300);
    const struct {
        short x, y;
        LRESULT expected;
    } points[] = {{200, 200, HTCLIENT}, {200, 60, HTCAPTION}, {200, 52, HTBORDER},
                  {101, 200, HTBORDER}, {101, 73, HTBORDER},  {50, 50, HTNOWHERE}};
    for (const auto& p : points) {
        EXPECT_EQ(SendMessageA(window.handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), p.expected)
            << p.x << "," << p.y;
    }
}

// A window stays invalid, and gets WM_PAINT, until its procedure validates
// it; UpdateWindow paints only an invalid window.
TEST(Painting, InvalidWindowGetsPaintUntilValidated) {
    int paints = 0;
    bool validate = false;
    TestWindow window(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                      on(WM_PAINT, [&](HWND hwnd, WPARAM, LPARAM) {
                          ++paints;
                          EXPECT_TRUE(!validate || ValidateRect(hwnd, nullptr));
                          return 0;
                      }));
    const auto paintWaiting = [&] {
        MSG msg;
        const bool waiting = PeekMessageA(&msg, window.handle(), WM_PAINT, WM_PAINT, PM_REMOVE);
        return waiting && DispatchMessageA(&msg) == 0;
    };
    EXPECT_TRUE(paintWaiting());
    validate = true;
    EXPECT_TRUE(paintWaiting());  // not validated the first time: still there
    EXPECT_FALSE(paintWaiting());
    EXPECT_EQ(paints, 2);
    EXPECT_TRUE(InvalidateRect(window.handle(), nullptr, TRUE));
    EXPECT_TRUE(UpdateWindow(window.handle()));
    EXPECT_EQ(paints, 3);
    EXPECT_TRUE(UpdateWindow(window.handle()));
    EXPECT_EQ(paints, 3);
}

// The desktop window covers the desktop mode and is no window the program
// made or can destroy. Its DC answers with the desktop depth until it is
// released, once; a window that does not exist gets none.
TEST(DesktopWindow, CoversTheDesktopAndItsDCIsReleasedOnce) {
    const HWND desktop = GetDesktopWindow();
    ASSERT_NE(nullptr, desktop);
    RECT client{}, window{};
    ASSERT_TRUE(GetClientRect(desktop, &client));
    ASSERT_TRUE(GetWindowRect(desktop, &window));
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_EQ(edges(client), edges(screen));
    EXPECT_EQ(edges(window), edges(screen));
    EXPECT_EQ(FALSE, IsWindow(desktop));

    HDC dc = GetDC(desktop);
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(static_cast<int>(platform::testing::currentDesktopMode().bitsPerPixel),
              GetDeviceCaps(dc, BITSPIXEL));
    EXPECT_EQ(1, ReleaseDC(desktop, dc));
    EXPECT_EQ(0, ReleaseDC(desktop, dc));
    EXPECT_EQ(0, GetDeviceCaps(dc, BITSPIXEL));  // a released DC answers nothing
    EXPECT_EQ(nullptr, GetDC(reinterpret_cast<HWND>(uintptr_t{0x7FFF0000})));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

// Touching edges do not intersect: the result is then empty. A point on the
// right or bottom edge is outside; a rectangle without area, or inverted, is
// empty.
TEST(Rectangles, HelpersFollowWindowsRules) {
    RECT a{0, 0, 10, 10}, b, out;
    SetRect(&b, 5, 5, 20, 20);
    ASSERT_TRUE(IntersectRect(&out, &a, &b));
    EXPECT_EQ(edges(out), edges({5, 5, 10, 10}));
    SetRect(&b, 10, 0, 20, 10);
    EXPECT_FALSE(IntersectRect(&out, &a, &b));
    EXPECT_EQ(edges(out), edges({0, 0, 0, 0}));
    EXPECT_FALSE(IntersectRect(nullptr, &a, &b));
    RECT r{1, 2, 3, 4};
    EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
    EXPECT_TRUE(IsRectEmpty(nullptr));
    for (const POINT p : {POINT{0, 0}, POINT{9, 9}})
        EXPECT_TRUE(PtInRect(&a, p)) << p.x << "," << p.y;
    for (const POINT p : {POINT{10, 5}, POINT{5, 10}, POINT{-1, 5}})
        EXPECT_FALSE(PtInRect(&a, p)) << p.x << "," << p.y;
    for (RECT e : {RECT{5, 5, 5, 10}, RECT{5, 5, 4, 10}, RECT{5, 5, 6, 5}})
        EXPECT_TRUE(IsRectEmpty(&e)) << e.right << "," << e.bottom;
    SetRectEmpty(&r);
    EXPECT_FALSE(IsRectEmpty(&a));
    EXPECT_TRUE(IsRectEmpty(&r));
}

}  // namespace
