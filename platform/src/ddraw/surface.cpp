#include "ddraw/surface.h"

#include "core/app_state.h"
#include "core/call_log.h"
#include "d3d/raster/rasterizer.h"
#include "ddraw/clipper.h"
#include "ddraw/palette.h"
#include "ddraw/pixel_format.h"
#include "gdi/surface_dc.h"

#include <algorithm>
#include <cstring>

namespace platform::ddraw {
namespace {

constexpr DWORD kMaxDimension = 16384;

LONG pitchFor(DWORD width, DWORD bpp) {
    // Rows start on 8-byte boundaries, as display memory usually did.
    return static_cast<LONG>((width * bpp + 7u) & ~7u);
}

bool depthOffered(const display::AdapterProfile& adapter, const DDPIXELFORMAT& f) {
    for (const auto& device : adapter.devices)
        for (const auto& d : device.depthFormats)
            if (d.bitCount == f.dwZBufferBitDepth &&
                d.stencilBits == ((f.dwFlags & DDPF_STENCILBUFFER) ? f.dwStencilBitDepth : 0u))
                return true;
    return false;
}

DWORD floorLog2(DWORD v) {
    DWORD n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

using ExtensionFactory = PartFactory<Surface, SurfaceExtensionFactory>;

std::vector<ExtensionFactory>& surfaceExtensionFactories() {
    static std::vector<ExtensionFactory> f;
    return f;
}
}  // namespace

void registerSurfaceExtension(std::vector<IID> iids, SurfaceExtensionFactory make) {
    DDLock lock(ddrawMutex());
    for (auto& entry : surfaceExtensionFactories())
        if (entry.iids == iids) {
            entry.make = std::move(make);
            return;
        }
    surfaceExtensionFactories().push_back({std::move(iids), std::move(make)});
}
Surface::Surface(std::shared_ptr<DeviceState> state, const DDSURFACEDESC2& desc, bool video,
                 bool managed)
    : state_(std::move(state)), desc_(desc), video_(video), managed_(managed) {
    const DWORD bpp = bytesPerPixel(desc_.ddpfPixelFormat);
    desc_.lPitch = pitchFor(desc_.dwWidth, bpp);
    desc_.lpSurface = nullptr;
    pixels_.assign(static_cast<size_t>(desc_.lPitch) * desc_.dwHeight, 0);
    memoryBytes_ = video_ ? static_cast<DWORD>(pixels_.size()) : 0u;
    createdMode_ = adapterMode(*state_);
    registerSurface(this);
    state_->surfaces.insert(this);
}

void Surface::destroyAllOf(DeviceState& state) {
    // Interfaces held as private data may be these very surfaces (even in a
    // cycle): drop them first, with every surface pinned so none dies twice.
    const std::vector<Surface*> all(state.surfaces.begin(), state.surfaces.end());
    for (Surface* s : all)
        ++s->refs_;
    for (Surface* s : all)
        s->privateData_.clear();
    // Releasing one surface may release the ones it holds, so pick again
    // from what is left each time.
    while (!state.surfaces.empty()) {
        delete *state.surfaces.begin();
    }
}

Surface::~Surface() {
    // Runs with ddrawMutex() held (from Release).
    // No queued draw may write into the memory once it is gone.
    d3d::raster::finishPendingDraws();
    privateData_.clear();
    if (dc_)
        gdi::destroySurfaceDC(dc_);
    parts_.clear();
    if (clipper_)
        clipper_->Release();
    if (palette_)
        palette_->Release();
    for (const Attachment& a : attached_)
        a.surface->Release();
    if (chain_)
        chain_->erase(std::remove(chain_->begin(), chain_->end(), this), chain_->end());
    detachFromOverlays();
    if (memoryBytes_)
        returnVideoMemory(*state_, memoryBytes_);
    if (state_->primary == this)
        state_->primary = nullptr;
    state_->surfaces.erase(this);
    unregisterSurface(this);
}

HRESULT Surface::validateRequest(const DeviceState& state, DDSURFACEDESC2* d) {
    DWORD& caps = d->ddsCaps.dwCaps;
    if (!(d->dwFlags & DDSD_CAPS)) {
        d->ddsCaps = DDSCAPS2{};
    }
    // The program's own memory comes only through SetSurfaceDesc.
    if (d->dwFlags & (DDSD_PITCH | DDSD_LPSURFACE))
        return DDERR_INVALIDPARAMS;
    if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY))
        return DDERR_INVALIDCAPS;
    const bool primary = caps & DDSCAPS_PRIMARYSURFACE;
    const bool overlay = caps & DDSCAPS_OVERLAY;
    // A primary has back buffers as a flipping chain or not at all, whatever
    // the cooperative level; only a full-screen exclusive program may own one.
    if (primary && ((caps & DDSCAPS_COMPLEX) != 0) != ((caps & DDSCAPS_FLIP) != 0))
        return DDERR_INVALIDCAPS;
    if (primary && (caps & DDSCAPS_COMPLEX) && !state.exclusive)
        return DDERR_NOEXCLUSIVEMODE;
    if (caps & DDSCAPS_FLIP) {
        if (!(caps & DDSCAPS_COMPLEX) || !(d->dwFlags & DDSD_BACKBUFFERCOUNT) ||
            d->dwBackBufferCount == 0 || d->dwBackBufferCount > 16)
            return DDERR_INVALIDPARAMS;
        if (!primary && !overlay)
            return DDERR_INVALIDCAPS;
        if (primary && !state.exclusive)
            return DDERR_NOEXCLUSIVEMODE;
    }
    if ((caps & DDSCAPS_MIPMAP) && !(caps & DDSCAPS_TEXTURE))
        return DDERR_INVALIDCAPS;
    if (primary && overlay)
        return DDERR_INVALIDCAPS;

