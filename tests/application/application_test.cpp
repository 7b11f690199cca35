// The Application driven as the engine drives it: the driver is loaded with
// initDriver, a video mode is set, and commands go to the core thread.
#include "application.h"
#include "screensh.h"
#include "states.h"

#include "../driver/driver_fixture.h"
#include "../driver/log_capture.h"

#include <engine/core/globals.h>
#include <engine/core/render_view.h>
#include <engine/core/view.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace {

class ApplicationTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        platform::testing::resetCallCounts();
        useData("no_file");
        initDriver();
        ASSERT_NE(theD3DApplication, nullptr);
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }

    // The default mode: hardware, full screen, 640 x 480 x 16.
    void initDefaultMode() {
        const VideoMode* mode = theRenderDriver->getDefaultVideoMode();
        ASSERT_NE(mode, nullptr);
        theRenderDriver->initVideoMode(mode);
    }
    // A window needs the desktop's depth, 32 bits with the default display.
    void initWindowedMode() {
        const VideoMode* full = nullptr;
        for (const VideoMode* m : theRenderDriver->getVideoModeList())
            if (m->isHardware() && m->getColorDepth() == 32 && !full)
                full = m;
        ASSERT_NE(full, nullptr);
        VideoMode* mode = theRenderDriver->createWindowedVideoMode(full, 320, 240);
        ASSERT_NE(mode, nullptr);
        theRenderDriver->initVideoMode(mode);
    }

};

// Runs a function on the core thread, from the Application's listener
// iteration, once; reports when it has run.
class OnCoreThread : public ApplicationListener {
public:
    explicit OnCoreThread(std::function<void()> work) : work(std::move(work)) {}
    void iteration() override {
        if (ran)
            return;
        ran = true;
        threadId = GetCurrentThreadId();
        work();
        done.set_value();
    }
    std::future<void> finished() { return done.get_future(); }
    DWORD threadId = 0;

private:
    std::function<void()> work;
    bool ran = false;
    std::promise<void> done;
};

}  // namespace

TEST_F(ApplicationTest, VideoModeStartsAndEndsTheCoreThreadWithTheWindow) {
    EXPECT_EQ(theD3DApplication->getCoreThreadID(), 0u);
    initDefaultMode();
    const unsigned core = theD3DApplication->getCoreThreadID();
    EXPECT_NE(core, 0u);
    EXPECT_NE(core, GetCurrentThreadId());
    // Stopped, with the mode's window, device and capabilities.
    EXPECT_EQ(theD3DApplication->getPauseCount(), 1);
    EXPECT_FALSE(theD3DApplication->isReady());
    EXPECT_TRUE(theD3DApplication->isActive());
    EXPECT_EQ(theRenderDriver->getCurrentVideoMode(), theRenderDriver->getDefaultVideoMode());
    EXPECT_EQ(theD3DRenderDriver->getScreenWidth(), 640);
    EXPECT_EQ(theD3DRenderDriver->getScreenHeight(), 480);
    EXPECT_NE(g_pDevice, nullptr);
    EXPECT_EQ(theD3DRenderDriver->getD3DDevice(), g_pDevice);
    EXPECT_NE(theD3DRenderDriver->getDirectDraw(), nullptr);
    EXPECT_NE(theD3DRenderDriver->getBackBuffer(), nullptr);
    EXPECT_NE(theCapabilities.hardware.dwFlags, 0u);
    EXPECT_EQ(theCapabilities.driver.dwSize, sizeof(DDCAPS));
    // The state manager has read the new device and set the default states.
    ASSERT_NE(theRenderStateManager, nullptr);
    DWORD perspective = FALSE;
    g_pDevice->GetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, &perspective);
    EXPECT_EQ(perspective, static_cast<DWORD>(TRUE));
    EXPECT_EQ(theRenderStateManager->checkState(MS_RENDER_REGULAR), 0);
    HWND window = theD3DApplication->getWindow().getHandle();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindow(window));
    // The video mode's screen shooter, ready to shoot.
    ASSERT_NE(theD3DScreenShooter, nullptr);
    EXPECT_EQ(theScreenShooter, static_cast<ScreenShooter*>(theD3DScreenShooter));
    theScreenShooter->setFileName("mode%d.tga");
    EXPECT_TRUE(theScreenShooter->shoot());

    theRenderDriver->termVideoMode();
    EXPECT_EQ(theD3DApplication->getCoreThreadID(), 0u);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(g_pDevice, nullptr);
    EXPECT_EQ(theD3DScreenShooter, nullptr);
    EXPECT_EQ(theScreenShooter, nullptr);
    EXPECT_EQ(theRenderDriver->getCurrentVideoMode(), nullptr);
    EXPECT_EQ(theD3DRenderDriver->getScreenWidth(), 0);
    EXPECT_EQ(theD3DRenderDriver->getScreenHeight(), 0);
    // The core thread has returned (its handle was waited for); the system
    // thread behind it goes away on its own shortly after.
}

