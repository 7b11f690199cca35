#include "overdraw.h"

#include "../marked_vertex_buffer.h"
#include "../rmesh.h"
#include "../tmanager.h"

D3DOneLevelRenderMesh* driverMesh(RenderMeshInterface& chain) {
    return dynamic_cast<D3DOneLevelRenderMesh*>(chain.getOneLevelMesh());
}

void overdrawMesh(const D3DOneLevelRenderMesh& mesh) {
    const MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    if (!buffer || !buffer->isValid() || !g_pDevice || !buffer->getDestination())
        return;
    if (theRenderStateManager)
        theRenderStateManager->flush();
    DWORD flags = D3DDP_DONOTLIGHT;
    if (mesh.getClipState() != D3DOneLevelRenderMesh::CLIP_PARTLY)
        flags |= D3DDP_DONOTCLIP;
    for (const MarkedVertexBuffer::SetEntry& entry : buffer->getSetIndices())
        g_pDevice->DrawPrimitiveVB(static_cast<D3DPRIMITIVETYPE>(entry.primitiveType),
                                   buffer->getDestination(), DWORD(entry.firstVertex),
                                   DWORD(entry.vertexCount), flags);
}

StateScope::~StateScope() {
    if (!theRenderStateManager)
        return;
    for (auto it = renderStates.rbegin(); it != renderStates.rend(); ++it)
        theRenderStateManager->popState(*it);
    for (auto it = stageStates.rbegin(); it != stageStates.rend(); ++it)
        theRenderStateManager->popState(it->first, it->second);
}

void StateScope::set(RenderStateType type, DWORD value) {
    if (!theRenderStateManager)
        return;
    theRenderStateManager->pushState(type);
    theRenderStateManager->setState(type, value);
    renderStates.push_back(type);
}

void StateScope::set(TextureStageStateType type, int stage, DWORD value) {
    if (!theRenderStateManager)
        return;
    theRenderStateManager->pushState(type, stage);
    theRenderStateManager->setState(type, stage, value);
    stageStates.emplace_back(type, stage);
}

void setFlatColor(StateScope& scope, DWORD argb) {
    scope.set(RS_TEXTUREFACTOR, argb);
    scope.set(TSS_COLOROP, 0, D3DTOP_SELECTARG1);
    scope.set(TSS_COLORARG1, 0, D3DTA_TFACTOR);
    scope.set(TSS_ALPHAOP, 0, D3DTOP_SELECTARG1);
    scope.set(TSS_ALPHAARG1, 0, D3DTA_TFACTOR);
    scope.set(TSS_COLOROP, 1, D3DTOP_DISABLE);
    scope.set(TSS_ALPHAOP, 1, D3DTOP_DISABLE);
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(nullptr, 0);
}
