// 2D decals and screen lines on a 640 x 480 video mode: drawn on top of the
// frame at its end, mapped from their logical screen to pixels.
#include "rdecal.h"
#include "rfactory.h"
#include "screen_scale.h"

#include "../driver/log_capture.h"
#include "../rimage/rimage_fixture.h"

#include <engine/core/decal.h>
#include <engine/core/line.h>
#include <engine/core/render_view.h>
#include <engine/core/view.h>

#include <vector>

namespace {

class NullRenderView : public RenderView {
public:
    explicit NullRenderView(View& view) : RenderView(view) {}
    Color calculateIllumination(Vector) override { return Color(); }
};

// Hands its decals and lines to the driver, as the game's views do.
class OverlayView : public View {
public:
    OverlayView() : renderView(*this) { setRenderView(&renderView); }
    std::vector<RenderDecal2D*> decals;
    std::vector<RenderLine*> lines;

protected:
    void drawContent(RenderView&) override {
        for (RenderDecal2D* decal : decals)
            theRenderDriver->renderDecal(decal);
        for (RenderLine* line : lines)
            theRenderDriver->renderLine(line);
    }

private:
    NullRenderView renderView;
};

class OverlayTest : public RenderImageTest {
protected:
    void SetUp() override {
        RenderImageTest::SetUp();
        theRenderDriver->setBackgroundColor(Color(0.0f, 0.0f, 0.0f), true);
        // Left half red, right half blue.
        picture = std::make_unique<Image2D>(4, 4);
        fill(*picture, Color(1.0f, 0.0f, 0.0f), 0, 0, 2, 4);
        fill(*picture, Color(0.0f, 0.0f, 1.0f), 2, 0, 4, 4);
    }
    void TearDown() override {
        picture.reset();
        RenderImageTest::TearDown();
    }

    // One frame with the view's content; the presented picture.
    platform::testing::PresentedFrame drawFrame() {
        theRenderDriver->registerView(&view);
        theRenderDriver->draw();
        theRenderDriver->unregisterView(&view);
        auto frame = platform::testing::lastPresentedFrame();
        EXPECT_EQ(frame.width, 640u);
        return frame;
    }
    static std::uint32_t at(const platform::testing::PresentedFrame& frame, int x, int y) {
        return frame.pixels.at(static_cast<std::size_t>(y) * frame.width + x) & 0xFFFFFFu;
    }
    // The pixels of `color` fill the rectangle (left, top)-(right, bottom)
    // and nothing else.
    static void expectBox(const platform::testing::PresentedFrame& frame, std::uint32_t color,
                          int left, int top, int right, int bottom) {
        int n = 0, inside = 0;
        for (int y = 0; y < static_cast<int>(frame.height); ++y)
            for (int x = 0; x < static_cast<int>(frame.width); ++x)
                if (at(frame, x, y) == color) {
                    ++n;
                    inside += x >= left && x < right && y >= top && y < bottom;
                }
        EXPECT_EQ(inside, (right - left) * (bottom - top));
        EXPECT_EQ(n, inside);
    }
    static int countOf(const platform::testing::PresentedFrame& frame, std::uint32_t color) {
        int n = 0;
        for (DWORD p : frame.pixels)
            n += (p & 0xFFFFFFu) == color;
        return n;
    }

    std::unique_ptr<Image2D> picture;
    OverlayView view;
};

}  // namespace

TEST(ScreenScale, RoundsToTheNearestIntegerWithTiesToEven) {
    EXPECT_EQ(nint(0.4f), 0);
    EXPECT_EQ(nint(0.6f), 1);
    EXPECT_EQ(nint(2.5f), 2);
    EXPECT_EQ(nint(3.5f), 4);
    EXPECT_EQ(nint(-2.5f), -2);
    EXPECT_EQ(nint(-3.6f), -4);
    EXPECT_EQ(nint(1048575.5f), 1048576);
    EXPECT_EQ(nint(-1048576.0f), -1048576);
}

TEST_F(OverlayTest, DecalOnTheModesLogicalSizeIsCopiedOneToOne) {
    Decal2D decal(picture.get(), 100, 50, 4, 4, 640, 480);
    view.decals.push_back(decal.getRenderDecal());
    const auto frame = drawFrame();
    expectBox(frame, red, 100, 50, 102, 54);
    expectBox(frame, blue, 102, 50, 104, 54);
}

TEST_F(OverlayTest, DecalOnHalfTheSizeIsStretchedTwiceAsLarge) {
    Decal2D decal(picture.get(), 50, 25, 4, 4, 320, 240);
    view.decals.push_back(decal.getRenderDecal());
    const auto frame = drawFrame();
    expectBox(frame, red, 100, 50, 104, 58);
    expectBox(frame, blue, 104, 50, 108, 58);
}

TEST_F(OverlayTest, DecalPartlyLeftOfTheScreenIsClipped) {
    Decal2D decal(picture.get(), -2, 10, 4, 4, 640, 480);
    view.decals.push_back(decal.getRenderDecal());
    const auto frame = drawFrame();
    expectBox(frame, blue, 0, 10, 2, 14);
    EXPECT_EQ(countOf(frame, red), 0);
}

