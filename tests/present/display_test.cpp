// The SDL window presenter against a real X server (ctest runs this program
// a second time under xvfb-run).
#include "core/presenter.h"
#include "platform/testing_input.h"
#include "present/sdl_presenter.h"

#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<int> keyDowns{0};
std::atomic<WPARAM> lastKey{0};

LRESULT CALLBACK keyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) {
        ++keyDowns;
        lastKey = wParam;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

Uint32 sdlWindowTitled(const char* title) {
    for (Uint32 id = 1; id < 256; ++id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (window && std::strcmp(SDL_GetWindowTitle(window), title) == 0)
            return id;
    }
    return 0;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Null when there is no window to show frames in.
platform::present::SdlPresenter* windowPresenter() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || platform::testing::presenterIsHeadless())
        return nullptr;
    return dynamic_cast<platform::present::SdlPresenter*>(&platform::core::presenter());
}

#define SKIP_WITHOUT_WINDOWS()                                                              \
    if (!windowPresenter())                                                                 \
    GTEST_SKIP() << "no DISPLAY or D3DDRIVER_HEADLESS set: the SDL window needs an X server " \
                    "(ctest also runs this program under xvfb-run)"

// A visible window of the tests' class, whose procedure counts key presses.
HWND makeWindow(const char* title, DWORD style, int width, int height) {
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = keyProc;
        wc.lpszClassName = "DisplayTest";
        return RegisterClassA(&wc);
    }();
    EXPECT_NE(registered, 0);
    return CreateWindowExA(0, "DisplayTest", title, style | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, nullptr, nullptr);
}

// One frame of a single colour in a window.
void presentColour(HWND hwnd, DWORD width, DWORD height, DWORD colour) {
    std::vector<DWORD> pixels(width * height, colour);
    platform::core::PixelView view;
    view.pixels = reinterpret_cast<const BYTE*>(pixels.data());
    view.pitch = width * 4;
    view.width = width;
    view.height = height;
    view.bitCount = 32;
    view.redMask = 0xFF0000;
    view.greenMask = 0xFF00;
    view.blueMask = 0xFF;
    platform::core::presenter().present(hwnd, view, {});
}

TEST(DisplayPresenter, ShowsFramesAndDeliversKeys) {
    SKIP_WITHOUT_WINDOWS();

    HWND hwnd = makeWindow("Display Test", WS_POPUP, 64, 48);
    ASSERT_NE(hwnd, nullptr);
    platform::testing::setScreenReadback(true);

    const DWORD colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (DWORD colour : colours) {
        presentColour(hwnd, 64, 48, colour);
        const auto shown = platform::testing::lastScreenReadback();
        ASSERT_EQ(shown.width, 64u);
        ASSERT_EQ(shown.height, 48u);
        EXPECT_EQ(shown.pixels.at(10 * 64 + 10) & 0xFFFFFF, colour);
        EXPECT_EQ(shown.pixels.back() & 0xFFFFFF, colour);
    }

    const Uint32 id = sdlWindowTitled("Display Test");
    ASSERT_NE(id, 0u) << "the presenter made no SDL window for the render window";
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = id;
    event.key.state = SDL_PRESSED;
    event.key.keysym.scancode = SDL_SCANCODE_Q;
    event.key.keysym.sym = SDLK_q;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    pump();
    EXPECT_EQ(keyDowns.load(), 1);
    EXPECT_EQ(lastKey.load(), static_cast<WPARAM>('Q'));

    DestroyWindow(hwnd);
    pump();
    EXPECT_EQ(sdlWindowTitled("Display Test"), 0u);
}

// A full-screen window of another size than the frames keeps the screen's
// size and shows the frame scaled, proportions kept; it is never resized
// (doing so every frame made each take about 110 ms). A plain window takes
// each new size once.
TEST(DisplayPresenter, FullScreenScalesTheFrameAndOnlyWindowsAreResized) {
    SKIP_WITHOUT_WINDOWS();
    setenv("D3DDRIVER_FULLSCREEN", "1", 1);
    HWND popup = makeWindow("Full", WS_POPUP, 64, 48);
    HWND plain = makeWindow("Plain", WS_OVERLAPPED, 200, 150);
    platform::testing::setScreenReadback(true);
    const int resizes = windowPresenter()->windowResizes();
    for (int i = 0; i < 3; ++i)
        presentColour(popup, 64, 48, 0x00FF00);
    const auto shown = platform::testing::lastScreenReadback();
    ASSERT_EQ(std::make_pair(shown.width, shown.height), std::make_pair(1280u, 1024u));
    // 64 x 48 scaled by 20 is 1280 x 960: bars of 32 rows above and below.
    EXPECT_EQ(shown.pixels.at(512 * 1280 + 640) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(shown.pixels.at(40 * 1280 + 2) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(shown.pixels.at(20 * 1280 + 640) & 0xFFFFFF, 0u);
    EXPECT_EQ(windowPresenter()->windowResizes(), resizes);

    RECT client{};
    GetClientRect(plain, &client);
    for (int i = 0; i < 2; ++i)
        presentColour(plain, client.right, client.bottom, 0xFF0000);
    EXPECT_EQ(windowPresenter()->windowResizes(), resizes);
    SetWindowPos(plain, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(plain, &client);
    for (int i = 0; i < 2; ++i)
        presentColour(plain, client.right, client.bottom, 0xFF0000);
    EXPECT_EQ(windowPresenter()->windowResizes(), resizes + 1);
    unsetenv("D3DDRIVER_FULLSCREEN");
    DestroyWindow(popup);
    DestroyWindow(plain);
}

}  // namespace
