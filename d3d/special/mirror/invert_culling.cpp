#include "special/mirror/invert_culling.h"

#include "states.h"

#include <engine/class_registry.h>

REGISTER_CLASS(InvertCullingEffect);

void InvertCullingEffect::render(RenderInformation* info) {
    if (!theRenderStateManager) {
        EffectiveRenderMesh::render(info);
        return;
    }
    const DWORD cull = theRenderStateManager->getState(RS_CULLMODE);
    theRenderStateManager->setState(RS_CULLMODE, D3DCULL_CW);
    EffectiveRenderMesh::render(info);
    theRenderStateManager->setState(RS_CULLMODE, cull);
}
