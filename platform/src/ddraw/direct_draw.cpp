#include "ddraw/direct_draw.h"

#include "core/app_state.h"
#include "core/call_log.h"
#include "ddraw/clipper.h"
#include "ddraw/palette.h"
#include "ddraw/pixel_format.h"
#include "ddraw/surface.h"
#include "ddraw/surface_desc.h"
#include "gdi/surface_dc.h"

#include <algorithm>
#include <cstring>

namespace platform::ddraw {
namespace {

using ExtensionFactory = PartFactory<DirectDraw, DirectDrawExtensionFactory>;

std::vector<ExtensionFactory>& extensionFactories() {
    static std::vector<ExtensionFactory> f;
    return f;
}

DDSURFACEDESC2 modeDesc(const display::DisplayMode& m, bool withRefresh) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(DDSURFACEDESC2);
    d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    d.dwWidth = m.width;
    d.dwHeight = m.height;
    d.ddpfPixelFormat = displayFormat(m.bitsPerPixel);
    d.lPitch = static_cast<LONG>(m.width * bytesPerPixel(d.ddpfPixelFormat));
    d.dwRefreshRate = withRefresh ? m.refreshRate : 0;
    return d;
}

DDSURFACEDESC toOldDesc(const DDSURFACEDESC2& d2) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof(DDSURFACEDESC);
    d.dwFlags = d2.dwFlags;
    d.dwWidth = d2.dwWidth;
    d.dwHeight = d2.dwHeight;
    d.lPitch = d2.lPitch;
    d.dwBackBufferCount = d2.dwBackBufferCount;
    d.dwRefreshRate = d2.dwRefreshRate;
    d.ddpfPixelFormat = d2.ddpfPixelFormat;
    d.ddsCaps.dwCaps = d2.ddsCaps.dwCaps;
    return d;
}

bool matchesTemplate(const DDSURFACEDESC2& mode, const DDSURFACEDESC2* t) {
    if (!t)
        return true;
    if ((t->dwFlags & DDSD_WIDTH) && t->dwWidth != mode.dwWidth)
        return false;
    if ((t->dwFlags & DDSD_HEIGHT) && t->dwHeight != mode.dwHeight)
        return false;
    if ((t->dwFlags & DDSD_PIXELFORMAT) &&
        t->ddpfPixelFormat.dwRGBBitCount != mode.ddpfPixelFormat.dwRGBBitCount)
        return false;
    if ((t->dwFlags & DDSD_REFRESHRATE) && t->dwRefreshRate != mode.dwRefreshRate)
        return false;
    return true;
}

}  // namespace

void registerDirectDrawExtension(std::vector<IID> iids, DirectDrawExtensionFactory make) {
    DDLock lock(ddrawMutex());
    for (auto& entry : extensionFactories())
        if (entry.iids == iids) {
            entry.make = std::move(make);
            return;
        }
    extensionFactories().push_back({std::move(iids), std::move(make)});
}

DirectDraw::DirectDraw(std::shared_ptr<DeviceState> state) : state_(std::move(state)) {
    state_->directDraw = static_cast<IDirectDraw*>(this);
}

DirectDraw::~DirectDraw() {
    parts_.clear();
    Surface::destroyAllOf(*state_);
    state_->directDraw = nullptr;
    if (modeChanged_)
        setAdapterMode(*state_, modeBefore_);
    if (exclusiveOwner() == state_.get())
        setExclusiveOwner(nullptr);
    state_->exclusive = false;
}

HRESULT DirectDraw::create(const GUID* adapter, DirectDraw** out) {
    auto profile = display::currentProfile();
    installListeners();
    DDLock lock(ddrawMutex());
    const display::AdapterProfile* found =
        adapter ? profile->findAdapter(*adapter) : profile->primaryAdapter();
    if (!found)
        return DDERR_INVALIDDIRECTDRAWGUID;
    auto state = std::make_shared<DeviceState>();
    state->profile = profile;
    state->adapterIndex = profile->indexOf(found);
    *out = new DirectDraw(std::move(state));
    return DD_OK;
}

DirectDraw* DirectDraw::fromInterface(IDirectDraw4* dd) {
    return dynamic_cast<DirectDraw*>(dd);
}

// ---------------------------------------------------------------------------
// IUnknown

