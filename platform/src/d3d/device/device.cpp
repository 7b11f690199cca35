#include "d3d/device/device.h"

#include "core/call_log.h"
#include "d3d/device/caps.h"
#include "d3d/device/texture.h"
#include "d3d/device/viewport.h"
#include "d3d/vertex/sphere_visibility.h"
#include "d3d/vertex/vmath.h"
#include "ddraw/surface.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d::device {
namespace {

DWORD floatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, sizeof d);
    return d;
}

}  // namespace

Device::Device(IDirect3D3* d3d, ddraw::Surface* target, const display::DeviceProfile& profile)
    : d3d_(d3d), target_(target), profile_(profile),
      null_(profile.guid == IID_IDirect3DNullDevice), raster_(0) {
    d3d_->AddRef();
    target_->AddRef();
    lightStates_[D3DLIGHTSTATE_COLORMODEL] = D3DCOLOR_RGB;
    lightStates_[D3DLIGHTSTATE_FOGMODE] = D3DFOG_NONE;
    lightStates_[D3DLIGHTSTATE_FOGSTART] = floatBits(0.0f);
    lightStates_[D3DLIGHTSTATE_FOGEND] = floatBits(1.0f);
    lightStates_[D3DLIGHTSTATE_FOGDENSITY] = floatBits(1.0f);
    lightStates_[D3DLIGHTSTATE_COLORVERTEX] = TRUE;
    auto stored = [this](D3DRENDERSTATETYPE state) -> DWORD& {
        return storedOnlyStates_[state - kFirstStoredOnlyState];
    };
    stored(D3DRENDERSTATE_CLIPPING) = TRUE;
    stored(D3DRENDERSTATE_LIGHTING) = TRUE;
    stored(D3DRENDERSTATE_FOGVERTEXMODE) = D3DFOG_NONE;
    stored(D3DRENDERSTATE_COLORVERTEX) = TRUE;
    stored(D3DRENDERSTATE_LOCALVIEWER) = TRUE;
    stored(D3DRENDERSTATE_DIFFUSEMATERIALSOURCE) = D3DMCS_COLOR1;
    stored(D3DRENDERSTATE_SPECULARMATERIALSOURCE) = D3DMCS_COLOR2;
    stored(D3DRENDERSTATE_AMBIENTMATERIALSOURCE) = D3DMCS_MATERIAL;
    stored(D3DRENDERSTATE_EMISSIVEMATERIALSOURCE) = D3DMCS_MATERIAL;
    clipStatus_.dwStatus = D3DSTATUS_DEFAULT;
}

Device::~Device() {
    // Recorded draws still point at the textures and the target.
    raster_.finish();
    for (DWORD stage = 0; stage < textures_.size(); ++stage) {
        raster_.state().setTexture(stage, nullptr);
        if (textures_[stage])
            textures_[stage]->Release();
    }
    for (Viewport* v : viewports_) {
        v->setDevice(nullptr);
        v->Release();
    }
    target_->Release();
    d3d_->Release();
}

Device* Device::fromInterface(IDirect3DDevice3* device) { return dynamic_cast<Device*>(device); }

HRESULT Device::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice3) {
        AddRef();
        *object = static_cast<IDirect3DDevice3*>(this);
        return D3D_OK;
    }
    return E_NOINTERFACE;
}

ULONG Device::AddRef() {
    core::countCall("IDirect3DDevice3::AddRef", {});
    return ++refs_;
}

ULONG Device::Release() {
    core::countCall("IDirect3DDevice3::Release", {});
    const ULONG left = --refs_;
    if (left == 0) {
        ddraw::DDLock lock(ddraw::ddrawMutex());
        delete this;
    }
    return left;
}

HRESULT Device::GetCaps(LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetCaps", (ULONG_PTR)hardware, (ULONG_PTR)software);
    if (!hardware || !software || hardware->dwSize != sizeof(D3DDEVICEDESC) ||
        software->dwSize != sizeof(D3DDEVICEDESC))
        return DDERR_INVALIDPARAMS;
    describeDevicePair(profile_, hardware, software);
    return D3D_OK;
}

HRESULT Device::GetStats(LPD3DSTATS stats) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetStats", (ULONG_PTR)stats);
    return DDERR_UNSUPPORTED;
}

