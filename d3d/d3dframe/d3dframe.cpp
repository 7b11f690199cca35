#include "d3dframe/d3dframe.h"

#include "d3dframe/d3dutil.h"
#include "driver_filter.h"
#include "dxerror.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPath = "3d/driver/d3d/d3dframe/d3dframe";

// The last tested result of this unit.
HRESULT hr = S_OK;

// A clip list of one rectangle, laid out as RGNDATA with its buffer.
struct OneRectRegion {
    RGNDATAHEADER rdh;
    RECT rect;
};

// Keeps each format whose flags are exactly the wanted ones; a 16-bit one
// ends the search, so any other match only stands in for it.
HRESULT CALLBACK EnumZBufferFormatsCallback(DDPIXELFORMAT* pddpf, VOID* pContext) {
    auto* pddpfOut = static_cast<DDPIXELFORMAT*>(pContext);
    if (!pddpf || pddpf->dwFlags != pddpfOut->dwFlags)
        return D3DENUMRET_OK;
    std::memcpy(pddpfOut, pddpf, sizeof(DDPIXELFORMAT));
    return pddpf->dwZBufferBitDepth == 16 ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

// A surface creation failure keeps "out of video memory", which the caller
// can act on; anything else becomes the step's own code.
HRESULT SurfaceFailure(HRESULT result, HRESULT stepCode) {
    return result == DDERR_OUTOFVIDEOMEMORY ? DDERR_OUTOFVIDEOMEMORY : stepCode;
}

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

}  // namespace

// The DirectX calls keep their written spacing: it is the text the result
// test carries with each call.
// clang-format off

CD3DFramework::CD3DFramework()
    : m_hWnd(nullptr),
      m_bFullscreenMode(FALSE),
      m_dwRenderWidth(0),
      m_dwRenderHeight(0),
      m_rcScreen{},
      m_rcViewport{},
      m_pddsFrontBuffer(nullptr),
      m_pddsBackBuffer(nullptr),
      m_pddsRenderTarget(nullptr),
      m_pddsZBuffer(nullptr),
      m_pddcScreenClipper(nullptr),
      m_pd3dDevice(nullptr),
      m_pvViewport(nullptr),
      m_pDD(nullptr),
      m_pD3D(nullptr),
      m_ddDeviceDescription{},
      m_dwDeviceMemory(0),
      m_ddpfDepthFormat{} {}

CD3DFramework::~CD3DFramework() {
    // The owner normally releases first; this only catches a forgotten call.
    if (m_pDD || m_pD3D || m_pd3dDevice)
        ReleaseObjects();
}

HRESULT CD3DFramework::InitializeFramework(HWND hWnd, const GUID* pDriverGUID,
                                           const GUID* pDeviceGUID, const DDSURFACEDESC2* pMode,
                                           DWORD dwFlags) {
    if (!hWnd || ((dwFlags & D3DFW_FULLSCREEN) && !pMode))
        return E_INVALIDARG;

    // A second initialisation starts from nothing; the stale render target of
    // an earlier release must not be released again on failure.
    if (m_pDD || m_pD3D || m_pd3dDevice)
        ReleaseObjects();
    m_pddsRenderTarget = nullptr;

    m_hWnd = hWnd;
    m_bFullscreenMode = (dwFlags & D3DFW_FULLSCREEN) ? TRUE : FALSE;

    HRESULT result = CreateDirectDraw(pDriverGUID, dwFlags);
    if (SUCCEEDED(result) && pDeviceGUID)
        result = CreateDirect3D(pDeviceGUID, dwFlags);
    if (SUCCEEDED(result))
        result = CreateSurfaces(pMode, dwFlags);
    if (SUCCEEDED(result) && pDeviceGUID) {
        if (dwFlags & D3DFW_ZBUFFER)
            result = CreateZBuffer();
        if (SUCCEEDED(result))
            result = Create3DDevice(pDeviceGUID);
        if (SUCCEEDED(result))
            result = CreateViewport();
    }

    if (FAILED(result)) {
        ReleaseObjects();
        return result == DDERR_GENERIC ? D3DFWERR_INITIALIZATIONFAILED : result;
    }
    return S_OK;
}

