// initDriver and termDriver called directly: what they create and publish, in
// which order, the alpha sorting flag and the desktop mode.
#include "application.h"
#include "degrading_manager.h"
#include "rfactory.h"
#include "states.h"
#include "driver_fixture.h"
#include "log_capture.h"

#include <engine/core/globals.h>

#include <windows.h>

using Kind = debug::Message::Kind;

namespace {

class DriverLifecycleTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        useData("no_file");
        char value[64] = {};
        const DWORD length = GetEnvironmentVariableA("OS", value, sizeof value);
        hadOS_ = length > 0 && length < sizeof value;
        savedOS_ = hadOS_ ? value : "";
    }
    void TearDown() override {
        SetEnvironmentVariableA("OS", hadOS_ ? savedOS_.c_str() : nullptr);
        DriverTest::TearDown();
    }

    static bool sortAlphaAfterLoadWith(const char* os) {
        SetEnvironmentVariableA("OS", os);
        initDriver();
        const bool result = g_sortAlpha;
        termDriver();
        return result;
    }

private:
    bool hadOS_ = false;
    std::string savedOS_;
};

bool sameDesktop(const platform::testing::DesktopMode& a, const platform::testing::DesktopMode& b) {
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}

}  // namespace

TEST_F(DriverLifecycleTest, DriverIsPublishedInItsOwnGlobalThenTheEngines) {
    useData("no_match");  // makes the driver's constructor warn
    bool sawInitDriver = false, sawWarning = false;
    LogCapture log([&](const debug::Record& r) {
        if (r.text == "initDriver") {
            sawInitDriver = true;
            EXPECT_EQ(theD3DRenderDriver, nullptr);
            EXPECT_EQ(theRenderDriver, nullptr);
        }
        if (r.kind == Kind::Warning) {
            // Inside the constructor: nothing is published yet.
            sawWarning = true;
            EXPECT_TRUE(sawInitDriver);
            EXPECT_EQ(theD3DRenderDriver, nullptr);
            EXPECT_EQ(theRenderDriver, nullptr);
            // The degrading manager came first, in its own global only.
            EXPECT_NE(theD3DDegradingManager, nullptr);
            EXPECT_EQ(theDegradingManager, nullptr);
            // So did the view and light factories.
            EXPECT_NE(theD3DRenderViewFactory, nullptr);
            EXPECT_NE(theD3DRenderLightFactory, nullptr);
            EXPECT_EQ(theRenderViewFactory, nullptr);
            EXPECT_EQ(theRenderLightFactory, nullptr);
            // The decal factory waits for the driver to be published; the
            // line factory is published as soon as it exists.
            EXPECT_NE(theD3DRenderDecalFactory, nullptr);
            EXPECT_EQ(theRenderDecalFactory, nullptr);
            EXPECT_NE(theRenderLineFactory, nullptr);
        }
    });
    initDriver();
    EXPECT_TRUE(sawWarning);
    ASSERT_NE(theD3DRenderDriver, nullptr);
    EXPECT_EQ(theRenderDriver, static_cast<RenderDriver*>(theD3DRenderDriver));
    EXPECT_NE(theD3DRenderDriver->getDefaultVideoMode(), nullptr);
    EXPECT_EQ(theDegradingManager, static_cast<DegradingManager*>(theD3DDegradingManager));
    EXPECT_NE(theRenderStateManager, nullptr);
    EXPECT_EQ(theRenderViewFactory, static_cast<RenderViewFactory*>(theD3DRenderViewFactory));
    EXPECT_EQ(theRenderLightFactory, static_cast<RenderLightFactory*>(theD3DRenderLightFactory));
    EXPECT_NE(theRenderTextureManager, nullptr);
    EXPECT_NE(theRenderMaterialManager, nullptr);
    EXPECT_EQ(theRenderDecalFactory, static_cast<RenderDecalFactory*>(theD3DRenderDecalFactory));
    // The Application comes after the driver and publishes itself.
    ASSERT_NE(theD3DApplication, nullptr);
    EXPECT_EQ(theApplication, static_cast<ApplicationInterface*>(theD3DApplication));
    EXPECT_EQ(theRenderWindow, static_cast<WindowInterface*>(&theD3DApplication->getWindow()));
    termDriver();
    EXPECT_EQ(theRenderViewFactory, nullptr);
    EXPECT_EQ(theRenderLightFactory, nullptr);
    EXPECT_EQ(theRenderTextureManager, nullptr);
    EXPECT_EQ(theRenderMaterialManager, nullptr);
    EXPECT_EQ(theD3DDegradingManager, nullptr);
    EXPECT_EQ(theDegradingManager, nullptr);
    EXPECT_EQ(theD3DRenderViewFactory, nullptr);
    EXPECT_EQ(theRenderViewFactory, nullptr);
    EXPECT_EQ(theD3DRenderLightFactory, nullptr);
    EXPECT_EQ(theRenderLightFactory, nullptr);
    EXPECT_EQ(theRenderStateManager, nullptr);
    EXPECT_EQ(theD3DApplication, nullptr);
    EXPECT_EQ(theApplication, nullptr);
    EXPECT_EQ(theRenderWindow, nullptr);
}

