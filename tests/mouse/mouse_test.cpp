// The mouse on a real video mode: sampling the system cursor into the
// pointer and offsets, and the overlay cursor as the presented frame shows it.
#include "application.h"
#include "mouse/mouse.h"

#include "../driver/driver_fixture.h"
#include "../driver/log_capture.h"

#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <engine/core/render_view.h>
#include <engine/core/view.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr DWORD kRed = 0xFF0000;

class NullRenderView : public RenderView {
public:
    explicit NullRenderView(View& view) : RenderView(view) {}
    Color calculateIllumination(Vector) override { return Color(); }
};

// A view whose initView latches the pointer position.
class PlainView : public View {
public:
    PlainView() : renderView(*this) { setRenderView(&renderView); }

private:
    NullRenderView renderView;
};

class MouseTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        useData("no_file");
        initDriver();
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());  // 640 x 480
        mouse = theD3DRenderDriver->getMouse();
        ASSERT_NE(mouse, nullptr);
        theRenderDriver->setBackgroundColor(Color(0.0f, 0.0f, 1.0f), true);
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }

    POINT centre() const {
        return {theRenderWindow->getWidth() / 2 + theRenderWindow->getX(),
                theRenderWindow->getHeight() / 2 + theRenderWindow->getY()};
    }

    // A red 16 x 16 cursor picture.
    void giveRedCursor() {
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        desc.dwWidth = desc.dwHeight = 16;
        IDirectDrawSurface4* picture = nullptr;
        ASSERT_EQ(theD3DRenderDriver->getDirectDraw()->CreateSurface(&desc, &picture, nullptr),
                  DD_OK);
        DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = DDColorMatch(desc, 0xFFFF0000ul);
        DDSURFACEDESC2 real = {};
        real.dwSize = sizeof real;
        picture->GetSurfaceDesc(&real);
        fx.dwFillColor = DDColorMatch(real, 0xFFFF0000ul);
        picture->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        EXPECT_TRUE(mouse->setCursorImage(picture));
        picture->Release();
    }

    // The presented frame's pixel (x, y) without alpha.
    static DWORD shown(const platform::testing::PresentedFrame& frame, int x, int y) {
        return frame.pixels[static_cast<size_t>(y) * frame.width + x] & 0xFFFFFF;
    }
    static int redPixels(const platform::testing::PresentedFrame& frame) {
        int n = 0;
        for (DWORD p : frame.pixels)
            n += (p & 0xFFFFFF) == kRed;
        return n;
    }

    Mouse* mouse = nullptr;
};

}  // namespace

TEST_F(MouseTest, OneWindowWidthMovesThePointerByOneAndClampsButNotTheOffset) {
    // A small window on the desktop leaves room to move a whole width.
    theRenderDriver->termVideoMode();
    const VideoMode* full = nullptr;
    for (const VideoMode* m : theRenderDriver->getVideoModeList())
        if (!full && m->isHardware() && m->getColorDepth() == 32)
            full = m;
    ASSERT_NE(full, nullptr);
    theRenderDriver->initVideoMode(theRenderDriver->createWindowedVideoMode(full, 200, 100));
    mouse = theD3DRenderDriver->getMouse();
    const POINT c = centre();
    platform::testing::setCursorPosition(c.x + 200, c.y - 50);
    mouse->sample();
    EXPECT_FLOAT_EQ(mouse->getPointerX(), 1.0f);  // 0.5 + 1.0, clamped
    EXPECT_FLOAT_EQ(mouse->getPointerY(), 0.0f);  // 0.5 - 0.5
    POINT now = {};
    GetCursorPos(&now);
    EXPECT_EQ(now.x, c.x);  // put back to the centre
    EXPECT_EQ(now.y, c.y);

    platform::testing::setCursorPosition(c.x - 100, c.y);
    mouse->sample();
    EXPECT_FLOAT_EQ(mouse->getPointerX(), 0.5f);
    float dx = 0.0f, dy = 0.0f;
    EXPECT_TRUE(theRenderDriver->getCursorOffset(&dx, &dy));
    EXPECT_FLOAT_EQ(dx, 0.5f);  // 1.0 - 0.5: never clamped
    EXPECT_FLOAT_EQ(dy, -0.5f);
}

