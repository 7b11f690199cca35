// RenderLight: the driver's side of one engine light, made by the light factory.
#pragma once

#include "engine/core/tmatrix.h"
#include "engine/types.h"

class Light;
class RenderView;

class RenderLight {
public:
    explicit RenderLight(Light& light) : light(light) {}
    RenderLight(const RenderLight&) = delete;
    RenderLight& operator=(const RenderLight&) = delete;

    // Called by position: keep the slot order.
    // Places the light for the frame in progress.
    virtual void render(TMatrix orientation, Vector position) = 0;
    virtual ~RenderLight() = default;
    // The light starts or stops shining in a view.
    virtual void activate(RenderView& view) { (void)view; }
    virtual void deactivate(RenderView& view) { (void)view; }

    Light& getLight() const { return light; }

protected:
    Light& light;
};
