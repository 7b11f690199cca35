#include "special/mirror/deferred_mesh.h"

#include "rmesh.h"

DeferredMeshRecords::DeferredMeshRecords() {
    morphRecord.flags = 0;
    morphRecord.keys[0] = nullptr;
    morphRecord.weights[0] = 0.0f;
    morphRecord.keyCount = 0;
    morphRecord.clipResult = D3DOneLevelRenderMesh::CLIP_CULLED;
}

void DeferredMeshRecords::absorb(MorphingInformation* info) {
    if (!info)
        return;
    shown = morphRecord.clipResult != D3DOneLevelRenderMesh::CLIP_CULLED;
    morphRecord.flags |= info->flags;
    morphRecord.clipFlags |= info->clipFlags;
    for (int k = 0; k < 3; ++k) {
        morphRecord.keys[k] = info->keys[k];
        morphRecord.weights[k] = info->weights[k];
    }
    morphRecord.keyCount = info->keyCount;
    if (info->flags & MorphingInformation::NEW_TRANSFORM) {
        if (info->worldMatrix)
            worldMatrix = *info->worldMatrix;
        if (info->worldOffset)
            worldOffset = *info->worldOffset;
    }
    if (info->clipFlags)
        info->clipResult = D3DOneLevelRenderMesh::CLIP_INSIDE;
    info->flags = 0;
    info->clipFlags = 0;
}
