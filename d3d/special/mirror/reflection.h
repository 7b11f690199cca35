// ReflectionEffect: on a mesh that is to appear in mirrors. Later in the
// frame the mesh is drawn once more, mirrored in the ground under it, with
// its faces' winding (and so the culling) reversed.
#pragma once

#include "special/mirror/deferred_mesh.h"

#include <engine/core/deferred.h>
#include <engine/core/mirror_interfaces.h>
#include <engine/core/render_mesh_interface.h>

class ReflectionEffect : public EffectiveRenderMesh,
                         public DeferredRenderObject,
                         public ReflectionEffectInterface {
public:
    static constexpr unsigned overloadFlags =
        OVERLOAD_PREPARE_VIEW | OVERLOAD_MORPH | OVERLOAD_TRANSFORM | OVERLOAD_RENDER;
    static constexpr int priority = -4;
    static constexpr int key = 18;

    ReflectionEffect();

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void prepareView(RenderView* view) override;
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;

    // The deferred passes.
    void transform() override;
    void render() override;

    const DeferredMeshRecords& getRecords() const { return records; }

private:
    DeferredMeshRecords records;
    TMatrix reflectedMatrix;
    Vector reflectedOffset;
};
