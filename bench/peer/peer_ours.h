// Our rasteriser drawing the workloads into a 640 x 480 target of 32 bits
// (X8R8G8B8, texture A8R8G8B8) or 16 bits (R5G6B5, texture R5G6B5), with a
// 16-bit depth buffer, in the state the llvmpipe side uses.
#pragma once

#include "peer_workload.h"

#include "d3d/raster/rasterizer.h"

namespace peer {

class OurRenderer {
public:
    OurRenderer(int bits, int threads);
    // Clears, draws the scene and waits for the pixels.
    void frame(const Scene& scene);

private:
    std::vector<uint8_t> color_, depth_, texels_;
    platform::d3d::raster::Texture texture_;
    platform::d3d::raster::Rasterizer raster_;
};

}  // namespace peer
