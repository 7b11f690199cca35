#include "special/opacity/camera_vanish.h"
#include "special/opacity/vertex_opacity.h"

#include "../effects/effect_scene.h"

#include <engine/core/animator.h>
#include <engine/core/globals.h>
#include <engine/resources.h>

#include <cmath>
#include <cstring>
#include <tuple>

namespace {

using translucent::fadeVertex;
using translucent::toOpacity;

// Every call a camera vanish makes to its listener, as text.
struct RecordingListener : CameraVanishListener {
    void targetChanged(Animator* previous, Animator* current) override {
        calls.push_back("target " + std::to_string(previous != nullptr) +
                        std::to_string(current != nullptr));
    }
    void opacityChanged(float previous, float current) override {
        calls.push_back("opacity " + std::to_string(std::lround(previous * 255)) + " " +
                        std::to_string(std::lround(current * 255)));
    }
    void flagChanged(bool previous, bool current) override {
        calls.push_back("flag " + std::to_string(previous) + std::to_string(current));
    }
    void parametersChanged(float a, float b, float c, float d, float e, float f, float g,
                           float h) override {
        char text[200];
        std::snprintf(text, sizeof text, "parameters %g %g %g %g -> %g %g %g %g", a, b, c, d, e,
                      f, g, h);
        calls.push_back(text);
    }
    std::vector<std::string> calls;
};

class OpacityTest : public EffectScene {
protected:
    // A white quad (the middle of the screen, a quarter of its width) whose
    // nearest part lies `depth` beyond the near plane, and a small one a
    // unit behind it, off the centre, so that the mesh has a depth.
    RenderMeshShell& quadAt(float depth) {
        const float z = depth + camera.getNearDistance();
        build()
            .quad(0, 0.5f * z, -0.5f * z, -0.5f * z, 0.5f * z, z)
            .quad(0, 0.4f * z, -0.4f * z, 0.3f * z, -0.3f * z, z + 1.0f)
            .material(material("white"));
        return shells.emplace_back(builders.back().finish());
    }
    int grey(int x = 320, int y = 240) const {
        return int(pixels.at(std::size_t(y) * kWidth + std::size_t(x)) >> 8 & 0xFF);
    }
    // The diffuse and specular colours of buffer vertex i after the frame.
    static std::pair<std::uint32_t, std::uint32_t> colours(D3DOneLevelRenderMesh& mesh, int i) {
        MarkedVertexBuffer& buffer = *mesh.getVertexBuffer();
        const unsigned char* data = buffer.lockDestinationBuffer(0);
        std::uint32_t c[2] = {};
        if (data)
            std::memcpy(c, data + std::size_t(i * buffer.getDestinationVertexSize()) + 16, 8);
        buffer.unlockDestinationBuffer();
        return {c[0], c[1]};
    }
};

}  // namespace

TEST(OpacityArithmetic, RoundsToEvenAndFadesTheDiffuseAlphaAndTheSpecularColour) {
    const std::pair<float, int> rounding[] = {
        {0.5f, 128}, {1.2f, 255}, {-0.1f, 0}, {1.0f, 255}, {0.0f, 0}, {NAN, 255}, {0.3f, 76}};
    for (const auto& [given, expected] : rounding)
        EXPECT_EQ(toOpacity(given), expected) << given;

    // A processed vertex: position and rhw, then diffuse and specular.
    const std::pair<unsigned, std::array<std::uint32_t, 2>> fades[] = {
        {128, {0x7F204080u, 0xFF7F7F7Fu}}, {0, {0x00204080u, 0xFF000000u}},
        {64, {0x3F204080u, 0xFF3F3F3Fu}}};
    for (const auto& [level, expected] : fades) {
        unsigned char vertex[48] = {};
        // The specular's top byte (the fog factor) is left alone.
        const std::uint32_t diffuse = 0xFF204080u, specular = 0xFFFFFFFFu;
        std::memcpy(vertex + 16, &diffuse, 4);
        std::memcpy(vertex + 20, &specular, 4);
        fadeVertex(vertex, level);
        std::uint32_t out[2];
        std::memcpy(out, vertex + 16, 8);
        EXPECT_EQ(out[0], expected[0]) << level;
        EXPECT_EQ(out[1], expected[1]) << level;
    }

    // Camera vanish between its own distances and opacities.
    const CameraVanish::Parameters narrow{1.0f, 3.0f, 0.25f, 0.75f};
    EXPECT_FLOAT_EQ(CameraVanish::opacityAt(2.0f, narrow), 0.5f);
    EXPECT_FLOAT_EQ(CameraVanish::opacityAt(0.5f, narrow), 0.25f);
    EXPECT_FLOAT_EQ(CameraVanish::opacityAt(2.999f, narrow), 0.74975f);
    EXPECT_FLOAT_EQ(CameraVanish::opacityAt(3.0f, narrow), 1.0f);
}

