// Whole frames through the driver: textured meshes lit by a directional
// light, hidden by nearer ones, and seen through translucent ones.
#include "meshes_fixture.h"

#include "application.h"
#include "d3dframe/d3dframe.h"

#include <engine/core/light.h>
#include <engine/core/render_mesh_shell.h>

namespace {

struct Rgb {
    int r, g, b;
};

class MeshPixelTest : public MeshesTest {
protected:
    void SetUp() override {
        MeshesTest::SetUp();
        if (HasFatalFailure())
            return;
        sun.setColor(Color(1, 1, 1, 1));
        sky.setColor(Color(0.25f, 0.25f, 0.25f, 1));
        light = std::make_unique<ScopedRenderLight>(sun);
        ambient = std::make_unique<ScopedRenderLight>(sky);
        (*light)->activate(**renderView);
        (*ambient)->activate(**renderView);
    }
    void TearDown() override {
        for (std::unique_ptr<ScopedRenderLight>* l : {&light, &ambient})
            if (*l) {
                (**l)->deactivate(**renderView);
                l->reset();
            }
        MeshesTest::TearDown();
    }

    // One frame: the light, then the shells in the given order.
    void drawScene(std::vector<RenderMeshShell*> shells) {
        frame([&](D3DRenderView&) {
            theRenderDriver->renderLight(light->get(), sun.getGlobalTM(), sun.getGlobalOff());
            theRenderDriver->renderLight(ambient->get(), sky.getGlobalTM(), sky.getGlobalOff());
            for (RenderMeshShell* shell : shells)
                theRenderDriver->renderMesh(shell);
        });
        pixels = platform::testing::readSurfaceARGB(g_pFramework->GetFrontBuffer());
        ASSERT_EQ(pixels.size(), std::size_t(kWidth) * kHeight);
    }

    // The pixel showing the world point (x up, y right) at depth z.
    Rgb at(float x, float y, float z) const {
        const int sx = int(kWidth / 2.0f * (1 + y / z));
        const int sy = int(kHeight / 2.0f * (1 - 4.0f / 3.0f * x / z));
        const uint32_t p = pixels.at(std::size_t(sy) * kWidth + std::size_t(sx));
        return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
    }

    Light sun{DIRECTIONAL_LIGHT};  // shines along +z, onto faces turned to the eye
    Light sky{AMBIENT_LIGHT};
    std::unique_ptr<ScopedRenderLight> light, ambient;
    std::vector<uint32_t> pixels;
};

}  // namespace

TEST_F(MeshPixelTest, TheLitSideIsBrighterThanTheUnlitSideOnABlackBackground) {
    Texture white = texture("white.tga");
    Material material;
    material.setTexture(1, &white);
    MeshBuilder builder;
    builder.material(&material);
    builder.quad(0, 1, -2, -1, -0.2f, 5, Vector(0, 0, -1));
    builder.quad(0, 1, 0.2f, -1, 2, 5, Vector(0, 0, 1));
    RenderMeshShell shell(builder.finish());
    ASSERT_NO_FATAL_FAILURE(drawScene({&shell}));

    const Rgb lit = at(0, -1.1f, 5), unlit = at(0, 1.1f, 5), gap = at(0, 0, 5);
    EXPECT_GT(lit.r, 200);
    EXPECT_GT(lit.g, 200);
    EXPECT_GT(lit.b, 200);
    // Only the ambient quarter on the side turned away.
    for (int channel : {unlit.r, unlit.g, unlit.b}) {
        EXPECT_GT(channel, 40);
        EXPECT_LT(channel, 100);
    }
    EXPECT_EQ(gap.r + gap.g + gap.b, 0);
    const Rgb corner = at(3, -3.5f, 5);
    EXPECT_EQ(corner.r + corner.g + corner.b, 0);
}

TEST_F(MeshPixelTest, ANearerMeshHidesAFartherOneDrawnAfterIt) {
    Texture red = texture("red.tga"), green = texture("green.tga");
    Material redMaterial, greenMaterial;
    redMaterial.setTexture(1, &red);
    greenMaterial.setTexture(1, &green);
    MeshBuilder nearBuilder, farBuilder;
    nearBuilder.material(&redMaterial).quad(0, 1, -1, -1, 1, 4);
    farBuilder.material(&greenMaterial).quad(0, 4, -4, -4, 4, 8);
    RenderMeshShell nearShell(nearBuilder.finish()), farShell(farBuilder.finish());
    ASSERT_NO_FATAL_FAILURE(drawScene({&nearShell, &farShell}));

    const Rgb front = at(0, 0, 4);
    EXPECT_GT(front.r, 200);
    EXPECT_LT(front.g, 40);
    const Rgb beside = at(0, 3, 8);  // only the far mesh there
    EXPECT_LT(beside.r, 40);
    EXPECT_GT(beside.g, 200);
}

TEST_F(MeshPixelTest, ATranslucentMeshBlendsWithWhatIsBehindIt) {
    Texture green = texture("green.tga"), glass = texture("glass.tga");
    Material greenMaterial, glassMaterial;
    greenMaterial.setTexture(1, &green);
    glassMaterial.setTexture(1, &glass);
    MeshBuilder wallBuilder, paneBuilder;
    wallBuilder.material(&greenMaterial).quad(0, 2, -4, -2, 0, 8);
    paneBuilder.material(&glassMaterial).quad(0, 1, -1, -1, 1, 4);
    RenderMeshShell wall(wallBuilder.finish()), pane(paneBuilder.finish());
    // The pane first: its alpha sets wait for the end of the view.
    ASSERT_NO_FATAL_FAILURE(drawScene({&pane, &wall}));

    const Rgb overWall = at(0.5f, -0.5f, 4);
    EXPECT_GT(overWall.g, 70);
    EXPECT_LT(overWall.g, 190);
    EXPECT_GT(overWall.b, 70);
    EXPECT_LT(overWall.b, 190);
    const Rgb overNothing = at(0.5f, 0.5f, 4);
    EXPECT_LT(overNothing.g, 20);
    EXPECT_GT(overNothing.b, 70);
    EXPECT_LT(overNothing.b, 190);
    const Rgb wallOnly = at(0, -3, 8);
    EXPECT_GT(wallOnly.g, 200);
    EXPECT_LT(wallOnly.b, 20);
}