    if (primary) {
        if (d->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
            return DDERR_INVALIDPARAMS;
        if (state.primary)
            return DDERR_PRIMARYSURFACEALREADYEXISTS;
        const display::DisplayMode mode = adapterMode(state);
        d->dwWidth = mode.width;
        d->dwHeight = mode.height;
        d->ddpfPixelFormat = displayFormat(mode.bitsPerPixel);
        return DD_OK;
    }
    if (!(d->dwFlags & DDSD_WIDTH) || !(d->dwFlags & DDSD_HEIGHT) || d->dwWidth == 0 ||
        d->dwHeight == 0)
        return DDERR_INVALIDPARAMS;
    if (d->dwWidth > kMaxDimension || d->dwHeight > kMaxDimension)
        return DDERR_TOOBIGSIZE;
    if (d->dwFlags & DDSD_PIXELFORMAT) {
        if (d->ddpfPixelFormat.dwSize != sizeof(DDPIXELFORMAT))
            return DDERR_INVALIDPARAMS;
    } else if (caps & DDSCAPS_ZBUFFER) {
        return DDERR_INVALIDPIXELFORMAT;
    } else {
        d->ddpfPixelFormat = displayFormat(adapterMode(state).bitsPerPixel);
    }
    const DDPIXELFORMAT& f = d->ddpfPixelFormat;
    if (bytesPerPixel(f) == 0)
        return DDERR_INVALIDPIXELFORMAT;
    if (caps & DDSCAPS_ZBUFFER) {
        if (!isDepth(f) || !depthOffered(state.adapter(), f))
            return DDERR_INVALIDPIXELFORMAT;
    } else if (isDepth(f)) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    if (overlay) {
        if (!state.adapter().overlays)
            return DDERR_NOOVERLAYHW;
        const bool rgbOk = isRgb(f) && (f.dwRGBBitCount == 16 || f.dwRGBBitCount == 32);
        if (!rgbOk && !isYuv(f))
            return DDERR_INVALIDPIXELFORMAT;
    }
    // Luminance, bump and alpha-only formats exist for textures only.
    const bool textureOnly = isLuminance(f) || isBump(f) || isAlphaOnly(f);
    if (textureOnly && !(caps & DDSCAPS_TEXTURE))
        return DDERR_INVALIDPIXELFORMAT;
    const bool rgbTexture = isRgb(f) && (f.dwRGBBitCount == 16 || f.dwRGBBitCount == 32);
    if ((caps & DDSCAPS_TEXTURE) && !rgbTexture && !textureOnly && !isYuv(f))
        return DDERR_INVALIDPIXELFORMAT;
    if (isYuv(f) && (d->dwWidth & 1u))
        return DDERR_INVALIDPARAMS;
    return DD_OK;
}

HRESULT Surface::create(const std::shared_ptr<DeviceState>& state, const DDSURFACEDESC2& request,
                        Surface** out) {
    DDSURFACEDESC2 d = request;
    const HRESULT valid = validateRequest(*state, &d);
    if (FAILED(valid))
        return valid;
    DWORD caps = d.ddsCaps.dwCaps;
    const bool primary = caps & DDSCAPS_PRIMARYSURFACE;
    const bool overlay = caps & DDSCAPS_OVERLAY;
    const bool managed = (caps & DDSCAPS_TEXTURE) && (d.ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE);

    // The surfaces to make: one, a flipping chain, or a mip chain.
    std::vector<DDSURFACEDESC2> parts;
    DDSURFACEDESC2 base = d;
    base.dwFlags = (d.dwFlags & (DDSD_CKDESTBLT | DDSD_CKSRCBLT | DDSD_CKDESTOVERLAY |
                                 DDSD_CKSRCOVERLAY | DDSD_TEXTURESTAGE)) |
                   DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    if (!(d.dwFlags & DDSD_TEXTURESTAGE))
        base.dwTextureStage = 0;
    base.dwBackBufferCount = 0;
    base.dwMipMapCount = 0;
    if (caps & DDSCAPS_FLIP) {
        DDSURFACEDESC2 front = base;
        front.dwFlags |= DDSD_BACKBUFFERCOUNT;
        front.dwBackBufferCount = d.dwBackBufferCount;
        front.ddsCaps.dwCaps |= DDSCAPS_FRONTBUFFER | (primary ? DDSCAPS_VISIBLE : 0u);
        parts.push_back(front);
        for (DWORD i = 0; i < d.dwBackBufferCount; ++i) {
            DDSURFACEDESC2 back = base;
            back.ddsCaps.dwCaps &=
                ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE);
            if (i == 0)
                back.ddsCaps.dwCaps |= DDSCAPS_BACKBUFFER;
            parts.push_back(back);
        }
    } else if ((caps & DDSCAPS_MIPMAP) && (caps & DDSCAPS_COMPLEX)) {
        const DWORD maxLevels = floorLog2(std::max(d.dwWidth, d.dwHeight)) + 1;
        const DWORD levels = (d.dwFlags & DDSD_MIPMAPCOUNT) ? d.dwMipMapCount : maxLevels;
        if (levels == 0 || levels > maxLevels)
            return DDERR_INVALIDPARAMS;
        DWORD w = d.dwWidth, h = d.dwHeight;
        for (DWORD i = 0; i < levels; ++i) {
            DDSURFACEDESC2 level = base;
            level.dwFlags |= DDSD_MIPMAPCOUNT;
            level.dwMipMapCount = levels - i;
            level.dwWidth = w;
            level.dwHeight = h;
            parts.push_back(level);
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
        }
    } else {
        if (primary)
            base.ddsCaps.dwCaps |= DDSCAPS_VISIBLE;
        parts.push_back(base);
    }

