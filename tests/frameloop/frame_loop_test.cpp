// The driver's frame loop with a windowed device on a 320 x 240 render window
// and a manual game clock: frame time and idling frames, frames that cannot
// begin, clearing and device reads, the deferred 2D list, the frame-rate line,
// and views with their pointer. Listeners, drawn objects and pointed objects
// write what happens into one trace.
#include "../support/log_capture.h"
#include "../support/render_image_fixture.h"
#include "../support/render_window.h"
#include "application.h"
#include "driver.h"
#include "frame_rate.h"
#include "rimage.h"
#include "tmanager.h"

#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <engine/core/render_2d.h>
#include <engine/core/render_mesh_listener.h>
#include <engine/core/render_view.h>
#include <engine/core/view.h>
#include <engine/resources.h>
#include <engine/timer.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <tuple>

namespace {

using platform::testing::callCount;

std::string trace;  // what was heard, drawn and pointed, in order

// A named render view that counts its preparations.
struct CountingRenderView : RenderView {
    CountingRenderView(View& view, std::string name) : RenderView(view), name(std::move(name)) {}
    void render() override { ++renders; }
    Color calculateIllumination(Vector) override { return Color(); }
    std::string name;
    int renders = 0;
};

// A decal or line that writes its name into the trace when drawn, or throws
// a standard exception (1), the debug library's (2) or an int (3).
template <typename Base>
struct Traced : Base {
    Traced(std::string name, int key, int failure = 0)
        : Base(key), name(std::move(name)), failure(failure) {}
    void render() override {
        if (failure)
            failure == 1   ? throw std::runtime_error("broken")
            : failure == 2 ? throw debug::Exception()
            : failure == 3 ? throw 42
                           : (platform::testing::loseAllSurfaces(), throw std::runtime_error("lost"));
        trace += " " + name;
    }
    std::string name;
    int failure;
};

// Writes "<name> entered from <other>" and "<name> left for <other>".
struct PointedMesh : RenderMeshListener {
    PointedMesh(std::string name, int priority = 0)
        : RenderMeshListener(priority), name(std::move(name)) {}
    void pointerEntered(RenderMeshListener* from) override {
        trace += " " + name + " entered from " + nameOf(from);
    }
    void pointerLeft(RenderMeshListener* to) override {
        trace += " " + name + " left for " + nameOf(to);
    }
    static std::string nameOf(RenderMeshListener* other) {
        auto* mesh = dynamic_cast<PointedMesh*>(other);
        return mesh ? mesh->name : "nothing";
    }
    std::string name;
};

// True when another thread can take the driver lock now; a lock never
// released hangs the test, which the test runner's timeout fails.
bool otherThreadTakesTheLock(D3DRenderDriver& driver) {
    std::atomic<bool> taken{false};
    std::thread other([&] {
        driver.lock();
        taken = true;
        driver.unlock();
    });
    other.join();
    return taken;
}

class FrameLoopTest : public RenderWindowTest, public RenderDriverListener {
protected:
    static constexpr int kWidth = 320, kHeight = 240;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(openWindow(0, 0, kWidth, kHeight));
        // No /Configs here: the driver keeps its default settings.
        ASSERT_TRUE(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) +
                                                    "/tests/frameloop"));
        g_driverSettings = DriverSettings();
        savedTimer = theTimer;
        theTimer = &clock;
        surfacesLost = false;
        trace.clear();
        driver = std::make_unique<D3DRenderDriver>();
        theRenderDriver = theD3DRenderDriver = driver.get();
        driver->registerListener(this);
        ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
        platform::testing::resetCallCounts();
    }
    void TearDown() override {
        useFramework(0);
        theRenderDriver = theD3DRenderDriver = nullptr;
        driver.reset();
        theTimer = savedTimer;
        g_driverSettings = DriverSettings();
        RenderWindowTest::TearDown();
    }
    // Listeners hear frames with the frame time, to the millisecond, and views
    // with their name.
    void initView(RenderView* view) override { trace += " initView " + nameOf(view); }
    void termView(RenderView* view) override { trace += " termView " + nameOf(view); }
    void initFrame(float time) override { trace += " initFrame" + at(time); }
    void termFrame(float time) override { trace += " termFrame" + at(time); }
    std::string at(float time) const {
        char text[32];
        std::snprintf(text, sizeof text, " %.3f", time);
        return hearTimes ? text : "";
    }
    static std::string nameOf(RenderView* view) {
        return view ? static_cast<CountingRenderView*>(view)->name : "none";
    }

    // (Re)makes the device as the Application does and hands it to the
    // driver; flags 0 only take the old one away.
    void useFramework(DWORD flags) {
        g_pFramework = nullptr;
        g_pDevice = nullptr;
        framework.ReleaseObjects();
        if (flags) {
            ASSERT_EQ(S_OK, framework.InitializeFramework(hWnd, nullptr, &IID_IDirect3DRGBDevice,
                                                          nullptr, flags));
            g_pFramework = &framework;
            g_pDevice = framework.GetD3DDevice();
        }
        if (driver)
            driver->updateD3DInterfaces();
    }
    bool begin(double time) {
        clock.setTime(time);
        return driver->initFrame(static_cast<float>(time));
    }
    // One frame at game time `time`, with `content` inside one view if given.
    bool frame(double time, RenderView* view = nullptr, const std::function<void()>& content = {}) {
        if (!begin(time))
            return false;
        if (view)
            driver->initView(*view);
        if (content)
            content();
        if (view)
            driver->termView();
        driver->termFrame();
        return true;
    }
    // Count, left, top and bottom of the back buffer's pixels of one colour.
    std::array<int, 4> extent(uint32_t colour) const {
        const auto pixels = platform::testing::readSurfaceARGB(framework.GetBackBuffer());
        std::array<int, 4> e = {0, kWidth, kHeight, -1};
        for (int i = 0; i < static_cast<int>(pixels.size()); ++i)
            if ((pixels[i] & 0xFFFFFFu) == colour)
                e = {e[0] + 1, std::min(e[1], i % kWidth), std::min(e[2], i / kWidth), i / kWidth};
        return e;
    }

    timer::ManualTimer clock;
    Timer* savedTimer = nullptr;
    std::unique_ptr<D3DRenderDriver> driver;
    View engineView;
    bool hearTimes = true;
};

}  // namespace

