#include "rview.h"

#include "application.h"
#include "d3dframe/d3dutil.h"
#include "driver.h"
#include "dxerror.h"
#include "rlight.h"
#include "states.h"

#include <engine/core/view.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char* const sourcePath = "3d/driver/d3d/rview";

// The last tested DirectX result of this unit; a failing call leaves the
// object as it was and the frame goes on.
thread_local HRESULT hr = D3D_OK;

// The far plane in world units, whatever the near distance.
constexpr float farDistance = 100.0f;

IDirect3D3* currentDirect3D() {
    return theD3DRenderDriver ? theD3DRenderDriver->getDirect3D() : nullptr;
}

D3DVECTOR toD3D(const Vector& v) {
    return D3DVec_Make(v.x, v.y, v.z);
}

D3DCOLORVALUE toD3D(const Color& c) {
    D3DCOLORVALUE value;
    value.r = c.r;
    value.g = c.g;
    value.b = c.b;
    value.a = c.a;
    return value;
}

Color fromD3D(const D3DCOLORVALUE& c) {
    return {c.r, c.g, c.b, c.a};
}

DWORD toByte(float component) {
    return static_cast<DWORD>(std::lround(component * 255.0f));
}

D3DLIGHT2 emptyDescription() {
    D3DLIGHT2 light;
    std::memset(&light, 0, sizeof light);
    light.dwSize = sizeof light;
    return light;
}

}  // namespace

DWORD colorToARGB(const Color& color) {
    const Color c = clamped(color);
    return (toByte(c.a) << 24) | (toByte(c.r) << 16) | (toByte(c.g) << 8) | toByte(c.b);
}

// ---------------------------------------------------------------------------
// Life

D3DRenderView::D3DRenderView(View& view) : RenderView(view) {
    std::memset(&viewportData, 0, sizeof viewportData);
    viewportData.dwSize = sizeof viewportData;
    viewportData.dvMinZ = 0.0f;
    viewportData.dvMaxZ = 1.0f;
    D3DUtil_SetIdentityMatrix(viewMatrix);
    D3DUtil_SetIdentityMatrix(projectionMatrix);
    createViewport();
}

D3DRenderView::~D3DRenderView() {
    invalidateViewport();
    lights.clear();
}

void D3DRenderView::createViewport() {
    IDirect3D3* direct3D = currentDirect3D();
    if (!direct3D || !g_pDevice)
        return;
    if (!DX_TEST(hr = direct3D->CreateViewport(&pViewport, nullptr), sourcePath)) {
        pViewport = nullptr;
        return;
    }
    DX_TEST(hr = g_pDevice->AddViewport(pViewport), sourcePath);
}

bool D3DRenderView::viewportOnDevice() const {
    if (!pViewport || !g_pDevice)
        return false;
    bool found = false;
    IDirect3DViewport3* listed = nullptr;
    if (FAILED(g_pDevice->NextViewport(nullptr, &listed, D3DNEXT_HEAD)))
        return false;
    while (listed) {
        found = found || listed == pViewport;
        IDirect3DViewport3* next = nullptr;
        if (found || FAILED(g_pDevice->NextViewport(listed, &next, D3DNEXT_NEXT)))
            next = nullptr;
        listed->Release();
        listed = next;
    }
    return found;
}

void D3DRenderView::invalidateViewport() {
    if (!pViewport)
        return;
    if (g_pDevice)
        DX_TEST(hr = g_pDevice->DeleteViewport(pViewport), sourcePath);
    pViewport->Release();
    pViewport = nullptr;
}

void D3DRenderView::invalidate() {
    if (pViewport)
        for (D3DRenderLight* light : lights)
            if (IDirect3DLight* d3dLight = *light)
                DX_TEST(hr = pViewport->DeleteLight(d3dLight), sourcePath);
    invalidateViewport();
}

void D3DRenderView::restore() {
    if (pViewport)
        return;
    createViewport();
    if (pViewport)
        for (D3DRenderLight* light : lights)
            if (IDirect3DLight* d3dLight = *light)
                DX_TEST(hr = pViewport->AddLight(d3dLight), sourcePath);
}

// ---------------------------------------------------------------------------
// One frame

