// UniversalHighlight: the mesh's lit vertex colours rewritten after the
// transform: replaced by a colour, scaled, offset, or scaled and offset.
#pragma once

#include <engine/core/highlight_interfaces.h>
#include <engine/core/render_mesh_interface.h>
#include <engine/core/special_effect.h>

#include <cstdint>

class UniversalHighlight : public EffectiveRenderMesh,
                           public UniversalHighlightInterface,
                           public SpecialEffect {
public:
    static constexpr int priority = 5;
    // Offsets of the two colours in a transformed and lit vertex.
    static constexpr int diffuseOffset = 16;
    static constexpr int specularOffset = 20;

    struct Modifier {
        bool active = false;
        bool multiply = false;
        bool replace = false;
        bool add = false;
        std::uint32_t addColor = 0;
        Color factor;

        // From the add colour and the factor the engine gives.
        void set(const Color& add, const Color& factor);
        // One 32-bit ARGB colour rewritten; meaningful when active.
        std::uint32_t apply(std::uint32_t argb) const;
    };

    UniversalHighlight() = default;

    unsigned getOverloadFlags() const override { return OVERLOAD_TRANSFORM; }
    int getEffectPriority() const override { return priority; }
    void transform(TransformInformation* info) override;

    void useLights(bool on) override { keepLights = on; }
    void setModifierA(const Color& add, const Color& f) override { modifierA.set(add, f); }
    void setDiffuseModifier(const Color& add, const Color& f) override { diffuse.set(add, f); }
    void setSpecularModifier(const Color& add, const Color& f) override { specular.set(add, f); }
    void enable() override { enabled = true; }
    void disable() override { enabled = false; }

    const Modifier& getModifierA() const { return modifierA; }
    const Modifier& getDiffuseModifier() const { return diffuse; }
    const Modifier& getSpecularModifier() const { return specular; }

    // Packs r, g and b scaled by 255 and truncated, with alpha 255.
    static std::uint32_t pack(const Color& color);

private:
    void rewriteVertices();

    // Kept for the engine; what it stands for is not drawn.
    Modifier modifierA;
    Modifier diffuse;
    Modifier specular;
    bool keepLights = true;
    bool enabled = true;
};
