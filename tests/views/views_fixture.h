// The driver loaded with the default mode (full screen, 640 x 480) and one
// registered view with a camera (near distance 1, 90 degrees) and a 4:3 viewport over the
// whole target, whose content a test may give; render views and lights made
// through the engine's factories (also used by the mesh tests); matrix helpers.
#pragma once

#include "rfactory.h"
#include "rlight.h"
#include "rview.h"

#include "../support/driver_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/light.h>
#include <engine/core/view.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

inline constexpr float kPi = 3.14159265f;

inline D3DMATRIX matrix(std::initializer_list<float> values) {
    D3DMATRIX m;
    std::memcpy(&m, values.begin(), sizeof m);
    return m;
}

// Each value within the tolerance of the expected one.
inline void expectNear(const std::vector<float>& got, const std::vector<float>& expected,
                       float tolerance = 1e-5f) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], expected[i], tolerance) << "element " << i;
}

inline void expectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected,
                             float tolerance = 1e-5f) {
    expectNear({&actual._11, &actual._11 + 16}, {&expected._11, &expected._11 + 16}, tolerance);
}

// A view whose content is given by the test; it runs on the core thread.
struct SceneView : View {
    void drawContent(RenderView& view) override {
        if (content)
            content(view);
    }
    std::function<void(RenderView&)> content;
};

// A render view made by the view factory for a view, the view's own until it
// is given back on exit.
struct ScopedRenderView : std::unique_ptr<D3DRenderView, void (*)(D3DRenderView*)> {
    explicit ScopedRenderView(View& view)
        : unique_ptr(dynamic_cast<D3DRenderView*>(theRenderViewFactory->create(view)),
                     [](D3DRenderView* gone) {
                         gone->getView().setRenderView(nullptr);
                         theRenderViewFactory->destroy(gone);
                     }) {
        view.setRenderView(get());
    }
};

// A render light made by the light factory, given back on exit.
struct ScopedRenderLight : std::unique_ptr<D3DRenderLight, void (*)(D3DRenderLight*)> {
    explicit ScopedRenderLight(Light& light)
        : unique_ptr(dynamic_cast<D3DRenderLight*>(theRenderLightFactory->create(light)),
                     [](D3DRenderLight* gone) { theRenderLightFactory->destroy(gone); }) {}
};

class ViewsTest : public VideoModeTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(VideoModeTest::SetUp());
        camera.setNearDistance(1.0f);
        camera.setFieldOfView(kPi / 2);
        view.setCamera(&camera);
        view.setViewport(&viewport);
        theRenderDriver->setBackgroundColor(Color(0, 0, 0, 1), true);
        theRenderDriver->registerView(&view);
    }
    void TearDown() override {
        theRenderDriver->unregisterView(&view);
        VideoModeTest::TearDown();
    }

    // The lights attached to a viewport, head first.
    static std::vector<IDirect3DLight*> attachedLights(const D3DRenderView& renderView) {
        std::vector<IDirect3DLight*> found;
        IDirect3DLight* light = nullptr;
        if (!renderView.GetViewport() ||
            FAILED(renderView.GetViewport()->NextLight(nullptr, &light, D3DNEXT_HEAD)))
            return found;
        while (light) {
            found.push_back(light);
            IDirect3DLight* next = nullptr;
            if (FAILED(renderView.GetViewport()->NextLight(light, &next, D3DNEXT_NEXT)))
                next = nullptr;
            light->Release();
            light = next;
        }
        return found;
    }

    // A light's type, colour, position, direction, range, attenuations, cone
    // and flags as the device has them.
    static std::string described(IDirect3DLight* light) {
        D3DLIGHT2 d{};
        d.dwSize = sizeof d;
        EXPECT_EQ(light->GetLight(reinterpret_cast<D3DLIGHT*>(&d)), D3D_OK);
        std::ostringstream s;
        s << d.dltType << " rgba " << d.dcvColor.r << " " << d.dcvColor.g << " " << d.dcvColor.b
          << " " << d.dcvColor.a << " at " << d.dvPosition.x << " " << d.dvPosition.y << " "
          << d.dvPosition.z << " to " << d.dvDirection.x << " " << d.dvDirection.y << " "
          << d.dvDirection.z << " range " << d.dvRange << " att " << d.dvAttenuation0 << " "
          << d.dvAttenuation1 << " " << d.dvAttenuation2 << " cone " << d.dvTheta << " " << d.dvPhi
          << " flags " << d.dwFlags;
        return s.str();
    }

    SceneView view;
    Camera camera;
    Viewport viewport{0.0f, 0.0f, 1.0f, 1.0f, 4.0f / 3.0f};
};
