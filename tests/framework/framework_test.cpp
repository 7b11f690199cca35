// The device framework: initialisation in a window and in full screen, the
// depth format, each step's failure, presenting, restoring, moving, and the
// leak warnings of ReleaseObjects.
#include "../support/render_window.h"

#include <engine/debug.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using platform::testing::callCount;
using platform::testing::lastArguments;
using Args = std::vector<ULONG_PTR>;

class FrameworkTest : public RenderWindowTest {
protected:
    static constexpr int kWidth = 64, kHeight = 48;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(openWindow(100, 50, kWidth, kHeight));
        platform::testing::resetCallCounts();
        debug::System::setSink([this](const debug::Record& r) { records.push_back(r); });
    }
    void TearDown() override {
        RenderWindowTest::TearDown();
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        debug::System::setSink(nullptr);
    }
    static void useProfile(const std::string& name) {
        const std::string data = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/framework/data/";
        ASSERT_TRUE(platform::testing::loadDisplayProfile(data + name + ".cfg")) << name;
    }
    HRESULT initWindowed(DWORD flags = D3DFW_BACKBUFFER | D3DFW_ZBUFFER,
                         const GUID* device = &IID_IDirect3DRGBDevice) {
        return framework.InitializeFramework(hWnd, nullptr, device, nullptr, flags);
    }
    HRESULT initFullscreen(DWORD flags = D3DFW_FULLSCREEN | D3DFW_BACKBUFFER | D3DFW_ZBUFFER,
                           const GUID* device = &IID_IDirect3DHALDevice, DWORD width = 640,
                           DWORD height = 480, DWORD bits = 16) {
        DDSURFACEDESC2 mode{};
        mode.dwSize = sizeof mode;
        mode.dwWidth = width;
        mode.dwHeight = height;
        mode.ddpfPixelFormat.dwRGBBitCount = bits;
        return framework.InitializeFramework(hWnd, nullptr, device, &mode, flags);
    }

    // The objects the framework holds (empty when none), each surface with
    // its caps (memory for the depth buffer only), size (but the primary's),
    // depth format, clipper (its window or its rectangles), attachment and
    // whether it is the render target.
    std::string objects() const {
        const CD3DFramework& f = framework;
        std::string out = std::string(f.GetDirectDraw() ? " dd" : "") +
                          (f.GetDirect3D() ? " d3d" : "") + (f.GetD3DDevice() ? " device" : "") +
                          (f.GetViewport() ? " viewport" : "");
        const DWORD bits[] = {DDSCAPS_PRIMARYSURFACE, DDSCAPS_OFFSCREENPLAIN, DDSCAPS_3DDEVICE,
                              DDSCAPS_FLIP,           DDSCAPS_ZBUFFER,        DDSCAPS_SYSTEMMEMORY,
                              DDSCAPS_VIDEOMEMORY};
        const char* names[] = {"primary", "offscreen", "3d", "flip", "z", "sys", "video"};
        for (const auto& [name, s] : {std::pair{"front", f.GetFrontBuffer()},
                                      {"back", f.GetBackBuffer()},
                                      {"z", f.GetZBuffer()}}) {
            if (!s)
                continue;
            DDSURFACEDESC2 d{};
            d.dwSize = sizeof d;
            s->GetSurfaceDesc(&d);
            std::ostringstream text;
            for (int i = 0; i < 7; ++i)
                if ((d.ddsCaps.dwCaps & bits[i]) && (i < 5 || s == f.GetZBuffer()))
                    text << " " << names[i];
            if (!(d.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE))
                text << " " << d.dwWidth << "x" << d.dwHeight;
            if (d.ddpfPixelFormat.dwFlags & DDPF_ZBUFFER)
                text << " " << d.ddpfPixelFormat.dwZBufferBitDepth
                     << (d.ddpfPixelFormat.dwFlags & DDPF_STENCILBUFFER ? "+stencil" : "");
            IDirectDrawClipper* clipper = nullptr;
            if (SUCCEEDED(s->GetClipper(&clipper))) {
                HWND window = nullptr;
                alignas(RGNDATA) char list[sizeof(RGNDATAHEADER) + 4 * sizeof(RECT)] = {};
                DWORD size = sizeof list;
                if (SUCCEEDED(clipper->GetHWnd(&window)) && window)
                    text << " clip=" << (window == hWnd ? "window" : "other");
                else if (SUCCEEDED(clipper->GetClipList(nullptr, LPRGNDATA(list), &size)))
                    text << " clip=" << LPRGNDATA(list)->rdh.nCount << "x"
                         << rect(*reinterpret_cast<RECT*>(LPRGNDATA(list)->Buffer));
                clipper->Release();
            }
            text << (s == f.GetRenderSurface() ? " target" : "")
                 << (s == attached(f.GetFrontBuffer(), DDSCAPS_BACKBUFFER) ? " on-front" : "")
                 << (s == attached(f.GetRenderSurface(), DDSCAPS_ZBUFFER) ? " on-target" : "");
            out += std::string(" ") + name + "(" + text.str().substr(1) + ")";
        }
        return out.empty() ? out : out.substr(1);
    }
    static std::string rect(const RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    // The render size and the screen and viewport rectangles.
    std::string rects() const {
        return std::to_string(framework.GetRenderWidth()) + "x" +
               std::to_string(framework.GetRenderHeight()) + " screen " +
               rect(framework.GetScreenRect()) + " viewport " + rect(framework.GetViewportRect());
    }
    static IDirectDrawSurface4* attached(IDirectDrawSurface4* s, DWORD caps) {
        DDSCAPS2 c{};
        c.dwCaps = caps;
        IDirectDrawSurface4* found = nullptr;
        if (!s || FAILED(s->GetAttachedSurface(&c, &found)))
            return nullptr;
        found->Release();  // only its identity is wanted
        return found;
    }
    static void fill(IDirectDrawSurface4* s, DWORD color) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = color;
        ASSERT_EQ(DD_OK, s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    }

    std::vector<debug::Record> records;
};

