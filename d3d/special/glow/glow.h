// D3DGlowEffect: the mesh lit by one flat colour, taken out of the regular
// pass and drawn at the end of the view, added to the picture (positive
// intensity) or darkening it (negative intensity).
#pragma once

#include <engine/core/deferred.h>
#include <engine/core/glow_interfaces.h>

class D3DGlowEffect : public GlowEffectInterface, public DeferredAlphaObjectInterface {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_TRANSFORM | OVERLOAD_RENDER;
    static constexpr int priority = 3;

    D3DGlowEffect();

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;

    void setIntensity(float i) override { intensity = i; }
    void setColor(const Color& c) override { color = c; }

    // The deferred draw at the end of the view.
    void render() override;
    void transform() override {}

    float getIntensity() const { return intensity; }

private:
    float intensity = 0.0f;
    Color color{1.0f, 1.0f, 1.0f, 1.0f};
};
