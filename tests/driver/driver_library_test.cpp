// libd3ddriver.so loaded and unloaded as the engine does it, through
// LoadLibraryA and FreeLibrary. The test shares libengine and libplatform with
// the driver, so the debug sink and the engine globals are the same objects.
#include "log_capture.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/video_mode.h>
#include <platform/testing.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using Kind = debug::Message::Kind;

namespace {

// Threads of this process, from the kernel's own list.
size_t threadCount() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

}  // namespace

TEST(DriverLibrary, LoadingAndUnloadingLeavesNothingBehind) {
    const size_t threadsBefore = threadCount();
    LogCapture log;

    HMODULE module = LoadLibraryA("D3DDriver.dll");
    ASSERT_NE(module, nullptr) << "error " << GetLastError();

    // Published through the engine's pointer and the driver's export.
    ASSERT_NE(theRenderDriver, nullptr);
    auto* exported = reinterpret_cast<RenderDriver**>(GetProcAddress(module, "theD3DRenderDriver"));
    ASSERT_NE(exported, nullptr);
    EXPECT_EQ(*exported, theRenderDriver);
    EXPECT_NE(GetProcAddress(module, "g_sortAlpha"), nullptr);
    EXPECT_NE(GetProcAddress(module, "DllMain"), nullptr);
    // Only what the library exports is visible.
    EXPECT_EQ(GetProcAddress(module, "initDriver"), nullptr);

    // The shipped configuration names a mode that exists.
    const VideoMode* mode = theRenderDriver->getDefaultVideoMode();
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->getWidth(), 640);
    EXPECT_EQ(mode->getHeight(), 480);
    EXPECT_EQ(mode->getColorDepth(), 16);
    EXPECT_TRUE(mode->isHardware());
    EXPECT_FALSE(theRenderDriver->getVideoModeList().empty());

    // Loaded: no core thread, no window.
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(GetActiveWindow(), nullptr);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(theRenderDriver, nullptr);
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    // The exit hook went with the library: running the hooks now must not
    // call into unmapped code.
    debug::System::runExitHooks();

    EXPECT_EQ(log.count("Driver", "initDriver"), 1);
    EXPECT_EQ(log.count("Driver", "termDriver"), 1);
    EXPECT_EQ(log.countKind("Driver", Kind::Warning), 0);
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 0);
}

TEST(DriverLibrary, LoadingTwiceCountsReferencesAndInitialisesOnce) {
    LogCapture log;
    HMODULE first = LoadLibraryA("D3DDriver.dll");
    ASSERT_NE(first, nullptr);
    RenderDriver* driver = theRenderDriver;
    HMODULE second = LoadLibraryA("D3DDriver.dll");
    EXPECT_EQ(second, first);
    EXPECT_EQ(theRenderDriver, driver);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(theRenderDriver, driver);  // still loaded
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(theRenderDriver, nullptr);
    EXPECT_EQ(log.count("Driver", "initDriver"), 1);
    EXPECT_EQ(log.count("Driver", "termDriver"), 1);
}

TEST(DriverLibrary, SortAlphaFollowsTheEnvironmentAtLoad) {
    for (const auto& [os, expected] : {std::pair<const char*, bool>{nullptr, true},
                                       {"Windows_NT", false},
                                       {"windows_nt", false}}) {
        SetEnvironmentVariableA("OS", os);
        HMODULE module = LoadLibraryA("D3DDriver.dll");
        ASSERT_NE(module, nullptr);
        const auto* sortAlpha =
            reinterpret_cast<const bool*>(GetProcAddress(module, "g_sortAlpha"));
        ASSERT_NE(sortAlpha, nullptr);
        EXPECT_EQ(*sortAlpha, expected) << (os ? os : "(unset)");
        EXPECT_TRUE(FreeLibrary(module));
    }
    SetEnvironmentVariableA("OS", nullptr);
}
