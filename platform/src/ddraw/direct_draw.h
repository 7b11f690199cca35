// The DirectDraw object: one adapter of the display profile, reached through
// IDirectDraw, IDirectDraw2 and IDirectDraw4 and any interfaces other parts
// of the platform add (IDirect3D3), all with one reference count.
#pragma once

#include <ddraw.h>

#include "ddraw/com_part.h"
#include "ddraw/ddraw_state.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace platform::ddraw {

class DirectDraw;

// Interfaces another part of the platform adds to DirectDraw objects, such
// as IDirect3D3. `make` is called on the first QueryInterface for any of
// `iids`; the part it returns lives as long as the DirectDraw object and
// answers later queries for all of them.
using DirectDrawExtensionFactory = std::function<std::unique_ptr<ComPart>(DirectDraw& owner)>;
void registerDirectDrawExtension(std::vector<IID> iids, DirectDrawExtensionFactory make);

class DirectDraw final : public IDirectDraw, public IDirectDraw2, public IDirectDraw4 {
public:
    static HRESULT create(const GUID* adapter, DirectDraw** out);

    // IUnknown (shared by every interface)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Methods all three interfaces share
    HRESULT STDMETHODCALLTYPE Compact() override;
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                            LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE FlipToGDISurface() override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) override;
    HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) override;
    HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) override;
    HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) override;
    HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(LPBOOL inBlank) override;
    HRESULT STDMETHODCALLTYPE Initialize(GUID* guid) override;
    HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) override;

    // IDirectDraw (older structures)
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE source,
                                               LPDIRECTDRAWSURFACE* copy) override;
    HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC desc, LPVOID context,
                                               LPDDENUMMODESCALLBACK cb) override;
    HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC desc, LPVOID context,
                                           LPDDENUMSURFACESCALLBACK cb) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC desc) override;
    HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE* surface) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override;

    // IDirectDraw2 (the rest it shares with IDirectDraw or IDirectDraw4)
    HRESULT STDMETHODCALLTYPE GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total,
                                                 LPDWORD free) override;

    // IDirectDraw4
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE4 source,
                                               LPDIRECTDRAWSURFACE4* copy) override;
    HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 desc, LPVOID context,
                                               LPDDENUMMODESCALLBACK2 cb) override;
    HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC2 desc, LPVOID context,
                                           LPDDENUMSURFACESCALLBACK2 cb) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC2 desc) override;
    HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE4* surface) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp,
                                             DWORD refreshRate, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total,
                                                 LPDWORD free) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceFromDC(HDC dc, LPDIRECTDRAWSURFACE4* surface) override;
    HRESULT STDMETHODCALLTYPE RestoreAllSurfaces() override;
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    HRESULT STDMETHODCALLTYPE GetDeviceIdentifier(LPDDDEVICEIDENTIFIER identifier,
                                                  DWORD flags) override;

    // For the rest of the platform.
    const std::shared_ptr<DeviceState>& state() const { return state_; }
    const display::AdapterProfile& adapter() const { return state_->adapter(); }
    IDirectDraw4* asDirectDraw4() { return this; }
    static DirectDraw* fromInterface(IDirectDraw4* dd);

private:
    explicit DirectDraw(std::shared_ptr<DeviceState> state);
    ~DirectDraw();

    void fillCaps(DDCAPS* caps, bool hardware) const;

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<DeviceState> state_;
    bool modeChanged_ = false;
    display::DisplayMode modeBefore_;
    std::vector<std::unique_ptr<ComPart>> parts_;
};

}  // namespace platform::ddraw
