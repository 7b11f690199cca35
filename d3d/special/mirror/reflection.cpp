#include "special/mirror/reflection.h"

#include "states.h"

#include <engine/class_registry.h>
#include <engine/core/spherical.h>

REGISTER_CLASS(ReflectionEffect);

ReflectionEffect::ReflectionEffect() {
    deferredKey = key;
}

void ReflectionEffect::prepareView(RenderView* view) {
    EffectiveRenderMesh::prepareView(view);
    addToDeferredRenderObjectsList(static_cast<DeferredRenderObject*>(this));
}

void ReflectionEffect::morph(MorphingInformation* info) {
    records.absorb(info);
}

void ReflectionEffect::transform(TransformInformation* info) {
    if (records.visible())
        EffectiveRenderMesh::transform(info);
}

void ReflectionEffect::render(RenderInformation* info) {
    if (records.visible())
        EffectiveRenderMesh::render(info);
}

void ReflectionEffect::transform() {
    if (!isAttached())
        return;
    reflect(records.worldMatrix, records.worldOffset, reflectedMatrix, reflectedOffset);
    MorphingInformation& morphing = records.morphRecord;
    morphing.flags |= MorphingInformation::NEW_TRANSFORM;
    morphing.worldMatrix = &reflectedMatrix;
    morphing.worldOffset = &reflectedOffset;
    EffectiveRenderMesh::morph(&morphing);
    if (!records.visible())
        return;
    records.transformRecord.flags = TransformInformation::LIGHT | 0x1u;
    EffectiveRenderMesh::transform(&records.transformRecord);
}

void ReflectionEffect::render() {
    if (!isAttached())
        return;
    if (records.visible() && theRenderStateManager) {
        // The mirrored faces wind the other way round.
        const DWORD cull = theRenderStateManager->getState(RS_CULLMODE);
        theRenderStateManager->setState(RS_CULLMODE, D3DCULL_CW);
        records.renderRecord.flags = RenderInformation::REGULAR | RenderInformation::ALPHA;
        EffectiveRenderMesh::render(&records.renderRecord);
        theRenderStateManager->setState(RS_CULLMODE, cull);
    }
    // Back to where the mesh stands, with the clip test for next frame.
    MorphingInformation& morphing = records.morphRecord;
    morphing.flags = MorphingInformation::NEW_TRANSFORM;
    morphing.worldMatrix = &records.worldMatrix;
    morphing.worldOffset = &records.worldOffset;
    morphing.clipFlags = MorphingInformation::CLIP_TEST;
    EffectiveRenderMesh::morph(&morphing);
}
