// Shared set-up of the state tests: a render window with a device framework
// on the real platform, the device published as the driver's, and a fresh
// render state manager that has read the device back.
#pragma once

#include "d3dframe/d3dframe.h"
#include "states.h"

#include <platform/testing.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class StatesTest : public ::testing::Test {
protected:
    void SetUp() override { start(nullptr); }

    void TearDown() override { stop(); }

    // A profile from tests/states/data, or the built-in one for null.
    void start(const char* profile) {
        if (profile) {
            std::string error;
            const std::string path =
                std::string(D3DDRIVER_SOURCE_DIR) + "/tests/states/data/" + profile;
            ASSERT_TRUE(platform::testing::loadDisplayProfile(path, &error)) << error;
        } else {
            platform::testing::useDefaultDisplayProfile();
        }
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "StatesTest";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        hWnd = CreateWindowExA(0, "StatesTest", "Render Window", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                               48, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hWnd);
        ASSERT_EQ(S_OK, framework.InitializeFramework(hWnd, nullptr, &IID_IDirect3DRGBDevice,
                                                      nullptr, D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
        device = framework.GetD3DDevice();
        g_pDevice = device;
        theCapabilities = {};
        theCapabilities.hardware.dwSize = sizeof(D3DDEVICEDESC);
        theCapabilities.software.dwSize = sizeof(D3DDEVICEDESC);
        ASSERT_EQ(D3D_OK, device->GetCaps(&theCapabilities.hardware, &theCapabilities.software));
        manager = std::make_unique<RenderStateManager>();
        theRenderStateManager = manager.get();
        manager->update();
        manager->flush();  // the tests' restoring changes are only queued
        platform::testing::resetCallCounts();
    }

    void stop() {
        manager.reset();
        g_pDevice = nullptr;
        device = nullptr;
        framework.ReleaseObjects();
        if (hWnd)
            DestroyWindow(hWnd);
        hWnd = nullptr;
        platform::testing::clearInjectedFailures();
        platform::testing::useDefaultDisplayProfile();
    }

    // What the device itself holds.
    DWORD deviceRender(D3DRENDERSTATETYPE type) const {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, device->GetRenderState(type, &value));
        return value;
    }
    DWORD deviceLight(D3DLIGHTSTATETYPE type) const {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, device->GetLightState(type, &value));
        return value;
    }
    DWORD deviceStage(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, device->GetTextureStageState(stage, type, &value));
        return value;
    }

    static unsigned calls(const char* method) {
        return platform::testing::callCount(std::string("IDirect3DDevice3::") + method);
    }
    static unsigned stateCalls() {
        return calls("SetRenderState") + calls("SetLightState") + calls("SetTextureStageState");
    }

    CD3DFramework framework;
    HWND hWnd = nullptr;
    IDirect3DDevice3* device = nullptr;
    std::unique_ptr<RenderStateManager> manager;
};

class WeakDeviceStatesTest : public StatesTest {
protected:
    void SetUp() override { start("weak_blending.cfg"); }
};