HRESULT DirectDraw::QueryInterface(REFIID riid, LPVOID* object) {
    // Nulled first, so even a failure the testing API injects leaves no
    // stale pointer.
    if (object)
        *object = nullptr;
    PLATFORM_RECORD_CALL("IDirectDraw4::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    // The IDirectDraw pointer is the object's identity.
    if (riid == IID_IUnknown || riid == IID_IDirectDraw)
        *object = static_cast<IDirectDraw*>(this);
    else if (riid == IID_IDirectDraw2)
        *object = static_cast<IDirectDraw2*>(this);
    else if (riid == IID_IDirectDraw4)
        *object = static_cast<IDirectDraw4*>(this);
    if (!*object)
        *object = findPartInterface(*this, parts_, extensionFactories(), riid);
    if (!*object)
        return E_NOINTERFACE;
    AddRef();
    return DD_OK;
}

ULONG DirectDraw::AddRef() {
    core::countCall("IDirectDraw4::AddRef", {});
    return ++refs_;
}

ULONG DirectDraw::Release() {
    core::countCall("IDirectDraw4::Release", {});
    DDLock lock(ddrawMutex());
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

// ---------------------------------------------------------------------------
// Cooperative level and display modes

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDraw4::SetCooperativeLevel", (ULONG_PTR)window, flags);
    DDLock lock(ddrawMutex());
    const bool normal = flags & DDSCL_NORMAL;
    const bool exclusive = flags & DDSCL_EXCLUSIVE;
    if (normal == exclusive)
        return DDERR_INVALIDPARAMS;
    if (exclusive != static_cast<bool>(flags & DDSCL_FULLSCREEN))
        return DDERR_INVALIDPARAMS;
    if (exclusive && !window)
        return DDERR_INVALIDPARAMS;
    if (exclusive && exclusiveOwner() && exclusiveOwner() != state_.get())
        return DDERR_EXCLUSIVEMODEALREADYSET;
    state_->window = window;
    state_->cooperativeFlags = flags;
    state_->exclusive = exclusive;
    if (exclusive)
        setExclusiveOwner(state_.get());
    else if (exclusiveOwner() == state_.get())
        setExclusiveOwner(nullptr);
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refreshRate,
                                   DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDraw4::SetDisplayMode", width, height, bpp, refreshRate, flags);
    DDLock lock(ddrawMutex());
    if (width == 0 || height == 0 || bpp == 0 || (flags & ~DDSDM_STANDARDVGAMODE))
        return DDERR_INVALIDPARAMS;
    if (exclusiveOwner() && exclusiveOwner() != state_.get())
        return DDERR_NOEXCLUSIVEMODE;
    const display::DisplayMode* found = nullptr;
    for (const auto& m : adapter().modes)
        if (m.width == width && m.height == height && m.bitsPerPixel == bpp &&
            (refreshRate == 0 || m.refreshRate == refreshRate)) {
            found = &m;
            break;
        }
    if (!found)
        return DDERR_INVALIDMODE;
    if (!modeChanged_) {
        modeBefore_ = adapterMode(*state_);
        modeChanged_ = true;
    }
    setAdapterMode(*state_, *found);
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bpp) {
    return SetDisplayMode(width, height, bpp, 0, 0);
}

HRESULT DirectDraw::RestoreDisplayMode() {
    PLATFORM_RECORD_CALL("IDirectDraw4::RestoreDisplayMode");
    DDLock lock(ddrawMutex());
    if (modeChanged_) {
        modeChanged_ = false;
        setAdapterMode(*state_, modeBefore_);
    }
    return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(LPDDSURFACEDESC2 desc) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetDisplayMode", (ULONG_PTR)desc);
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *desc = modeDesc(adapterMode(*state_), true);
    return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(LPDDSURFACEDESC desc) {
    PLATFORM_RECORD_CALL("IDirectDraw::GetDisplayMode", (ULONG_PTR)desc);
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *desc = toOldDesc(modeDesc(adapterMode(*state_), true));
    return DD_OK;
}

HRESULT DirectDraw::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 desc, LPVOID context,
                                     LPDDENUMMODESCALLBACK2 cb) {
    PLATFORM_RECORD_CALL("IDirectDraw4::EnumDisplayModes", flags, (ULONG_PTR)desc,
                         (ULONG_PTR)context);
    if (!cb || (desc && desc->dwSize != sizeof(DDSURFACEDESC2)))
        return DDERR_INVALIDPARAMS;
    const std::vector<display::DisplayMode> modes = adapter().modes;
    for (const auto& m : modes) {
        DDSURFACEDESC2 d = modeDesc(m, flags & DDEDM_REFRESHRATES);
        if (!matchesTemplate(d, desc))
            continue;
        if (cb(&d, context) == DDENUMRET_CANCEL)
            break;
    }
    return DD_OK;
}

HRESULT DirectDraw::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC desc, LPVOID context,
                                     LPDDENUMMODESCALLBACK cb) {
    PLATFORM_RECORD_CALL("IDirectDraw::EnumDisplayModes", flags, (ULONG_PTR)desc,
                         (ULONG_PTR)context);
    if (!cb || (desc && desc->dwSize != sizeof(DDSURFACEDESC)))
        return DDERR_INVALIDPARAMS;
    const std::vector<display::DisplayMode> modes = adapter().modes;
    for (const auto& m : modes) {
        const DDSURFACEDESC2 d2 = modeDesc(m, flags & DDEDM_REFRESHRATES);
        if (desc) {
            DDSURFACEDESC2 t{};
            t.dwFlags = desc->dwFlags;
            t.dwWidth = desc->dwWidth;
            t.dwHeight = desc->dwHeight;
            t.ddpfPixelFormat = desc->ddpfPixelFormat;
            t.dwRefreshRate = desc->dwRefreshRate;
            if (!matchesTemplate(d2, &t))
                continue;
        }
        DDSURFACEDESC d = toOldDesc(d2);
        if (cb(&d, context) == DDENUMRET_CANCEL)
            break;
    }
    return DD_OK;
}