// The frame time follows the clock by at most 0.1 s a frame, also from a late
// first frame; the rest of a longer gap goes into an offset kept for the
// frames after. Each is presented; a surface lost there is noted.
// Idling frames step the time by 100 s, or one over the idling rate, print a
// banner, and neither clear, draw, present, prepare views nor settle the
// pointer, though listeners hear them; rendered frames continue from there.
TEST_F(FrameLoopTest, FrameTimeFollowsTheClockAndIdlingFramesStepItAndDrawNothing) {
    CountingRenderView view(engineView, "view");
    PointedMesh pointed("pointed");
    Traced<RenderDecal2D> overlay("overlay", 0);
    const unsigned presented = platform::testing::presentedFrames() + 4;
    for (double clock : {1000.0, 1000.07, 1005.07, 1005.12})
        ASSERT_TRUE(frame(clock));
    EXPECT_EQ(trace,
              " initFrame 0.100 termFrame 0.100 initFrame 0.170 termFrame 0.170 initFrame 0.270"
              " termFrame 0.270 initFrame 0.320 termFrame 0.320");
    platform::testing::resetCallCounts();
    trace.clear();
    driver->enableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(1005.13, &view, [&] {
        driver->registerPointedObject(&pointed, 1.0f);
        driver->renderDecal(&overlay);
    }));
    ASSERT_TRUE(frame(1005.14));
    driver->setIdlingFPS(25.0f);
    ASSERT_TRUE(frame(1008.0));
    const std::string banner = "####################\n### idling frame ###\n####################\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), banner + banner + banner);
    EXPECT_EQ(std::make_pair(view.renders, platform::testing::presentedFrames()),
              std::make_pair(0, presented));
    for (const char* call : {"IDirectDraw4::TestCooperativeLevel", "IDirect3DViewport3::Clear2",
                             "IDirect3DDevice3::BeginScene", "IDirect3DDevice3::EndScene"})
        EXPECT_EQ(callCount(call), 0u) << call;
    EXPECT_EQ(trace,
              " initFrame 100.320 initView view termView view termFrame 100.320 initFrame"
              " 200.320 termFrame 200.320 initFrame 200.360 termFrame 200.360");
    driver->disableIdlingMode();
    trace.clear();
    platform::testing::failNextCall("IDirectDrawSurface4::Blt", DDERR_SURFACELOST);
    ASSERT_TRUE(frame(1008.02));  // nothing of the idling frames is drawn
    EXPECT_EQ(trace, " initFrame 200.380 termFrame 200.380");
    EXPECT_TRUE(!driver->inIdlingMode() && callCount("IDirect3DDevice3::BeginScene") == 1u);
    EXPECT_TRUE(surfacesLost);
}

