// The multi-thread back end of the Rasterizer: draws recorded after setup,
// binned by bands of rows, and rasterised later by a pool of workers, each
// band by one worker at a time, the band's primitives in recording order.
//
// Why bands of rows: the span loops already work row by row, and every pixel
// belongs to exactly one band, so a band replays the one-thread path on its
// rows and the picture is the same bit for bit; no two workers ever touch
// the same pixel or depth value.
//
// While the caller goes on recording, a batch of enough recorded work is
// handed to the pool's threads (kick()), so that recording and rasterising
// overlap; batches run one after the other, each band in recording order.
//
// Recorded data is self-contained (planes, edges, a copy of the compiled
// pipeline with its surface pointers), so the caller's vertices can go as
// soon as the draw returns. Surface memory must stay until run() (the
// platform calls finishPendingDraws() before it reads, changes or frees it).
#pragma once

#include "setup.h"
#include "worker_pool.h"

#include <memory>
#include <vector>

namespace platform::d3d::raster {

class DrawQueue {
public:
    explicit DrawQueue(int workers);
    ~DrawQueue();

    int workers() const { return pool_.workers(); }
    bool empty() const { return recording_->commands.empty() && running_ == nullptr; }
    // Enough is recorded that holding more costs more memory than it saves.
    bool full() const;
    // Hands what is recorded to the pool's threads when it is enough to be
    // worth it and they are free; recording goes on in the other batch.
    void kick();

    // `p` is the front end's current pipeline; a copy is kept when it differs
    // from the one the last primitive used.
    void triangle(const Pipeline& p, const Setup& s, const Edges& e);
    void line(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1, const Setup& s,
              bool lastPixel);
    void point(const Pipeline& p, const SetupVertex& v, const Setup& s);
    // `r` lies inside the surface already; target or depth may be null.
    void clear(const RenderTarget* target, const DepthBuffer* depth, const RECT& r, D3DCOLOR color,
               float z);

    // Rasterises everything recorded and empties the queue; returns the
    // number of pixels that entered the fragment stages.
    uint64_t run();

    // Whether recorded work draws into or samples memory in one of the ranges.
    bool uses(std::initializer_list<MemoryRange> ranges) const;

private:
    enum class Kind : uint8_t { Triangle, Line, Point, Clear };
    struct Command {
        Kind kind;
        uint32_t pipeline;
        uint32_t index;  // into the vector of its kind
    };
    // A triangle keeps the planes its pipeline uses only (at planes_[planes]),
    // which more than halves what small triangles write and read back.
    struct Triangle {
        float ox, oy;
        bool perspective;
        uint32_t constantColours;
        float constW;
        Plane z, q;
        uint32_t planes;
        Edges edges;
    };
    struct Attributes {
        int count;
        uint8_t index[kAttrCount];
    };
    struct Line {
        Setup setup;
        SetupVertex v0, v1;
        bool lastPixel;
    };
    struct Point {
        Setup setup;
        SetupVertex v;
    };
    struct Clear {
        RenderTarget target;
        DepthBuffer depth;
        RECT rect;
        D3DCOLOR color;
        float z;
        bool hasTarget, hasDepth;
    };
    struct Worker;
    // Recorded work, rasterised as a whole.
    struct Batch {
        std::vector<std::unique_ptr<Pipeline>> pipelines;  // first pipelineCount in use
        std::vector<Attributes> attributes;                // of each pipeline
        std::vector<Plane> planes;
        uint32_t pipelineCount = 0;
        std::vector<Command> commands;
        std::vector<Triangle> triangles;
        std::vector<Line> lines;
        std::vector<Point> points;
        std::vector<Clear> clears;
        std::vector<std::vector<uint32_t>> bins;  // command indices per band
        int bandsUsed = 0;

        size_t primitives() const;
        void reset();  // keeps the storage
        bool uses(const MemoryRange& r) const;
    };

    uint32_t snapshot(const Pipeline& p);
    void add(Kind kind, uint32_t pipeline, uint32_t index, int top, int bottom);
    void runBand(const Batch& b, int band, Worker& w);
    void finishRunning();

    WorkerPool pool_;
    std::vector<std::unique_ptr<Worker>> perWorker_;
    Batch batches_[2];
    Batch* recording_ = &batches_[0];
    Batch* running_ = nullptr;  // handed to the pool's threads, not yet waited for
};

}  // namespace platform::d3d::raster