HRESULT DirectDraw::TestCooperativeLevel() {
    PLATFORM_RECORD_CALL("IDirectDraw4::TestCooperativeLevel");
    DDLock lock(ddrawMutex());
    if (state_->exclusive)
        return core::isAppActive() ? DD_OK : DDERR_NOEXCLUSIVEMODE;
    if (exclusiveOwner() && exclusiveOwner() != state_.get())
        return DDERR_EXCLUSIVEMODEALREADYSET;
    // A windowed program can go on after a task switch; a primary surface
    // made at another colour depth cannot.
    if (state_->primary &&
        state_->primary->format().dwRGBBitCount != adapterMode(*state_).bitsPerPixel)
        return DDERR_WRONGMODE;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Surfaces and clippers

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* surface,
                                  IUnknown* outer) {
    PLATFORM_RECORD_CALL("IDirectDraw4::CreateSurface", (ULONG_PTR)desc, (ULONG_PTR)surface,
                         (ULONG_PTR)outer);
    if (!desc || !surface || desc->dwSize != sizeof(DDSURFACEDESC2))
        return DDERR_INVALIDPARAMS;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    DDLock lock(ddrawMutex());
    *surface = nullptr;
    if (!state_->cooperativeFlags)
        return DDERR_NOCOOPERATIVELEVELSET;
    Surface* made = nullptr;
    const HRESULT hr = Surface::create(state_, *desc, &made);
    if (SUCCEEDED(hr))
        *surface = made;
    return hr;
}

// The older interfaces make the same surfaces and hand out their older face.
HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                  IUnknown* outer) {
    if (!desc || !surface || desc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc2 = newerDesc(*desc);
    IDirectDrawSurface4* made = nullptr;
    const HRESULT hr = CreateSurface(&desc2, &made, outer);
    *surface = made ? Surface::fromInterface(made)->asSurface() : nullptr;
    return hr;
}

HRESULT DirectDraw::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) {
    PLATFORM_RECORD_CALL("IDirectDraw4::CreateClipper", flags, (ULONG_PTR)clipper,
                         (ULONG_PTR)outer);
    if (!clipper || flags != 0)
        return DDERR_INVALIDPARAMS;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    *clipper = Clipper::create();
    return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                  LPDIRECTDRAWPALETTE* palette, IUnknown* outer) {
    PLATFORM_RECORD_CALL("IDirectDraw4::CreatePalette", flags, (ULONG_PTR)entries,
                         (ULONG_PTR)palette, (ULONG_PTR)outer);
    if (!palette)
        return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    {
        DDLock lock(ddrawMutex());
        if (!state_->cooperativeFlags)
            return DDERR_NOCOOPERATIVELEVELSET;
    }
    Palette* made = nullptr;
    const HRESULT hr = Palette::create(flags, entries, &made);
    if (SUCCEEDED(hr))
        *palette = made;
    return hr;
}

HRESULT DirectDraw::DuplicateSurface(LPDIRECTDRAWSURFACE4, LPDIRECTDRAWSURFACE4* copy) {
    PLATFORM_RECORD_CALL("IDirectDraw4::DuplicateSurface", (ULONG_PTR)copy);
    return DDERR_UNSUPPORTED;
}