TEST_F(ApplicationTest, PauseCountFollowsStartAndStopUnclamped) {
    initDefaultMode();
    theRenderDriver->start();
    EXPECT_EQ(theD3DApplication->getPauseCount(), 0);
    EXPECT_TRUE(theD3DApplication->isReady());
    theRenderDriver->start();  // no matching stop: below zero, not ready
    EXPECT_EQ(theD3DApplication->getPauseCount(), -1);
    EXPECT_FALSE(theD3DApplication->isReady());
    theRenderDriver->stop();
    EXPECT_TRUE(theD3DApplication->isReady());
    theRenderDriver->stop();
    EXPECT_EQ(theD3DApplication->getPauseCount(), 1);
}

TEST_F(ApplicationTest, StopTwiceThenStartOnceFlipsToTheDesktopOnlyOnce) {
    initDefaultMode();
    theRenderDriver->start();
    platform::testing::resetCallCounts();
    theRenderDriver->stop();
    theRenderDriver->stop();
    theRenderDriver->start();
    EXPECT_EQ(platform::testing::callCount("IDirectDraw4::FlipToGDISurface"), 1u);
    EXPECT_EQ(theD3DApplication->getPauseCount(), 1);
    EXPECT_FALSE(theD3DApplication->isReady());
}

TEST_F(ApplicationTest, CommandFromTheCoreThreadItselfRunsAtOnce) {
    initDefaultMode();
    int pauseSeenInside = 0;
    OnCoreThread listener([&] {
        theD3DApplication->stop();  // a command sent on the core thread
        pauseSeenInside = theD3DApplication->getPauseCount();
    });
    auto finished = listener.finished();
    theD3DApplication->registerListener(&listener, 0);
    finished.wait();
    theD3DApplication->unregisterListener(&listener);
    EXPECT_EQ(listener.threadId, theD3DApplication->getCoreThreadID());
    EXPECT_EQ(pauseSeenInside, 2);
    EXPECT_EQ(theD3DApplication->getPauseCount(), 2);
}

TEST_F(ApplicationTest, ListenersAreCalledInPriorityOrderInAPass) {
    initDefaultMode();
    std::vector<int> order;  // written on the core thread only
    struct Recorder : ApplicationListener {
        Recorder(std::vector<int>& order, int id) : order(order), id(id) {}
        void iteration() override { order.push_back(id); }
        std::vector<int>& order;
        int id;
    } low(order, 0), high(order, 5);
    // Registered last, called last: it sees the pass in which all three were
    // registered, and copies the record on the core thread.
    std::vector<int> seen;
    OnCoreThread last([&] { seen = order; });
    auto finished = last.finished();
    theD3DApplication->registerListener(&low, 0);
    theD3DApplication->registerListener(&high, 5);
    theD3DApplication->registerListener(&last, -1);
    finished.wait();
    theD3DApplication->unregisterListener(&last);
    theD3DApplication->unregisterListener(&high);
    theD3DApplication->unregisterListener(&low);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2], 5);  // high, then low, in that pass
    EXPECT_EQ(seen.back(), 0);
}

TEST_F(ApplicationTest, ValidateCommandAnswersOnTheCoreThread) {
    initDefaultMode();
    auto* mode = const_cast<VideoMode*>(theRenderDriver->getDefaultVideoMode());
    EXPECT_EQ(theD3DApplication->sendCommand(Application::CMD_VALIDATE_VIDEO_MODE, mode), 1);
    EXPECT_EQ(theD3DApplication->sendCommand(Application::CMD_VALIDATE_VIDEO_MODE, nullptr), 0);
}

TEST_F(ApplicationTest, WindowedModeHasExactClientAreaAndEndsCleanly) {
    initWindowedMode();
    HWND window = theD3DApplication->getWindow().getHandle();
    RECT client = {};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    EXPECT_TRUE(theD3DApplication->getWindow().isWindowed());
}

TEST_F(ApplicationTest, FocusSetsTheProcessPriorityClass) {
    initDefaultMode();
    HWND window = theD3DApplication->getWindow().getHandle();
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}

TEST_F(ApplicationTest, SuspendQueryPausesAndResumeBalancesIt) {
    initDefaultMode();
    theRenderDriver->start();
    HWND window = theD3DApplication->getWindow().getHandle();
    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0), 1);
    EXPECT_FALSE(theD3DApplication->isReady());
    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0), 1);
    EXPECT_TRUE(theD3DApplication->isReady());
}

