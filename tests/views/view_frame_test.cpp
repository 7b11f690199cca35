// Views drawn through View::draw in real frames: the transforms and viewport
// in force while the content is drawn, the pointer in clip units, lights
// lighting a triangle on the screen, and all of it across a change of video
// mode.
#include "views_fixture.h"

#include "application.h"
#include "d3dframe/d3dutil.h"
#include "states.h"

#include <functional>

namespace {

// A view whose content is given by the test; it runs on the core thread.
class SceneView : public View {
public:
    std::function<void(RenderView&)> content;

protected:
    void drawContent(RenderView& view) override {
        if (content)
            content(view);
    }
};

// A white triangle five units ahead of a camera at the origin, facing it,
// lit by the device with the lights of the current viewport.
class LitTriangle {
public:
    LitTriangle() {
        IDirect3D3* direct3D = theD3DRenderDriver->getDirect3D();
        EXPECT_EQ(direct3D->CreateMaterial(&material, nullptr), D3D_OK);
        D3DMATERIAL description;
        D3DUtil_InitMaterial(description, 1.0f, 1.0f, 1.0f, 1.0f);
        EXPECT_EQ(material->SetMaterial(&description), D3D_OK);
        EXPECT_EQ(material->GetHandle(g_pDevice, &handle), D3D_OK);
        // Camera x is up, y right: the triangle covers the screen's centre.
        const float corners[3][2] = {{-3, -3}, {-3, 3}, {3, 0}};
        for (int i = 0; i < 3; ++i) {
            vertices[i] = D3DVERTEX{};
            vertices[i].x = corners[i][0];
            vertices[i].y = corners[i][1];
            vertices[i].z = 5.0f;
            vertices[i].nz = -1.0f;
        }
    }
    ~LitTriangle() { material->Release(); }
    LitTriangle(const LitTriangle&) = delete;
    LitTriangle& operator=(const LitTriangle&) = delete;

    // Inside a view: the queued light states first, then plain lit drawing.
    void draw() {
        theRenderStateManager->flush();
        theD3DRenderDriver->setWorldTransformation(TMatrix(), Vector());
        g_pDevice->SetLightState(D3DLIGHTSTATE_MATERIAL, handle);
        g_pDevice->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        g_pDevice->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
        g_pDevice->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
        g_pDevice->SetRenderState(D3DRENDERSTATE_FOGENABLE, FALSE);
        g_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        g_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        g_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        g_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        drawResult = g_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, vertices, 3, 0);
    }

    HRESULT drawResult = E_FAIL;

private:
    IDirect3DMaterial3* material = nullptr;
    D3DMATERIALHANDLE handle = 0;
    D3DVERTEX vertices[3];
};

struct Rgb {
    int r, g, b;
};

class ViewFrameTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        camera.setNearDistance(0.5f);
        camera.setFieldOfView(kPi / 2);
        view.setCamera(&camera);
        theRenderDriver->setBackgroundColor(Color(0, 0, 0, 1), true);
        theRenderDriver->registerView(&view);
    }
    void TearDown() override {
        theRenderDriver->unregisterView(&view);
        ViewsTest::TearDown();
    }

    // The screen's centre after the last presented frame.
    static Rgb centre() {
        const std::vector<uint32_t> pixels =
            platform::testing::readSurfaceARGB(g_pFramework->GetFrontBuffer());
        EXPECT_EQ(pixels.size(), 800u * 600u);
        if (pixels.size() != 800u * 600u)
            return {-1, -1, -1};
        const uint32_t p = pixels[300 * 800 + 400];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>(p & 0xFF)};
    }

    // One frame drawing the triangle with these render lights placed by
    // renderLight at (orientation, position) of their engine lights.
    void drawLit(LitTriangle& triangle, std::vector<D3DRenderLight*> lights) {
        view.content = [&triangle, lights](RenderView&) {
            for (D3DRenderLight* light : lights)
                theRenderDriver->renderLight(light, light->getLight().getGlobalTM(),
                                             light->getLight().getGlobalOff());
            triangle.draw();
        };
        theRenderDriver->draw();
        view.content = nullptr;
    }

    SceneView view;
    Camera camera;
};

}  // namespace