TEST_F(DriverLifecycleTest, TermDriverLogsThenDeletesAndClearsBothGlobals) {
    initDriver();
    bool sawTermDriver = false;
    LogCapture log([&](const debug::Record& r) {
        if (r.text == "termDriver") {
            sawTermDriver = true;
            EXPECT_NE(theD3DRenderDriver, nullptr);
            EXPECT_NE(theRenderDriver, nullptr);
        }
    });
    termDriver();
    EXPECT_TRUE(sawTermDriver);
    EXPECT_EQ(theD3DRenderDriver, nullptr);
    EXPECT_EQ(theRenderDriver, nullptr);
    EXPECT_EQ(D3DEnum_GetFirstDriver(), nullptr);
}

TEST_F(DriverLifecycleTest, LifeCycleMessagesHaveLevelTwoOnTheDriverFilter) {
    LogCapture log;
    initDriver();
    termDriver();
    const auto records = log.records();
    std::vector<std::string> texts;
    for (const auto& r : records)
        if (r.filter == "Driver" && r.kind == Kind::Message) {
            EXPECT_EQ(r.level, 2.0f);
            texts.push_back(r.text);
        }
    EXPECT_EQ(texts, (std::vector<std::string>{"initDriver", "termDriver"}));
}

TEST_F(DriverLifecycleTest, SortAlphaUnlessTheSystemIsWindowsNT) {
    EXPECT_TRUE(sortAlphaAfterLoadWith(nullptr));
    EXPECT_FALSE(sortAlphaAfterLoadWith("Windows_NT"));
    EXPECT_FALSE(sortAlphaAfterLoadWith("windows_nt"));
    EXPECT_TRUE(sortAlphaAfterLoadWith("Windows_NT4"));
    EXPECT_TRUE(sortAlphaAfterLoadWith(""));
}

TEST_F(DriverLifecycleTest, SortAlphaWithAValueTooLongForTheBuffer) {
    const std::string longValue(100, 'w');
    EXPECT_TRUE(sortAlphaAfterLoadWith(longValue.c_str()));
}

TEST_F(DriverLifecycleTest, UnloadingPutsTheDesktopModeBack) {
    const auto atLoad = platform::testing::currentDesktopMode();
    initDriver();
    DEVMODEA game{};
    game.dmSize = sizeof game;
    game.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    game.dmPelsWidth = 800;
    game.dmPelsHeight = 600;
    game.dmBitsPerPel = 16;
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    ASSERT_FALSE(sameDesktop(platform::testing::currentDesktopMode(), atLoad));
    termDriver();
    EXPECT_TRUE(sameDesktop(platform::testing::currentDesktopMode(), atLoad));
}

TEST_F(DriverLifecycleTest, ExitHookPutsTheDesktopModeBackAndIsRemovedAtUnload) {
    const auto atLoad = platform::testing::currentDesktopMode();
    initDriver();
    DEVMODEA game{};
    game.dmSize = sizeof game;
    game.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    game.dmPelsWidth = 800;
    game.dmPelsHeight = 600;
    game.dmBitsPerPel = 16;
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    debug::System::runExitHooks();  // as a fatal exit would
    EXPECT_TRUE(sameDesktop(platform::testing::currentDesktopMode(), atLoad));
    termDriver();

    // After unloading no hook of the driver is left to run.
    initDriver();
    termDriver();
    ASSERT_EQ(ChangeDisplaySettingsA(&game, 0), DISP_CHANGE_SUCCESSFUL);
    debug::System::runExitHooks();
    EXPECT_FALSE(sameDesktop(platform::testing::currentDesktopMode(), atLoad));
    ChangeDisplaySettingsA(nullptr, 0);
}
