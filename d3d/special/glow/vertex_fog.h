// VertexFogEffect: a mesh faded into the distance by hand, vertex by vertex,
// after the engine's vertex fog (SEVertexFog); a mesh wholly beyond the fog's
// end is not drawn at all.
#pragma once

#include "../../states.h"

#include <engine/core/glow_interfaces.h>
#include <engine/core/render_mesh_interface.h>

#include <cstdint>

class D3DRenderView;

class VertexFogEffect : public VertexFogEffectInterface, public EffectiveRenderMesh {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_MORPH | OVERLOAD_TRANSFORM | OVERLOAD_RENDER;
    static constexpr int priority = 2;

    VertexFogEffect();

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;

    void enable() override { enabled = true; }
    void disable() override { enabled = false; }

    bool isFogged() const { return fogged; }
    int getAlphaMetaState() const { return alphaMetaState; }

    // One transformed vertex's colours faded by its depth beyond the near
    // plane: diffuse (alpha too) towards transparent black, specular towards
    // the fog colour.
    static void fogVertex(unsigned char* vertex, float depth, float start, float k,
                          std::uint32_t fogColor);

private:
    bool active() const;

    bool enabled = true;
    bool fogged = false;
    int alphaMetaState;
    int regularMetaState;
    SupportStatus modulateAlpha;
    OneLevelRenderMeshInterface* mesh = nullptr;
    D3DRenderView* view = nullptr;
};
