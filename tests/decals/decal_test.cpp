// 2D decals and screen lines on a 640 x 480 video mode: drawn on top of the
// frame at its end, mapped from their logical screen to pixels.
#include "../meshes/meshes_fixture.h"

#include "../driver/log_capture.h"
#include "rdecal.h"
#include "screen_scale.h"

#include <engine/core/decal.h>
#include <engine/core/line.h>

#include <algorithm>

namespace {

class OverlayTest : public MeshesTest {
protected:
    void drawOverlay(std::vector<Decal2D*> decals, std::vector<Line*> lines) {
        drawScene({}, [&] {
            for (Decal2D* decal : decals)
                theRenderDriver->renderDecal(decal->getRenderDecal());
            for (Line* line : lines)
                theRenderDriver->renderLine(line->getRenderLine());
        });
    }
    // The pixels of `color` fill the boxes (left, top, right, bottom) and
    // nothing else.
    void expectBoxes(std::uint32_t color, std::vector<std::array<int, 4>> boxes) {
        std::vector<int> inside(boxes.size());
        int outside = 0;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const int x = i % kWidth, y = i / kWidth;
            const auto box = std::find_if(boxes.begin(), boxes.end(), [&](const auto& b) {
                return x >= b[0] && y >= b[1] && x < b[2] && y < b[3];
            });
            if ((pixels[i] & 0xFFFFFFu) == color)
                box == boxes.end() ? ++outside : ++inside[box - boxes.begin()];
        }
        for (std::size_t b = 0; b < boxes.size(); ++b)
            EXPECT_EQ(inside[b], (boxes[b][2] - boxes[b][0]) * (boxes[b][3] - boxes[b][1])) << b;
        EXPECT_EQ(outside, 0) << std::hex << color;
    }
    static constexpr std::uint32_t red = 0xFF0000u, green = 0x00FF00u, blue = 0x0000FFu;
};

}  // namespace

// Kept: it caught the rounding constant 1.5 * 2^23 in place of 1.75 * 2^23.
TEST(ScreenScale, RoundsToTheNearestIntegerWithTiesToEven) {
    const std::pair<float, int> cases[] = {{0.4f, 0},
                                           {0.6f, 1},
                                           {2.5f, 2},
                                           {3.5f, 4},
                                           {-2.5f, -2},
                                           {-3.6f, -4},
                                           {1048575.5f, 1048576},
                                           {-1048576.0f, -1048576}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(nint(value), rounded) << value;
}

// Decals copied one to one, stretched (twice as wide), clipped at the left
// edge and cut to the right half of the image; a line of width two and a
// slanted one on a logical screen of half the size.
TEST_F(OverlayTest, DecalsAndLinesAreMappedFromTheirLogicalScreen) {
    Image2D halves("/Images/Meshes/halves.tga", true);  // left half red, right half blue
    Decal2D same(&halves, 100, 50, 4, 4, 640, 480), wide(&halves, 100, 200, 4, 4, 320, 480);
    Decal2D clipped(&halves, -2, 300, 4, 4, 640, 480), cut(&halves, 300, 100, 2, 4, 640, 480);
    cut.setMapping(0, 0.5f, 0.0f);
    cut.setMapping(3, 1.0f, 1.0f);
    Line flat(10, 400, 50, 400, 2, Color(0.0f, 1.0f, 0.0f), 640, 480);
    Line slanted(15, 5, 5, 10, 1, Color(1.0f, 1.0f, 0.0f), 320, 240);
    ASSERT_NO_FATAL_FAILURE(drawOverlay({&same, &wide, &clipped, &cut}, {&flat, &slanted}));
    expectBoxes(red, {{100, 50, 102, 54}, {200, 200, 204, 204}});
    expectBoxes(blue,
                {{102, 50, 104, 54}, {204, 200, 208, 204}, {0, 300, 2, 304}, {300, 100, 302, 104}});
    expectBoxes(green, {{10, 400, 52, 402}});
    expectBoxes(0xFFFF00u, {{10, 10, 31, 21}});
}

TEST_F(OverlayTest, BrokenDecalIsReportedAndTheOverlayDrawnUpToIt) {
    LogCapture log;
    Image2D halves("/Images/Meshes/halves.tga", true);
    Decal2D plain(&halves, 0, 0, 4, 4, 640, 480), empty(nullptr, 10, 10, 4, 4, 640, 480);
    Line flat(0, 100, 10, 100, 1, Color(0.0f, 1.0f, 0.0f), 0, 480);
    flat.setDepth(1);  // drawn first
    Decal2D later(&halves, 20, 20, 4, 4, 640, 480);
    later.setDepth(-1);
    ASSERT_NO_FATAL_FAILURE(drawOverlay({&plain, &empty, &later}, {&flat}));
    EXPECT_EQ(log.count("Driver", "draw exception catched and skipped"), 1);
    EXPECT_EQ(log.count("Driver", "RenderLine::render: the logical screen size must be positive"),
              1);
    // The first decal is drawn; the one after the broken decal waits.
    expectBoxes(red, {{0, 0, 2, 4}});
    expectBoxes(green, {});
}

TEST_F(OverlayTest, FactoriesMakeDecalsAndLinesButRefuseA3DDecalWithoutA3DRenderImage) {
    LogCapture log;
    EXPECT_EQ(theRenderDecalFactory, theD3DRenderDecalFactory);
    ASSERT_NE(theRenderLineFactory, nullptr);
    const LONG before = D3DRenderDecal2D::counter.getValue();
    {
        Decal2D decal(nullptr, 0, 0, 4, 4, 640, 480);
        decal.setDepth(7);
        RenderDecal2D* render = decal.getRenderDecal();
        ASSERT_NE(dynamic_cast<D3DRenderDecal2D*>(render), nullptr);
        EXPECT_EQ(std::make_tuple(render->getBaseDecal(), render->getKey(),
                                  D3DRenderDecal2D::counter.getValue()),
                  std::make_tuple(&decal, 7, before + 1));
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
    Decal3D decal(&missing, TILING_NONE, false), empty(nullptr, TILING_NONE, false);
    EXPECT_EQ(decal.getRenderMesh(), nullptr);
    EXPECT_EQ(empty.getRenderMesh(), nullptr);
    EXPECT_EQ(log.count("Driver",
                        "createDecal3D: a decal whose image is not a 3D render image is "
                        "not allowed"),
              2);
    theRenderDecalFactory->destroy(static_cast<OneLevelRenderMeshInterface*>(nullptr));
}

using DecalFactoryTest = DriverTest;

TEST_F(DecalFactoryTest, UnloadingClearsTheDecalAndLineFactories) {
    useData("no_file");
    initDriver();
    EXPECT_TRUE(theRenderDecalFactory && theD3DRenderDecalFactory && theRenderLineFactory);
    termDriver();
    EXPECT_EQ(
        std::make_tuple(theRenderDecalFactory, theD3DRenderDecalFactory, theRenderLineFactory),
        std::make_tuple(nullptr, nullptr, nullptr));
}
