#include "aureole.h"

#include "overdraw.h"
#include "screen_point.h"
#include "../rmesh.h"
#include "../rview.h"
#include "../tmanager.h"

#include <engine/class_registry.h>

#include <algorithm>
#include <cmath>

REGISTER_CLASS(AureoleEffect);

void AureoleEffect::prepareView(RenderView* view) {
    queued = false;
    EffectiveRenderMesh::prepareView(view);
}

void AureoleEffect::render(RenderInformation* info) {
    EffectiveRenderMesh::render(info);
    mesh = driverMesh(*this);
    if (queued || !mesh || mesh->getClipState() == D3DOneLevelRenderMesh::CLIP_CULLED)
        return;
    queued = true;
    deferred.depth = mesh->getScreenBox().minimum.z;
    addToDeferredAlphaObjectsList(&deferred);
}

bool AureoleEffect::placeRing(const D3DOneLevelRenderMesh& mesh, float& x, float& y,
                              float& radius) const {
    const auto* view = theD3DRenderDriver
                           ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
                           : nullptr;
    const BoundingBox& box = mesh.getScreenBox();
    if (!view || box.empty || box.maximum.z <= 0.0f)
        return false;
    // The screen box is in clip units: x vertical (+1 top), y horizontal.
    const D3DVIEWPORT2& vp = view->getViewportData();
    const float w = float(vp.dwWidth);
    const float h = float(vp.dwHeight);
    const float left = float(vp.dwX) + (box.minimum.y + 1.0f) * 0.5f * w;
    const float right = float(vp.dwX) + (box.maximum.y + 1.0f) * 0.5f * w;
    const float top = float(vp.dwY) + (1.0f - box.maximum.x) * 0.5f * h;
    const float bottom = float(vp.dwY) + (1.0f - box.minimum.x) * 0.5f * h;
    x = (left + right) * 0.5f;
    y = (top + bottom) * 0.5f;
    radius = std::max(right - left, bottom - top) * 0.5f;
    return radius > 0.0f;
}

void AureoleEffect::draw() {
    queued = false;
    if (!mesh || !g_pDevice || !theRenderStateManager || !theD3DRenderDriver ||
        theD3DRenderDriver->inIdlingMode())
        return;
    float cx = 0.0f;
    float cy = 0.0f;
    float inner = 0.0f;
    if (!placeRing(*mesh, cx, cy, inner))
        return;
    // Three circles: dark just inside the mesh's edge, brightest at it, and
    // dark again at the outer radius, so the ring is soft on both sides.
    // The ring stands at the depth of the mesh's centre: what is in front
    // of the mesh hides it, what is behind does not.
    const auto* view = dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView());
    ScreenVertex centre{};
    const Vector world =
        mesh->getWorldMatrix() * mesh->getModelBox().center() + mesh->getWorldOffset();
    if (!view || !toScreen(*view, world, centre))
        return;
    const float radii[3] = {inner * 0.8f, inner, inner * scale};
    const DWORD bright = colorToARGB(clamped(color * intensity));
    const DWORD colors[3] = {0, bright, 0};
    ScreenVertex strip[2][2 * (segments + 1)];
    for (int band = 0; band < 2; ++band)
        for (int s = 0; s <= segments; ++s) {
            const float a = 6.2831853f * float(s) / float(segments);
            for (int k = 0; k < 2; ++k) {
                ScreenVertex& v = strip[band][2 * s + k];
                v = ScreenVertex{cx + std::cos(a) * radii[band + k],
                                 cy + std::sin(a) * radii[band + k], centre.z, centre.rhw,
                                 colors[band + k], 0, 0.0f, 0.0f};
            }
        }
    StateScope scope;
    scope.set(TSS_COLOROP, 0, D3DTOP_SELECTARG1);
    scope.set(TSS_COLORARG1, 0, D3DTA_DIFFUSE);
    scope.set(TSS_ALPHAOP, 0, D3DTOP_SELECTARG1);
    scope.set(TSS_ALPHAARG1, 0, D3DTA_DIFFUSE);
    scope.set(RS_ALPHABLENDENABLE, TRUE);
    scope.set(RS_SRCBLEND, D3DBLEND_ONE);
    scope.set(RS_DESTBLEND, D3DBLEND_ONE);
    scope.set(RS_ZENABLE, TRUE);
    scope.set(RS_ZWRITEENABLE, FALSE);
    scope.set(RS_CULLMODE, D3DCULL_NONE);
    theRenderStateManager->flush();
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(nullptr, 0);
    for (auto& band : strip)
        g_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, screenVertexFormat, band,
                                 2 * (segments + 1),
                                 D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT);
}
