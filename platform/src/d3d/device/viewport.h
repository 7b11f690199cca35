// IDirect3DViewport to IDirect3DViewport3 (one vtable): the rectangle and
// clip volume a device draws into, the lights that shine in it, and clearing.
#pragma once

#include <d3d.h>

#include <atomic>
#include <vector>

namespace platform::d3d::device {

class Device;
class Light;

class Viewport final : public IDirect3DViewport3 {
public:
    Viewport() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECT3D d3d) override;
    HRESULT STDMETHODCALLTYPE GetViewport(LPD3DVIEWPORT data) override;
    HRESULT STDMETHODCALLTYPE SetViewport(LPD3DVIEWPORT data) override;
    HRESULT STDMETHODCALLTYPE TransformVertices(DWORD count, LPD3DTRANSFORMDATA data, DWORD flags,
                                                LPDWORD offscreen) override;
    HRESULT STDMETHODCALLTYPE LightElements(DWORD count, LPD3DLIGHTDATA data) override;
    HRESULT STDMETHODCALLTYPE SetBackground(D3DMATERIALHANDLE material) override;
    HRESULT STDMETHODCALLTYPE GetBackground(LPD3DMATERIALHANDLE material, LPBOOL valid) override;
    HRESULT STDMETHODCALLTYPE SetBackgroundDepth(IDirectDrawSurface* surface) override;
    HRESULT STDMETHODCALLTYPE GetBackgroundDepth(IDirectDrawSurface** surface,
                                                 LPBOOL valid) override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD count, LPD3DRECT rects, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE AddLight(LPDIRECT3DLIGHT light) override;
    HRESULT STDMETHODCALLTYPE DeleteLight(LPDIRECT3DLIGHT light) override;
    HRESULT STDMETHODCALLTYPE NextLight(LPDIRECT3DLIGHT reference, LPDIRECT3DLIGHT* light,
                                        DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetViewport2(LPD3DVIEWPORT2 data) override;
    HRESULT STDMETHODCALLTYPE SetViewport2(LPD3DVIEWPORT2 data) override;
    HRESULT STDMETHODCALLTYPE SetBackgroundDepth2(IDirectDrawSurface4* surface) override;
    HRESULT STDMETHODCALLTYPE GetBackgroundDepth2(IDirectDrawSurface4** surface,
                                                  LPBOOL valid) override;
    HRESULT STDMETHODCALLTYPE Clear2(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color,
                                     D3DVALUE z, DWORD stencil) override;

    static Viewport* fromInterface(IDirect3DViewport3* viewport);

    // The device the viewport was added to (not a reference: the device
    // holds the viewport).
    Device* device() const { return device_; }
    void setDevice(Device* device) { device_ = device; }
    bool hasData() const { return hasData_; }
    const D3DVIEWPORT2& data() const { return data_; }
    // Bumped by every successful SetViewport, so devices notice changes.
    DWORD generation() const { return generation_; }
    // The descriptions of the attached lights, in attachment order.
    std::vector<D3DLIGHT2> lightDescriptions() const;

private:
    ~Viewport();
    HRESULT store(const D3DVIEWPORT2& data);

    std::atomic<ULONG> refs_{1};
    Device* device_ = nullptr;
    D3DVIEWPORT2 data_{};
    bool hasData_ = false;
    DWORD generation_ = 0;
    std::vector<Light*> lights_;
    D3DMATERIALHANDLE background_ = 0;
    bool hasBackground_ = false;
};

}  // namespace platform::d3d::device
