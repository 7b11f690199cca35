// The SDL window presenter against a real X server (ctest runs this program
// a second time under xvfb-run).
#include "core/presenter.h"
#include "platform/testing_input.h"

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

TEST(DisplayPresenter, ShowsFramesAndDeliversKeys) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no DISPLAY: the SDL window needs an X server (ctest also runs this "
                        "program under xvfb-run)";
    if (platform::testing::presenterIsHeadless())
        GTEST_SKIP() << "D3DDRIVER_HEADLESS is set: the presenter keeps frames in memory";

    WNDCLASSA wc{};
    wc.lpfnWndProc = keyProc;
    wc.lpszClassName = "DisplayTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "DisplayTest", "Display Test", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                48, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    platform::testing::setScreenReadback(true);

    const DWORD colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
    std::vector<DWORD> pixels(64 * 48);
    for (DWORD colour : colours) {
        std::fill(pixels.begin(), pixels.end(), colour);
        platform::core::PixelView view;
        view.pixels = reinterpret_cast<const BYTE*>(pixels.data());
        view.pitch = 64 * 4;
        view.width = 64;
        view.height = 48;
        view.bitCount = 32;
        view.redMask = 0xFF0000;
        view.greenMask = 0xFF00;
        view.blueMask = 0xFF;
        platform::core::presenter().present(hwnd, view, {});
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
    UnregisterClassA("DisplayTest", nullptr);
}

}  // namespace
