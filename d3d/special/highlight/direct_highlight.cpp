#include "direct_highlight.h"

#include "lit_chain.h"

#include <engine/class_registry.h>
#include <engine/core/view.h>

REGISTER_CLASS(DirectHighlight);

void DirectHighlight::addLight(D3DRenderView* view) {
    if (!view || (light && lightView == view))
        return;
    removeLight();
    light = view->addDirectionalLight(color, Vector(0.0f, 0.0f, 1.0f));
    lightView = light ? view : nullptr;
    // It shines only while this mesh is lit.
    view->deactivateLight(light);
}

void DirectHighlight::removeLight() {
    if (!light)
        return;
    // Attached again first, so that removing it takes it off the viewport
    // exactly once.
    lightView->activateLight(light);
    lightView->removeLight(light);
    light = nullptr;
    lightView = nullptr;
}

RenderMeshInterface* DirectHighlight::attach(RenderMeshInterface* chain) {
    RenderMeshInterface* front = EffectiveRenderMesh::attach(chain);
    addLight(chainView(*this));
    return front;
}

RenderMeshInterface* DirectHighlight::detach(bool relink) {
    removeLight();
    return EffectiveRenderMesh::detach(relink);
}

void DirectHighlight::beginView(RenderView* view) {
    EffectiveRenderMesh::beginView(view);
    addLight(dynamic_cast<D3DRenderView*>(view));
}

void DirectHighlight::endView() {
    removeLight();
    EffectiveRenderMesh::endView();
}

void DirectHighlight::transform(TransformInformation* info) {
    D3DRenderView* view = enabled ? chainView(*this) : nullptr;
    // Without its light in this view (attached outside one) it has nothing to add.
    if (!view || !light || view != lightView) {
        EffectiveRenderMesh::transform(info);
        return;
    }
    LightsOff off(*view, keepLights);
    view->setLightColor(light, color);
    // The camera's viewing axis: the light shines from the eye into the scene.
    view->setLightDirection(light, view->getView().getFrameCamera().getGlobalTM().column(2));
    view->activateLight(light);
    EffectiveRenderMesh::transform(info);
    view->deactivateLight(light);
}
