// Presenting frames, showing the GDI surface, restoring lost surfaces,
// moving the frame, and the leak report of ReleaseObjects.
#include "framework_fixture.h"

using platform::testing::callCount;
using platform::testing::lastArguments;
using platform::testing::readSurfaceARGB;

TEST_F(FrameworkTest, PresentWithoutFrontBufferIsRefused) {
    EXPECT_EQ(D3DFWERR_NOTINITIALIZED, framework.PresentFrame());
}

TEST_F(FrameworkTest, WindowedPresentBlitsTheBackBufferIntoTheWindow) {
    ASSERT_EQ(S_OK, initWindowed());
    fill(framework.GetFrontBuffer(), 0);
    fill(framework.GetBackBuffer(), 0x00FF8000);
    const unsigned blits = callCount("IDirectDrawSurface4::Blt");
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    EXPECT_EQ(blits + 1, callCount("IDirectDrawSurface4::Blt"));
    EXPECT_EQ(0u, callCount("IDirectDrawSurface4::Flip"));
    const auto args = lastArguments("IDirectDrawSurface4::Blt");
    ASSERT_GE(args.size(), 4u);
    EXPECT_EQ(ULONG_PTR(DDBLT_WAIT), args[3] & DDBLT_WAIT);

    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    ASSERT_EQ(DD_OK, framework.GetFrontBuffer()->GetSurfaceDesc(&d));
    const auto front = readSurfaceARGB(framework.GetFrontBuffer());
    ASSERT_EQ(size_t(d.dwWidth) * d.dwHeight, front.size());
    const RECT& sc = framework.GetScreenRect();
    auto at = [&](LONG x, LONG y) { return front[size_t(y) * d.dwWidth + size_t(x)] & 0xFFFFFF; };
    EXPECT_EQ(0xFF8000u, at(sc.left, sc.top));
    EXPECT_EQ(0xFF8000u, at(sc.right - 1, sc.bottom - 1));
    EXPECT_EQ(0u, at(sc.right, sc.bottom));  // outside the window: untouched
}

TEST_F(FrameworkTest, WindowedPresentWithoutBackBufferCopiesNothing) {
    ASSERT_EQ(S_OK, initWindowed(0));
    const unsigned blits = callCount("IDirectDrawSurface4::Blt");
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    EXPECT_EQ(blits, callCount("IDirectDrawSurface4::Blt"));
    EXPECT_EQ(0u, callCount("IDirectDrawSurface4::Flip"));
}

TEST_F(FrameworkTest, PresentWithoutBackBufferReportsALostFront) {
    ASSERT_EQ(S_OK, initFullscreen(D3DFW_FULLSCREEN | D3DFW_ZBUFFER));
    platform::testing::deactivateApplication();
    EXPECT_EQ(DDERR_SURFACELOST, framework.PresentFrame());
}

TEST_F(FrameworkTest, FullscreenPresentFlips) {
    ASSERT_EQ(S_OK, initFullscreen());
    fill(framework.GetFrontBuffer(), 0);
    fill(framework.GetBackBuffer(), 0x07E0);  // green in the 16-bit 565 mode
    EXPECT_EQ(DD_OK, framework.PresentFrame());
    EXPECT_EQ(1u, callCount("IDirectDrawSurface4::Flip"));
    const auto args = lastArguments("IDirectDrawSurface4::Flip");
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ(ULONG_PTR(DDFLIP_WAIT), args[1]);
    // What was drawn is now in front.
    EXPECT_EQ(0x00FF00u, readSurfaceARGB(framework.GetFrontBuffer()).at(0) & 0xFFFFFF);
}

TEST_F(FrameworkTest, PresentReportsLostSurfaces) {
    ASSERT_EQ(S_OK, initFullscreen());
    platform::testing::deactivateApplication();
    EXPECT_EQ(DDERR_SURFACELOST, framework.PresentFrame());
}

TEST_F(FrameworkTest, RestoreSurfacesAfterATaskSwitch) {
    ASSERT_EQ(S_OK, initFullscreen());
    platform::testing::simulateTaskSwitch();
    ASSERT_EQ(DDERR_SURFACELOST, framework.GetFrontBuffer()->IsLost());
    ASSERT_EQ(DDERR_SURFACELOST, framework.GetZBuffer()->IsLost());
    EXPECT_EQ(S_OK, framework.RestoreSurfaces());
    EXPECT_EQ(DD_OK, framework.GetFrontBuffer()->IsLost());
    EXPECT_EQ(DD_OK, framework.GetBackBuffer()->IsLost());
    EXPECT_EQ(DD_OK, framework.GetZBuffer()->IsLost());
    EXPECT_GE(callCount("IDirectDrawSurface4::Restore"), 2u);  // the chain and the depth buffer
    EXPECT_EQ(DD_OK, framework.PresentFrame());
}

TEST_F(FrameworkTest, RestoreSurfacesLeavesSurfacesThatAreNotLost) {
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(S_OK, framework.RestoreSurfaces());
    EXPECT_EQ(0u, callCount("IDirectDrawSurface4::Restore"));
}