// A frame that cannot begin (a lost device, a failing BeginScene, no device)
// is refused without a word to the listeners, and frees the driver lock;
// only a missing device is an error, said once until a device is back.
// Frames go on once the cause is gone.
TEST_F(FrameLoopTest, AFrameThatCannotBeginIsSkippedAndFreesTheLock) {
    const struct {
        const char* call;
        HRESULT result;
        bool lost;
        unsigned scenes;
    } cases[] = {{"IDirectDraw4::TestCooperativeLevel", DDERR_NOEXCLUSIVEMODE, true, 0},
                 {"IDirect3DDevice3::BeginScene", D3DERR_SCENE_IN_SCENE, false, 1},
                 {nullptr, S_OK, false, 0},
                 {nullptr, S_OK, false, 0}};  // said again once a device was back
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call ? c.call : "no device");
        c.call ? platform::testing::failNextCall(c.call, c.result) : useFramework(0);
        trace.clear();
        platform::testing::resetCallCounts();
        const float frameTime = driver->getFrameTime();
        LogCapture log;
        EXPECT_FALSE(begin(clock.getTime() + 1.0));
        if (!c.call) {
            EXPECT_FALSE(begin(clock.getTime() + 1.0));  // said once, not every pass
        }
        EXPECT_EQ(surfacesLost, c.lost);
        EXPECT_EQ(trace, "");
        EXPECT_EQ(callCount("IDirect3DDevice3::BeginScene"), c.scenes);
        EXPECT_TRUE(c.scenes || driver->getFrameTime() == frameTime);  // the clock did not move
        EXPECT_EQ(log.records().size(), c.call ? 0u : 1u);
        EXPECT_EQ(log.count("Driver", "initFrame: there is no device"), c.call ? 0 : 1);
        EXPECT_TRUE(otherThreadTakesTheLock(*driver));
        surfacesLost = false;
        ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
        EXPECT_TRUE(frame(clock.getTime() + 0.01));
    }
    // Frames out of order are refused with an error.
    LogCapture log;
    driver->termFrame();  // no frame open
    EXPECT_EQ(log.count("Driver", "termFrame: no frame was initialised"), 1);
    ASSERT_TRUE(begin(clock.getTime() + 0.01));
    EXPECT_FALSE(driver->initFrame(0.06f));
    EXPECT_EQ(log.count("Driver", "initFrame: the previous frame was not terminated"), 1);
    driver->termFrame();
    EXPECT_TRUE(otherThreadTakesTheLock(*driver));
}

