// The mesh effect that makes a mesh hide the halos behind it.
#pragma once

#include <engine/core/render_mesh_interface.h>

class ObstacleEffect : public EffectiveRenderMesh {
public:
    unsigned getOverloadFlags() const override { return OVERLOAD_TRANSFORM; }
    int getEffectPriority() const override { return 0; }
    // The mesh transforms as usual; then the halo manager tests it against
    // the halos registered so far.
    void transform(TransformInformation* info) override;
};