void D3DRenderView::render() {
    ambient = Color(0.0f, 0.0f, 0.0f, 1.0f);
    if (theRenderStateManager)
        theRenderStateManager->setState(LS_AMBIENT, 0);
    // A view made before the device, or kept across the end of a video
    // mode, gets a viewport on the current device with its next frame.
    if (pViewport && g_pDevice && !viewportOnDevice())
        invalidate();
    if (!pViewport)
        restore();

    Camera& camera = getEngineView().getFrameCamera();
    const Viewport& viewport = getEngineView().getFrameViewport();
    const float nearPlane = camera.getNearDistance();
    const float scale = 1.0f / nearPlane;

    setViewMatrix(camera.getGlobalTM(), camera.getGlobalOff(), scale);
    setViewportRect(viewport.getX(), viewport.getY(), viewport.getWidth(), viewport.getHeight());
    setProjection(camera.getFieldOfView(), viewport.getAspect(), scale);
    precalculateParameters();
}

void D3DRenderView::setViewMatrix(const TMatrix& r, const Vector& position, float scale) {
    const Vector t = -scale * (r.transposed() * position);
    viewMatrix._11 = r[0][0];
    viewMatrix._12 = r[0][1];
    viewMatrix._13 = r[0][2];
    viewMatrix._21 = r[1][0];
    viewMatrix._22 = r[1][1];
    viewMatrix._23 = r[1][2];
    viewMatrix._31 = r[2][0];
    viewMatrix._32 = r[2][1];
    viewMatrix._33 = r[2][2];
    viewMatrix._14 = viewMatrix._24 = viewMatrix._34 = 0.0f;
    viewMatrix._41 = t.x;
    viewMatrix._42 = t.y;
    viewMatrix._43 = t.z;
    viewMatrix._44 = 1.0f;
    // Camera space in units of the near distance: the scale applies first.
    D3DMATRIX scaling;
    D3DUtil_SetIdentityMatrix(scaling);
    scaling._11 = scaling._22 = scaling._33 = scale;
    D3DMath_MatrixMultiply(viewMatrix, viewMatrix, scaling);
    if (g_pDevice)
        DX_TEST(hr = g_pDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &viewMatrix), sourcePath);
}

void D3DRenderView::setViewportRect(float x, float y, float width, float height) {
    if (!g_pFramework)
        return;
    const RECT& target = g_pFramework->GetViewportRect();
    const float w = static_cast<float>(target.right - target.left);
    const float h = static_cast<float>(target.bottom - target.top);
    // Negative or non-finite fractions would wrap around as unsigned sizes.
    const auto pixels = [](float size, float fraction) {
        const float value = size * fraction;
        return value > 0.0f && std::isfinite(value) ? static_cast<DWORD>(value) : 0u;
    };
    viewportData.dwX = pixels(w, x);
    viewportData.dwY = pixels(h, y);
    viewportData.dwWidth = pixels(w, width);
    viewportData.dwHeight = pixels(h, height);
    viewportData.dvClipX = -1.0f;
    viewportData.dvClipY = 1.0f;
    viewportData.dvClipWidth = 2.0f;
    viewportData.dvClipHeight = 2.0f;
    if (!pViewport || !g_pDevice)
        return;
    DX_TEST(hr = pViewport->SetViewport2(&viewportData), sourcePath);
    DX_TEST(hr = g_pDevice->SetCurrentViewport(pViewport), sourcePath);
}

void D3DRenderView::setProjection(float fov, float aspect, float scale) {
    const float fovY = 2.0f * std::atan(std::tan(fov / 2.0f) / aspect);
    D3DMATRIX projection = projectionMatrix;
    // A refused build keeps last frame's projection.
    if (SUCCEEDED(D3DUtil_SetProjectionMatrix(projection, fovY, 1.0f / aspect, 1.0f,
                                              farDistance * scale))) {
        // Camera y feeds the screen's x, camera x its y.
        std::swap(projection._11, projection._21);
        std::swap(projection._12, projection._22);
        projectionMatrix = projection;
    }
    if (g_pDevice)
        DX_TEST(hr = g_pDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projectionMatrix),
                sourcePath);
}

void D3DRenderView::precalculateParameters() {
    Camera& camera = getEngineView().getFrameCamera();
    const Viewport& viewport = getEngineView().getFrameViewport();
    cameraRotation = camera.getGlobalTM().transposed();
    cameraTranslation = -(cameraRotation * camera.getGlobalOff());
    horizontalFactor = 1.0f / std::tan(camera.getFieldOfView() / 2.0f);
    verticalFactor = viewport.getAspect() * horizontalFactor;
    nearDistance = camera.getNearDistance();
    const float mouseX = theD3DRenderDriver ? theD3DRenderDriver->getXMousePointerPosition() : 0.0f;
    const float mouseY = theD3DRenderDriver ? theD3DRenderDriver->getYMousePointerPosition() : 0.0f;
    pointerY = (mouseY - viewport.getY()) * -2.0f / viewport.getHeight() + 1.0f;
    pointerX = 2.0f * (mouseX - viewport.getX()) / viewport.getWidth() - 1.0f;
}

