#include "d3d/device/direct3d.h"

#include "core/call_log.h"
#include "d3d/device/caps.h"
#include "d3d/device/device.h"
#include "d3d/device/light.h"
#include "d3d/device/material.h"
#include "d3d/device/texture.h"
#include "d3d/device/vertex_buffer.h"
#include "d3d/device/viewport.h"
#include "ddraw/direct_draw.h"
#include "ddraw/surface.h"

#include <mutex>
#include <string>

namespace platform::d3d::device {
namespace {

// Direct3D joins DirectDraw when the library is loaded.
const bool installed = (Direct3D::install(), true);

// Bits of DDBD_* for a surface's colour depth.
DWORD depthBit(DWORD bits) {
    switch (bits) {
    case 8: return DDBD_8;
    case 16: return DDBD_16;
    case 24: return DDBD_24;
    case 32: return DDBD_32;
    default: return 0;
    }
}

bool capsMatch(DWORD have, DWORD want) { return (have & want) == want; }

bool primCapsMatch(const D3DPRIMCAPS& have, const D3DFINDDEVICESEARCH& s) {
    const D3DPRIMCAPS& want = s.dpcPrimCaps;
    const DWORD f = s.dwFlags;
    return (!(f & D3DFDS_MISCCAPS) || capsMatch(have.dwMiscCaps, want.dwMiscCaps)) &&
           (!(f & D3DFDS_RASTERCAPS) || capsMatch(have.dwRasterCaps, want.dwRasterCaps)) &&
           (!(f & D3DFDS_ZCMPCAPS) || capsMatch(have.dwZCmpCaps, want.dwZCmpCaps)) &&
           (!(f & D3DFDS_ALPHACMPCAPS) || capsMatch(have.dwAlphaCmpCaps, want.dwAlphaCmpCaps)) &&
           (!(f & D3DFDS_SRCBLENDCAPS) || capsMatch(have.dwSrcBlendCaps, want.dwSrcBlendCaps)) &&
           (!(f & D3DFDS_DSTBLENDCAPS) || capsMatch(have.dwDestBlendCaps, want.dwDestBlendCaps)) &&
           (!(f & D3DFDS_SHADECAPS) || capsMatch(have.dwShadeCaps, want.dwShadeCaps)) &&
           (!(f & D3DFDS_TEXTURECAPS) || capsMatch(have.dwTextureCaps, want.dwTextureCaps)) &&
           (!(f & D3DFDS_TEXTUREFILTERCAPS) ||
            capsMatch(have.dwTextureFilterCaps, want.dwTextureFilterCaps)) &&
           (!(f & D3DFDS_TEXTUREBLENDCAPS) ||
            capsMatch(have.dwTextureBlendCaps, want.dwTextureBlendCaps)) &&
           (!(f & D3DFDS_TEXTUREADDRESSCAPS) ||
            capsMatch(have.dwTextureAddressCaps, want.dwTextureAddressCaps));
}

}  // namespace

void Direct3D::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        ddraw::registerDirectDrawExtension(
            {IID_IDirect3D, IID_IDirect3D2, IID_IDirect3D3},
            [](ddraw::DirectDraw& owner) -> std::unique_ptr<ddraw::ComPart> {
                return std::make_unique<Direct3D>(owner);
            });
        Texture::install();
    });
}

Direct3D::Direct3D(ddraw::DirectDraw& owner)
    : owner_(*owner.asDirectDraw4()), state_(owner.state()) {}

void* Direct3D::findInterface(REFIID riid) {
    if (riid == IID_IDirect3D3)
        return static_cast<IDirect3D3*>(this);
    if (riid == IID_IDirect3D2)
        return static_cast<IDirect3D2*>(this);
    if (riid == IID_IDirect3D)
        return static_cast<IDirect3D*>(this);
    return nullptr;
}

const display::DeviceProfile* Direct3D::findProfile(const GUID& guid) const {
    for (const display::DeviceProfile& d : state_->adapter().devices)
        if (d.guid == guid)
            return &d;
    return nullptr;
}

HRESULT Direct3D::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3D3::QueryInterface", (ULONG_PTR)object);
    return owner_.QueryInterface(riid, object);
}

ULONG Direct3D::AddRef() {
    core::countCall("IDirect3D3::AddRef", {});
    return owner_.AddRef();
}

ULONG Direct3D::Release() {
    core::countCall("IDirect3D3::Release", {});
    return owner_.Release();
}