    // Placement: video memory when asked for, when it is the display's own
    // (primary, overlays), or by default while it lasts.
    DWORD bytes = 0;
    for (const auto& p : parts)
        bytes +=
            static_cast<DWORD>(pitchFor(p.dwWidth, bytesPerPixel(p.ddpfPixelFormat))) * p.dwHeight;
    const bool mustBeVideo = (caps & DDSCAPS_VIDEOMEMORY) || primary || overlay;
    bool video = false;
    if (!managed && !(caps & DDSCAPS_SYSTEMMEMORY)) {
        video = reserveVideoMemory(*state, bytes);
        if (!video && mustBeVideo)
            return DDERR_OUTOFVIDEOMEMORY;
    }
    const DWORD memoryCaps = managed ? 0u
                             : video ? (DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM)
                                     : DDSCAPS_SYSTEMMEMORY;
    caps &= ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY | DDSCAPS_LOCALVIDMEM);

    std::vector<Surface*> made;
    for (auto& p : parts) {
        p.ddsCaps.dwCaps = (p.ddsCaps.dwCaps &
                            ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY | DDSCAPS_LOCALVIDMEM)) |
                           memoryCaps;
        made.push_back(new Surface(state, p, video, managed));
    }
    // The reservation was made for the whole group; each surface returns its share.
    // Link: each implicit surface is held by the one before it.
    for (size_t i = 1; i < made.size(); ++i) {
        made[i - 1]->attached_.push_back({made[i], true});
        made[i]->parent_ = made[i - 1];
    }
    if (caps & DDSCAPS_FLIP) {
        auto chain = std::make_shared<Chain>(made);
        for (Surface* s : made)
            s->chain_ = chain;
        made.front()->gdiBuffer_ = made.front()->pixels_.data();
    }
    if (primary)
        state->primary = made.front();
    *out = made.front();
    return DD_OK;
}

