// What the mirror and the reflection effect keep of the frame's requests:
// the morph the engine asked for in the regular pass is held back and
// carried out when the deferred render list reaches the effect.
#pragma once

#include <engine/core/render_mesh.h>

struct DeferredMeshRecords {
    MorphingInformation morphRecord;
    TransformInformation transformRecord;
    RenderInformation renderRecord;
    TMatrix worldMatrix;
    Vector worldOffset;

    DeferredMeshRecords();
    // Takes the request over; a clip test is answered "wholly inside", so
    // that the engine goes on to transform and render.
    void absorb(MorphingInformation* info);
    // The frame's visibility: the previous frame's deferred clip test, as it
    // stood when the frame asked for the morph. Not seen until the first.
    bool visible() const { return shown; }

    bool shown = false;
};