HRESULT DirectDraw::DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE* copy) {
    PLATFORM_RECORD_CALL("IDirectDraw::DuplicateSurface", (ULONG_PTR)copy);
    return DDERR_UNSUPPORTED;
}

// Existing surfaces only: what could be created is not worked out.
HRESULT DirectDraw::EnumSurfaces(DWORD flags, LPDDSURFACEDESC2 desc, LPVOID context,
                                 LPDDENUMSURFACESCALLBACK2 cb) {
    PLATFORM_RECORD_CALL("IDirectDraw4::EnumSurfaces", flags, (ULONG_PTR)desc, (ULONG_PTR)context);
    if (!cb)
        return DDERR_INVALIDPARAMS;
    if (flags & DDENUMSURFACES_CANBECREATED)
        return DDERR_UNSUPPORTED;
    const DWORD which =
        flags & (DDENUMSURFACES_ALL | DDENUMSURFACES_MATCH | DDENUMSURFACES_NOMATCH);
    if (!(flags & DDENUMSURFACES_DOESEXIST) || (flags & ~(DDENUMSURFACES_DOESEXIST | which)) ||
        (which != DDENUMSURFACES_ALL && which != DDENUMSURFACES_MATCH &&
         which != DDENUMSURFACES_NOMATCH))
        return DDERR_INVALIDPARAMS;
    if (which != DDENUMSURFACES_ALL && (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)))
        return DDERR_INVALIDPARAMS;
    std::vector<Surface*> list;
    {
        DDLock lock(ddrawMutex());
        for (Surface* s : state_->surfaces) {
            const bool match = which == DDENUMSURFACES_ALL || s->matches(*desc);
            if (match == (which != DDENUMSURFACES_NOMATCH)) {
                s->AddRef();
                list.push_back(s);
            }
        }
    }
    // The callback owns the reference it is given; those not handed out
    // after a cancel are dropped here.
    size_t i = 0;
    for (; i < list.size(); ++i) {
        DDSURFACEDESC2 d;
        {
            DDLock lock(ddrawMutex());
            d = list[i]->desc();
        }
        d.lpSurface = nullptr;
        if (cb(list[i], &d, context) == DDENUMRET_CANCEL) {
            ++i;
            break;
        }
    }
    for (; i < list.size(); ++i)
        list[i]->Release();
    return DD_OK;
}

namespace {

// Hands each surface of a newer enumeration to an older callback, with its reference.
struct OlderSurfaceEnumeration {
    LPDDENUMSURFACESCALLBACK callback;
    LPVOID context;

    static HRESULT WINAPI forward(LPDIRECTDRAWSURFACE4 surface, LPDDSURFACEDESC2 desc2,
                                  LPVOID self) {
        const auto* e = static_cast<const OlderSurfaceEnumeration*>(self);
        DDSURFACEDESC desc{};
        copyToOlder(*desc2, &desc);
        return e->callback(Surface::fromInterface(surface)->asSurface(), &desc, e->context);
    }
};

}  // namespace

HRESULT DirectDraw::EnumSurfaces(DWORD flags, LPDDSURFACEDESC desc, LPVOID context,
                                 LPDDENUMSURFACESCALLBACK cb) {
    PLATFORM_RECORD_CALL("IDirectDraw::EnumSurfaces", flags, (ULONG_PTR)desc, (ULONG_PTR)context);
    if (!cb || (desc && desc->dwSize != sizeof(DDSURFACEDESC)))
        return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc2{};
    if (desc)
        desc2 = newerDesc(*desc);
    OlderSurfaceEnumeration e{cb, context};
    return EnumSurfaces(flags, desc ? &desc2 : nullptr, &e, &OlderSurfaceEnumeration::forward);
}

HRESULT DirectDraw::GetGDISurface(LPDIRECTDRAWSURFACE4* surface) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetGDISurface", (ULONG_PTR)surface);
    if (!surface)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *surface = state_->primary;
    if (!state_->primary)
        return DDERR_NOTFOUND;
    state_->primary->AddRef();
    return DD_OK;
}

HRESULT DirectDraw::GetGDISurface(LPDIRECTDRAWSURFACE* surface) {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    IDirectDrawSurface4* found = nullptr;
    const HRESULT hr = GetGDISurface(&found);
    *surface = found ? Surface::fromInterface(found)->asSurface() : nullptr;
    return hr;
}

