#include "d3d/device/viewport.h"

#include "core/call_log.h"
#include "d3d/device/device.h"
#include "d3d/device/light.h"
#include "d3d/device/material.h"
#include "d3d/vertex/lighting.h"

#include <algorithm>

namespace platform::d3d::device {

Viewport* Viewport::fromInterface(IDirect3DViewport3* viewport) {
    return dynamic_cast<Viewport*>(viewport);
}

Viewport::~Viewport() {
    for (Light* light : lights_) {
        light->setViewport(nullptr);
        light->Release();
    }
}

HRESULT Viewport::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    *object = nullptr;
    // Each version's vtable is a prefix of IDirect3DViewport3's.
    if (riid == IID_IUnknown || riid == IID_IDirect3DViewport3 || riid == IID_IDirect3DViewport2 ||
        riid == IID_IDirect3DViewport) {
        AddRef();
        *object = static_cast<IDirect3DViewport3*>(this);
        return D3D_OK;
    }
    return E_NOINTERFACE;
}

ULONG Viewport::AddRef() {
    core::countCall("IDirect3DViewport3::AddRef", {});
    return ++refs_;
}

ULONG Viewport::Release() {
    core::countCall("IDirect3DViewport3::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Viewport::Initialize(LPDIRECT3D d3d) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::Initialize", (ULONG_PTR)d3d);
    return DDERR_ALREADYINITIALIZED;
}

HRESULT Viewport::store(const D3DVIEWPORT2& data) {
    if (!device_)
        return D3DERR_VIEWPORTHASNODEVICE;
    DWORD width = 0, height = 0;
    device_->targetSize(&width, &height);
    if (data.dwWidth == 0 || data.dwHeight == 0 || data.dwX >= width || data.dwY >= height ||
        data.dwWidth > width - data.dwX || data.dwHeight > height - data.dwY)
        return DDERR_INVALIDPARAMS;
    if (!(data.dvClipWidth > 0.0f) || !(data.dvClipHeight > 0.0f) || !(data.dvMinZ <= data.dvMaxZ))
        return DDERR_INVALIDPARAMS;
    data_ = data;
    data_.dwSize = sizeof(D3DVIEWPORT2);
    hasData_ = true;
    ++generation_;
    return D3D_OK;
}

HRESULT Viewport::SetViewport2(LPD3DVIEWPORT2 data) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::SetViewport2", (ULONG_PTR)data);
    if (!data || data->dwSize != sizeof(D3DVIEWPORT2))
        return DDERR_INVALIDPARAMS;
    return store(*data);
}

HRESULT Viewport::GetViewport2(LPD3DVIEWPORT2 data) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::GetViewport2", (ULONG_PTR)data);
    if (!data || data->dwSize != sizeof(D3DVIEWPORT2))
        return DDERR_INVALIDPARAMS;
    if (!hasData_)
        return D3DERR_VIEWPORTDATANOTSET;
    *data = data_;
    return D3D_OK;
}

// The DirectX 5 form: a scale and a clip extent of -max..max on both axes.
HRESULT Viewport::SetViewport(LPD3DVIEWPORT data) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::SetViewport", (ULONG_PTR)data);
    if (!data || data->dwSize != sizeof(D3DVIEWPORT) || !(data->dvMaxX > 0.0f) ||
        !(data->dvMaxY > 0.0f))
        return DDERR_INVALIDPARAMS;
    D3DVIEWPORT2 v{};
    v.dwSize = sizeof(D3DVIEWPORT2);
    v.dwX = data->dwX;
    v.dwY = data->dwY;
    v.dwWidth = data->dwWidth;
    v.dwHeight = data->dwHeight;
    v.dvClipX = -data->dvMaxX;
    v.dvClipY = data->dvMaxY;
    v.dvClipWidth = 2.0f * data->dvMaxX;
    v.dvClipHeight = 2.0f * data->dvMaxY;
    v.dvMinZ = data->dvMinZ;
    v.dvMaxZ = data->dvMaxZ;
    return store(v);
}

HRESULT Viewport::GetViewport(LPD3DVIEWPORT data) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::GetViewport", (ULONG_PTR)data);
    if (!data || data->dwSize != sizeof(D3DVIEWPORT))
        return DDERR_INVALIDPARAMS;
    if (!hasData_)
        return D3DERR_VIEWPORTDATANOTSET;
    data->dwX = data_.dwX;
    data->dwY = data_.dwY;
    data->dwWidth = data_.dwWidth;
    data->dwHeight = data_.dwHeight;
    data->dvMaxX = data_.dvClipWidth * 0.5f;
    data->dvMaxY = data_.dvClipHeight * 0.5f;
    data->dvScaleX = data_.dwWidth / data_.dvClipWidth;
    data->dvScaleY = data_.dwHeight / data_.dvClipHeight;
    data->dvMinZ = data_.dvMinZ;
    data->dvMaxZ = data_.dvMaxZ;
    return D3D_OK;
}

HRESULT Viewport::TransformVertices(DWORD count, LPD3DTRANSFORMDATA data, DWORD flags,
                                    LPDWORD offscreen) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::TransformVertices", count, (ULONG_PTR)data, flags,
                         (ULONG_PTR)offscreen);
    return DDERR_UNSUPPORTED;
}

HRESULT Viewport::LightElements(DWORD count, LPD3DLIGHTDATA data) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::LightElements", count, (ULONG_PTR)data);
    return DDERR_UNSUPPORTED;
}

HRESULT Viewport::SetBackground(D3DMATERIALHANDLE material) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::SetBackground", material);
    D3DMATERIAL ignored;
    if (!Material::lookup(material, &ignored))
        return DDERR_INVALIDPARAMS;
    background_ = material;
    hasBackground_ = true;
    return D3D_OK;
}

