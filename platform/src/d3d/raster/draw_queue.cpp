#include "draw_queue.h"

#include "stages.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d::raster {
namespace {

constexpr int kBandRows = 16;
// About 48 MB of recorded primitives at most before a draw runs the queue.
constexpr size_t kMaxPrimitives = 96 * 1024;

bool sameTarget(const RenderTarget& a, const RenderTarget& b) {
    return a.pixels == b.pixels && a.pitch == b.pitch && a.width == b.width &&
           a.height == b.height && a.format == b.format;
}

bool sameDepth(const DepthBuffer& a, const DepthBuffer& b) {
    return a.data == b.data && a.pitch == b.pitch && a.width == b.width && a.height == b.height &&
           a.format == b.format;
}

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The part of `r` on the rows of one band.
RECT inBand(const RECT& r, int band) {
    RECT b = r;
    b.top = std::max<LONG>(r.top, band * kBandRows);
    b.bottom = std::min<LONG>(r.bottom, (band + 1) * kBandRows);
    return b;
}

int rowOf(float y) {
    return static_cast<int>(std::floor(y + 0.5f));
}

}  // namespace

struct DrawQueue::Worker {
    Fragments fragments;
    Setup setup;  // a recorded triangle's planes put back in place
    uint64_t pixels = 0;
};

DrawQueue::DrawQueue(int workers) : pool_(workers) {
    for (int w = 0; w < pool_.workers(); ++w)
        perWorker_.push_back(std::make_unique<Worker>());
}

DrawQueue::~DrawQueue() = default;

bool DrawQueue::full() const {
    return triangles_.size() + lines_.size() + points_.size() + clears_.size() >= kMaxPrimitives;
}

uint32_t DrawQueue::snapshot(const Pipeline& p) {
    if (pipelineCount_ > 0) {
        const Pipeline& last = *pipelines_[pipelineCount_ - 1];
        if (last.stateVersion == p.stateVersion && last.targetFormat == p.targetFormat &&
            last.depthFormat == p.depthFormat && sameTarget(last.target, p.target) &&
            sameDepth(last.depth, p.depth) && sameRect(last.bounds, p.bounds)) {
            return pipelineCount_ - 1;
        }
    }
    if (pipelineCount_ == pipelines_.size()) {
        pipelines_.push_back(std::make_unique<Pipeline>());
        attributes_.emplace_back();
    }
    *pipelines_[pipelineCount_] = p;
    Attributes& a = attributes_[pipelineCount_];
    a.count = attributesUsed(p, a.index);
    return pipelineCount_++;
}

// Bins the command into every band that rows top .. bottom - 1 touch.
void DrawQueue::add(Kind kind, uint32_t pipeline, uint32_t index, int top, int bottom) {
    if (top >= bottom)
        return;
    const auto command = static_cast<uint32_t>(commands_.size());
    commands_.push_back(Command{kind, pipeline, index});
    const int first = top / kBandRows, last = (bottom - 1) / kBandRows;
    if (static_cast<int>(bins_.size()) <= last)
        bins_.resize(static_cast<size_t>(last) + 1);
    for (int b = first; b <= last; ++b)
        bins_[static_cast<size_t>(b)].push_back(command);
    bandsUsed_ = std::max(bandsUsed_, last + 1);
}

void DrawQueue::triangle(const Pipeline& p, const Setup& s, const Edges& e) {
    const int top = std::max<int>(e.yMin, p.bounds.top);
    const int bottom = std::min<int>(e.yMax + 1, p.bounds.bottom);
    if (top >= bottom || e.xMin >= p.bounds.right || e.xMax < p.bounds.left)
        return;
    const uint32_t pipeline = snapshot(p);
    const Attributes& a = attributes_[pipeline];
    triangles_.push_back(Triangle{s.ox, s.oy, s.perspective, s.constantColours, s.constW, s.z, s.q,
                                  static_cast<uint32_t>(planes_.size()), e});
    for (int k = 0; k < a.count; ++k)
        planes_.push_back(s.attr[a.index[k]]);
    add(Kind::Triangle, pipeline, static_cast<uint32_t>(triangles_.size() - 1), top, bottom);
}

