// Render views on the device: viewport, view and projection transforms,
// projection of points, depth, ambient level, illumination estimate and the
// bare Direct3D lights that effects use.
#include "views_fixture.h"

#include "d3dframe/d3dutil.h"
#include "states.h"

#include <cstring>

namespace {

D3DMATRIX matrix(std::initializer_list<float> values) {
    D3DMATRIX m;
    std::memcpy(&m, values.begin(), sizeof m);
    return m;
}

class RenderViewTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        camera.setNearDistance(1.0f);
        camera.setFieldOfView(kPi / 2);
        view.setCamera(&camera);
        view.setViewport(&viewport);
    }

    View view;
    Camera camera;
    Viewport viewport{0.0f, 0.0f, 1.0f, 1.0f, 4.0f / 3.0f};
};

}  // namespace

// --- Viewport and transforms -------------------------------------------------

TEST_F(RenderViewTest, ConstructionAddsAViewportToTheDevice) {
    const unsigned added = platform::testing::callCount("IDirect3DDevice3::AddViewport");
    const unsigned deleted = platform::testing::callCount("IDirect3DDevice3::DeleteViewport");
    {
        ScopedRenderView renderView(view);
        ASSERT_NE(renderView->GetViewport(), nullptr);
        EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::AddViewport"), added + 1);
        EXPECT_EQ(&renderView->getView(), &view);
        EXPECT_EQ(renderView->getAmbientLight(), Color(0, 0, 0, 1));
        EXPECT_EQ(renderView->getViewportData().dwSize, 44u);
    }
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::DeleteViewport"), deleted + 1);
}

TEST_F(RenderViewTest, ViewportFractionsBecomePixelsOfTheTarget) {
    ScopedRenderView renderView(view);
    viewport.setRect(0.25f, 0.25f, 0.5f, 0.5f);
    renderView->render();
    const D3DVIEWPORT2& data = renderView->getViewportData();
    EXPECT_EQ(data.dwX, 200u);
    EXPECT_EQ(data.dwY, 150u);
    EXPECT_EQ(data.dwWidth, 400u);
    EXPECT_EQ(data.dwHeight, 300u);

    D3DVIEWPORT2 onDevice{};
    onDevice.dwSize = sizeof onDevice;
    ASSERT_EQ(renderView->GetViewport()->GetViewport2(&onDevice), D3D_OK);
    EXPECT_EQ(onDevice.dwX, 200u);
    EXPECT_EQ(onDevice.dwHeight, 300u);
    EXPECT_EQ(onDevice.dvClipX, -1.0f);
    EXPECT_EQ(onDevice.dvClipY, 1.0f);
    EXPECT_EQ(onDevice.dvClipWidth, 2.0f);
    EXPECT_EQ(onDevice.dvMaxZ, 1.0f);
    IDirect3DViewport3* current = nullptr;
    ASSERT_EQ(g_pDevice->GetCurrentViewport(&current), D3D_OK);
    EXPECT_EQ(current, renderView->GetViewport());
    if (current)
        current->Release();

    // Fractions that do not divide evenly are truncated.
    viewport.setRect(0.001f, 0.999f, 0.3333f, 0.0005f);
    renderView->render();
    EXPECT_EQ(renderView->getViewportData().dwX, 0u);
    EXPECT_EQ(renderView->getViewportData().dwY, 599u);
    EXPECT_EQ(renderView->getViewportData().dwWidth, 266u);
    EXPECT_EQ(renderView->getViewportData().dwHeight, 0u);
}

TEST_F(RenderViewTest, ViewMatrixTurnsTheWorldIntoCameraSpaceInNearUnits) {
    ScopedRenderView renderView(view);
    // Looking along world y, with world z up on the screen and x to the right.
    camera.setGlobalTransformation(
        TMatrix::fromColumns(Vector(0, 0, 1), Vector(1, 0, 0), Vector(0, 1, 0)), Vector(1, 2, 3));
    camera.setNearDistance(0.5f);
    renderView->render();
    const D3DMATRIX expected = matrix({0, 2, 0, 0,  //
                                       0, 0, 2, 0,  //
                                       2, 0, 0, 0,  //
                                       -6, -2, -4, 1});
    expectMatrixNear(renderView->getViewMatrix(), expected);
    expectMatrixNear(deviceTransform(D3DTRANSFORMSTATE_VIEW), expected);

    // One world unit ahead of the eye is two near distances deep.
    D3DVECTOR ahead;
    ASSERT_EQ(D3DMath_VectorMatrixMultiply(ahead, D3DVec_Make(1, 3, 3), expected), S_OK);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.z, 2.0f, 1e-6f);
}

