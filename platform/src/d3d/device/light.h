// IDirect3DLight: one light description, attached to at most one viewport.
#pragma once

#include <d3d.h>

#include <atomic>

namespace platform::d3d::device {

class Viewport;

class Light final : public IDirect3DLight {
public:
    Light();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECT3D d3d) override;
    HRESULT STDMETHODCALLTYPE SetLight(LPD3DLIGHT light) override;
    HRESULT STDMETHODCALLTYPE GetLight(LPD3DLIGHT light) override;

    static Light* fromInterface(IDirect3DLight* light);
    const D3DLIGHT2& description() const { return light_; }
    bool described() const { return described_; }
    // The viewport the light is attached to (not a reference: the viewport
    // holds the light).
    Viewport* viewport() const { return viewport_; }
    void setViewport(Viewport* viewport) { viewport_ = viewport; }

private:
    ~Light() = default;

    std::atomic<ULONG> refs_{1};
    D3DLIGHT2 light_{};
    bool described_ = false;
    Viewport* viewport_ = nullptr;
};

}  // namespace platform::d3d::device
