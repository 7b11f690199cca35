#include "degrading_manager.h"

#include "driver_filter.h"
#include "states.h"

#include <engine/debug.h>

D3DDegradingManager* theD3DDegradingManager = nullptr;

namespace {
const char* const sourcePath = "3d/driver/d3d/driver";
}

DWORD currentRasterCaps() {
    const D3DDEVICEDESC& description =
        theCapabilities.hardware.dwFlags != 0 ? theCapabilities.hardware : theCapabilities.software;
    return description.dpcTriCaps.dwRasterCaps;
}

D3DDegradingManager::D3DDegradingManager() : DegradingManager(&capabilityFlags) {}

int D3DDegradingManager::scaleFactorForQuality(int quality) {
    // A quality below the range counts as the lowest, above it as full size.
    if (quality <= 0)
        return 2;
    return quality == 1 ? 1 : 0;
}

void D3DDegradingManager::update() {
    const DWORD caps = currentRasterCaps();
    std::uint32_t flags = 0x25;
    if (caps & D3DPRASTERCAPS_DITHER)
        flags |= 0x02;
    if (caps & D3DPRASTERCAPS_SUBPIXEL)
        flags |= 0x10;
    if (caps & D3DPRASTERCAPS_ANISOTROPY)
        flags |= 0x40;
    if (caps & (D3DPRASTERCAPS_ANTIALIASEDGES | D3DPRASTERCAPS_ANTIALIASSORTINDEPENDENT))
        flags |= 0x08;
    if (caps & D3DPRASTERCAPS_WBUFFER)
        flags |= 0x80;
    capabilityFlags = flags;
    setOption(SHADOWS, true);
    setOption(DETAIL_TEXTURES, true);
    setOption(EFFECTS, true);
}

void D3DDegradingManager::apply() {
    DegradingManager::apply();
    if (!theD3DRenderDriver || !theRenderStateManager)
        return;
    thread::Lock guard(theD3DRenderDriver);
    DriverSettings& settings = g_driverSettings;
    RenderStateManager& states = *theRenderStateManager;

    settings.dithering = getOption(DITHERING);
    settings.specular = getOption(SPECULAR);
    settings.subPixel = getOption(SUB_PIXEL);
    states.setState(RS_DITHERENABLE, settings.dithering ? TRUE : FALSE);
    states.setRenderState(D3DRENDERSTATE_SUBPIXEL, settings.subPixel ? TRUE : FALSE);

    settings.depthBufferMode = getOption(W_BUFFER) ? 2 : 1;
    states.setState(RS_ZENABLE, static_cast<DWORD>(settings.depthBufferMode));

    const int scaleFactor = scaleFactorForQuality(getTextureQuality());
    const bool mipmaps = getOption(MIPMAPS);
    const bool rebuild = scaleFactor != settings.textureScaleFactor || mipmaps != settings.mipmaps;
    settings.textureScaleFactor = scaleFactor;
    settings.mipmaps = mipmaps;
    if (rebuild) {
        // The texture manager rebuilds its textures here once it exists.
    }

    states.setRenderState(D3DRENDERSTATE_EDGEANTIALIAS, 0);
    states.setRenderState(D3DRENDERSTATE_ANTIALIAS, 0);
    if (getOption(ANTIALIASING)) {
        const DWORD caps = currentRasterCaps();
        if (caps & D3DPRASTERCAPS_ANTIALIASSORTINDEPENDENT)
            states.setRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT);
        else if (caps & D3DPRASTERCAPS_ANTIALIASEDGES)
            states.setRenderState(D3DRENDERSTATE_EDGEANTIALIAS, TRUE);
    }

    settings.antialiasing = getOption(ANTIALIASING);
    settings.anisotropy = getOption(ANISOTROPY);
    states.setState(TSS_MAGFILTER, 0, settings.anisotropy ? D3DTFG_ANISOTROPIC : D3DTFG_LINEAR);

    states.flush();
}

void D3DDegradingManager::current() {
    DegradingManager::current();
    const DriverSettings& settings = g_driverSettings;
    setOption(MIPMAPS, settings.mipmaps);
    setOption(ANTIALIASING, settings.antialiasing);
    setOption(SPECULAR, settings.specular);
    setOption(W_BUFFER, settings.depthBufferMode == 2);
    if (theRenderStateManager) {
        DWORD value = 0;
        theRenderStateManager->getRenderState(D3DRENDERSTATE_DITHERENABLE, &value);
        setOption(DITHERING, value != 0);
        value = 0;
        theRenderStateManager->getRenderState(D3DRENDERSTATE_SUBPIXEL, &value);
        setOption(SUB_PIXEL, value != 0);
        setOption(ANISOTROPY,
                  theRenderStateManager->getState(TSS_MAGFILTER, 0) == D3DTFG_ANISOTROPIC);
    }

    switch (settings.textureScaleFactor) {
    case 0:
        setTextureQuality(2);
        break;
    case 1:
        setTextureQuality(1);
        break;
    case 2:
        setTextureQuality(0);
        break;
    default:
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "Warning! Unknown texture scale factor "
                          << settings.textureScaleFactor);
    }
}
