// IDirect3D3: reached by QueryInterface on a DirectDraw object, whose
// devices (from the display profile) it enumerates and creates. It has its
// own reference count; the DirectDraw object keeps one reference until it
// dies, so a release that leaves only that one returns 1, as in DirectX 6.
#pragma once

#include "ddraw/ddraw_state.h"

#include <d3d.h>

#include <atomic>
#include <memory>

namespace platform::d3d::device {

class Direct3D final : public IDirect3D3 {
public:
    // Hooks IDirect3D3 and IDirect3DTexture2 onto DirectDraw (once).
    static void install();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK callback,
                                          LPVOID context) override;
    HRESULT STDMETHODCALLTYPE CreateLight(LPDIRECT3DLIGHT* light, LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateMaterial(LPDIRECT3DMATERIAL3* material,
                                             LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateViewport(LPDIRECT3DVIEWPORT3* viewport,
                                             LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE FindDevice(LPD3DFINDDEVICESEARCH search,
                                         LPD3DFINDDEVICERESULT result) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID deviceGuid, IDirectDrawSurface4* target,
                                           LPDIRECT3DDEVICE3* device, LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(LPD3DVERTEXBUFFERDESC desc,
                                                 LPDIRECT3DVERTEXBUFFER* buffer, DWORD flags,
                                                 LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE EnumZBufferFormats(REFCLSID deviceGuid,
                                                 LPD3DENUMPIXELFORMATSCALLBACK callback,
                                                 LPVOID context) override;
    HRESULT STDMETHODCALLTYPE EvictManagedTextures() override;

private:
    explicit Direct3D(std::shared_ptr<ddraw::DeviceState> state);
    ~Direct3D() = default;

    const display::DeviceProfile* findProfile(const GUID& guid) const;

    std::atomic<ULONG> refs_{1};
    // Kept rather than the DirectDraw object, which may die first.
    std::shared_ptr<ddraw::DeviceState> state_;
};

}  // namespace platform::d3d::device
