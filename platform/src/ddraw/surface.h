// A DirectDraw surface: memory with a pixel format, attachments (flipping
// chains, mip levels, depth buffers), colour keys, a clipper, loss and
// restore, overlay state and, for the primary surface, a gamma ramp.
#pragma once

#include <ddraw.h>

#include "core/presenter.h"
#include "ddraw/com_part.h"
#include "ddraw/ddraw_state.h"
#include "ddraw/private_data.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace platform::ddraw {

class Clipper;
class Palette;
class Surface;

// Interfaces another part of the platform adds to surfaces on demand, such as
// IDirect3DTexture2. `make` runs on the first QueryInterface for any of
// `iids`; the part it returns lives as long as the surface. Returning null
// refuses the interfaces for that surface.
using SurfaceExtensionFactory = std::function<std::unique_ptr<ComPart>(Surface& owner)>;
void registerSurfaceExtension(std::vector<IID> iids, SurfaceExtensionFactory make);

// IDirectDrawSurface, 2 and 3 share the IDirectDrawSurface3 vtable; methods
// whose parameters changed in IDirectDrawSurface4 convert and forward.
class Surface final : public IDirectDrawSurface4,
                      public IDirectDrawSurface3,
                      public IDirectDrawGammaControl {
public:
    // Makes the surface `request` describes with its implicit attachments
    // (back buffers, mip levels). `*out` carries one reference.
    static HRESULT create(const std::shared_ptr<DeviceState>& state, const DDSURFACEDESC2& request,
                          Surface** out);
    // The implementation behind an interface pointer of this layer, or null.
    static Surface* fromInterface(IDirectDrawSurface4* surface);
    static Surface* fromInterface(IDirectDrawSurface* surface);
    // The pointer IDirectDrawSurface to IDirectDrawSurface3 callers get.
    IDirectDrawSurface* asSurface() { return static_cast<IDirectDrawSurface3*>(this); }
    // Destroys every surface `state`'s DirectDraw object made that is still
    // alive, whatever references remain: on DirectX 6 the object's release
    // takes its surfaces with it (a program need not release a full-screen
    // back buffer). Caller holds ddrawMutex().
    static void destroyAllOf(DeviceState& state);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirectDrawSurface4
    HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) override;
    HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT rect) override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX fx) override;
    HRESULT STDMETHODCALLTYPE BltBatch(void* batch, DWORD count, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 source,
                                      LPRECT sourceRect, DWORD trans) override;
    HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags,
                                                    LPDIRECTDRAWSURFACE4 surface) override;
    HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context,
                                                   LPDDENUMSURFACESCALLBACK2 cb) override;
    HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                                 LPDDENUMSURFACESCALLBACK2 cb) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS2 caps,
                                                 LPDIRECTDRAWSURFACE4* surface) override;
    HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS2 caps) override;
    HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER* clipper) override;
    HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
    HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG x, LPLONG y) override;
    HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) override;
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
    HRESULT STDMETHODCALLTYPE Initialize(IDirectDraw* dd, LPDDSURFACEDESC2 desc) override;
    HRESULT STDMETHODCALLTYPE IsLost() override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags,
                                   HANDLE event) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE4 destSurface,
                                            LPRECT destRect, DWORD flags,
                                            LPDDOVERLAYFX fx) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags,
                                                  LPDIRECTDRAWSURFACE4 reference) override;
    HRESULT STDMETHODCALLTYPE GetDDInterface(LPVOID* dd) override;
    HRESULT STDMETHODCALLTYPE PageLock(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE PageUnlock(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetSurfaceDesc(LPDDSURFACEDESC2 desc, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID tag, LPVOID data, DWORD size,
                                             DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID tag, LPVOID buffer, LPDWORD size) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID tag) override;
    HRESULT STDMETHODCALLTYPE GetUniquenessValue(LPDWORD value) override;
    HRESULT STDMETHODCALLTYPE ChangeUniquenessValue() override;

    // IDirectDrawSurface to IDirectDrawSurface3 (in surface_legacy.cpp)
    HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE surface) override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX fx) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                                      LPRECT sourceRect, DWORD trans) override;
    HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags,
                                                    LPDIRECTDRAWSURFACE surface) override;
    HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context,
                                                   LPDDENUMSURFACESCALLBACK cb) override;
    HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                                 LPDDENUMSURFACESCALLBACK cb) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                 LPDIRECTDRAWSURFACE* surface) override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS caps) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT STDMETHODCALLTYPE Initialize(IDirectDraw* dd, LPDDSURFACEDESC desc) override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags,
                                   HANDLE event) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE destSurface,
                                            LPRECT destRect, DWORD flags,
                                            LPDDOVERLAYFX fx) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags,
                                                  LPDIRECTDRAWSURFACE reference) override;
    HRESULT STDMETHODCALLTYPE SetSurfaceDesc(LPDDSURFACEDESC desc, DWORD flags) override;

    // IDirectDrawGammaControl
    HRESULT STDMETHODCALLTYPE GetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) override;
    HRESULT STDMETHODCALLTYPE SetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) override;

    // For the rest of the platform (Direct3D, GDI, tests); callers hold ddrawMutex().
    DeviceState& state() const { return *state_; }
    const DDSURFACEDESC2& desc() const { return desc_; }
    const DDPIXELFORMAT& format() const { return desc_.ddpfPixelFormat; }
    // The attached palette of an 8-bit surface, or null; callers hold ddrawMutex().
    const Palette* palette() const { return palette_; }
    DWORD width() const { return desc_.dwWidth; }
    DWORD height() const { return desc_.dwHeight; }
    LONG pitch() const { return desc_.lPitch; }
    BYTE* bits() { return client_ ? client_ : pixels_.data(); }
    const BYTE* bits() const { return client_ ? client_ : pixels_.data(); }
    bool isLostNow() const { return lost_; }
    bool inVideoMemory() const { return video_ && !managed_; }
    bool overlayVisible() const { return overlay_.visible; }
    bool isPrimary() const { return (desc_.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0; }
    void markLost();
    // DD_OK, DDERR_SURFACELOST or DDERR_SURFACEBUSY (locked or has a DC).
    HRESULT usable() const { return checkUsable(); }
    // The first surface attached to this one whose caps include all of `caps`
    // (no reference added), or null.
    Surface* attachedWithCaps(DWORD caps) const;
    core::PixelView view() const;
    // Whether every field `want.dwFlags` names (caps as a subset) equals this
    // surface's, as EnumSurfaces matches.
    bool matches(const DDSURFACEDESC2& want) const;
    // Makes the buffer GDI draws on (the one the primary chain was created
    // with) the front buffer again and shows it. Caller holds ddrawMutex().
    void showGdiBuffer();
    // Waits for the queued draws that write or sample this surface's pixels,
    // or `other`'s; for every queued draw when either is the primary, whose
    // showing shows other surfaces (overlays) too.
    void finishDrawsOn(const Surface* other = nullptr) const;

private:
    struct Attachment {
        Surface* surface;
        bool implicit;
    };
    struct OverlayState {
        bool visible = false;
        Surface* dest = nullptr;
        RECT source{}, dest_rect{};
        bool srcKey = false, destKey = false;
        DDCOLORKEY srcKeyValue{}, destKeyValue{};
    };
    using Chain = std::vector<Surface*>;

    Surface(std::shared_ptr<DeviceState> state, const DDSURFACEDESC2& desc, bool video,
            bool managed);
    ~Surface();

    static HRESULT validateRequest(const DeviceState& state, DDSURFACEDESC2* desc);
    Surface* root();
    void restoreTree();
    HRESULT checkUsable() const;
    HRESULT clipRects(const RECT& bounds, std::vector<RECT>* rects) const;
    void present();
    void detachFromOverlays();
    bool hasKey(DWORD which, DDCOLORKEY* key) const;
    // The description's key for one DDCKEY_* kind and its DDSD_* flag; null
    // for anything else.
    DDCOLORKEY* keySlot(DWORD which, DWORD* flag);

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<DeviceState> state_;
    DDSURFACEDESC2 desc_{};
    std::vector<BYTE> pixels_;
    BYTE* client_ = nullptr;  // the program's memory after SetSurfaceDesc, not owned
    DWORD memoryBytes_ = 0;
    bool video_ = false;
    bool managed_ = false;
    bool lost_ = false;
    display::DisplayMode createdMode_;
    bool locked_ = false;
    HDC dc_ = nullptr;
    Clipper* clipper_ = nullptr;
    Palette* palette_ = nullptr;
    std::vector<Attachment> attached_;
    Surface* parent_ = nullptr;        // the surface an implicit one belongs to
    std::shared_ptr<Chain> chain_;     // flipping chain, front first
    const BYTE* gdiBuffer_ = nullptr;  // front buffer memory at creation
    OverlayState overlay_;
    DDGAMMARAMP gamma_{};
    bool gammaSet_ = false;
    DWORD uniqueness_ = 1;
    std::vector<std::unique_ptr<ComPart>> parts_;
    PrivateDataStore privateData_;
};

}  // namespace platform::ddraw
