// Initialisation in a window and in full screen: the objects made, how they
// are tied together, and the depth format chosen from what the device offers.
#include "framework_fixture.h"

#include <cstdio>

using platform::testing::callCount;
using platform::testing::lastArguments;

TEST_F(FrameworkTest, WindowedWithBackBufferMakesEveryObject) {
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_NE(nullptr, framework.GetDirectDraw());
    EXPECT_NE(nullptr, framework.GetDirect3D());
    EXPECT_NE(nullptr, framework.GetD3DDevice());
    EXPECT_NE(nullptr, framework.GetViewport());
    ASSERT_NE(nullptr, framework.GetFrontBuffer());
    ASSERT_NE(nullptr, framework.GetBackBuffer());
    EXPECT_EQ(framework.GetBackBuffer(), framework.GetRenderSurface());
    EXPECT_FALSE(framework.IsFullscreen());

    EXPECT_TRUE(caps(framework.GetFrontBuffer()) & DDSCAPS_PRIMARYSURFACE);
    EXPECT_FALSE(caps(framework.GetFrontBuffer()) & DDSCAPS_3DDEVICE);
    const DWORD back = caps(framework.GetBackBuffer());
    EXPECT_TRUE((back & DDSCAPS_OFFSCREENPLAIN) && (back & DDSCAPS_3DDEVICE));
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    ASSERT_EQ(DD_OK, framework.GetBackBuffer()->GetSurfaceDesc(&d));
    EXPECT_EQ(DWORD(kWidth), d.dwWidth);
    EXPECT_EQ(DWORD(kHeight), d.dwHeight);
}

TEST_F(FrameworkTest, WindowedRectanglesFollowTheClientArea) {
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(DWORD(kWidth), framework.GetRenderWidth());
    EXPECT_EQ(DWORD(kHeight), framework.GetRenderHeight());
    const RECT& vp = framework.GetViewportRect();
    EXPECT_EQ(0, vp.left);
    EXPECT_EQ(0, vp.top);
    EXPECT_EQ(kWidth, vp.right);
    EXPECT_EQ(kHeight, vp.bottom);
    POINT origin{0, 0};
    ClientToScreen(hWnd, &origin);
    const RECT& sc = framework.GetScreenRect();
    EXPECT_EQ(origin.x, sc.left);
    EXPECT_EQ(origin.y, sc.top);
    EXPECT_EQ(origin.x + kWidth, sc.right);
    EXPECT_EQ(origin.y + kHeight, sc.bottom);
}

TEST_F(FrameworkTest, WindowedCooperativeLevelIsNormalWithFpuSetup) {
    ASSERT_EQ(S_OK, initWindowed());
    const auto args = lastArguments("IDirectDraw4::SetCooperativeLevel");
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(hWnd), args[0]);
    EXPECT_EQ(ULONG_PTR(DDSCL_NORMAL | DDSCL_FPUSETUP), args[1]);
}

TEST_F(FrameworkTest, NoFpuSetupFlagLeavesTheFpuAlone) {
    ASSERT_EQ(S_OK, initWindowed(D3DFW_BACKBUFFER | D3DFW_NO_FPUSETUP));
    const auto args = lastArguments("IDirectDraw4::SetCooperativeLevel");
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ(ULONG_PTR(DDSCL_NORMAL), args[1]);
}

TEST_F(FrameworkTest, WindowedClippersBindTheWindowAndTheRenderRectangle) {
    ASSERT_EQ(S_OK, initWindowed());
    IDirectDrawClipper* frontClipper = nullptr;
    ASSERT_EQ(DD_OK, framework.GetFrontBuffer()->GetClipper(&frontClipper));
    HWND bound = nullptr;
    EXPECT_EQ(DD_OK, frontClipper->GetHWnd(&bound));
    EXPECT_EQ(hWnd, bound);
    frontClipper->Release();

    IDirectDrawClipper* backClipper = nullptr;
    ASSERT_EQ(DD_OK, framework.GetBackBuffer()->GetClipper(&backClipper));
    struct {
        RGNDATAHEADER rdh;
        RECT rects[4];
    } region{};
    DWORD size = sizeof(region);
    ASSERT_EQ(DD_OK,
              backClipper->GetClipList(nullptr, reinterpret_cast<LPRGNDATA>(&region), &size));
    ASSERT_EQ(1u, region.rdh.nCount);
    EXPECT_EQ(0, region.rects[0].left);
    EXPECT_EQ(kWidth, region.rects[0].right);
    EXPECT_EQ(kHeight, region.rects[0].bottom);
    backClipper->Release();
}

