// The engine's interfaces of the effect framework's own effects: selection
// contours, material disappearance, traces, aureoles, fading overlays and
// multi-pass renderings.
#pragma once

#include <string>
#include <vector>

#include "engine/core/render_mesh_interface.h"
#include "engine/core/render_object.h"
#include "engine/core/rendering.h"
#include "engine/core/special_effect.h"

// Marks the model the player has selected.
class ModelSelectionInterface {
public:
    // Called by position: keep the slot order.
    virtual void select(bool on) = 0;
    virtual bool isSelected() const = 0;
    virtual void setContourColor(const Color& color) = 0;
    // The chain link to attach to the selected model.
    virtual EffectiveRenderMesh* getEffectMesh() = 0;
    virtual ~ModelSelectionInterface() = default;

    // Draw the contour without depth test, so that nothing in front hides it.
    static bool force_contour_z_fix;
};

// Materials of a mesh dissolving over time (or coming back, reversed).
class MaterialDisappearanceEffectInterface : public EffectiveRenderMesh, public SpecialEffect {
public:
    // Starts dissolving at `startTime` of the paused render clock, for
    // `duration` seconds.
    virtual void start(float startTime, float duration) = 0;
    // Only the sets of this material of the mesh's set; -1 for all.
    virtual void setMaterial(int material) = 0;
    // Reversed: the material appears instead.
    virtual void setReverse(bool reverse) = 0;
    // 0 intact .. 1 gone, at the current time.
    virtual float getProgress() const = 0;
};

// A soft ring of light around a mesh.
class AureoleEffectInterface : public EffectiveRenderMesh, public SpecialEffect {
public:
    virtual void setColor(const Color& color) = 0;
    // Outer radius as a multiple of the mesh's screen radius.
    virtual void setScale(float scale) = 0;
    virtual void setIntensity(float intensity) = 0;
};

// A fading trail behind a moving object.
class TraceEffectInterface : public RenderObject, public SpecialEffect {
public:
    // The object followed; not owned. Null stops recording.
    virtual void setTarget(const Transformable* target) = 0;
    virtual void setColor(const Color& color) = 0;
    // Half-width of the trail in world units.
    virtual void setWidth(float width) = 0;
    // How long a point of the trail lives, in seconds.
    virtual void setLifetime(float seconds) = 0;
    virtual void clear() = 0;
};

// A coloured, optionally textured and animated rectangle over the picture.
class FadingEffectInterface : public RenderObject, public SpecialEffect {
public:
    virtual void setAlpha(float alpha) = 0;
    virtual void setColor(const Color& color) = 0;
    virtual void setTextures(const std::vector<std::string>& names) = 0;
    virtual void setTag(int tag) = 0;
    virtual void setAnimationMode(int mode) = 0;
    virtual void setFrameRate(float framesPerSecond) = 0;
    virtual void setStartTime(float time) = 0;
    virtual void setTextureTransform(const TMatrix& matrix, const Vector& offset) = 0;
    virtual void setBlendMode(int mode) = 0;
    virtual void setDeferredKey(int key) = 0;
    // Fractions of the screen.
    virtual void setRectangle(float x, float y, float width, float height) = 0;
};

// Carries a multi-pass rendering description and the variant chosen for the
// current device.
class RenderingEffectInterface : public EffectiveRenderMesh, public SpecialEffect {
public:
    virtual void setDescriptor(const render::RenderTypeDescriptor& descriptor) = 0;
    // The variant in use, or null when none is supported (or not yet known).
    virtual const render::Rendering* getRendering() = 0;
};
