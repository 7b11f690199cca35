// Render views and lights on the device: viewport, transforms, projected
// points, ambient level, illumination estimate, bare and render lights, and
// views drawn in real frames lighting a triangle, also across a new mode.
#include "views_fixture.h"

#include "../support/log_capture.h"
#include "application.h"
#include "d3dframe/d3dutil.h"
#include "states.h"

#include <cmath>

using platform::testing::callCount;

namespace {

// Rectangle and clip volume of a viewport.
std::vector<float> viewportOf(const D3DVIEWPORT2& v) {
    return {float(v.dwX), float(v.dwY),  float(v.dwWidth), float(v.dwHeight), v.dvClipX,
            v.dvClipY,    v.dvClipWidth, v.dvClipHeight,   v.dvMinZ,          v.dvMaxZ};
}

void expectColor(const Color& c, float r, float g, float b, float a) {
    EXPECT_EQ(std::vector<float>({c.r, c.g, c.b, c.a}), std::vector<float>({r, g, b, a}));
}

// Column 2 of this orientation, the direction a light shines, is (0, -1, 0).
const TMatrix kDown = TMatrix::fromColumns(Vector(1, 0, 0), Vector(0, 0, 1), Vector(0, -1, 0));

}  // namespace

// A render view has a viewport on the device while it lives. While a view's
// content is drawn, its render view is the current one with its viewport
// current on the device: the view's fractions of the target in whole pixels,
// truncated, with the standard clip volume. The pointer is given in clip
// units of the viewport, as latched by the frame before. (The transforms on
// the device show in every drawn mesh.)
//
// Camera space is in units of the near distance; the projection feeds camera
// y to the screen's x and camera x to its y. Projected points are fractions
// of the viewport across and down, with the camera-space depth: camera x is
// up on the screen, y right, z forward. Points behind the camera are
// mirrored, not clipped; the depth beyond the near plane is measured along
// the view. A refused projection keeps the last frame's.
TEST_F(ViewsTest, TheViewIsSetUpBeforeItsContentIsDrawnAndFollowsTheCamera) {
    const unsigned added = callCount("IDirect3DDevice3::AddViewport"),
                   deleted = callCount("IDirect3DDevice3::DeleteViewport");
    {
        ScopedRenderView renderView(view);
        EXPECT_EQ(callCount("IDirect3DDevice3::AddViewport"), added + 1);
        Viewport part(0.5f, 0.0f, 0.5f, 1.0f, 2.0f / 3.0f);
        view.setViewport(&part);
        theRenderDriver->setMousePointerPosition(0.75f, 0.25f);
        RenderView* current = nullptr;
        IDirect3DViewport3* active = nullptr;
        view.content = [&](RenderView&) {
            current = theRenderDriver->getCurrentRenderView();
            ASSERT_EQ(g_pDevice->GetCurrentViewport(&active), D3D_OK);
            active->Release();
        };
        const auto pointer = [&] {
            return std::make_pair(renderView->getPointerX(), renderView->getPointerY());
        };
        theRenderDriver->draw();
        EXPECT_EQ(current, renderView.get());
        EXPECT_EQ(active, renderView->GetViewport());
        EXPECT_EQ(viewportOf(renderView->getViewportData()),
                  std::vector<float>({320, 0, 320, 480, -1, 1, 2, 2, 0, 1}));
        EXPECT_EQ(pointer(), std::make_pair(-3.0f, 1.0f));  // not latched yet: (0, 0)
        theRenderDriver->draw();
        EXPECT_EQ(pointer(), std::make_pair(0.0f, 0.5f));
        view.setViewport(&viewport);
        viewport.setRect(0.001f, 0.999f, 0.3333f, 0.0005f);
        theRenderDriver->draw();
        EXPECT_EQ(viewportOf(renderView->getViewportData()),
                  std::vector<float>({0, 479, 213, 0, -1, 1, 2, 2, 0, 1}));

        // Looking along world y from (1, 2, 3), with world z up and x right;
        // cot(fov / 2) = 2 across, 8/3 down at 4:3.
        camera.setGlobalTransformation(
            TMatrix::fromColumns(Vector(0, 0, 1), Vector(1, 0, 0), Vector(0, 1, 0)),
            Vector(1, 2, 3));
        camera.setNearDistance(0.5f);
        camera.setFieldOfView(2.0f * std::atan(0.5f));
        renderView->render();
        expectMatrixNear(renderView->getViewMatrix(),
                         matrix({0, 2, 0, 0, 0, 0, 2, 0, 2, 0, 0, 0, -6, -2, -4, 1}));
        const float q = 200.0f / 199.0f;  // far plane 100 / 0.5
        expectMatrixNear(renderView->getProjectionMatrix(),
                         matrix({0, 8.0f / 3, 0, 0, 2, 0, 0, 0, 0, 0, q, 1, 0, 0, -q, 0}));
        const struct {
            Vector inCamera;
            float x, y;
        } cases[] = {{{0, 0, 5}, 0.5f, 0.5f},           {{0, 2.5f, 5}, 1.0f, 0.5f},
                     {{0, -2.5f, 5}, 0.0f, 0.5f},       {{1.875f, 0, 5}, 0.5f, 0.0f},
                     {{-1.875f, 0, 5}, 0.5f, 1.0f},     {{1.875f, 2.5f, 5}, 1.0f, 0.0f},
                     {{-1.875f, -2.5f, 5}, 0.0f, 1.0f}, {{0, 1, -5}, 0.7f, 0.5f}};
        for (const auto& c : cases) {
            const Vector& v = c.inCamera;
            SCOPED_TRACE(testing::Message() << v.x << " " << v.y << " " << v.z);
            const Vector world(1 + v.y, 2 + v.z, 3 + v.x);
            const Vector p = renderView->projectVector(world);
            expectNear({p.x, p.y, p.z, renderView->getZDepth(world)}, {c.x, c.y, v.z, v.z - 0.5f});
        }
        const D3DMATRIX before = renderView->getProjectionMatrix();
        camera.setFieldOfView(0.0f);
        renderView->render();
        expectMatrixNear(renderView->getProjectionMatrix(), before, 0.0f);
    }
    EXPECT_EQ(callCount("IDirect3DDevice3::DeleteViewport"), deleted + 1);
}

