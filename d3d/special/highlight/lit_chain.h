// Helpers of the effects that change the light a mesh is lit with while the
// chain transforms it.
#pragma once

#include "../../rview.h"

#include <engine/core/render_mesh_interface.h>

#include <cstring>

// The driver's view the chain is drawn in, or null outside a view.
inline D3DRenderView* chainView(RenderMeshInterface& chain) {
    return dynamic_cast<D3DRenderView*>(chain.getRenderView());
}

// The engine compares colours by their bytes, not as numbers.
inline bool sameBytes(const Color& a, const Color& b) {
    return std::memcmp(&a, &b, sizeof(Color)) == 0;
}

// Switches the view's lights off for its lifetime, unless they are to be used.
class LightsOff {
public:
    LightsOff(D3DRenderView& view, bool keepLights) : view(view), off(!keepLights) {
        if (off)
            view.deactivateAllLights();
    }
    ~LightsOff() {
        if (off)
            view.activateAllLights();
    }
    LightsOff(const LightsOff&) = delete;
    LightsOff& operator=(const LightsOff&) = delete;

private:
    D3DRenderView& view;
    const bool off;
};

// Sets the view's ambient light for its lifetime, then puts the old one back.
class AmbientOverride {
public:
    AmbientOverride(D3DRenderView& view, const Color& ambient)
        : view(view), saved(view.getAmbientLight()) {
        view.setAmbientLight(ambient);
    }
    ~AmbientOverride() { view.setAmbientLight(saved); }
    AmbientOverride(const AmbientOverride&) = delete;
    AmbientOverride& operator=(const AmbientOverride&) = delete;

    const Color& getSaved() const { return saved; }

private:
    D3DRenderView& view;
    const Color saved;
};