TEST_F(MouseTest, AxisSpeedScalesTheMovementAndViewsSeeThePointerAtTheirNextFrame) {
    theRenderDriver->setCursorAxisSpeed(0.5f, 2.0f);
    const POINT c = centre();
    platform::testing::setCursorPosition(c.x + 128, c.y + 48);
    mouse->sample();
    EXPECT_FLOAT_EQ(mouse->getPointerX(), 0.5f + 0.1f);
    EXPECT_FLOAT_EQ(mouse->getPointerY(), 0.5f + 0.2f);
    PlainView view;
    theRenderDriver->registerView(&view);
    theRenderDriver->draw();
    theRenderDriver->unregisterView(&view);
    EXPECT_FLOAT_EQ(theRenderDriver->getXMousePointerPosition(), 0.6f);
    EXPECT_FLOAT_EQ(theRenderDriver->getYMousePointerPosition(), 0.7f);
}

TEST_F(MouseTest, CursorOffsetIsGivenOnce) {
    const POINT c = centre();
    platform::testing::setCursorPosition(c.x + 64, c.y);
    mouse->sample();
    float dx = 0.0f, dy = 0.0f;
    theRenderDriver->getCursorOffset(&dx, &dy);
    EXPECT_FLOAT_EQ(dx, 0.1f);
    theRenderDriver->getCursorOffset(&dx, &dy);
    EXPECT_EQ(dx, 0.0f);
    EXPECT_EQ(dy, 0.0f);
}

TEST_F(MouseTest, EnablingBeforeASizeSamplesButMakesNoOverlay) {
    ASSERT_TRUE(theRenderDriver->isCursorSupported());
    EXPECT_TRUE(theRenderDriver->enableCursor());
    EXPECT_TRUE(mouse->isEnabled());
    EXPECT_EQ(mouse->getCursor().getSurface(), nullptr);
    EXPECT_TRUE(theRenderDriver->setCursorSize(16, 16));
    EXPECT_NE(mouse->getCursor().getSurface(), nullptr);
    EXPECT_TRUE(theRenderDriver->disableCursor());
    EXPECT_FALSE(mouse->isEnabled());
    EXPECT_EQ(mouse->getCursor().getSurface(), nullptr);
}

TEST_F(MouseTest, CursorIsCutAtTheScreenEdgeAndHiddenBeyondIt) {
    theRenderDriver->setCursorSize(16, 16);
    giveRedCursor();
    theRenderDriver->showCursor();
    theRenderDriver->setMousePointerPosition(0.5f, 0.5f);
    theRenderDriver->draw();
    auto frame = platform::testing::lastPresentedFrame();
    ASSERT_EQ(frame.width, 640u);
    EXPECT_EQ(shown(frame, 320, 240), kRed);
    EXPECT_EQ(shown(frame, 335, 255), kRed);
    EXPECT_NE(shown(frame, 336, 240), kRed);
    EXPECT_EQ(redPixels(frame), 16 * 16);

    // x = 0.99 puts the cursor at 633: only the part left of the screen's
    // last column shows.
    theRenderDriver->setMousePointerPosition(0.99f, 0.5f);
    theRenderDriver->draw();
    frame = platform::testing::lastPresentedFrame();
    EXPECT_EQ(shown(frame, 633, 240), kRed);
    EXPECT_EQ(shown(frame, 638, 240), kRed);
    EXPECT_NE(shown(frame, 632, 240), kRed);
    EXPECT_EQ(redPixels(frame), 6 * 16);

    theRenderDriver->setMousePointerPosition(1.0f, 0.5f);  // entirely beyond
    theRenderDriver->draw();
    EXPECT_EQ(redPixels(platform::testing::lastPresentedFrame()), 0);
}

TEST_F(MouseTest, HotspotAndHideMoveAndHideTheCursor) {
    theRenderDriver->setCursorSize(16, 16);
    giveRedCursor();
    theRenderDriver->setCursorHotspot(8, 8);
    theRenderDriver->showCursor();
    theRenderDriver->setMousePointerPosition(0.5f, 0.5f);
    theRenderDriver->draw();
    auto frame = platform::testing::lastPresentedFrame();
    EXPECT_EQ(shown(frame, 312, 232), kRed);
    EXPECT_NE(shown(frame, 311, 232), kRed);
    theRenderDriver->hideCursor();
    theRenderDriver->draw();
    EXPECT_EQ(redPixels(platform::testing::lastPresentedFrame()), 0);
}

