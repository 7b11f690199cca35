// The render window made on the test thread, which pumps its messages.
#include "window/window.h"

#include <platform/testing.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

class TestMode : public VideoMode {
public:
    TestMode(int width, int height, bool windowed)
        : width(width), height(height), windowed(windowed) {}
    const char* getName() const override { return "test"; }
    const char* getDeviceName() const override { return "test"; }
    const char* getModeName() const override { return "test"; }
    int getWidth() const override { return width; }
    int getHeight() const override { return height; }
    int getColorDepth() const override { return 16; }
    bool isHardware() const override { return true; }
    bool isWindowed() const override { return windowed; }
    int getID() const override { return 0; }

private:
    int width, height;
    bool windowed;
};

struct RecordingListener : RenderWindowListener {
    void getFocus() override { ++focusGained; }
    void lostFocus() override { ++focusLost; }
    void processMessage(unsigned message, unsigned, long) override { messages.push_back(message); }
    int focusGained = 0;
    int focusLost = 0;
    std::vector<unsigned> messages;
};

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::activateApplication();
        window.registerListener(&listener);
    }
    void TearDown() override {
        if (window.getHandle())
            window.destroy();
    }

    Window window;
    RecordingListener listener;
};

}  // namespace

TEST_F(WindowTest, WindowedClientAreaIsExactlyTheModeSize) {
    const TestMode mode(640, 480, true);
    window.create(&mode);
    RECT client = {};
    ASSERT_TRUE(GetClientRect(window.getHandle(), &client));
    EXPECT_EQ(client.right - client.left, 640);
    EXPECT_EQ(client.bottom - client.top, 480);
    EXPECT_TRUE(window.isWindowed());
    EXPECT_TRUE(window.isActive());
    // The client origin on the screen, below the frame and caption.
    POINT origin = {0, 0};
    ClientToScreen(window.getHandle(), &origin);
    EXPECT_EQ(window.getX(), origin.x);
    EXPECT_EQ(window.getY(), origin.y);
    EXPECT_GT(window.getY(), 0);
    char title[32] = {};
    GetWindowTextA(window.getHandle(), title, sizeof title);
    EXPECT_STREQ(title, "Render Window");
}

TEST_F(WindowTest, FullScreenWindowCoversTheModeAtTheOriginWithoutCursor) {
    const int shownBefore = platform::testing::cursorDisplayCount();
    const TestMode mode(800, 600, false);
    window.create(&mode);
    RECT outer = {};
    GetWindowRect(window.getHandle(), &outer);
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.right, 800);
    EXPECT_EQ(outer.bottom, 600);
    EXPECT_EQ(window.getX(), 0);
    EXPECT_EQ(window.getY(), 0);
    EXPECT_EQ(platform::testing::cursorDisplayCount(), shownBefore - 1);
    // A full-screen window answers every hit test as client area.
    EXPECT_EQ(SendMessageA(window.getHandle(), WM_NCHITTEST, 0, 0), HTCLIENT);
    ShowCursor(TRUE);
}

