// Rasterisation: turns primitives into spans of covered pixels within the
// clip bounds and runs the pipeline's stages over each span.
//
// Triangles: every row between the top and bottom vertex is intersected with
// the three edge half-planes exactly (integer division of the edge equation),
// giving the first and last covered pixel of the row.
// Lines: one pixel per step of the major axis from round(start) towards
// round(end); the end pixel is drawn when D3DRENDERSTATE_LASTPIXEL is TRUE.
// Points: the pixel whose centre is nearest.
#include "setup.h"
#include "stages.h"

#include <cmath>
#include <cstring>

namespace platform::d3d::raster {
namespace {

int64_t floorDiv(int64_t a, int64_t d) {
    return a >= 0 ? a / d : -((-a + d - 1) / d);
}

inline int64_t ceilDiv(int64_t a, int64_t d) {
    return -floorDiv(-a, d);
}

// Runs the stages on pixels x .. x + n - 1 of row y (n <= kSpan).
inline void shadeSpan(const Pipeline& p, const Setup& s, Fragments& f, int x, int y, int n) {
    f.x = x;
    f.y = y;
    f.n = n;
    // Sixteen flags a step, up to the vector that holds pixel n - 1: a loop
    // to n went a byte at a time, and memset is a call.
    constexpr uint64_t kEightLive = 0x0101010101010101u;
    for (int i = 0; i < n; i += 16) {
        std::memcpy(f.live + i, &kEightLive, sizeof kEightLive);
        std::memcpy(f.live + i + 8, &kEightLive, sizeof kEightLive);
    }
    const InterpolateFn fill = p.interpolateFn ? p.interpolateFn : interpolate;
    int first = 0;
    if (p.depthFirst) {
        // Hidden spans (occluded geometry, the effects' copies behind the
        // scene) stop before their colours and coordinates are filled.
        fill(p, s, f, Planes::Depth);
        if (!p.steps[0].fn(p, p.steps[0].unit, f))
            return;
        fill(p, s, f, Planes::Rest);
        first = 1;
    } else {
        fill(p, s, f, Planes::All);
    }
    for (int i = first; i < p.stepCount; ++i) {
        const Step& st = p.steps[i];
        if (!st.fn(p, st.unit, f))
            return;
    }
}

void shadeRun(const Pipeline& p, const Setup& s, Fragments& f, int x0, int x1, int y,
              RasterStats& stats) {
    stats.pixelsShaded += static_cast<uint64_t>(x1 - x0 + 1);
    for (int x = x0; x <= x1; x += kSpan) {
        const int n = x1 - x + 1 < kSpan ? x1 - x + 1 : kSpan;
        shadeSpan(p, s, f, x, y, n);
    }
}

inline bool inBounds(const RECT& b, int x, int y) {
    return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

inline int roundToPixel(float v) {
    return static_cast<int>(std::floor(v + 0.5f));
}

}  // namespace

void rasterTriangle(const Pipeline& p, const Setup& s, const Edges& e, const RECT& bounds,
                    Fragments& f, RasterStats& stats) {
    f.filled = 0;
    const int yBegin = e.yMin > bounds.top ? e.yMin : static_cast<int>(bounds.top);
    const int yEnd = e.yMax < bounds.bottom - 1 ? e.yMax : static_cast<int>(bounds.bottom - 1);
    const int xLeft = e.xMin > bounds.left ? e.xMin : static_cast<int>(bounds.left);
    const int xRight = e.xMax < bounds.right - 1 ? e.xMax : static_cast<int>(bounds.right - 1);
    if (xLeft > xRight)
        return;
    // Covered: A X + K >= 0 at X = x * kSubPixel, K stepped row by row.
    int64_t K[3], stepK[3];
    for (int k = 0; k < 3; ++k) {
        K[k] = e.b[k] * (static_cast<int64_t>(yBegin) * kSubPixel) + e.c[k] - (e.topLeft[k] ? 0 : 1);
        stepK[k] = e.b[k] * kSubPixel;
    }
    for (int y = yBegin; y <= yEnd; ++y, K[0] += stepK[0], K[1] += stepK[1], K[2] += stepK[2]) {
        int64_t lo = xLeft, hi = xRight;
        bool empty = false;
        for (int k = 0; k < 3 && !empty; ++k) {
            const int64_t A = e.a[k];
            if (A > 0) {
                const int64_t first = ceilDiv(-K[k], A * kSubPixel);
                lo = first > lo ? first : lo;
            } else if (A < 0) {
                const int64_t last = floorDiv(K[k], -A * kSubPixel);
                hi = last < hi ? last : hi;
            } else if (K[k] < 0) {
                empty = true;
            }
        }
        if (empty || lo > hi)
            continue;
        shadeRun(p, s, f, static_cast<int>(lo), static_cast<int>(hi), y, stats);
    }
}

void rasterLine(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1, const Setup& s,
                bool lastPixel, const RECT& bounds, Fragments& f, RasterStats& stats) {
    f.filled = 0;
    const float dx = v1.x - v0.x, dy = v1.y - v0.y;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const int start = roundToPixel(xMajor ? v0.x : v0.y);
    const int end = roundToPixel(xMajor ? v1.x : v1.y);
    const int step = end >= start ? 1 : -1;
    const int count = (end - start) * step + (lastPixel ? 1 : 0);
    const float slope = xMajor ? (dx != 0.0f ? dy / dx : 0.0f) : (dy != 0.0f ? dx / dy : 0.0f);
    for (int k = 0; k < count; ++k) {
        const int major = start + k * step;
        const float minorF = xMajor ? v0.y + (static_cast<float>(major) - v0.x) * slope
                                    : v0.x + (static_cast<float>(major) - v0.y) * slope;
        const int minor = roundToPixel(minorF);
        const int x = xMajor ? major : minor;
        const int y = xMajor ? minor : major;
        if (!inBounds(bounds, x, y))
            continue;
        ++stats.pixelsShaded;
        shadeSpan(p, s, f, x, y, 1);
    }
}

void rasterPoint(const Pipeline& p, const SetupVertex& v, const Setup& s, const RECT& bounds,
                 Fragments& f, RasterStats& stats) {
    f.filled = 0;
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || std::fabs(v.x) > kGuardBand ||
        std::fabs(v.y) > kGuardBand) {
        return;
    }
    const int x = roundToPixel(v.x), y = roundToPixel(v.y);
    if (!inBounds(bounds, x, y))
        return;
    ++stats.pixelsShaded;
    shadeSpan(p, s, f, x, y, 1);
}

}  // namespace platform::d3d::raster