// ---------------------------------------------------------------------------
// Camera space

Vector D3DRenderView::projectVector(const Vector& position) const {
    Vector c = cameraRotation * position + cameraTranslation;
    if (c.z < 0.0f) {
        c.x = -c.x;
        c.y = -c.y;
    }
    return {0.5f + 0.5f * c.y * horizontalFactor / c.z,
            0.5f - 0.5f * c.x * verticalFactor / c.z, c.z};
}

float D3DRenderView::getZDepth(const Vector& position) const {
    return (cameraRotation * position + cameraTranslation).z - nearDistance;
}

// ---------------------------------------------------------------------------
// Ambient level and illumination

void D3DRenderView::sendAmbient() {
    if (theRenderStateManager)
        theRenderStateManager->setState(LS_AMBIENT, colorToARGB(ambient));
}

void D3DRenderView::registerAmbientLight(const Color& color) {
    ambient = ambient + color;
    sendAmbient();
}

void D3DRenderView::setAmbientLight(const Color& color) {
    ambient = color;
    sendAmbient();
}

template <typename Change>
void D3DRenderView::forEachAttachedLight(Change change) {
    if (!pViewport)
        return;
    IDirect3DLight* light = nullptr;
    if (FAILED(hr = pViewport->NextLight(nullptr, &light, D3DNEXT_HEAD)))
        return;
    while (light) {
        change(light);
        IDirect3DLight* next = nullptr;
        if (FAILED(hr = pViewport->NextLight(light, &next, D3DNEXT_NEXT)))
            next = nullptr;
        light->Release();
        light = next;
    }
}

Color D3DRenderView::calculateIllumination(Vector position) {
    Color sum(0.0f, 0.0f, 0.0f, 1.0f);
    forEachAttachedLight([&](IDirect3DLight* light) {
        D3DLIGHT2 d = emptyDescription();
        if (FAILED(hr = light->GetLight(reinterpret_cast<D3DLIGHT*>(&d))))
            return;
        if (!(d.dwFlags & D3DLIGHT_ACTIVE) || d.dltType <= 0)
            return;
        const Color color = fromD3D(d.dcvColor);
        if (d.dltType == D3DLIGHT_POINT || d.dltType == D3DLIGHT_SPOT) {
            const Vector toLight =
                Vector(d.dvPosition.x, d.dvPosition.y, d.dvPosition.z) - position;
            const float distance2 = squaredLength(toLight);
            if (d.dvRange * d.dvRange > distance2)
                sum = sum + color * (1.0f - std::sqrt(distance2) / d.dvRange);
        } else if (d.dltType == D3DLIGHT_DIRECTIONAL) {
            sum = sum + color;
        }
    });
    return sum * 0.4f + ambient;
}

// ---------------------------------------------------------------------------
// Render lights

void D3DRenderView::addLight(D3DRenderLight* light) {
    if (!light)
        return;
    lights.push_back(light);
    IDirect3DLight* d3dLight = *light;
    if (pViewport && d3dLight)
        DX_TEST(hr = pViewport->AddLight(d3dLight), sourcePath);
}

void D3DRenderView::delLight(D3DRenderLight* light) {
    const auto it = std::find(lights.begin(), lights.end(), light);
    if (it != lights.end())
        lights.erase(it);
    IDirect3DLight* d3dLight = light ? static_cast<IDirect3DLight*>(*light) : nullptr;
    if (pViewport && d3dLight)
        DX_TEST(hr = pViewport->DeleteLight(d3dLight), sourcePath);
}

void D3DRenderView::forgetLight(D3DRenderLight* light) {
    if (!light || std::find(lights.begin(), lights.end(), light) == lights.end())
        return;
    lights.remove(light);
    IDirect3DLight* d3dLight = *light;
    if (pViewport && d3dLight)
        hr = pViewport->DeleteLight(d3dLight);  // not attached here when it moved on
}

// ---------------------------------------------------------------------------
// Bare Direct3D lights

