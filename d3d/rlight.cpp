#include "rlight.h"

#include "driver.h"
#include "driver_filter.h"
#include "dxerror.h"
#include "rview.h"

#include <engine/core/light.h>

#include <cstring>

namespace {

const char* const sourcePath = "3d/driver/d3d/rlight";

// The last tested DirectX result of this unit, per thread.
thread_local HRESULT hr = D3D_OK;

D3DLIGHTTYPE direct3DType(LightType type) {
    switch (type) {
    case DIRECTIONAL_LIGHT:
        return D3DLIGHT_DIRECTIONAL;
    case SPOT_LIGHT:
        return D3DLIGHT_SPOT;
    default:
        return D3DLIGHT_POINT;
    }
}

D3DVECTOR toD3D(const Vector& v) {
    D3DVECTOR d;
    d.x = v.x;
    d.y = v.y;
    d.z = v.z;
    return d;
}

}  // namespace

D3DRenderLight::D3DRenderLight(Light& engineLight) : RenderLight(engineLight) {
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dvAttenuation0 = 0.0f;
    description.dvAttenuation1 = 1.0f;
    description.dvAttenuation2 = 0.0f;
    description.dltType = direct3DType(light.getType());
    createLight();
}

D3DRenderLight::~D3DRenderLight() {
    // A light destroyed while shining must not stay in its view's list.
    if (view && needsDirect3DLight())
        view->delLight(this);
    view = nullptr;
    invalidate();
}

bool D3DRenderLight::needsDirect3DLight() const {
    return light.getType() != AMBIENT_LIGHT;
}

void D3DRenderLight::createLight() {
    if (pLight || !needsDirect3DLight())
        return;
    IDirect3D3* direct3D = theD3DRenderDriver ? theD3DRenderDriver->getDirect3D() : nullptr;
    if (!direct3D)
        return;
    if (!DX_TEST(hr = direct3D->CreateLight(&pLight, nullptr), sourcePath))
        pLight = nullptr;
}

void D3DRenderLight::invalidate() {
    if (!pLight)
        return;
    pLight->Release();
    pLight = nullptr;
}

void D3DRenderLight::restore() {
    createLight();
}

void D3DRenderLight::forgetView(const D3DRenderView* gone) {
    if (view == gone)
        view = nullptr;
}

void D3DRenderLight::Update(const TMatrix& orientation, const Vector& position) {
    const Color& color = light.getColor();
    description.dcvColor.r = color.r;
    description.dcvColor.g = color.g;
    description.dcvColor.b = color.b;
    description.dcvColor.a = 0.0f;
    switch (description.dltType) {
    case D3DLIGHT_POINT:
        description.dvPosition = toD3D(position);
        description.dvRange = light.getRange();
        break;
    case D3DLIGHT_SPOT:
        description.dvTheta = description.dvPhi = light.getCutoff();
        description.dvPosition = toD3D(position);
        description.dvDirection = toD3D(orientation.column(2));
        description.dvRange = light.getRange();
        break;
    case D3DLIGHT_DIRECTIONAL:
        description.dvDirection = toD3D(orientation.column(2));
        break;
    default:
        break;
    }
    description.dwFlags = D3DLIGHT_ACTIVE;
    if (!light.isAffectSpecular())
        description.dwFlags |= D3DLIGHT_NO_SPECULAR;
    if (pLight)
        DX_TEST(hr = pLight->SetLight(reinterpret_cast<D3DLIGHT*>(&description)), sourcePath);
}

void D3DRenderLight::render(TMatrix orientation, Vector position) {
    if (needsDirect3DLight()) {
        // A light made before the device gets its Direct3D light now.
        createLight();
        Update(orientation, position);
    } else if (view) {
        view->registerAmbientLight(light.getColor());
    }
}

void D3DRenderLight::activate(RenderView& renderView) {
    auto* d3dView = dynamic_cast<D3DRenderView*>(&renderView);
    if (!d3dView) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "D3DRenderLight::activate: not a view of this driver");
        return;
    }
    if (needsDirect3DLight()) {
        createLight();
        Update(light.getGlobalTM(), light.getGlobalOff());
        d3dView->addLight(this);
    }
    view = d3dView;
}

void D3DRenderLight::deactivate(RenderView& renderView) {
    auto* d3dView = dynamic_cast<D3DRenderView*>(&renderView);
    if (d3dView && needsDirect3DLight())
        d3dView->delLight(this);
    view = nullptr;
}