HRESULT DirectDraw::FlipToGDISurface() {
    PLATFORM_RECORD_CALL("IDirectDraw4::FlipToGDISurface");
    DDLock lock(ddrawMutex());
    if (!state_->primary)
        return DDERR_NOTFOUND;
    if (state_->primary->isLostNow())
        return DDERR_SURFACELOST;
    state_->primary->showGdiBuffer();
    return DD_OK;
}

HRESULT DirectDraw::GetSurfaceFromDC(HDC dc, LPDIRECTDRAWSURFACE4* surface) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetSurfaceFromDC", (ULONG_PTR)dc, (ULONG_PTR)surface);
    if (!surface)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *surface = nullptr;
    const void* owner = gdi::ownerOfDC(dc);
    for (Surface* s : state_->surfaces)
        if (s == owner) {
            s->AddRef();
            *surface = s;
            return DD_OK;
        }
    return DDERR_NOTFOUND;
}

HRESULT DirectDraw::RestoreAllSurfaces() {
    PLATFORM_RECORD_CALL("IDirectDraw4::RestoreAllSurfaces");
    DDLock lock(ddrawMutex());
    HRESULT result = DD_OK;
    for (Surface* s : state_->surfaces)
        if (s->isLostNow()) {
            const HRESULT hr = s->Restore();
            if (FAILED(hr))
                result = hr;
        }
    return result;
}

// ---------------------------------------------------------------------------
// Capabilities

void DirectDraw::fillCaps(DDCAPS* c, bool hardware) const {
    const display::AdapterProfile& a = adapter();
    std::memset(c, 0, sizeof(DDCAPS));
    c->dwSize = sizeof(DDCAPS);
    c->dwCaps = DDCAPS_BLT | DDCAPS_BLTCOLORFILL | DDCAPS_BLTSTRETCH | DDCAPS_COLORKEY |
                DDCAPS_CANCLIP | DDCAPS_CANCLIPSTRETCHED | DDCAPS_CANBLTSYSMEM |
                DDCAPS_BLTDEPTHFILL | DDCAPS_GDI;
    c->dwCKeyCaps = DDCKEYCAPS_SRCBLT | DDCKEYCAPS_DESTBLT;
    c->dwFXCaps =
        DDFXCAPS_BLTSTRETCHX | DDFXCAPS_BLTSTRETCHY | DDFXCAPS_BLTSHRINKX | DDFXCAPS_BLTSHRINKY;
    c->dwCaps2 = DDCAPS2_WIDESURFACES | DDCAPS2_CANMANAGETEXTURE;
    if (a.canRenderWindowed)
        c->dwCaps2 |= DDCAPS2_CANRENDERWINDOWED;
    for (const auto& d : a.devices)
        for (const auto& z : d.depthFormats)
            c->dwZBufferBitDepths |= z.bitCount == 16   ? DDBD_16
                                     : z.bitCount == 24 ? DDBD_24
                                     : z.bitCount == 32 ? DDBD_32
                                                        : 0u;
    c->ddsCaps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_FRONTBUFFER |
                        DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY |
                        DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ZBUFFER |
                        DDSCAPS_MIPMAP;
    if (!hardware) {
        // The emulation layer blits in system memory only.
        c->dwZBufferBitDepths = 0;
        return;
    }
    bool anyHardware = false;
    for (const auto& d : a.devices)
        anyHardware = anyHardware || d.hardware;
    if (anyHardware)
        c->dwCaps |= DDCAPS_3D;
    c->dwVidMemTotal = a.videoMemory;
    c->dwVidMemFree = a.videoMemory - std::min(a.videoMemory, videoMemoryUsed(*state_));
    if (a.overlays) {
        c->dwCaps |= DDCAPS_OVERLAY | DDCAPS_OVERLAYFOURCC | DDCAPS_OVERLAYSTRETCH;
        c->dwCKeyCaps |= DDCKEYCAPS_SRCOVERLAY | DDCKEYCAPS_DESTOVERLAY;
        c->dwFXCaps |= DDFXCAPS_OVERLAYSTRETCHX | DDFXCAPS_OVERLAYSTRETCHY |
                       DDFXCAPS_OVERLAYSHRINKX | DDFXCAPS_OVERLAYSHRINKY;
        c->dwMaxVisibleOverlays = a.maxVisibleOverlays;
        c->dwCurrVisibleOverlays = visibleOverlayCount(*state_);
        c->dwNumFourCCCodes = 2;
        c->dwMinOverlayStretch = 1;
        c->dwMaxOverlayStretch = 20000;
        c->ddsCaps.dwCaps |= DDSCAPS_OVERLAY;
    }
    if (a.gamma)
        c->dwCaps2 |= DDCAPS2_PRIMARYGAMMA;
}