Surface* Surface::fromInterface(IDirectDrawSurface4* surface) {
    return dynamic_cast<Surface*>(surface);
}

Surface* Surface::fromInterface(IDirectDrawSurface* surface) {
    return dynamic_cast<Surface*>(surface);
}

// ---------------------------------------------------------------------------
// IUnknown

HRESULT Surface::QueryInterface(REFIID riid, LPVOID* object) {
    // Nulled first, so even a failure the testing API injects leaves no
    // stale pointer.
    if (object)
        *object = nullptr;
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    // The IDirectDrawSurface4 pointer is the object's identity.
    if (riid == IID_IUnknown || riid == IID_IDirectDrawSurface4)
        *object = static_cast<IDirectDrawSurface4*>(this);
    else if (riid == IID_IDirectDrawSurface || riid == IID_IDirectDrawSurface2 ||
             riid == IID_IDirectDrawSurface3)
        *object = asSurface();
    else if (riid == IID_IDirectDrawGammaControl) {
        if (!isPrimary() || !state_->adapter().gamma)
            return E_NOINTERFACE;
        *object = static_cast<IDirectDrawGammaControl*>(this);
    }
    if (!*object)
        *object = findPartInterface(*this, parts_, surfaceExtensionFactories(), riid);
    if (!*object)
        return E_NOINTERFACE;
    AddRef();
    return DD_OK;
}

Surface* Surface::attachedWithCaps(DWORD caps) const {
    for (const Attachment& a : attached_)
        if ((a.surface->desc_.ddsCaps.dwCaps & caps) == caps)
            return a.surface;
    return nullptr;
}

ULONG Surface::AddRef() {
    core::countCall("IDirectDrawSurface4::AddRef", {});
    return ++refs_;
}

ULONG Surface::Release() {
    core::countCall("IDirectDrawSurface4::Release", {});
    DDLock lock(ddrawMutex());
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

// ---------------------------------------------------------------------------
// Attachments

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::AddAttachedSurface", (ULONG_PTR)surface);
    DDLock lock(ddrawMutex());
    Surface* other = fromInterface(surface);
    if (!other || other == this)
        return DDERR_INVALIDPARAMS;
    // Depth buffers are the attachment programs make themselves.
    if (!(other->desc_.ddsCaps.dwCaps & DDSCAPS_ZBUFFER) ||
        (desc_.ddsCaps.dwCaps & DDSCAPS_ZBUFFER))
        return DDERR_CANNOTATTACHSURFACE;
    if (other->width() != width() || other->height() != height())
        return DDERR_CANNOTATTACHSURFACE;
    for (const Attachment& a : attached_)
        if (a.surface->desc_.ddsCaps.dwCaps & DDSCAPS_ZBUFFER)
            return DDERR_SURFACEALREADYATTACHED;
    for (Surface* s : liveSurfaces())
        for (const Attachment& a : s->attached_)
            if (a.surface == other)
                return DDERR_SURFACEALREADYATTACHED;
    other->AddRef();
    attached_.push_back({other, false});
    return DD_OK;
}

HRESULT Surface::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE4 surface) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::DeleteAttachedSurface", flags, (ULONG_PTR)surface);
    DDLock lock(ddrawMutex());
    if (flags != 0)
        return DDERR_INVALIDPARAMS;
    if (!surface) {
        std::vector<Surface*> explicitOnes;
        for (auto it = attached_.begin(); it != attached_.end();) {
            if (!it->implicit) {
                explicitOnes.push_back(it->surface);
                it = attached_.erase(it);
            } else {
                ++it;
            }
        }
        for (Surface* s : explicitOnes)
            s->Release();
        return DD_OK;
    }
    Surface* other = fromInterface(surface);
    for (auto it = attached_.begin(); it != attached_.end(); ++it) {
        if (it->surface != other)
            continue;
        if (it->implicit)
            return DDERR_CANNOTDETACHSURFACE;
        attached_.erase(it);
        other->Release();
        return DD_OK;
    }
    return DDERR_SURFACENOTATTACHED;
}

HRESULT Surface::EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK2 cb) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::EnumAttachedSurfaces", (ULONG_PTR)context);
    if (!cb)
        return DDERR_INVALIDPARAMS;
    std::vector<Surface*> list;
    {
        DDLock lock(ddrawMutex());
        for (const Attachment& a : attached_) {
            a.surface->AddRef();
            list.push_back(a.surface);
        }
    }
    // The callback owns the reference it is given, as in DirectDraw.
    size_t i = 0;
    for (; i < list.size(); ++i) {
        DDSURFACEDESC2 d = list[i]->desc_;
        if (cb(list[i], &d, context) == DDENUMRET_CANCEL) {
            ++i;
            break;
        }
    }
    for (; i < list.size(); ++i)
        list[i]->Release();
    return DD_OK;
}

