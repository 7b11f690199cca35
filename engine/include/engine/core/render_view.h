// RenderView: the driver's side of one engine view, made by the view factory.
#pragma once

#include "engine/types.h"

#include <cstdint>

class View;
class RenderMeshListener;

// The object under the mouse pointer, settled once per view pass.
struct PointedObjectRecord {
    RenderMeshListener* previous = nullptr;  // pointed object of the last pass
    RenderMeshListener* current = nullptr;   // best candidate of this pass
    float currentDistance = 0.0f;
    std::int32_t empty = 1;  // no candidate yet in this pass
    std::int32_t unused = -1;
};

class RenderView {
public:
    explicit RenderView(View& view) : view(view) {}
    RenderView(const RenderView&) = delete;
    RenderView& operator=(const RenderView&) = delete;

    // Called by position: keep the slot order.
    virtual ~RenderView() = default;
    // Prepares the viewport, transforms and lights for a frame.
    virtual void render() {}
    virtual Color calculateIllumination(Vector position) = 0;

    View& getEngineView() const { return view; }
    PointedObjectRecord& getPointedObjectRecord() { return pointed; }

private:
    View& view;
    PointedObjectRecord pointed;
};