HRESULT Direct3D::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) {
    PLATFORM_RECORD_CALL("IDirect3D3::EnumDevices", (ULONG_PTR)callback, (ULONG_PTR)context);
    if (!callback)
        return DDERR_INVALIDPARAMS;
    // Copies, so the profile's records survive whatever the callback writes.
    const std::vector<display::DeviceProfile> devices = state_->adapter().devices;
    for (const display::DeviceProfile& d : devices) {
        GUID guid = d.guid;
        std::string description = d.description;
        std::string name = d.name;
        D3DDEVICEDESC hardware, software;
        describeDevicePair(d, &hardware, &software);
        if (callback(&guid, description.data(), name.data(), &hardware, &software, context) ==
            D3DENUMRET_CANCEL)
            break;
    }
    return D3D_OK;
}

HRESULT Direct3D::CreateLight(LPDIRECT3DLIGHT* light, LPUNKNOWN outer) {
    PLATFORM_RECORD_CALL("IDirect3D3::CreateLight", (ULONG_PTR)light, (ULONG_PTR)outer);
    if (!light)
        return DDERR_INVALIDPARAMS;
    *light = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    *light = new Light();
    return D3D_OK;
}

HRESULT Direct3D::CreateMaterial(LPDIRECT3DMATERIAL3* material, LPUNKNOWN outer) {
    PLATFORM_RECORD_CALL("IDirect3D3::CreateMaterial", (ULONG_PTR)material, (ULONG_PTR)outer);
    if (!material)
        return DDERR_INVALIDPARAMS;
    *material = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    *material = new Material();
    return D3D_OK;
}

HRESULT Direct3D::CreateViewport(LPDIRECT3DVIEWPORT3* viewport, LPUNKNOWN outer) {
    PLATFORM_RECORD_CALL("IDirect3D3::CreateViewport", (ULONG_PTR)viewport, (ULONG_PTR)outer);
    if (!viewport)
        return DDERR_INVALIDPARAMS;
    *viewport = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    *viewport = new Viewport();
    return D3D_OK;
}

HRESULT Direct3D::FindDevice(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) {
    PLATFORM_RECORD_CALL("IDirect3D3::FindDevice", (ULONG_PTR)search, (ULONG_PTR)result);
    if (!search || !result || search->dwSize != sizeof(D3DFINDDEVICESEARCH) ||
        result->dwSize != sizeof(D3DFINDDEVICERESULT))
        return DDERR_INVALIDPARAMS;
    const DWORD f = search->dwFlags;
    for (const display::DeviceProfile& d : state_->adapter().devices) {
        if ((f & D3DFDS_GUID) && !(d.guid == search->guid))
            continue;
        if ((f & D3DFDS_HARDWARE) && (search->bHardware != 0) != d.hardware)
            continue;
        if ((f & D3DFDS_COLORMODEL) && !(d.caps.colorModel & search->dcmColorModel))
            continue;
        D3DDEVICEDESC hardware, software;
        describeDevicePair(d, &hardware, &software);
        const D3DDEVICEDESC& own = d.hardware ? hardware : software;
        if ((f & D3DFDS_TRIANGLES) && !primCapsMatch(own.dpcTriCaps, *search))
            continue;
        if ((f & D3DFDS_LINES) && !primCapsMatch(own.dpcLineCaps, *search))
            continue;
        result->guid = d.guid;
        result->ddHwDesc = hardware;
        result->ddSwDesc = software;
        return D3D_OK;
    }
    return DDERR_NOTFOUND;
}