bool Surface::matches(const DDSURFACEDESC2& want) const {
    const DWORD f = want.dwFlags;
    if (f & DDSD_CAPS) {
        const DDSCAPS2& have = desc_.ddsCaps;
        const DDSCAPS2& need = want.ddsCaps;
        if ((have.dwCaps & need.dwCaps) != need.dwCaps ||
            (have.dwCaps2 & need.dwCaps2) != need.dwCaps2)
            return false;
    }
    if (((f & DDSD_WIDTH) && want.dwWidth != desc_.dwWidth) ||
        ((f & DDSD_HEIGHT) && want.dwHeight != desc_.dwHeight) ||
        ((f & DDSD_PITCH) && want.lPitch != desc_.lPitch) ||
        ((f & DDSD_BACKBUFFERCOUNT) && want.dwBackBufferCount != desc_.dwBackBufferCount) ||
        ((f & DDSD_MIPMAPCOUNT) && want.dwMipMapCount != desc_.dwMipMapCount))
        return false;
    if (f & DDSD_PIXELFORMAT) {
        const DDPIXELFORMAT& a = want.ddpfPixelFormat;
        const DDPIXELFORMAT& b = desc_.ddpfPixelFormat;
        if (a.dwFlags != b.dwFlags || a.dwFourCC != b.dwFourCC ||
            a.dwRGBBitCount != b.dwRGBBitCount || a.dwRBitMask != b.dwRBitMask ||
            a.dwGBitMask != b.dwGBitMask || a.dwBBitMask != b.dwBBitMask ||
            a.dwRGBAlphaBitMask != b.dwRGBAlphaBitMask)
            return false;
    }
    return true;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* surface) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetAttachedSurface", (ULONG_PTR)caps,
                         (ULONG_PTR)surface);
    if (!caps || !surface)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    for (const Attachment& a : attached_) {
        const DDSCAPS2& have = a.surface->desc_.ddsCaps;
        if ((have.dwCaps & caps->dwCaps) == caps->dwCaps &&
            (have.dwCaps2 & caps->dwCaps2) == caps->dwCaps2) {
            a.surface->AddRef();
            *surface = a.surface;
            return DD_OK;
        }
    }
    *surface = nullptr;
    return DDERR_NOTFOUND;
}

// ---------------------------------------------------------------------------
// Description and keys

HRESULT Surface::GetCaps(LPDDSCAPS2 caps) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetCaps", (ULONG_PTR)caps);
    if (!caps)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *caps = desc_.ddsCaps;
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetPixelFormat", (ULONG_PTR)format);
    if (!format || format->dwSize != sizeof(DDPIXELFORMAT))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *format = desc_.ddpfPixelFormat;
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetSurfaceDesc", (ULONG_PTR)desc);
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *desc = desc_;
    desc->lpSurface = nullptr;
    return DD_OK;
}

DDCOLORKEY* Surface::keySlot(DWORD which, DWORD* flag) {
    switch (which) {
        case DDCKEY_SRCBLT:
            *flag = DDSD_CKSRCBLT;
            return &desc_.ddckCKSrcBlt;
        case DDCKEY_DESTBLT:
            *flag = DDSD_CKDESTBLT;
            return &desc_.ddckCKDestBlt;
        case DDCKEY_SRCOVERLAY:
            *flag = DDSD_CKSRCOVERLAY;
            return &desc_.ddckCKSrcOverlay;
        case DDCKEY_DESTOVERLAY:
            *flag = DDSD_CKDESTOVERLAY;
            return &desc_.ddckCKDestOverlay;
        default:
            return nullptr;
    }
}

bool Surface::hasKey(DWORD which, DDCOLORKEY* key) const {
    DWORD flag = 0;
    const DDCOLORKEY* value = const_cast<Surface*>(this)->keySlot(which, &flag);
    if (!value || !(desc_.dwFlags & flag))
        return false;
    if (key)
        *key = *value;
    return true;
}

