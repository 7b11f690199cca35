// The engine's interfaces of a glowing mesh and of a mesh fading into the
// vertex fog (SEVertexFog).
#pragma once

#include "engine/core/render_mesh_interface.h"
#include "engine/core/special_effect.h"
#include "engine/types.h"

// A chain link; its two operations follow the link's own.
class GlowEffectInterface : public EffectiveRenderMesh, public SpecialEffect {
public:
    // Called by position: keep the slot order. Above 0 the mesh's glow is
    // added to the picture, below 0 it darkens what lies behind; 0 hides it.
    virtual void setIntensity(float intensity) = 0;
    virtual void setColor(const Color& color) = 0;
};

// The driver's class is a chain link as well; the engine reaches the link
// with dynamic_cast to EffectiveRenderMesh.
class VertexFogEffectInterface : public SpecialEffect {
public:
    // Called by position: keep the slot order.
    virtual void enable() = 0;
    virtual void disable() = 0;
};
