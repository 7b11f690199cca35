#include "special/mirror/mirror.h"

#include "special/mirror/zbuffer_filler.h"

#include "driver.h"
#include "states.h"

#include <engine/class_registry.h>
#include <engine/core/render_view.h>

REGISTER_CLASS(MirrorEffect);

MirrorEffect::MirrorEffect() {
    deferredKey = key;
}

MirrorEffect::~MirrorEffect() {
    detach(true);
    leaveViews();
}

void MirrorEffect::enterView(RenderView* view) {
    if (!view)
        return;
    View& engineView = view->getEngineView();
    if (views.insert(&engineView).second)
        ZBufferFiller::registerView(engineView);
}

void MirrorEffect::leaveViews() {
    for (View* view : views)
        ZBufferFiller::unregisterView(*view);
    views.clear();
}

RenderMeshInterface* MirrorEffect::attach(RenderMeshInterface* chain) {
    RenderMeshInterface* front = EffectiveRenderMesh::attach(chain);
    if (isAttached())
        enterView(getRenderView());
    return front;
}

RenderMeshInterface* MirrorEffect::detach(bool relink) {
    leaveViews();
    return EffectiveRenderMesh::detach(relink);
}

void MirrorEffect::beginView(RenderView* view) {
    EffectiveRenderMesh::beginView(view);
    enterView(getRenderView());
}

// The engine brackets every drawing of the mesh with this pair, not its
// stay in the view: the fillers must outlast the mesh's drawing, to the end
// of the view, so the mirror stays counted until it is detached.
void MirrorEffect::endView() {
    EffectiveRenderMesh::endView();
}

void MirrorEffect::prepareView(RenderView* view) {
    EffectiveRenderMesh::prepareView(view);
    addToDeferredRenderObjectsList(static_cast<DeferredRenderObject*>(this));
}

void MirrorEffect::morph(MorphingInformation* info) {
    records.absorb(info);
}

void MirrorEffect::transform(TransformInformation* info) {
    if (records.visible())
        EffectiveRenderMesh::transform(info);
}

void MirrorEffect::render(RenderInformation* info) {
    if (!records.visible())
        return;
    if (!theRenderStateManager) {
        EffectiveRenderMesh::render(info);
        return;
    }
    RenderStateManager& states = *theRenderStateManager;
    states.setState(RS_ALPHABLENDENABLE, TRUE);
    states.setState(RS_SRCBLEND, D3DBLEND_SRCALPHA);
    states.setState(RS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const DWORD arg1 = states.getState(TSS_ALPHAARG1, 0);
    const DWORD arg2 = states.getState(TSS_ALPHAARG2, 0);
    const DWORD op = states.getState(TSS_ALPHAOP, 0);
    states.setState(TSS_ALPHAARG1, 0, D3DTA_TEXTURE);
    states.setState(TSS_ALPHAARG2, 0, D3DTA_TFACTOR);
    states.setState(TSS_ALPHAOP, 0, D3DTOP_SELECTARG2);
    states.setState(RS_TEXTUREFACTOR, DWORD(opacity * 255.0f) << 24);
    EffectiveRenderMesh::render(info);
    states.setState(TSS_ALPHAARG1, 0, arg1);
    states.setState(TSS_ALPHAARG2, 0, arg2);
    states.setState(TSS_ALPHAOP, 0, op);
    states.setState(RS_ALPHABLENDENABLE, FALSE);
}

void MirrorEffect::transform() {
    if (!isAttached())
        return;
    MorphingInformation& morphing = records.morphRecord;
    morphing.worldMatrix = &records.worldMatrix;
    morphing.worldOffset = &records.worldOffset;
    EffectiveRenderMesh::morph(&morphing);
    if (!records.visible() || !g_pDevice)
        return;
    records.transformRecord.flags = TransformInformation::LIGHT | 0x1u;
    // Every vertex at the back of the depth range: z = 0.999 w.
    D3DMATRIX projection{};
    g_pDevice->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    D3DMATRIX pushed = projection;
    pushed._13 = backDepth * projection._14;
    pushed._23 = backDepth * projection._24;
    pushed._33 = backDepth * projection._34;
    pushed._43 = backDepth * projection._44;
    g_pDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &pushed);
    EffectiveRenderMesh::transform(&records.transformRecord);
    g_pDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
}

void MirrorEffect::render() {
    if (!isAttached())
        return;
    if (records.visible() && theRenderStateManager) {
        const DWORD zFunction = theRenderStateManager->getState(RS_ZFUNC);
        theRenderStateManager->setState(RS_ZFUNC, D3DCMP_ALWAYS);
        records.renderRecord.flags = RenderInformation::REGULAR | RenderInformation::ALPHA;
        EffectiveRenderMesh::render(&records.renderRecord);
        theRenderStateManager->setState(RS_ZFUNC, zFunction);
    }
    // This test decides next frame's visibility.
    records.morphRecord.clipFlags = MorphingInformation::CLIP_TEST;
    EffectiveRenderMesh::morph(&records.morphRecord);
}
