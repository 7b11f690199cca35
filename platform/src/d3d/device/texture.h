// IDirect3DTexture and IDirect3DTexture2: the Direct3D face of a
// DDSCAPS_TEXTURE surface. It is one COM object with the surface, as in
// DirectX 6: its IUnknown methods go to the surface, which makes the part on
// the first query and deletes it when the surface dies.
#pragma once

#include "d3d/raster/rasterizer.h"
#include "ddraw/com_part.h"

#include <d3d.h>

namespace platform::ddraw {
class Surface;
}

namespace platform::d3d::device {

class Texture final : public IDirect3DTexture2, public IDirect3DTexture, public ddraw::ComPart {
public:
    // Hooks texture creation onto QueryInterface of texture surfaces (once).
    static void install();
    static Texture* fromInterface(IDirect3DTexture2* texture);
    static Texture* fromInterface(IDirect3DTexture* texture);
    static Texture* fromHandle(D3DTEXTUREHANDLE handle);

    explicit Texture(ddraw::Surface& surface);
    ~Texture() override;

    void* findInterface(REFIID riid) override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetHandle(LPDIRECT3DDEVICE2 device,
                                        LPD3DTEXTUREHANDLE handle) override;
    HRESULT STDMETHODCALLTYPE PaletteChanged(DWORD start, DWORD count) override;
    HRESULT STDMETHODCALLTYPE Load(LPDIRECT3DTEXTURE2 source) override;

    // IDirect3DTexture (PaletteChanged is shared)
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECT3DDEVICE device,
                                         IDirectDrawSurface* surface) override;
    HRESULT STDMETHODCALLTYPE GetHandle(LPDIRECT3DDEVICE device,
                                        LPD3DTEXTUREHANDLE handle) override;
    HRESULT STDMETHODCALLTYPE Load(LPDIRECT3DTEXTURE source) override;
    HRESULT STDMETHODCALLTYPE Unload() override;

    ddraw::Surface& surface() const { return surface_; }
    // Describes the surface and its mip chain for the rasteriser. Returns
    // true when the description differs from the previous one. Callers hold
    // ddrawMutex().
    bool refresh();
    const raster::Texture& rasterTexture() const { return raster_; }
    // Whether the rasteriser can sample the surface's pixel format.
    bool rasterizable() const;

private:
    HRESULT load(Texture* from);

    ddraw::Surface& surface_;
    DWORD handle_ = 0;
    raster::Texture raster_;
};

}  // namespace platform::d3d::device
