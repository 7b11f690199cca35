// InvertCullingEffect: the mesh below drawn with its other side culled, so
// that its inside shows.
#pragma once

#include <engine/core/mirror_interfaces.h>
#include <engine/core/render_mesh_interface.h>

class InvertCullingEffect : public InvertCullingEffectInterface, public EffectiveRenderMesh {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_RENDER;
    static constexpr int priority = 11;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void render(RenderInformation* info) override;
};