HRESULT DirectDraw::GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetCaps", (ULONG_PTR)driverCaps, (ULONG_PTR)helCaps);
    if (!driverCaps && !helCaps)
        return DDERR_INVALIDPARAMS;
    if ((driverCaps && driverCaps->dwSize != sizeof(DDCAPS)) ||
        (helCaps && helCaps->dwSize != sizeof(DDCAPS)))
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    if (driverCaps)
        fillCaps(driverCaps, true);
    if (helCaps)
        fillCaps(helCaps, false);
    return DD_OK;
}

HRESULT DirectDraw::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetAvailableVidMem", (ULONG_PTR)caps, (ULONG_PTR)total,
                         (ULONG_PTR)free);
    if (!caps || (!total && !free))
        return DDERR_INVALIDPARAMS;
    if (caps->dwCaps & DDSCAPS_SYSTEMMEMORY)
        return DDERR_INVALIDCAPS;
    DDLock lock(ddrawMutex());
    const DWORD all = adapter().videoMemory;
    if (total)
        *total = all;
    if (free)
        *free = all - std::min(all, videoMemoryUsed(*state_));
    return DD_OK;
}

HRESULT DirectDraw::GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total, LPDWORD free) {
    if (!caps)
        return DDERR_INVALIDPARAMS;
    DDSCAPS2 caps2{};
    caps2.dwCaps = caps->dwCaps;
    return GetAvailableVidMem(&caps2, total, free);
}

HRESULT DirectDraw::GetFourCCCodes(LPDWORD count, LPDWORD codes) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetFourCCCodes", (ULONG_PTR)count, (ULONG_PTR)codes);
    if (!count)
        return DDERR_INVALIDPARAMS;
    const DWORD n = adapter().overlays ? 2u : 0u;
    if (codes && *count >= n && n == 2) {
        codes[0] = kFourCCUYVY;
        codes[1] = kFourCCYUY2;
    }
    *count = n;
    return DD_OK;
}

HRESULT DirectDraw::GetDeviceIdentifier(LPDDDEVICEIDENTIFIER id, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetDeviceIdentifier", (ULONG_PTR)id, flags);
    if (!id)
        return DDERR_INVALIDPARAMS;
    const display::AdapterProfile& a = adapter();
    std::memset(id, 0, sizeof(*id));
    std::strncpy(id->szDriver, a.driverName.c_str(), MAX_DDDEVICEID_STRING - 1);
    std::strncpy(id->szDescription, a.description.c_str(), MAX_DDDEVICEID_STRING - 1);
    id->liDriverVersion = 0x0004000600000001LL;
    id->dwVendorId = a.vendorId;
    id->dwDeviceId = a.deviceId;
    id->guidDeviceIdentifier = a.guid;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Timing and the rest

HRESULT DirectDraw::Compact() {
    PLATFORM_RECORD_CALL("IDirectDraw4::Compact");
    return DD_OK;
}

HRESULT DirectDraw::GetMonitorFrequency(LPDWORD frequency) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetMonitorFrequency", (ULONG_PTR)frequency);
    if (!frequency)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *frequency = adapterMode(*state_).refreshRate;
    return DD_OK;
}

HRESULT DirectDraw::GetScanLine(LPDWORD line) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetScanLine", (ULONG_PTR)line);
    if (!line)
        return DDERR_INVALIDPARAMS;
    *line = 0;
    return DD_OK;
}

HRESULT DirectDraw::GetVerticalBlankStatus(LPBOOL inBlank) {
    PLATFORM_RECORD_CALL("IDirectDraw4::GetVerticalBlankStatus", (ULONG_PTR)inBlank);
    if (!inBlank)
        return DDERR_INVALIDPARAMS;
    *inBlank = TRUE;
    return DD_OK;
}

HRESULT DirectDraw::Initialize(GUID*) {
    PLATFORM_RECORD_CALL("IDirectDraw4::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

HRESULT DirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE event) {
    PLATFORM_RECORD_CALL("IDirectDraw4::WaitForVerticalBlank", flags, (ULONG_PTR)event);
    // Frames are not paced by a display here; the blank is always now.
    if (flags & DDWAITVB_BLOCKBEGINEVENT)
        return DDERR_UNSUPPORTED;
    return DD_OK;
}

}  // namespace platform::ddraw
