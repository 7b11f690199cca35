// CD3DFramework: the DirectDraw and Direct3D objects of one video mode, made
// in a fixed order from a window and a (driver, device, mode) choice, and
// released in the reverse order.
#pragma once

#include <d3d.h>
#include <windows.h>

// Initialisation flags.
#define D3DFW_FULLSCREEN 0x00000001u
#define D3DFW_BACKBUFFER 0x00000002u
#define D3DFW_ZBUFFER 0x00000004u
#define D3DFW_STENCILBUFFER 0x00000008u
#define D3DFW_NO_FPUSETUP 0x00000010u

// The framework's own result codes.
#define D3DFWERR_INITIALIZATIONFAILED ((HRESULT)0x82000000L)
#define D3DFWERR_NODIRECTDRAW ((HRESULT)0x82000001L)
#define D3DFWERR_COULDNTSETCOOPLEVEL ((HRESULT)0x82000002L)
#define D3DFWERR_NODIRECT3D ((HRESULT)0x82000003L)
#define D3DFWERR_NO3DDEVICE ((HRESULT)0x82000004L)
#define D3DFWERR_NOZBUFFER ((HRESULT)0x82000005L)
#define D3DFWERR_NOVIEWPORT ((HRESULT)0x82000006L)
#define D3DFWERR_NOPRIMARY ((HRESULT)0x82000007L)
#define D3DFWERR_NOCLIPPER ((HRESULT)0x82000008L)
#define D3DFWERR_BADDISPLAYMODE ((HRESULT)0x82000009L)
#define D3DFWERR_NOBACKBUFFER ((HRESULT)0x8200000AL)
#define D3DFWERR_INVALIDMODE ((HRESULT)0x8200000DL)
#define D3DFWERR_NOTINITIALIZED ((HRESULT)0x8200000EL)

class CD3DFramework {
public:
    CD3DFramework();
    ~CD3DFramework();
    CD3DFramework(const CD3DFramework&) = delete;
    CD3DFramework& operator=(const CD3DFramework&) = delete;

    // pDriverGUID null: the primary display driver. pDeviceGUID null:
    // DirectDraw objects and surfaces only. pMode is required in full screen.
    HRESULT InitializeFramework(HWND hWnd, const GUID* pDriverGUID, const GUID* pDeviceGUID,
                                const DDSURFACEDESC2* pMode, DWORD dwFlags);
    HRESULT ReleaseObjects();

    HRESULT PresentFrame();
    HRESULT ShowGdiSurface(BOOL bDrawFrame);
    HRESULT RestoreSurfaces();
    void MoveFrame(int x, int y);

    // None of these adds a reference.
    LPDIRECTDRAW4 GetDirectDraw() const { return m_pDD; }
    LPDIRECT3D3 GetDirect3D() const { return m_pD3D; }
    LPDIRECT3DDEVICE3 GetD3DDevice() const { return m_pd3dDevice; }
    LPDIRECT3DVIEWPORT3 GetViewport() const { return m_pvViewport; }
    LPDIRECTDRAWSURFACE4 GetFrontBuffer() const { return m_pddsFrontBuffer; }
    LPDIRECTDRAWSURFACE4 GetBackBuffer() const { return m_pddsBackBuffer; }
    LPDIRECTDRAWSURFACE4 GetRenderSurface() const { return m_pddsRenderTarget; }

    // Read by the code that places and sizes the picture.
    BOOL IsFullscreen() const { return m_bFullscreenMode; }
    DWORD GetRenderWidth() const { return m_dwRenderWidth; }
    DWORD GetRenderHeight() const { return m_dwRenderHeight; }
    const RECT& GetScreenRect() const { return m_rcScreen; }
    const RECT& GetViewportRect() const { return m_rcViewport; }
    LPDIRECTDRAWSURFACE4 GetZBuffer() const { return m_pddsZBuffer; }
    const D3DDEVICEDESC& GetDeviceDescription() const { return m_ddDeviceDescription; }
    DWORD GetDeviceMemory() const { return m_dwDeviceMemory; }
    const DDPIXELFORMAT& GetDepthFormat() const { return m_ddpfDepthFormat; }

private:
    HRESULT CreateDirectDraw(const GUID* pDriverGUID, DWORD dwFlags);
    HRESULT CreateDirect3D(const GUID* pDeviceGUID, DWORD dwFlags);
    HRESULT CreateSurfaces(const DDSURFACEDESC2* pMode, DWORD dwFlags);
    HRESULT CreateWindowedSurfaces(DWORD dwFlags);
    HRESULT CreateFullscreenSurfaces(const DDSURFACEDESC2* pMode, DWORD dwFlags);
    HRESULT CreateScreenClipper();
    HRESULT CreateZBuffer();
    HRESULT Create3DDevice(const GUID* pDeviceGUID);
    HRESULT CreateViewport();

    HWND m_hWnd;
    BOOL m_bFullscreenMode;
    DWORD m_dwRenderWidth;
    DWORD m_dwRenderHeight;
    RECT m_rcScreen;
    RECT m_rcViewport;
    LPDIRECTDRAWSURFACE4 m_pddsFrontBuffer;
    LPDIRECTDRAWSURFACE4 m_pddsBackBuffer;
    LPDIRECTDRAWSURFACE4 m_pddsRenderTarget;
    LPDIRECTDRAWSURFACE4 m_pddsZBuffer;
    LPDIRECTDRAWCLIPPER m_pddcScreenClipper;
    LPDIRECT3DDEVICE3 m_pd3dDevice;
    LPDIRECT3DVIEWPORT3 m_pvViewport;
    LPDIRECTDRAW4 m_pDD;
    LPDIRECT3D3 m_pD3D;
    D3DDEVICEDESC m_ddDeviceDescription;
    DWORD m_dwDeviceMemory;
    DDPIXELFORMAT m_ddpfDepthFormat;
};