// ---------------------------------------------------------------------------
// Viewports

HRESULT Device::AddViewport(LPDIRECT3DVIEWPORT3 viewport) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::AddViewport", (ULONG_PTR)viewport);
    Viewport* v = viewport ? Viewport::fromInterface(viewport) : nullptr;
    if (!v)
        return DDERR_INVALIDPARAMS;
    if (v->device())
        return DDERR_INVALIDPARAMS;  // already in a device
    v->AddRef();
    v->setDevice(this);
    viewports_.push_back(v);
    return D3D_OK;
}

HRESULT Device::DeleteViewport(LPDIRECT3DVIEWPORT3 viewport) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DeleteViewport", (ULONG_PTR)viewport);
    Viewport* v = viewport ? Viewport::fromInterface(viewport) : nullptr;
    const auto it = std::find(viewports_.begin(), viewports_.end(), v);
    if (!v || it == viewports_.end())
        return DDERR_INVALIDPARAMS;
    viewports_.erase(it);
    if (current_ == v)
        current_ = nullptr;
    v->setDevice(nullptr);
    v->Release();
    return D3D_OK;
}

void Device::forgetViewport(Viewport* viewport) {
    if (current_ == viewport)
        current_ = nullptr;
}

HRESULT Device::NextViewport(LPDIRECT3DVIEWPORT3 reference, LPDIRECT3DVIEWPORT3* viewport,
                             DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::NextViewport", (ULONG_PTR)reference,
                         (ULONG_PTR)viewport, flags);
    if (!viewport)
        return DDERR_INVALIDPARAMS;
    *viewport = nullptr;
    Viewport* found = nullptr;
    if (flags == D3DNEXT_HEAD) {
        found = viewports_.empty() ? nullptr : viewports_.front();
    } else if (flags == D3DNEXT_TAIL) {
        found = viewports_.empty() ? nullptr : viewports_.back();
    } else if (flags == D3DNEXT_NEXT) {
        Viewport* ref = reference ? Viewport::fromInterface(reference) : nullptr;
        const auto it = std::find(viewports_.begin(), viewports_.end(), ref);
        if (!ref || it == viewports_.end())
            return DDERR_INVALIDPARAMS;
        found = (it + 1) == viewports_.end() ? nullptr : *(it + 1);
    } else {
        return DDERR_INVALIDPARAMS;
    }
    if (!found)
        return D3DERR_NOVIEWPORTS;
    found->AddRef();
    *viewport = found;
    return D3D_OK;
}

HRESULT Device::SetCurrentViewport(LPDIRECT3DVIEWPORT3 viewport) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetCurrentViewport", (ULONG_PTR)viewport);
    Viewport* v = viewport ? Viewport::fromInterface(viewport) : nullptr;
    if (!v || v->device() != this)
        return DDERR_INVALIDPARAMS;
    if (!v->hasData())
        return D3DERR_VIEWPORTDATANOTSET;
    current_ = v;
    currentGeneration_ = 0;  // forces the transform to take its data
    return D3D_OK;
}

HRESULT Device::GetCurrentViewport(LPDIRECT3DVIEWPORT3* viewport) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetCurrentViewport", (ULONG_PTR)viewport);
    if (!viewport)
        return DDERR_INVALIDPARAMS;
    *viewport = current_;
    if (!current_)
        return D3DERR_NOCURRENTVIEWPORT;
    current_->AddRef();
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Enumeration, scenes, objects

HRESULT Device::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::EnumTextureFormats", (ULONG_PTR)callback,
                         (ULONG_PTR)context);
    if (!callback)
        return DDERR_INVALIDPARAMS;
    for (const display::FormatDesc& f : profile_.textureFormats) {
        DDPIXELFORMAT pf = pixelFormatOf(f);
        if (callback(&pf, context) == D3DENUMRET_CANCEL)
            break;
    }
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::BeginScene");
    if (inScene_)
        return D3DERR_SCENE_IN_SCENE;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::EndScene");
    if (!inScene_)
        return D3DERR_SCENE_NOT_IN_SCENE;
    inScene_ = false;
    raster_.finish();
    return D3D_OK;
}