// The illumination estimate is the ambient level plus 0.4 of the active
// lights on the viewport: point lights fading to nothing at their range,
// directional ones whole; spot lights are made inactive. Alpha is 0.4 plus
// the ambient's and the lights'. (Summing ambient lights is the render
// lights' test.)
//
// Bare Direct3D lights for effects are attached to the viewport in order, are
// no render lights of the view, and are edited one field at a time; all of
// them are switched on and off together, one at a time attached and detached.
TEST_F(ViewsTest, IlluminationEstimateAndBareLightsDescribedAttachedAndEdited) {
    ScopedRenderView renderView(view);
    renderView->setAmbientLight(Color(0.1f, 0.2f, 0.3f, 0.5f));
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0x801A334Du);
    expectColor(renderView->calculateIllumination(Vector(1, 2, 3)), 0.1f, 0.2f, 0.3f, 0.9f);
    renderView->setAmbientLight(Color(0, 0, 0, 0));
    IDirect3DLight* omni = renderView->addOmniLight(Color(1, 0.5f, 0, 1), Vector(0, 0, 0), 4.0f);
    expectColor(renderView->calculateIllumination(Vector(0, 2, 0)), 0.2f, 0.1f, 0, 0.6f);
    expectColor(renderView->calculateIllumination(Vector(0, 0, 4)), 0, 0, 0, 0.4f);
    IDirect3DLight* sun = renderView->addDirectionalLight(Color(0, 0, 1, 1), Vector(0, 0, 1));
    IDirect3DLight* spot =
        renderView->addSpotLight(Color(5, 5, 5, 1), Vector(0, 0, 0), Vector(0, 0, 1), 1.0f, 100.f);
    expectColor(renderView->calculateIllumination(Vector(0, 0, 100)), 0, 0, 0.4f, 0.4f);
    ASSERT_TRUE(sun && omni && spot);
    EXPECT_EQ(attachedLights(*renderView), (std::vector<IDirect3DLight*>{omni, sun, spot}));
    EXPECT_TRUE(renderView->getLights().empty());
    // A DirectX 5 directional light is on; a spot light starts inactive.
    EXPECT_EQ(described(sun),
              "3 rgba 0 0 1 0 at 0 0 1 to 0 0 1 range 1.84467e+19 att 0 1 0 cone 0 0 flags 1");
    EXPECT_EQ(described(omni),
              "1 rgba 1 0.5 0 1 at 0 0 0 to 0 0 0 range 4 att 1 0 0 cone 0 0 flags 1");
    EXPECT_EQ(described(spot),
              "2 rgba 5 5 5 1 at 0 0 0 to 0 0 1 range 100 att 0 0 0 cone 1 1 flags 0");
    renderView->setLightColor(spot, Color(1, 0, 0, 1));
    renderView->setLightPosition(spot, Vector(7, 8, 9));
    renderView->setLightDirection(spot, Vector(0, 1, 0));
    renderView->setLightRange(spot, 3.0f);
    renderView->setLightCutoff(spot, 0.25f);
    EXPECT_EQ(described(spot),
              "2 rgba 1 0 0 1 at 7 8 9 to 0 1 0 range 3 att 0 0 0 cone 0.25 0.25 flags 0");
    const auto flags = [&] {
        std::string on;
        for (IDirect3DLight* light : {sun, omni, spot})
            on += described(light).back();
        return on;
    };
    renderView->activateAllLights();
    EXPECT_EQ(flags(), "111");
    renderView->deactivateAllLights();
    EXPECT_EQ(flags(), "000");
    expectColor(renderView->calculateIllumination(Vector(0, 2, 0)), 0, 0, 0, 0.4f);
    renderView->deactivateLight(omni);
    EXPECT_EQ(attachedLights(*renderView), (std::vector<IDirect3DLight*>{sun, spot}));
    renderView->activateAllLights();  // the walk touches only attached lights
    EXPECT_EQ(flags(), "101");
    renderView->activateLight(omni);
    EXPECT_EQ(attachedLights(*renderView), (std::vector<IDirect3DLight*>{sun, spot, omni}));
    const unsigned released = callCount("IDirect3DLight::Release");
    for (IDirect3DLight* light : {sun, omni, spot, static_cast<IDirect3DLight*>(nullptr)})
        renderView->removeLight(light);
    EXPECT_TRUE(attachedLights(*renderView).empty());
    // The viewport's reference and the caller's.
    EXPECT_EQ(callCount("IDirect3DLight::Release"), released + 6);
}

