// Each step's failure maps to its own result code and leaves the framework
// empty, without leaked references.
#include "framework_fixture.h"

using platform::testing::failNextCall;

namespace {

struct Failure {
    const char* name;
    const char* method;
    unsigned skip;
    HRESULT injected;
    bool fullscreen;
    DWORD flags;
    HRESULT expected;
};

std::ostream& operator<<(std::ostream& os, const Failure& f) {
    return os << f.name;
}

constexpr DWORD kWindowed = D3DFW_BACKBUFFER | D3DFW_ZBUFFER;
constexpr DWORD kFull = D3DFW_FULLSCREEN | D3DFW_BACKBUFFER | D3DFW_ZBUFFER;

// Windowed with a back buffer, CreateSurface makes front, back, depth in
// that order; CreateClipper makes the screen clipper, then the window one.
const Failure kFailures[] = {
    {"DirectDrawCreate", "DirectDrawCreate", 0, DDERR_GENERIC, false, kWindowed,
     D3DFWERR_NODIRECTDRAW},
    {"CooperativeLevel", "IDirectDraw4::SetCooperativeLevel", 0, DDERR_HWNDALREADYSET, false,
     kWindowed, D3DFWERR_COULDNTSETCOOPLEVEL},
    {"FindDevice", "IDirect3D3::FindDevice", 0, DDERR_NOTFOUND, false, kWindowed,
     D3DFWERR_NODIRECT3D},
    {"CreateDevice", "IDirect3D3::CreateDevice", 0, DDERR_INVALIDPARAMS, false, kWindowed,
     D3DFWERR_NO3DDEVICE},
    {"DepthSurface", "IDirectDraw4::CreateSurface", 2, DDERR_INVALIDPIXELFORMAT, false, kWindowed,
     D3DFWERR_NOZBUFFER},
    {"DepthOutOfVideoMemory", "IDirectDraw4::CreateSurface", 2, DDERR_OUTOFVIDEOMEMORY, false,
     kWindowed, DDERR_OUTOFVIDEOMEMORY},
    {"DepthAttach", "IDirectDrawSurface4::AddAttachedSurface", 0, DDERR_CANNOTATTACHSURFACE, false,
     kWindowed, D3DFWERR_NOZBUFFER},
    {"CreateViewport", "IDirect3D3::CreateViewport", 0, DDERR_OUTOFMEMORY, false, kWindowed,
     D3DFWERR_NOVIEWPORT},
    {"AddViewport", "IDirect3DDevice3::AddViewport", 0, DDERR_INVALIDPARAMS, false, kWindowed,
     D3DFWERR_NOVIEWPORT},
    {"SetViewport", "IDirect3DViewport3::SetViewport2", 0, DDERR_INVALIDPARAMS, false, kWindowed,
     D3DFWERR_NOVIEWPORT},
    {"CurrentViewport", "IDirect3DDevice3::SetCurrentViewport", 0, DDERR_INVALIDPARAMS, false,
     kWindowed, D3DFWERR_NOVIEWPORT},
    {"FrontBuffer", "IDirectDraw4::CreateSurface", 0, DDERR_PRIMARYSURFACEALREADYEXISTS, false,
     kWindowed, D3DFWERR_NOPRIMARY},
    {"FrontOutOfVideoMemory", "IDirectDraw4::CreateSurface", 0, DDERR_OUTOFVIDEOMEMORY, false,
     kWindowed, DDERR_OUTOFVIDEOMEMORY},
    {"WindowClipper", "IDirectDraw4::CreateClipper", 1, DDERR_OUTOFMEMORY, false, kWindowed,
     D3DFWERR_NOCLIPPER},
    {"WindowClipperHwnd", "IDirectDrawClipper::SetHWnd", 0, DDERR_INVALIDPARAMS, false, kWindowed,
     D3DFWERR_NOCLIPPER},
    {"DisplayMode", "IDirectDraw4::SetDisplayMode", 0, DDERR_UNSUPPORTEDMODE, true, kFull,
     D3DFWERR_BADDISPLAYMODE},
    {"WindowedBackBuffer", "IDirectDraw4::CreateSurface", 1, DDERR_INVALIDCAPS, false, kWindowed,
     D3DFWERR_NOBACKBUFFER},
    {"FlippingBackBuffer", "IDirectDrawSurface4::GetAttachedSurface", 0, DDERR_NOTFOUND, true,
     kFull, D3DFWERR_NOBACKBUFFER},
    {"FullscreenFront", "IDirectDraw4::CreateSurface", 0, DDERR_INVALIDCAPS, true, kFull,
     D3DFWERR_NOPRIMARY},
    {"DesktopModeUnreadable", "IDirectDraw4::GetDisplayMode", 0, DDERR_GENERIC, false, kWindowed,
     D3DFWERR_INITIALIZATIONFAILED},
};

}  // namespace

class FrameworkFailureTest : public FrameworkTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FrameworkFailureTest, MapsToItsCodeAndLeavesNothing) {
    const Failure& f = GetParam();
    failNextCall(f.method, f.injected, f.skip);
    const HRESULT result = f.fullscreen ? initFullscreen(f.flags) : initWindowed(f.flags);
    EXPECT_EQ(f.expected, result) << std::hex << "got 0x" << static_cast<unsigned long>(result);
    EXPECT_GT(platform::testing::callCount(f.method), f.skip)
        << "the injected failure was never reached";
    expectEmpty();
    // ReleaseObjects after a failure leaks nothing.
    EXPECT_TRUE(warnings().empty()) << warnings().front();
}

INSTANTIATE_TEST_SUITE_P(Steps, FrameworkFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameworkTest, NullWindowIsRefused) {
    EXPECT_EQ(E_INVALIDARG, framework.InitializeFramework(nullptr, nullptr, &IID_IDirect3DRGBDevice,
                                                          nullptr, D3DFW_BACKBUFFER));
    EXPECT_EQ(0u, platform::testing::callCount("DirectDrawCreate"));
    expectEmpty();
}

TEST_F(FrameworkTest, FullscreenWithoutModeIsRefused) {
    EXPECT_EQ(E_INVALIDARG, framework.InitializeFramework(hWnd, nullptr, &IID_IDirect3DRGBDevice,
                                                          nullptr, D3DFW_FULLSCREEN));
    EXPECT_EQ(0u, platform::testing::callCount("DirectDrawCreate"));
    expectEmpty();
}

TEST_F(FrameworkTest, UnknownDeviceIsNotFound) {
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(D3DFWERR_NODIRECT3D, initWindowed(D3DFW_BACKBUFFER, &unknown));
    expectEmpty();
}

TEST_F(FrameworkTest, UnknownDriverHasNoDirectDraw) {
    const GUID unknown = {0x87654321, 0x4321, 0x4321, {8, 7, 6, 5, 4, 3, 2, 1}};
    EXPECT_EQ(D3DFWERR_NODIRECTDRAW,
              framework.InitializeFramework(hWnd, &unknown, &IID_IDirect3DRGBDevice, nullptr,
                                            D3DFW_BACKBUFFER));
    expectEmpty();
}
