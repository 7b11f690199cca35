// IDirect3D, IDirect3D2 and IDirect3D3: the Direct3D face of a DirectDraw
// object, reached by QueryInterface, whose devices (from the display
// profile) it enumerates and creates. As in DirectX 6 it is one COM object
// with the DirectDraw object: one identity, one reference count.
#pragma once

#include "ddraw/com_part.h"
#include "ddraw/ddraw_state.h"

#include <d3d.h>

#include <memory>

namespace platform::ddraw {
class DirectDraw;
}

namespace platform::d3d::device {

class Direct3D final : public IDirect3D3,
                       public IDirect3D2,
                       public IDirect3D,
                       public ddraw::ComPart {
public:
    // Hooks the Direct3D and texture interfaces onto DirectDraw (once).
    static void install();

    void* findInterface(REFIID riid) override;

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

    // IDirect3D and IDirect3D2 (the rest they share with IDirect3D3)
    HRESULT STDMETHODCALLTYPE Initialize(REFCLSID id) override;
    HRESULT STDMETHODCALLTYPE CreateMaterial(LPDIRECT3DMATERIAL* material,
                                             LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateViewport(LPDIRECT3DVIEWPORT* viewport,
                                             LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateMaterial(LPDIRECT3DMATERIAL2* material,
                                             LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateViewport(LPDIRECT3DVIEWPORT2* viewport,
                                             LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID deviceGuid, IDirectDrawSurface* target,
                                           LPDIRECT3DDEVICE2* device) override;

    explicit Direct3D(ddraw::DirectDraw& owner);

private:
    const display::DeviceProfile* findProfile(const GUID& guid) const;
    template <class Out>
    HRESULT refuse(Out** out, LPUNKNOWN outer);

    // Holds the count and the identity; this part dies with it.
    IDirectDraw4& owner_;
    std::shared_ptr<ddraw::DeviceState> state_;
};

}  // namespace platform::d3d::device