// Render lights of every kind but ambient get a Direct3D light. Activating
// places one where the engine has it and attaches it to the view: a point
// light at the position within its range, a spot light also along column 2
// of the orientation (as a directional one, seen after a change of mode),
// with its cut-off as cone; the colour's alpha is dropped. Deactivating
// detaches it. Ambient lights are not
// attached but sum into the view while active, past one, and reach the
// device clamped.
TEST_F(ViewsTest, RenderLightsArePlacedAttachedSummedAndForgetTheirViews) {
    Light point(POINT_LIGHT), directional(DIRECTIONAL_LIGHT), spot(SPOT_LIGHT), dim(AMBIENT_LIGHT),
        other(AMBIENT_LIGHT);
    for (Light* l : {&point, &directional, &spot}) {
        l->setColor(Color(0.25f, 0.5f, 0.75f, 1.0f));
        l->setRange(12.0f);
        l->setCutoff(0.3f);
    }
    spot.setAffectSpecular(false);
    dim.setColor(Color(0.6f, 0.0f, 0.0f, 0.0f));
    other.setColor(Color(0.6f, 0.0f, 0.0f, 0.0f));
    directional.setGlobalTransformation(kDown, Vector(9, 9, 9));
    point.setGlobalTransformation(TMatrix(), Vector(-1, -2, -3));
    ScopedRenderLight p(point), d(directional), s(spot), a(dim), e(other);
    EXPECT_EQ(static_cast<IDirect3DLight*>(*a), nullptr);
    ScopedRenderView renderView(view);
    for (D3DRenderLight* light : {p.get(), d.get(), a.get(), e.get()})
        light->activate(*renderView);
    EXPECT_EQ(described(*p),
              "1 rgba 0.25 0.5 0.75 0 at -1 -2 -3 to 0 0 0 range 12 att 0 1 0 cone 0 0 flags 1");
    EXPECT_EQ(renderView->getLights(), (std::list<D3DRenderLight*>{p.get(), d.get()}));
    EXPECT_EQ(attachedLights(*renderView), (std::vector<IDirect3DLight*>{*p, *d}));
    s->render(kDown, Vector(1, 2, 3));
    EXPECT_EQ(described(*s),
              "2 rgba 0.25 0.5 0.75 0 at 1 2 3 to 0 -1 0 range 12 att 0 1 0 cone "
              "0.3 0.3 flags 3");
    renderView->render();
    for (D3DRenderLight* light : {a.get(), e.get()})
        theRenderDriver->renderLight(light, TMatrix(), Vector());
    expectColor(renderView->getAmbientLight(), 1.2f, 0, 0, 1);
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0xFFFF0000u);

    d->deactivate(*renderView);
    a->deactivate(*renderView);  // no view to add to any more
    EXPECT_EQ(renderView->getLights(), std::list<D3DRenderLight*>{p.get()});
    EXPECT_EQ(attachedLights(*renderView), std::vector<IDirect3DLight*>{*p});
    renderView->render();  // each frame starts again from black
    theRenderDriver->renderLight(a.get(), TMatrix(), Vector());
    expectColor(renderView->getAmbientLight(), 0, 0, 0, 1);
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0u);
    p->deactivate(*renderView);
    e->deactivate(*renderView);
    EXPECT_TRUE(attachedLights(*renderView).empty());

    // Whichever goes first, a render light or its view, the other forgets it: a
    // light given back while shining leaves every view that lists it (its
    // Direct3D light stays on the first viewport only), and a light whose view
    // went renders without one.
    View otherView;
    p->activate(*renderView);
    {
        ScopedRenderView second(otherView);
        s->activate(*renderView);
        s->activate(*second);
        e->activate(*second);
        EXPECT_TRUE(attachedLights(*second).empty());
        s.reset();
        EXPECT_TRUE(second->getLights().empty());
    }
    EXPECT_EQ(renderView->getLights(), std::list<D3DRenderLight*>{p.get()});
    EXPECT_EQ(attachedLights(*renderView), std::vector<IDirect3DLight*>{*p});
    EXPECT_EQ(e->getRenderView(), nullptr);
    e->render(TMatrix(), Vector());  // nothing to add to
    renderView.reset();
    EXPECT_EQ(p->getRenderView(), nullptr);
    p->render(TMatrix(), Vector(1, 1, 1));  // nothing to detach from
}

