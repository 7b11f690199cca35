#include "d3d/device/texture.h"

#include "core/call_log.h"
#include "d3d/device/handles.h"
#include "ddraw/surface.h"

#include <cstring>
#include <mutex>

namespace platform::d3d::device {
namespace {

HandleTable<Texture>& handles() {
    static HandleTable<Texture> t;
    return t;
}

raster::PixelFormat formatOf(const DDPIXELFORMAT& f) {
    if (!(f.dwFlags & DDPF_RGB) || (f.dwFlags & (DDPF_PALETTEINDEXED8 | DDPF_FOURCC)))
        return raster::PixelFormat::Unknown;
    return raster::pixelFormatFromMasks(f.dwRGBBitCount, f.dwRBitMask, f.dwGBitMask, f.dwBBitMask,
                                        (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0);
}

bool sameLevels(const std::vector<raster::TextureLevel>& a,
                const std::vector<raster::TextureLevel>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].pixels != b[i].pixels || a[i].pitch != b[i].pitch || a[i].width != b[i].width ||
            a[i].height != b[i].height)
            return false;
    return true;
}

}  // namespace

void Texture::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        ddraw::registerSurfaceExtension(
            {IID_IDirect3DTexture, IID_IDirect3DTexture2},
            [](ddraw::Surface& surface) -> std::unique_ptr<ddraw::ComPart> {
                if (!(surface.desc().ddsCaps.dwCaps & DDSCAPS_TEXTURE))
                    return nullptr;
                return std::make_unique<Texture>(surface);
            });
    });
}

Texture::Texture(ddraw::Surface& surface) : surface_(surface) { handle_ = handles().add(this); }

Texture::~Texture() { handles().remove(handle_); }

Texture* Texture::fromInterface(IDirect3DTexture2* texture) {
    return dynamic_cast<Texture*>(texture);
}

Texture* Texture::fromInterface(IDirect3DTexture* texture) {
    return dynamic_cast<Texture*>(texture);
}

Texture* Texture::fromHandle(D3DTEXTUREHANDLE handle) { return handles().find(handle); }

void* Texture::findInterface(REFIID riid) {
    if (riid == IID_IDirect3DTexture2)
        return static_cast<IDirect3DTexture2*>(this);
    if (riid == IID_IDirect3DTexture)
        return static_cast<IDirect3DTexture*>(this);
    return nullptr;
}

HRESULT Texture::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3DTexture2::QueryInterface", (ULONG_PTR)object);
    return surface_.QueryInterface(riid, object);
}

ULONG Texture::AddRef() {
    core::countCall("IDirect3DTexture2::AddRef", {});
    return surface_.AddRef();
}

ULONG Texture::Release() {
    core::countCall("IDirect3DTexture2::Release", {});
    return surface_.Release();
}

HRESULT Texture::GetHandle(LPDIRECT3DDEVICE2 device, LPD3DTEXTUREHANDLE handle) {
    PLATFORM_RECORD_CALL("IDirect3DTexture2::GetHandle", (ULONG_PTR)device, (ULONG_PTR)handle);
    if (!handle)
        return DDERR_INVALIDPARAMS;
    *handle = handle_;
    return D3D_OK;
}

HRESULT Texture::PaletteChanged(DWORD start, DWORD count) {
    PLATFORM_RECORD_CALL("IDirect3DTexture2::PaletteChanged", start, count);
    return D3D_OK;
}

// Copies the pixels of every level both chains have, and the source's
// colour key; sizes and formats must match level by level.
HRESULT Texture::Load(LPDIRECT3DTEXTURE2 source) {
    PLATFORM_RECORD_CALL("IDirect3DTexture2::Load", (ULONG_PTR)source);
    return load(source ? fromInterface(source) : nullptr);
}

HRESULT Texture::load(Texture* from) {
    if (!from)
        return DDERR_INVALIDPARAMS;
    if (from == this)
        return D3D_OK;
    // Queued draws may still sample the destination.
    surface_.finishDrawsOn(&from->surface_);
    ddraw::DDLock lock(ddraw::ddrawMutex());
    ddraw::Surface* src = &from->surface_;
    ddraw::Surface* dst = &surface_;
    if (FAILED(src->usable()))
        return src->usable();
    if (FAILED(dst->usable()))
        return dst->usable();
    while (src && dst) {
        if (src->width() != dst->width() || src->height() != dst->height() ||
            std::memcmp(&src->format(), &dst->format(), sizeof(DDPIXELFORMAT)) != 0)
            return DDERR_INVALIDPARAMS;
        const DWORD rowBytes = src->width() * ((src->format().dwRGBBitCount + 7) / 8);
        for (DWORD y = 0; y < src->height(); ++y)
            std::memcpy(dst->bits() + static_cast<size_t>(y) * dst->pitch(),
                        src->bits() + static_cast<size_t>(y) * src->pitch(), rowBytes);
        src = src->attachedWithCaps(DDSCAPS_MIPMAP);
        dst = dst->attachedWithCaps(DDSCAPS_MIPMAP);
    }
    const DDSURFACEDESC2& sd = from->surface_.desc();
    if (sd.dwFlags & DDSD_CKSRCBLT) {
        DDCOLORKEY k = sd.ddckCKSrcBlt;
        surface_.SetColorKey(DDCKEY_SRCBLT, &k);
    }
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// IDirect3DTexture

HRESULT Texture::Initialize(LPDIRECT3DDEVICE, IDirectDrawSurface*) {
    PLATFORM_RECORD_CALL("IDirect3DTexture::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

// Handles name the texture, not a device, so every device gets the same.
HRESULT Texture::GetHandle(LPDIRECT3DDEVICE device, LPD3DTEXTUREHANDLE handle) {
    PLATFORM_RECORD_CALL("IDirect3DTexture::GetHandle", (ULONG_PTR)device, (ULONG_PTR)handle);
    if (!handle)
        return DDERR_INVALIDPARAMS;
    *handle = handle_;
    return D3D_OK;
}

HRESULT Texture::Load(LPDIRECT3DTEXTURE source) {
    PLATFORM_RECORD_CALL("IDirect3DTexture::Load", (ULONG_PTR)source);
    return load(source ? fromInterface(source) : nullptr);
}

// The rasteriser samples the surface's own memory; there is no copy to drop.
HRESULT Texture::Unload() {
    PLATFORM_RECORD_CALL("IDirect3DTexture::Unload");
    return D3D_OK;
}

bool Texture::rasterizable() const {
    return formatOf(surface_.format()) != raster::PixelFormat::Unknown;
}

bool Texture::refresh() {
    raster::Texture next;
    next.format = formatOf(surface_.format());
    for (ddraw::Surface* level = &surface_; level;
         level = level->attachedWithCaps(DDSCAPS_MIPMAP | DDSCAPS_TEXTURE)) {
        next.levels.push_back(
            raster::TextureLevel{level->bits(), level->pitch(), level->width(), level->height()});
        if (next.levels.size() > 16)
            break;  // a malformed chain never loops forever
    }
    const DDSURFACEDESC2& d = surface_.desc();
    next.colorKeyEnabled = (d.dwFlags & DDSD_CKSRCBLT) != 0;
    next.colorKey = next.colorKeyEnabled ? d.ddckCKSrcBlt.dwColorSpaceLowValue : 0;
    const bool changed = next.format != raster_.format || !sameLevels(next.levels, raster_.levels) ||
                         next.colorKeyEnabled != raster_.colorKeyEnabled ||
                         next.colorKey != raster_.colorKey;
    if (changed)
        raster_ = std::move(next);
    return changed;
}

}  // namespace platform::d3d::device