TEST_F(RenderViewTest, ProjectionFeedsCameraYToScreenXAndCameraXToScreenY) {
    ScopedRenderView renderView(view);
    camera.setNearDistance(0.5f);
    renderView->render();
    // cot(45 degrees) = 1 horizontally, 4/3 vertically; far plane 100 / 0.5.
    const float q = 200.0f / 199.0f;
    const D3DMATRIX expected = matrix({0, 4.0f / 3.0f, 0, 0,  //
                                       1, 0, 0, 0,  //
                                       0, 0, q, 1,  //
                                       0, 0, -q, 0});
    expectMatrixNear(renderView->getProjectionMatrix(), expected);
    expectMatrixNear(deviceTransform(D3DTRANSFORMSTATE_PROJECTION), expected);
    EXPECT_FLOAT_EQ(renderView->getHorizontalFactor(), 1.0f);
    EXPECT_FLOAT_EQ(renderView->getVerticalFactor(), 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(renderView->getNearDistance(), 0.5f);
}

TEST_F(RenderViewTest, RefusedProjectionKeepsLastFramesMatrix) {
    ScopedRenderView renderView(view);
    renderView->render();
    const D3DMATRIX before = renderView->getProjectionMatrix();
    camera.setFieldOfView(0.0f);
    renderView->render();
    expectMatrixNear(renderView->getProjectionMatrix(), before, 0.0f);
    expectMatrixNear(deviceTransform(D3DTRANSFORMSTATE_PROJECTION), before, 0.0f);
}

// --- Points in camera space ----------------------------------------------------

TEST_F(RenderViewTest, ProjectVectorOfAxesAndFieldOfViewCorners) {
    ScopedRenderView renderView(view);
    renderView->render();
    struct Case {
        Vector point;
        float x, y;
    };
    // Camera x is up on the screen, y right, z forward; fov 90 degrees, 4:3.
    const Case cases[] = {
        {{0, 0, 5}, 0.5f, 0.5f},     {{0, 5, 5}, 1.0f, 0.5f},    {{0, -5, 5}, 0.0f, 0.5f},
        {{3.75f, 0, 5}, 0.5f, 0.0f}, {{-3.75f, 0, 5}, 0.5f, 1.0f}, {{3.75f, 5, 5}, 1.0f, 0.0f},
        {{-3.75f, -5, 5}, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        const Vector p = renderView->projectVector(c.point);
        EXPECT_NEAR(p.x, c.x, 1e-5f) << c.point.x << " " << c.point.y;
        EXPECT_NEAR(p.y, c.y, 1e-5f) << c.point.x << " " << c.point.y;
        EXPECT_FLOAT_EQ(p.z, 5.0f);
    }
    // The driver's own entry point gives the same.
    const Vector viaDriver = theRenderDriver->projectVector(Vector(3.75f, 5, 5), renderView.get());
    EXPECT_NEAR(viaDriver.x, 1.0f, 1e-5f);
    EXPECT_NEAR(viaDriver.y, 0.0f, 1e-5f);
}

TEST_F(RenderViewTest, PointsBehindTheCameraAreMirroredNotClipped) {
    ScopedRenderView renderView(view);
    renderView->render();
    const Vector p = renderView->projectVector(Vector(0, 1, -5));
    EXPECT_NEAR(p.x, 0.6f, 1e-6f);
    EXPECT_NEAR(p.y, 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(p.z, -5.0f);
}

TEST_F(RenderViewTest, ProjectVectorMatchesTheDeviceTransforms) {
    ScopedRenderView renderView(view);
    camera.setGlobalTransformation(TMatrix::rotation(Vector(1, 2, -1), 0.8f), Vector(3, -2, 7));
    camera.setNearDistance(0.25f);
    camera.setFieldOfView(1.1f);
    viewport.setAspect(1.6f);
    renderView->render();
    D3DMATRIX viewProjection;
    D3DMath_MatrixMultiply(viewProjection, renderView->getProjectionMatrix(),
                           renderView->getViewMatrix());
    const Vector forward = camera.getGlobalTM().column(2);
    const Vector up = camera.getGlobalTM().column(0);
    const Vector right = camera.getGlobalTM().column(1);
    for (const Vector& offset : {forward * 4.0f, forward * 6.0f + up * 1.5f,
                                 forward * 9.0f - right * 2.0f + up * 0.5f}) {
        const Vector world = camera.getGlobalOff() + offset;
        D3DVECTOR clip;
        ASSERT_EQ(D3DMath_VectorMatrixMultiply(clip, D3DVec_Make(world.x, world.y, world.z),
                                               viewProjection),
                  S_OK);
        const Vector p = renderView->projectVector(world);
        EXPECT_NEAR(p.x, (1.0f + clip.x) / 2.0f, 1e-4f);
        EXPECT_NEAR(p.y, (1.0f - clip.y) / 2.0f, 1e-4f);
    }
}

TEST_F(RenderViewTest, ZDepthIsTheDistanceBeyondTheNearPlane) {
    ScopedRenderView renderView(view);
    camera.setGlobalTransformation(TMatrix(), Vector(0, 0, -2));
    camera.setNearDistance(0.5f);
    renderView->render();
    EXPECT_FLOAT_EQ(renderView->getZDepth(Vector(4, 4, 3)), 4.5f);
    EXPECT_FLOAT_EQ(renderView->getZDepth(Vector(0, 0, -2.5f)), -1.0f);
    EXPECT_EQ(renderView->getCameraTranslation(), Vector(0, 0, 2));
}

// --- Ambient level ---------------------------------------------------------------

TEST(AmbientColour, PackedAsRoundedClampedARGB) {
    EXPECT_EQ(colorToARGB(Color(0.5f, 0.25f, 1.5f, -1.0f)), 0x008040FFu);
    EXPECT_EQ(colorToARGB(Color(1.2f, 0.0f, 0.0f, 1.0f)), 0xFFFF0000u);
    EXPECT_EQ(colorToARGB(Color(0.0f, 1.0f / 255.0f * 0.49f, 0.0f, 0.0f)), 0u);
}

TEST_F(RenderViewTest, AmbientSumsUnclampedAndReachesTheDeviceClamped) {
    ScopedRenderView renderView(view);
    renderView->render();
    renderView->registerAmbientLight(Color(0.6f, 0.0f, 0.2f, 0.0f));
    renderView->registerAmbientLight(Color(0.6f, 0.1f, 0.0f, 0.0f));
    const Color& ambient = renderView->getAmbientLight();
    EXPECT_FLOAT_EQ(ambient.r, 1.2f);
    EXPECT_FLOAT_EQ(ambient.g, 0.1f);
    EXPECT_FLOAT_EQ(ambient.b, 0.2f);
    EXPECT_FLOAT_EQ(ambient.a, 1.0f);
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0xFFFF1A33u);
    theRenderStateManager->flush();
    DWORD onDevice = 0;
    ASSERT_EQ(g_pDevice->GetLightState(D3DLIGHTSTATE_AMBIENT, &onDevice), D3D_OK);
    EXPECT_EQ(onDevice, 0xFFFF1A33u);

    renderView->setAmbientLight(Color(0.0f, 0.0f, 1.0f, 0.5f));
    EXPECT_EQ(renderView->getAmbientLight(), Color(0.0f, 0.0f, 1.0f, 0.5f));
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0x800000FFu);

    // Each frame starts again from black.
    renderView->render();
    EXPECT_EQ(renderView->getAmbientLight(), Color(0, 0, 0, 1));
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0u);
}