const GUID* const kRgb = &IID_IDirect3DRGBDevice;
const GUID* const kHal = &IID_IDirect3DHALDevice;
const std::string kWindowedFront = "dd d3d device viewport front(primary clip=window) ";
const std::string kWindowedBack = "back(offscreen 3d 64x48 clip=1x0,0,64,48 target)";
const std::string kWindowedSys = kWindowedFront + kWindowedBack + " z(z sys 64x48 ";

// Windowed, what each flag, device and profile makes, in this order: front
// (the 3D target without a back buffer), back, depth buffer, device; the
// depth format is a 16-bit one wherever the device lists it, else the last
// matching one, with stencil when asked for. A failure leaves nothing and
// leaks nothing.
TEST_F(FrameworkTest, WindowedObjectsAndDepthFormats) {
    const DWORD bz = D3DFW_BACKBUFFER | D3DFW_ZBUFFER;
    const struct {
        const char* profile;
        DWORD flags;
        const GUID* device;
        HRESULT result;
        unsigned surfaces;
        std::string objects;
    } cases[] = {
        {"", bz, kRgb, S_OK, 3, kWindowedSys + "16 on-target)"},
        {"", bz, kHal, S_OK, 3, kWindowedFront + kWindowedBack + " z(z video 64x48 16 on-target)"},
        {"", D3DFW_BACKBUFFER, kRgb, S_OK, 2, kWindowedFront + kWindowedBack},
        {"", 0, kRgb, S_OK, 1, "dd d3d device viewport front(primary 3d clip=window target)"},
        // The depth buffer has the window's size, the primary the desktop's.
        {"", D3DFW_ZBUFFER, kRgb, D3DFWERR_NOZBUFFER, 2, ""},
        {"", bz, nullptr, S_OK, 2, "dd front(primary clip=window) " + kWindowedBack},
        {"", bz | D3DFW_STENCILBUFFER, kRgb, D3DFWERR_NOZBUFFER, 0, ""},
        {"depth_24_16_32", bz, kRgb, S_OK, 3, kWindowedSys + "16 on-target)"},
        {"depth_24_32", bz, kRgb, S_OK, 3, kWindowedSys + "32 on-target)"},
        {"depth_stencil", bz | D3DFW_STENCILBUFFER, kRgb, S_OK, 3,
         kWindowedSys + "32+stencil on-target)"},
        {"no_zbuffer_needed", bz, kHal, S_OK, 2, kWindowedFront + kWindowedBack},
        // Direct3D cannot render into a palettised desktop.
        {"desktop_8bit", bz, kRgb, D3DFWERR_INVALIDMODE, 3, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " flags " + std::to_string(c.flags));
        if (*c.profile)
            useProfile(c.profile);
        platform::testing::resetCallCounts();
        EXPECT_EQ(initWindowed(c.flags, c.device), c.result);
        EXPECT_EQ(objects(), c.objects);
        EXPECT_EQ(callCount("IDirectDraw4::CreateSurface"), c.surfaces);
        framework.ReleaseObjects();
        EXPECT_TRUE(records.empty());
        platform::testing::useDefaultDisplayProfile();
    }
}

