// CameraVanish: an opacity effect that takes its opacity from the depth of
// its mesh, so that a model between the camera and the scene fades out as
// the camera comes close. It reads its depths and opacities from
// "/Configs/Effects/CameraVanish.cfg", tells a listener of its changes and
// switches the drawing of a target animator with its translucency.
#pragma once

#include "opacity.h"

#include <memory>

class CameraVanish : public CameraVanishInterface, public OpacityEffect {
public:
    static constexpr int priority = 3;
    static constexpr const char* configPath = "/Configs/Effects/CameraVanish.cfg";

    struct Parameters {
        float minDistance = 0.0f;
        float maxDistance = 2.0f;
        float minAlpha = 0.0f;
        float maxAlpha = 1.0f;
    };

    CameraVanish();
    // Takes the render switch off the target, which must still be there.
    ~CameraVanish() override;

    int getEffectPriority() const override { return priority; }
    void morph(MorphingInformation* info) override;

    bool isEnabled() const override { return enabled; }
    void enable() override { enabled = true; }
    void disable() override { enabled = false; }
    void setListener(CameraVanishListener* l) override { listener = l; }
    void setTarget(Animator* target) override;
    void setFlag(bool flag) override;
    void setParameters(float minDistance, float maxDistance, float minAlpha,
                       float maxAlpha) override;
    float getOpacity() const override { return float(opacity) / 255.0f; }
    EffectiveRenderMesh* getEffectMesh() override { return this; }

    // The opacity (0 .. 1) at `depth` beyond the near plane.
    static float opacityAt(float depth, const Parameters& parameters);

    const Parameters& getParameters() const { return parameters; }
    bool getFlag() const { return flag; }
    Animator* getTarget() const { return target; }
    const SERenderEnable& getRenderEnable() const { return *renderEnable; }

private:
    void readConfiguration();

    bool enabled = true;
    bool flag = true;
    std::uint16_t lastOpacity = 255;
    Parameters parameters;
    Animator* target = nullptr;
    std::unique_ptr<SERenderEnable> renderEnable;
    CameraVanishListener* listener = nullptr;
};