TEST_F(OpacityTest, PartOpacityBlendsTheMeshOverTheSceneFullChangesNoPixelNoneCullsIt) {
    RenderMeshShell& shell = quadAt(4.0f);
    drawScene({&shell});
    const std::vector<std::uint32_t> plain = pixels;
    const int full = grey();
    ASSERT_GT(full, 100);

    std::unique_ptr<OpacityEffectInterface> opacity(factory().createOpacity());
    ASSERT_TRUE(shell.attachEffect(opacity.get()));
    opacity->setOpacity(1.0f);
    drawScene({&shell});
    EXPECT_EQ(pixels, plain) << "opacity 1 leaves the frame as without the effect";

    opacity->setOpacity(0.5f);
    drawScene({&shell});
    EXPECT_NEAR(grey(), full * 127 / 255, 3) << "alpha 0xFF * 128 >> 8 over black";
    // A buffer that cannot be locked keeps the colours the mesh lit.
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_GENERIC);
    drawScene({&shell});
    EXPECT_EQ(grey(), full);

    opacity->setOpacity(0.25f);
    drawScene({&shell});
    EXPECT_NEAR(grey(), full * 63 / 255, 3) << "0.25 is 64; 0xFF * 64 >> 8 is 63";
    // Nothing left to see: culled, not drawn.
    opacity->setOpacity(0.0f);
    platform::testing::resetCallCounts();
    drawScene({&shell});
    EXPECT_TRUE(shell.wasCulled());
    EXPECT_EQ(draws(), 0u);
    EXPECT_EQ(grey(), 0);
    shell.detachEffect(opacity.get());

    // A texture's own alpha and the opacity multiply: half of a half-transparent
    // glass lets three quarters of the black background through.
    RenderMeshShell& glass = quad("glass", 1, -1, -1, 1, 5);
    drawScene({&glass});
    const int clear = int(centre() & 0xFF);
    ASSERT_GT(clear, 60);
    ASSERT_TRUE(glass.attachEffect(opacity.get()));
    opacity->setOpacity(0.5f);
    drawScene({&glass});
    EXPECT_NEAR(int(centre() & 0xFF), clear / 2, 4);
    glass.detachEffect(opacity.get());
}

TEST_F(OpacityTest, CameraVanishFadesByDepthCullsAtTheNearEndSwitchesItsTargetAndTellsItsListener) {
    std::unique_ptr<CameraVanishInterface> vanish(factory().createCameraVanish());
    RecordingListener listener;
    vanish->setListener(&listener);
    const struct {
        float depth;
        int opacity;
        bool culled;
    } steps[] = {{1.0f, 128, false}, {0.0f, 0, true}, {3.0f, 255, false}, {3.5f, 255, false}};
    for (const auto& step : steps) {
        RenderMeshShell& shell = quadAt(step.depth);
        ASSERT_TRUE(shell.attachEffect(vanish->getEffectMesh()));
        drawScene({&shell});
        EXPECT_EQ(toOpacity(vanish->getOpacity()), step.opacity) << step.depth;
        EXPECT_EQ(shell.wasCulled(), step.culled) << step.depth;
        shell.detachEffect(vanish->getEffectMesh());
    }
    const std::vector<std::string> heard = {"opacity 255 128", "opacity 128 0", "opacity 0 255"};
    EXPECT_EQ(listener.calls, heard) << "no call when the opacity stays";

    // A mesh the view culls (behind the camera) keeps the opacity, silently.
    RenderMeshShell& near = quadAt(1.0f);
    near.attachEffect(vanish->getEffectMesh());
    drawScene({&near});
    listener.calls.clear();
    near.setTransformation(TMatrix(), Vector(0, 0, -10));
    drawScene({&near});
    EXPECT_EQ(toOpacity(vanish->getOpacity()), 128);
    EXPECT_TRUE(listener.calls.empty());

    // Disabled, by itself or by the engine's switch: opaque, silently.
    near.setTransformation(TMatrix(), Vector());
    for (const bool globally : {false, true}) {
        drawScene({&near});
        ASSERT_EQ(toOpacity(vanish->getOpacity()), 128);
        listener.calls.clear();
        globally ? SECameraVanish::setEnableState(false) : vanish->disable();
        drawScene({&near});
        EXPECT_FLOAT_EQ(vanish->getOpacity(), 1.0f);
        EXPECT_TRUE(listener.calls.empty());
        SECameraVanish::setEnableState(true);
        vanish->enable();
    }
    near.detachEffect(vanish->getEffectMesh());

    // A target model is shown only while the mesh is see-through (still half
    // from before); every change is reported.
    auto* effect = dynamic_cast<CameraVanish*>(vanish.get());
    ASSERT_NE(effect, nullptr);
    listener.calls.clear();
    BaseKeyMesh& interior = build().quad(0, 1, -1, -1, 1, 6).material(material("red")).finish();
    Animator target("interior", interior);

    vanish->setTarget(&target);
    ASSERT_EQ(target.getEffects().size(), 1u);
    EXPECT_FALSE(effect->getRenderEnable().isEnabled()) << "hidden while the model is opaque";
    RenderMeshShell& shell = quadAt(1.0f);
    shell.attachEffect(vanish->getEffectMesh());
    drawScene({&shell});
    EXPECT_TRUE(effect->getRenderEnable().isEnabled());
    shell.setTransformation(TMatrix(), Vector(0, 0, 5));  // far: opaque, hidden again
    drawScene({&shell});
    EXPECT_FALSE(effect->getRenderEnable().isEnabled());
    vanish->setFlag(false);
    vanish->setParameters(1.0f, 3.0f, 0.25f, 0.75f);
    vanish->setTarget(nullptr);
    EXPECT_TRUE(target.getEffects().empty());
    EXPECT_EQ(listener.calls,
              (std::vector<std::string>{"target 01", "opacity 128 255", "flag 10",
                                        "parameters 0 2 0 1 -> 1 3 0.25 0.75", "target 10"}));
    shell.detachEffect(vanish->getEffectMesh());
}

