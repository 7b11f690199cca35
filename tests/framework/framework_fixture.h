// Shared set-up of the framework tests: an active application with a render
// window on the real platform, a chosen display profile, and the warnings the
// driver sends, captured.
#pragma once

#include "d3dframe/d3dframe.h"

#include <engine/debug.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string frameworkData(const char* name) {
    return std::string(D3DDRIVER_SOURCE_DIR) + "/tests/framework/data/" + name;
}

class FrameworkTest : public ::testing::Test {
protected:
    static constexpr int kLeft = 100, kTop = 50, kWidth = 64, kHeight = 48;

    void SetUp() override {
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        platform::testing::resetCallCounts();
        debug::System::setSink([this](const debug::Record& r) { records.push_back(r); });
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "FrameworkTest";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        hWnd = CreateWindowExA(0, "FrameworkTest", "Render Window", WS_POPUP | WS_VISIBLE, kLeft,
                               kTop, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hWnd);
    }

    void TearDown() override {
        framework.ReleaseObjects();
        if (hWnd)
            DestroyWindow(hWnd);
        platform::testing::clearInjectedFailures();
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        debug::System::setSink(nullptr);
    }

    void useProfile(const char* name) {
        std::string error;
        ASSERT_TRUE(platform::testing::loadDisplayProfile(frameworkData(name), &error)) << error;
    }

    static DDSURFACEDESC2 mode(DWORD width, DWORD height, DWORD bits) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
        d.dwWidth = width;
        d.dwHeight = height;
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        d.ddpfPixelFormat.dwFlags = DDPF_RGB;
        d.ddpfPixelFormat.dwRGBBitCount = bits;
        return d;
    }

    HRESULT initWindowed(DWORD flags = D3DFW_BACKBUFFER | D3DFW_ZBUFFER,
                         const GUID* device = &IID_IDirect3DRGBDevice) {
        return framework.InitializeFramework(hWnd, nullptr, device, nullptr, flags);
    }

    HRESULT initFullscreen(DWORD flags = D3DFW_FULLSCREEN | D3DFW_BACKBUFFER | D3DFW_ZBUFFER,
                           const GUID* device = &IID_IDirect3DHALDevice,
                           DDSURFACEDESC2 m = mode(640, 480, 16)) {
        return framework.InitializeFramework(hWnd, nullptr, device, &m, flags);
    }

    // Every interface the framework can hold is gone (the render target
    // pointer is deliberately left stale and is not checked here).
    void expectEmpty() const {
        EXPECT_EQ(nullptr, framework.GetDirectDraw());
        EXPECT_EQ(nullptr, framework.GetDirect3D());
        EXPECT_EQ(nullptr, framework.GetD3DDevice());
        EXPECT_EQ(nullptr, framework.GetViewport());
        EXPECT_EQ(nullptr, framework.GetFrontBuffer());
        EXPECT_EQ(nullptr, framework.GetBackBuffer());
        EXPECT_EQ(nullptr, framework.GetZBuffer());
    }

    std::vector<std::string> warnings() const {
        std::vector<std::string> texts;
        for (const debug::Record& r : records)
            if (r.kind == debug::Message::Kind::Warning)
                texts.push_back(r.text);
        return texts;
    }

    static DWORD caps(IDirectDrawSurface4* s) {
        DDSCAPS2 c{};
        EXPECT_EQ(DD_OK, s->GetCaps(&c));
        return c.dwCaps;
    }

    static IDirectDrawSurface4* attached(IDirectDrawSurface4* s, DWORD capsWanted) {
        DDSCAPS2 c{};
        c.dwCaps = capsWanted;
        IDirectDrawSurface4* found = nullptr;
        if (FAILED(s->GetAttachedSurface(&c, &found)))
            return nullptr;
        found->Release();  // only its identity is wanted
        return found;
    }

    static void fill(IDirectDrawSurface4* s, DWORD color) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = color;
        ASSERT_EQ(DD_OK, s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    }

    CD3DFramework framework;
    HWND hWnd = nullptr;
    std::vector<debug::Record> records;
};