// Full screen: the display mode is set (mode 13h with the standard VGA
// flag), the primary flips to a back buffer, every surface clips to the
// screen; the cooperative level is exclusive. Presenting flips; the GDI
// surface is flipped to, the menu and frame redrawn when asked; moving the
// frame moves nothing.
TEST_F(FrameworkTest, FullscreenMakesAFlippingChainAndFlips) {
    ASSERT_EQ(S_OK, initFullscreen());
    EXPECT_EQ(objects(),
              "dd d3d device viewport front(primary 3d flip clip=1x0,0,640,480) back(3d flip "
              "640x480 clip=1x0,0,640,480 target on-front) z(z video 640x480 16 on-target)");
    EXPECT_EQ(lastArguments("IDirectDraw4::SetCooperativeLevel").at(1),
              ULONG_PTR(DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_FPUSETUP));
    const Args args = lastArguments("IDirectDraw4::SetDisplayMode");
    EXPECT_EQ(Args(args.begin(), args.begin() + 3), (Args{640, 480, 16}));
    EXPECT_EQ(args.at(4), 0u);
    fill(framework.GetFrontBuffer(), 0);
    fill(framework.GetBackBuffer(), 0x07E0);  // green in the 16-bit 565 mode
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    EXPECT_EQ(lastArguments("IDirectDrawSurface4::Flip"), (Args{0, DDFLIP_WAIT}));
    EXPECT_EQ(0x00FF00u,
              platform::testing::readSurfaceARGB(framework.GetFrontBuffer()).at(0) & 0xFFFFFF);
    EXPECT_EQ(S_OK, framework.ShowGdiSurface(FALSE));
    EXPECT_EQ(0u, callCount("DrawMenuBar") + callCount("RedrawWindow"));
    EXPECT_EQ(S_OK, framework.ShowGdiSurface(TRUE));
    EXPECT_EQ(2u, callCount("IDirectDraw4::FlipToGDISurface"));
    EXPECT_EQ(1u, callCount("DrawMenuBar"));
    EXPECT_EQ(lastArguments("RedrawWindow"), (Args{ULONG_PTR(hWnd), RDW_FRAME}));
    framework.MoveFrame(10, 20);
    EXPECT_EQ(rects(), "640x480 screen 0,0,640,480 viewport 0,0,640,480");
    // Lost surfaces are reported by presenting, and restored, only those
    // lost: the flipping chain and the depth buffer.
    platform::testing::deactivateApplication();
    EXPECT_EQ(DDERR_SURFACELOST, framework.PresentFrame());
    platform::testing::activateApplication();
    platform::testing::simulateTaskSwitch();
    ASSERT_EQ(DDERR_SURFACELOST, framework.GetFrontBuffer()->IsLost());
    ASSERT_EQ(DDERR_SURFACELOST, framework.GetZBuffer()->IsLost());
    EXPECT_EQ(S_OK, framework.RestoreSurfaces());
    EXPECT_EQ(2u, callCount("IDirectDrawSurface4::Restore"));
    for (IDirectDrawSurface4* s :
         {framework.GetFrontBuffer(), framework.GetBackBuffer(), framework.GetZBuffer()})
        EXPECT_EQ(DD_OK, s->IsLost());
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    framework.ReleaseObjects();
    EXPECT_TRUE(records.empty());

    useProfile("desktop_8bit");  // no device: an 8-bit mode cannot take one
    ASSERT_EQ(S_OK, initFullscreen(D3DFW_FULLSCREEN, nullptr, 320, 200, 8));
    EXPECT_EQ(lastArguments("IDirectDraw4::SetDisplayMode").at(4),
              ULONG_PTR(DDSDM_STANDARDVGAMODE));
    platform::testing::deactivateApplication();  // also without a back buffer
    EXPECT_EQ(DDERR_SURFACELOST, framework.PresentFrame());
    platform::testing::activateApplication();
}