TEST_F(FrameworkTest, DepthBufferIsAttachedToTheRenderTarget) {
    ASSERT_EQ(S_OK, initWindowed());
    ASSERT_NE(nullptr, framework.GetZBuffer());
    EXPECT_EQ(framework.GetZBuffer(), attached(framework.GetRenderSurface(), DDSCAPS_ZBUFFER));
    EXPECT_TRUE(caps(framework.GetZBuffer()) & DDSCAPS_ZBUFFER);
}

TEST_F(FrameworkTest, WithoutTheDepthFlagNoDepthBufferIsMade) {
    ASSERT_EQ(S_OK, initWindowed(D3DFW_BACKBUFFER));
    EXPECT_EQ(nullptr, framework.GetZBuffer());
    EXPECT_EQ(nullptr, attached(framework.GetRenderSurface(), DDSCAPS_ZBUFFER));
    EXPECT_NE(nullptr, framework.GetD3DDevice());
}

TEST_F(FrameworkTest, WindowedWithoutBackBufferRendersIntoThePrimary) {
    ASSERT_EQ(S_OK, initWindowed(0));
    EXPECT_NE(nullptr, framework.GetD3DDevice());
    EXPECT_EQ(nullptr, framework.GetBackBuffer());
    EXPECT_EQ(framework.GetFrontBuffer(), framework.GetRenderSurface());
    EXPECT_TRUE(caps(framework.GetFrontBuffer()) & DDSCAPS_3DDEVICE);
    // The viewport rectangle is the window's part of the primary surface.
    const RECT& vp = framework.GetViewportRect();
    const RECT& sc = framework.GetScreenRect();
    EXPECT_EQ(sc.left, vp.left);
    EXPECT_EQ(sc.top, vp.top);
    EXPECT_EQ(sc.right, vp.right);
    EXPECT_EQ(sc.bottom, vp.bottom);
}

// The depth buffer has the window's size, the primary the desktop's; they
// cannot be attached.
TEST_F(FrameworkTest, WindowedPrimaryCannotTakeAWindowSizedDepthBuffer) {
    EXPECT_EQ(D3DFWERR_NOZBUFFER, initWindowed(D3DFW_ZBUFFER));
    expectEmpty();
}

TEST_F(FrameworkTest, ViewportCoversTheRenderSizeAndIsCurrent) {
    ASSERT_EQ(S_OK, initWindowed());
    D3DVIEWPORT2 vp{};
    vp.dwSize = sizeof(vp);
    ASSERT_EQ(D3D_OK, framework.GetViewport()->GetViewport2(&vp));
    EXPECT_EQ(0u, vp.dwX);
    EXPECT_EQ(0u, vp.dwY);
    EXPECT_EQ(DWORD(kWidth), vp.dwWidth);
    EXPECT_EQ(DWORD(kHeight), vp.dwHeight);
    EXPECT_FLOAT_EQ(-1.0f, vp.dvClipX);
    EXPECT_FLOAT_EQ(1.0f, vp.dvClipY);
    EXPECT_FLOAT_EQ(2.0f, vp.dvClipWidth);
    EXPECT_FLOAT_EQ(2.0f, vp.dvClipHeight);
    EXPECT_FLOAT_EQ(0.0f, vp.dvMinZ);
    EXPECT_FLOAT_EQ(1.0f, vp.dvMaxZ);
    IDirect3DViewport3* current = nullptr;
    ASSERT_EQ(D3D_OK, framework.GetD3DDevice()->GetCurrentViewport(&current));
    EXPECT_EQ(framework.GetViewport(), current);
    current->Release();
}

