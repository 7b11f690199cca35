// The Application driven as the engine drives it: the driver loaded with
// initDriver, the default video mode (hardware, full screen, 640 x 480 x 16)
// set, commands sent to the core thread, and the render window, which that
// thread owns, sent messages. The fixture hears the frames and the window.
#include "application.h"
#include "rlight.h"
#include "rtexture.h"
#include "screensh.h"
#include "states.h"

#include "../support/driver_fixture.h"
#include "../support/log_capture.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <engine/core/light.h>
#include <engine/core/render_light_factory.h>
#include <engine/core/material.h>
#include <engine/core/render_material_manager.h>
#include <engine/core/render_view.h>
#include <engine/core/view.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

namespace {

// Calls `work` in each pass of the core loop while registered.
struct EachPass : ApplicationListener {
    explicit EachPass(std::function<void()> work) : work(std::move(work)) {}
    void iteration() override { work(); }
    std::function<void()> work;
};

class ApplicationTest : public DriverTest,
                        public RenderDriverListener,
                        public RenderWindowListener {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        useData("no_file");
        initDriver();
        theD3DRenderDriver->registerListener(static_cast<RenderDriverListener*>(this));
        theD3DApplication->getWindow().registerListener(this);
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }
    void initFrame(float) override { ++frames; }
    void initView(RenderView* view) override { views.push_back(view); }
    void getFocus() override { ++focusGained; }
    void lostFocus() override { ++focusLost; }
    void processMessage(unsigned message, unsigned, long) override { ++heard[message & 0x3FF]; }
    static HWND window() { return theD3DApplication->getWindow().getHandle(); }
    static LRESULT send(UINT message, WPARAM wParam) {
        return SendMessageA(window(), message, wParam, 0);
    }
    // Runs `work` on the core thread in the `pass`-th listener pass from now
    // and waits for it. The loop handles every waiting message before a pass:
    // two passes on, messages posted before have been handled.
    static void onCoreThread(std::function<void()> work, int pass = 1, int priority = 0) {
        std::promise<void> done;
        EachPass once([&] {
            if (--pass == 0) {
                work();
                done.set_value();
            }
        });
        auto finished = done.get_future();
        theD3DApplication->registerListener(&once, priority);
        finished.wait();
        theD3DApplication->unregisterListener(&once);
    }

    std::atomic<int> frames{0}, focusGained{0}, focusLost{0};
    std::atomic<int> heard[0x400]{};  // by message number
    std::vector<RenderView*> views;   // read while the loop is stopped
};

}  // namespace

// The mode's core thread, device, screen size and shooter, as one value.
static auto modeState() {
    return std::make_tuple(theD3DApplication->getCoreThreadID() != 0,
                           theRenderDriver->getCurrentVideoMode(), g_pDevice != nullptr,
                           theD3DRenderDriver->getScreenWidth(),
                           theD3DRenderDriver->getScreenHeight(), theD3DScreenShooter != nullptr,
                           theScreenShooter == theD3DScreenShooter);
}

