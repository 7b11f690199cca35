#include "special/mirror/zbuffer_filler.h"

#include "special/driver_lock.h"

#include "driver.h"
#include "rview.h"
#include "states.h"

#include <engine/core/view.h>

#include <map>

namespace {

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD diffuse, specular;
    float u, v;
};

// Set when the registry below is destroyed; never destroyed itself. A mirror
// detached after that (a scene held in a static of its own) has no count or
// filler left to touch.
bool registryGone = false;

}  // namespace

// Mirrors attached per view and the two fillers. The render thread counts a
// mirror in when it draws it, the engine's thread out when it detaches it:
// both under the driver's lock, which waits for the frame in progress.
struct ZBufferFiller::Registry {
    std::map<const View*, int> counts;
    ZBufferFiller nearFiller{0.0f, nearKey};
    ZBufferFiller farFiller{1.0f, farKey};

    ~Registry() { registryGone = true; }

    static Registry& get() {
        static Registry registry;
        return registry;
    }
};

ZBufferFiller::ZBufferFiller(float depth, int key) : depth(depth) {
    deferredKey = key;
}

ZBufferFiller& ZBufferFiller::nearFiller() {
    return Registry::get().nearFiller;
}

ZBufferFiller& ZBufferFiller::farFiller() {
    return Registry::get().farFiller;
}

void ZBufferFiller::registerView(View& view) {
    const special::DriverLock lock;
    if (registryGone)
        return;
    auto [entry, made] = Registry::get().counts.try_emplace(&view, 0);
    if (made) {
        view.registerObject(&nearFiller());
        view.registerObject(&farFiller());
    }
    ++entry->second;
}

void ZBufferFiller::unregisterView(View& view) {
    const special::DriverLock lock;
    if (registryGone)
        return;
    auto& counts = Registry::get().counts;
    const auto entry = counts.find(&view);
    if (entry == counts.end())
        return;
    if (--entry->second > 0)
        return;
    counts.erase(entry);
    view.unregisterObject(&nearFiller());
    view.unregisterObject(&farFiller());
}

int ZBufferFiller::mirrorsIn(const View& view) {
    const special::DriverLock lock;
    if (registryGone)
        return 0;
    const auto& counts = Registry::get().counts;
    const auto entry = counts.find(&view);
    return entry == counts.end() ? 0 : entry->second;
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
