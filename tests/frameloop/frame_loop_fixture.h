// A driver with a windowed device on a 320 x 240 render window, a manual game
// clock and helpers to run frames.
#pragma once

#include "../driver/log_capture.h"
#include "application.h"
#include "d3dframe/d3dframe.h"
#include "driver.h"

#include <engine/core/deferred.h>
#include <engine/core/globals.h>
#include <engine/core/render_2d.h>
#include <engine/core/render_mesh_listener.h>
#include <engine/core/render_view.h>
#include <engine/core/view.h>
#include <engine/resources.h>
#include <engine/timer.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A render view that counts its preparations.
class CountingRenderView : public RenderView {
public:
    explicit CountingRenderView(View& view) : RenderView(view) {}
    void render() override { ++renders; }
    Color calculateIllumination(Vector) override { return Color(); }
    int renders = 0;
};

// Writes every call it hears, with its argument, into a trace.
class RecordingListener : public RenderDriverListener {
public:
    struct Call {
        std::string what;
        float time;
        RenderView* view;
    };
    void initView(RenderView* view) override { calls.push_back({"initView", 0.0f, view}); }
    void termView(RenderView* view) override { calls.push_back({"termView", 0.0f, view}); }
    void initFrame(float time) override { calls.push_back({"initFrame", time, nullptr}); }
    void termFrame(float time) override { calls.push_back({"termFrame", time, nullptr}); }
    std::vector<Call> calls;
};

class FrameLoopTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320, kHeight = 240;

    void SetUp() override {
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        // No /Configs here: the driver keeps its default settings.
        ASSERT_TRUE(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) +
                                                    "/tests/frameloop"));
        g_driverSettings = DriverSettings();
        savedTimer = theTimer;
        theTimer = &clock;
        surfacesLost = false;

        driver = std::make_unique<D3DRenderDriver>();
        theD3DRenderDriver = driver.get();
        theRenderDriver = driver.get();

        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "FrameLoopTest";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        hWnd = CreateWindowExA(0, "FrameLoopTest", "Render Window", WS_POPUP | WS_VISIBLE, 0, 0,
                               kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hWnd);
        ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
        platform::testing::resetCallCounts();
    }

    void TearDown() override {
        g_pFramework = nullptr;
        g_pDevice = nullptr;
        framework.ReleaseObjects();
        if (hWnd)
            DestroyWindow(hWnd);
        theRenderDriver = nullptr;
        theD3DRenderDriver = nullptr;
        driver.reset();
        theTimer = savedTimer;
        surfacesLost = false;
        g_driverSettings = DriverSettings();
        platform::testing::clearInjectedFailures();
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
    }

    // (Re)makes the device as the Application does and hands it to the driver.
    void useFramework(DWORD flags, const GUID* device = &IID_IDirect3DRGBDevice,
                      const DDSURFACEDESC2* mode = nullptr) {
        g_pFramework = nullptr;
        g_pDevice = nullptr;
        framework.ReleaseObjects();
        ASSERT_EQ(S_OK, framework.InitializeFramework(hWnd, nullptr, device, mode, flags));
        g_pFramework = &framework;
        g_pDevice = framework.GetD3DDevice();
        driver->updateD3DInterfaces();
    }

    // One frame at game time `time` with one view, whose content is `content`.
    template <typename Content>
    bool frame(double time, RenderView& view, Content content) {
        clock.setTime(time);
        if (!driver->initFrame(static_cast<float>(clock.getTime())))
            return false;
        driver->initView(view);
        content();
        driver->termView();
        driver->termFrame();
        return true;
    }
    bool frame(double time) {
        clock.setTime(time);
        if (!driver->initFrame(static_cast<float>(clock.getTime())))
            return false;
        driver->termFrame();
        return true;
    }

    std::vector<uint32_t> backBufferRGB() const {
        std::vector<uint32_t> pixels = platform::testing::readSurfaceARGB(framework.GetBackBuffer());
        for (uint32_t& p : pixels)
            p &= 0x00FFFFFFu;
        return pixels;
    }

    timer::ManualTimer clock;
    Timer* savedTimer = nullptr;
    std::unique_ptr<D3DRenderDriver> driver;
    CD3DFramework framework;
    HWND hWnd = nullptr;
    View engineView;
};