TEST_F(ViewFrameTest, TheViewIsSetUpBeforeItsContentIsDrawn) {
    ScopedRenderView renderView(view);
    camera.setGlobalTransformation(TMatrix::rotation(Vector(0, 1, 0), 0.5f), Vector(1, 2, 3));
    Viewport viewport(0.5f, 0.0f, 0.5f, 1.0f, 2.0f / 3.0f);
    view.setViewport(&viewport);
    RenderView* current = nullptr;
    D3DMATRIX viewMatrix{}, projection{};
    D3DVIEWPORT2 data{};
    data.dwSize = sizeof data;
    view.content = [&](RenderView&) {
        current = theRenderDriver->getCurrentRenderView();
        g_pDevice->GetTransform(D3DTRANSFORMSTATE_VIEW, &viewMatrix);
        g_pDevice->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
        IDirect3DViewport3* active = nullptr;
        if (SUCCEEDED(g_pDevice->GetCurrentViewport(&active)) && active) {
            active->GetViewport2(&data);
            active->Release();
        }
    };
    theRenderDriver->draw();
    EXPECT_EQ(current, renderView.get());
    expectMatrixNear(viewMatrix, renderView->getViewMatrix(), 0.0f);
    expectMatrixNear(projection, renderView->getProjectionMatrix(), 0.0f);
    EXPECT_EQ(data.dwX, 400u);
    EXPECT_EQ(data.dwY, 0u);
    EXPECT_EQ(data.dwWidth, 400u);
    EXPECT_EQ(data.dwHeight, 600u);
    EXPECT_FLOAT_EQ(renderView->getVerticalFactor(), 2.0f / 3.0f);
}

TEST_F(ViewFrameTest, PointerIsGivenInClipUnitsOfTheViewport) {
    ScopedRenderView renderView(view);
    theRenderDriver->setMousePointerPosition(0.75f, 0.25f);
    // The first frame latches the position; the next view set-up uses it.
    theRenderDriver->draw();
    theRenderDriver->draw();
    EXPECT_FLOAT_EQ(renderView->getPointerX(), 0.5f);
    EXPECT_FLOAT_EQ(renderView->getPointerY(), 0.5f);

    Viewport rightHalf(0.5f, 0.0f, 0.5f, 1.0f, 2.0f / 3.0f);
    view.setViewport(&rightHalf);
    theRenderDriver->draw();
    EXPECT_FLOAT_EQ(renderView->getPointerX(), 0.0f);
    EXPECT_FLOAT_EQ(renderView->getPointerY(), 0.5f);
}

TEST_F(ViewFrameTest, ADirectionalLightLightsTheTriangle) {
    ScopedRenderView renderView(view);
    LitTriangle triangle;
    drawLit(triangle, {});
    EXPECT_EQ(triangle.drawResult, D3D_OK);
    const Rgb unlit = centre();
    EXPECT_LT(unlit.r, 10);
    EXPECT_LT(unlit.g, 10);

    // Shining forward, into the triangle's face.
    Light sun(DIRECTIONAL_LIGHT);
    sun.setColor(Color(1.0f, 0.0f, 0.0f, 1.0f));
    ScopedRenderLight light(sun);
    light->activate(*renderView);
    drawLit(triangle, {light.get()});
    const Rgb lit = centre();
    EXPECT_GT(lit.r, 200);
    EXPECT_LT(lit.g, 10);
    EXPECT_LT(lit.b, 10);

    // Turned away, it lights nothing.
    sun.setGlobalTransformation(TMatrix::rotation(Vector(1, 0, 0), kPi), Vector());
    drawLit(triangle, {light.get()});
    EXPECT_LT(centre().r, 10);
    light->deactivate(*renderView);
}

TEST_F(ViewFrameTest, APointLightLightsTheTriangleWithinItsRange) {
    ScopedRenderView renderView(view);
    LitTriangle triangle;
    Light bulb(POINT_LIGHT);
    // Attenuated by 1 / distance and by the slant: about 1 at the corners.
    bulb.setColor(Color(0.0f, 8.0f, 0.0f, 1.0f));
    bulb.setRange(10.0f);
    ScopedRenderLight light(bulb);
    light->activate(*renderView);
    drawLit(triangle, {light.get()});
    EXPECT_GT(centre().g, 200);

    bulb.setRange(4.0f);  // the triangle is 5 units away
    drawLit(triangle, {light.get()});
    EXPECT_LT(centre().g, 10);
    light->deactivate(*renderView);
}

