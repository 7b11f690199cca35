// Shared set-up of the device tests: DirectDraw, IDirect3D3 through
// QueryInterface, an off-screen 3D surface with an attached z-buffer, a
// device on it and a full-surface viewport; helpers for vertices and pixels.
#pragma once

#include <d3d.h>
#include <platform/testing.h>

#include "core/app_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct TLVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse, specular;
    float u, v;
};
constexpr DWORD kTLFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

inline std::string deviceDataPath(const char* name) {
    const char* root = std::getenv("D3DDRIVER_SOURCE_DIR");
    return (root ? std::string(root) + "/tests/device/data/" : std::string("data/")) + name;
}

inline DDPIXELFORMAT rgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a = 0) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(f);
    f.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0u);
    f.dwRGBBitCount = bits;
    f.dwRBitMask = r;
    f.dwGBitMask = g;
    f.dwBBitMask = b;
    f.dwRGBAlphaBitMask = a;
    return f;
}

class DeviceTest : public ::testing::Test {
protected:
    static constexpr DWORD kWidth = 32, kHeight = 32;

    void SetUp() override {
        if (!profile_.empty())
            ASSERT_TRUE(platform::testing::loadDisplayProfile(deviceDataPath(profile_.c_str())));
        else
            platform::testing::useDefaultDisplayProfile();
        platform::core::setAppActive(true);
        IDirectDraw* dd1 = nullptr;
        ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd1, nullptr));
        ASSERT_EQ(DD_OK, dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)));
        dd1->Release();
        ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234), DDSCL_NORMAL));
        ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)));
    }

    void TearDown() override {
        releaseDevice();
        if (d3d) {
            EXPECT_EQ(1u, d3d->Release());  // the DirectDraw object's reference remains
        }
        if (dd) {
            EXPECT_EQ(0u, dd->Release());
        }
        platform::testing::useDefaultDisplayProfile();
    }

    // A 3D surface of the given format with a z-buffer of zbits attached (0: none).
    void makeDevice(const GUID& guid = IID_IDirect3DRGBDevice, DWORD zbits = 16,
                    DDPIXELFORMAT format = rgbFormat(32, 0xFF0000, 0xFF00, 0xFF)) {
        target = surface(kWidth, kHeight, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE |
                                              DDSCAPS_VIDEOMEMORY, format);
        ASSERT_NE(nullptr, target);
        if (zbits) {
            DDSURFACEDESC2 d{};
            d.dwSize = sizeof(d);
            d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
            d.dwWidth = kWidth;
            d.dwHeight = kHeight;
            d.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
            d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
            d.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
            d.ddpfPixelFormat.dwZBufferBitDepth = zbits;
            d.ddpfPixelFormat.dwZBitMask = zbits == 32 ? 0xFFFFFFFFu : ((1u << zbits) - 1u);
            ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &zbuffer, nullptr));
            ASSERT_EQ(DD_OK, target->AddAttachedSurface(zbuffer));
        }
        ASSERT_EQ(D3D_OK, d3d->CreateDevice(guid, target, &device, nullptr));
        ASSERT_EQ(D3D_OK, d3d->CreateViewport(&viewport, nullptr));
        ASSERT_EQ(D3D_OK, device->AddViewport(viewport));
        D3DVIEWPORT2 v = fullViewport();
        ASSERT_EQ(D3D_OK, viewport->SetViewport2(&v));
        ASSERT_EQ(D3D_OK, device->SetCurrentViewport(viewport));
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        clear(0, 1.0f);
    }

    static D3DVIEWPORT2 fullViewport() {
        D3DVIEWPORT2 v{};
        v.dwSize = sizeof(v);
        v.dwWidth = kWidth;
        v.dwHeight = kHeight;
        v.dvClipX = -1.0f;
        v.dvClipY = 1.0f;
        v.dvClipWidth = 2.0f;
        v.dvClipHeight = 2.0f;
        v.dvMinZ = 0.0f;
        v.dvMaxZ = 1.0f;
        return v;
    }

    void releaseDevice() {
        if (viewport) {
            viewport->Release();
            viewport = nullptr;
        }
        if (device) {
            EXPECT_EQ(0u, device->Release());
            device = nullptr;
        }
        if (zbuffer) {
            zbuffer->Release();
            zbuffer = nullptr;
        }
        if (target) {
            EXPECT_EQ(0u, target->Release());
            target = nullptr;
        }
    }

    IDirectDrawSurface4* surface(DWORD w, DWORD h, DWORD caps, const DDPIXELFORMAT& format,
                                 DWORD mipCount = 0) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = w;
        d.dwHeight = h;
        d.ddsCaps.dwCaps = caps;
        d.ddpfPixelFormat = format;
        if (mipCount) {
            d.dwFlags |= DDSD_MIPMAPCOUNT;
            d.dwMipMapCount = mipCount;
        }
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }

    // A 32-bit ARGB texture of w x h texels, row by row.
    IDirectDrawSurface4* texture(DWORD w, DWORD h, const std::vector<DWORD>& texels) {
        IDirectDrawSurface4* s = surface(w, h, DDSCAPS_TEXTURE,
                                         rgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
        if (s)
            write(s, texels);
        return s;
    }

    static void write(IDirectDrawSurface4* s, const std::vector<DWORD>& texels) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
        for (DWORD y = 0; y < d.dwHeight; ++y)
            std::memcpy(static_cast<BYTE*>(d.lpSurface) + y * d.lPitch, &texels[y * d.dwWidth],
                        d.dwWidth * 4);
        ASSERT_EQ(DD_OK, s->Unlock(nullptr));
    }

    void clear(D3DCOLOR color, float z) {
        ASSERT_EQ(D3D_OK, viewport->Clear2(0, nullptr,
                                           D3DCLEAR_TARGET | (zbuffer ? D3DCLEAR_ZBUFFER : 0u),
                                           color, z, 0));
    }

    // A screen-aligned quad from (x0, y0) to (x1, y1) as a fan of two triangles.
    HRESULT quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR diffuse,
                 D3DCOLOR specular = 0xFF000000) {
        TLVertex v[4] = {{x0, y0, z, 1.0f, diffuse, specular, 0.0f, 0.0f},
                         {x1, y0, z, 1.0f, diffuse, specular, 1.0f, 0.0f},
                         {x1, y1, z, 1.0f, diffuse, specular, 1.0f, 1.0f},
                         {x0, y1, z, 1.0f, diffuse, specular, 0.0f, 1.0f}};
        return device->DrawPrimitive(D3DPT_TRIANGLEFAN, kTLFormat, v, 4, 0);
    }

    std::vector<uint32_t> pixels() { return platform::testing::readSurfaceARGB(target); }
    uint32_t rgb(int x, int y) { return pixels()[y * kWidth + x] & 0xFFFFFF; }

    std::string profile_;
    IDirectDraw4* dd = nullptr;
    IDirect3D3* d3d = nullptr;
    IDirectDrawSurface4* target = nullptr;
    IDirectDrawSurface4* zbuffer = nullptr;
    IDirect3DDevice3* device = nullptr;
    IDirect3DViewport3* viewport = nullptr;
};

inline int channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

#define EXPECT_RGB_NEAR(expected, actual, tol)                                 \
    do {                                                                       \
        const uint32_t e_ = (expected), a_ = (actual);                         \
        for (int s_ = 0; s_ <= 16; s_ += 8)                                    \
            EXPECT_NEAR(channel(e_, s_), channel(a_, s_), tol)                 \
                << std::hex << "expected " << e_ << " got " << a_;             \
    } while (0)
