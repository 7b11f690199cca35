#include "camera_vanish.h"

#include <engine/class_registry.h>
#include <engine/config.h>
#include <engine/core/animator.h>

REGISTER_CLASS(CameraVanish);

CameraVanish::CameraVanish() : renderEnable(std::make_unique<SERenderEnable>()) {
    // The target is drawn only while this mesh is translucent.
    renderEnable->disable();
    readConfiguration();
}

CameraVanish::~CameraVanish() {
    // Left on the target, the switch would outlive its owner there.
    if (target)
        target->removeEffect(renderEnable.get());
}

void CameraVanish::readConfiguration() {
    const std::shared_ptr<config::Config> file = config::theConfigManager->bindConfig(configPath);
    // A missing or mistyped key keeps its default.
    file->getProperty("CameraVanish.minDistance", &parameters.minDistance);
    file->getProperty("CameraVanish.maxDistance", &parameters.maxDistance);
    file->getProperty("CameraVanish.minAlpha", &parameters.minAlpha);
    file->getProperty("CameraVanish.maxAlpha", &parameters.maxAlpha);
}

float CameraVanish::opacityAt(float z, const Parameters& p) {
    if (!(z < p.maxDistance))
        return 1.0f;
    if (!(z > p.minDistance))
        return p.minAlpha;
    const float f = (p.maxDistance - z) / (p.maxDistance - p.minDistance);
    return f * p.minAlpha + (1.0f - f) * p.maxAlpha;
}

void CameraVanish::morph(MorphingInformation* info) {
    const unsigned clipFlags = info ? info->clipFlags : 0u;
    EffectiveRenderMesh::morph(info);
    if (!info)
        return;
    if (!enabled || !SECameraVanish::getEnableState()) {
        setOpacity(1.0f);
        return;
    }
    // A mesh the view culled keeps its opacity.
    if (clipFlags == 0 || info->clipResult == 0)
        return;
    setOpacity(opacityAt(info->screenBox.minimum.z, parameters));
    if (opacity == 0)
        info->clipResult = 0;
    if (target) {
        if (opacity < 255)
            renderEnable->enable();
        else
            renderEnable->disable();
    }
    if (opacity != lastOpacity && listener)
        listener->opacityChanged(float(lastOpacity) / 255.0f, float(opacity) / 255.0f);
    lastOpacity = opacity;
}

void CameraVanish::setTarget(Animator* t) {
    if (target)
        target->removeEffect(renderEnable.get());
    if (t) {
        t->addEffect(renderEnable.get());
        renderEnable->disable();
    }
    Animator* const previous = target;
    target = t;
    if (listener)
        listener->targetChanged(previous, t);
}

void CameraVanish::setFlag(bool b) {
    const bool previous = flag;
    flag = b;
    if (listener)
        listener->flagChanged(previous, b);
}

void CameraVanish::setParameters(float minDistance, float maxDistance, float minAlpha,
                                 float maxAlpha) {
    const Parameters previous = parameters;
    if (listener)
        listener->parametersChanged(previous.minDistance, previous.maxDistance, previous.minAlpha,
                                    previous.maxAlpha, minDistance, maxDistance, minAlpha,
                                    maxAlpha);
    parameters = {minDistance, maxDistance, minAlpha, maxAlpha};
}
