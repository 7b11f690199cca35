// The Rasterizer front end: surfaces, pipeline caching, primitive assembly
// (lists, strips, fans; culling and fill mode) and clears, rasterised at once
// or recorded into the draw queue.
#include "draw_queue.h"
#include "pixel_format.h"
#include "setup.h"
#include "stages.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace platform::d3d::raster {
namespace {

bool pitchOk(LONG pitch, DWORD width, DWORD bytes) {
    return static_cast<uint64_t>(std::llabs(pitch)) >= static_cast<uint64_t>(width) * bytes;
}

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

RECT surfaceRect(DWORD width, DWORD height) {
    return RECT{0, 0, static_cast<LONG>(std::min<DWORD>(width, 0x7fffffff)),
                static_cast<LONG>(std::min<DWORD>(height, 0x7fffffff))};
}

constexpr int kMaxThreads = 64;

int cores() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min<unsigned>(n, kMaxThreads));
}

// Every Rasterizer, so that finishPendingDraws() reaches the recorded work.
struct Registry {
    std::mutex mutex;
    std::vector<Rasterizer*> all;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::atomic<int> threadsOverride{0};

}  // namespace

int defaultRasterThreads() {
    if (const int forced = threadsOverride.load(); forced > 0)
        return std::min(forced, kMaxThreads);
    const char* value = std::getenv("D3DDRIVER_RASTER_THREADS");
    if (value == nullptr || *value == '\0')
        return cores();
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    if (*end != '\0' || n < 1 || n > kMaxThreads) {
        static std::once_flag reported;
        std::call_once(reported, [value] {
            std::fprintf(stderr,
                         "D3DDRIVER_RASTER_THREADS=%s is not a number from 1 to %d; using %d "
                         "(the number of cores)\n",
                         value, kMaxThreads, cores());
        });
        return cores();
    }
    return static_cast<int>(n);
}

void setDefaultRasterThreads(int threads) {
    threadsOverride.store(threads > 0 ? threads : 0);
}

void finishPendingDraws() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (Rasterizer* raster : r.all)
        raster->finish();
}

void finishPendingDrawsUsing(std::initializer_list<MemoryRange> ranges) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (Rasterizer* raster : r.all)
        raster->finishIfUsing(ranges);
}

Rasterizer::Rasterizer(int threads)
    : pipeline_(std::make_unique<Pipeline>()), fragments_(std::make_unique<Fragments>()) {
    *fragments_ = Fragments{};
    setThreadCount(threads > 0 ? threads : defaultRasterThreads());
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.all.push_back(this);
}

Rasterizer::~Rasterizer() {
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.all.erase(std::find(r.all.begin(), r.all.end(), this));
    }
    finish();
}

void Rasterizer::setThreadCount(int threads) {
    std::lock_guard<std::mutex> lock(mutex_);
    finishLocked();
    threads_ = std::clamp(threads, 1, kMaxThreads);
    if (threads_ == 1) {
        queue_.reset();
    } else if (!queue_ || queue_->workers() != threads_) {
        queue_ = std::make_unique<DrawQueue>(threads_);
    }
}

void Rasterizer::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finishLocked();
}

void Rasterizer::finishIfUsing(std::initializer_list<MemoryRange> ranges) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_ && !queue_->empty() && queue_->uses(ranges))
        finishLocked();
}

void Rasterizer::finishLocked() {
    if (queue_ && !queue_->empty())
        stats_.pixelsShaded += queue_->run();
}

bool Rasterizer::setRenderTarget(const RenderTarget& target) {
    const DWORD bpp = bytesPerPixel(target.format);
    hasTarget_ = target.pixels != nullptr && bpp != 0 && target.width > 0 && target.height > 0 &&
                 pitchOk(target.pitch, target.width, bpp);
    target_ = hasTarget_ ? target : RenderTarget{};
    return hasTarget_;
}