HRESULT CD3DFramework::CreateDirectDraw(const GUID* pDriverGUID, DWORD dwFlags) {
    LPDIRECTDRAW pDD = nullptr;
    if (!DX_TEST(hr = DirectDrawCreate(const_cast<GUID*>(pDriverGUID), &pDD, NULL), kPath))
        return D3DFWERR_NODIRECTDRAW;
    const bool gotDD4 = DX_TEST(
        hr = pDD->QueryInterface(IID_IDirectDraw4, reinterpret_cast<VOID**>(&m_pDD)), kPath);
    pDD->Release();
    if (!gotDD4) {
        m_pDD = nullptr;
        return D3DFWERR_NODIRECTDRAW;
    }

    DWORD dwCoopFlags = m_bFullscreenMode ? DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT
                                          : DDSCL_NORMAL;
    if (!(dwFlags & D3DFW_NO_FPUSETUP))
        dwCoopFlags |= DDSCL_FPUSETUP;
    if (!DX_TEST(m_pDD->SetCooperativeLevel( m_hWnd, dwCoopFlags ), kPath))
        return D3DFWERR_COULDNTSETCOOPLEVEL;
    return S_OK;
}

HRESULT CD3DFramework::CreateDirect3D(const GUID* pDeviceGUID, DWORD dwFlags) {
    if (!DX_TEST(hr = m_pDD->QueryInterface(IID_IDirect3D3, reinterpret_cast<VOID**>(&m_pD3D)),
                 kPath)) {
        m_pD3D = nullptr;
        return D3DFWERR_NODIRECT3D;
    }

    D3DFINDDEVICESEARCH ddfds;
    std::memset(&ddfds, 0, sizeof(ddfds));
    ddfds.dwSize = sizeof(ddfds);
    ddfds.dwFlags = D3DFDS_GUID;
    ddfds.guid = *pDeviceGUID;
    D3DFINDDEVICERESULT ddfdr;
    std::memset(&ddfdr, 0, sizeof(ddfdr));
    ddfdr.dwSize = sizeof(ddfdr);
    if (!DX_TEST(m_pD3D->FindDevice( &ddfds, &ddfdr ), kPath))
        return D3DFWERR_NODIRECT3D;

    // A device without hardware capabilities renders in system memory.
    if (ddfdr.ddHwDesc.dwFlags == 0) {
        m_ddDeviceDescription = ddfdr.ddSwDesc;
        m_dwDeviceMemory = DDSCAPS_SYSTEMMEMORY;
    } else {
        m_ddDeviceDescription = ddfdr.ddHwDesc;
        m_dwDeviceMemory = DDSCAPS_VIDEOMEMORY;
    }

    std::memset(&m_ddpfDepthFormat, 0, sizeof(m_ddpfDepthFormat));
    m_ddpfDepthFormat.dwFlags = (dwFlags & D3DFW_STENCILBUFFER)
                                    ? DDPF_ZBUFFER | DDPF_STENCILBUFFER
                                    : DDPF_ZBUFFER;
    DX_TEST(m_pD3D->EnumZBufferFormats( *pDeviceGUID, EnumZBufferFormatsCallback,
                                        &m_ddpfDepthFormat ),
            kPath);
    if (m_ddpfDepthFormat.dwSize != sizeof(DDPIXELFORMAT))
        return D3DFWERR_NOZBUFFER;
    return S_OK;
}

HRESULT CD3DFramework::CreateSurfaces(const DDSURFACEDESC2* pMode, DWORD dwFlags) {
    const HRESULT result = m_bFullscreenMode ? CreateFullscreenSurfaces(pMode, dwFlags)
                                             : CreateWindowedSurfaces(dwFlags);
    if (FAILED(result))
        return result;
    m_pddsRenderTarget = m_pddsBackBuffer ? m_pddsBackBuffer : m_pddsFrontBuffer;
    m_pddsRenderTarget->AddRef();
    return S_OK;
}