TEST_F(FrameworkTest, SoftwareDeviceUsesSystemMemoryHardwareDeviceVideoMemory) {
    ASSERT_EQ(S_OK, initWindowed(D3DFW_BACKBUFFER | D3DFW_ZBUFFER, &IID_IDirect3DRGBDevice));
    EXPECT_EQ(DWORD(DDSCAPS_SYSTEMMEMORY), framework.GetDeviceMemory());
    EXPECT_TRUE(caps(framework.GetZBuffer()) & DDSCAPS_SYSTEMMEMORY);
    EXPECT_NE(0u, framework.GetDeviceDescription().dwFlags);  // the software description
    framework.ReleaseObjects();

    ASSERT_EQ(S_OK, initWindowed(D3DFW_BACKBUFFER | D3DFW_ZBUFFER, &IID_IDirect3DHALDevice));
    EXPECT_EQ(DWORD(DDSCAPS_VIDEOMEMORY), framework.GetDeviceMemory());
    EXPECT_TRUE(caps(framework.GetZBuffer()) & DDSCAPS_VIDEOMEMORY);
    EXPECT_TRUE(framework.GetDeviceDescription().dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
}

TEST_F(FrameworkTest, WithoutDeviceOnlyDirectDrawObjectsAreMade) {
    ASSERT_EQ(S_OK, initWindowed(D3DFW_BACKBUFFER | D3DFW_ZBUFFER, nullptr));
    EXPECT_NE(nullptr, framework.GetDirectDraw());
    EXPECT_NE(nullptr, framework.GetFrontBuffer());
    EXPECT_NE(nullptr, framework.GetBackBuffer());
    EXPECT_EQ(nullptr, framework.GetDirect3D());
    EXPECT_EQ(nullptr, framework.GetD3DDevice());
    EXPECT_EQ(nullptr, framework.GetViewport());
    EXPECT_EQ(nullptr, framework.GetZBuffer());
}

TEST_F(FrameworkTest, FullscreenSetsTheModeAndMakesAFlippingChain) {
    ASSERT_EQ(S_OK, initFullscreen());
    EXPECT_TRUE(framework.IsFullscreen());
    auto args = lastArguments("IDirectDraw4::SetCooperativeLevel");
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ(ULONG_PTR(DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_FPUSETUP),
              args[1]);
    args = lastArguments("IDirectDraw4::SetDisplayMode");
    ASSERT_GE(args.size(), 5u);
    EXPECT_EQ(640u, args[0]);
    EXPECT_EQ(480u, args[1]);
    EXPECT_EQ(16u, args[2]);
    EXPECT_EQ(0u, args[4]);

    const DWORD front = caps(framework.GetFrontBuffer());
    EXPECT_TRUE(front & DDSCAPS_PRIMARYSURFACE);
    EXPECT_TRUE(front & DDSCAPS_3DDEVICE);
    EXPECT_TRUE(front & DDSCAPS_FLIP);
    ASSERT_NE(nullptr, framework.GetBackBuffer());
    EXPECT_EQ(framework.GetBackBuffer(), attached(framework.GetFrontBuffer(), DDSCAPS_BACKBUFFER));
    EXPECT_EQ(framework.GetBackBuffer(), framework.GetRenderSurface());
    EXPECT_EQ(framework.GetZBuffer(), attached(framework.GetBackBuffer(), DDSCAPS_ZBUFFER));

    const RECT& sc = framework.GetScreenRect();
    EXPECT_EQ(0, sc.left);
    EXPECT_EQ(640, sc.right);
    EXPECT_EQ(480, sc.bottom);
    EXPECT_EQ(640u, framework.GetRenderWidth());
    EXPECT_EQ(480u, framework.GetRenderHeight());
    const auto desktop = platform::testing::currentDesktopMode();
    EXPECT_EQ(640u, desktop.width);
    EXPECT_EQ(16u, desktop.bitsPerPixel);
}

TEST_F(FrameworkTest, FullscreenStandardVgaModeGetsTheVgaFlag) {
    useProfile("desktop_8bit.cfg");
    // No device: an 8-bit mode cannot take one, but DirectDraw can show it.
    ASSERT_EQ(S_OK,
              initFullscreen(D3DFW_FULLSCREEN | D3DFW_BACKBUFFER, nullptr, mode(320, 200, 8)));
    const auto args = lastArguments("IDirectDraw4::SetDisplayMode");
    ASSERT_GE(args.size(), 5u);
    EXPECT_EQ(320u, args[0]);
    EXPECT_EQ(200u, args[1]);
    EXPECT_EQ(8u, args[2]);
    EXPECT_EQ(ULONG_PTR(DDSDM_STANDARDVGAMODE), args[4]);
}

TEST_F(FrameworkTest, DefaultDevicePrefersSixteenBitDepth) {
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(16u, framework.GetDepthFormat().dwZBufferBitDepth);
    EXPECT_EQ(DWORD(DDPF_ZBUFFER), framework.GetDepthFormat().dwFlags);
}

TEST_F(FrameworkTest, SixteenBitDepthIsChosenWhereverItIsListed) {
    useProfile("depth_24_16_32.cfg");
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(16u, framework.GetDepthFormat().dwZBufferBitDepth);
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(pf);
    ASSERT_EQ(DD_OK, framework.GetZBuffer()->GetPixelFormat(&pf));
    EXPECT_EQ(16u, pf.dwZBufferBitDepth);
}

TEST_F(FrameworkTest, WithoutSixteenBitDepthTheLastMatchingFormatIsChosen) {
    useProfile("depth_24_32.cfg");
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(32u, framework.GetDepthFormat().dwZBufferBitDepth);
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(pf);
    ASSERT_EQ(DD_OK, framework.GetZBuffer()->GetPixelFormat(&pf));
    EXPECT_EQ(32u, pf.dwZBufferBitDepth);
}

TEST_F(FrameworkTest, StencilFlagTakesOnlyFormatsWithStencil) {
    useProfile("depth_stencil.cfg");
    ASSERT_EQ(S_OK, initWindowed(D3DFW_BACKBUFFER | D3DFW_ZBUFFER | D3DFW_STENCILBUFFER));
    EXPECT_EQ(DWORD(DDPF_ZBUFFER | DDPF_STENCILBUFFER), framework.GetDepthFormat().dwFlags);
    EXPECT_EQ(32u, framework.GetDepthFormat().dwZBufferBitDepth);
}

TEST_F(FrameworkTest, StencilFlagFailsWhenNoFormatHasStencil) {
    EXPECT_EQ(D3DFWERR_NOZBUFFER,
              initWindowed(D3DFW_BACKBUFFER | D3DFW_ZBUFFER | D3DFW_STENCILBUFFER));
    expectEmpty();
}

TEST_F(FrameworkTest, ZBufferlessDeviceGetsNoDepthBuffer) {
    useProfile("no_zbuffer_needed.cfg");
    testing::internal::CaptureStdout();
    const HRESULT result = initWindowed(D3DFW_BACKBUFFER | D3DFW_ZBUFFER, &IID_IDirect3DHALDevice);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(S_OK, result);
    EXPECT_EQ(nullptr, framework.GetZBuffer());
    EXPECT_NE(nullptr, framework.GetD3DDevice());
    EXPECT_EQ("the device supports z-bufferless hidden surface removal!\n", out);
}

TEST_F(FrameworkTest, EightBitDesktopFailsAfterTheSurfacesAndLeavesNothing) {
    useProfile("desktop_8bit.cfg");
    EXPECT_EQ(D3DFWERR_INVALIDMODE, initWindowed());
    EXPECT_GE(callCount("IDirectDraw4::CreateSurface"), 3u);  // front, back, depth
    EXPECT_EQ(0u, callCount("IDirect3D3::CreateDevice"));
    expectEmpty();
    EXPECT_TRUE(warnings().empty());
}

TEST_F(FrameworkTest, ReinitialisingAfterReleaseWorks) {
    ASSERT_EQ(S_OK, initWindowed());
    framework.ReleaseObjects();
    expectEmpty();
    ASSERT_EQ(S_OK, initFullscreen());
    EXPECT_NE(nullptr, framework.GetD3DDevice());
    framework.ReleaseObjects();
    EXPECT_TRUE(warnings().empty());
}