TEST_F(MouseTest, LosingTheFocusHidesTheOverlayUntilItComesBack) {
    theRenderDriver->setCursorSize(16, 16);
    giveRedCursor();
    theRenderDriver->showCursor();
    theRenderDriver->setMousePointerPosition(0.25f, 0.25f);
    HWND window = theRenderWindow->getHandle();
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    theRenderDriver->draw();
    EXPECT_EQ(redPixels(platform::testing::lastPresentedFrame()), 0);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    theRenderDriver->draw();
    EXPECT_EQ(redPixels(platform::testing::lastPresentedFrame()), 16 * 16);
}

TEST_F(MouseTest, CursorImageComesFromATwoDimensionalRenderImageOnly) {
    LogCapture log;
    theRenderDriver->setCursorSize(16, 16);
    {
        // Green with a red top-left quarter, so that the picture's layout shows.
        Image2D picture(16, 16);
        DrawSettings settings;
        RenderImage* render = picture.getRenderImage();
        ASSERT_NE(render, nullptr);
        render->setDrawSettings(&settings);
        render->beginDrawSession();
        settings.color = Color(0.0f, 1.0f, 0.0f);
        render->drawBar(0, 0, 16, 16);
        settings.color = Color(1.0f, 0.0f, 0.0f);
        render->drawBar(0, 0, 8, 8);
        render->endDrawSession();
        render->setDrawSettings(nullptr);

        EXPECT_TRUE(theRenderDriver->setCursorImage(render));
        theRenderDriver->showCursor();
        theRenderDriver->setMousePointerPosition(0.5f, 0.5f);
        theRenderDriver->draw();
        const auto frame = platform::testing::lastPresentedFrame();
        EXPECT_EQ(redPixels(frame), 8 * 8);
        EXPECT_EQ(shown(frame, 320, 240), kRed);
        EXPECT_EQ(shown(frame, 327, 247), kRed);
        EXPECT_EQ(shown(frame, 328, 240), 0x00FF00u);
        EXPECT_EQ(shown(frame, 335, 255), 0x00FF00u);

        Image3D texture(16, 16, 0);
        EXPECT_FALSE(theRenderDriver->setCursorImage(texture.getRenderImage()));
        EXPECT_FALSE(theRenderDriver->setCursorImage(nullptr));
    }
    EXPECT_EQ(log.count("Driver", "setCursorImage: the cursor image must be a 2D image"), 2);
    theRenderDriver->termVideoMode();  // the capture must outlive the threads
}

TEST_F(MouseTest, CapabilityTestSaysWhatIsMissing) {
    LogCapture log;
    const DDCAPS saved = theCapabilities.driver;
    theCapabilities.driver.dwCaps &= ~DDCAPS_OVERLAY;
    EXPECT_FALSE(theRenderDriver->isCursorSupported());
    theCapabilities.driver = saved;
    theCapabilities.driver.dwCurrVisibleOverlays = theCapabilities.driver.dwMaxVisibleOverlays;
    EXPECT_FALSE(theRenderDriver->isCursorSupported());
    theCapabilities.driver = saved;
    theCapabilities.driver.dwCaps |= DDCAPS_ALIGNBOUNDARYSRC;
    theCapabilities.driver.dwAlignBoundarySrc = 2;
    EXPECT_FALSE(theRenderDriver->isCursorSupported());
    theCapabilities.driver = saved;
    theCapabilities.driver.dwCKeyCaps &= ~DDCKEYCAPS_SRCOVERLAY;
    EXPECT_FALSE(theRenderDriver->isCursorSupported());
    theCapabilities.driver = saved;
    EXPECT_TRUE(theRenderDriver->isCursorSupported());
    EXPECT_EQ(log.count("Driver", "Display hardware not supports overlays"), 1);
    EXPECT_EQ(log.count("Driver", "Not enough free number of visible overlays"), 1);
    EXPECT_EQ(log.count("Driver", "Discreteness of overlay is over then one"), 1);
    EXPECT_EQ(log.count("Driver",
                        "Display hardware not supports overlaying using the color key for the source"),
              1);
    theRenderDriver->termVideoMode();  // the capture must outlive the threads
}
