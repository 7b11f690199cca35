#include "special/halo/halo_manager.h"
#include "special/halo/sprite.h"

#include "../support/log_capture.h"
#include "../support/mesh_scene.h"

#include <engine/core/animator.h>
#include <engine/core/globals.h>
#include <engine/core/special_effect.h>
#include <engine/core/render_timer.h>

namespace {

// A halo straight ahead of the camera at depth 5, at its brightest there,
// fading fully in or out in one step of the frame clock.
class HalosTest : public MeshesTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MeshesTest::SetUp());
        ASSERT_NE(theD3DHaloManager, nullptr);
        // Made as the engine makes them, by the factory: with the view tests.
        halo.reset(dynamic_cast<SpriteHalo*>(theRenderSpecialEffectFactory->createSpriteHalo()));
        ASSERT_NE(halo, nullptr);
        halo->setLocalOffset(Vector(0, 0, 5));
        halo->setNearDepth(1.0f);
        halo->setFarDepth(20.0f);
        halo->setPeakDepth(5.0f);
        halo->setSizeNear(0.05f);
        halo->setSizeFar(0.05f);
        halo->setFadeInSpeed(1e6f);
        halo->setFadeOutSpeed(1e6f);
    }
    void TearDown() override {
        if (wall)
            theD3DHaloManager->delObstacle(wall.get());
        wall.reset();
        theCharacterLibrary->unregisterCharacter("wall");
        halo.reset();
        MeshesTest::TearDown();
    }
    // A frame in which the halo registers first, then the wall (if any) is drawn.
    // The frame clock moves on by a tenth of a second.
    void drawHalo(bool withHalo = true) {
        clock += 0.1;
        theRenderTimer->update(clock);
        drawScene({}, [&] {
            if (withHalo)
                halo->render(**renderView);
            if (wall)
                wall->render();
        });
    }
    // A red wall at depth 3 over the middle of the screen, an obstacle.
    void buildWall() {
        BaseKeyMesh& mesh = build().quad(0, 1, -1, -1, 1, 3).material(material("red")).finish();
        theCharacterLibrary->registerCharacter("wall", mesh);
        wall = theCharacterLibrary->createAnimator("wall");
        theD3DHaloManager->addObstacle(wall.get());
    }
    uint32_t centre() const { return pixels.at(kHeight / 2 * kWidth + kWidth / 2) & 0xFFFFFF; }

    std::unique_ptr<SpriteHalo> halo;
    std::unique_ptr<Animator> wall;
    double clock = 0.0;
};

TEST_F(HalosTest, AHaloBrightensItsSpotReportsAFailedDrawAndFadesWhenHidden) {
    theRenderTimer->reset();
    drawHalo();  // the clock's first step is zero: seen, but not faded in yet
    drawHalo();
    EXPECT_EQ(centre(), 0xFFFFFFu) << std::hex << centre();
    halo->setTexture("/Images/Meshes/red.tga");
    drawHalo();
    EXPECT_EQ(centre(), 0xFF0000u) << std::hex << centre();
    const int edge = static_cast<int>(0.05f * kWidth);  // half-size in pixels
    EXPECT_EQ(pixels.at(kHeight / 2 * kWidth + kWidth / 2 + 2 * edge) & 0xFFFFFF, 0u);
    // A failed draw is reported.
    LogCapture log;
    platform::testing::failNextCall("IDirect3DDevice3::DrawPrimitive", DDERR_SURFACELOST);
    drawHalo();
    EXPECT_EQ(log.countKind("Driver", debug::Message::Kind::Error), 1);

    buildWall();
    drawHalo(false);
    const std::vector<uint32_t> wallAlone = pixels;
    drawHalo();
    EXPECT_EQ(pixels, wallAlone);  // hidden: not a pixel changes
}

// An obstacle is kept once per animator, until it is taken off.
TEST_F(HalosTest, ObstaclesBehindTheHaloAndZeroIntensityChangeNothing) {
    halo->setLocalOffset(Vector(0, 0, 2));  // in front of the wall
    buildWall();
    theD3DHaloManager->addObstacle(wall.get());
    EXPECT_EQ(wall->getEffects().size(), 1u);
    drawHalo();
    drawHalo();
    EXPECT_NE(centre(), 0xFF0000u);

    drawHalo(false);
    const std::vector<uint32_t> wallAlone = pixels;
    halo->setBrightness(0.0f);  // the darkening blend with black: no change
    drawHalo();
    EXPECT_EQ(pixels, wallAlone);
    theD3DHaloManager->delObstacle(wall.get());
    EXPECT_FALSE(theD3DHaloManager->isObstacle(wall.get()));
    EXPECT_TRUE(wall->getEffects().empty());
}

}  // namespace