HRESULT Surface::GetColorKey(DWORD flags, LPDDCOLORKEY key) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetColorKey", flags, (ULONG_PTR)key);
    if (!key)
        return DDERR_INVALIDPARAMS;
    const DWORD which = flags & ~DDCKEY_COLORSPACE;
    if (which != DDCKEY_SRCBLT && which != DDCKEY_DESTBLT && which != DDCKEY_SRCOVERLAY &&
        which != DDCKEY_DESTOVERLAY)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    return hasKey(which, key) ? DD_OK : DDERR_NOCOLORKEY;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::SetColorKey", flags, (ULONG_PTR)key);
    const DWORD which = flags & ~DDCKEY_COLORSPACE;
    DWORD flag = 0;
    DDLock lock(ddrawMutex());
    DDCOLORKEY* value = keySlot(which, &flag);
    if (!value)
        return DDERR_INVALIDPARAMS;
    if (!key) {
        desc_.dwFlags &= ~flag;
        *value = DDCOLORKEY{};
        return DD_OK;
    }
    *value = *key;
    // Without a range the key is the low value alone.
    if (!(flags & DDCKEY_COLORSPACE))
        value->dwColorSpaceHighValue = value->dwColorSpaceLowValue;
    desc_.dwFlags |= flag;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Clipper

HRESULT Surface::GetClipper(LPDIRECTDRAWCLIPPER* clipper) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetClipper", (ULONG_PTR)clipper);
    if (!clipper)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *clipper = clipper_;
    if (!clipper_)
        return DDERR_NOCLIPPERATTACHED;
    clipper_->AddRef();
    return DD_OK;
}

HRESULT Surface::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::SetClipper", (ULONG_PTR)clipper);
    DDLock lock(ddrawMutex());
    Clipper* next = nullptr;
    if (clipper) {
        next = Clipper::fromInterface(clipper);
        if (!next)
            return DDERR_INVALIDPARAMS;
        next->AddRef();
    } else if (!clipper_) {
        return DDERR_NOCLIPPERATTACHED;
    }
    if (clipper_)
        clipper_->Release();
    clipper_ = next;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Lock, DC

HRESULT Surface::checkUsable() const {
    if (lost_)
        return DDERR_SURFACELOST;
    if (locked_ || dc_)
        return DDERR_SURFACEBUSY;
    return DD_OK;
}

void Surface::finishDrawsOn(const Surface* other) const {
    auto range = [](const Surface& s) {
        return d3d::raster::MemoryRange{s.bits(),
                                        static_cast<size_t>(std::abs(s.pitch())) * s.height()};
    };
    d3d::raster::MemoryRange mine, theirs;
    bool everything = false;
    {
        DDLock lock(ddrawMutex());
        everything = isPrimary() || (other != nullptr && other->isPrimary());
        mine = range(*this);
        if (other != nullptr)
            theirs = range(*other);
    }
    // Waiting for a surface's work only lets a program fill one texture (a
    // video frame) while the scene drawn before it is still rasterised.
    if (everything)
        d3d::raster::finishPendingDraws();
    else
        d3d::raster::finishPendingDrawsUsing({mine, theirs});
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::Lock", (ULONG_PTR)rect, (ULONG_PTR)desc, flags,
                         (ULONG_PTR)event);
    // Queued draws must be in the pixels first.
    finishDrawsOn();
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2))
        return DDERR_INVALIDPARAMS;
    // A refused lock leaves no pointer a program might write through.
    desc->lpSurface = nullptr;
    DDLock lock(ddrawMutex());
    const HRESULT usable = checkUsable();
    if (FAILED(usable))
        return usable;
    size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
            rect->top >= rect->bottom || rect->right > static_cast<LONG>(width()) ||
            rect->bottom > static_cast<LONG>(height()))
            return DDERR_INVALIDPARAMS;
        offset = static_cast<size_t>(rect->top) * desc_.lPitch +
                 static_cast<size_t>(rect->left) * bytesPerPixel(format());
    }
    locked_ = true;
    *desc = desc_;
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = bits() + offset;
    return DD_OK;
}

