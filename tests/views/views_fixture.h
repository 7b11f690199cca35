// The driver loaded with a full-screen 800 x 600 mode, and scoped render
// views and lights made through the engine's factory pointers.
#pragma once

#include "rfactory.h"
#include "rlight.h"
#include "rview.h"

#include "../driver/driver_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/light.h>
#include <engine/core/view.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

inline constexpr float kPi = 3.14159265f;

class ViewsTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        platform::testing::resetCallCounts();
        useData("no_file");
        initDriver();
        const VideoMode* mode = findMode(800, 600);
        ASSERT_NE(mode, nullptr);
        theRenderDriver->initVideoMode(mode);
        ASSERT_NE(g_pDevice, nullptr);
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }

    static const VideoMode* findMode(int width, int height) {
        for (const VideoMode* m : theRenderDriver->getVideoModeList())
            if (m->isHardware() && !m->isWindowed() && m->getWidth() == width &&
                m->getHeight() == height && m->getColorDepth() == 16)
                return m;
        return nullptr;
    }

    // The lights attached to a viewport, head first.
    static std::vector<IDirect3DLight*> attachedLights(IDirect3DViewport3* viewport) {
        std::vector<IDirect3DLight*> found;
        if (!viewport)
            return found;
        IDirect3DLight* light = nullptr;
        if (FAILED(viewport->NextLight(nullptr, &light, D3DNEXT_HEAD)))
            return found;
        while (light) {
            found.push_back(light);
            IDirect3DLight* next = nullptr;
            if (FAILED(viewport->NextLight(light, &next, D3DNEXT_NEXT)))
                next = nullptr;
            light->Release();
            light = next;
        }
        return found;
    }

    static D3DLIGHT2 description(IDirect3DLight* light) {
        D3DLIGHT2 d{};
        d.dwSize = sizeof d;
        EXPECT_EQ(light->GetLight(reinterpret_cast<D3DLIGHT*>(&d)), D3D_OK);
        return d;
    }

    static D3DMATRIX deviceTransform(D3DTRANSFORMSTATETYPE type) {
        D3DMATRIX m{};
        EXPECT_EQ(g_pDevice->GetTransform(type, &m), D3D_OK);
        return m;
    }
};

// A render view made by the view factory for a view, given back on exit.
class ScopedRenderView {
public:
    explicit ScopedRenderView(View& view) : view(view) {
        made = dynamic_cast<D3DRenderView*>(theRenderViewFactory->create(view));
        view.setRenderView(made);
    }
    ~ScopedRenderView() {
        view.setRenderView(nullptr);
        theRenderViewFactory->destroy(made);
    }
    ScopedRenderView(const ScopedRenderView&) = delete;
    ScopedRenderView& operator=(const ScopedRenderView&) = delete;

    D3DRenderView* operator->() const { return made; }
    D3DRenderView& operator*() const { return *made; }
    D3DRenderView* get() const { return made; }

private:
    View& view;
    D3DRenderView* made = nullptr;
};

// A render light made by the light factory, given back on exit.
class ScopedRenderLight {
public:
    explicit ScopedRenderLight(Light& light)
        : made(dynamic_cast<D3DRenderLight*>(theRenderLightFactory->create(light))) {}
    ~ScopedRenderLight() { theRenderLightFactory->destroy(made); }
    ScopedRenderLight(const ScopedRenderLight&) = delete;
    ScopedRenderLight& operator=(const ScopedRenderLight&) = delete;

    D3DRenderLight* operator->() const { return made; }
    D3DRenderLight* get() const { return made; }

private:
    D3DRenderLight* made = nullptr;
};

inline void expectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected,
                             float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR((&actual._11)[i], (&expected._11)[i], tolerance) << "element " << i;
}
