// Shared set-up of the state tests: a render window with a device framework
// on the real platform, the device published as the driver's, and a fresh
// render state manager that has read the device back.
#pragma once

#include "states.h"

#include "../support/render_window.h"

#include <platform/testing.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using platform::testing::resetCallCounts;

// A state by Direct3D number: of a stage, or a render or light state.
constexpr int kRender = -1, kLight = -2;
struct Entry {
    int stage;
    DWORD type, value = 0;
};

class StatesTest : public RenderWindowTest {
protected:
    void SetUp() override {
        platform::testing::useDefaultDisplayProfile();
        platform::testing::clearInjectedFailures();
        ASSERT_NO_FATAL_FAILURE(openWindow(0, 0, 64, 48));
        ASSERT_EQ(S_OK, framework.InitializeFramework(hWnd, nullptr, &IID_IDirect3DRGBDevice,
                                                      nullptr, D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
        g_pDevice = device = framework.GetD3DDevice();
        theCapabilities = {};
        theCapabilities.hardware.dwSize = theCapabilities.software.dwSize = sizeof(D3DDEVICEDESC);
        ASSERT_EQ(D3D_OK, device->GetCaps(&theCapabilities.hardware, &theCapabilities.software));
        manager = std::make_unique<RenderStateManager>();
        theRenderStateManager = manager.get();
        manager->update();
        manager->flush();  // the tests' restoring changes are only queued
        resetCallCounts();
    }
    void TearDown() override {
        manager.reset();
        RenderWindowTest::TearDown();
    }

    // What the device holds, and what the manager wants, by Direct3D number.
    DWORD held(const Entry& e) const {
        DWORD v = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, e.stage == kRender
                              ? device->GetRenderState(D3DRENDERSTATETYPE(e.type), &v)
                          : e.stage == kLight ? device->GetLightState(D3DLIGHTSTATETYPE(e.type), &v)
                                              : device->GetTextureStageState(
                                                    e.stage, D3DTEXTURESTAGESTATETYPE(e.type), &v));
        return v;
    }
    HRESULT wanted(const Entry& e, DWORD* v) const {
        return e.stage == kRender ? manager->getRenderState(D3DRENDERSTATETYPE(e.type), v)
               : e.stage == kLight
                   ? manager->getLightState(D3DLIGHTSTATETYPE(e.type), v)
                   : manager->getTextureStageState(e.stage, D3DTEXTURESTAGESTATETYPE(e.type), v);
    }
    // Through the manager's setters by Direct3D number.
    HRESULT set(const Entry& e) {
        return e.stage == kRender  ? manager->setRenderState(D3DRENDERSTATETYPE(e.type), e.value)
               : e.stage == kLight ? manager->setLightState(D3DLIGHTSTATETYPE(e.type), e.value)
                                   : manager->setTextureStageState(
                                         e.stage, D3DTEXTURESTAGESTATETYPE(e.type), e.value);
    }

    static unsigned calls(const char* method) {
        return platform::testing::callCount(std::string("IDirect3DDevice3::") + method);
    }
    static unsigned stateCalls() {
        return calls("SetRenderState") + calls("SetLightState") + calls("SetTextureStageState");
    }

    IDirect3DDevice3* device = nullptr;
    std::unique_ptr<RenderStateManager> manager;
};
