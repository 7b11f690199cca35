#include "contour.h"

#include "../overdraw.h"
#include "../../rmesh.h"
#include "../../rview.h"

#include <engine/class_registry.h>
#include <engine/core/effect_settings.h>

REGISTER_CLASS(Contour);

Contour::Contour(bool selected) : selected(selected) {}

void Contour::setContourColor(const Color& c) {
    color = colorToARGB(c);
}

void Contour::prepareView(RenderView* view) {
    queued = false;
    EffectiveRenderMesh::prepareView(view);
}

void Contour::morph(MorphingInformation* info) {
    EffectiveRenderMesh::morph(info);
    // Only a mesh that is seen is transformed this view, so only its
    // processed vertices can be drawn again.
    if (!selected || queued || !info || info->clipResult == 0)
        return;
    mesh = driverMesh(*this);
    if (!mesh)
        return;
    queued = true;
    addToDeferredRenderObjectsList(&deferred);
}

void Contour::draw() {
    queued = false;
    if (!mesh || !theRenderStateManager)
        return;
    const int type = SEContour::contourType;
    const bool zFix = ModelSelectionInterface::force_contour_z_fix;
    if (type == SEContour::HIGHLIGHT || type == SEContour::OUTLINE_AND_HIGHLIGHT) {
        // Half the colour added over the surface, where the surface is seen.
        StateScope scope;
        const DWORD half = (color & 0xFF000000u) | ((color >> 1) & 0x007F7F7Fu);
        setFlatColor(scope, half);
        scope.set(RS_ALPHABLENDENABLE, TRUE);
        scope.set(RS_SRCBLEND, D3DBLEND_ONE);
        scope.set(RS_DESTBLEND, D3DBLEND_ONE);
        scope.set(RS_ZWRITEENABLE, FALSE);
        scope.set(RS_ZFUNC, D3DCMP_LESSEQUAL);
        overdrawMesh(*mesh);
    }
    if (type == SEContour::OUTLINE || type == SEContour::OUTLINE_AND_HIGHLIGHT) {
        StateScope scope;
        setFlatColor(scope, color);
        scope.set(RS_FILLMODE, D3DFILL_WIREFRAME);
        scope.set(RS_ALPHABLENDENABLE, FALSE);
        scope.set(RS_ZWRITEENABLE, FALSE);
        scope.set(RS_ZENABLE, zFix ? FALSE : TRUE);
        scope.set(RS_ZFUNC, D3DCMP_LESSEQUAL);
        scope.set(RS_CULLMODE, D3DCULL_NONE);
        overdrawMesh(*mesh);
    }
}