// --- Illumination estimate -------------------------------------------------------

TEST_F(RenderViewTest, IlluminationWithoutLightsIsTheAmbientPlusPointFourAlpha) {
    ScopedRenderView renderView(view);
    renderView->render();
    renderView->setAmbientLight(Color(0.1f, 0.2f, 0.3f, 0.5f));
    const Color c = renderView->calculateIllumination(Vector(1, 2, 3));
    EXPECT_FLOAT_EQ(c.r, 0.1f);
    EXPECT_FLOAT_EQ(c.g, 0.2f);
    EXPECT_FLOAT_EQ(c.b, 0.3f);
    EXPECT_FLOAT_EQ(c.a, 0.9f);
}

TEST_F(RenderViewTest, IlluminationFadesPointLightsWithDistanceAndSkipsInactiveOnes) {
    ScopedRenderView renderView(view);
    renderView->render();
    renderView->setAmbientLight(Color(0, 0, 0, 0));
    IDirect3DLight* omni = renderView->addOmniLight(Color(1, 0.5f, 0, 1), Vector(0, 0, 0), 4.0f);
    ASSERT_NE(omni, nullptr);
    // Half the range away: half the colour, times 0.4.
    Color c = renderView->calculateIllumination(Vector(0, 2, 0));
    EXPECT_FLOAT_EQ(c.r, 0.2f);
    EXPECT_FLOAT_EQ(c.g, 0.1f);
    EXPECT_FLOAT_EQ(c.a, 0.4f + 0.2f);
    // Exactly at the range: nothing.
    c = renderView->calculateIllumination(Vector(0, 0, 4));
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_FLOAT_EQ(c.a, 0.4f);

    IDirect3DLight* sun = renderView->addDirectionalLight(Color(0, 0, 1, 1), Vector(0, 0, 1));
    ASSERT_NE(sun, nullptr);
    // A spot light is made inactive: it adds nothing.
    IDirect3DLight* spot =
        renderView->addSpotLight(Color(5, 5, 5, 1), Vector(0, 0, 0), Vector(0, 0, 1), 1.0f, 100.f);
    ASSERT_NE(spot, nullptr);
    c = renderView->calculateIllumination(Vector(0, 0, 100));
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_FLOAT_EQ(c.b, 0.4f);
    EXPECT_FLOAT_EQ(c.a, 0.4f);  // the directional colour's alpha is 0

    renderView->deactivateAllLights();
    c = renderView->calculateIllumination(Vector(0, 2, 0));
    EXPECT_EQ(c, Color(0, 0, 0, 0.4f));

    for (IDirect3DLight* light : {omni, sun, spot})
        renderView->removeLight(light);
}