TEST_F(WindowTest, TheMenuKeyNeverOpensTheSystemMenu) {
    for (bool windowed : {true, false}) {
        const TestMode mode(320, 240, windowed);
        window.create(&mode);
        const unsigned before = platform::testing::systemMenuOpenCount();
        EXPECT_EQ(SendMessageA(window.getHandle(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
        platform::testing::postKey(VK_MENU, true);
        platform::testing::postKey(VK_MENU, false);
        pump();
        EXPECT_EQ(platform::testing::systemMenuOpenCount(), before) << "windowed " << windowed;
        window.destroy();
        if (!windowed)
            ShowCursor(TRUE);
    }
}

TEST_F(WindowTest, FullScreenSwallowsMoveSizeMaximiseAndMonitorPower) {
    const TestMode mode(320, 240, false);
    window.create(&mode);
    for (WPARAM command : {SC_MAXIMIZE, SC_SIZE, SC_MOVE, SC_MONITORPOWER})
        EXPECT_EQ(SendMessageA(window.getHandle(), WM_SYSCOMMAND, command, 0), 1) << command;
    RECT outer = {};
    GetWindowRect(window.getHandle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 320);
    ShowCursor(TRUE);
}

TEST_F(WindowTest, MinimisingMakesItInactiveUntilAnotherSizeArrives) {
    const TestMode mode(320, 240, true);
    window.create(&mode);
    ASSERT_TRUE(window.isActive());
    SendMessageA(window.getHandle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(window.isActive());
    SendMessageA(window.getHandle(), WM_SIZE, SIZE_MAXHIDE, 0);
    EXPECT_FALSE(window.isActive());
    SendMessageA(window.getHandle(), WM_SIZE, SIZE_MAXIMIZED, 0);
    EXPECT_TRUE(window.isActive());
    ShowWindow(window.getHandle(), SW_MINIMIZE);
    pump();
    EXPECT_FALSE(window.isActive());
}

TEST_F(WindowTest, MouseMovesNeverReachListenersOtherMessagesDo) {
    const TestMode mode(320, 240, true);
    window.create(&mode);
    listener.messages.clear();
    platform::testing::postMouseMove(window.getHandle(), 10, 10);
    platform::testing::postMouseButton(window.getHandle(), 0, true, 10, 10);
    platform::testing::postMouseMove(window.getHandle(), 20, 20);
    pump();
    EXPECT_EQ(std::count(listener.messages.begin(), listener.messages.end(), WM_MOUSEMOVE), 0);
    EXPECT_EQ(std::count(listener.messages.begin(), listener.messages.end(), WM_LBUTTONDOWN), 1);
    // Hit tests and cursor requests stay private too.
    SendMessageA(window.getHandle(), WM_NCHITTEST, 0, 0);
    SendMessageA(window.getHandle(), WM_SETCURSOR, 0, 0);
    EXPECT_EQ(std::count(listener.messages.begin(), listener.messages.end(), WM_NCHITTEST), 0);
    EXPECT_EQ(std::count(listener.messages.begin(), listener.messages.end(), WM_SETCURSOR), 0);
}

TEST_F(WindowTest, FocusChangesAreReportedOnceEach) {
    const TestMode mode(320, 240, true);
    window.create(&mode);
    const int gained = listener.focusGained;
    SendMessageA(window.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageA(window.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(window.hasFocus());
    EXPECT_EQ(listener.focusLost, 1);
    SendMessageA(window.getHandle(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    SendMessageA(window.getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(window.hasFocus());
    EXPECT_EQ(listener.focusGained, gained + 1);
    // Destroying the window loses the focus.
    window.destroy();
    EXPECT_EQ(listener.focusLost, 2);
    EXPECT_FALSE(window.hasFocus());
}

TEST_F(WindowTest, UnregisteredListenerHearsNothingAndClosingIsRefused) {
    const TestMode mode(320, 240, true);
    window.create(&mode);
    window.unregisterListener(&listener);
    listener.messages.clear();
    EXPECT_EQ(SendMessageA(window.getHandle(), WM_CLOSE, 0, 0), 0);
    SendMessageA(window.getHandle(), WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(IsWindow(window.getHandle()));
    EXPECT_TRUE(listener.messages.empty());
    // Unregistering twice is harmless.
    window.unregisterListener(&listener);
}

TEST_F(WindowTest, MessageBoxFromAnotherThreadRunsOnTheWindowsThreadWithTheCursorShown) {
    const TestMode mode(320, 240, false);
    window.create(&mode);
    const int hiddenCount = platform::testing::cursorDisplayCount();
    platform::testing::clearMessageBoxes();
    platform::testing::queueMessageBoxAnswer(IDYES);
    std::atomic<int> answer{0};
    const DWORD testThread = GetCurrentThreadId();
    std::thread caller([&] {
        answer = window.messageBox("Text", "Caption", MB_YESNO);
        PostThreadMessageA(testThread, WM_NULL, 0, 0);  // wakes the wait below
    });
    // The caller blocks in SendMessageA until this thread serves it.
    while (answer == 0) {
        WaitMessage();
        pump();
    }
    caller.join();
    EXPECT_EQ(answer, IDYES);
    const auto log = platform::testing::messageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, "Text");
    EXPECT_EQ(log[0].caption, "Caption");
    // Hidden again afterwards.
    EXPECT_EQ(platform::testing::cursorDisplayCount(), hiddenCount);
    ShowCursor(TRUE);
}

TEST_F(WindowTest, WindowSizeCannotBeChangedThroughTheInterface) {
    const TestMode mode(320, 240, true);
    window.create(&mode);
    EXPECT_FALSE(window.setSize(100, 100));
    EXPECT_EQ(window.getWidth(), 320);
    EXPECT_EQ(window.getHeight(), 240);
    window.setTitle("Other");
    char title[32] = {};
    GetWindowTextA(window.getHandle(), title, sizeof title);
    EXPECT_STREQ(title, "Other");
}
