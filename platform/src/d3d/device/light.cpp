#include "d3d/device/light.h"

#include "core/call_log.h"
#include "d3d/vertex/lighting.h"

#include <cstring>

namespace platform::d3d::device {

Light::Light() { light_.dwSize = sizeof(D3DLIGHT2); }

Light* Light::fromInterface(IDirect3DLight* light) { return dynamic_cast<Light*>(light); }

HRESULT Light::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3DLight::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirect3DLight) {
        AddRef();
        *object = static_cast<IDirect3DLight*>(this);
        return D3D_OK;
    }
    return E_NOINTERFACE;
}

ULONG Light::AddRef() {
    core::countCall("IDirect3DLight::AddRef", {});
    return ++refs_;
}

ULONG Light::Release() {
    core::countCall("IDirect3DLight::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Light::Initialize(LPDIRECT3D d3d) {
    PLATFORM_RECORD_CALL("IDirect3DLight::Initialize", (ULONG_PTR)d3d);
    return DDERR_ALREADYINITIALIZED;
}

HRESULT Light::SetLight(LPD3DLIGHT light) {
    PLATFORM_RECORD_CALL("IDirect3DLight::SetLight", (ULONG_PTR)light);
    if (!light)
        return DDERR_INVALIDPARAMS;
    D3DLIGHT2 next{};
    if (light->dwSize == sizeof(D3DLIGHT2)) {
        std::memcpy(&next, light, sizeof(D3DLIGHT2));
    } else if (light->dwSize == sizeof(D3DLIGHT)) {
        // The DirectX 5 description has no flags: such lights are on.
        std::memcpy(&next, light, sizeof(D3DLIGHT));
        next.dwFlags = D3DLIGHT_ACTIVE;
    } else {
        return DDERR_INVALIDPARAMS;
    }
    next.dwSize = sizeof(D3DLIGHT2);
    if (next.dwFlags & ~D3DLIGHT_ALL)
        return DDERR_INVALIDPARAMS;
    if (FAILED(vertex::LightingState::validateLight(next)))
        return DDERR_INVALIDPARAMS;
    light_ = next;
    described_ = true;
    return D3D_OK;
}

HRESULT Light::GetLight(LPD3DLIGHT light) {
    PLATFORM_RECORD_CALL("IDirect3DLight::GetLight", (ULONG_PTR)light);
    if (!light)
        return DDERR_INVALIDPARAMS;
    if (light->dwSize == sizeof(D3DLIGHT2)) {
        std::memcpy(light, &light_, sizeof(D3DLIGHT2));
    } else if (light->dwSize == sizeof(D3DLIGHT)) {
        std::memcpy(light, &light_, sizeof(D3DLIGHT));
        light->dwSize = sizeof(D3DLIGHT);
    } else {
        return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

}  // namespace platform::d3d::device