HRESULT Device::GetDirect3D(LPDIRECT3D3* d3d) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetDirect3D", (ULONG_PTR)d3d);
    if (!d3d)
        return DDERR_INVALIDPARAMS;
    d3d_->AddRef();
    *d3d = d3d_;
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(IDirectDrawSurface4* target, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetRenderTarget", (ULONG_PTR)target, flags);
    ddraw::DDLock lock(ddraw::ddrawMutex());
    ddraw::Surface* s = target ? ddraw::Surface::fromInterface(target) : nullptr;
    if (!s || !(s->desc().ddsCaps.dwCaps & DDSCAPS_3DDEVICE))
        return DDERR_INVALIDPARAMS;
    s->AddRef();
    target_->Release();
    target_ = s;
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirectDrawSurface4** target) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetRenderTarget", (ULONG_PTR)target);
    if (!target)
        return DDERR_INVALIDPARAMS;
    target_->AddRef();
    *target = target_;
    return D3D_OK;
}

void Device::targetSize(DWORD* width, DWORD* height) const {
    *width = target_->width();
    *height = target_->height();
}

// The immediate-mode vertex calls of DirectX 5 are not offered.
HRESULT Device::Begin(D3DPRIMITIVETYPE type, DWORD vertexFormat, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::Begin", (ULONG_PTR)type, vertexFormat, flags);
    return DDERR_UNSUPPORTED;
}

HRESULT Device::BeginIndexed(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                             DWORD vertexCount, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::BeginIndexed", (ULONG_PTR)type, vertexFormat,
                         (ULONG_PTR)vertices, vertexCount, flags);
    return DDERR_UNSUPPORTED;
}

HRESULT Device::Vertex(LPVOID vertex) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::Vertex", (ULONG_PTR)vertex);
    return DDERR_UNSUPPORTED;
}

HRESULT Device::Index(WORD index) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::Index", index);
    return DDERR_UNSUPPORTED;
}

HRESULT Device::End(DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::End", flags);
    return DDERR_UNSUPPORTED;
}

// ---------------------------------------------------------------------------
// States

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetRenderState", (ULONG_PTR)state, (ULONG_PTR)value);
    if (!value)
        return DDERR_INVALIDPARAMS;
    if (state >= kFirstStoredOnlyState && state < kFirstStoredOnlyState + kStoredOnlyStates) {
        *value = storedOnlyStates_[state - kFirstStoredOnlyState];
        return D3D_OK;
    }
    if (!raster::RasterState::isValidRenderState(state))
        return DDERR_INVALIDPARAMS;
    *value = raster_.state().renderState(state);
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetRenderState", (ULONG_PTR)state, value);
    // Kept for GetRenderState only: lighting and clipping follow the draw
    // flags here, and the rasteriser never sees these, so no recompile.
    if (state >= kFirstStoredOnlyState && state < kFirstStoredOnlyState + kStoredOnlyStates) {
        storedOnlyStates_[state - kFirstStoredOnlyState] = value;
        return D3D_OK;
    }
    if (!raster::RasterState::isValidRenderState(state))
        return DDERR_INVALIDPARAMS;
    if (state == D3DRENDERSTATE_TEXTUREHANDLE) {
        // The DirectX 5 way of binding stage 0's texture.
        Texture* texture = value ? Texture::fromHandle(value) : nullptr;
        if (value && !texture)
            return DDERR_INVALIDPARAMS;
        const HRESULT hr = SetTexture(0, texture);
        if (FAILED(hr))
            return hr;
    }
    // Unchanged values leave the rasteriser's compiled pipeline alone.
    if (raster_.state().renderState(state) != value)
        raster_.state().setRenderState(state, value);
    return D3D_OK;
}

HRESULT Device::GetLightState(D3DLIGHTSTATETYPE state, LPDWORD value) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetLightState", (ULONG_PTR)state, (ULONG_PTR)value);
    if (!value || state < D3DLIGHTSTATE_MATERIAL || state >= kLightStates)
        return DDERR_INVALIDPARAMS;
    *value = lightStates_[state];
    return D3D_OK;
}

