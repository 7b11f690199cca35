// 2D decals and screen lines on a 640 x 480 video mode: drawn on top of the
// frame at its end, mapped from their logical screen to pixels.
#include "../support/mesh_scene.h"

#include "../support/log_capture.h"
#include "rdecal.h"
#include "screen_scale.h"

#include <engine/core/decal.h>
#include <engine/core/line.h>

namespace {

class OverlayTest : public MeshesTest {
protected:
    // A frame with the decals and lines shows black with the boxes (left,
    // top, right, bottom) painted, as 0x00RRGGBB.
    void expectOverlay(std::vector<Decal2D*> decals, std::vector<Line*> lines,
                       std::vector<std::pair<uint32_t, std::array<int, 4>>> boxes) {
        drawScene({}, [&] {
            for (Decal2D* decal : decals)
                theRenderDriver->renderDecal(decal->getRenderDecal());
            for (Line* line : lines)
                theRenderDriver->renderLine(line->getRenderLine());
        });
        std::vector<uint32_t> expected(pixels.size(), 0);
        for (const auto& [colour, b] : boxes)
            for (int y = b[1]; y < b[3]; ++y)
                std::fill_n(expected.begin() + y * kWidth + b[0], b[2] - b[0], colour);
        for (uint32_t& p : pixels)
            p &= 0xFFFFFFu;
        EXPECT_EQ(pixels, expected);
    }
    static constexpr uint32_t red = 0xFF0000u, green = 0x00FF00u, blue = 0x0000FFu;
};

}  // namespace

// Kept: it caught the rounding constant 1.5 * 2^23 in place of 1.75 * 2^23.
TEST(ScreenScale, RoundsToTheNearestIntegerWithTiesToEven) {
    const float values[] = {0.4f, 0.6f, 2.5f, 3.5f, -2.5f, -3.6f, 1048575.5f, -1048576.0f};
    const int rounded[] = {0, 1, 2, 4, -2, -4, 1048576, -1048576};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(nint(values[i]), rounded[i]) << values[i];
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
    expectOverlay({&same, &wide, &clipped, &cut}, {&flat, &slanted},
                  {{red, {100, 50, 102, 54}},
                   {blue, {102, 50, 104, 54}},
                   {red, {200, 200, 204, 204}},
                   {blue, {204, 200, 208, 204}},
                   {blue, {0, 300, 2, 304}},
                   {blue, {300, 100, 302, 104}},
                   {green, {10, 400, 52, 402}},
                   {0xFFFF00u, {10, 10, 31, 21}}});
}

// The factories make render decals (counted while they live, keyed by
// depth) and lines of their engine objects. The line with no logical width
// (drawn first) is reported; after the decal without an image, the rest of
// the decals wait for the next frame. A 3D image made while there was no
// image factory has no render image, so no 3D decal.
TEST_F(OverlayTest, FactoriesMakeTheRenderObjectsAndBrokenOnesAreReported) {
    LogCapture log;
    ASSERT_TRUE(theRenderDecalFactory == theD3DRenderDecalFactory && theRenderLineFactory);
    const LONG before = D3DRenderDecal2D::counter.getValue();
    {
        Image2D halves("/Images/Meshes/halves.tga", true);
        Decal2D plain(&halves, 0, 0, 4, 4, 640, 480), empty(nullptr, 10, 10, 4, 4, 640, 480);
        Decal2D later(&halves, 20, 20, 4, 4, 640, 480);
        Line flat(0, 100, 10, 100, 1, Color(0.0f, 1.0f, 0.0f), 0, 480);
        flat.setDepth(1);
        later.setDepth(-1);
        expectOverlay({&plain, &empty, &later}, {&flat},
                      {{red, {0, 0, 2, 4}}, {blue, {2, 0, 4, 4}}});
    }
    RenderImageFactory* factory = theRenderImageFactory;
    theRenderImageFactory = nullptr;
    Image3D missing(4, 4, 0);
    theRenderImageFactory = factory;
    Decal3D decal(&missing, TILING_NONE, false), empty(nullptr, TILING_NONE, false);
    EXPECT_EQ(std::make_tuple(D3DRenderDecal2D::counter.getValue(), missing.getRenderImage(),
                              decal.getRenderMesh(), empty.getRenderMesh()),
              std::make_tuple(before, nullptr, nullptr, nullptr));
    const std::pair<const char*, int> reports[] = {
        {"draw exception catched and skipped", 1},
        {"RenderLine::render: the logical screen size must be positive", 1},
        {"createDecal3D: a decal whose image is not a 3D render image is not allowed", 2}};
    for (const auto& [message, count] : reports)
        EXPECT_EQ(log.count("Driver", message), count) << message;
    theRenderDecalFactory->destroy(static_cast<OneLevelRenderMeshInterface*>(nullptr));
}
