#include "special/mirror/zbuffer_filler.h"

#include "special/driver_lock.h"

#include "driver.h"
#include "rview.h"
#include "states.h"

#include <engine/core/view.h>

#include <map>

namespace {

// Mirrors attached per view. The render thread counts a mirror in when it
// draws it, the engine's thread out when it detaches it: both under the
// driver's lock, which waits for the frame in progress. Never destroyed: a
// mirror detached while the program's statics go (a scene held in a static)
// must still find it.
std::map<const View*, int>& mirrorCounts() {
    static auto* const counts = new std::map<const View*, int>;
    return *counts;
}

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD diffuse, specular;
    float u, v;
};

}  // namespace

ZBufferFiller::ZBufferFiller(float depth, int key) : depth(depth) {
    deferredKey = key;
}

// Never destroyed either, for the same reason.
ZBufferFiller& ZBufferFiller::nearFiller() {
    static auto* const filler = new ZBufferFiller(0.0f, nearKey);
    return *filler;
}

ZBufferFiller& ZBufferFiller::farFiller() {
    static auto* const filler = new ZBufferFiller(1.0f, farKey);
    return *filler;
}

void ZBufferFiller::registerView(View& view) {
    const special::DriverLock lock;
    auto [entry, made] = mirrorCounts().try_emplace(&view, 0);
    if (made) {
        view.registerObject(&nearFiller());
        view.registerObject(&farFiller());
    }
    ++entry->second;
}

void ZBufferFiller::unregisterView(View& view) {
    const special::DriverLock lock;
    const auto entry = mirrorCounts().find(&view);
    if (entry == mirrorCounts().end())
        return;
    if (--entry->second > 0)
        return;
    mirrorCounts().erase(entry);
    view.unregisterObject(&nearFiller());
    view.unregisterObject(&farFiller());
}

int ZBufferFiller::mirrorsIn(const View& view) {
    const special::DriverLock lock;
    const auto entry = mirrorCounts().find(&view);
    return entry == mirrorCounts().end() ? 0 : entry->second;
}

void ZBufferFiller::render(RenderView&) {
    addToDeferredRenderObjectsList(this);
}

void ZBufferFiller::render() {
    const auto* view =
        theD3DRenderDriver
            ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
            : nullptr;
    if (!view || !g_pDevice || !theRenderStateManager)
        return;
    RenderStateManager& states = *theRenderStateManager;
    const DWORD blending = states.getState(RS_ALPHABLENDENABLE);
    const DWORD source = states.getState(RS_SRCBLEND);
    const DWORD destination = states.getState(RS_DESTBLEND);
    const DWORD zFunction = states.getState(RS_ZFUNC);
    // Source times zero plus destination: the colours stay as they are.
    states.setState(RS_ALPHABLENDENABLE, TRUE);
    states.setState(RS_SRCBLEND, D3DBLEND_ZERO);
    states.setState(RS_DESTBLEND, D3DBLEND_ONE);
    states.setState(RS_ZFUNC, D3DCMP_ALWAYS);
    states.flush();
    const float width = float(view->getViewportData().dwWidth);
    const float height = float(view->getViewportData().dwHeight);
    ScreenVertex corners[4] = {{0, 0, depth, depth, 0, 0, 0, 0},
                               {width, 0, depth, depth, 0, 0, 0, 0},
                               {0, height, depth, depth, 0, 0, 0, 0},
                               {width, height, depth, depth, 0, 0, 0, 0}};
    g_pDevice->DrawPrimitive(
        D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1,
        corners, 4, D3DDP_DONOTCLIP | D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT);
    states.setState(RS_ALPHABLENDENABLE, blending);
    states.setState(RS_SRCBLEND, source);
    states.setState(RS_DESTBLEND, destination);
    states.setState(RS_ZFUNC, zFunction);
}