TEST_F(FrameworkTest, RestoreSurfacesOnAnEmptyFrameworkDoesNothing) {
    EXPECT_EQ(S_OK, framework.RestoreSurfaces());
    EXPECT_EQ(0u, callCount("IDirectDrawSurface4::IsLost"));
}

TEST_F(FrameworkTest, ShowGdiSurfaceFlipsToGdiInFullscreen) {
    ASSERT_EQ(S_OK, initFullscreen());
    EXPECT_EQ(S_OK, framework.ShowGdiSurface(TRUE));
    EXPECT_EQ(1u, callCount("IDirectDraw4::FlipToGDISurface"));
    EXPECT_EQ(1u, callCount("DrawMenuBar"));
    EXPECT_EQ(1u, callCount("RedrawWindow"));
    const auto args = lastArguments("RedrawWindow");
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(hWnd), args[0]);
    EXPECT_EQ(ULONG_PTR(RDW_FRAME), args[1] & RDW_FRAME);
}

TEST_F(FrameworkTest, ShowGdiSurfaceWithoutFrameRedrawLeavesTheWindow) {
    ASSERT_EQ(S_OK, initFullscreen());
    EXPECT_EQ(S_OK, framework.ShowGdiSurface(FALSE));
    EXPECT_EQ(1u, callCount("IDirectDraw4::FlipToGDISurface"));
    EXPECT_EQ(0u, callCount("DrawMenuBar"));
}

TEST_F(FrameworkTest, ShowGdiSurfaceInAWindowDoesNothing) {
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(S_OK, framework.ShowGdiSurface(TRUE));
    EXPECT_EQ(0u, callCount("IDirectDraw4::FlipToGDISurface"));
    EXPECT_EQ(0u, callCount("DrawMenuBar"));
}

TEST_F(FrameworkTest, MoveFrameMovesTheScreenRectangleInAWindow) {
    ASSERT_EQ(S_OK, initWindowed());
    framework.MoveFrame(200, 120);
    const RECT& sc = framework.GetScreenRect();
    EXPECT_EQ(200, sc.left);
    EXPECT_EQ(120, sc.top);
    EXPECT_EQ(200 + kWidth, sc.right);
    EXPECT_EQ(120 + kHeight, sc.bottom);
    // The back buffer is drawn at its own origin still.
    EXPECT_EQ(0, framework.GetViewportRect().left);
    EXPECT_EQ(kWidth, framework.GetViewportRect().right);
}

TEST_F(FrameworkTest, MoveFrameWithoutBackBufferMovesTheViewportToo) {
    ASSERT_EQ(S_OK, initWindowed(0));
    framework.MoveFrame(10, 20);
    EXPECT_EQ(10, framework.GetViewportRect().left);
    EXPECT_EQ(20, framework.GetViewportRect().top);
    EXPECT_EQ(10 + kWidth, framework.GetViewportRect().right);
    EXPECT_EQ(20 + kHeight, framework.GetViewportRect().bottom);
}

TEST_F(FrameworkTest, MoveFrameInFullscreenChangesNothing) {
    ASSERT_EQ(S_OK, initFullscreen());
    framework.MoveFrame(10, 20);
    EXPECT_EQ(0, framework.GetScreenRect().left);
    EXPECT_EQ(640, framework.GetScreenRect().right);
    EXPECT_EQ(0, framework.GetViewportRect().top);
}

TEST_F(FrameworkTest, ReleaseEmptiesTheFrameworkWithoutWarnings) {
    ASSERT_EQ(S_OK, initWindowed());
    EXPECT_EQ(S_OK, framework.ReleaseObjects());
    expectEmpty();
    EXPECT_TRUE(warnings().empty());
    EXPECT_EQ(1u, callCount("IDirect3DDevice3::DeleteViewport"));
    EXPECT_GE(callCount("IDirectDrawSurface4::DeleteAttachedSurface"), 1u);
}

TEST_F(FrameworkTest, FullscreenReleaseWarnsOfNothing) {
    ASSERT_EQ(S_OK, initFullscreen());
    EXPECT_EQ(S_OK, framework.ReleaseObjects());
    expectEmpty();
    EXPECT_TRUE(warnings().empty()) << warnings().front();
}

TEST_F(FrameworkTest, ReleaseWarnsOfOutsideDirect3DReferences) {
    ASSERT_EQ(S_OK, initWindowed());
    IDirect3D3* const d3d = framework.GetDirect3D();
    d3d->AddRef();
    d3d->AddRef();
    records.clear();
    framework.ReleaseObjects();

    ASSERT_FALSE(records.empty());
    const debug::Record& r = records.front();
    EXPECT_EQ("Direct3D has 2 unresolved references", r.text);
    EXPECT_EQ(debug::Message::Kind::Warning, r.kind);
    EXPECT_FLOAT_EQ(1.0f, r.level);
    EXPECT_EQ("Driver", r.filter);
    EXPECT_EQ("3d/driver/d3d/d3dframe/d3dframe", r.context.path);
    EXPECT_GT(r.context.line, 0);

    d3d->Release();
    d3d->Release();
}