TEST_F(OverlayTest, DecalMappingChoosesThePartOfTheImage) {
    Decal2D decal(picture.get(), 200, 100, 2, 4, 640, 480);
    decal.setMapping(0, 0.5f, 0.0f);
    decal.setMapping(3, 1.0f, 1.0f);
    view.decals.push_back(decal.getRenderDecal());
    const auto frame = drawFrame();
    expectBox(frame, blue, 200, 100, 202, 104);
    EXPECT_EQ(countOf(frame, red), 0);
}

TEST_F(OverlayTest, HorizontalLineWithWidthTwoFillsItsEndsAndWidth) {
    Line line(10, 20, 50, 20, 2, Color(0.0f, 1.0f, 0.0f), 640, 480);
    view.lines.push_back(line.getRenderLine());
    const auto frame = drawFrame();
    expectBox(frame, 0x00FF00u, 10, 20, 52, 22);
}

TEST_F(OverlayTest, SlantedScaledLineFillsItsWholeBoundingBox) {
    // A logical screen of 320 x 240: every coordinate doubles.
    Line line(15, 5, 5, 10, 1, Color(1.0f, 1.0f, 0.0f), 320, 240);
    view.lines.push_back(line.getRenderLine());
    const auto frame = drawFrame();
    expectBox(frame, 0xFFFF00u, 10, 10, 31, 21);
}

TEST_F(OverlayTest, BrokenDecalIsReportedAndTheOverlayDrawnUpToIt) {
    LogCapture log;
    Decal2D plain(picture.get(), 0, 0, 4, 4, 640, 480);
    Decal2D empty(nullptr, 10, 10, 4, 4, 640, 480);
    Line flat(0, 100, 10, 100, 1, Color(0.0f, 1.0f, 0.0f), 0, 480);
    flat.setDepth(1);  // drawn first
    Decal2D later(picture.get(), 20, 20, 4, 4, 640, 480);
    later.setDepth(-1);
    view.decals = {plain.getRenderDecal(), empty.getRenderDecal(), later.getRenderDecal()};
    view.lines = {flat.getRenderLine()};
    const auto frame = drawFrame();
    EXPECT_EQ(log.count("Driver", "draw exception catched and skipped"), 1);
    EXPECT_EQ(log.count("Driver", "RenderLine::render: the logical screen size must be positive"),
              1);
    // The first decal is drawn; the one after the broken decal waits.
    expectBox(frame, red, 0, 0, 2, 4);
    EXPECT_EQ(countOf(frame, 0x00FF00u), 0);
}

TEST_F(OverlayTest, FactoriesMakeDecalsAndLinesButRefuseA3DDecalWithoutA3DRenderImage) {
    LogCapture log;
    EXPECT_EQ(theRenderDecalFactory, theD3DRenderDecalFactory);
    ASSERT_NE(theRenderLineFactory, nullptr);
    const LONG before = D3DRenderDecal2D::counter.getValue();
    {
        Decal2D decal(picture.get(), 0, 0, 4, 4, 640, 480);
        decal.setDepth(7);
        RenderDecal2D* render = decal.getRenderDecal();
        ASSERT_NE(dynamic_cast<D3DRenderDecal2D*>(render), nullptr);
        EXPECT_EQ(render->getBaseDecal(), &decal);
        EXPECT_EQ(render->getKey(), 7);
        EXPECT_EQ(D3DRenderDecal2D::counter.getValue(), before + 1);

        Line line(0, 0, 1, 1, 1, Color(), 640, 480);
        ASSERT_NE(line.getRenderLine(), nullptr);
        EXPECT_EQ(line.getRenderLine()->getBaseLine(), &line);
    }
    EXPECT_EQ(D3DRenderDecal2D::counter.getValue(), before);

    // A 3D image made while there was no image factory has no render image.
    RenderImageFactory* factory = theRenderImageFactory;
    theRenderImageFactory = nullptr;
    Image3D missing(4, 4, 0);
    theRenderImageFactory = factory;
    ASSERT_EQ(missing.getRenderImage(), nullptr);
    Decal3D decal(&missing, TILING_NONE, false);
    EXPECT_EQ(decal.getRenderMesh(), nullptr);
    Decal3D empty(nullptr, TILING_NONE, false);
    EXPECT_EQ(empty.getRenderMesh(), nullptr);
    EXPECT_EQ(log.count("Driver", "createDecal3D: a decal whose image is not a 3D render image is "
                                  "not allowed"),
              2);
    theRenderDecalFactory->destroy(static_cast<OneLevelRenderMeshInterface*>(nullptr));
}

TEST_F(OverlayTest, UnloadingClearsTheDecalAndLineFactories) {
    picture.reset();
    theRenderDriver->termVideoMode();
    termDriver();
    EXPECT_EQ(theRenderDecalFactory, nullptr);
    EXPECT_EQ(theD3DRenderDecalFactory, nullptr);
    EXPECT_EQ(theRenderLineFactory, nullptr);
    initDriver();  // for the fixture's own unloading
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
}
