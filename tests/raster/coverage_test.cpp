// Which pixels a triangle covers: top-left rule at integer pixel centres,
// shared edges drawn exactly once, sub-pixel positions, clipping.
#include "raster_test_util.h"

#include <cmath>
#include <random>

using namespace rt;

namespace {

// Additive blending of a small colour: a pixel drawn twice shows 2x.
void useAdditive(Canvas& c)
{
    c.state().setRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    c.state().setRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    c.state().setRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
}

constexpr D3DCOLOR kUnit = 0x10101010;

int timesDrawn(const Canvas& c, int x, int y) { return red(c.pixel(x, y)) / 0x10; }

}  // namespace

TEST(RasterCoverage, TriangleOnPixelCentresFollowsTopLeftRule)
{
    Canvas c(8, 8);
    c.clear(0);
    // Edges through pixel centres: top (y = 0) and left (x = 0) are inside,
    // the hypotenuse x + y = 4 is a right/bottom edge and is outside.
    drawList(c.raster, {vtx(0, 0, 0xffffffff), vtx(4, 0, 0xffffffff), vtx(0, 4, 0xffffffff)});
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool expected = x + y < 4;
            EXPECT_EQ(c.pixel(x, y) == 0xffffffff, expected) << x << "," << y;
        }
    }
}

TEST(RasterCoverage, ComplementaryTrianglesCoverSquareOnce)
{
    Canvas c(8, 8);
    c.clear(0);
    useAdditive(c);
    drawList(c.raster, {vtx(0, 0, kUnit), vtx(4, 0, kUnit), vtx(0, 4, kUnit),
                        vtx(4, 0, kUnit), vtx(4, 4, kUnit), vtx(0, 4, kUnit)});
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(timesDrawn(c, x, y), (x < 4 && y < 4) ? 1 : 0) << x << "," << y;
        }
    }
}

TEST(RasterCoverage, QuadAtHalfPixelOffsetsCoversCentresInside)
{
    Canvas c(16, 16);
    c.clear(0);
    useAdditive(c);
    // Pixel centres are integers: [2.5, 9.5) x [1.25, 7.75] holds x 3..9, y 2..7.
    drawList(c.raster, quad(2.5f, 1.25f, 9.5f, 7.75f, kUnit));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 3 && x <= 9 && y >= 2 && y <= 7;
            EXPECT_EQ(timesDrawn(c, x, y), inside ? 1 : 0) << x << "," << y;
        }
    }
}

void drawJitteredMesh(unsigned seed);

TEST(RasterCoverage, JitteredMeshHasNoGapsOrOverlaps)
{
    // A grid of triangles with randomly displaced inner vertices; the outer
    // border is the rectangle [1.3, 60.6) x [0.7, 50.2).
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        drawJitteredMesh(seed);
        if (HasFatalFailure()) return;
    }
}

void drawJitteredMesh(unsigned seed)
{
    const int n = 9;
    const float x0 = 1.3f, x1 = 60.6f, y0 = 0.7f, y1 = 50.2f;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> jitter(-1.3f, 1.3f);
    std::vector<std::vector<Vertex>> grid(n + 1, std::vector<Vertex>(n + 1));
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            float x = x0 + (x1 - x0) * static_cast<float>(i) / n;
            float y = y0 + (y1 - y0) * static_cast<float>(j) / n;
            if (i > 0 && i < n) x += jitter(rng);
            if (j > 0 && j < n) y += jitter(rng);
            grid[j][i] = vtx(x, y, kUnit);
        }
    }
    std::vector<Vertex> tris;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const Vertex &a = grid[j][i], &b = grid[j][i + 1], &cc = grid[j + 1][i + 1],
                         &d = grid[j + 1][i];
            // Alternate the diagonal and the winding.
            if ((i + j) & 1) {
                tris.insert(tris.end(), {a, b, cc, a, cc, d});
            } else {
                tris.insert(tris.end(), {a, d, b, b, d, cc});
            }
        }
    }
    Canvas c(64, 64);
    c.clear(0);
    useAdditive(c);
    drawList(c.raster, tris);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            ASSERT_EQ(timesDrawn(c, x, y), inside ? 1 : 0) << x << "," << y;
        }
    }
}

TEST(RasterCoverage, FanAroundSubPixelCentreDrawsEachPixelOnce)
{
    // Many thin triangles meeting at one point: the worst case for cracks.
    std::vector<Vertex> fan;
    const float cx = 20.37f, cy = 19.81f;
    fan.push_back(vtx(cx, cy, kUnit));
    const int segments = 37;
    for (int i = 0; i <= segments; ++i) {
        const double a = 2.0 * M_PI * i / segments;
        fan.push_back(vtx(cx + 17.0f * static_cast<float>(std::cos(a)),
                          cy + 17.0f * static_cast<float>(std::sin(a)), kUnit));
    }
    Canvas c(40, 40);
    c.clear(0);
    useAdditive(c);
    drawList(c.raster, fan, D3DPT_TRIANGLEFAN);
    int drawn = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const int t = timesDrawn(c, x, y);
            ASSERT_LE(t, 1) << x << "," << y;
            drawn += t;
            // Well inside the polygon every pixel is drawn.
            if (std::hypot(x - cx, y - cy) < 16.0) {
                ASSERT_EQ(t, 1) << x << "," << y;
            }
        }
    }
    EXPECT_GT(drawn, 800);
}

TEST(RasterCoverage, SubPixelPrecisionMovesEdgeBetweenCentres)
{
    // A left edge at 3.0 covers column 3; at 3.01 (past the centre) it does not.
    for (float left : {2.99f, 3.0f, 3.01f}) {
        Canvas c(8, 4);
        c.clear(0);
        drawList(c.raster, quad(left, 0, 6, 4, 0xffffffff));
        EXPECT_EQ(c.pixel(3, 1) == 0xffffffff, left <= 3.0f) << left;
        EXPECT_EQ(c.pixel(2, 1), 0u);
        EXPECT_EQ(c.pixel(5, 1), 0xffffffffu);
        EXPECT_EQ(c.pixel(6, 1), 0u);
    }
}

TEST(RasterCoverage, ClipRectAndSurfaceBoundsLimitDrawing)
{
    Canvas c(10, 10);
    c.clear(0);
    c.state().setClipRect(RECT{2, 3, 7, 8});
    drawList(c.raster, quad(-100, -100, 100, 100, 0xffffffff));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 3 && y < 8;
            EXPECT_EQ(c.pixel(x, y) == 0xffffffff, inside) << x << "," << y;
        }
    }
    EXPECT_TRUE(c.paddingUntouched());
}

TEST(RasterCoverage, LongSpansAcrossWideTargetStayInRow)
{
    Canvas c(300, 3, PixelFormat::R5G6B5);
    c.clear(0);
    drawList(c.raster, quad(-0.5f, 0.5f, 299.5f, 1.5f, 0xffffffff));
    for (int x = 0; x < 300; ++x) {
        EXPECT_EQ(c.raw(x, 0), 0u);
        EXPECT_EQ(c.raw(x, 1), 0xffffu) << x;
        EXPECT_EQ(c.raw(x, 2), 0u);
    }
    EXPECT_TRUE(c.paddingUntouched());
}
