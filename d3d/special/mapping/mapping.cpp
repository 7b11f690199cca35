#include "special/mapping/mapping.h"

#include "special/overdraw.h"

#include "rmesh.h"
#include "tmanager.h"

#include <engine/class_registry.h>

#include <algorithm>
#include <cmath>

REGISTER_CLASS(MappingEffect);

void MappingEffect::setAlpha(float a) {
    alpha = a == a ? int(std::clamp(std::lround(a * 255.0f), 0L, 255L)) : 0;
}

RenderMeshInterface* MappingEffect::attach(RenderMeshInterface* chain) {
    lastView = nullptr;
    cached = false;
    return EffectiveRenderMesh::attach(chain);
}

void MappingEffect::prepareView(RenderView* view) {
    if (view != lastView) {
        cached = false;
        lastView = view;
    }
    EffectiveRenderMesh::prepareView(view);
}

void MappingEffect::render(RenderInformation* info) {
    D3DOneLevelRenderMesh* mesh = driverMesh(*this);
    if (!info || !(info->flags & RenderInformation::REGULAR) || !texture || !mesh) {
        EffectiveRenderMesh::render(info);
        return;
    }
    if (overlay) {
        RenderInformation regular = *info;
        regular.flags = RenderInformation::REGULAR;
        regular.pickRequest = false;
        EffectiveRenderMesh::render(&regular);
        mapping::refreshClipping(*mesh);
    }
    info->flags &= ~unsigned(RenderInformation::REGULAR);
    drawMappedPass(*mesh);
    cached = true;
    EffectiveRenderMesh::render(info);
}

void MappingEffect::drawMappedPass(D3DOneLevelRenderMesh& mesh) {
    if (!theRenderStateManager)
        return;
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(texture.get(), 0);
    RenderStateManager& states = *theRenderStateManager;
    const bool selectedAlpha = states.getState(TSS_ALPHAOP, 0) == D3DTOP_SELECTARG2;
    StateScope scope;
    scope.set(RS_ALPHABLENDENABLE, TRUE);
    switch (blendMode) {
        case 0:
            if (alpha != 255) {
                const DWORD a = DWORD(alpha);
                scope.set(RS_TEXTUREFACTOR, a << 24 | a << 16 | a << 8 | a);
                scope.set(TSS_ALPHAOP, 0, D3DTOP_SELECTARG2);
                scope.set(TSS_ALPHAARG1, 0, D3DTA_TEXTURE);
                scope.set(TSS_ALPHAARG2, 0, D3DTA_TFACTOR);
            }
            break;
        case 1:
            scope.set(RS_SRCBLEND, D3DBLEND_SRCALPHA);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            if (alpha != 255 || selectedAlpha) {
                scope.set(TSS_ALPHAOP, 0, D3DTOP_MODULATE);
                scope.set(TSS_ALPHAARG1, 0, D3DTA_TEXTURE);
                scope.set(TSS_ALPHAARG2, 0, D3DTA_DIFFUSE);
            }
            break;
        case 2:
            scope.set(RS_SRCBLEND, D3DBLEND_ONE);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        case 3:
            scope.set(RS_SRCBLEND, D3DBLEND_ZERO);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        default:
            break;
    }
    mapping::drawRegularSets(mesh, {});
}
