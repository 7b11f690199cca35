// Depth surfaces as the device sees them: what a lock reads after drawing,
// and what a lock or a depth fill writes is what the device tests against.
#include "device_fixture.h"

#include <cmath>

namespace {

// Every format the profile's software device offers, in its order.
std::vector<DDPIXELFORMAT> offeredDepthFormats(IDirect3D3* d3d) {
    std::vector<DDPIXELFORMAT> formats;
    d3d->EnumZBufferFormats(
        IID_IDirect3DRGBDevice,
        [](DDPIXELFORMAT* f, void* list) -> HRESULT {
            static_cast<std::vector<DDPIXELFORMAT>*>(list)->push_back(*f);
            return D3DENUMRET_OK;
        },
        &formats);
    return formats;
}

DWORD zBits(const DDPIXELFORMAT& f) {
    DWORD n = 0;
    for (DWORD m = f.dwZBitMask; m; m >>= 1)
        n += m & 1u;
    return n;
}

}  // namespace

class DepthSurfaceTest : public DeviceTest, public ::testing::WithParamInterface<size_t> {
protected:
    DepthSurfaceTest() { profile_ = "depth_formats.cfg"; }

    // The device on a render target with the offered format GetParam() attached.
    void makeWithOffered() {
        const auto formats = offeredDepthFormats(d3d);
        ASSERT_EQ(5u, formats.size());
        format_ = formats[GetParam()];
        makeDevice(IID_IDirect3DRGBDevice, 0);
        zbuffer = surface(kWidth, kHeight, DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, format_);
        ASSERT_NE(nullptr, zbuffer);
        ASSERT_EQ(DD_OK, target->AddAttachedSurface(zbuffer));
        diffuseOnly();
    }

    DWORD quantized(float z) const {
        return static_cast<DWORD>(std::lround(double(z) * double(format_.dwZBitMask)));
    }

    // The raw word at (x, y) of the locked z-buffer.
    DWORD rawDepth(int x, int y) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        EXPECT_EQ(DD_OK, zbuffer->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
        DWORD v = 0;
        const BYTE* p = static_cast<const BYTE*>(d.lpSurface) + y * d.lPitch;
        if (d.ddpfPixelFormat.dwZBufferBitDepth == 16)
            v = reinterpret_cast<const uint16_t*>(p)[x];
        else
            v = reinterpret_cast<const uint32_t*>(p)[x];
        EXPECT_EQ(DD_OK, zbuffer->Unlock(nullptr));
        return v;
    }

    DDPIXELFORMAT format_{};
};

TEST_P(DepthSurfaceTest, LockReadsTheDepthTheDeviceWrote) {
    makeWithOffered();
    const DWORD stencil = format_.dwStencilBitMask;
    clear(0, 1.0f);
    ASSERT_EQ(D3D_OK, quad(0, 0, 16, 32, 0.25f, 0xFFFF0000));
    ASSERT_EQ(D3D_OK, quad(16, 0, 32, 32, 0.75f, 0xFF00FF00));
    EXPECT_EQ(quantized(0.25f), rawDepth(3, 5) & ~stencil) << zBits(format_) << " bits";
    EXPECT_EQ(quantized(0.75f), rawDepth(20, 5) & ~stencil);
}

TEST_P(DepthSurfaceTest, DepthWrittenThroughALockIsWhatTheDeviceTests) {
    makeWithOffered();
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    ASSERT_EQ(DD_OK, zbuffer->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    // Left half near (0.25), right half far (0.75); stencil bits set, which
    // depth writes must keep.
    const DWORD stencil = format_.dwStencilBitMask;
    for (DWORD y = 0; y < kHeight; ++y)
        for (DWORD x = 0; x < kWidth; ++x) {
            const DWORD v = quantized(x < kWidth / 2 ? 0.25f : 0.75f) | stencil;
            BYTE* p = static_cast<BYTE*>(d.lpSurface) + y * d.lPitch;
            if (format_.dwZBufferBitDepth == 16)
                reinterpret_cast<uint16_t*>(p)[x] = static_cast<uint16_t>(v);
            else
                reinterpret_cast<uint32_t*>(p)[x] = v;
        }
    ASSERT_EQ(DD_OK, zbuffer->Unlock(nullptr));
    ASSERT_EQ(D3D_OK, quad(0, 0, 32, 32, 0.5f, 0xFFFF0000));
    EXPECT_EQ(0u, rgb(4, 4));
    EXPECT_EQ(0xFF0000u, rgb(28, 4));
    EXPECT_EQ(quantized(0.25f) | stencil, rawDepth(4, 4));
    EXPECT_EQ(quantized(0.5f) | stencil, rawDepth(28, 4));
}

TEST_P(DepthSurfaceTest, DepthFillIsWhatTheDeviceTests) {
    makeWithOffered();
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillDepth = quantized(0.25f);
    RECT left{0, 0, 16, 32};
    ASSERT_EQ(DD_OK, zbuffer->Blt(&left, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx));
    fx.dwFillDepth = quantized(0.75f);
    RECT right{16, 0, 32, 32};
    ASSERT_EQ(DD_OK, zbuffer->Blt(&right, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx));
    EXPECT_EQ(quantized(0.25f), rawDepth(2, 2) & ~format_.dwStencilBitMask);
    ASSERT_EQ(D3D_OK, quad(0, 0, 32, 32, 0.5f, 0xFFFF0000));
    EXPECT_EQ(0u, rgb(4, 4));
    EXPECT_EQ(0xFF0000u, rgb(28, 4));
}

INSTANTIATE_TEST_SUITE_P(Offered, DepthSurfaceTest, ::testing::Range<size_t>(0, 5));
