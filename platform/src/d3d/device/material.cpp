#include "d3d/device/material.h"

#include "core/call_log.h"
#include "d3d/device/handles.h"

#include <cstring>

namespace platform::d3d::device {
namespace {

// Materials are read under the table's lock so a handle never yields a
// material that is being destroyed.
struct MaterialTable {
    std::mutex mutex;
    HandleTable<Material> handles;
};

MaterialTable& table() {
    static MaterialTable t;
    return t;
}

}  // namespace

Material::Material() {
    material_.dwSize = sizeof(D3DMATERIAL);
    std::lock_guard<std::mutex> lock(table().mutex);
    handle_ = table().handles.add(this);
}

Material::~Material() {
    std::lock_guard<std::mutex> lock(table().mutex);
    table().handles.remove(handle_);
}

bool Material::lookup(D3DMATERIALHANDLE handle, D3DMATERIAL* material) {
    std::lock_guard<std::mutex> lock(table().mutex);
    const Material* m = handle ? table().handles.find(handle) : nullptr;
    if (!m)
        return false;
    *material = m->material_;
    return true;
}

HRESULT Material::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial3::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    *object = nullptr;
    // The IDirect3DMaterial3 pointer is the object's identity.
    if (riid == IID_IUnknown || riid == IID_IDirect3DMaterial3)
        *object = static_cast<IDirect3DMaterial3*>(this);
    else if (riid == IID_IDirect3DMaterial2)
        *object = static_cast<IDirect3DMaterial2*>(this);
    else if (riid == IID_IDirect3DMaterial)
        *object = static_cast<IDirect3DMaterial*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return D3D_OK;
}

ULONG Material::AddRef() {
    core::countCall("IDirect3DMaterial3::AddRef", {});
    return ++refs_;
}

ULONG Material::Release() {
    core::countCall("IDirect3DMaterial3::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Material::SetMaterial(LPD3DMATERIAL material) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial3::SetMaterial", (ULONG_PTR)material);
    if (!material || material->dwSize != sizeof(D3DMATERIAL))
        return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> lock(table().mutex);
    material_ = *material;
    return D3D_OK;
}

HRESULT Material::GetMaterial(LPD3DMATERIAL material) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial3::GetMaterial", (ULONG_PTR)material);
    if (!material || material->dwSize != sizeof(D3DMATERIAL))
        return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> lock(table().mutex);
    *material = material_;
    return D3D_OK;
}

HRESULT Material::GetHandle(LPDIRECT3DDEVICE3 device, LPD3DMATERIALHANDLE handle) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial3::GetHandle", (ULONG_PTR)device, (ULONG_PTR)handle);
    if (!device || !handle)
        return DDERR_INVALIDPARAMS;
    *handle = handle_;
    return D3D_OK;
}

HRESULT Material::GetHandle(LPDIRECT3DDEVICE2 device, LPD3DMATERIALHANDLE handle) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial2::GetHandle", (ULONG_PTR)device, (ULONG_PTR)handle);
    if (!device || !handle)
        return DDERR_INVALIDPARAMS;
    *handle = handle_;
    return D3D_OK;
}

HRESULT Material::GetHandle(LPDIRECT3DDEVICE device, LPD3DMATERIALHANDLE handle) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial::GetHandle", (ULONG_PTR)device, (ULONG_PTR)handle);
    if (!device || !handle)
        return DDERR_INVALIDPARAMS;
    *handle = handle_;
    return D3D_OK;
}

HRESULT Material::Initialize(LPDIRECT3D) {
    PLATFORM_RECORD_CALL("IDirect3DMaterial::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

// Reserving palette entries only means something on 8-bit devices, which
// are not offered; both succeed as they do on an RGB device.
HRESULT Material::Reserve() {
    PLATFORM_RECORD_CALL("IDirect3DMaterial::Reserve");
    return D3D_OK;
}

HRESULT Material::Unreserve() {
    PLATFORM_RECORD_CALL("IDirect3DMaterial::Unreserve");
    return D3D_OK;
}

}  // namespace platform::d3d::device