// The screen clipper limits drawing to the render rectangle; its results do
// not decide the initialisation.
HRESULT CD3DFramework::CreateScreenClipper() {
    if (!DX_TEST(hr = m_pDD->CreateClipper( 0, &m_pddcScreenClipper, NULL ), kPath)) {
        m_pddcScreenClipper = nullptr;
        return hr;
    }
    OneRectRegion region;
    std::memset(&region, 0, sizeof(region));
    region.rdh.dwSize = sizeof(RGNDATAHEADER);
    region.rdh.iType = RDH_RECTANGLES;
    region.rdh.nCount = 1;
    region.rdh.nRgnSize = sizeof(RECT);
    region.rdh.rcBound = m_rcViewport;
    region.rect = m_rcViewport;
    LPRGNDATA pClipList = reinterpret_cast<LPRGNDATA>(&region);
    return DX_TEST(hr = m_pddcScreenClipper->SetClipList( pClipList, 0 ), kPath) ? S_OK : hr;
}

HRESULT CD3DFramework::CreateWindowedSurfaces(DWORD dwFlags) {
    const bool bBackBuffer = (dwFlags & D3DFW_BACKBUFFER) != 0;

    GetClientRect(m_hWnd, &m_rcViewport);
    GetClientRect(m_hWnd, &m_rcScreen);
    ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&m_rcScreen.left));
    ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&m_rcScreen.right));
    m_dwRenderWidth = static_cast<DWORD>(m_rcScreen.right - m_rcScreen.left);
    m_dwRenderHeight = static_cast<DWORD>(m_rcScreen.bottom - m_rcScreen.top);

    CreateScreenClipper();

    DDSURFACEDESC2 ddsd;
    D3DUtil_InitSurfaceDesc(ddsd, DDSD_CAPS,
                            DDSCAPS_PRIMARYSURFACE | (bBackBuffer ? 0u : DDSCAPS_3DDEVICE));
    if (!DX_TEST(hr = m_pDD->CreateSurface( &ddsd, &m_pddsFrontBuffer, NULL ), kPath)) {
        m_pddsFrontBuffer = nullptr;
        return SurfaceFailure(hr, D3DFWERR_NOPRIMARY);
    }

    // The primary surface is shared with the desktop: a clipper bound to the
    // window keeps blits inside it.
    LPDIRECTDRAWCLIPPER pcClipper = nullptr;
    if (!DX_TEST(hr = m_pDD->CreateClipper( 0, &pcClipper, NULL ), kPath))
        return D3DFWERR_NOCLIPPER;
    if (!DX_TEST(hr = pcClipper->SetHWnd( 0, m_hWnd ), kPath)) {
        pcClipper->Release();
        return D3DFWERR_NOCLIPPER;
    }
    DX_TEST(m_pddsFrontBuffer->SetClipper( pcClipper ), kPath);
    pcClipper->Release();

    if (!bBackBuffer) {
        // Direct3D draws straight into the window's part of the primary.
        ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&m_rcViewport.left));
        ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&m_rcViewport.right));
        return S_OK;
    }

    D3DUtil_InitSurfaceDesc(ddsd, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                            DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    ddsd.dwWidth = m_dwRenderWidth;
    ddsd.dwHeight = m_dwRenderHeight;
    if (!DX_TEST(hr = m_pDD->CreateSurface( &ddsd, &m_pddsBackBuffer, NULL ), kPath)) {
        m_pddsBackBuffer = nullptr;
        return SurfaceFailure(hr, D3DFWERR_NOBACKBUFFER);
    }
    if (m_pddcScreenClipper)
        DX_TEST(m_pddsBackBuffer->SetClipper( m_pddcScreenClipper ), kPath);
    return S_OK;
}

