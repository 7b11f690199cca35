// IDirect3DTexture2: the Direct3D face of a DDSCAPS_TEXTURE surface. It
// lives inside the surface as in DirectX 6: its AddRef and Release count on
// the surface, and the surface keeps the object until the surface dies.
#pragma once

#include "d3d/raster/rasterizer.h"

#include <d3d.h>

#include <atomic>

namespace platform::ddraw {
class Surface;
}

namespace platform::d3d::device {

class Texture final : public IDirect3DTexture2 {
public:
    // Hooks texture creation onto QueryInterface of texture surfaces (once).
    static void install();
    static Texture* fromInterface(IDirect3DTexture2* texture);
    static Texture* fromHandle(D3DTEXTUREHANDLE handle);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetHandle(LPDIRECT3DDEVICE2 device,
                                        LPD3DTEXTUREHANDLE handle) override;
    HRESULT STDMETHODCALLTYPE PaletteChanged(DWORD start, DWORD count) override;
    HRESULT STDMETHODCALLTYPE Load(LPDIRECT3DTEXTURE2 source) override;

    ddraw::Surface& surface() const { return surface_; }
    // Describes the surface and its mip chain for the rasteriser. Returns
    // true when the description differs from the previous one. Callers hold
    // ddrawMutex().
    bool refresh();
    const raster::Texture& rasterTexture() const { return raster_; }
    // Whether the rasteriser can sample the surface's pixel format.
    bool rasterizable() const;

private:
    // The reference the surface holds: it owns the object's lifetime.
    struct Owner final : IUnknown {
        explicit Owner(Texture* texture) : self(texture) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override;
        Texture* self;
        std::atomic<ULONG> refs{1};
    };

    explicit Texture(ddraw::Surface& surface);
    ~Texture();

    Owner owner_{this};
    ddraw::Surface& surface_;
    DWORD handle_ = 0;
    raster::Texture raster_;
};

}  // namespace platform::d3d::device
