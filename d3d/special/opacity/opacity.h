// OpacityEffect: a mesh translucent as a whole. Its transform fades the
// processed vertex colours; its render leaves the mesh's own passes empty
// and draws the sets blended, with the translucent objects at the end of
// the view (or at once when the record does not defer).
#pragma once

#include "translucent_sets.h"

#include <engine/core/deferred.h>
#include <engine/core/opacity.h>

#include <cstdint>

class D3DOneLevelRenderMesh;

class OpacityEffect : public OpacityEffectInterface, public DeferredAlphaObjectInterface {
public:
    static constexpr int priority = 4;
    static constexpr unsigned overloadFlags = OVERLOAD_MORPH | OVERLOAD_TRANSFORM | OVERLOAD_RENDER;

    OpacityEffect() = default;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;

    void setOpacity(float value) override { opacity = translucent::toOpacity(value); }

    // The deferred object's side: drawn from the deferred alpha list.
    void render() override;
    // The chain's transform already left this frame's vertices.
    void transform() override {}

    std::uint16_t getOpacityLevel() const { return opacity; }
    const translucent::TranslucentSets& getTranslucentSets() const { return sets; }

protected:
    std::uint16_t opacity = 255;

private:
    translucent::TranslucentSets sets;
    D3DOneLevelRenderMesh* mesh = nullptr;
};