HRESULT CD3DFramework::CreateFullscreenSurfaces(const DDSURFACEDESC2* pMode, DWORD dwFlags) {
    const bool bBackBuffer = (dwFlags & D3DFW_BACKBUFFER) != 0;
    const DWORD dwWidth = pMode->dwWidth;
    const DWORD dwHeight = pMode->dwHeight;
    const DWORD dwBitCount = pMode->ddpfPixelFormat.dwRGBBitCount;
    const DWORD dwRefreshRate = pMode->dwRefreshRate;

    m_rcScreen = RECT{0, 0, static_cast<LONG>(dwWidth), static_cast<LONG>(dwHeight)};
    m_rcViewport = m_rcScreen;
    m_dwRenderWidth = dwWidth;
    m_dwRenderHeight = dwHeight;

    // Mode 13h needs the standard VGA flag; every other mode goes without.
    const DWORD dwModeFlags =
        (dwWidth == 320 && dwHeight == 200 && dwBitCount == 8) ? DDSDM_STANDARDVGAMODE : 0u;
    if (!DX_TEST(m_pDD->SetDisplayMode( dwWidth, dwHeight, dwBitCount, dwRefreshRate,
                                        dwModeFlags ),
                 kPath))
        return D3DFWERR_BADDISPLAYMODE;

    CreateScreenClipper();

    DDSURFACEDESC2 ddsd;
    D3DUtil_InitSurfaceDesc(ddsd, DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE);
    if (bBackBuffer) {
        ddsd.dwFlags |= DDSD_BACKBUFFERCOUNT;
        ddsd.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        ddsd.dwBackBufferCount = 1;
    }
    if (!DX_TEST(hr = m_pDD->CreateSurface( &ddsd, &m_pddsFrontBuffer, NULL ), kPath)) {
        m_pddsFrontBuffer = nullptr;
        return SurfaceFailure(hr, D3DFWERR_NOPRIMARY);
    }
    if (m_pddcScreenClipper)
        DX_TEST(m_pddsFrontBuffer->SetClipper( m_pddcScreenClipper ), kPath);
    if (!bBackBuffer)
        return S_OK;

    DDSCAPS2 ddscaps;
    std::memset(&ddscaps, 0, sizeof(ddscaps));
    ddscaps.dwCaps = DDSCAPS_BACKBUFFER;
    if (!DX_TEST(hr = m_pddsFrontBuffer->GetAttachedSurface( &ddscaps, &m_pddsBackBuffer ),
                 kPath)) {
        m_pddsBackBuffer = nullptr;
        return SurfaceFailure(hr, D3DFWERR_NOBACKBUFFER);
    }
    if (m_pddcScreenClipper)
        DX_TEST(m_pddsBackBuffer->SetClipper( m_pddcScreenClipper ), kPath);
    return S_OK;
}

HRESULT CD3DFramework::CreateZBuffer() {
    if (m_ddDeviceDescription.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR) {
        std::printf("the device supports z-bufferless hidden surface removal!\n");
        return S_OK;
    }

    DDSURFACEDESC2 ddsd;
    D3DUtil_InitSurfaceDesc(ddsd, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT,
                            DDSCAPS_ZBUFFER | m_dwDeviceMemory);
    ddsd.dwWidth = m_dwRenderWidth;
    ddsd.dwHeight = m_dwRenderHeight;
    ddsd.ddpfPixelFormat = m_ddpfDepthFormat;
    if (!DX_TEST(hr = m_pDD->CreateSurface( &ddsd, &m_pddsZBuffer, NULL ), kPath)) {
        m_pddsZBuffer = nullptr;
        return SurfaceFailure(hr, D3DFWERR_NOZBUFFER);
    }
    if (!DX_TEST(m_pddsRenderTarget->AddAttachedSurface( m_pddsZBuffer ), kPath))
        return D3DFWERR_NOZBUFFER;
    return S_OK;
}

HRESULT CD3DFramework::Create3DDevice(const GUID* pDeviceGUID) {
    // Direct3D cannot render into palettised desktops.
    DDSURFACEDESC2 ddsd;
    D3DUtil_InitSurfaceDesc(ddsd);
    if (!DX_TEST(m_pDD->GetDisplayMode( &ddsd ), kPath))
        return D3DFWERR_INITIALIZATIONFAILED;
    if (ddsd.ddpfPixelFormat.dwRGBBitCount <= 8)
        return D3DFWERR_INVALIDMODE;

    if (!DX_TEST(m_pD3D->CreateDevice( *pDeviceGUID, m_pddsRenderTarget, &m_pd3dDevice, NULL ),
                 kPath)) {
        m_pd3dDevice = nullptr;
        return D3DFWERR_NO3DDEVICE;
    }
    return S_OK;
}

HRESULT CD3DFramework::CreateViewport() {
    if (!DX_TEST(m_pD3D->CreateViewport( &m_pvViewport, NULL ), kPath)) {
        m_pvViewport = nullptr;
        return D3DFWERR_NOVIEWPORT;
    }
    if (!DX_TEST(m_pd3dDevice->AddViewport( m_pvViewport ), kPath))
        return D3DFWERR_NOVIEWPORT;

    D3DVIEWPORT2 vp;
    D3DUtil_InitViewport(vp, m_dwRenderWidth, m_dwRenderHeight);
    if (!DX_TEST(m_pvViewport->SetViewport2( &vp ), kPath))
        return D3DFWERR_NOVIEWPORT;
    if (!DX_TEST(m_pd3dDevice->SetCurrentViewport( m_pvViewport ), kPath))
        return D3DFWERR_NOVIEWPORT;
    return S_OK;
}

