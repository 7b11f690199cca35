// Contour: marks the selected model with an outline of its edges, a glow
// over its surface, or both (SEContour::contourType), drawn after the opaque
// scene from the mesh's own processed vertices.
#pragma once

#include <engine/core/deferred.h>
#include <engine/core/effect_interfaces.h>

#include <d3d.h>

class D3DOneLevelRenderMesh;

class Contour : public ModelSelectionInterface, public EffectiveRenderMesh, public SpecialEffect {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_PREPARE_VIEW | OVERLOAD_MORPH;
    // Width of the outline in pixels, and how far behind the mesh (in
    // depth-buffer units) its shifted copies lie, so that the mesh hides
    // them and only the band around it shows.
    static constexpr float outlineWidth = 2.0f;
    static constexpr float outlineDepthBias = 0.002f;

    // Selected from the start when asked.
    explicit Contour(bool selected = false);

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return 0; }
    void prepareView(RenderView* view) override;
    void morph(MorphingInformation* info) override;

    void select(bool on) override { selected = on; }
    bool isSelected() const override { return selected; }
    void setContourColor(const Color& color) override;
    EffectiveRenderMesh* getEffectMesh() override { return this; }

    DWORD getColor() const { return color; }
    // The deferred draw.
    void draw();

private:
    // Shifted copies of the mesh's screen vertices behind it; false when its
    // vertices are not all on the screen (or cannot be read).
    bool drawShiftedCopies();

    class Deferred : public DeferredRenderObject {
    public:
        explicit Deferred(Contour& owner) : owner(owner) {}
        void render() override { owner.draw(); }
        void transform() override {}

    private:
        Contour& owner;
    };

    bool selected;
    bool queued = false;
    DWORD color = 0xFFFFD040u;
    D3DOneLevelRenderMesh* mesh = nullptr;
    Deferred deferred{*this};
};
