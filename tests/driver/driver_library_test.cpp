// libd3ddriver.so loaded and unloaded as the engine does it, through
// LoadLibraryA and FreeLibrary. The test shares libengine and libplatform with
// the driver, so the debug sink and the engine globals are the same objects.
#include "../support/log_capture.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/video_mode.h>
#include <platform/testing.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

// Threads of this process, from the kernel's own list.
size_t threadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

// Loaded, the driver is published through the engine's pointer and its own
// export, with the shipped configuration's mode, the alpha sorting flag set
// from the environment, and neither a core thread nor a window; loaded twice
// it is initialised once. Unloaded, nothing of it is left, not even its exit
// hook.
TEST(DriverLibrary, LoadingAndUnloadingLeavesNothingBehind) {
    const size_t threadsBefore = threadCount();
    LogCapture log;
    SetEnvironmentVariableA("OS", "Windows_NT");
    HMODULE module = LoadLibraryA("D3DDriver.dll");
    SetEnvironmentVariableA("OS", nullptr);
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    ASSERT_NE(theRenderDriver, nullptr);
    RenderDriver* const driver = theRenderDriver;
    auto* exported = reinterpret_cast<RenderDriver**>(GetProcAddress(module, "theD3DRenderDriver"));
    ASSERT_NE(exported, nullptr);
    EXPECT_EQ(*exported, driver);
    const auto* sortAlpha = reinterpret_cast<const bool*>(GetProcAddress(module, "g_sortAlpha"));
    ASSERT_NE(sortAlpha, nullptr);
    EXPECT_FALSE(*sortAlpha);
    EXPECT_EQ(GetProcAddress(module, "initDriver"), nullptr);  // only exports are visible
    const VideoMode* mode = driver->getDefaultVideoMode();
    EXPECT_STREQ(mode ? mode->getName() : "", "Primary Display Driver Direct3D HAL 640 x 480 x 16");
    EXPECT_EQ(std::make_pair(threadCount(), GetActiveWindow()),
              std::make_pair(threadsBefore, HWND{}));

    HMODULE again = LoadLibraryA("D3DDriver.dll");
    EXPECT_EQ(again, module);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(theRenderDriver, driver);  // still loaded
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(theRenderDriver, nullptr);
    EXPECT_EQ(std::make_pair(threadCount(), GetActiveWindow()),
              std::make_pair(threadsBefore, HWND{}));
    debug::System::runExitHooks();       // must not call into unmapped code
    const auto records = log.records();  // and no warning or error
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text + ", " + records[1].text, "initDriver, termDriver");
}
