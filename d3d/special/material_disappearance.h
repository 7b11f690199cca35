// MaterialDisappearanceEffect: the sets of one material of a mesh (or all)
// fade out over a time span, or fade in when reversed. It overrides no
// operation for the links in front of it, so it works from the front of the
// chain, where its priority puts it.
#pragma once

#include <engine/core/effect_interfaces.h>

class MaterialDisappearanceEffect : public MaterialDisappearanceEffectInterface {
public:
    MaterialDisappearanceEffect() = default;

    unsigned getOverloadFlags() const override { return 0; }
    int getEffectPriority() const override { return 10; }
    void render(RenderInformation* info) override;

    void start(float startTime, float duration) override;
    void setMaterial(int index) override { material = index; }
    void setReverse(bool on) override { reverse = on; }
    float getProgress() const override;

    // How opaque the dissolving sets are at the current time, 0..1.
    float getOpacity() const { return 1.0f - getProgress(); }

private:
    bool started = false;
    float startTime = 0.0f;
    float duration = 1.0f;
    int material = -1;
    bool reverse = false;
};