HRESULT CD3DFramework::PresentFrame() {
    if (!m_pddsFrontBuffer)
        return D3DFWERR_NOTINITIALIZED;
    if (!m_pddsBackBuffer)
        return m_pddsFrontBuffer->IsLost();

    if (m_bFullscreenMode)
        DX_TEST(hr = m_pddsFrontBuffer->Flip( NULL, DDFLIP_WAIT ), kPath);
    else
        DX_TEST(hr = m_pddsFrontBuffer->Blt( &m_rcScreen, m_pddsBackBuffer, &m_rcViewport,
                                             DDBLT_WAIT, NULL ),
                kPath);
    return hr;
}

HRESULT CD3DFramework::ShowGdiSurface(BOOL bDrawFrame) {
    if (!m_bFullscreenMode || !m_pDD)
        return S_OK;
    DX_TEST(m_pDD->FlipToGDISurface(), kPath);
    if (bDrawFrame) {
        DrawMenuBar(m_hWnd);
        RedrawWindow(m_hWnd, NULL, NULL, RDW_FRAME);
    }
    return S_OK;
}

HRESULT CD3DFramework::RestoreSurfaces() {
    LPDIRECTDRAWSURFACE4 surfaces[] = {m_pddsFrontBuffer, m_pddsBackBuffer, m_pddsZBuffer};
    for (LPDIRECTDRAWSURFACE4 pdds : surfaces) {
        if (pdds && pdds->IsLost() != DD_OK)
            DX_TEST(pdds->Restore(), kPath);
    }
    return S_OK;
}

void CD3DFramework::MoveFrame(int x, int y) {
    if (m_bFullscreenMode)
        return;
    m_rcScreen = RECT{x, y, x + static_cast<LONG>(m_dwRenderWidth),
                      y + static_cast<LONG>(m_dwRenderHeight)};
    if (!m_pddsBackBuffer)
        m_rcViewport = m_rcScreen;
}

HRESULT CD3DFramework::ReleaseObjects() {
    if (m_pvViewport) {
        if (m_pd3dDevice)
            DX_TEST(m_pd3dDevice->DeleteViewport( m_pvViewport ), kPath);
        ReleaseAndClear(m_pvViewport);
    }
    ReleaseAndClear(m_pd3dDevice);

    if (m_pD3D) {
        // The DirectDraw object keeps one reference of its own.
        const long count = static_cast<long>(m_pD3D->Release());
        m_pD3D = nullptr;
        if (count != 1)
            DRIVER_FILTER << (debug::Warning(debug::Context(kPath, __LINE__))
                              << "Direct3D has " << count - 1 << " unresolved references");
    }

    if (m_pDD) {
        if (m_pddsFrontBuffer)
            DX_TEST(m_pddsFrontBuffer->SetClipper( NULL ), kPath);
        if (m_pddsBackBuffer)
            DX_TEST(m_pddsBackBuffer->SetClipper( NULL ), kPath);
        ReleaseAndClear(m_pddcScreenClipper);

        // In full screen the back buffer belongs to the flipping chain.
        if (!m_bFullscreenMode)
            ReleaseAndClear(m_pddsBackBuffer);
        m_pddsBackBuffer = nullptr;

        if (m_pddsRenderTarget) {
            if (m_pddsZBuffer)
                DX_TEST(m_pddsRenderTarget->DeleteAttachedSurface( 0, m_pddsZBuffer ), kPath);
            m_pddsRenderTarget->Release();
        }
        ReleaseAndClear(m_pddsZBuffer);
        ReleaseAndClear(m_pddsFrontBuffer);

        const ULONG count = m_pDD->Release();
        m_pDD = nullptr;
        if (count != 0)
            DRIVER_FILTER << (debug::Warning(debug::Context(kPath, __LINE__))
                              << "DirectDraw has " << count << " unresolved references");
    }
    return S_OK;
}

// clang-format on