// The factories leave their lists alone for objects they did not make, and
// lights and the driver refuse views of another driver; each says so.
TEST_F(ViewsTest, ForeignObjectsAreRefusedWithAnError) {
    struct OtherView : RenderView {
        using RenderView::RenderView;
        Color calculateIllumination(Vector) override { return Color(); }
    } other(view);
    Light point(POINT_LIGHT);
    ScopedRenderLight p(point);
    ScopedRenderView renderView(view);
    D3DRenderLight stranger(point);
    D3DRenderView strangerView(view);
    LogCapture log;
    theRenderLightFactory->destroy(&stranger);
    theRenderViewFactory->destroy(&strangerView);
    theRenderLightFactory->destroy(nullptr);
    theRenderViewFactory->destroy(nullptr);
    p->activate(other);
    EXPECT_EQ(p->getRenderView(), nullptr);
    EXPECT_EQ(theRenderDriver->projectVector(Vector(1, 2, 3), &other), Vector());
    theRenderDriver->renderLight(nullptr, TMatrix(), Vector());
    for (const char* error : {"destroy: the light was not made by this factory",
                              "destroy: the view was not made by this factory",
                              "D3DRenderLight::activate: not a view of this driver",
                              "projectVector: not a view of this driver", "renderLight: no light"})
        EXPECT_EQ(log.count("Driver", error), 1) << error;
    EXPECT_EQ(theD3DRenderLightFactory->getLights(), std::list<RenderLight*>{p.get()});
    EXPECT_EQ(theD3DRenderViewFactory->getViews(), std::list<RenderView*>{renderView.get()});
}