HRESULT Surface::Unlock(LPRECT rect) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::Unlock", (ULONG_PTR)rect);
    DDLock lock(ddrawMutex());
    if (!locked_ || dc_)
        return DDERR_NOTLOCKED;
    locked_ = false;
    ++uniqueness_;
    if (isPrimary())
        present();
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* dc) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetDC", (ULONG_PTR)dc);
    finishDrawsOn();
    if (!dc)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    if (dc_)
        return DDERR_DCALREADYCREATED;
    const HRESULT usable = checkUsable();
    if (FAILED(usable))
        return usable;
    if (!gdi::canDrawInto(format()))
        return DDERR_CANTCREATEDC;
    gdi::SurfaceTarget target;
    target.bits = bits();
    target.pitch = desc_.lPitch;
    target.width = width();
    target.height = height();
    target.format = format();
    target.owner = this;
    dc_ = gdi::createSurfaceDC(target);
    if (!dc_)
        return DDERR_CANTCREATEDC;
    *dc = dc_;
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::ReleaseDC", (ULONG_PTR)dc);
    DDLock lock(ddrawMutex());
    if (!dc_)
        return DDERR_NODC;
    if (dc != dc_)
        return DDERR_INVALIDPARAMS;
    gdi::destroySurfaceDC(dc_);
    dc_ = nullptr;
    ++uniqueness_;
    if (isPrimary())
        present();
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Loss

void Surface::markLost() {
    if (inVideoMemory())
        lost_ = true;
}

Surface* Surface::root() {
    Surface* s = this;
    while (s->parent_)
        s = s->parent_;
    return s;
}

void Surface::restoreTree() {
    lost_ = false;
    createdMode_ = adapterMode(*state_);
    for (const Attachment& a : attached_)
        if (a.implicit)
            a.surface->restoreTree();
}

HRESULT Surface::IsLost() {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::IsLost");
    DDLock lock(ddrawMutex());
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Restore() {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::Restore");
    DDLock lock(ddrawMutex());
    if (!lost_)
        return DD_OK;
    if (state_->exclusive && !core::isAppActive())
        return DDERR_NOEXCLUSIVEMODE;
    Surface* top = root();
    // The display's own surfaces have the mode's size and format; once the
    // mode has changed they must be made again.
    if (top->isPrimary()) {
        const display::DisplayMode now = adapterMode(*state_);
        const display::DisplayMode& then = top->createdMode_;
        if (now.width != then.width || now.height != then.height ||
            now.bitsPerPixel != then.bitsPerPixel)
            return DDERR_WRONGMODE;
    }
    top->restoreTree();
    return DD_OK;
}

// ---------------------------------------------------------------------------
// The rest of the interface

HRESULT Surface::AddOverlayDirtyRect(LPRECT) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::AddOverlayDirtyRect");
    return DDERR_UNSUPPORTED;
}

HRESULT Surface::BltBatch(void*, DWORD, DWORD) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::BltBatch");
    return DDERR_UNSUPPORTED;
}

HRESULT Surface::EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK2) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::EnumOverlayZOrders");
    return DDERR_UNSUPPORTED;
}

HRESULT Surface::GetBltStatus(DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetBltStatus", flags);
    if (flags != DDGBS_CANBLT && flags != DDGBS_ISBLTDONE)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::GetFlipStatus(DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetFlipStatus", flags);
    if (flags != DDGFS_CANFLIP && flags != DDGFS_ISFLIPDONE)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    if (!chain_)
        return DDERR_NOTFLIPPABLE;
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::GetPalette(LPDIRECTDRAWPALETTE* palette) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetPalette", (ULONG_PTR)palette);
    if (!palette)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *palette = palette_;
    if (!palette_)
        return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE palette) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::SetPalette", (ULONG_PTR)palette);
    DDLock lock(ddrawMutex());
    Palette* next = nullptr;
    if (palette) {
        next = Palette::fromInterface(palette);
        if (!next)
            return DDERR_INVALIDPARAMS;
        // Only 8-bit palettised surfaces exist here, so only 8-bit tables fit.
        if (!(desc_.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8) || next->indexBits() != 8)
            return DDERR_INVALIDPIXELFORMAT;
        if (lost_)
            return DDERR_SURFACELOST;
        next->AddRef();
    } else if (!palette_) {
        return DDERR_NOPALETTEATTACHED;
    }
    if (palette_)
        palette_->Release();
    palette_ = next;
    return DD_OK;
}

HRESULT Surface::Initialize(IDirectDraw*, LPDDSURFACEDESC2) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

HRESULT Surface::UpdateOverlayDisplay(DWORD) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::UpdateOverlayDisplay");
    return DDERR_UNSUPPORTED;
}

HRESULT Surface::UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE4) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::UpdateOverlayZOrder");
    return DDERR_UNSUPPORTED;
}

// Hands out the DirectDraw object's IUnknown; callers query the version
// they want from it.
HRESULT Surface::GetDDInterface(LPVOID* dd) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetDDInterface", (ULONG_PTR)dd);
    if (!dd)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *dd = state_->directDraw;
    if (!state_->directDraw)
        return DDERR_INVALIDOBJECT;
    state_->directDraw->AddRef();
    return DD_OK;
}