TEST_F(ApplicationTest, VideoModeRunsTheCoreThreadWithAFullScreenWindowDeviceAndShooter) {
    const VideoMode* mode = theRenderDriver->getDefaultVideoMode();
    ASSERT_EQ(modeState(), std::make_tuple(true, mode, true, 640, 480, true, true));
    EXPECT_EQ(theRenderStateManager->checkState(MS_RENDER_REGULAR), 0);
    auto* argument = const_cast<VideoMode*>(mode);
    EXPECT_EQ(theD3DApplication->sendCommand(Application::CMD_VALIDATE_VIDEO_MODE, argument), 1);
    EXPECT_EQ(theD3DApplication->sendCommand(Application::CMD_VALIDATE_VIDEO_MODE, nullptr), 0);
    // The window covers the mode at the origin, all client area, and swallows
    // moves, sizes and the menu key.
    const unsigned menus = platform::testing::systemMenuOpenCount();
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_KEYMENU), 0);
    EXPECT_EQ(platform::testing::systemMenuOpenCount(), menus);
    const HWND handle = window();
    for (WPARAM command : {SC_MAXIMIZE, SC_SIZE, SC_MOVE, SC_MONITORPOWER})
        EXPECT_EQ(send(WM_SYSCOMMAND, command), 1) << command;
    RECT outer = {};
    GetWindowRect(handle, &outer);
    EXPECT_EQ(std::vector<LONG>({outer.left, outer.top, outer.right, outer.bottom,
                                 theRenderWindow->getX(), theRenderWindow->getY()}),
              std::vector<LONG>({0, 0, 640, 480, 0, 0}));
    EXPECT_EQ(send(WM_NCHITTEST, 0), HTCLIENT);
    // A second mode on top is refused: one core thread draws.
    const DWORD core = theD3DApplication->getCoreThreadID();
    {
        LogCapture log;
        theRenderDriver->initVideoMode(mode);
        EXPECT_EQ(log.count("Driver", "initVideoMode: a video mode is already set"), 1);
    }
    EXPECT_EQ(theD3DApplication->getCoreThreadID(), core);
    // Each change of focus is heard once and sets the process priority; the
    // end of the window loses the focus.
    const int gained = focusGained, lost = focusLost;
    for (WPARAM state : {WA_INACTIVE, WA_INACTIVE})
        send(WM_ACTIVATE, state);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD{IDLE_PRIORITY_CLASS});
    EXPECT_EQ(focusLost, lost + 1);
    for (WPARAM state : {WA_CLICKACTIVE, WA_ACTIVE})
        send(WM_ACTIVATE, state);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD{NORMAL_PRIORITY_CLASS});
    EXPECT_TRUE(focusGained == gained + 1 && theD3DApplication->getWindow().hasFocus());

    // A message box asked for on another thread is shown by the window's
    // thread, with the cursor, which is hidden again afterwards.
    const int hidden = platform::testing::cursorDisplayCount();
    platform::testing::clearMessageBoxes();
    platform::testing::queueMessageBoxAnswer(IDYES);
    EXPECT_EQ(theD3DApplication->getWindow().messageBox("Text", "Caption", MB_YESNO), IDYES);
    std::string shown;
    for (const auto& box : platform::testing::messageBoxLog())
        shown += box.text + "/" + box.caption + ";";
    EXPECT_EQ(shown, "Text/Caption;");
    EXPECT_EQ(platform::testing::cursorDisplayCount(), hidden);

    theRenderDriver->termVideoMode();
    EXPECT_TRUE(focusLost == lost + 2 && !theD3DApplication->getWindow().hasFocus());
    EXPECT_FALSE(IsWindow(handle));
    const auto none = std::make_tuple(false, nullptr, false, 0, 0, false, true);
    EXPECT_EQ(modeState(), none);
    // A mode the core thread cannot start leaves no core thread behind.
    platform::testing::failNextCall("DirectDrawCreate", DDERR_GENERIC);
    theRenderDriver->initVideoMode(mode);
    EXPECT_EQ(modeState(), none);
}