// Each step's failure maps to its own result code and leaves the framework
// empty, without leaked references; so do bad arguments. Windowed with a
// back buffer, CreateSurface makes front, back, depth in that order;
// CreateClipper the screen clipper, then the window's.
TEST_F(FrameworkTest, EachStepsFailureHasItsCodeAndLeavesNothing) {
    const std::string dd = "IDirectDraw4::", d3d = "IDirect3D3::", device = "IDirect3DDevice3::",
                      surface = "IDirectDrawSurface4::";
    const struct {
        std::string method;
        unsigned skip;
        HRESULT injected;
        bool fullscreen;
        HRESULT expected;
    } failures[] = {
        {"DirectDrawCreate", 0, DDERR_GENERIC, false, D3DFWERR_NODIRECTDRAW},
        {dd + "SetCooperativeLevel", 0, DDERR_HWNDALREADYSET, false, D3DFWERR_COULDNTSETCOOPLEVEL},
        {d3d + "FindDevice", 0, DDERR_NOTFOUND, false, D3DFWERR_NODIRECT3D},
        {d3d + "CreateDevice", 0, DDERR_INVALIDPARAMS, false, D3DFWERR_NO3DDEVICE},
        {dd + "CreateSurface", 2, DDERR_INVALIDPIXELFORMAT, false, D3DFWERR_NOZBUFFER},
        {dd + "CreateSurface", 2, DDERR_OUTOFVIDEOMEMORY, false, DDERR_OUTOFVIDEOMEMORY},
        {surface + "AddAttachedSurface", 0, DDERR_CANNOTATTACHSURFACE, false, D3DFWERR_NOZBUFFER},
        {d3d + "CreateViewport", 0, DDERR_OUTOFMEMORY, false, D3DFWERR_NOVIEWPORT},
        {device + "AddViewport", 0, DDERR_INVALIDPARAMS, false, D3DFWERR_NOVIEWPORT},
        {"IDirect3DViewport3::SetViewport2", 0, DDERR_INVALIDPARAMS, false, D3DFWERR_NOVIEWPORT},
        {device + "SetCurrentViewport", 0, DDERR_INVALIDPARAMS, false, D3DFWERR_NOVIEWPORT},
        {dd + "CreateSurface", 0, DDERR_PRIMARYSURFACEALREADYEXISTS, false, D3DFWERR_NOPRIMARY},
        {dd + "CreateSurface", 0, DDERR_OUTOFVIDEOMEMORY, false, DDERR_OUTOFVIDEOMEMORY},
        {dd + "CreateClipper", 1, DDERR_OUTOFMEMORY, false, D3DFWERR_NOCLIPPER},
        {"IDirectDrawClipper::SetHWnd", 0, DDERR_INVALIDPARAMS, false, D3DFWERR_NOCLIPPER},
        {dd + "SetDisplayMode", 0, DDERR_UNSUPPORTEDMODE, true, D3DFWERR_BADDISPLAYMODE},
        {dd + "CreateSurface", 1, DDERR_INVALIDCAPS, false, D3DFWERR_NOBACKBUFFER},
        {surface + "GetAttachedSurface", 0, DDERR_NOTFOUND, true, D3DFWERR_NOBACKBUFFER},
        {dd + "CreateSurface", 0, DDERR_INVALIDCAPS, true, D3DFWERR_NOPRIMARY},
        {dd + "GetDisplayMode", 0, DDERR_GENERIC, false, D3DFWERR_INITIALIZATIONFAILED},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.method + " #" + std::to_string(f.skip));
        platform::testing::resetCallCounts();
        platform::testing::failNextCall(f.method.c_str(), f.injected, f.skip);
        EXPECT_EQ(f.fullscreen ? initFullscreen() : initWindowed(), f.expected);
        EXPECT_GT(callCount(f.method), f.skip) << "the injected failure was never reached";
        EXPECT_EQ(objects(), "");
        framework.ReleaseObjects();
        EXPECT_TRUE(records.empty());
    }
    // No window, or full screen without a mode, is refused before anything
    // is made; an unknown device or driver is not found.
    platform::testing::resetCallCounts();
    EXPECT_EQ(E_INVALIDARG, framework.InitializeFramework(nullptr, nullptr, kRgb, nullptr, 0));
    EXPECT_EQ(E_INVALIDARG,
              framework.InitializeFramework(hWnd, nullptr, kRgb, nullptr, D3DFW_FULLSCREEN));
    EXPECT_EQ(0u, callCount("DirectDrawCreate"));
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(D3DFWERR_NODIRECT3D, initWindowed(D3DFW_BACKBUFFER, &unknown));
    EXPECT_EQ(D3DFWERR_NODIRECTDRAW,
              framework.InitializeFramework(hWnd, &unknown, kRgb, nullptr, D3DFW_BACKBUFFER));
    EXPECT_EQ(D3DFWERR_NOTINITIALIZED, framework.PresentFrame());
    EXPECT_EQ(S_OK, framework.RestoreSurfaces());  // nothing to restore
    EXPECT_EQ(0u, callCount("IDirectDrawSurface4::IsLost"));
}

