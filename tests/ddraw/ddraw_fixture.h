// Shared set-up of the DirectDraw tests: the built-in profile, an active
// application and a DirectDraw object at the normal or exclusive level.
#pragma once

#include <ddraw.h>
#include <platform/testing.h>

#include "core/app_state.h"
#include "display/display_profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

inline std::string dataPath(const char* name) {
    // CTest runs the program in tests/ddraw.
    const char* root = std::getenv("D3DDRIVER_SOURCE_DIR");
    return (root ? std::string(root) + "/tests/ddraw/data/" : std::string("data/")) + name;
}

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::useDefaultDisplayProfile();
        platform::core::setAppActive(true);
        IDirectDraw* dd1 = nullptr;
        ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd1, nullptr));
        ASSERT_EQ(DD_OK, dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)));
        EXPECT_EQ(1u, dd1->Release());
    }
    void TearDown() override {
        if (dd) {
            EXPECT_EQ(0u, dd->Release());
        }
        platform::core::setAppActive(true);
    }

    void normal() { ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(window(), DDSCL_NORMAL)); }
    void exclusive() {
        ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(
                             window(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT));
    }
    static HWND window() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }

    IDirectDrawSurface4* create(DWORD w, DWORD h, DWORD caps, DWORD bits = 32) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = w;
        d.dwHeight = h;
        d.ddsCaps.dwCaps = caps;
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        d.ddpfPixelFormat.dwFlags = DDPF_RGB;
        d.ddpfPixelFormat.dwRGBBitCount = bits;
        if (bits == 16) {
            d.ddpfPixelFormat.dwRBitMask = 0xF800;
            d.ddpfPixelFormat.dwGBitMask = 0x07E0;
            d.ddpfPixelFormat.dwBBitMask = 0x001F;
        } else {
            d.ddpfPixelFormat.dwRBitMask = 0xFF0000;
            d.ddpfPixelFormat.dwGBitMask = 0xFF00;
            d.ddpfPixelFormat.dwBBitMask = 0xFF;
        }
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }

    static void fill(IDirectDrawSurface4* s, DWORD color, RECT* rect = nullptr) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = color;
        ASSERT_EQ(DD_OK, s->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    }

    static uint32_t pixel(IDirectDrawSurface4* s, int x, int y) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        s->GetSurfaceDesc(&d);
        return platform::testing::readSurfaceARGB(s).at(static_cast<size_t>(y) * d.dwWidth + x);
    }

    IDirectDraw4* dd = nullptr;
};