// Start (+), stop (-), suspend (S) and resume (R) move the pause count by one,
// unclamped; only 0 is ready, and only a step from 0 to 1 flips to the desktop.
// draw renders one frame only at 1 (stopped exactly once; the loop renders at
// 0), with the views by priority, equal ones in either order, each once.
TEST_F(ApplicationTest, PauseCountFollowsStartStopSuspendAndDrawRendersOnlyStoppedOnce) {
    struct Probe : View, RenderView {
        explicit Probe(int priority) : View(priority), RenderView(static_cast<View&>(*this)) {
            setRenderView(this);
        }
        Color calculateIllumination(Vector) override { return Color(); }
    } low(0), a(5), b(5), high(9);
    const auto drawn = [this] {
        const int before = frames;
        theRenderDriver->draw();
        return frames - before;
    };
    // A lost device skips the frame and the surfaces are restored by the next,
    // the device's material first set back to the default; rendered frames are
    // presented and recorded, idling frames not.
    IDirectDrawSurface4* front = theD3DRenderDriver->getFrontBuffer();
    ASSERT_NE(front, nullptr);
    RenderMaterial* material = theRenderMaterialManager->createMaterial(Material());
    material->makeCurrentMaterial();
    theRenderStateManager->flush();
    platform::testing::deactivateApplication();
    EXPECT_EQ(drawn(), 0);
    EXPECT_TRUE(surfacesLost && front->IsLost() == DDERR_SURFACELOST);
    platform::testing::activateApplication();
    EXPECT_EQ(drawn(), 1);
    EXPECT_TRUE(!surfacesLost && front->IsLost() == DD_OK);
    DWORD onDevice = 0;
    g_pDevice->GetLightState(D3DLIGHTSTATE_MATERIAL, &onDevice);
    EXPECT_EQ(onDevice, theD3DRenderMaterialManager->getDefaultHandle());
    theRenderMaterialManager->destroyMaterial(material);
    theRenderDriver->setBackgroundColor(Color(0.0f, 1.0f, 0.0f, 1.0f), true);
    theScreenShooter->setFileName("rec%03d.tga");
    ASSERT_TRUE(theScreenShooter->startRecord());
    theRenderDriver->draw();
    EXPECT_EQ(platform::testing::readSurfaceARGB(front).at(240 * 640 + 320) & 0xFFFFFFu, 0x00FF00u);
    testing::internal::CaptureStdout();
    theRenderDriver->enableIdlingMode();
    EXPECT_EQ(drawn(), 1);
    theRenderDriver->disableIdlingMode();
    testing::internal::GetCapturedStdout();
    theScreenShooter->stopRecord();
    EXPECT_EQ(theD3DScreenShooter->getShotCounter(), 1);
    for (View* v : std::initializer_list<View*>{&low, &a, &b, &high})
        theRenderDriver->registerView(v);
    EXPECT_EQ(drawn(), 1);
    theRenderDriver->unregisterView(&a);
    const std::string steps = "++---++SR";
    const int pauses[] = {0, -1, 0, 1, 2, 1, 0, 1, 0};
    const unsigned flips[] = {0, 0, 0, 1, 1, 1, 1, 2, 2};
    // Posted to the core thread: each start, stop and draw as a command, and
    // a wake-up at each step to 0.
    const unsigned posts[] = {2, 3, 6, 7, 9, 11, 14, 14, 16};
    platform::testing::resetCallCounts();
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == '+' || steps[i] == '-')
            steps[i] == '+' ? theRenderDriver->start() : theRenderDriver->stop();
        else
            EXPECT_EQ(send(WM_POWERBROADCAST,
                           steps[i] == 'S' ? PBT_APMQUERYSUSPEND : PBT_APMRESUMESUSPEND),
                      1);
        EXPECT_EQ(theD3DApplication->getPauseCount(), pauses[i]) << i;
        EXPECT_EQ(theD3DApplication->isReady(), pauses[i] == 0) << i;
        EXPECT_EQ(platform::testing::callCount("IDirectDraw4::FlipToGDISurface"), flips[i]) << i;
        EXPECT_EQ(platform::testing::callCount("PostThreadMessageA"), posts[i]) << i;
        if (pauses[i] != 0) {
            EXPECT_EQ(drawn(), pauses[i] == 1 ? 1 : 0) << i;
        }
    }
    // A change of video mode stops the loop for the change; a point light
    // has its Direct3D light again after it.
    Light bulb;
    auto* light = static_cast<D3DRenderLight*>(theRenderLightFactory->create(bulb));
    theRenderDriver->changeVideoMode(theRenderDriver->getDefaultVideoMode());
    EXPECT_NE(static_cast<IDirect3DLight*>(*light), nullptr);
    theRenderLightFactory->destroy(light);
    EXPECT_EQ(platform::testing::callCount("IDirectDraw4::FlipToGDISurface"), 3u);
    EXPECT_TRUE(theD3DApplication->isReady());

    // Each pass of the loop is followed by a frame, which raises the core
    // thread's priority while it renders and lowers it again.
    int priority = THREAD_PRIORITY_ERROR_RETURN;
    const int before = frames;
    onCoreThread([&] { priority = GetThreadPriority(GetCurrentThread()); }, 4);
    EXPECT_GE(frames - before, 3);
    EXPECT_EQ(priority, THREAD_PRIORITY_NORMAL);
    theRenderDriver->stop();  // the views are read while the loop stands
    using Order = std::vector<RenderView*>;
    ASSERT_GE(views.size(), 7u);
    views.resize(7);
    EXPECT_TRUE(views == Order({&high, &a, &b, &low, &high, &b, &low}) ||
                views == Order({&high, &b, &a, &low, &high, &b, &low}));
    for (View* v : std::initializer_list<View*>{&low, &b, &high})
        theRenderDriver->unregisterView(v);
    // Nor is a frame drawn while minimised or hidden by another's maximising.
    for (WPARAM size : {SIZE_MINIMIZED, SIZE_MAXHIDE, SIZE_MAXIMIZED}) {
        send(WM_SIZE, size);
        EXPECT_EQ(theD3DApplication->isActive(), size == SIZE_MAXIMIZED) << size;
        EXPECT_EQ(drawn(), size == SIZE_MAXIMIZED ? 1 : 0) << size;
    }
}

