// Whole frames through the driver: textured meshes lit by a directional
// light and a quarter of ambient light, hidden by nearer ones, and seen
// through translucent ones.
#include "../support/mesh_scene.h"

#include <engine/core/light.h>

namespace {

class MeshPixelTest : public MeshesTest {
protected:
    void SetUp() override {
        MeshesTest::SetUp();
        if (HasFatalFailure())
            return;
        sun.setColor(Color(1, 1, 1, 1));
        sky.setColor(Color(0.25f, 0.25f, 0.25f, 1));
        for (Light* light : {&sun, &sky}) {
            lights.push_back(std::make_unique<ScopedRenderLight>(*light));
            lights.back()->get()->activate(**renderView);
        }
    }
    void TearDown() override {
        for (auto& light : lights)
            light->get()->deactivate(**renderView);
        lights.clear();
        MeshesTest::TearDown();
    }
    // One frame: the lights, then the shells in the given order.
    void drawLitScene(std::vector<RenderMeshShellInterface*> shells) {
        drawScene(shells, [&] {
            theRenderDriver->renderLight(lights[0]->get(), sun.getGlobalTM(), sun.getGlobalOff());
            theRenderDriver->renderLight(lights[1]->get(), sky.getGlobalTM(), sky.getGlobalOff());
        });
    }

    Light sun{DIRECTIONAL_LIGHT};  // shines along +z, onto faces turned to the eye
    Light sky{AMBIENT_LIGHT};
    std::vector<std::unique_ptr<ScopedRenderLight>> lights;
};

}  // namespace

// Only the ambient quarter on the side turned away.
TEST_F(MeshPixelTest, TheLitSideIsBrighterThanTheUnlitSideOnABlackBackground) {
    MeshBuilder& builder = build().material(material("white")).quad(0, 1, -2, -1, -0.2f, 5);
    RenderMeshShell shell(builder.quad(0, 1, 0.2f, -1, 2, 5, Vector(0, 0, 1)).finish());
    ASSERT_NO_FATAL_FAILURE(drawLitScene({&shell}));
    expectIn(at(0, -1.1f, 5), {201, 201, 201});
    expectIn(at(0, 1.1f, 5), {41, 41, 41}, {99, 99, 99});
    for (const Rgb& black : {at(0, 0, 5), at(3, -3.5f, 5)})
        expectIn(black, {0, 0, 0}, {0, 0, 0});
}

TEST_F(MeshPixelTest, ANearerMeshHidesAFartherOneDrawnAfterIt) {
    RenderMeshShell nearShell(build().material(material("red")).quad(0, 1, -1, -1, 1, 4).finish());
    RenderMeshShell farShell(build().material(material("green")).quad(0, 4, -4, -4, 4, 8).finish());
    ASSERT_NO_FATAL_FAILURE(drawLitScene({&nearShell, &farShell}));
    expectIn(at(0, 0, 4), {201, 0, 0}, {255, 39, 255});
    expectIn(at(0, 3, 8), {0, 201, 0}, {39, 255, 255});  // only the far mesh there
}

// The pane first: its alpha sets wait for the end of the view.
TEST_F(MeshPixelTest, ATranslucentMeshBlendsWithWhatIsBehindIt) {
    RenderMeshShell wall(build().material(material("green")).quad(0, 2, -4, -2, 0, 8).finish());
    RenderMeshShell pane(build().material(material("glass")).quad(0, 1, -1, -1, 1, 4).finish());
    ASSERT_NO_FATAL_FAILURE(drawLitScene({&pane, &wall}));
    expectGlassOverWall();
}