void DrawQueue::line(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1,
                     const Setup& s, bool lastPixel) {
    // Rows the walk can reach: the rounded ends, one row of slack each way.
    const int lo = std::min(rowOf(v0.y), rowOf(v1.y)) - 1;
    const int hi = std::max(rowOf(v0.y), rowOf(v1.y)) + 2;
    const uint32_t pipeline = snapshot(p);
    lines_.push_back(Line{s, v0, v1, lastPixel});
    add(Kind::Line, pipeline, static_cast<uint32_t>(lines_.size() - 1),
        std::max<int>(lo, p.bounds.top), std::min<int>(hi, p.bounds.bottom));
}

void DrawQueue::point(const Pipeline& p, const SetupVertex& v, const Setup& s) {
    if (!std::isfinite(v.y) || std::fabs(v.y) > kGuardBand)
        return;
    const int row = rowOf(v.y);
    if (row < p.bounds.top || row >= p.bounds.bottom)
        return;
    const uint32_t pipeline = snapshot(p);
    points_.push_back(Point{s, v});
    add(Kind::Point, pipeline, static_cast<uint32_t>(points_.size() - 1), row, row + 1);
}

void DrawQueue::clear(const RenderTarget* target, const DepthBuffer* depth, const RECT& r,
                      D3DCOLOR color, float z) {
    Clear c{};
    c.rect = r;
    c.color = color;
    c.z = z;
    c.hasTarget = target != nullptr;
    c.hasDepth = depth != nullptr;
    if (target != nullptr)
        c.target = *target;
    if (depth != nullptr)
        c.depth = *depth;
    clears_.push_back(c);
    add(Kind::Clear, 0, static_cast<uint32_t>(clears_.size() - 1), r.top, r.bottom);
}

void DrawQueue::runBand(int band, Worker& w) {
    RasterStats stats;
    Fragments& f = w.fragments;
    uint32_t current = UINT32_MAX;
    for (const uint32_t ci : bins_[static_cast<size_t>(band)]) {
        const Command& c = commands_[ci];
        if (c.kind == Kind::Clear) {
            const Clear& k = clears_[c.index];
            const RECT r = inBand(k.rect, band);
            if (k.hasTarget)
                fillColor(k.target, r, k.color);
            if (k.hasDepth)
                fillDepth(k.depth, r, k.z);
            continue;
        }
        const Pipeline& p = *pipelines_[c.pipeline];
        if (c.pipeline != current) {
            setFactor(p, f);
            current = c.pipeline;
        }
        const RECT bounds = inBand(p.bounds, band);
        switch (c.kind) {
            case Kind::Triangle: {
                const Triangle& t = triangles_[c.index];
                Setup& s = w.setup;
                s.ox = t.ox;
                s.oy = t.oy;
                s.perspective = t.perspective;
                s.constantColours = t.constantColours;
                s.constW = t.constW;
                s.z = t.z;
                s.q = t.q;
                const Attributes& a = attributes_[c.pipeline];
                for (int k = 0; k < a.count; ++k)
                    s.attr[a.index[k]] = planes_[t.planes + k];
                rasterTriangle(p, s, t.edges, bounds, f, stats);
                break;
            }
            case Kind::Line: {
                const Line& l = lines_[c.index];
                rasterLine(p, l.v0, l.v1, l.setup, l.lastPixel, bounds, f, stats);
                break;
            }
            case Kind::Point: {
                const Point& pt = points_[c.index];
                rasterPoint(p, pt.v, pt.setup, bounds, f, stats);
                break;
            }
            case Kind::Clear:
                break;
        }
    }
    w.pixels += stats.pixelsShaded;
}

uint64_t DrawQueue::run() {
    if (commands_.empty())
        return 0;
    pool_.run(bandsUsed_, [this](int band, int worker) { runBand(band, *perWorker_[worker]); });
    uint64_t pixels = 0;
    for (auto& w : perWorker_) {
        pixels += w->pixels;
        w->pixels = 0;
    }
    for (int b = 0; b < bandsUsed_; ++b)
        bins_[static_cast<size_t>(b)].clear();
    bandsUsed_ = 0;
    commands_.clear();
    triangles_.clear();
    planes_.clear();
    lines_.clear();
    points_.clear();
    clears_.clear();
    pipelineCount_ = 0;
    return pixels;
}

}  // namespace platform::d3d::raster
