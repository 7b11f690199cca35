#include "engine/core/render_mesh_shell.h"

#include <cmath>

#include "engine/core/globals.h"
#include "engine/core/render_driver.h"

RenderMeshShell::RenderMeshShell(const BaseKeyMesh& mesh, int materialSet) : keyMesh(mesh) {
    if (theRenderMeshFactory)
        this->mesh = theRenderMeshFactory->create(materialSet, mesh);
    if (this->mesh)
        meshLink = std::make_unique<OneLevelMeshLink>(this->mesh);
}

RenderMeshShell::~RenderMeshShell() {
    // The effects outlive the shell; they must not point into it.
    while (meshLink && meshLink->getAbove())
        meshLink->getAbove()->detach(true);
    if (mesh && theRenderMeshFactory)
        theRenderMeshFactory->destroy(mesh);
}

void RenderMeshShell::setTransformation(const TMatrix& newOrientation, const Vector& newPosition) {
    orientation = newOrientation;
    position = newPosition;
    transformChanged = true;
}

void RenderMeshShell::setAnimationTime(float seconds) {
    if (seconds != animationTime)
        keysChanged = true;
    animationTime = seconds;
}

bool RenderMeshShell::attachEffect(EffectiveRenderMesh* effect) {
    if (!meshLink || !effect || effect->isAttached())
        return false;
    effect->attach(getChain());
    return true;
}

bool RenderMeshShell::detachEffect(EffectiveRenderMesh* effect) {
    if (!effect || !effect->isAttached())
        return false;
    // Only a link of this chain: walk down from the front.
    RenderMeshInterface* link = getChain();
    while (link != effect) {
        auto* below = dynamic_cast<EffectiveRenderMesh*>(link);
        if (!below)
            return false;
        link = below->getAttached();
    }
    effect->detach(true);
    return true;
}

void RenderMeshShell::chooseKeys() {
    const std::vector<KeyFrame>& frames = keyMesh.getKeyFrames();
    morphing.keyCount = 1;
    morphing.weights[0] = 1.0f;
    if (frames.empty()) {
        morphing.keys[0] = &keyMesh.getKeyMesh();
        return;
    }
    const float length = keyMesh.getAnimationLength();
    float t = animationTime;
    if (length > 0.0f) {
        t = std::fmod(t, length);
        if (t < 0.0f)
            t += length;
    }
    std::size_t next = 0;
    while (next < frames.size() && frames[next].time <= t)
        ++next;
    if (next == 0 || next == frames.size() || frames[next - 1].time == t) {
        morphing.keys[0] = &frames[next == 0 ? 0 : next - 1].mesh;
        return;
    }
    const KeyFrame& before = frames[next - 1];
    const KeyFrame& after = frames[next];
    const float w = (after.time - t) / (after.time - before.time);
    morphing.keyCount = 2;
    morphing.keys[0] = &before.mesh;
    morphing.keys[1] = &after.mesh;
    morphing.weights[0] = w;
    morphing.weights[1] = 1.0f - w;
}

void RenderMeshShell::render() {
    picked = false;
    if (!mesh)
        return;
    unsigned flags = 0;
    if (keysChanged) {
        chooseKeys();
        flags |= MorphingInformation::MODEL_BOX;
        keysChanged = false;
        morphPending = true;
    }
    // A culled mesh is not morphed, so new keys wait until it is seen.
    if (morphPending) {
        flags |= MorphingInformation::GEOMETRY | MorphingInformation::NORMALS;
        for (int k = 0; k < morphing.keyCount; ++k)
            if (morphing.keys[k]->getFlags() & KeyMesh::HAS_TEXTURE_VERTICES)
                flags |= MorphingInformation::TEXTURE;
    }
    if (transformChanged) {
        flags |= MorphingInformation::NEW_TRANSFORM;
        morphing.worldMatrix = &orientation;
        morphing.worldOffset = &position;
        transformChanged = false;
    }
    morphing.flags = flags;
    morphing.clipFlags = MorphingInformation::CLIP_TEST;
    RenderView* view = theRenderDriver ? theRenderDriver->getCurrentRenderView() : nullptr;
    RenderMeshInterface* front = meshLink->getFront();
    front->prepareView(view);
    front->beginView(view);
    front->morph(&morphing);
    if (morphing.clipResult == 0) {
        front->endView();
        return;
    }
    morphPending = false;

    TransformInformation transforming;
    transforming.flags = lighting ? TransformInformation::LIGHT : 0u;
    front->transform(&transforming);

    RenderInformation rendering;
    rendering.flags = RenderInformation::REGULAR | RenderInformation::ALPHA |
                      RenderInformation::DEFER_ALPHA;
    rendering.deferredKey = deferredKey;
    rendering.pickRequest = pickable;
    front->render(&rendering);
    front->endView();
    if (pickable && rendering.pickResult) {
        picked = true;
        pickedDepth = rendering.pickedDepth;
        if (theRenderDriver)
            theRenderDriver->registerPointedObject(this, pickedDepth);
    }
}