bool Rasterizer::setDepthBuffer(const DepthBuffer* depth) {
    hasDepth_ = false;
    depth_ = DepthBuffer{};
    if (depth == nullptr)
        return true;
    const DWORD bytes = bytesPerDepth(depth->format);
    if (depth->data == nullptr || bytes == 0 || depth->width == 0 || depth->height == 0 ||
        !pitchOk(depth->pitch, depth->width, bytes)) {
        return false;
    }
    depth_ = *depth;
    hasDepth_ = true;
    return true;
}

const Pipeline& Rasterizer::pipeline() {
    Pipeline& p = *pipeline_;
    const DepthFormat depthFormat = hasDepth_ ? depth_.format : DepthFormat::None;
    if (p.stateVersion != state_.version() || p.targetFormat != target_.format ||
        p.depthFormat != depthFormat) {
        compilePipeline(state_, target_.format, depthFormat, p);
        setFactor(p, *fragments_);
    }
    p.target = target_;
    p.depth = depth_;
    p.bounds = intersect(state_.clipRect(), surfaceRect(target_.width, target_.height));
    if (hasDepth_)
        p.bounds = intersect(p.bounds, surfaceRect(depth_.width, depth_.height));
    return p;
}

template <class IndexFn>
void Rasterizer::assemble(D3DPRIMITIVETYPE type, const VertexSource& src, DWORD count,
                          IndexFn index) {
    const Pipeline& p = pipeline();
    Fragments& f = *fragments_;
    Setup setup;
    SetupVertex v[3];
    Edges edges;

    DrawQueue* const queue = queue_.get();
    auto emitLine = [&](const SetupVertex& a, const SetupVertex& b, bool lastPixel) {
        if (queue != nullptr) {
            queue->line(p, a, b, setup, lastPixel);
        } else {
            rasterLine(p, a, b, setup, lastPixel, p.bounds, f, stats_);
        }
    };
    auto line = [&](const SetupVertex& a, const SetupVertex& b, bool lastPixel) {
        if (setupLine(p, a, b, a, setup))
            emitLine(a, b, lastPixel);
    };
    auto point = [&](const SetupVertex& a) {
        setupPoint(p, a, setup);
        if (queue != nullptr) {
            queue->point(p, a, setup);
        } else {
            rasterPoint(p, a, setup, p.bounds, f, stats_);
        }
    };
    // Triangle (i0, i1, i2) in drawing order; flat colour from vertex `flat`.
    auto triangle = [&](DWORD i0, DWORD i1, DWORD i2, DWORD flat) {
        fetchVertex(p, src, index(i0), v[0]);
        fetchVertex(p, src, index(i1), v[1]);
        fetchVertex(p, src, index(i2), v[2]);
        const SetupVertex& provoking = flat == i0 ? v[0] : (flat == i1 ? v[1] : v[2]);
        const SetupResult r = setupTriangle(p, v[0], v[1], v[2], provoking, setup, edges);
        if (r == SetupResult::Culled)
            ++stats_.trianglesCulled;
        if (r != SetupResult::Draw)
            return;
        ++stats_.trianglesDrawn;
        if (p.fillMode == D3DFILL_WIREFRAME) {
            for (int k = 0; k < 3; ++k) {
                if (setupLine(p, v[k], v[(k + 1) % 3], provoking, setup))
                    emitLine(v[k], v[(k + 1) % 3], false);
            }
        } else if (p.fillMode == D3DFILL_POINT) {
            for (int k = 0; k < 3; ++k)
                point(v[k]);
        } else if (queue != nullptr) {
            queue->triangle(p, setup, edges);
        } else {
            rasterTriangle(p, setup, edges, p.bounds, f, stats_);
        }
    };

    switch (type) {
        case D3DPT_POINTLIST:
            for (DWORD i = 0; i < count; ++i) {
                fetchVertex(p, src, index(i), v[0]);
                point(v[0]);
            }
            break;
        case D3DPT_LINELIST:
        case D3DPT_LINESTRIP: {
            const DWORD stride = type == D3DPT_LINELIST ? 2 : 1;
            for (DWORD i = 0; i + 1 < count; i += stride) {
                fetchVertex(p, src, index(i), v[0]);
                fetchVertex(p, src, index(i + 1), v[1]);
                line(v[0], v[1], p.lastPixel);
            }
            break;
        }
        case D3DPT_TRIANGLELIST:
            for (DWORD i = 0; i + 2 < count; i += 3)
                triangle(i, i + 1, i + 2, i);
            break;
        case D3DPT_TRIANGLESTRIP:
            // Odd triangles swap their first two vertices to keep the winding.
            for (DWORD i = 0; i + 2 < count; ++i) {
                if (i & 1) {
                    triangle(i + 1, i, i + 2, i);
                } else {
                    triangle(i, i + 1, i + 2, i);
                }
            }
            break;
        case D3DPT_TRIANGLEFAN:
            for (DWORD i = 1; i + 1 < count; ++i)
                triangle(0, i, i + 1, i);
            break;
        default:
            break;
    }
    if (queue != nullptr) {
        if (queue->full())
            finishLocked();
        else
            queue->kick();
    }
}

