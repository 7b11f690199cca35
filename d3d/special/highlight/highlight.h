// Highlight and IsotropicLight: the mesh lit with another ambient light
// than the rest of the view. Highlight scales and offsets the view's
// ambient light; IsotropicLight lights the whole mesh evenly with the light
// that falls on its position.
#pragma once

#include <engine/core/highlight_interfaces.h>
#include <engine/core/render_mesh_interface.h>
#include <engine/core/special_effect.h>

class Highlight : public EffectiveRenderMesh, public HighlightInterface, public SpecialEffect {
public:
    Highlight() = default;

    unsigned getOverloadFlags() const override { return OVERLOAD_TRANSFORM; }
    int getEffectPriority() const override { return 0; }
    void transform(TransformInformation* info) override;

    void useLights(bool on) override { keepLights = on; }
    void setColors(const Color& o, const Color& f) override {
        offset = o;
        factor = f;
    }
    void enable() override { enabled = true; }
    void disable() override { enabled = false; }

    // The ambient light the mesh is lit with under `ambient`.
    Color highlighted(const Color& ambient) const;

private:
    Color offset{0.0f, 0.0f, 0.0f, 1.0f};
    Color factor{1.0f, 1.0f, 1.0f, 1.0f};
    bool keepLights = true;
    bool enabled = true;
};

class IsotropicLight : public EffectiveRenderMesh,
                       public IsotropicLightInterface,
                       public SpecialEffect {
public:
    IsotropicLight() = default;

    unsigned getOverloadFlags() const override { return OVERLOAD_TRANSFORM; }
    int getEffectPriority() const override { return 0; }
    void transform(TransformInformation* info) override;

    void enable() override { enabled = true; }
    void disable() override { enabled = false; }

    // The view's ambient light during the latest transform.
    const Color& getSavedAmbient() const { return savedAmbient; }

private:
    Color savedAmbient;
    bool enabled = true;
};