HRESULT Device::SetLightState(D3DLIGHTSTATETYPE state, DWORD value) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetLightState", (ULONG_PTR)state, value);
    if (state < D3DLIGHTSTATE_MATERIAL || state >= kLightStates)
        return DDERR_INVALIDPARAMS;
    if (state == D3DLIGHTSTATE_FOGMODE && value > D3DFOG_LINEAR)
        return DDERR_INVALIDPARAMS;
    lightStates_[state] = value;
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetTransform", (ULONG_PTR)state, (ULONG_PTR)matrix);
    if (!matrix)
        return DDERR_INVALIDPARAMS;
    return transform_.setTransform(state, *matrix);
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetTransform", (ULONG_PTR)state, (ULONG_PTR)matrix);
    if (!matrix)
        return DDERR_INVALIDPARAMS;
    return transform_.getTransform(state, matrix);
}

// The given matrix is applied first: new = matrix * current.
HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::MultiplyTransform", (ULONG_PTR)state,
                         (ULONG_PTR)matrix);
    if (!matrix)
        return DDERR_INVALIDPARAMS;
    D3DMATRIX current;
    const HRESULT hr = transform_.getTransform(state, &current);
    if (FAILED(hr))
        return hr;
    const D3DMATRIX out = vertex::multiply(*matrix, current);
    return transform_.setTransform(state, out);
}

HRESULT Device::SetClipStatus(LPD3DCLIPSTATUS status) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetClipStatus", (ULONG_PTR)status);
    if (!status)
        return DDERR_INVALIDPARAMS;
    clipStatus_ = *status;
    return D3D_OK;
}

HRESULT Device::GetClipStatus(LPD3DCLIPSTATUS status) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetClipStatus", (ULONG_PTR)status);
    if (!status)
        return DDERR_INVALIDPARAMS;
    *status = clipStatus_;
    return D3D_OK;
}

HRESULT Device::ComputeSphereVisibility(LPD3DVECTOR centers, LPD3DVALUE radii, DWORD count,
                                        DWORD flags, LPDWORD results) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::ComputeSphereVisibility", (ULONG_PTR)centers,
                         (ULONG_PTR)radii, count, flags, (ULONG_PTR)results);
    if (flags != 0 || (count && (!centers || !radii || !results)))
        return DDERR_INVALIDPARAMS;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    // The view volume is the current viewport's.
    const HRESULT hr = syncViewport();
    if (FAILED(hr))
        return hr;
    for (DWORD i = 0; i < count; ++i)
        results[i] = vertex::sphereVisibility(transform_.modelToClip(), centers[i], radii[i]);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, LPDIRECT3DTEXTURE2* texture) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetTexture", stage, (ULONG_PTR)texture);
    if (!texture || stage >= textures_.size())
        return DDERR_INVALIDPARAMS;
    *texture = textures_[stage];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, LPDIRECT3DTEXTURE2 texture) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetTexture", stage, (ULONG_PTR)texture);
    if (stage >= textures_.size())
        return DDERR_INVALIDPARAMS;
    Texture* t = texture ? Texture::fromInterface(texture) : nullptr;
    if (texture && !t)
        return DDERR_INVALIDPARAMS;
    if (t == textures_[stage])
        return D3D_OK;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    if (t)
        t->AddRef();
    raster_.state().setTexture(stage, nullptr);
    if (textures_[stage])
        textures_[stage]->Release();
    textures_[stage] = t;
    if (t) {
        t->refresh();
        raster_.state().setTexture(stage, &t->rasterTexture());
    }
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::GetTextureStageState", stage, (ULONG_PTR)state,
                         (ULONG_PTR)value);
    if (!value || stage >= raster::kMaxTextureStages || state < D3DTSS_COLOROP ||
        state >= raster::kStageStateCount)
        return DDERR_INVALIDPARAMS;
    *value = raster_.state().textureStageState(stage, state);
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::SetTextureStageState", stage, (ULONG_PTR)state,
                         value);
    if (stage >= raster::kMaxTextureStages || state < D3DTSS_COLOROP ||
        state >= raster::kStageStateCount)
        return DDERR_INVALIDPARAMS;
    // Setting a value again still ends the legacy MODULATE alpha rule.
    if (raster_.state().textureStageState(stage, state) != value ||
        raster_.state().legacyModulate())
        raster_.state().setTextureStageState(stage, state, value);
    return D3D_OK;
}

}  // namespace platform::d3d::device