TEST_F(ApplicationTest, ChangeVideoModeLogsAndKeepsTheModeAndRunState) {
    initDefaultMode();
    theRenderDriver->start();
    LogCapture log;
    theRenderDriver->changeVideoMode(theRenderDriver->getDefaultVideoMode());
    EXPECT_EQ(log.count("Driver", "change video mode start"), 1);
    EXPECT_EQ(log.count("Driver", "change video mode finish"), 1);
    EXPECT_TRUE(theD3DApplication->isReady());
    EXPECT_EQ(theRenderDriver->getCurrentVideoMode(), theRenderDriver->getDefaultVideoMode());
    // The capture must outlive the core thread, which may log.
    theRenderDriver->termVideoMode();
}

TEST_F(ApplicationTest, FatalHookKnowsWhichThreadItRunsOn) {
    initDefaultMode();
    LogCapture log;
    Application::fatalHook();
    OnCoreThread inside([] { Application::fatalHook(); });
    auto finished = inside.finished();
    theD3DApplication->registerListener(&inside, 0);
    finished.wait();
    theD3DApplication->unregisterListener(&inside);
    EXPECT_EQ(log.count("Driver", "Fatal hook: outside driver thread"), 1);
    EXPECT_EQ(log.count("Driver", "Fatal hook: inside driver thread"), 1);
    theRenderDriver->termVideoMode();
}

namespace {

// Counts the frames the driver begins (on the core thread).
struct FrameCounter : RenderDriverListener {
    void initFrame(float) override { ++frames; }
    std::atomic<int> frames{0};
};

class ProbeRenderView : public RenderView {
public:
    explicit ProbeRenderView(View& view) : RenderView(view) {}
    Color calculateIllumination(Vector) override { return Color(); }
};

// A view that records the order in which views are drawn.
class ProbeView : public View {
public:
    ProbeView(int priority, int id, std::vector<int>& drawn)
        : View(priority), renderView(*this), id(id), drawn(drawn) {
        setRenderView(&renderView);
    }

protected:
    void drawContent(RenderView&) override { drawn.push_back(id); }

private:
    ProbeRenderView renderView;
    int id;
    std::vector<int>& drawn;
};

}  // namespace

class ApplicationFrameTest : public ApplicationTest {
protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        initDefaultMode();
        theD3DRenderDriver->registerListener(&counter);
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        theD3DRenderDriver->unregisterListener(&counter);
        ApplicationTest::TearDown();
    }
    FrameCounter counter;
};

TEST_F(ApplicationFrameTest, DrawWhileStoppedOnceDrawsExactlyOneFrame) {
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 1);
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 2);
}

TEST_F(ApplicationFrameTest, DrawWhileStoppedTwiceOrOverStartedDrawsNothing) {
    theRenderDriver->stop();
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 0);
    theRenderDriver->start();
    theRenderDriver->start();  // running for a moment: the loop may draw
    theRenderDriver->start();  // pause count -1: not running, not stopped once
    const int before = counter.frames;
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, before);
}

TEST_F(ApplicationFrameTest, DrawWithAMinimisedWindowDrawsNothing) {
    HWND window = theD3DApplication->getWindow().getHandle();
    SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 0);
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0);
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 1);
}

TEST_F(ApplicationFrameTest, RunningDrawsFramesUntilStopped) {
    OnCoreThread started([] {});
    theRenderDriver->start();
    // Frames run on their own; wait for a few through a listener.
    struct Waiter : RenderDriverListener {
        void termFrame(float) override {
            if (++frames == 3)
                reached.set_value();
        }
        int frames = 0;
        std::promise<void> reached;
    } waiter;
    auto reached = waiter.reached.get_future();
    theD3DRenderDriver->registerListener(&waiter);
    reached.wait();
    theRenderDriver->stop();
    theD3DRenderDriver->unregisterListener(&waiter);
    const int afterStop = counter.frames;
    EXPECT_GE(afterStop, 3);
    theRenderDriver->draw();  // stopped once again: exactly one more
    EXPECT_EQ(counter.frames, afterStop + 1);
}

TEST_F(ApplicationFrameTest, ViewsAreDrawnByPriorityEqualOnesAllOnce) {
    std::vector<int> drawn;
    ProbeView low(0, 1, drawn), equalA(5, 2, drawn), equalB(5, 3, drawn), high(9, 4, drawn);
    for (View* v : {static_cast<View*>(&low), static_cast<View*>(&equalA),
                    static_cast<View*>(&equalB), static_cast<View*>(&high)})
        theRenderDriver->registerView(v);
    theRenderDriver->draw();
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn.front(), 4);
    EXPECT_EQ(drawn.back(), 1);
    EXPECT_TRUE((drawn[1] == 2 && drawn[2] == 3) || (drawn[1] == 3 && drawn[2] == 2));
    theRenderDriver->unregisterView(&equalA);
    drawn.clear();
    theRenderDriver->draw();
    EXPECT_EQ(drawn, (std::vector<int>{4, 3, 1}));
    for (View* v : {static_cast<View*>(&low), static_cast<View*>(&equalB),
                    static_cast<View*>(&high)})
        theRenderDriver->unregisterView(v);
}

