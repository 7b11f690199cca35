#include "glow.h"

#include "../highlight/lit_chain.h"
#include "../../states.h"

#include <engine/class_registry.h>

#include <cmath>

REGISTER_CLASS(D3DGlowEffect);

D3DGlowEffect::D3DGlowEffect() {
    depth = 0.0f;
}

void D3DGlowEffect::transform(TransformInformation* info) {
    D3DRenderView* view = chainView(*this);
    if (!view) {
        EffectiveRenderMesh::transform(info);
        return;
    }
    // Lit vertices take the glow colour alone.
    LightsOff off(*view, false);
    AmbientOverride ambient(*view, color * std::fabs(intensity));
    EffectiveRenderMesh::transform(info);
}

void D3DGlowEffect::render(RenderInformation* info) {
    OneLevelRenderMeshInterface* mesh = getOneLevelMesh();
    // Without a mesh below there is nothing to draw later.
    if (mesh && info && (info->flags & RenderInformation::REGULAR)) {
        info->flags &= ~unsigned(RenderInformation::REGULAR);
        const D3DRenderView* view = chainView(*this);
        depth = view ? view->getZDepth(mesh->getWorldOffset()) : 0.0f;
        deferredKey = info->deferredKey;
        addToDeferredAlphaObjectsList(this);
    }
    EffectiveRenderMesh::render(info);
}

void D3DGlowEffect::render() {
    if (intensity == 0.0f || !theRenderStateManager)
        return;
    RenderStateManager& states = *theRenderStateManager;
    states.pushState(RS_SRCBLEND);
    states.pushState(RS_DESTBLEND);
    if (intensity > 0.0f) {
        states.setState(RS_SRCBLEND, D3DBLEND_ONE);
        states.setState(RS_DESTBLEND, D3DBLEND_ONE);
    } else {
        // destination * (1 - source colour)
        states.setState(RS_SRCBLEND, D3DBLEND_ZERO);
        states.setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    }
    RenderInformation regular;
    regular.flags = RenderInformation::REGULAR;
    regular.deferredKey = deferredKey;
    EffectiveRenderMesh::render(&regular);
    states.popState(RS_DESTBLEND);
    states.popState(RS_SRCBLEND);
}