// Engine threads make and drop materials, textures and images and apply the
// quality settings while the video mode is changed: the change keeps them out
// while the device objects are invalidated and restored, so every object they
// make is whole (ThreadSanitizer sees the render states race without it).
TEST_F(ApplicationTest, ModeChangesKeepTheEngineThreadsOut) {
    LogCapture log;
    std::atomic<bool> changing{true};
    std::atomic<int> made{0}, empty{0};
    std::thread maker([&] {
        const Material source;
        while (changing) {
            RenderMaterial* material = theRenderMaterialManager->createMaterial(source);
            Image3D texture(16, 16, 0);
            Image2D picture(8, 8);
            empty += !texture.getRenderImage() + !picture.getRenderImage();
            theRenderMaterialManager->destroyMaterial(material);
            ++made;
        }
    });
    std::atomic<int> applied{0};
    std::thread tuner([&] {
        while (changing) {
            theDegradingManager->apply();
            ++applied;
        }
    });
    // The changes start once both threads are at work, or none may overlap.
    while (made == 0 || applied == 0)
        std::this_thread::yield();
    for (int i = 0; i < 20; ++i)
        theRenderDriver->changeVideoMode(theRenderDriver->getCurrentVideoMode());
    changing = false;
    maker.join();
    tuner.join();
    EXPECT_EQ(empty, 0);
    EXPECT_EQ(log.count("Driver", "change video mode finish"), 20);
    EXPECT_EQ(log.countKind("Driver", debug::Message::Kind::Error), 0);
    theRenderDriver->termVideoMode();  // the capture must outlive the core thread
}

// A command sent on the core thread runs at once, and the messages waiting
// meanwhile are handled, keys translated; the fatal hook tells the threads
// apart; listeners are called by priority in each pass.
TEST_F(ApplicationTest, CommandsFatalHookAndListenersOnTheCoreThread) {
    LogCapture log;
    Application::fatalHook();
    std::vector<int> order, seen;  // written on the core thread only
    EachPass low([&] { order.push_back(0); }), high([&] { order.push_back(5); });
    theD3DApplication->registerListener(&low, 0);
    theD3DApplication->registerListener(&high, 5);
    DWORD thread = 0;
    int pauseSeenInside = 0;
    onCoreThread(  // called last, in a pass with all three
        [&] {
            thread = GetCurrentThreadId();
            seen = order;
            PostMessageA(window(), WM_KEYDOWN, 'A', 0);
            theD3DApplication->stop();
            pauseSeenInside = theD3DApplication->getPauseCount();
            Application::fatalHook();
        },
        1, -1);
    theD3DApplication->unregisterListener(&high);
    theD3DApplication->unregisterListener(&low);
    onCoreThread([] {}, 2);  // the character has been handled
    EXPECT_EQ(heard[WM_CHAR], 1);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(std::make_tuple(thread, pauseSeenInside, seen[seen.size() - 2], seen.back(),
                              log.count("Driver", "Fatal hook: outside driver thread"),
                              log.count("Driver", "Fatal hook: inside driver thread")),
              std::make_tuple(theD3DApplication->getCoreThreadID(), 2, 5, 0, 1, 1));
    theRenderDriver->termVideoMode();  // the capture must outlive the core thread
}