// --- Bare Direct3D lights ----------------------------------------------------------

TEST_F(RenderViewTest, BareLightsAreDescribedAndAttachedToTheViewport) {
    ScopedRenderView renderView(view);
    IDirect3DLight* sun = renderView->addDirectionalLight(Color(1, 0.5f, 0.25f, 1), Vector(0, -1, 0));
    IDirect3DLight* omni = renderView->addOmniLight(Color(0, 1, 0, 1), Vector(1, 2, 3), 7.0f);
    IDirect3DLight* spot =
        renderView->addSpotLight(Color(0, 0, 1, 1), Vector(4, 5, 6), Vector(1, 0, 0), 0.5f, 9.0f);
    ASSERT_TRUE(sun && omni && spot);
    EXPECT_EQ(attachedLights(renderView->GetViewport()),
              (std::vector<IDirect3DLight*>{sun, omni, spot}));
    // None of them is a render light of the view.
    EXPECT_TRUE(renderView->getLights().empty());

    const D3DLIGHT2 s = description(sun);
    EXPECT_EQ(s.dltType, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(s.dvDirection.y, -1.0f);
    EXPECT_EQ(s.dcvColor.g, 0.5f);
    EXPECT_EQ(s.dcvColor.a, 0.0f);
    EXPECT_EQ(s.dvAttenuation1, 1.0f);
    EXPECT_TRUE(s.dwFlags & D3DLIGHT_ACTIVE);  // a DirectX 5 light is on

    const D3DLIGHT2 o = description(omni);
    EXPECT_EQ(o.dltType, D3DLIGHT_POINT);
    EXPECT_EQ(o.dvPosition.z, 3.0f);
    EXPECT_EQ(o.dvRange, 7.0f);
    EXPECT_EQ(o.dvAttenuation0, 1.0f);
    EXPECT_EQ(o.dvAttenuation1, 0.0f);
    EXPECT_EQ(o.dwFlags, static_cast<DWORD>(D3DLIGHT_ACTIVE));

    const D3DLIGHT2 p = description(spot);
    EXPECT_EQ(p.dltType, D3DLIGHT_SPOT);
    EXPECT_EQ(p.dvTheta, 0.5f);
    EXPECT_EQ(p.dvPhi, 0.5f);
    EXPECT_EQ(p.dvDirection.x, 1.0f);
    EXPECT_EQ(p.dvRange, 9.0f);
    EXPECT_EQ(p.dwFlags, 0u);

    for (IDirect3DLight* light : {sun, omni, spot})
        renderView->removeLight(light);
    EXPECT_TRUE(attachedLights(renderView->GetViewport()).empty());
}

TEST_F(RenderViewTest, LightSettersReplaceOneFieldOnly) {
    ScopedRenderView renderView(view);
    IDirect3DLight* spot =
        renderView->addSpotLight(Color(0, 0, 1, 1), Vector(4, 5, 6), Vector(1, 0, 0), 0.5f, 9.0f);
    ASSERT_NE(spot, nullptr);
    renderView->setLightColor(spot, Color(1, 0, 0, 1));
    renderView->setLightPosition(spot, Vector(7, 8, 9));
    renderView->setLightDirection(spot, Vector(0, 1, 0));
    renderView->setLightRange(spot, 3.0f);
    renderView->setLightCutoff(spot, 0.25f);
    const D3DLIGHT2 d = description(spot);
    EXPECT_EQ(d.dcvColor.r, 1.0f);
    EXPECT_EQ(d.dcvColor.b, 0.0f);
    EXPECT_EQ(d.dvPosition.x, 7.0f);
    EXPECT_EQ(d.dvDirection.y, 1.0f);
    EXPECT_EQ(d.dvRange, 3.0f);
    EXPECT_EQ(d.dvTheta, 0.25f);
    EXPECT_EQ(d.dvPhi, 0.25f);
    EXPECT_EQ(d.dltType, D3DLIGHT_SPOT);
    EXPECT_EQ(d.dwFlags, 0u);
    renderView->removeLight(spot);
}

TEST_F(RenderViewTest, ActivatingAndDeactivatingLights) {
    ScopedRenderView renderView(view);
    IDirect3DLight* a = renderView->addOmniLight(Color(1, 1, 1, 1), Vector(), 1.0f);
    IDirect3DLight* b =
        renderView->addSpotLight(Color(1, 1, 1, 1), Vector(), Vector(0, 0, 1), 0.5f, 1.0f);
    ASSERT_TRUE(a && b);

    renderView->activateAllLights();
    EXPECT_TRUE(description(a).dwFlags & D3DLIGHT_ACTIVE);
    EXPECT_TRUE(description(b).dwFlags & D3DLIGHT_ACTIVE);
    renderView->deactivateAllLights();
    EXPECT_FALSE(description(a).dwFlags & D3DLIGHT_ACTIVE);
    EXPECT_FALSE(description(b).dwFlags & D3DLIGHT_ACTIVE);

    renderView->deactivateLight(a);
    EXPECT_EQ(attachedLights(renderView->GetViewport()), std::vector<IDirect3DLight*>{b});
    // A light off the viewport is not touched by the walk.
    renderView->activateAllLights();
    EXPECT_FALSE(description(a).dwFlags & D3DLIGHT_ACTIVE);
    renderView->activateLight(a);
    EXPECT_EQ(attachedLights(renderView->GetViewport()), (std::vector<IDirect3DLight*>{b, a}));

    const unsigned released = platform::testing::callCount("IDirect3DLight::Release");
    renderView->removeLight(a);
    renderView->removeLight(b);
    // The viewport's reference and the caller's.
    EXPECT_EQ(platform::testing::callCount("IDirect3DLight::Release"), released + 4);
    renderView->removeLight(nullptr);
}
