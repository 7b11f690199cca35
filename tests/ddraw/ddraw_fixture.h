// Shared set-up of the DirectDraw tests: the built-in profile, an active
// application and a DirectDraw object; helpers that describe, make, fill and
// read surfaces.
#pragma once

#include <ddraw.h>
#include <platform/testing.h>

#include "core/app_state.h"
#include "display/display_profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

inline std::string dataPath(const char* name) {
    return std::string(D3DDRIVER_SOURCE_DIR) + "/tests/ddraw/data/" + name;
}

constexpr DWORD kPF = sizeof(DDPIXELFORMAT);
inline const DDPIXELFORMAT kR5G6B5{kPF, DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
inline const DDPIXELFORMAT kX8R8G8B8{kPF, DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};

// A description with the caps; the size and the pixel format where given.
inline DDSURFACEDESC2 surfaceDesc(DWORD caps, DWORD w = 0, DWORD h = 0, DDPIXELFORMAT f = {}) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags =
        DDSD_CAPS | (w ? DDSD_WIDTH | DDSD_HEIGHT : 0u) | (f.dwSize ? DDSD_PIXELFORMAT : 0u);
    d.dwWidth = w;
    d.dwHeight = h;
    d.ddsCaps.dwCaps = caps;
    d.ddpfPixelFormat = f;
    return d;
}
inline DDSURFACEDESC2 flipping(DDSURFACEDESC2 d, DWORD backBuffers) {
    d.dwFlags |= DDSD_BACKBUFFERCOUNT;
    d.dwBackBufferCount = backBuffers;
    d.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    return d;
}
class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!*profile)
            platform::testing::useDefaultDisplayProfile();
        else
            ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath(profile), &error)) << error;
        platform::core::setAppActive(true);
        dd = newDirectDraw(nullptr);
        ASSERT_NE(nullptr, dd);
        normal();  // tests of other levels change it
    }
    void TearDown() override {
        if (dd) {
            EXPECT_EQ(0u, dd->Release());
        }
        platform::core::setAppActive(true);
        platform::testing::useDefaultDisplayProfile();
    }

    // An IDirectDraw4 on the adapter of the GUID (null: the primary).
    static IDirectDraw4* newDirectDraw(GUID* guid) {
        IDirectDraw* dd1 = nullptr;
        IDirectDraw4* dd4 = nullptr;
        EXPECT_EQ(DD_OK, DirectDrawCreate(guid, &dd1, nullptr));
        if (dd1) {
            EXPECT_EQ(DD_OK, dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4)));
            EXPECT_EQ(1u, dd1->Release());
        }
        return dd4;
    }

    void normal() { ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(window(), DDSCL_NORMAL)); }
    void exclusive() {
        ASSERT_EQ(DD_OK, dd->SetCooperativeLevel(
                             window(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT));
    }
    static HWND window() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }

    IDirectDrawSurface4* make(DDSURFACEDESC2 d) {
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateSurface(&d, &s, nullptr));
        return s;
    }
    // What CreateSurface answers; a surface made anyway is released.
    HRESULT createResult(DDSURFACEDESC2 d) {
        IDirectDrawSurface4* s = nullptr;
        const HRESULT hr = dd->CreateSurface(&d, &s, nullptr);
        if (FAILED(hr)) {
            EXPECT_EQ(nullptr, s) << "a refused surface is handed out";
        }
        if (s)
            s->Release();
        return hr;
    }
    // A surface in R5G6B5 or X8R8G8B8.
    IDirectDrawSurface4* create(DWORD w, DWORD h, DWORD caps, DWORD bits = 32) {
        return make(surfaceDesc(caps, w, h, bits == 16 ? kR5G6B5 : kX8R8G8B8));
    }
    static IDirectDrawSurface4* attached(IDirectDrawSurface4* s, DWORD caps) {
        DDSCAPS2 c{caps, 0, 0, 0};
        IDirectDrawSurface4* found = nullptr;
        EXPECT_EQ(DD_OK, s->GetAttachedSurface(&c, &found));
        return found;
    }
    static DDSURFACEDESC2 descOf(IDirectDrawSurface4* s) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        EXPECT_EQ(DD_OK, s->GetSurfaceDesc(&d));
        return d;
    }
    // Releases each object made, expecting the last reference to go.
    static void releaseLast(std::initializer_list<IUnknown*> objects) {
        for (IUnknown* o : objects)
            EXPECT_EQ(0u, o ? o->Release() : 0u);
    }

    static DDBLTFX bltFx(DWORD fillColor = 0) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = fillColor;
        return fx;
    }
    static void fill(IDirectDrawSurface4* s, DWORD color, RECT* rect = nullptr) {
        DDBLTFX fx = bltFx(color);
        ASSERT_EQ(DD_OK, s->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    }
    static uint32_t pixel(IDirectDrawSurface4* s, int x, int y) {
        const size_t width = descOf(s).dwWidth;
        return platform::testing::readSurfaceARGB(s).at(static_cast<size_t>(y) * width + x);
    }
    // Pixels as characters, rows apart by a space: '.' black, R, G, B, W, M
    // and O for red, green, blue, white, magenta and orange; '?' others.
    static std::string picture(const std::vector<uint32_t>& argb, LONG width, const RECT& area) {
        static const std::pair<uint32_t, char> legend[] = {
            {0xFF000000, '.'}, {0xFFFF0000, 'R'}, {0xFF00FF00, 'G'}, {0xFF0000FF, 'B'},
            {0xFFFFFFFF, 'W'}, {0xFFFF00FF, 'M'}, {0xFFFF8000, 'O'}};
        std::string text;
        for (LONG y = area.top; y < area.bottom; ++y) {
            text += y > area.top ? " " : "";
            for (LONG x = area.left; x < area.right; ++x) {
                char c = '?';
                for (const auto& [value, name] : legend)
                    c = value == argb.at(size_t(y) * size_t(width) + size_t(x)) ? name : c;
                text += c;
            }
        }
        return text;
    }
    static std::string picture(IDirectDrawSurface4* s) {
        const DDSURFACEDESC2 d = descOf(s);
        const RECT all{0, 0, LONG(d.dwWidth), LONG(d.dwHeight)};
        return picture(platform::testing::readSurfaceARGB(s), all.right, all);
    }

    const char* profile = "";  // a file of tests/ddraw/data, or the built-in profile
    IDirectDraw4* dd = nullptr;
};
