// The multi-thread back end of the Rasterizer: draws recorded after setup,
// binned by bands of rows, and rasterised later by a pool of workers, each
// band by one worker at a time, the band's primitives in recording order.
//
// Why bands of rows: the span loops already work row by row, and every pixel
// belongs to exactly one band, so a band replays the one-thread path on its
// rows and the picture is the same bit for bit; no two workers ever touch
// the same pixel or depth value.
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
    bool empty() const { return commands_.empty(); }
    // Enough is recorded that holding more costs more memory than it saves.
    bool full() const;

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

    uint32_t snapshot(const Pipeline& p);
    void add(Kind kind, uint32_t pipeline, uint32_t index, int top, int bottom);
    void runBand(int band, Worker& w);

    WorkerPool pool_;
    std::vector<std::unique_ptr<Worker>> perWorker_;
    std::vector<std::unique_ptr<Pipeline>> pipelines_;  // first pipelineCount_ in use
    std::vector<Attributes> attributes_;                // of each pipeline
    std::vector<Plane> planes_;
    uint32_t pipelineCount_ = 0;
    std::vector<Command> commands_;
    std::vector<Triangle> triangles_;
    std::vector<Line> lines_;
    std::vector<Point> points_;
    std::vector<Clear> clears_;
    std::vector<std::vector<uint32_t>> bins_;  // command indices per band
    int bandsUsed_ = 0;
};

}  // namespace platform::d3d::raster