TEST_F(OpacityTest, CameraVanishReadsItsConfigurationAndKeepsDefaultsForBadKeys) {
    const struct {
        const char* text;
        CameraVanish::Parameters expected;
    } cases[] = {
        {"CameraVanish = { minDistance = 0.5; maxDistance = 4; minAlpha = 0.1; maxAlpha = 0.9; };",
         {0.5f, 4.0f, 0.1f, 0.9f}},
        {"CameraVanish = { minDistance = \"near\"; maxDistance = (1.0, 2.0); maxAlpha = 0.5; };",
         {0.0f, 2.0f, 0.0f, 0.5f}},
        {"CameraVanish = { minDistance = 0.5; ", {}},
        {"Other = { minDistance = 1.0; };", {}}};
    for (const auto& c : cases) {
        auto file = theResourceManager->openWrite(CameraVanish::configPath);
        ASSERT_TRUE(file && file->write(c.text));
        file.reset();  // closed before it is read
        CameraVanish vanish;
        const CameraVanish::Parameters &r = vanish.getParameters(), &e = c.expected;
        EXPECT_EQ(std::tie(r.minDistance, r.maxDistance, r.minAlpha, r.maxAlpha),
                  std::tie(e.minDistance, e.maxDistance, e.minAlpha, e.maxAlpha))
            << c.text;
    }
    ASSERT_TRUE(theResourceManager->remove(CameraVanish::configPath));
}

TEST_F(OpacityTest, VertexOpacityFadesExactlyTheVerticesOfItsMaterial) {
    // Material 0 on the left, material 2 on the right; material 1 unused.
    const Material* white = material("white");
    build().quad(0, 1, -2, -1, -0.2f, 6).quad(2, 1, 0.2f, -1, 2, 6);
    builders.back().material(white).material(white).material(white);
    RenderMeshShell& shell = shells.emplace_back(builders.back().finish());
    drawScene({&shell});
    const int left = grey(260), right = grey(380);
    ASSERT_GT(left, 100);
    ASSERT_EQ(left, right);

    std::unique_ptr<VertexOpacityInterface> vertex(factory().createVertexOpacity());
    ASSERT_TRUE(shell.attachEffect(vertex.get()));
    shell.setPickable(true);
    theRenderDriver->setMousePointerPosition(0.6f, 0.5f);  // a view sees it a frame later
    drawScene({&shell});
    EXPECT_EQ(grey(260), left) << "no entries: drawn by the effect, as before";
    EXPECT_EQ(grey(380), right);

    vertex->setOpacity(2, 0.5f);
    vertex->setOpacity(1, 0.0f);
    drawScene({&shell});
    EXPECT_TRUE(shell.wasPicked()) << "the pick goes on through the effect to the mesh";
    EXPECT_EQ(grey(260), left);
    EXPECT_NEAR(grey(380), right * 127 / 255, 3);
    // The first quad's four buffer vertices keep their alpha, the second's
    // are halved.
    auto& mesh = *dynamic_cast<D3DOneLevelRenderMesh*>(shell.getRenderMesh());
    VertexBufferEntries entries;
    mesh.getVertexBuffer()->createEntries(&entries);
    for (int g = 0; g < 8; ++g) {
        const int v = entries.geometry.list[std::size_t(entries.geometry.start[std::size_t(g)])];
        EXPECT_EQ(colours(mesh, v).first >> 24, g < 4 ? 0xFFu : 0x7Fu) << g;
    }

    // Drawn at once, during the regular pass: no blending there.
    vertex->drawAtOnce();
    drawScene({&shell});
    EXPECT_EQ(grey(380), right);
    shell.detachEffect(vertex.get());
}
