#include "trace.h"

#include "overdraw.h"
#include "screen_point.h"
#include "../rview.h"
#include "../tmanager.h"

#include <engine/class_registry.h>
#include <engine/core/render_timer.h>
#include <engine/core/view.h>

#include <algorithm>
#include <vector>

REGISTER_CLASS(TraceEffect);

void TraceEffect::sample(float time) {
    now = time;
    while (!points.empty() && now - points.front().time > lifetime)
        points.pop_front();
    if (!target)
        return;
    const Vector p = target->getGlobalOffset();
    // A resting object adds nothing; its trail fades away.
    if (!points.empty() && squaredLength(points.back().position - p) < width * width * 0.01f)
        return;
    points.push_back({p, now});
    if (points.size() > maxPoints)
        points.pop_front();
}

void TraceEffect::render(RenderView& renderView) {
    sample(static_cast<float>(theRenderTimer->getTime()));
    view = dynamic_cast<D3DRenderView*>(&renderView);
    if (points.size() < 2 || !view)
        return;
    deferred.depth = view->getZDepth(points.back().position);
    addToDeferredAlphaObjectsList(&deferred);
}

void TraceEffect::draw() {
    if (!view || points.size() < 2 || !g_pDevice || !theRenderStateManager || !theD3DRenderDriver ||
        theD3DRenderDriver->inIdlingMode())
        return;
    // The ribbon stands across the camera's up axis, so it faces the eye
    // when the object moves across the screen.
    const Vector up = view->getView().getFrameCamera().getGlobalTM().column(0) * width;
    std::vector<ScreenVertex> strip;
    strip.reserve(points.size() * 2);
    for (const Point& point : points) {
        const float life = lifetime > 0.0f ? 1.0f - (now - point.time) / lifetime : 0.0f;
        const DWORD argb = colorToARGB(clamped(Color(color.r, color.g, color.b, color.a * life)));
        ScreenVertex a{}, b{};
        if (!toScreen(*view, point.position + up, a) || !toScreen(*view, point.position - up, b)) {
            strip.clear();  // behind the eye: start again past it
            continue;
        }
        a.diffuse = b.diffuse = argb;
        strip.push_back(a);
        strip.push_back(b);
    }
    if (strip.size() < 4)
        return;
    StateScope scope;
    scope.set(TSS_COLOROP, 0, D3DTOP_SELECTARG1);
    scope.set(TSS_COLORARG1, 0, D3DTA_DIFFUSE);
    scope.set(TSS_ALPHAOP, 0, D3DTOP_SELECTARG1);
    scope.set(TSS_ALPHAARG1, 0, D3DTA_DIFFUSE);
    scope.set(RS_ALPHABLENDENABLE, TRUE);
    scope.set(RS_SRCBLEND, D3DBLEND_SRCALPHA);
    scope.set(RS_DESTBLEND, D3DBLEND_ONE);
    scope.set(RS_ZENABLE, TRUE);
    scope.set(RS_ZWRITEENABLE, FALSE);
    scope.set(RS_CULLMODE, D3DCULL_NONE);
    theRenderStateManager->flush();
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(nullptr, 0);
    g_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, screenVertexFormat, strip.data(),
                             DWORD(strip.size()), D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT);
}
