#include "draw_queue.h"

#include "stages.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d::raster {
namespace {

constexpr int kBandRows = 16;
// About 48 MB of recorded primitives at most before a draw runs the queue.
constexpr size_t kMaxPrimitives = 96 * 1024;
// Small batches handed over early keep the pool busy while the caller
// records; 32 measured best in the demo scene (8 to 2048 tried).
constexpr size_t kKickCommands = 32;
// Within one draw, every so many commands (64 measured best for small
// triangles, 32 to 2048 tried): often enough to keep the pool fed, seldom
// enough that waking it costs little.
constexpr size_t kKickCommandsInDraw = 64;

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

bool overlaps(const MemoryRange& r, const BYTE* begin, LONG pitch, DWORD rows) {
    if (begin == nullptr || r.begin == nullptr)
        return false;
    const size_t bytes = static_cast<size_t>(pitch < 0 ? -pitch : pitch) * rows;
    return begin < r.begin + r.bytes && r.begin < begin + bytes;
}

bool targetUses(const MemoryRange& r, const RenderTarget& t) {
    return overlaps(r, t.pixels, t.pitch, t.height);
}

bool depthUses(const MemoryRange& r, const DepthBuffer& d) {
    return overlaps(r, d.data, d.pitch, d.height);
}

bool pipelineUses(const MemoryRange& r, const Pipeline& p) {
    if (targetUses(r, p.target) || depthUses(r, p.depth))
        return true;
    for (const TextureUnit& u : p.units) {
        const Sampler& s = u.sampler;
        for (int l = 0; l < s.levelCount; ++l) {
            if (overlaps(r, s.levels[l].pixels, s.levels[l].pitch,
                         static_cast<DWORD>(s.levels[l].height)))
                return true;
        }
    }
    return false;
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

DrawQueue::~DrawQueue() {
    // The pool's threads may still read a batch that goes with the queue.
    if (running_ != nullptr)
        pool_.wait();
}

size_t DrawQueue::Batch::primitives() const {
    return triangles.size() + lines.size() + points.size() + clears.size();
}

void DrawQueue::Batch::reset() {
    for (int b = 0; b < bandsUsed; ++b)
        bins[static_cast<size_t>(b)].clear();
    bandsUsed = 0;
    commands.clear();
    triangles.clear();
    planes.clear();
    lines.clear();
    points.clear();
    clears.clear();
    pipelineCount = 0;
}

bool DrawQueue::Batch::uses(const MemoryRange& r) const {
    for (uint32_t i = 0; i < pipelineCount; ++i) {
        if (pipelineUses(r, *pipelines[i]))
            return true;
    }
    for (const Clear& c : clears) {
        if ((c.hasTarget && targetUses(r, c.target)) || (c.hasDepth && depthUses(r, c.depth)))
            return true;
    }
    return false;
}

bool DrawQueue::uses(std::initializer_list<MemoryRange> ranges) const {
    for (const MemoryRange& r : ranges) {
        if (recording_->uses(r) || (running_ != nullptr && running_->uses(r)))
            return true;
    }
    return false;
}

bool DrawQueue::full() const {
    return recording_->primitives() >= kMaxPrimitives;
}

uint32_t DrawQueue::snapshot(const Pipeline& p) {
    Batch& b = *recording_;
    if (b.pipelineCount > 0) {
        const Pipeline& last = *b.pipelines[b.pipelineCount - 1];
        if (last.stateVersion == p.stateVersion && last.targetFormat == p.targetFormat &&
            last.depthFormat == p.depthFormat && sameTarget(last.target, p.target) &&
            sameDepth(last.depth, p.depth) && sameRect(last.bounds, p.bounds)) {
            return b.pipelineCount - 1;
        }
    }
    if (b.pipelineCount == b.pipelines.size()) {
        b.pipelines.push_back(std::make_unique<Pipeline>());
        b.attributes.emplace_back();
    }
    *b.pipelines[b.pipelineCount] = p;
    Attributes& a = b.attributes[b.pipelineCount];
    a.count = attributesUsed(p, a.index);
    return b.pipelineCount++;
}

// Bins the command into every band that rows top .. bottom - 1 touch.
void DrawQueue::add(Kind kind, uint32_t pipeline, uint32_t index, int top, int bottom) {
    if (top >= bottom)
        return;
    Batch& batch = *recording_;
    const auto command = static_cast<uint32_t>(batch.commands.size());
    batch.commands.push_back(Command{kind, pipeline, index});
    const int first = top / kBandRows, last = (bottom - 1) / kBandRows;
    if (static_cast<int>(batch.bins.size()) <= last)
        batch.bins.resize(static_cast<size_t>(last) + 1);
    for (int b = first; b <= last; ++b)
        batch.bins[static_cast<size_t>(b)].push_back(command);
    batch.bandsUsed = std::max(batch.bandsUsed, last + 1);
    // A long draw hands work over as it goes, not only when it returns, so
    // the pool does not wait for the caller's set-up of the whole draw.
    if (batch.commands.size() % kKickCommandsInDraw == 0)
        kick();
}

void DrawQueue::triangle(const Pipeline& p, const Setup& s, const Edges& e) {
    const int top = std::max<int>(e.yMin, p.bounds.top);
    const int bottom = std::min<int>(e.yMax + 1, p.bounds.bottom);
    if (top >= bottom || e.xMin >= p.bounds.right || e.xMax < p.bounds.left)
        return;
    const uint32_t pipeline = snapshot(p);
    Batch& b = *recording_;
    const Attributes& a = b.attributes[pipeline];
    b.triangles.push_back(Triangle{s.ox, s.oy, s.perspective, s.constantColours, s.constW, s.z,
                                   s.q, static_cast<uint32_t>(b.planes.size()), e});
    for (int k = 0; k < a.count; ++k)
        b.planes.push_back(s.attr[a.index[k]]);
    add(Kind::Triangle, pipeline, static_cast<uint32_t>(b.triangles.size() - 1), top, bottom);
}

void DrawQueue::line(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1,
                     const Setup& s, bool lastPixel) {
    // Rows the walk can reach: the rounded ends, one row of slack each way.
    const int lo = std::min(rowOf(v0.y), rowOf(v1.y)) - 1;
    const int hi = std::max(rowOf(v0.y), rowOf(v1.y)) + 2;
    const uint32_t pipeline = snapshot(p);
    recording_->lines.push_back(Line{s, v0, v1, lastPixel});
    add(Kind::Line, pipeline, static_cast<uint32_t>(recording_->lines.size() - 1),
        std::max<int>(lo, p.bounds.top), std::min<int>(hi, p.bounds.bottom));
}

void DrawQueue::point(const Pipeline& p, const SetupVertex& v, const Setup& s) {
    if (!std::isfinite(v.y) || std::fabs(v.y) > kGuardBand)
        return;
    const int row = rowOf(v.y);
    if (row < p.bounds.top || row >= p.bounds.bottom)
        return;
    const uint32_t pipeline = snapshot(p);
    recording_->points.push_back(Point{s, v});
    add(Kind::Point, pipeline, static_cast<uint32_t>(recording_->points.size() - 1), row, row + 1);
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
    recording_->clears.push_back(c);
    add(Kind::Clear, 0, static_cast<uint32_t>(recording_->clears.size() - 1), r.top, r.bottom);
}

void DrawQueue::runBand(const Batch& b, int band, Worker& w) {
    RasterStats stats;
    Fragments& f = w.fragments;
    uint32_t current = UINT32_MAX;
    for (const uint32_t ci : b.bins[static_cast<size_t>(band)]) {
        const Command& c = b.commands[ci];
        if (c.kind == Kind::Clear) {
            const Clear& k = b.clears[c.index];
            const RECT r = inBand(k.rect, band);
            if (k.hasTarget)
                fillColor(k.target, r, k.color);
            if (k.hasDepth)
                fillDepth(k.depth, r, k.z);
            continue;
        }
        const Pipeline& p = *b.pipelines[c.pipeline];
        if (c.pipeline != current) {
            setFactor(p, f);
            current = c.pipeline;
        }
        const RECT bounds = inBand(p.bounds, band);
        switch (c.kind) {
            case Kind::Triangle: {
                const Triangle& t = b.triangles[c.index];
                Setup& s = w.setup;
                s.ox = t.ox;
                s.oy = t.oy;
                s.perspective = t.perspective;
                s.constantColours = t.constantColours;
                s.constW = t.constW;
                s.z = t.z;
                s.q = t.q;
                const Attributes& a = b.attributes[c.pipeline];
                for (int k = 0; k < a.count; ++k)
                    s.attr[a.index[k]] = b.planes[t.planes + k];
                rasterTriangle(p, s, t.edges, bounds, f, stats);
                break;
            }
            case Kind::Line: {
                const Line& l = b.lines[c.index];
                rasterLine(p, l.v0, l.v1, l.setup, l.lastPixel, bounds, f, stats);
                break;
            }
            case Kind::Point: {
                const Point& pt = b.points[c.index];
                rasterPoint(p, pt.v, pt.setup, bounds, f, stats);
                break;
            }
            case Kind::Clear:
                break;
        }
    }
    w.pixels += stats.pixelsShaded;
}

void DrawQueue::finishRunning() {
    pool_.wait();
    running_->reset();
    running_ = nullptr;
}

void DrawQueue::kick() {
    if (recording_->commands.size() < kKickCommands)
        return;
    if (running_ != nullptr) {
        if (!pool_.done())
            return;  // the threads are busy: go on filling this batch
        finishRunning();
    }
    running_ = recording_;
    recording_ = recording_ == &batches_[0] ? &batches_[1] : &batches_[0];
    const Batch* batch = running_;
    pool_.start(batch->bandsUsed,
                [this, batch](int band, int worker) { runBand(*batch, band, *perWorker_[worker]); });
}

uint64_t DrawQueue::run() {
    if (running_ != nullptr) {
        // The caller draws the running batch's bands still waiting rather
        // than idle until the pool's threads are through them.
        pool_.join();
        running_->reset();
        running_ = nullptr;
    }
    Batch& b = *recording_;
    if (!b.commands.empty())
        pool_.run(b.bandsUsed,
                  [this, &b](int band, int worker) { runBand(b, band, *perWorker_[worker]); });
    uint64_t pixels = 0;
    for (auto& w : perWorker_) {
        pixels += w->pixels;
        w->pixels = 0;
    }
    b.reset();
    return pixels;
}

}  // namespace platform::d3d::raster
