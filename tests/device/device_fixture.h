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

constexpr DWORD kFormatSize = sizeof(DDPIXELFORMAT);
inline const DDPIXELFORMAT kXRGB{kFormatSize, DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
inline const DDPIXELFORMAT kARGB{
    kFormatSize, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};

class DeviceTest : public ::testing::Test {
protected:
    static constexpr DWORD kWidth = 32, kHeight = 32;

    void SetUp() override {
        // Three rasteriser threads (bands split unevenly even on two cores)
        // unless the run asks for a count: ctest runs these tests again on
        // the one-thread path.
        platform::testing::setRasterThreads(std::getenv("D3DDRIVER_RASTER_THREADS") ? 0 : 3);
        if (profile_.empty())
            platform::testing::useDefaultDisplayProfile();
        else
            ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath(profile_.c_str())));
        platform::core::setAppActive(true);
        IDirectDraw* dd1 = nullptr;
        ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd1, nullptr));
        ASSERT_EQ(DD_OK, dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)));
        dd1->Release();
        ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234), DDSCL_NORMAL));
        ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)));
    }

    void TearDown() override {
        if (viewport)
            viewport->Release();
        if (device) {
            EXPECT_EQ(0u, device->Release());
        }
        if (zbuffer)
            zbuffer->Release();
        if (target) {
            EXPECT_EQ(0u, target->Release());
        }
        if (d3d) {
            EXPECT_EQ(1u, d3d->Release());  // the DirectDraw object's reference remains
        }
        if (dd) {
            EXPECT_EQ(0u, dd->Release());
        }
        platform::testing::useDefaultDisplayProfile();
    }

    static std::string dataPath(const char* name) {
        return std::string(D3DDRIVER_SOURCE_DIR) + "/tests/device/data/" + name;
    }

    // A 3D surface of the given format with a z-buffer of zbits attached (0:
    // none), a device on it, culling off and a clear to black.
    void makeDevice(const GUID& guid = IID_IDirect3DRGBDevice, DWORD zbits = 16,
                    DDPIXELFORMAT format = kXRGB) {
        target = surface(kWidth, kHeight,
                         DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY, format);
        ASSERT_NE(nullptr, target);
        if (zbits) {
            const DWORD mask = zbits == 32 ? 0xFFFFFFFFu : ((1u << zbits) - 1u);
            const DDPIXELFORMAT z{kFormatSize, DDPF_ZBUFFER, 0, zbits, 0, mask, 0, 0};
            zbuffer = surface(kWidth, kHeight, DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, z);
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
        return {sizeof(D3DVIEWPORT2), 0, 0, kWidth, kHeight, -1.0f, 1.0f, 2.0f, 2.0f, 0.0f, 1.0f};
    }

    // A surface CreateSurface makes, or refuses with `refusal`.
    IDirectDrawSurface4* surface(DWORD w, DWORD h, DWORD caps, const DDPIXELFORMAT& format,
                                 DWORD mipCount = 0, HRESULT refusal = DD_OK) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT |
                    (mipCount ? DDSD_MIPMAPCOUNT : 0u);
        d.dwWidth = w;
        d.dwHeight = h;
        d.ddsCaps.dwCaps = caps;
        d.ddpfPixelFormat = format;
        d.dwMipMapCount = mipCount;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(refusal, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }

    // A 32-bit ARGB texture of w x h texels, row by row.
    IDirectDrawSurface4* texture(DWORD w, DWORD h, const std::vector<DWORD>& texels) {
        IDirectDrawSurface4* s = surface(w, h, DDSCAPS_TEXTURE, kARGB);
        if (s)
            write(s, texels);
        return s;
    }
    static IDirect3DTexture2* textureOf(IDirectDrawSurface4* s) {
        IDirect3DTexture2* t = nullptr;
        EXPECT_EQ(DD_OK, s->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&t)));
        return t;
    }
    // Binds the texture of the surface to the stage, or none.
    void bind(IDirectDrawSurface4* s, DWORD stage = 0) {
        IDirect3DTexture2* t = s ? textureOf(s) : nullptr;
        ASSERT_EQ(D3D_OK, device->SetTexture(stage, t));
        if (t)
            t->Release();  // the device holds its own reference
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
        D3DRECT all{0, 0, LONG(kWidth), LONG(kHeight)};
        ASSERT_EQ(D3D_OK,
                  viewport->Clear2(1, &all, D3DCLEAR_TARGET | (zbuffer ? D3DCLEAR_ZBUFFER : 0u),
                                   color, z, 0));
    }

    // Stage 0 passes the diffuse colour on.
    void diffuseOnly() {
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }

    // A screen-aligned quad from (x0, y0) to (x1, y1) as a fan of two
    // triangles, u and v from 0 to 1, black specular of alpha 255 (no fog).
    HRESULT quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR diffuse) {
        const D3DCOLOR specular = 0xFF000000;
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

// A software device with two blend stages, few operations and blend factors.
class TwoStageTest : public DeviceTest {
protected:
    TwoStageTest() { profile_ = "two_stage.cfg"; }
};

inline int channel(uint32_t c, int shift) {
    return static_cast<int>((c >> shift) & 0xFF);
}

#define EXPECT_RGB_NEAR(expected, actual, tol)                     \
    do {                                                           \
        const uint32_t e_ = (expected), a_ = (actual);             \
        for (int s_ = 0; s_ <= 16; s_ += 8)                        \
            EXPECT_NEAR(channel(e_, s_), channel(a_, s_), tol)     \
                << std::hex << "expected " << e_ << " got " << a_; \
    } while (0)