// In a window the back buffer is blitted to the window's part of the front
// (nothing without a back buffer); the GDI surface is not flipped to. Moving
// moves the screen rectangle (and the viewport without a back buffer).
TEST_F(FrameworkTest, WindowedPresentBlitsAndMovesWithTheWindow) {
    ASSERT_EQ(S_OK, initWindowed());
    fill(framework.GetFrontBuffer(), 0);
    fill(framework.GetBackBuffer(), 0x00FF8000);
    const unsigned blits = callCount("IDirectDrawSurface4::Blt");
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    const auto front = platform::testing::readSurfaceARGB(framework.GetFrontBuffer());
    const auto desktop = platform::testing::currentDesktopMode();
    ASSERT_EQ(front.size(), size_t(desktop.width) * desktop.height);
    const RECT& sc = framework.GetScreenRect();
    auto at = [&](LONG x, LONG y) { return front[y * desktop.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(sc.left, sc.top), 0xFF8000u);
    EXPECT_EQ(at(sc.right - 1, sc.bottom - 1), 0xFF8000u);
    EXPECT_EQ(at(sc.right, sc.bottom), 0u);  // outside the window: untouched
    EXPECT_EQ(S_OK, framework.ShowGdiSurface(TRUE));
    EXPECT_EQ(0u, callCount("IDirectDraw4::FlipToGDISurface"));
    framework.MoveFrame(200, 120);
    EXPECT_EQ(rects(), "64x48 screen 200,120,264,168 viewport 0,0,64,48");
    // Releasing detaches the depth buffer, deletes the viewport and warns of
    // nothing, and allows a new start.
    EXPECT_EQ(S_OK, framework.ReleaseObjects());
    EXPECT_EQ(1u, callCount("IDirect3DDevice3::DeleteViewport"));
    EXPECT_EQ(1u, callCount("IDirectDrawSurface4::DeleteAttachedSurface"));
    EXPECT_TRUE(records.empty());

    ASSERT_EQ(S_OK, initWindowed(0));
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    EXPECT_EQ(blits + 1, callCount("IDirectDrawSurface4::Blt"));
    framework.MoveFrame(10, 20);
    EXPECT_EQ(rects(), "64x48 screen 10,20,74,68 viewport 10,20,74,68");
    // References held outside are reported when releasing. Direct3D is one
    // COM object with DirectDraw, so they keep both alive.
    IDirect3D3* const d3d = framework.GetDirect3D();
    d3d->AddRef();
    d3d->AddRef();
    framework.ReleaseObjects();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text + "; " + records[1].text,
              "Direct3D has 2 unresolved references; DirectDraw has 2 unresolved references");
    EXPECT_EQ(records[1].kind, debug::Message::Kind::Warning);
    d3d->Release();
    d3d->Release();
}
