// A DirectDraw object of a test's own, for tests that need plain surfaces
// without a device.
#pragma once

#include <ddraw.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

// A DirectDraw object of the test's own, making off-screen plain surfaces.
class DirectDrawObject {
public:
    DirectDrawObject() {
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        IDirectDraw* dd1 = nullptr;
        if (DirectDrawCreate(nullptr, &dd1, nullptr) == DD_OK) {
            dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd));
            dd1->Release();
        }
        EXPECT_TRUE(dd && dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL) == DD_OK);
    }
    ~DirectDrawObject() {
        if (dd)
            dd->Release();
    }
    DirectDrawObject(const DirectDrawObject&) = delete;
    DirectDrawObject& operator=(const DirectDrawObject&) = delete;

    IDirectDraw4* get() const { return dd; }

    // An off-screen plain surface; the caller releases it.
    IDirectDrawSurface4* create(DWORD width, DWORD height, const DDPIXELFORMAT& format) const {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = width;
        d.dwHeight = height;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        d.ddpfPixelFormat = format;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }

private:
    IDirectDraw4* dd = nullptr;
};