TEST_F(ViewFrameTest, LightsAndViewportsSurviveAChangeOfVideoMode) {
    ScopedRenderView first(view);
    View other;
    ScopedRenderView second(other);
    Light sun(DIRECTIONAL_LIGHT), bulb(POINT_LIGHT), spot(SPOT_LIGHT), sky(AMBIENT_LIGHT);
    sun.setColor(Color(1.0f, 0.0f, 0.0f, 1.0f));
    bulb.setGlobalTransformation(TMatrix(), Vector(50, 50, 50));  // out of reach
    sky.setColor(Color(0.0f, 0.0f, 0.5f, 0.0f));
    ScopedRenderLight sunLight(sun), bulbLight(bulb), spotLight(spot), skyLight(sky);
    for (D3DRenderLight* l : {sunLight.get(), bulbLight.get(), skyLight.get()})
        l->activate(*first);
    spotLight->activate(*second);

    const unsigned viewports = platform::testing::callCount("IDirect3D3::CreateViewport");
    const unsigned lights = platform::testing::callCount("IDirect3D3::CreateLight");
    theRenderDriver->changeVideoMode(theRenderDriver->getCurrentVideoMode());
    EXPECT_EQ(platform::testing::callCount("IDirect3D3::CreateViewport"), viewports + 2);
    EXPECT_EQ(platform::testing::callCount("IDirect3D3::CreateLight"), lights + 3);

    for (D3DRenderLight* l : {sunLight.get(), bulbLight.get(), spotLight.get()})
        EXPECT_NE(static_cast<IDirect3DLight*>(*l), nullptr);
    EXPECT_EQ(static_cast<IDirect3DLight*>(*skyLight.get()), nullptr);
    ASSERT_NE(first->GetViewport(), nullptr);
    ASSERT_NE(second->GetViewport(), nullptr);
    EXPECT_EQ(attachedLights(first->GetViewport()),
              (std::vector<IDirect3DLight*>{*sunLight.get(), *bulbLight.get()}));
    EXPECT_EQ(attachedLights(second->GetViewport()),
              std::vector<IDirect3DLight*>{*spotLight.get()});

    // The next frame sends the kept descriptions again and lights as before.
    LitTriangle triangle;
    drawLit(triangle, {sunLight.get(), bulbLight.get(), skyLight.get()});
    EXPECT_EQ(triangle.drawResult, D3D_OK);
    const Rgb lit = centre();
    EXPECT_GT(lit.r, 200);
    EXPECT_GT(lit.b, 100);
    EXPECT_LT(lit.b, 160);
    EXPECT_EQ(description(*sunLight.get()).dvDirection.z, 1.0f);

    for (D3DRenderLight* l : {sunLight.get(), bulbLight.get(), skyLight.get()})
        l->deactivate(*first);
    spotLight->deactivate(*second);
}

TEST_F(ViewFrameTest, AViewKeptAcrossANewVideoModeGetsAViewportOnTheNewDevice) {
    ScopedRenderView renderView(view);
    Light sun(DIRECTIONAL_LIGHT);
    sun.setColor(Color(1.0f, 0.0f, 0.0f, 1.0f));
    ScopedRenderLight light(sun);
    light->activate(*renderView);
    const VideoMode* mode = theRenderDriver->getCurrentVideoMode();
    theRenderDriver->termVideoMode();
    theRenderDriver->initVideoMode(mode);
    ASSERT_NE(g_pDevice, nullptr);

    LitTriangle triangle;
    drawLit(triangle, {light.get()});
    EXPECT_EQ(triangle.drawResult, D3D_OK);
    EXPECT_EQ(renderView->getViewportData().dwWidth, 800u);
    IDirect3DViewport3* current = nullptr;
    ASSERT_EQ(g_pDevice->GetCurrentViewport(&current), D3D_OK);
    EXPECT_EQ(current, renderView->GetViewport());
    if (current)
        current->Release();
    EXPECT_EQ(attachedLights(renderView->GetViewport()),
              std::vector<IDirect3DLight*>{*light.get()});
    EXPECT_GT(centre().r, 200);
    light->deactivate(*renderView);
}
