// IDirect3DMaterial3 (and its older faces): a material description and the
// handle that D3DLIGHTSTATE_MATERIAL and viewport backgrounds refer to it by.
#pragma once

#include <d3d.h>

#include <atomic>

namespace platform::d3d::device {

class Material final : public IDirect3DMaterial3,
                       public IDirect3DMaterial2,
                       public IDirect3DMaterial {
public:
    Material();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE SetMaterial(LPD3DMATERIAL material) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(LPD3DMATERIAL material) override;
    HRESULT STDMETHODCALLTYPE GetHandle(LPDIRECT3DDEVICE3 device,
                                        LPD3DMATERIALHANDLE handle) override;
    // The older faces: one handle whichever device asks.
    HRESULT STDMETHODCALLTYPE GetHandle(LPDIRECT3DDEVICE2 device,
                                        LPD3DMATERIALHANDLE handle) override;
    HRESULT STDMETHODCALLTYPE GetHandle(LPDIRECT3DDEVICE device,
                                        LPD3DMATERIALHANDLE handle) override;
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECT3D d3d) override;
    HRESULT STDMETHODCALLTYPE Reserve() override;
    HRESULT STDMETHODCALLTYPE Unreserve() override;

    IDirect3DMaterial3* asMaterial3() { return this; }

    // The material of a live handle, copied; false for 0 or a dead handle.
    static bool lookup(D3DMATERIALHANDLE handle, D3DMATERIAL* material);

private:
    ~Material();

    std::atomic<ULONG> refs_{1};
    D3DMATERIAL material_{};
    DWORD handle_ = 0;
};

}  // namespace platform::d3d::device