// A change of video mode makes every viewport and Direct3D light again and
// attaches them as before; the next frame sends the kept descriptions, the
// ambient level and the viewport. A view kept across the end of a video mode
// gets a viewport on the new device with its next frame, with its lights
// attached.
TEST_F(ViewsTest, LightsAndViewportsSurviveAChangeOfVideoModeAndANewOne) {
    ScopedRenderView first(view);
    View other;
    ScopedRenderView second(other);
    Light sun(DIRECTIONAL_LIGHT), bulb(POINT_LIGHT), spot(SPOT_LIGHT), sky(AMBIENT_LIGHT);
    sun.setColor(Color(1.0f, 0.0f, 0.0f, 1.0f));
    sky.setColor(Color(0.0f, 0.0f, 0.5f, 0.0f));
    ScopedRenderLight s(sun), b(bulb), p(spot), a(sky);
    for (D3DRenderLight* l : {s.get(), b.get(), a.get()})
        l->activate(*first);
    p->activate(*second);
    // One frame placing the lights; then what the device has of the first view.
    const auto expectSentAgain = [&] {
        view.content = [&](RenderView&) {
            for (D3DRenderLight* l : {s.get(), b.get(), a.get()})
                theRenderDriver->renderLight(l, l->getLight().getGlobalTM(),
                                             l->getLight().getGlobalOff());
            theRenderStateManager->flush();
        };
        theRenderDriver->draw();
        view.content = nullptr;
        IDirect3DViewport3* current = nullptr;
        ASSERT_EQ(g_pDevice->GetCurrentViewport(&current), D3D_OK);
        EXPECT_EQ(current, first->GetViewport());
        D3DVIEWPORT2 data{};
        data.dwSize = sizeof data;
        current->GetViewport2(&data);
        current->Release();
        EXPECT_EQ(viewportOf(data), std::vector<float>({0, 0, 640, 480, -1, 1, 2, 2, 0, 1}));
        EXPECT_EQ(attachedLights(*first), (std::vector<IDirect3DLight*>{*s, *b}));
        EXPECT_EQ(described(*s),
                  "3 rgba 1 0 0 0 at 0 0 0 to 0 0 1 range 0 att 0 1 0 cone 0 0 flags 1");
        DWORD ambient = 0;
        g_pDevice->GetLightState(D3DLIGHTSTATE_AMBIENT, &ambient);
        EXPECT_EQ(ambient, 0xFF000080u);
    };
    const unsigned viewports = callCount("IDirect3D3::CreateViewport");
    const unsigned lights = callCount("IDirect3D3::CreateLight");
    theRenderDriver->changeVideoMode(theRenderDriver->getCurrentVideoMode());
    EXPECT_EQ(callCount("IDirect3D3::CreateViewport"), viewports + 2);
    EXPECT_EQ(callCount("IDirect3D3::CreateLight"), lights + 3);
    EXPECT_EQ(attachedLights(*second), std::vector<IDirect3DLight*>{*p});
    ASSERT_TRUE(*s && *b && *p);
    expectSentAgain();

    const VideoMode* mode = theRenderDriver->getCurrentVideoMode();
    theRenderDriver->termVideoMode();
    theRenderDriver->initVideoMode(mode);
    ASSERT_NE(g_pDevice, nullptr);
    expectSentAgain();
    for (D3DRenderLight* l : {s.get(), b.get(), a.get()})
        l->deactivate(*first);
    p->deactivate(*second);
}
