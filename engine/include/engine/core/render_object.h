// RenderObject: a reference-counted scene object that a view draws once per
// frame while it is registered with it (halos, water, fading overlays).
#pragma once

#include "engine/core/counting_object.h"
#include "engine/core/transformable.h"

class RenderView;

class RenderObject : public Transformable, public CountingObject {
public:
    RenderObject() = default;

    // Called by position: keep the slot order (after Transformable's).
    // The game time has moved on by `step` seconds.
    virtual void update(float step) { (void)step; }
    // Back to the state it was configured with.
    virtual void reset() {}
    // Draws the object in the view being rendered.
    virtual void render(RenderView& view) = 0;
};

using RenderObjectKey = CountingKey<RenderObject>;
