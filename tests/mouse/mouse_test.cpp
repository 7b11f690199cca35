// The mouse on a real video mode: sampling the system cursor into the
// offsets, and the overlay cursor as the presented frame shows it.
#include "application.h"
#include "mouse/mouse.h"

#include "../support/log_capture.h"
#include "../support/render_image_fixture.h"

#include <engine/core/image.h>

#include <array>
#include <thread>

using Area = std::array<int, 5>;  // left, top, right, bottom of the red pixels; their count

// The default video mode is 640 x 480.
class MouseTest : public RenderImageTest {
protected:
    static Mouse& mouse() { return *theD3DRenderDriver->getMouse(); }
    // A 16 x 16 cursor from a 2D image, green with a red top-left square.
    bool setPicture(int square) const {
        Image2D picture(16, 16);
        fill(picture, greenColour);
        fill(picture, redColour, {0, 0, square, square});
        return theRenderDriver->setCursorImage(picture.getRenderImage());
    }
    // Draws a frame with the pointer at (x, y): where the (solid) red is.
    Area redAt(float x, float y) {
        theRenderDriver->setMousePointerPosition(x, y);
        theRenderDriver->draw();
        frame = platform::testing::lastPresentedFrame();
        int first = 0, last = 0, n = 0;
        for (int i = 0; i < int(frame.pixels.size()); ++i)
            if ((frame.pixels[i] & 0xFFFFFF) == 0xFF0000)
                last = i, first = n++ ? first : i;
        return n ? Area{first % 640, first / 640, last % 640 + 1, last / 640 + 1, n} : Area{};
    }
    platform::testing::PresentedFrame frame;
};

// The mouse thread samples while the engine reads and resets the offset and
// sets the speeds: no movement is lost or counted twice. The thread puts the
// system cursor back at the centre before it adds the movement, so only the
// lock makes the read see the whole sample.
TEST_F(MouseTest, TheEngineReadsTheOffsetWhileTheThreadSamples) {
    const POINT c = {320 + theRenderWindow->getX(), 240 + theRenderWindow->getY()};
    platform::testing::setCursorPosition(c.x, c.y);  // no movement before the first
    ASSERT_TRUE(theRenderDriver->enableCursor());
    constexpr int moves = 40;
    float total = 0.0f;
    for (int i = 0; i < moves; ++i) {
        theRenderDriver->setCursorAxisSpeed(2.0f, 1.0f);
        platform::testing::setCursorPosition(c.x + 64, c.y);
        for (POINT now = {}; GetCursorPos(&now), now.x != c.x;)
            std::this_thread::yield();
        float dx = 0.0f, dy = 0.0f;
        theRenderDriver->getCursorOffset(&dx, &dy);
        total += dx;
    }
    theRenderDriver->disableCursor();
    EXPECT_NEAR(total, moves * 64 * 2.0f / 640, 1e-3);
}

// Enabling before a size samples but makes no overlay. The picture keeps its
// layout. At x = 0.99 the cursor starts at 633: only the part left of the
// screen's last column shows. The hotspot moves it; hiding and losing the
// focus hide it. Only 2D images give a picture.
TEST_F(MouseTest, OverlayCursorShowsThePicturePlacedAndCut) {
    // The system cursor at the centre: the sampling thread moves nothing.
    platform::testing::setCursorPosition(320 + theRenderWindow->getX(),
                                         240 + theRenderWindow->getY());
    EXPECT_TRUE(theRenderDriver->enableCursor());
    EXPECT_EQ(mouse().getCursor().getSurface(), nullptr);
    EXPECT_TRUE(theRenderDriver->setCursorSize(16, 16));
    EXPECT_TRUE(theRenderDriver->disableCursor());
    EXPECT_EQ(mouse().getCursor().getSurface(), nullptr);

    LogCapture log;
    theRenderDriver->setCursorSize(16, 16);
    EXPECT_TRUE(setPicture(8));
    theRenderDriver->showCursor();
    EXPECT_EQ(redAt(0.5f, 0.5f), (Area{320, 240, 328, 248, 64}));
    EXPECT_EQ(frame.pixels[255 * 640 + 335] & 0xFFFFFF, 0x00FF00u);
    EXPECT_TRUE(setPicture(16));
    EXPECT_EQ(redAt(0.99f, 0.5f), (Area{633, 240, 639, 256, 96}));
    EXPECT_EQ(redAt(1.0f, 0.5f), Area{});
    theRenderDriver->setCursorHotspot(8, 8);
    EXPECT_EQ(redAt(0.5f, 0.5f), (Area{312, 232, 328, 248, 256}));
    theRenderDriver->hideCursor();
    EXPECT_EQ(redAt(0.5f, 0.5f), Area{});
    theRenderDriver->showCursor();
    SendMessageA(theRenderWindow->getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(redAt(0.25f, 0.25f), Area{});
    SendMessageA(theRenderWindow->getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(redAt(0.25f, 0.25f), (Area{152, 112, 168, 128, 256}));
    Image3D texture(16, 16, 0);
    EXPECT_FALSE(theRenderDriver->setCursorImage(texture.getRenderImage()));
    EXPECT_FALSE(theRenderDriver->setCursorImage(nullptr));
    EXPECT_EQ(log.count("Driver", "setCursorImage: the cursor image must be a 2D image"), 2);
    platform::testing::failNextCall("IDirectDraw4::CreateSurface", DDERR_OUTOFMEMORY);
    Image2D unmade(16, 16);
    EXPECT_FALSE(theRenderDriver->setCursorImage(unmade.getRenderImage()));
    EXPECT_EQ(log.count("Driver", "setCursorImage: the image has no surface"), 1);

    // Each missing capability refuses the cursor and says so.
    const std::pair<void (*)(DDCAPS&), const char*> cases[] = {
        {[](DDCAPS& c) { c.dwCaps &= ~DDCAPS_OVERLAY; }, "Display hardware not supports overlays"},
        {[](DDCAPS& c) { c.dwCurrVisibleOverlays = c.dwMaxVisibleOverlays; },
         "Not enough free number of visible overlays"},
        {[](DDCAPS& c) { c.dwCaps |= DDCAPS_ALIGNBOUNDARYSRC, c.dwAlignBoundarySrc = 2; },
         "Discreteness of overlay is over then one"},
        {[](DDCAPS& c) { c.dwCKeyCaps &= ~DDCKEYCAPS_SRCOVERLAY; },
         "Display hardware not supports overlaying using the color key for the source"},
    };
    const DDCAPS saved = theCapabilities.driver;
    for (const auto& [change, message] : cases) {
        change(theCapabilities.driver);
        EXPECT_FALSE(theRenderDriver->isCursorSupported()) << message;
        theCapabilities.driver = saved;
        EXPECT_EQ(log.count("Driver", message), 1) << message;
    }
    EXPECT_TRUE(theRenderDriver->isCursorSupported());
    theRenderDriver->termVideoMode();  // the capture must outlive the threads
}
