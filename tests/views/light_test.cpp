// Render lights: their Direct3D lights by type, placement by render and
// activate, ambient lights summed into the view, and the factories' care for
// their lists.
#include "views_fixture.h"

#include "states.h"

#include "../driver/log_capture.h"

namespace {

class RenderLightTest : public ViewsTest {
protected:
    View view;
};

// Column 2 of this orientation, the direction a light shines, is (0, -1, 0).
const TMatrix kDown = TMatrix::fromColumns(Vector(1, 0, 0), Vector(0, 0, 1), Vector(0, -1, 0));

}  // namespace

TEST_F(RenderLightTest, OnlyNonAmbientLightsGetADirect3DLight) {
    Light ambient(AMBIENT_LIGHT), point(POINT_LIGHT), directional(DIRECTIONAL_LIGHT),
        spot(SPOT_LIGHT);
    const unsigned created = platform::testing::callCount("IDirect3D3::CreateLight");
    ScopedRenderLight a(ambient), p(point), d(directional), s(spot);
    EXPECT_EQ(platform::testing::callCount("IDirect3D3::CreateLight"), created + 3);
    EXPECT_EQ(static_cast<IDirect3DLight*>(*a.get()), nullptr);
    ASSERT_NE(static_cast<IDirect3DLight*>(*p.get()), nullptr);
    EXPECT_EQ(p->getDescription().dltType, D3DLIGHT_POINT);
    EXPECT_EQ(d->getDescription().dltType, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(s->getDescription().dltType, D3DLIGHT_SPOT);
    EXPECT_EQ(p->getDescription().dwSize, 80u);
    EXPECT_EQ(p->getDescription().dvAttenuation1, 1.0f);
    EXPECT_EQ(p->getRenderView(), nullptr);
}

TEST_F(RenderLightTest, RenderPlacesEachTypeOnTheDevice) {
    Light point(POINT_LIGHT), directional(DIRECTIONAL_LIGHT), spot(SPOT_LIGHT);
    for (Light* l : {&point, &directional, &spot}) {
        l->setColor(Color(0.25f, 0.5f, 0.75f, 1.0f));
        l->setRange(12.0f);
        l->setCutoff(0.3f);
    }
    spot.setAffectSpecular(false);
    ScopedRenderLight p(point), d(directional), s(spot);
    for (D3DRenderLight* light : {p.get(), d.get(), s.get()})
        light->render(kDown, Vector(1, 2, 3));

    const D3DLIGHT2 pd = description(*p.get());
    EXPECT_EQ(pd.dvPosition.z, 3.0f);
    EXPECT_EQ(pd.dvRange, 12.0f);
    EXPECT_EQ(pd.dcvColor.b, 0.75f);
    EXPECT_EQ(pd.dcvColor.a, 0.0f);
    EXPECT_EQ(pd.dwFlags, static_cast<DWORD>(D3DLIGHT_ACTIVE));

    const D3DLIGHT2 dd = description(*d.get());
    EXPECT_EQ(dd.dvDirection.y, -1.0f);
    EXPECT_EQ(dd.dvPosition.x, 0.0f);  // a directional light has no position
    EXPECT_EQ(dd.dvRange, 0.0f);

    const D3DLIGHT2 sd = description(*s.get());
    EXPECT_EQ(sd.dvPosition.y, 2.0f);
    EXPECT_EQ(sd.dvDirection.y, -1.0f);
    EXPECT_EQ(sd.dvTheta, 0.3f);
    EXPECT_EQ(sd.dvPhi, 0.3f);
    EXPECT_EQ(sd.dvRange, 12.0f);
    EXPECT_EQ(sd.dwFlags, static_cast<DWORD>(D3DLIGHT_ACTIVE | D3DLIGHT_NO_SPECULAR));
}

TEST_F(RenderLightTest, TheDriverForwardsRenderLight) {
    Light point(POINT_LIGHT);
    ScopedRenderLight p(point);
    theRenderDriver->renderLight(p.get(), TMatrix(), Vector(5, 6, 7));
    EXPECT_EQ(description(*p.get()).dvPosition.x, 5.0f);

    LogCapture log;
    theRenderDriver->renderLight(nullptr, TMatrix(), Vector());
    EXPECT_EQ(log.count("Driver", "renderLight: no light"), 1);
}

TEST_F(RenderLightTest, ActivatePlacesTheLightWhereTheEngineHasItAndAttachesIt) {
    ScopedRenderView renderView(view);
    Light first(DIRECTIONAL_LIGHT), second(POINT_LIGHT);
    first.setGlobalTransformation(kDown, Vector(9, 9, 9));
    second.setGlobalTransformation(TMatrix(), Vector(-1, -2, -3));
    ScopedRenderLight a(first), b(second);
    a->activate(*renderView);
    b->activate(*renderView);
    EXPECT_EQ(description(*a.get()).dvDirection.y, -1.0f);
    EXPECT_EQ(description(*b.get()).dvPosition.z, -3.0f);
    EXPECT_EQ(a->getRenderView(), renderView.get());
    EXPECT_EQ(renderView->getLights(), (std::list<D3DRenderLight*>{a.get(), b.get()}));
    EXPECT_EQ(attachedLights(renderView->GetViewport()),
              (std::vector<IDirect3DLight*>{*a.get(), *b.get()}));

    a->deactivate(*renderView);
    EXPECT_EQ(a->getRenderView(), nullptr);
    EXPECT_EQ(renderView->getLights(), std::list<D3DRenderLight*>{b.get()});
    EXPECT_EQ(attachedLights(renderView->GetViewport()), std::vector<IDirect3DLight*>{*b.get()});
    b->deactivate(*renderView);
    EXPECT_TRUE(attachedLights(renderView->GetViewport()).empty());
}

TEST_F(RenderLightTest, TwoAmbientLightsSumPastOneAndTheDeviceGetsFull) {
    ScopedRenderView renderView(view);
    Light dim(AMBIENT_LIGHT), other(AMBIENT_LIGHT);
    dim.setColor(Color(0.6f, 0.0f, 0.0f, 0.0f));
    other.setColor(Color(0.6f, 0.0f, 0.0f, 0.0f));
    ScopedRenderLight a(dim), b(other);
    a->activate(*renderView);
    b->activate(*renderView);
    // Ambient lights are not attached as render lights.
    EXPECT_TRUE(renderView->getLights().empty());

    renderView->render();
    theRenderDriver->renderLight(a.get(), TMatrix(), Vector());
    theRenderDriver->renderLight(b.get(), TMatrix(), Vector());
    EXPECT_FLOAT_EQ(renderView->getAmbientLight().r, 1.2f);
    EXPECT_EQ(theRenderStateManager->getState(LS_AMBIENT), 0xFFFF0000u);

    // Deactivated, an ambient light has no view to add to.
    a->deactivate(*renderView);
    renderView->render();
    theRenderDriver->renderLight(a.get(), TMatrix(), Vector());
    EXPECT_EQ(renderView->getAmbientLight(), Color(0, 0, 0, 1));
}

TEST_F(RenderLightTest, ALightDestroyedWhileShiningLeavesItsView) {
    ScopedRenderView renderView(view);
    Light kept(POINT_LIGHT), gone(POINT_LIGHT);
    ScopedRenderLight k(kept);
    k->activate(*renderView);
    {
        ScopedRenderLight g(gone);
        g->activate(*renderView);
        EXPECT_EQ(renderView->getLights().size(), 2u);
    }
    EXPECT_EQ(renderView->getLights(), std::list<D3DRenderLight*>{k.get()});
    EXPECT_EQ(attachedLights(renderView->GetViewport()), std::vector<IDirect3DLight*>{*k.get()});
}

TEST_F(RenderLightTest, AViewDestroyedFirstIsForgottenByItsLights) {
    Light ambient(AMBIENT_LIGHT), point(POINT_LIGHT);
    ambient.setColor(Color(0.5f, 0.5f, 0.5f, 0.0f));
    ScopedRenderLight a(ambient), p(point);
    {
        ScopedRenderView renderView(view);
        a->activate(*renderView);
        p->activate(*renderView);
    }
    EXPECT_EQ(a->getRenderView(), nullptr);
    EXPECT_EQ(p->getRenderView(), nullptr);
    // Nothing to add to, nothing to detach from.
    a->render(TMatrix(), Vector());
    p->render(TMatrix(), Vector(1, 1, 1));
}

TEST_F(RenderLightTest, FactoriesLeaveTheirListsAloneForObjectsTheyDidNotMake) {
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
    EXPECT_EQ(log.count("Driver", "destroy: the light was not made by this factory"), 1);
    EXPECT_EQ(log.count("Driver", "destroy: the view was not made by this factory"), 1);
    EXPECT_EQ(theD3DRenderLightFactory->getLights(), std::list<RenderLight*>{p.get()});
    EXPECT_EQ(theD3DRenderViewFactory->getViews(), std::list<RenderView*>{renderView.get()});
}

TEST_F(RenderLightTest, ActivateInAForeignViewIsRefused) {
    struct OtherView : RenderView {
        using RenderView::RenderView;
        Color calculateIllumination(Vector) override { return Color(); }
    } other(view);
    Light point(POINT_LIGHT);
    ScopedRenderLight p(point);
    LogCapture log;
    p->activate(other);
    EXPECT_EQ(p->getRenderView(), nullptr);
    EXPECT_EQ(log.count("Driver", "D3DRenderLight::activate: not a view of this driver"), 1);
    EXPECT_EQ(theRenderDriver->projectVector(Vector(1, 2, 3), &other), Vector());
    EXPECT_EQ(log.count("Driver", "projectVector: not a view of this driver"), 1);
}

TEST_F(RenderLightTest, ALightActivatedInTwoViewsLeavesBothWhenDestroyed) {
    View other;
    ScopedRenderView first(view), second(other);
    Light point(POINT_LIGHT);
    {
        ScopedRenderLight p(point);
        p->activate(*first);
        // Its Direct3D light stays on the first viewport, but both list it.
        p->activate(*second);
        EXPECT_EQ(first->getLights().size(), 1u);
        EXPECT_EQ(second->getLights().size(), 1u);
        EXPECT_TRUE(attachedLights(second->GetViewport()).empty());
    }
    EXPECT_TRUE(first->getLights().empty());
    EXPECT_TRUE(second->getLights().empty());
    EXPECT_TRUE(attachedLights(first->GetViewport()).empty());
}
