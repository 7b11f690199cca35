// Which pixels a triangle covers: top-left rule at integer pixel centres,
// shared edges drawn exactly once, sub-pixel positions, clipping.
#include "raster_test_util.h"

#include <cmath>
#include <functional>
#include <random>

using namespace rt;

namespace {

constexpr D3DCOLOR kUnit = 0x10101010;

// Draws with additive blending of a small colour, so that every pixel shows
// how many times it was drawn, and compares that with `expected(x, y)` (-1:
// once or not at all).
void expectDrawnTimes(DWORD w, DWORD h, const std::vector<Vertex>& v, D3DPRIMITIVETYPE type,
                      const std::function<int(int, int)>& expected, RECT clip = {}) {
    Canvas c(w, h);
    if (clip.right > 0)
        c.state().setClipRect(clip);
    c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    c.rs(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    c.rs(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    drawList(c.raster, v, type);
    for (DWORD y = 0; y < h; ++y) {
        for (DWORD x = 0; x < w; ++x) {
            const int times = red(c.pixel(x, y)) / 0x10, want = expected(x, y);
            ASSERT_TRUE(times == want || (want < 0 && times <= 1))
                << x << "," << y << ": " << times;
        }
    }
    EXPECT_TRUE(c.paddingUntouched());
}

}  // namespace

TEST(RasterCoverage, TopLeftRuleAtPixelCentresAndSubPixelPositions) {
    // Edges through pixel centres: top (y = 0) and left (x = 0) are inside,
    // the hypotenuse x + y = 4 is a right/bottom edge and is outside.
    expectDrawnTimes(8, 8, {vtx(0, 0, kUnit), vtx(4, 0, kUnit), vtx(0, 4, kUnit)},
                     D3DPT_TRIANGLELIST, [](int x, int y) { return x + y < 4; });
    // The same triangle mirrored: its right edge x = 4 and its hypotenuse,
    // now a left edge, swap roles.
    expectDrawnTimes(8, 8, {vtx(4, 0, kUnit), vtx(4, 4, kUnit), vtx(0, 4, kUnit)},
                     D3DPT_TRIANGLELIST, [](int x, int y) { return x < 4 && y < 4 && x + y >= 4; });
    // Pixel centres are integers: [2.5, 9.5) x [1.25, 7.75] holds x 3..9, y 2..7.
    expectDrawnTimes(16, 16, quad(2.5f, 1.25f, 9.5f, 7.75f, kUnit), D3DPT_TRIANGLELIST,
                     [](int x, int y) { return x >= 3 && x <= 9 && y >= 2 && y <= 7; });
    // A left edge at 3.0 covers column 3; at 3.01 (past the centre) it does not.
    for (float left : {2.99f, 3.0f, 3.01f}) {
        expectDrawnTimes(8, 4, quad(left, 0, 6, 4, kUnit), D3DPT_TRIANGLELIST,
                         [&](int x, int) { return x >= 3 && x < 6 && (x > 3 || left <= 3.0f); });
    }
}

TEST(RasterCoverage, JitteredMeshHasNoGapsOrOverlaps) {
    // A grid of triangles with randomly displaced inner vertices; the outer
    // border is the rectangle [1.3, 60.6) x [0.7, 50.2).
    const int n = 9;
    const float x0 = 1.3f, x1 = 60.6f, y0 = 0.7f, y1 = 50.2f;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> jitter(-1.3f, 1.3f);
        std::vector<std::vector<Vertex>> grid(n + 1, std::vector<Vertex>(n + 1));
        for (int j = 0; j <= n; ++j) {
            for (int i = 0; i <= n; ++i) {
                const float dx = i > 0 && i < n ? jitter(rng) : 0.0f;
                const float dy = j > 0 && j < n ? jitter(rng) : 0.0f;
                grid[j][i] = vtx(x0 + (x1 - x0) * i / n + dx, y0 + (y1 - y0) * j / n + dy, kUnit);
            }
        }
        std::vector<Vertex> tris;
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const Vertex &a = grid[j][i], &b = grid[j][i + 1], &c = grid[j + 1][i + 1],
                             &d = grid[j + 1][i];
                // Alternate the diagonal and the winding.
                if ((i + j) & 1)
                    tris.insert(tris.end(), {a, b, c, a, c, d});
                else
                    tris.insert(tris.end(), {a, d, b, b, d, c});
            }
        }
        expectDrawnTimes(64, 64, tris, D3DPT_TRIANGLELIST,
                         [&](int x, int y) { return x >= x0 && x < x1 && y >= y0 && y < y1; });
        if (HasFatalFailure())
            return;
    }
}

