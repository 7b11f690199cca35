#include "highlight.h"

#include "lit_chain.h"

#include <engine/class_registry.h>

#include <algorithm>

REGISTER_CLASS(Highlight);
REGISTER_CLASS(IsotropicLight);

Color Highlight::highlighted(const Color& a) const {
    const auto unit = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return {unit(a.r * factor.r + offset.r), unit(a.g * factor.g + offset.g),
            unit(a.b * factor.b + offset.b), a.a};
}

void Highlight::transform(TransformInformation* info) {
    D3DRenderView* view = enabled && info && (info->flags & 0x3u) ? chainView(*this) : nullptr;
    if (!view) {
        EffectiveRenderMesh::transform(info);
        return;
    }
    AmbientOverride ambient(*view, highlighted(view->getAmbientLight()));
    LightsOff off(*view, keepLights);
    EffectiveRenderMesh::transform(info);
}

void IsotropicLight::transform(TransformInformation* info) {
    D3DRenderView* view = enabled ? chainView(*this) : nullptr;
    OneLevelRenderMeshInterface* mesh = view ? getOneLevelMesh() : nullptr;
    if (!mesh) {
        EffectiveRenderMesh::transform(info);
        return;
    }
    // Estimated before the lights go off: it is made of them.
    const Color here = view->calculateIllumination(mesh->getWorldOffset());
    LightsOff off(*view, false);
    AmbientOverride ambient(*view, here);
    savedAmbient = ambient.getSaved();
    EffectiveRenderMesh::transform(info);
}
