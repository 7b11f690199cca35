// AureoleEffect: a soft ring of light around a mesh on the screen, added
// over the picture in the deferred alpha phase.
#pragma once

#include <engine/core/deferred.h>
#include <engine/core/effect_interfaces.h>

#include <d3d.h>

class D3DOneLevelRenderMesh;

class AureoleEffect : public AureoleEffectInterface {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_PREPARE_VIEW | OVERLOAD_RENDER;
    // Segments of the ring.
    static constexpr int segments = 48;

    AureoleEffect() = default;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return 0; }
    void prepareView(RenderView* view) override;
    void render(RenderInformation* info) override;

    void setColor(const Color& c) override { color = c; }
    void setScale(float s) override { scale = s > 1.0f ? s : 1.0f; }
    void setIntensity(float i) override { intensity = i > 0.0f ? i : 0.0f; }

    // Centre and inner radius in pixels of the ring around the mesh's
    // screen box in `view`; false when the mesh is not in front of the eye.
    bool placeRing(const D3DOneLevelRenderMesh& mesh, float& x, float& y, float& radius) const;
    void draw();

private:
    class Deferred : public DeferredAlphaObjectInterface {
    public:
        explicit Deferred(AureoleEffect& owner) : owner(owner) {}
        void render() override { owner.draw(); }
        void transform() override {}

    private:
        AureoleEffect& owner;
    };

    Color color{1.0f, 0.8f, 0.4f, 1.0f};
    float scale = 1.6f;
    float intensity = 1.0f;
    bool queued = false;
    D3DOneLevelRenderMesh* mesh = nullptr;
    Deferred deferred{*this};
};