TEST(RasterCoverage, RandomTrianglesCoverTheCentresInsideTheirEdges) {
    // Vertices on the 1/256 grid, so the edge functions below are exact:
    // a centre strictly inside all three edges is drawn once, one strictly
    // outside any is not, and one on an edge is left to the top-left rule.
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> coordinate(-4 * 256, 36 * 256);
    std::uniform_int_distribution<int> nudge(-3 * 256, 3 * 256);
    for (int t = 0; t < 2000; ++t) {
        int64_t vx[3], vy[3];
        for (int k = 0; k < 3; ++k) {
            // Two in three triangles thin, with steep or shallow edges.
            vx[k] = k > 0 && t % 3 == 1 ? vx[0] + nudge(rng) : coordinate(rng);
            vy[k] = k > 0 && t % 3 == 2 ? vy[0] + nudge(rng) : coordinate(rng);
        }
        // One in four within 1/256 of whole pixels: centres then lie just
        // inside or outside edges, which rows stepping their edges must get
        // exactly.
        for (int k = 0; k < 3 && t % 4 == 3; ++k) {
            vx[k] = vx[k] / 256 * 256 + (t + k) % 3 - 1;
            vy[k] = vy[k] / 256 * 256 + (t / 4 + 2 * k) % 3 - 1;
        }
        const auto edge = [&](int k, int64_t X, int64_t Y) {
            const int j = (k + 1) % 3;
            return (vx[j] - vx[k]) * (Y - vy[k]) - (vy[j] - vy[k]) * (X - vx[k]);
        };
        const int64_t area = edge(0, vx[2], vy[2]);
        std::vector<Vertex> v;
        for (int k = 0; k < 3; ++k)
            v.push_back(vtx(float(vx[k]) / 256.0f, float(vy[k]) / 256.0f, kUnit));
        SCOPED_TRACE(t);
        expectDrawnTimes(32, 32, v, D3DPT_TRIANGLELIST, [&](int x, int y) {
            int inside = 0, outside = 0;
            for (int k = 0; k < 3; ++k) {
                const int64_t e = edge(k, int64_t(x) * 256, int64_t(y) * 256);
                inside += area != 0 && (e > 0) == (area > 0) && e != 0;
                outside += e != 0 && (area == 0 || (e > 0) != (area > 0));
            }
            return inside == 3 ? 1 : (outside > 0 ? 0 : -1);
        });
        if (HasFatalFailure())
            return;
    }
}

TEST(RasterCoverage, ClipRectAndSurfaceBoundsLimitDrawing) {
    expectDrawnTimes(
        10, 10, quad(-100, -100, 100, 100, kUnit), D3DPT_TRIANGLELIST,
        [](int x, int y) { return x >= 2 && x < 7 && y >= 3 && y < 8; }, RECT{2, 3, 7, 8});
}

TEST(RasterCoverage, LongSpansAcrossWideTargetStayInRow) {
    Canvas c(300, 3, PixelFormat::R5G6B5);
    drawList(c.raster, quad(-0.5f, 0.5f, 299.5f, 1.5f, 0xffffffff));
    for (int x = 0; x < 300; ++x) {
        EXPECT_EQ(c.raw(x, 0), 0u);
        EXPECT_EQ(c.raw(x, 1), 0xffffu) << x;
        EXPECT_EQ(c.raw(x, 2), 0u);
    }
    EXPECT_TRUE(c.paddingUntouched());
}