// A windowed mode's client area is the mode's size below the caption. The
// window keeps its size, cannot be closed, keeps mouse moves, hit tests and
// cursor requests from its listeners, and opens the dialogs of the Ctrl hot
// keys only while a "DebugInput" filter has a level.
TEST_F(ApplicationTest, WindowedModeWindowMessagesAndHotKeys) {
    theRenderDriver->termVideoMode();
    const auto& modes = theRenderDriver->getVideoModeList();
    const auto full = std::find_if(modes.begin(), modes.end(), [](const VideoMode* m) {
        return m->isHardware() && m->getColorDepth() == 32;  // the desktop's depth
    });
    ASSERT_NE(full, modes.end());
    theRenderDriver->initVideoMode(theRenderDriver->createWindowedVideoMode(*full, 320, 240));
    Window& w = theD3DApplication->getWindow();
    RECT client = {};
    POINT origin = {0, 0};
    ASSERT_TRUE(GetClientRect(window(), &client) && ClientToScreen(window(), &origin));
    EXPECT_EQ(std::vector<LONG>({client.right, client.bottom, w.getX(), w.getY(), w.getWidth(),
                                 w.getY() > 0, w.isWindowed()}),
              std::vector<LONG>({320, 240, origin.x, origin.y, 320, true, true}));
    platform::testing::postMouseMove(window(), 10, 10);
    platform::testing::postMouseButton(window(), 0, true, 10, 10);
    platform::testing::postMouseMove(window(), 20, 20);
    send(WM_NCHITTEST, 0);
    send(WM_SETCURSOR, 0);
    EXPECT_EQ(send(WM_CLOSE, 0), 0);
    onCoreThread([] {}, 2);
    EXPECT_EQ(std::make_tuple(heard[WM_MOUSEMOVE] + heard[WM_NCHITTEST] + heard[WM_SETCURSOR],
                              heard[WM_LBUTTONDOWN].load(), IsWindow(window())),
              std::make_tuple(0, 1, TRUE));

    platform::testing::registerDialogTemplate("IDD_TEXTURE_STATISTIC", "Textures");
    platform::testing::registerDialogTemplate("IDD_RENDER_SETTINGS", "Settings");
    const auto pressCtrl = [](UINT key, bool wait) {
        for (UINT k : {UINT{VK_CONTROL}, key})
            ASSERT_TRUE(platform::testing::postKey(k, true));
        platform::testing::postKey(key, false);
        platform::testing::postKey(VK_CONTROL, false);
        if (wait)
            onCoreThread([] {}, 2);
    };
    pressCtrl('T', true);
    EXPECT_EQ(platform::testing::waitForDialog(0), nullptr);
    debug::Filter debugInput("DebugInput", 1.0f);
    for (const auto& [key, dialogTitle] : {std::pair{'T', "Textures"}, {'S', "Settings"}}) {
        pressCtrl(key, false);  // the dialog holds the core thread until it ends
        HWND dialog = platform::testing::waitForDialog(10000);
        ASSERT_NE(dialog, nullptr);
        char title[32] = {};
        GetWindowTextA(dialog, title, sizeof title);
        EXPECT_STREQ(title, dialogTitle);
        ASSERT_TRUE(platform::testing::endDialog(0));
        onCoreThread([] {}, 2);
    }
    debugInput.setLevel(0.0f);  // a level of 0 switches the keys off too
    pressCtrl('T', true);
    EXPECT_EQ(platform::testing::waitForDialog(0), nullptr);
}

// A fatal error runs the driver's hook before the process ends.
TEST_F(DriverTest, FatalErrorsRunTheApplicationsHook) {
    useData("no_file");
    initDriver();
    EXPECT_EXIT(debug::System::fatal("test"), ::testing::ExitedWithCode(3),
                "Fatal hook: outside driver thread");
    termDriver();
}

// Unloading with a mode set and frames running ends the core thread before
// the objects it draws with go; repeated, so that the unload meets the core
// thread at every point of its frame.
TEST_F(DriverTest, UnloadingInTheMiddleOfFramesEndsTheCoreThreadFirst) {
    platform::testing::activateApplication();
    useData("no_file");
    LogCapture log;
    for (int i = 0; i < 100; ++i) {
        initDriver();
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(theD3DApplication->getCoreThreadID(), 0u);
        theRenderDriver->start();
        termDriver();
        ASSERT_EQ(theD3DApplication, nullptr);
    }
    EXPECT_EQ(log.count("Driver", "the video mode was not ended before unloading"), 0);
}
