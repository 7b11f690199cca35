#include "opacity.h"

#include "../overdraw.h"
#include "../../rmesh.h"

#include <engine/class_registry.h>

REGISTER_CLASS(OpacityEffect);


void OpacityEffect::morph(MorphingInformation* info) {
    if (info && info->clipFlags != 0 && opacity == 0) {
        // Counts as culled: neither morphed nor drawn.
        info->clipFlags = 0;
        info->clipResult = 0;
    }
    EffectiveRenderMesh::morph(info);
}

void OpacityEffect::transform(TransformInformation* info) {
    mesh = driverMesh(*this);
    EffectiveRenderMesh::transform(info);
    if (mesh && opacity < 255)
        translucent::fadeMesh(*mesh, opacity);
}

void OpacityEffect::render(RenderInformation* info) {
    if (!info || opacity == 255 || !(info->flags & RenderInformation::ALPHA) || !mesh) {
        EffectiveRenderMesh::render(info);
        return;
    }
    if (info->flags & RenderInformation::DEFER_ALPHA) {
        deferredKey = info->deferredKey;
        depth = translucent::sortDepth(getRenderView(), *mesh);
        addToDeferredAlphaObjectsList(this);
    } else {
        transform();
        render();
    }
    // The mesh draws nothing of its own in this pass.
    info->flags &= ~unsigned(RenderInformation::REGULAR | RenderInformation::ALPHA |
                             RenderInformation::DEFER_ALPHA);
    EffectiveRenderMesh::render(info);
}

void OpacityEffect::render() {
    RenderStateManager* states = theRenderStateManager;
    if (!states)
        return;
    const DWORD blending = states->getState(RS_ALPHABLENDENABLE);
    states->setState(RS_ALPHABLENDENABLE, 1u);
    sets.retest();
    sets.draw([this](RenderInformation& below) { EffectiveRenderMesh::render(&below); });
    states->setState(RS_ALPHABLENDENABLE, blending);
}
