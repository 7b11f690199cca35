// Depth surfaces of every offered format: a lock reads the depth the device
// wrote, and what a lock or a depth fill writes is what the device tests.
#include "device_fixture.h"

#include <cmath>

class DepthSurfaceTest : public DeviceTest, public ::testing::WithParamInterface<size_t> {
protected:
    DepthSurfaceTest() { profile_ = "depth_formats.cfg"; }
};

TEST_P(DepthSurfaceTest, LockAndDepthFillShareTheDeviceDepth) {
    std::vector<DDPIXELFORMAT> offered;
    d3d->EnumZBufferFormats(
        IID_IDirect3DRGBDevice,
        [](DDPIXELFORMAT* f, void* list) -> HRESULT {
            static_cast<std::vector<DDPIXELFORMAT>*>(list)->push_back(*f);
            return D3DENUMRET_OK;
        },
        &offered);
    ASSERT_EQ(5u, offered.size());
    const DDPIXELFORMAT f = offered[GetParam()];
    makeDevice(IID_IDirect3DRGBDevice, 0);
    zbuffer = surface(kWidth, kHeight, DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, f);
    ASSERT_EQ(DD_OK, target->AddAttachedSurface(zbuffer));
    diffuseOnly();
    const DWORD stencil = f.dwStencilBitMask;
    const size_t bytes = f.dwZBufferBitDepth == 16 ? 2 : 4;
    auto q = [&](double z) { return static_cast<DWORD>(std::lround(z * f.dwZBitMask)); };

    // Columns 0-7 filled near, 8-15 far; 16-23 near and 24-31 far through a
    // lock, with the stencil bits set, which depth writes must keep.
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    for (LONG x : {0, 8}) {
        RECT r{x, 0, x + 8, LONG(kHeight)};
        fx.dwFillDepth = q(x ? 0.75 : 0.25);
        ASSERT_EQ(DD_OK, zbuffer->Blt(&r, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx));
    }
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    auto at = [&](int x, int y) {
        return static_cast<BYTE*>(d.lpSurface) + y * d.lPitch + x * bytes;
    };
    ASSERT_EQ(DD_OK, zbuffer->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    for (int y = 0; y < int(kHeight); ++y)
        for (int x = 16; x < 32; ++x) {
            const DWORD v = q(x < 24 ? 0.25 : 0.75) | stencil;
            std::memcpy(at(x, y), &v, bytes);
        }
    ASSERT_EQ(DD_OK, zbuffer->Unlock(nullptr));

    ASSERT_EQ(D3D_OK, quad(0, 0, 32, 32, 0.5f, 0xFFFF0000));
    EXPECT_EQ(0u, rgb(4, 4));
    EXPECT_EQ(0xFF0000u, rgb(12, 4));
    EXPECT_EQ(0u, rgb(20, 4));
    EXPECT_EQ(0xFF0000u, rgb(28, 4));
    ASSERT_EQ(DD_OK, zbuffer->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    auto get = [&](int x) {
        DWORD v = 0;
        std::memcpy(&v, at(x, 4), bytes);
        return v;
    };
    EXPECT_EQ(q(0.25), get(4) & ~stencil);
    EXPECT_EQ(q(0.5), get(12) & ~stencil);
    EXPECT_EQ(q(0.25) | stencil, get(20));
    EXPECT_EQ(q(0.5) | stencil, get(28));
    ASSERT_EQ(DD_OK, zbuffer->Unlock(nullptr));

    // A stencil clear of the left half sets the stencil bits to the value
    // (cut to their width) and keeps the depth; without stencil bits it is refused.
    D3DRECT left{0, 0, 16, LONG(kHeight)};
    const HRESULT cleared = viewport->Clear2(1, &left, D3DCLEAR_STENCIL, 0, 0.0f, 0x1FF);
    if (!stencil) {
        EXPECT_EQ(D3DERR_STENCILBUFFER_NOTPRESENT, cleared);
        return;
    }
    ASSERT_EQ(D3D_OK, cleared);
    ASSERT_EQ(DD_OK, zbuffer->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    const DWORD shift = __builtin_ctz(stencil);
    EXPECT_EQ(q(0.25) | ((0x1FFu << shift) & stencil), get(4));
    EXPECT_EQ(q(0.5) | ((0x1FFu << shift) & stencil), get(12));
    EXPECT_EQ(q(0.25) | stencil, get(20));
    ASSERT_EQ(DD_OK, zbuffer->Unlock(nullptr));
}

// 16, 15 + 1 stencil, 24, 32, 24 + 8 stencil bits.
INSTANTIATE_TEST_SUITE_P(Offered, DepthSurfaceTest, ::testing::Range<size_t>(0, 5));
