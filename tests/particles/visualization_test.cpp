#include "special/particles/animator_visualization.h"
#include "special/particles/sprite_buffer.h"
#include "special/particles/vb_sprite_visualization.h"

#include "../support/log_capture.h"
#include "../support/mesh_scene.h"

#include <engine/config.h>
#include <engine/core/animator.h>
#include <engine/core/effect_settings.h>

namespace {

unsigned spriteDraws() {
    return platform::testing::callCount("IDirect3DDevice3::DrawIndexedPrimitiveVB");
}

// A system whose particles stay where they are put, in front of the camera.
class ParticlesTest : public MeshesTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MeshesTest::SetUp());
        system.setTransformation(TMatrix(), Vector(0, 0, 4));
        auto made = std::make_unique<VBSpriteParticleVisualization>();
        sprite = made.get();
        system.setVisualization(std::move(made));
    }
    void TearDown() override {
        SEVertexFog::enabled = false;
        system.setVisualization(nullptr);
        MeshesTest::TearDown();
    }
    void configure(const std::string& text) {
        config::Config cfg;
        ASSERT_TRUE(cfg.readString(text));
        system.configure(cfg);
    }
    // Particles (one by default) of the colour at (x up, y right) in the system.
    void place(float x, float y, float z, const Color& color, int count = 1) {
        particles::EmitterSettings s = system.getSettings();
        s.emissionRate = 0.0f;
        s.speed = 0.0f;
        s.emitterPosition = Vector(x, y, z);
        s.startColor = s.endColor = color;
        s.lifetime = 100.0f;
        s.maxParticles = std::max(s.maxParticles, count);
        system.setSettings(s);
        system.burst(count);
    }
    void drawSystem() {
        drawScene({}, [&] { system.render(); });
    }
    uint32_t centre() const { return pixels.at(kHeight / 2 * kWidth + kWidth / 2) & 0xFFFFFF; }

    particles::ParticleBaseEngine system;
    VBSpriteParticleVisualization* sprite = nullptr;
};

TEST_F(ParticlesTest, QuadsGoOutInBatchesOf128) {
    configure("radius = 0.01;");
    place(0, 0, 0, Color(1, 1, 1, 1), 129);
    platform::testing::resetCallCounts();
    drawSystem();
    EXPECT_EQ(spriteDraws(), 2u);
    // The last batch has one quad: six indices.
    EXPECT_EQ(platform::testing::lastArguments("IDirect3DDevice3::DrawIndexedPrimitiveVB").at(3), 6u);
    EXPECT_EQ(sprites::SpriteBuffer::indices()[6 * 127 + 5], 4 * 127 + 2);
}

// A failed lock ends a frame's drawing quietly; beyond the fog's end the
// system is not drawn, half way into it in a darker colour.
TEST_F(ParticlesTest, AFailedLockOrTheFogsEndStopsTheDrawAndTheNextFrameDraws) {
    configure("radius = 0.5;");
    place(0, 0, 0, Color(1, 0, 0, 1));
    LogCapture log;
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_SURFACELOST);
    platform::testing::resetCallCounts();
    drawSystem();
    EXPECT_EQ(spriteDraws(), 0u);
    EXPECT_TRUE(log.records().empty());
    drawSystem();
    EXPECT_EQ(spriteDraws(), 1u);
    EXPECT_EQ(centre(), 0xFF0000u) << std::hex << centre();

    SEVertexFog::enabled = true;
    SEVertexFog::start = 2.9f;
    SEVertexFog::end = 3.5f;  // the centre is 3.9 beyond the near plane (0.1)
    drawSystem();
    EXPECT_EQ(spriteDraws(), 1u);
    EXPECT_EQ(centre(), 0u);
    SEVertexFog::end = 4.9f;  // now half way into the fog: a darker red
    drawSystem();
    EXPECT_EQ(spriteDraws(), 2u);
    EXPECT_NEAR(int(centre() >> 16), 128, 8);  // red has five bits here
}

TEST_F(ParticlesTest, BlendingsAndSortingByPixels) {
    configure("radius = 0.5; rendering = \"alpha\";");
    place(0, 0, -1, Color(1, 0, 0, 1));  // near, at depth 3; first in the list
    place(0, 0, 2, Color(0, 1, 0, 1));   // far, at depth 6
    // Without depth writes, unsorted, the far one is drawn last, over the near one.
    drawSystem();
    EXPECT_EQ(centre(), 0x00FF00u) << std::hex << centre();
    sprite->setSortParticles(true);
    drawSystem();
    EXPECT_EQ(centre(), 0xFF0000u) << std::hex << centre();
}

TEST_F(ParticlesTest, UnknownRenderingKeepsTheModeAndAMissingTextureWarnsOnce) {
    configure("rendering = \"spark\";");
    EXPECT_EQ(sprite->getSettings().rendering, sprites::SPARK);
    configure("rendering = \"glow\"; radius = \"wide\";");
    EXPECT_EQ(sprite->getSettings().rendering, sprites::SPARK);
    EXPECT_EQ(sprite->getSettings().radius, 0.05f);
    EXPECT_FALSE(sprite->setRendering("glow"));

    LogCapture log;
    configure("textureName = \"no-such-sprite.tga\"; rendering = \"common\"; radius = 0.5;");
    sprite->setTextureName("no-such-sprite.tga");
    EXPECT_EQ(log.countKind("Driver", debug::Message::Kind::Warning), 1);
    place(0, 0, 0, Color(0, 0, 1, 1));
    drawSystem();
    EXPECT_EQ(centre(), 0x0000FFu) << std::hex << centre();  // drawn in its colour alone
}

TEST_F(ParticlesTest, AnimatorsStandInForParticles) {
    BaseKeyMesh& cube = build().quad(0, 0.2f, -0.2f, -0.2f, 0.2f, 0).material(material("red")).finish();
    theCharacterLibrary->registerCharacter("cube", cube);
    AnimatorParticleVisualization animators;
    animators.initialize(&system);
    config::Config cfg;
    ASSERT_TRUE(cfg.readString("characters = [\"cube\", \"nobody\"]; reserve = 1; rendering = \"dark\";"));
    animators.configure(cfg, nullptr);
    EXPECT_EQ(animators.getRendering(), 2);
    EXPECT_FALSE(animators.setRendering("alpha"));  // not one of this one's three
    EXPECT_EQ(animators.getRendering(), 2);
    animators.setRendering("common");
    place(0, 0, 0, Color(1, 1, 1, 1));
    place(0, 1, 0, Color(1, 1, 1, 1));
    place(0, -1, 0, Color(1, 1, 1, 1));
    light();
    drawScene({}, [&] { animators.render(system.getMatrix(), system.getOffset()); });
    // The reserve grew for the three, from the one character there is.
    EXPECT_EQ(animators.getDrawnCount(), 3);
    EXPECT_EQ(animators.getReserveSize(), 3u);
    EXPECT_GT(centre() >> 16, 0x40u) << std::hex << centre();  // a red quad in the middle
    EXPECT_EQ(centre() & 0xFFFF, 0u) << std::hex << centre();
    theCharacterLibrary->unregisterCharacter("cube");
}

}  // namespace
