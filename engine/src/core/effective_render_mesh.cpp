#include "engine/core/render_mesh_interface.h"

#include <vector>

#include "engine/core/globals.h"
#include "engine/core/render_driver.h"
#include "engine/debug.h"

namespace {

const debug::Filter& filter() {
    static const debug::Filter instance("Effects");
    return instance;
}

// A step of the frame needs its record and a mesh below; either missing is
// the caller's fault, said once per call and otherwise ignored.
bool usable(const RenderMeshInterface* next, const void* record, const char* step, int line) {
    if (next && record)
        return true;
    filter() << (debug::Error(debug::Context("engine/core/effective_render_mesh", line))
                 << step << ": " << (record ? "the effect is not attached to a mesh"
                                            : "no record given"));
    return false;
}

EffectiveRenderMesh* asLink(RenderMeshInterface* link) {
    return dynamic_cast<EffectiveRenderMesh*>(link);
}


}  // namespace

void EffectiveRenderMesh::setAboveOf(RenderMeshInterface* below, EffectiveRenderMesh* link) {
    if (EffectiveRenderMesh* effect = asLink(below))
        effect->above = link;
    else if (auto* end = dynamic_cast<OneLevelMeshLink*>(below))
        end->setAbove(link);
}

const BaseKeyMesh* EffectiveRenderMesh::getKeyMesh() {
    return next[LINK_KEY_MESH] ? next[LINK_KEY_MESH]->getKeyMesh() : nullptr;
}

OneLevelRenderMeshInterface* EffectiveRenderMesh::getOneLevelMesh() {
    return next[LINK_ONE_LEVEL_MESH] ? next[LINK_ONE_LEVEL_MESH]->getOneLevelMesh() : nullptr;
}

void EffectiveRenderMesh::prepareView(RenderView* view) {
    if (next[LINK_PREPARE_VIEW])
        next[LINK_PREPARE_VIEW]->prepareView(view);
}

void EffectiveRenderMesh::morph(MorphingInformation* info) {
    if (usable(next[LINK_MORPH], info, "morph", __LINE__))
        next[LINK_MORPH]->morph(info);
}

void EffectiveRenderMesh::transform(TransformInformation* info) {
    if (usable(next[LINK_TRANSFORM], info, "transform", __LINE__))
        next[LINK_TRANSFORM]->transform(info);
}

void EffectiveRenderMesh::render(RenderInformation* info) {
    if (usable(next[LINK_RENDER], info, "render", __LINE__))
        next[LINK_RENDER]->render(info);
}

const TMatrix* EffectiveRenderMesh::getWorldMatrix() {
    return next[LINK_WORLD_MATRIX] ? next[LINK_WORLD_MATRIX]->getWorldMatrix() : nullptr;
}

const Vector* EffectiveRenderMesh::getWorldOffset() {
    return next[LINK_WORLD_OFFSET] ? next[LINK_WORLD_OFFSET]->getWorldOffset() : nullptr;
}

RenderView* EffectiveRenderMesh::getRenderView() {
    return next[LINK_RENDER_VIEW] ? next[LINK_RENDER_VIEW]->getRenderView() : nullptr;
}

void EffectiveRenderMesh::beginView(RenderView* view) {
    if (next[LINK_BEGIN_VIEW])
        next[LINK_BEGIN_VIEW]->beginView(view);
}

void EffectiveRenderMesh::endView() {
    if (next[LINK_END_VIEW])
        next[LINK_END_VIEW]->endView();
}

RenderMeshInterface* EffectiveRenderMesh::attach(RenderMeshInterface* chain) {
    if (!chain || chain == this)
        return chain;
    if (attached)
        detach(true);
    // Walk down past every link that outranks this one or ties with it, so
    // that equal priorities keep the order they were attached in.
    EffectiveRenderMesh* upper = nullptr;
    RenderMeshInterface* lower = chain;
    for (EffectiveRenderMesh* link = asLink(lower);
         link && link->getEffectPriority() >= getEffectPriority(); link = asLink(lower)) {
        upper = link;
        lower = link->attached;
    }
    attached = lower;
    above = upper;
    if (upper)
        upper->attached = this;
    setAboveOf(lower, this);
    EffectiveRenderMesh* top = this;
    while (top->above)
        top = top->above;
    relink(top);
    return top;
}

RenderMeshInterface* EffectiveRenderMesh::detach(bool relinkAbove) {
    RenderMeshInterface* was = attached;
    if (!was)
        return nullptr;
    EffectiveRenderMesh* upper = above;
    setAboveOf(was, relinkAbove ? upper : nullptr);
    if (upper && relinkAbove) {
        upper->attached = was;
        EffectiveRenderMesh* top = upper;
        while (top->above)
            top = top->above;
        relink(top);
    }
    attached = nullptr;
    above = nullptr;
    for (RenderMeshInterface*& link : next)
        link = nullptr;
    return was;
}

EffectiveRenderMesh::~EffectiveRenderMesh() {
    detach(true);
}

void EffectiveRenderMesh::relink(EffectiveRenderMesh* top) {
    std::vector<EffectiveRenderMesh*> links;
    for (EffectiveRenderMesh* link = top; link; link = asLink(link->attached))
        links.push_back(link);
    // From the bottom up, each link's next for an operation is the link
    // right below when that one overrides it, else the one it forwards to.
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
        EffectiveRenderMesh* link = *it;
        RenderMeshInterface* below = link->attached;
        EffectiveRenderMesh* belowLink = asLink(below);
        const unsigned overloads = below ? below->getOverloadFlags() : 0u;
        for (int i = 0; i < LINK_COUNT; ++i) {
            if (!belowLink || (overloads & (1u << i)))
                link->next[i] = below;
            else
                link->next[i] = belowLink->next[i];
        }
    }
}

RenderMeshInterface* OneLevelMeshLink::getFront() {
    RenderMeshInterface* front = this;
    for (EffectiveRenderMesh* link = above; link; link = link->getAbove())
        front = link;
    return front;
}

RenderView* OneLevelMeshLink::getRenderView() {
    return theRenderDriver ? theRenderDriver->getCurrentRenderView() : nullptr;
}

void SERenderEnable::morph(MorphingInformation* info) {
    if (enabled) {
        EffectiveRenderMesh::morph(info);
        return;
    }
    // Culled as far as the engine can tell, so it asks for nothing more.
    if (info)
        info->clipResult = 0;
}

void SERenderEnable::transform(TransformInformation* info) {
    if (enabled)
        EffectiveRenderMesh::transform(info);
}

void SERenderEnable::render(RenderInformation* info) {
    if (enabled)
        EffectiveRenderMesh::render(info);
}