HRESULT Viewport::GetBackground(LPD3DMATERIALHANDLE material, LPBOOL valid) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::GetBackground", (ULONG_PTR)material,
                         (ULONG_PTR)valid);
    if (!material || !valid)
        return DDERR_INVALIDPARAMS;
    *material = background_;
    *valid = hasBackground_ ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Viewport::SetBackgroundDepth(IDirectDrawSurface* surface) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::SetBackgroundDepth", (ULONG_PTR)surface);
    return DDERR_UNSUPPORTED;
}

HRESULT Viewport::GetBackgroundDepth(IDirectDrawSurface** surface, LPBOOL valid) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::GetBackgroundDepth", (ULONG_PTR)surface,
                         (ULONG_PTR)valid);
    if (!surface || !valid)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    *valid = FALSE;
    return D3D_OK;
}

HRESULT Viewport::SetBackgroundDepth2(IDirectDrawSurface4* surface) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::SetBackgroundDepth2", (ULONG_PTR)surface);
    return DDERR_UNSUPPORTED;
}

HRESULT Viewport::GetBackgroundDepth2(IDirectDrawSurface4** surface, LPBOOL valid) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::GetBackgroundDepth2", (ULONG_PTR)surface,
                         (ULONG_PTR)valid);
    if (!surface || !valid)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    *valid = FALSE;
    return D3D_OK;
}

HRESULT Viewport::Clear2(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                         DWORD stencil) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::Clear2", count, (ULONG_PTR)rects, flags, color,
                         stencil);
    if ((count && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return DDERR_INVALIDPARAMS;
    // No rectangles, nothing to clear: Direct3D succeeds without touching anything.
    if (count == 0)
        return D3D_OK;
    if (!device_)
        return D3DERR_VIEWPORTHASNODEVICE;
    if (!hasData_)
        return D3DERR_VIEWPORTDATANOTSET;
    // Only the part of each rectangle inside the viewport is cleared.
    const LONG vx1 = static_cast<LONG>(data_.dwX), vy1 = static_cast<LONG>(data_.dwY);
    const LONG vx2 = vx1 + static_cast<LONG>(data_.dwWidth);
    const LONG vy2 = vy1 + static_cast<LONG>(data_.dwHeight);
    std::vector<D3DRECT> clipped;
    for (DWORD i = 0; i < count; ++i) {
        D3DRECT r{std::max(rects[i].x1, vx1), std::max(rects[i].y1, vy1),
                  std::min(rects[i].x2, vx2), std::min(rects[i].y2, vy2)};
        if (r.x1 < r.x2 && r.y1 < r.y2)
            clipped.push_back(r);
    }
    return device_->clear(clipped, flags, color, z, stencil);
}

HRESULT Viewport::Clear(DWORD count, LPD3DRECT rects, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::Clear", count, (ULONG_PTR)rects, flags);
    D3DMATERIAL background{};
    D3DCOLOR color = 0;
    if (hasBackground_ && Material::lookup(background_, &background))
        color = vertex::packColor(background.diffuse.r, background.diffuse.g,
                                  background.diffuse.b, background.diffuse.a);
    return Clear2(count, rects, flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), color, 1.0f, 0);
}

HRESULT Viewport::AddLight(LPDIRECT3DLIGHT light) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::AddLight", (ULONG_PTR)light);
    Light* l = light ? Light::fromInterface(light) : nullptr;
    if (!l)
        return DDERR_INVALIDPARAMS;
    if (l->viewport())
        return D3DERR_LIGHTHASVIEWPORT;
    l->AddRef();
    l->setViewport(this);
    lights_.push_back(l);
    return D3D_OK;
}

HRESULT Viewport::DeleteLight(LPDIRECT3DLIGHT light) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::DeleteLight", (ULONG_PTR)light);
    Light* l = light ? Light::fromInterface(light) : nullptr;
    if (!l)
        return DDERR_INVALIDPARAMS;
    const auto it = std::find(lights_.begin(), lights_.end(), l);
    if (it == lights_.end())
        return D3DERR_LIGHTNOTINTHISVIEWPORT;
    lights_.erase(it);
    l->setViewport(nullptr);
    l->Release();
    return D3D_OK;
}

HRESULT Viewport::NextLight(LPDIRECT3DLIGHT reference, LPDIRECT3DLIGHT* light, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DViewport3::NextLight", (ULONG_PTR)reference, (ULONG_PTR)light,
                         flags);
    if (!light)
        return DDERR_INVALIDPARAMS;
    *light = nullptr;
    Light* found = nullptr;
    switch (flags) {
    case D3DNEXT_HEAD:
        found = lights_.empty() ? nullptr : lights_.front();
        break;
    case D3DNEXT_TAIL:
        found = lights_.empty() ? nullptr : lights_.back();
        break;
    case D3DNEXT_NEXT: {
        Light* ref = reference ? Light::fromInterface(reference) : nullptr;
        const auto it = std::find(lights_.begin(), lights_.end(), ref);
        if (!ref || it == lights_.end())
            return D3DERR_LIGHTNOTINTHISVIEWPORT;
        found = (it + 1) == lights_.end() ? nullptr : *(it + 1);
        break;
    }
    default:
        return DDERR_INVALIDPARAMS;
    }
    if (!found)
        return D3DERR_LIGHTNOTINTHISVIEWPORT;  // walked past the last light
    found->AddRef();
    *light = found;
    return D3D_OK;
}

std::vector<D3DLIGHT2> Viewport::lightDescriptions() const {
    std::vector<D3DLIGHT2> out;
    for (const Light* light : lights_)
        if (light->described())
            out.push_back(light->description());
    return out;
}

}  // namespace platform::d3d::device