HRESULT Surface::PageLock(DWORD) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::PageLock");
    return DD_OK;
}

HRESULT Surface::PageUnlock(DWORD) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::PageUnlock");
    return DD_OK;
}

// Points a plain system-memory surface at the program's memory, optionally
// with a new size, pitch and pixel format. The program keeps owning it.
HRESULT Surface::SetSurfaceDesc(LPDDSURFACEDESC2 desc, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::SetSurfaceDesc", (ULONG_PTR)desc, flags);
    d3d::raster::finishPendingDraws();
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2) || flags != 0)
        return DDERR_INVALIDPARAMS;
    const DWORD f = desc->dwFlags;
    constexpr DWORD kSettable =
        DDSD_LPSURFACE | DDSD_PITCH | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_CAPS;
    if ((f & ~kSettable) || !(f & DDSD_LPSURFACE) || !desc->lpSurface)
        return DDERR_INVALIDPARAMS;
    // A new layout must come with the pitch that goes with it.
    if ((f & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) && !(f & DDSD_PITCH))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    const DWORD caps = desc_.ddsCaps.dwCaps;
    if ((f & DDSD_CAPS) &&
        (desc->ddsCaps.dwCaps & ~DDSCAPS_SYSTEMMEMORY) !=
            (caps & ~(DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM)))
        return DDERR_INVALIDCAPS;
    // Only memory the program could have made itself: not display memory,
    // not part of a chain or an attachment tree.
    if (!(caps & DDSCAPS_SYSTEMMEMORY) || isPrimary() || chain_ || parent_ || !attached_.empty())
        return DDERR_INVALIDSURFACETYPE;
    const HRESULT usable = checkUsable();
    if (FAILED(usable))
        return usable;
    const DWORD width = (f & DDSD_WIDTH) ? desc->dwWidth : desc_.dwWidth;
    const DWORD height = (f & DDSD_HEIGHT) ? desc->dwHeight : desc_.dwHeight;
    const DDPIXELFORMAT format =
        (f & DDSD_PIXELFORMAT) ? desc->ddpfPixelFormat : desc_.ddpfPixelFormat;
    const LONG pitch = (f & DDSD_PITCH) ? desc->lPitch : desc_.lPitch;
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
        return DDERR_INVALIDPARAMS;
    const DWORD bpp = bytesPerPixel(format);
    if (format.dwSize != sizeof(DDPIXELFORMAT) || bpp == 0 ||
        isDepth(format) != ((caps & DDSCAPS_ZBUFFER) != 0) || (isYuv(format) && (width & 1u)))
        return DDERR_INVALIDPIXELFORMAT;
    if (pitch <= 0 || static_cast<DWORD>(pitch) < width * bpp)
        return DDERR_INVALIDPARAMS;
    desc_.dwWidth = width;
    desc_.dwHeight = height;
    desc_.ddpfPixelFormat = format;
    desc_.lPitch = pitch;
    client_ = static_cast<BYTE*>(desc->lpSurface);
    std::vector<BYTE>().swap(pixels_);
    ++uniqueness_;
    return DD_OK;
}

HRESULT Surface::SetPrivateData(REFGUID tag, LPVOID data, DWORD size, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::SetPrivateData", (ULONG_PTR)data, size, flags);
    DDLock lock(ddrawMutex());
    return privateData_.set(tag, data, size, flags, uniqueness_);
}

HRESULT Surface::GetPrivateData(REFGUID tag, LPVOID buffer, LPDWORD size) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetPrivateData", (ULONG_PTR)buffer, (ULONG_PTR)size);
    DDLock lock(ddrawMutex());
    return privateData_.get(tag, buffer, size, uniqueness_);
}

HRESULT Surface::FreePrivateData(REFGUID tag) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::FreePrivateData");
    DDLock lock(ddrawMutex());
    return privateData_.free(tag);
}

HRESULT Surface::GetUniquenessValue(LPDWORD value) {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::GetUniquenessValue", (ULONG_PTR)value);
    if (!value)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *value = uniqueness_;
    return DD_OK;
}

HRESULT Surface::ChangeUniquenessValue() {
    PLATFORM_RECORD_CALL("IDirectDrawSurface4::ChangeUniquenessValue");
    DDLock lock(ddrawMutex());
    ++uniqueness_;
    return DD_OK;
}

}  // namespace platform::ddraw
