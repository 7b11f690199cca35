// The surface methods of IDirectDrawSurface to IDirectDrawSurface3 whose
// parameters differ from IDirectDrawSurface4: each converts the older
// structures and surface pointers and calls the newer method, so both faces
// behave alike.
#include "ddraw/surface.h"

#include "ddraw/surface_desc.h"

namespace platform::ddraw {
namespace {

// A surface argument of the older interfaces: null stays null, a pointer
// that is not one of ours is refused.
bool newerSurface(IDirectDrawSurface* s, IDirectDrawSurface4** out) {
    Surface* found = s ? Surface::fromInterface(s) : nullptr;
    *out = found;
    return !s || found;
}

IDirectDrawSurface* olderFace(IDirectDrawSurface4* s) {
    Surface* found = s ? Surface::fromInterface(s) : nullptr;
    return found ? found->asSurface() : nullptr;
}

// Passes each surface of a newer enumeration to an older callback, with the
// reference the enumeration gave it.
struct OlderEnumeration {
    LPDDENUMSURFACESCALLBACK callback;
    LPVOID context;

    static HRESULT WINAPI forward(LPDIRECTDRAWSURFACE4 surface, LPDDSURFACEDESC2 desc2,
                                  LPVOID self) {
        const auto* e = static_cast<const OlderEnumeration*>(self);
        DDSURFACEDESC desc{};
        if (desc2)
            copyToOlder(*desc2, &desc);
        return e->callback(olderFace(surface), desc2 ? &desc : nullptr, e->context);
    }
};

}  // namespace

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE surface) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!surface || !newerSurface(surface, &s4))
        return DDERR_INVALIDPARAMS;
    return AddAttachedSurface(s4);
}

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX fx) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!newerSurface(source, &s4))
        return DDERR_INVALIDPARAMS;
    return Blt(destRect, s4, sourceRect, flags, fx);
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                         DWORD trans) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!newerSurface(source, &s4))
        return DDERR_INVALIDPARAMS;
    return BltFast(x, y, s4, sourceRect, trans);
}

HRESULT Surface::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE surface) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!newerSurface(surface, &s4))
        return DDERR_INVALIDPARAMS;
    return DeleteAttachedSurface(flags, s4);
}

HRESULT Surface::EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK cb) {
    if (!cb)
        return DDERR_INVALIDPARAMS;
    OlderEnumeration e{cb, context};
    return EnumAttachedSurfaces(&e, &OlderEnumeration::forward);
}

HRESULT Surface::EnumOverlayZOrders(DWORD flags, LPVOID context, LPDDENUMSURFACESCALLBACK cb) {
    if (!cb)
        return DDERR_INVALIDPARAMS;
    OlderEnumeration e{cb, context};
    return EnumOverlayZOrders(flags, &e, &OlderEnumeration::forward);
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!newerSurface(target, &s4))
        return DDERR_INVALIDPARAMS;
    return Flip(s4, flags);
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) {
    if (!caps || !surface)
        return DDERR_INVALIDPARAMS;
    DDSCAPS2 caps2{};
    caps2.dwCaps = caps->dwCaps;
    IDirectDrawSurface4* found = nullptr;
    const HRESULT hr = GetAttachedSurface(&caps2, &found);
    *surface = olderFace(found);
    return hr;
}

HRESULT Surface::GetCaps(LPDDSCAPS caps) {
    if (!caps)
        return DDERR_INVALIDPARAMS;
    DDSCAPS2 caps2{};
    const HRESULT hr = GetCaps(&caps2);
    if (SUCCEEDED(hr))
        caps->dwCaps = caps2.dwCaps;
    return hr;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc2 = newerDesc(*desc);
    const HRESULT hr = GetSurfaceDesc(&desc2);
    if (SUCCEEDED(hr))
        copyToOlder(desc2, desc);
    return hr;
}

HRESULT Surface::Initialize(IDirectDraw* dd, LPDDSURFACEDESC desc) {
    if (!desc)
        return Initialize(dd, static_cast<LPDDSURFACEDESC2>(nullptr));
    DDSURFACEDESC2 desc2 = newerDesc(*desc);
    return Initialize(dd, &desc2);
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) {
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc2 = newerDesc(*desc);
    const HRESULT hr = Lock(rect, &desc2, flags, event);
    if (SUCCEEDED(hr))
        copyToOlder(desc2, desc);
    else
        desc->lpSurface = nullptr;
    return hr;
}

// The older Unlock names the locked memory rather than a rectangle; a
// surface holds one lock at a time, so it needs neither.
HRESULT Surface::Unlock(LPVOID) {
    return Unlock(static_cast<LPRECT>(nullptr));
}

HRESULT Surface::UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE destSurface, LPRECT destRect,
                               DWORD flags, LPDDOVERLAYFX fx) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!newerSurface(destSurface, &s4))
        return DDERR_INVALIDPARAMS;
    return UpdateOverlay(sourceRect, s4, destRect, flags, fx);
}

HRESULT Surface::UpdateOverlayZOrder(DWORD flags, LPDIRECTDRAWSURFACE reference) {
    IDirectDrawSurface4* s4 = nullptr;
    if (!newerSurface(reference, &s4))
        return DDERR_INVALIDPARAMS;
    return UpdateOverlayZOrder(flags, s4);
}

HRESULT Surface::SetSurfaceDesc(LPDDSURFACEDESC desc, DWORD flags) {
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC))
        return SetSurfaceDesc(static_cast<LPDDSURFACEDESC2>(nullptr), flags);
    DDSURFACEDESC2 desc2 = newerDesc(*desc);
    return SetSurfaceDesc(&desc2, flags);
}

}  // namespace platform::ddraw
