// Mesa's llvmpipe through OSMesa: an RGBA8 colour buffer with 16-bit depth,
// drawing the workloads with the fixed-function pipeline in the same state
// as ours (bilinear, MODULATE, LEQUAL depth test and write, perspective).
// llvmpipe reads LP_NUM_THREADS once per process, so each thread count runs
// in a process of its own.
#pragma once

#include "peer_workload.h"

#include <memory>
#include <string>

namespace peer {

class LlvmpipeRenderer {
public:
    LlvmpipeRenderer();
    ~LlvmpipeRenderer();
    LlvmpipeRenderer(const LlvmpipeRenderer&) = delete;
    LlvmpipeRenderer& operator=(const LlvmpipeRenderer&) = delete;

    // Empty when the context could not be made.
    const std::string& error() const { return error_; }
    std::string renderer() const;
    // Clears, draws the scene and waits for the pixels.
    void frame(const Scene& scene);
    // How many pixels of the last frame differ from the clear colour.
    int drawnPixels() const;

private:
    struct Context;
    std::unique_ptr<Context> context_;
    std::string error_;
};

}  // namespace peer