// Each frame clears the depth buffer to all ones (read as 16 bits, 0 outside
// or without a depth buffer), and the target in the background colour only
// when asked to. A background image is stretched over the viewport instead
// of the clear; one without pixels is reported and the frame goes on.
TEST_F(FrameLoopTest, FramesClearDepthAndTheTargetOrStretchTheBackgroundImage) {
    for (bool clearTarget : {true, false}) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = 0x00FF0000u;
        framework.GetBackBuffer()->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
        fx.dwFillDepth = 0;
        framework.GetZBuffer()->Blt(nullptr, nullptr, nullptr, DDBLT_DEPTHFILL, &fx);
        driver->setBackgroundColor(Color(1.0f, 0.0f, 1.0f), clearTarget);
        ASSERT_TRUE(begin(clock.getTime() + 0.05));
        EXPECT_EQ(extent(clearTarget ? 0xFF00FFu : 0xFF0000u)[0], kWidth * kHeight);
        EXPECT_EQ(driver->getZBufferValue(10, 20), 0xFFFFu);
        EXPECT_EQ(driver->getZBufferValue(kWidth, 0), 0u);
        EXPECT_EQ(driver->getZBufferValue(-1, 0), 0u);
        driver->termFrame();
    }
    ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_BACKBUFFER));
    EXPECT_EQ(driver->getZBufferValue(1, 1), 0u);
    ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
    LogCapture log;
    Image2D bare(2, 1);  // no image factory yet, so no render image
    driver->setBackgroundImage(&bare);
    EXPECT_TRUE(frame(clock.getTime() + 0.05));
    EXPECT_EQ(log.count("Driver", "initFrame: the background image has no render image"), 1);
    struct Services {  // render images need them; for this test only
        D3DTextureManager textures;
        D3DRenderImageFactory images;
        Services() { theD3DTextureManager = &textures, theRenderImageFactory = &images; }
        ~Services() { theD3DTextureManager = nullptr, theRenderImageFactory = nullptr; }
    } services;
    // Red on the left, blue on the right: two pixels for the whole target.
    Image2D background(2, 1);
    ASSERT_NE(background.getRenderImage(), nullptr);
    fill(background, Color(1.0f, 0.0f, 0.0f), {0, 0, 1, 1});
    fill(background, Color(0.0f, 0.0f, 1.0f), {1, 0, 2, 1});
    driver->setBackgroundImage(&background);
    driver->setBackgroundColor(Color(0.0f, 1.0f, 0.0f), true);
    ASSERT_TRUE(begin(clock.getTime() + 0.05));
    const auto clear = platform::testing::lastArguments("IDirect3DViewport3::Clear2");
    EXPECT_EQ(driver->getZBufferValue(5, 5), 0xFFFFu);  // a fresh depth buffer, cleared
    EXPECT_EQ(extent(0xFF0000u), (std::array<int, 4>{kWidth * kHeight / 2, 0, 0, kHeight - 1}));
    EXPECT_EQ(extent(0x0000FFu), (std::array<int, 4>{kWidth * kHeight / 2, 160, 0, kHeight - 1}));
    driver->termFrame();
    driver->setBackgroundImage(nullptr);
    ASSERT_GE(clear.size(), 3u);
    EXPECT_EQ(clear[2], static_cast<ULONG_PTR>(D3DCLEAR_ZBUFFER));
}

// Decals and lines are drawn once, at the end of the frame, larger key first.
// Whatever one throws is reported; the rest of the list is skipped, not kept.
TEST_F(FrameLoopTest, TwoDObjectsAreDrawnOnceAtTheEndByKeyAndAThrowSkipsTheRest) {
    Traced<RenderDecal2D> low("low", 1), firstFive("first5", 5), secondFive("second5", 5),
        three("three", 3), negative("negative", -7);
    Traced<RenderLine> lineFive("line5", 5);
    ASSERT_TRUE(frame(0.05, nullptr, [&] {
        for (RenderDecal2D* decal : {&low, &firstFive})
            driver->renderDecal(decal);
        driver->renderLine(&lineFive);
        for (RenderDecal2D* decal :
             std::initializer_list<RenderDecal2D*>{&negative, &secondFive, &three, nullptr})
            driver->renderDecal(decal);
        EXPECT_EQ(trace, " initFrame 0.050");
    }));
    ASSERT_TRUE(frame(0.06));  // the list was emptied
    EXPECT_EQ(trace,
              " initFrame 0.050 first5 line5 second5 three low negative termFrame 0.050"
              " initFrame 0.060 termFrame 0.060");
    hearTimes = false;
    for (int failure : {1, 2, 3}) {
        Traced<RenderDecal2D> first("first", 9), broken("broken", 5, failure), after("after", 1);
        LogCapture log;
        trace.clear();
        ASSERT_TRUE(frame(clock.getTime() + 0.02, nullptr, [&] {
            for (RenderDecal2D* decal : {&after, &broken, &first})
                driver->renderDecal(decal);
        }));
        ASSERT_TRUE(frame(clock.getTime() + 0.02));
        EXPECT_EQ(trace, " initFrame first termFrame initFrame termFrame") << failure;
        EXPECT_EQ(log.count("Driver", "draw exception catched and skipped"), 1);
    }
    // A focus change in the middle of the frame loses the surfaces: the draw
    // that fails on them is expected, and the surfaces are marked for restoring.
    Traced<RenderDecal2D> lost("lost", 5, 4);
    LogCapture log;
    frame(clock.getTime() + 0.02, nullptr, [&] { driver->renderDecal(&lost); });
    EXPECT_TRUE(surfacesLost);
    EXPECT_EQ(log.count("Driver", "draw exception catched and skipped"), 0);
    surfacesLost = false;
}

