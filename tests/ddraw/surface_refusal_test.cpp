// What Windows refuses: locks of rectangles that are not inside the surface,
// and descriptions CreateSurface cannot honour.
#include "ddraw_fixture.h"

namespace {

using SurfaceRefusalTest = DirectDrawTest;

// Left of the surface, past the right edge, past the bottom, empty, inverted:
// refused through both faces, with no pointer left behind.
TEST_F(SurfaceRefusalTest, LockOfARectangleNotInsideIsRefusedAndLeavesNoPointer) {
    IDirectDrawSurface4* s = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
    IDirectDrawSurface* s1 = nullptr;
    ASSERT_EQ(DD_OK, s->QueryInterface(IID_IDirectDrawSurface, reinterpret_cast<void**>(&s1)));
    for (RECT r : {RECT{-1, 0, 4, 4}, RECT{4, 0, 9, 4}, RECT{0, 4, 4, 9}, RECT{2, 2, 2, 6},
                   RECT{6, 6, 2, 2}}) {
        SCOPED_TRACE(testing::Message() << r.left << "," << r.top << "," << r.right << ","
                                        << r.bottom);
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.lpSurface = &d;
        EXPECT_EQ(DDERR_INVALIDPARAMS, s->Lock(&r, &d, DDLOCK_WAIT, nullptr));
        EXPECT_EQ(nullptr, d.lpSurface);
        DDSURFACEDESC d1{};
        d1.dwSize = sizeof(d1);
        d1.lpSurface = &d1;
        EXPECT_EQ(DDERR_INVALIDPARAMS, s1->Lock(&r, &d1, DDLOCK_WAIT, nullptr));
        EXPECT_EQ(nullptr, d1.lpSurface);
    }
    s1->Release();
    releaseLast({s});
}

// A pitch without the program's memory, or with it at creation; a primary
// complex without flipping or flipping without being complex, in either
// cooperative level; a flipping primary outside exclusive mode, and made in it.
TEST_F(SurfaceRefusalTest, BadDescriptionsGetTheWindowsCode) {
    const DWORD system = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    const DWORD primary = DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX;
    const DWORD flipOnly = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP;
    const struct {
        DWORD extraFlags, caps;
        bool exclusive;
        HRESULT expected;
    } cases[] = {{DDSD_PITCH, system, false, DDERR_INVALIDPARAMS},
                 {DDSD_PITCH | DDSD_LPSURFACE, system, false, DDERR_INVALIDPARAMS},
                 {DDSD_BACKBUFFERCOUNT, primary, false, DDERR_INVALIDCAPS},
                 {DDSD_BACKBUFFERCOUNT, flipOnly, false, DDERR_INVALIDCAPS},
                 {DDSD_BACKBUFFERCOUNT, primary | DDSCAPS_FLIP, false, DDERR_NOEXCLUSIVEMODE},
                 {DDSD_BACKBUFFERCOUNT, primary, true, DDERR_INVALIDCAPS},
                 {DDSD_BACKBUFFERCOUNT, flipOnly, true, DDERR_INVALIDCAPS},
                 {DDSD_BACKBUFFERCOUNT, primary | DDSCAPS_FLIP, true, DD_OK}};
    for (const auto& c : cases) {
        if (c.exclusive)
            exclusive();
        const bool isPrimary = c.caps & DDSCAPS_PRIMARYSURFACE;
        DDSURFACEDESC2 d = surfaceDesc(c.caps, isPrimary ? 0 : 8, isPrimary ? 0 : 8,
                                       isPrimary ? DDPIXELFORMAT{} : kX8R8G8B8);
        d.dwFlags |= c.extraFlags;
        d.lPitch = 64;
        d.dwBackBufferCount = 1;
        EXPECT_EQ(c.expected, createResult(d)) << std::hex << c.extraFlags << " " << c.caps;
    }
}

}  // namespace