HRESULT Direct3D::CreateDevice(REFCLSID deviceGuid, IDirectDrawSurface4* target,
                               LPDIRECT3DDEVICE3* device, LPUNKNOWN outer) {
    PLATFORM_RECORD_CALL("IDirect3D3::CreateDevice", (ULONG_PTR)target, (ULONG_PTR)device,
                         (ULONG_PTR)outer);
    if (!device)
        return DDERR_INVALIDPARAMS;
    *device = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    ddraw::Surface* surface = target ? ddraw::Surface::fromInterface(target) : nullptr;
    if (!surface)
        return DDERR_INVALIDPARAMS;
    const display::DeviceProfile* profile = findProfile(deviceGuid);
    if (!profile)
        return D3DERR_INVALID_DEVICE;
    if (!(surface->desc().ddsCaps.dwCaps & DDSCAPS_3DDEVICE))
        return DDERR_INVALIDCAPS;
    if (surface->isLostNow())
        return DDERR_SURFACELOST;
    const DDPIXELFORMAT& f = surface->format();
    const bool isNull = profile->guid == IID_IDirect3DNullDevice;
    if (!isNull) {
        const bool drawable =
            (f.dwFlags & DDPF_RGB) && !(f.dwFlags & DDPF_PALETTEINDEXED8) &&
            raster::pixelFormatFromMasks(f.dwRGBBitCount, f.dwRBitMask, f.dwGBitMask,
                                         f.dwBBitMask,
                                         (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask
                                                                        : 0) !=
                raster::PixelFormat::Unknown;
        if (!drawable || !(profile->caps.renderBitDepths & depthBit(f.dwRGBBitCount)))
            return DDERR_INVALIDPIXELFORMAT;
        // Hardware devices draw into display memory only.
        if (profile->hardware && (surface->desc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY))
            return D3DERR_SURFACENOTINVIDMEM;
    }
    *device = new Device(this, surface, *profile);
    return D3D_OK;
}

HRESULT Direct3D::CreateVertexBuffer(LPD3DVERTEXBUFFERDESC desc, LPDIRECT3DVERTEXBUFFER* buffer,
                                     DWORD flags, LPUNKNOWN outer) {
    PLATFORM_RECORD_CALL("IDirect3D3::CreateVertexBuffer", (ULONG_PTR)desc, (ULONG_PTR)buffer,
                         flags, (ULONG_PTR)outer);
    if (!desc || !buffer)
        return DDERR_INVALIDPARAMS;
    *buffer = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    VertexBuffer* made = nullptr;
    const HRESULT hr = VertexBuffer::create(*desc, &made);
    if (FAILED(hr))
        return hr;
    *buffer = made;
    return D3D_OK;
}

HRESULT Direct3D::EnumZBufferFormats(REFCLSID deviceGuid, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                     LPVOID context) {
    PLATFORM_RECORD_CALL("IDirect3D3::EnumZBufferFormats", (ULONG_PTR)callback,
                         (ULONG_PTR)context);
    if (!callback)
        return DDERR_INVALIDPARAMS;
    const display::DeviceProfile* profile = findProfile(deviceGuid);
    if (!profile)
        return D3DERR_INVALID_DEVICE;
    const std::vector<display::FormatDesc> formats = profile->depthFormats;
    for (const display::FormatDesc& f : formats) {
        DDPIXELFORMAT pf = pixelFormatOf(f);
        if (callback(&pf, context) == D3DENUMRET_CANCEL)
            break;
    }
    return D3D_OK;
}

HRESULT Direct3D::EvictManagedTextures() {
    PLATFORM_RECORD_CALL("IDirect3D3::EvictManagedTextures");
    return D3D_OK;
}

}  // namespace platform::d3d::device

namespace platform::d3d::device {

// ---------------------------------------------------------------------------
// IDirect3D and IDirect3D2

template <class Out>
HRESULT Direct3D::refuse(Out** out, LPUNKNOWN outer) {
    if (!out)
        return DDERR_INVALIDPARAMS;
    *out = nullptr;
    return outer ? CLASS_E_NOAGGREGATION : DDERR_UNSUPPORTED;
}

HRESULT Direct3D::Initialize(REFCLSID) {
    PLATFORM_RECORD_CALL("IDirect3D::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

// A material of the older interfaces is the same object, its handle as good
// as any on IDirect3DDevice3.
HRESULT Direct3D::CreateMaterial(LPDIRECT3DMATERIAL* material, LPUNKNOWN outer) {
    IDirect3DMaterial3* made = nullptr;
    const HRESULT hr = CreateMaterial(material ? &made : nullptr, outer);
    if (material)
        *material = made ? static_cast<Material*>(made) : nullptr;
    return hr;
}

HRESULT Direct3D::CreateMaterial(LPDIRECT3DMATERIAL2* material, LPUNKNOWN outer) {
    IDirect3DMaterial3* made = nullptr;
    const HRESULT hr = CreateMaterial(material ? &made : nullptr, outer);
    if (material)
        *material = made ? static_cast<Material*>(made) : nullptr;
    return hr;
}

// Devices before DirectX 6 are not offered: their execute buffers have no
// use beside IDirect3DDevice3.
HRESULT Direct3D::CreateDevice(REFCLSID, IDirectDrawSurface* target, LPDIRECT3DDEVICE2* device) {
    PLATFORM_RECORD_CALL("IDirect3D2::CreateDevice", (ULONG_PTR)target, (ULONG_PTR)device);
    return refuse(device, nullptr);
}

// One viewport object serves all three viewport versions.
HRESULT Direct3D::CreateViewport(LPDIRECT3DVIEWPORT* viewport, LPUNKNOWN outer) {
    IDirect3DViewport3* made = nullptr;
    const HRESULT hr = CreateViewport(viewport ? &made : nullptr, outer);
    if (viewport)
        *viewport = made;
    return hr;
}

HRESULT Direct3D::CreateViewport(LPDIRECT3DVIEWPORT2* viewport, LPUNKNOWN outer) {
    IDirect3DViewport3* made = nullptr;
    const HRESULT hr = CreateViewport(viewport ? &made : nullptr, outer);
    if (viewport)
        *viewport = made;
    return hr;
}

}  // namespace platform::d3d::device