// The frame-rate line, yellow over a shadow one pixel down and right, is drawn
// with GDI from (152, 2) when shown; statistics alone only open the context.
TEST_F(FrameLoopTest, FrameRateLineIsDrawnInYellowWithAShadowWhenShown) {
    EXPECT_EQ(formatFrameRate(59.996, driver->getDefaultVideoMode()), "60.00 fps (640 x 480 x 16)");
    EXPECT_EQ(formatFrameRate(0.1, nullptr), "0.10 fps (0 x 0 x 0)");
    driver->setBackgroundColor(Color(0.0f, 0.0f, 1.0f), true);
    g_driverSettings.showStatistic = true;
    ASSERT_TRUE(frame(clock.getTime() + 0.05));
    EXPECT_EQ(callCount("IDirectDrawSurface4::GetDC"), 1u);
    EXPECT_EQ(extent(0x0000FFu)[0], kWidth * kHeight);
    g_driverSettings.showFPS = true;
    LogCapture log;  // the current mode is asked for, and is not there
    ASSERT_TRUE(frame(clock.getTime() + 0.05));
    const auto text = extent(0xFFFF00u), shadow = extent(0x646400u);
    ASSERT_TRUE(text[0] > 0 && shadow[0] > 0);
    EXPECT_TRUE(text[1] >= 152 && text[2] >= 2 && text[3] < 2 + 16) << text[1] << "," << text[2];
    EXPECT_EQ(std::make_pair(shadow[1], shadow[2]), std::make_pair(text[1] + 1, text[2] + 1));
}

// Of the candidates under the pointer in a view, the higher trace priority
// wins, then the nearer, then the first; the winner is settled at the end of
// the view: the one before hears it left, the new one that it entered. Each
// view keeps its own; candidates outside a view are ignored.
TEST_F(FrameLoopTest, PointedObjectIsSettledAtTheEndOfEachView) {
    PointedMesh near("near"), far("far"), twin("twin"), important("important", 3);
    using Frame = std::vector<std::pair<PointedMesh*, float>>;
    const struct {
        std::vector<Frame> frames;
        const char* events;
        PointedMesh* last;
    } cases[] = {
        {{{{&far, 9.0f}, {&near, 2.0f}}, {{&near, 2.0f}}}, " near entered from nothing", &near},
        {{{{&twin, 4.0f}, {&near, 4.0f}}}, " twin entered from nothing", &twin},
        {{{{&near, 1.0f}, {&important, 50.0f}, {&far, 0.5f}}},
         " important entered from nothing",
         &important},
        {{{{&near, 1.0f}}, {{&far, 1.0f}}, {}, {}},
         " near entered from nothing near left for far far entered from near far left for nothing",
         nullptr},
    };
    driver->unregisterListener(this);
    const auto pointer = [&] {
        return std::make_pair(driver->getXMousePointerPosition(),
                              driver->getYMousePointerPosition());
    };
    // The pointer is clamped to the screen and seen by views from the next one on.
    driver->setMousePointerPosition(1.5f, -0.25f);
    CountingRenderView first(engineView, "first");
    ASSERT_TRUE(frame(0.01, &first, [&] { driver->setMousePointerPosition(0.25f, 0.75f); }));
    EXPECT_EQ(std::make_tuple(pointer(), first.renders), std::make_tuple(std::pair(1.0f, 0.0f), 1));
    for (const auto& c : cases) {
        CountingRenderView view(engineView, "view"), other(engineView, "other");
        trace.clear();
        for (const Frame& candidates : c.frames) {
            driver->registerPointedObject(&far, 0.1f);  // outside a view: ignored
            ASSERT_TRUE(frame(clock.getTime() + 0.01, &view, [&] {
                const std::string before = trace;
                for (const auto& [mesh, distance] : candidates)
                    driver->registerPointedObject(mesh, distance);
                EXPECT_EQ(trace, before);  // not before the end of the view
                driver->termView();
                driver->initView(other);  // pointing at nothing
            }));
        }
        EXPECT_EQ(trace, c.events);
        const PointedObjectRecord& record = view.getPointedObjectRecord();
        EXPECT_TRUE(record.previous == c.last && !record.current && record.empty == 1);
    }
    EXPECT_EQ(pointer(), std::make_pair(0.25f, 0.75f));
}