TEST_F(ApplicationFrameTest, LostDeviceSkipsTheFrameAndSurfacesComeBackAfterTheNext) {
    theRenderDriver->draw();
    ASSERT_EQ(counter.frames, 1);
    platform::testing::deactivateApplication();
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 1);  // skipped
    EXPECT_TRUE(surfacesLost);
    IDirectDrawSurface4* front = theD3DRenderDriver->getFrontBuffer();
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->IsLost(), DDERR_SURFACELOST);

    platform::testing::activateApplication();
    theRenderDriver->draw();
    EXPECT_EQ(counter.frames, 2);
    EXPECT_FALSE(surfacesLost);
    EXPECT_EQ(front->IsLost(), DD_OK);
}

TEST_F(ApplicationFrameTest, RecordingWritesOneShotPerFrameAndNoneInIdlingFrames) {
    ASSERT_NE(theD3DScreenShooter, nullptr);
    theScreenShooter->setFileName("rec%03d.tga");
    ASSERT_TRUE(theScreenShooter->startRecord());
    theRenderDriver->draw();
    theRenderDriver->draw();
    EXPECT_EQ(theD3DScreenShooter->getShotCounter(), 2);
    testing::internal::CaptureStdout();
    theRenderDriver->enableIdlingMode();
    theRenderDriver->draw();
    theRenderDriver->disableIdlingMode();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(counter.frames, 3);
    EXPECT_EQ(theD3DScreenShooter->getShotCounter(), 2);
    theScreenShooter->stopRecord();
    theRenderDriver->draw();
    EXPECT_EQ(theD3DScreenShooter->getShotCounter(), 2);
}

TEST_F(ApplicationFrameTest, BackgroundColourIsClearedIntoTheFrame) {
    theRenderDriver->setBackgroundColor(Color(0.0f, 1.0f, 0.0f, 1.0f), true);
    theRenderDriver->draw();
    // The frame was presented: the front buffer holds the clear colour.
    const auto pixels = platform::testing::readSurfaceARGB(theD3DRenderDriver->getFrontBuffer());
    ASSERT_EQ(pixels.size(), 640u * 480u);
    EXPECT_EQ(pixels[240 * 640 + 320] & 0xFFFFFFu, 0x00FF00u);
}

TEST_F(ApplicationTest, ControlHotKeysOpenTheDialogsOnlyWithDebugInput) {
    platform::testing::registerDialogTemplate("IDD_TEXTURE_STATISTIC", "Textures");
    platform::testing::registerDialogTemplate("IDD_RENDER_SETTINGS", "Settings");
    initWindowedMode();
    auto pressCtrl = [](UINT key) {
        ASSERT_TRUE(platform::testing::postKey(VK_CONTROL, true));
        ASSERT_TRUE(platform::testing::postKey(key, true));
        platform::testing::postKey(key, false);
        platform::testing::postKey(VK_CONTROL, false);
    };
    // The core loop dispatches every waiting message before it calls the
    // listeners; so once a listener registered after the keys were posted
    // has been called twice, a whole pass has dispatched them.
    auto dispatched = [] {
        int passes = 0;
        std::promise<void> second;
        struct Counter : ApplicationListener {
            Counter(int& n, std::promise<void>& p) : n(n), p(p) {}
            void iteration() override {
                if (++n == 2)
                    p.set_value();
            }
            int& n;
            std::promise<void>& p;
        } counter(passes, second);
        auto done = second.get_future();
        theD3DApplication->registerListener(&counter, 0);
        done.wait();
        theD3DApplication->unregisterListener(&counter);
    };

    // No "DebugInput" filter: the keys do nothing.
    pressCtrl('T');
    dispatched();
    EXPECT_EQ(platform::testing::waitForDialog(0), nullptr);

    {
        debug::Filter debugInput("DebugInput", 1.0f);
        pressCtrl('S');
        HWND dialog = platform::testing::waitForDialog(10000);
        ASSERT_NE(dialog, nullptr);
        char title[32] = {};
        GetWindowTextA(dialog, title, sizeof title);
        EXPECT_STREQ(title, "Settings");
        ASSERT_TRUE(platform::testing::endDialog(0));
        dispatched();

        debugInput.setLevel(0.0f);  // a level of 0 switches the keys off too
        pressCtrl('T');
        dispatched();
        EXPECT_EQ(platform::testing::waitForDialog(0), nullptr);
    }
}
