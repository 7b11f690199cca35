// Counts the frames the driver finishes, as its listeners see them.
#pragma once

#include <engine/core/render_driver_listener.h>

#include <atomic>

namespace viewer {

// draw() draws nothing while the window is inactive, so the viewer counts
// what was really drawn rather than what it asked for.
class FrameCounter : public RenderDriverListener {
public:
    void termFrame(float) override { frames.fetch_add(1, std::memory_order_relaxed); }
    int count() const { return frames.load(std::memory_order_relaxed); }

private:
    std::atomic<int> frames{0};
};

}  // namespace viewer
