// The close watcher on the driver's real render window, with the driver
// loaded as d3dview loads it.
#include "close_watcher.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/window_interface.h>
#include <platform/testing_input.h>

#include <gtest/gtest.h>

using viewer::CloseWatcher;

namespace {

// The driver loaded and a video mode set, with the watcher listening on the
// Application from before the window exists.
class ViewerCloseWatcher : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA("D3DDriver.dll");
        ASSERT_NE(module, nullptr);
        ASSERT_NE(theRenderDriver, nullptr);
        ASSERT_NE(theApplication, nullptr);
        theApplication->registerListener(&watcher, 0);
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(theRenderWindow->getHandle(), nullptr);
        watcher.waitUntilWatching();
        window = theRenderWindow->getHandle();
    }
    void TearDown() override {
        if (theApplication)
            theApplication->unregisterListener(&watcher);
        if (theRenderDriver && theRenderWindow && theRenderWindow->getHandle())
            theRenderDriver->termVideoMode();
        if (module) {
            EXPECT_TRUE(FreeLibrary(module));
        }
    }

    HMODULE module = nullptr;
    CloseWatcher watcher;
    HWND window = nullptr;
};

}  // namespace

TEST_F(ViewerCloseWatcher, TheCloseButtonIsNoticedAndTheWindowStays) {
    EXPECT_FALSE(watcher.closeRequested());
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    watcher.waitForClose();
    EXPECT_TRUE(watcher.closeRequested());
    EXPECT_TRUE(IsWindow(window));
    // Other messages still reach the render window's own procedure.
    SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(theRenderWindow->isActive());
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_TRUE(theRenderWindow->isActive());
}

TEST_F(ViewerCloseWatcher, TheWindowOfTheNextVideoModeIsWatchedByANewWatcher) {
    theApplication->unregisterListener(&watcher);
    theRenderDriver->termVideoMode();
    EXPECT_FALSE(IsWindow(window));
    // A second video mode gets a new window that a new watcher hooks again;
    // Escape there is noticed as a close.
    CloseWatcher second;
    theApplication->registerListener(&second, 0);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    second.waitUntilWatching();
    ASSERT_TRUE(platform::testing::postKey(VK_ESCAPE, true));
    second.waitForClose();
    EXPECT_TRUE(second.closeRequested());
    EXPECT_FALSE(watcher.closeRequested());
    theApplication->unregisterListener(&second);
}
