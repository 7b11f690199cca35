// What Windows refuses: locks of rectangles that are not inside the surface,
// and descriptions CreateSurface cannot honour.
#include "ddraw_fixture.h"

namespace {

struct LockCase {
    const char* name;
    RECT rect;
};

class LockRectTest : public DirectDrawTest, public ::testing::WithParamInterface<LockCase> {};

struct DescCase {
    const char* name;
    DWORD extraFlags;
    DWORD caps;
    bool exclusive;
    HRESULT expected;
};

class BadDescTest : public DirectDrawTest, public ::testing::WithParamInterface<DescCase> {};

}  // namespace

TEST_P(LockRectTest, IsRefusedAndLeavesNoPointer) {
    IDirectDrawSurface4* s = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
    ASSERT_NE(nullptr, s);
    RECT r = GetParam().rect;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.lpSurface = &d;
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->Lock(&r, &d, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(nullptr, d.lpSurface);
    // The older face too.
    IDirectDrawSurface* s1 = nullptr;
    ASSERT_EQ(DD_OK, s->QueryInterface(IID_IDirectDrawSurface, reinterpret_cast<void**>(&s1)));
    DDSURFACEDESC d1{};
    d1.dwSize = sizeof(d1);
    d1.lpSurface = &d1;
    EXPECT_EQ(DDERR_INVALIDPARAMS, s1->Lock(&r, &d1, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(nullptr, d1.lpSurface);
    s1->Release();
    releaseLast({s});
}

INSTANTIATE_TEST_SUITE_P(Rects, LockRectTest,
                         ::testing::Values(LockCase{"LeftOfTheSurface", {-1, 0, 4, 4}},
                                           LockCase{"PastTheRightEdge", {4, 0, 9, 4}},
                                           LockCase{"PastTheBottom", {0, 4, 4, 9}},
                                           LockCase{"Empty", {2, 2, 2, 6}},
                                           LockCase{"Inverted", {6, 6, 2, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(BadDescTest, IsRefusedWithTheWindowsCode) {
    const DescCase& c = GetParam();
    if (c.exclusive) {
        ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(
                             window(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT));
    }
    const bool primary = c.caps & DDSCAPS_PRIMARYSURFACE;
    DDSURFACEDESC2 d = surfaceDesc(c.caps, primary ? 0 : 8, primary ? 0 : 8,
                                   primary ? DDPIXELFORMAT{} : kX8R8G8B8);
    d.dwFlags |= c.extraFlags;
    d.lPitch = 64;
    d.dwBackBufferCount = 1;
    EXPECT_EQ(c.expected, createResult(d));
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, BadDescTest,
    ::testing::Values(
        DescCase{"PitchWithoutMemory", DDSD_PITCH, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY,
                 false, DDERR_INVALIDPARAMS},
        DescCase{"MemoryWithPitch", DDSD_PITCH | DDSD_LPSURFACE,
                 DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, false, DDERR_INVALIDPARAMS},
        DescCase{"ComplexPrimaryWindowed", DDSD_BACKBUFFERCOUNT,
                 DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX, false, DDERR_NOEXCLUSIVEMODE},
        DescCase{"ComplexPrimaryMadeExclusive", DDSD_BACKBUFFERCOUNT,
                 DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX | DDSCAPS_FLIP, true, DD_OK}),
    [](const auto& info) { return std::string(info.param.name); });