IDirect3DLight* D3DRenderView::createLight(D3DLIGHT* description) {
    IDirect3D3* direct3D = currentDirect3D();
    if (!direct3D)
        return nullptr;
    IDirect3DLight* light = nullptr;
    if (!DX_TEST(hr = direct3D->CreateLight(&light, nullptr), sourcePath) || !light)
        return nullptr;
    DX_TEST(hr = light->SetLight(description), sourcePath);
    if (pViewport)
        DX_TEST(hr = pViewport->AddLight(light), sourcePath);
    return light;
}

IDirect3DLight* D3DRenderView::addDirectionalLight(const Color& color, const Vector& direction) {
    D3DLIGHT light;
    D3DUtil_InitLight(light, D3DLIGHT_DIRECTIONAL, direction.x, direction.y, direction.z);
    light.dvDirection = toD3D(direction);
    light.dcvColor = toD3D(Color(color.r, color.g, color.b, 0.0f));
    light.dvAttenuation0 = 0.0f;
    light.dvAttenuation1 = 1.0f;
    light.dvAttenuation2 = 0.0f;
    return createLight(&light);
}

IDirect3DLight* D3DRenderView::addOmniLight(const Color& color, const Vector& position,
                                            float range) {
    D3DLIGHT2 light = emptyDescription();
    light.dltType = D3DLIGHT_POINT;
    light.dvPosition = toD3D(position);
    light.dcvColor = toD3D(color);
    light.dvRange = range;
    light.dvAttenuation0 = 1.0f;
    light.dwFlags = D3DLIGHT_ACTIVE;
    return createLight(reinterpret_cast<D3DLIGHT*>(&light));
}

IDirect3DLight* D3DRenderView::addSpotLight(const Color& color, const Vector& position,
                                            const Vector& direction, float cutoff, float range) {
    D3DLIGHT2 light = emptyDescription();
    light.dltType = D3DLIGHT_SPOT;
    light.dvPosition = toD3D(position);
    light.dvDirection = toD3D(direction);
    light.dcvColor = toD3D(color);
    light.dvTheta = light.dvPhi = cutoff;
    light.dvRange = range;
    return createLight(reinterpret_cast<D3DLIGHT*>(&light));
}

void D3DRenderView::removeLight(IDirect3DLight* light) {
    if (!light)
        return;
    if (pViewport)
        DX_TEST(hr = pViewport->DeleteLight(light), sourcePath);
    light->Release();
}

void D3DRenderView::activateLight(IDirect3DLight* light) {
    if (pViewport && light)
        DX_TEST(hr = pViewport->AddLight(light), sourcePath);
}

void D3DRenderView::deactivateLight(IDirect3DLight* light) {
    if (pViewport && light)
        DX_TEST(hr = pViewport->DeleteLight(light), sourcePath);
}

template <typename Edit>
void D3DRenderView::editLight(IDirect3DLight* light, Edit edit) {
    if (!light)
        return;
    D3DLIGHT2 d = emptyDescription();
    if (!DX_TEST(hr = light->GetLight(reinterpret_cast<D3DLIGHT*>(&d)), sourcePath))
        return;
    edit(d);
    DX_TEST(hr = light->SetLight(reinterpret_cast<D3DLIGHT*>(&d)), sourcePath);
}

void D3DRenderView::activateAllLights() {
    forEachAttachedLight([this](IDirect3DLight* light) {
        editLight(light, [](D3DLIGHT2& d) { d.dwFlags |= D3DLIGHT_ACTIVE; });
    });
}

void D3DRenderView::deactivateAllLights() {
    forEachAttachedLight([this](IDirect3DLight* light) {
        editLight(light, [](D3DLIGHT2& d) { d.dwFlags &= ~static_cast<DWORD>(D3DLIGHT_ACTIVE); });
    });
}

void D3DRenderView::setLightColor(IDirect3DLight* light, const Color& color) {
    editLight(light, [&color](D3DLIGHT2& d) { d.dcvColor = toD3D(color); });
}

void D3DRenderView::setLightDirection(IDirect3DLight* light, const Vector& direction) {
    editLight(light, [&direction](D3DLIGHT2& d) { d.dvDirection = toD3D(direction); });
}

void D3DRenderView::setLightPosition(IDirect3DLight* light, const Vector& position) {
    editLight(light, [&position](D3DLIGHT2& d) { d.dvPosition = toD3D(position); });
}

void D3DRenderView::setLightRange(IDirect3DLight* light, float range) {
    editLight(light, [range](D3DLIGHT2& d) { d.dvRange = range; });
}

void D3DRenderView::setLightCutoff(IDirect3DLight* light, float cutoff) {
    editLight(light, [cutoff](D3DLIGHT2& d) { d.dvTheta = d.dvPhi = cutoff; });
}
