// The engine's interfaces of the effects that change how a mesh is lit: a
// light along the line of sight, a scaled ambient light, one light for the
// whole mesh, and rewritten vertex colours. The driver's classes are chain
// links as well; the engine reaches the link with dynamic_cast to
// EffectiveRenderMesh.
#pragma once

#include "engine/types.h"

class DirectHighlightInterface {
public:
    // Called by position: keep the slot order.
    // Keep the view's other lights on while the highlight shines.
    virtual void useLights(bool on) = 0;
    virtual void setColor(const Color& color) = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual ~DirectHighlightInterface() = default;
};

class HighlightInterface {
public:
    // Called by position: keep the slot order.
    virtual void useLights(bool on) = 0;
    // The ambient light becomes ambient * factor + offset while the mesh is lit.
    virtual void setColors(const Color& offset, const Color& factor) = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual ~HighlightInterface() = default;
};

class IsotropicLightInterface {
public:
    // Called by position: keep the slot order.
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual ~IsotropicLightInterface() = default;
};

class UniversalHighlightInterface {
public:
    // Called by position: keep the slot order. A factor of (0, 0, 0, 1)
    // replaces the colour by `add`; (1, 1, 1, 1) with `add` (0, 0, 0, 1)
    // switches the modifier off.
    virtual void useLights(bool on) = 0;
    virtual void setModifierA(const Color& add, const Color& factor) = 0;
    virtual void setDiffuseModifier(const Color& add, const Color& factor) = 0;
    virtual void setSpecularModifier(const Color& add, const Color& factor) = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual ~UniversalHighlightInterface() = default;
};