static bool validPrimitive(D3DPRIMITIVETYPE type) {
    return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN;
}

DrawStatus Rasterizer::draw(D3DPRIMITIVETYPE type, const VertexSource& source, DWORD first,
                            DWORD count) {
    if (!hasTarget_)
        return DrawStatus::NoRenderTarget;
    if (!validPrimitive(type))
        return DrawStatus::InvalidPrimitive;
    if (count == 0)
        return DrawStatus::Ok;
    if (!source.valid() || first > source.count || count > source.count - first) {
        return DrawStatus::InvalidVertices;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    assemble(type, source, count, [first](DWORD i) { return first + i; });
    return DrawStatus::Ok;
}

DrawStatus Rasterizer::drawIndexed(D3DPRIMITIVETYPE type, const VertexSource& source,
                                   const WORD* indices, DWORD indexCount) {
    if (!hasTarget_)
        return DrawStatus::NoRenderTarget;
    if (!validPrimitive(type))
        return DrawStatus::InvalidPrimitive;
    if (indexCount == 0)
        return DrawStatus::Ok;
    if (!source.valid() || indices == nullptr)
        return DrawStatus::InvalidVertices;
    for (DWORD i = 0; i < indexCount; ++i) {
        if (indices[i] >= source.count)
            return DrawStatus::InvalidVertices;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    assemble(type, source, indexCount, [indices](DWORD i) { return DWORD{indices[i]}; });
    return DrawStatus::Ok;
}

void Rasterizer::clear(DWORD flags, const D3DRECT* rects, DWORD count, D3DCOLOR color, float z) {
    std::lock_guard<std::mutex> lock(mutex_);
    const D3DRECT whole{{0}, {0}, {0x7fffffff}, {0x7fffffff}};
    if (rects == nullptr || count == 0) {
        rects = &whole;
        count = 1;
    }
    for (DWORD i = 0; i < count; ++i) {
        const RECT r{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
        if ((flags & D3DCLEAR_TARGET) && hasTarget_) {
            const RECT c = intersect(r, surfaceRect(target_.width, target_.height));
            if (c.left < c.right && c.top < c.bottom) {
                if (queue_) {
                    queue_->clear(&target_, nullptr, c, color, z);
                } else {
                    fillColor(target_, c, color);
                }
            }
        }
        if ((flags & D3DCLEAR_ZBUFFER) && hasDepth_) {
            const RECT c = intersect(r, surfaceRect(depth_.width, depth_.height));
            if (c.left < c.right && c.top < c.bottom) {
                if (queue_) {
                    queue_->clear(nullptr, &depth_, c, color, z);
                } else {
                    fillDepth(depth_, c, z);
                }
            }
        }
    }
    if (queue_ && queue_->full())
        finishLocked();
}

}  // namespace platform::d3d::raster
