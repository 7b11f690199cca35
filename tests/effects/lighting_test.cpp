// The effects that change how a mesh is lit: the direct highlight, rewritten
// vertex colours, glow and vertex fog.
#include "special/glow/glow.h"
#include "special/glow/vertex_fog.h"
#include "special/highlight/direct_highlight.h"
#include "special/highlight/universal_highlight.h"

#include "effect_scene.h"

#include <engine/core/effect_settings.h>

namespace {

// A link below the effects that records the flags the mesh is transformed with.
class Probe : public EffectiveRenderMesh {
public:
    unsigned getOverloadFlags() const override { return OVERLOAD_TRANSFORM; }
    int getEffectPriority() const override { return -100; }
    void transform(TransformInformation* info) override {
        flags = info ? info->flags : 0;
        EffectiveRenderMesh::transform(info);
    }

    unsigned flags = 0;
};

class LightingTest : public EffectScene {
protected:
    void TearDown() override {
        SEVertexFog::enabled = false;
        EffectScene::TearDown();
    }
    // A white quad round the centre at depth 8.
    RenderMeshShell& whiteQuad() { return quad("white", 2, -2, -2, 2, 8); }
};

}  // namespace

// A direct highlight shines along the line of sight, only on its mesh, with
// the sun only when asked to use the lights.
TEST_F(LightingTest, ADirectHighlightShinesAlongTheLineOfSightOnlyOnItsMesh) {
    RenderMeshShell& front = whiteQuad();
    RenderMeshShell& other = quad("white", 3, -3, 2.5f, 3, 8);
    auto* direct = static_cast<DirectHighlight*>(factory().createDirectHighlight());
    std::unique_ptr<DirectHighlightInterface> owner(direct);
    direct->setColor(Color(1, 0, 0, 1));
    ASSERT_TRUE(front.attachEffect(direct));
    drawScene({&other, &front});
    EXPECT_EQ(direct->getLight(), nullptr) << "removed when the mesh left the view";
    const std::uint32_t highlighted = at(320, 240), plain = at(320, 130);
    EXPECT_EQ(highlighted >> 16 & 0xFF, 0xFFu) << std::hex << highlighted;
    EXPECT_NEAR(int(highlighted >> 8 & 0xFF), 0x40, 2) << "the sun is off: green from the sky";
    EXPECT_NEAR(int(highlighted >> 8 & 0xFF), int(highlighted & 0xFF), 2);
    EXPECT_GT(plain & 0xFF, 0x80u);
    EXPECT_EQ(plain >> 16 & 0xFF, plain & 0xFF) << "the other mesh is not highlighted";
    direct->useLights(true);
    drawScene({&other, &front});
    EXPECT_GT(at(320, 240) & 0xFF, 0x40u) << "the sun too";
    direct->disable();
    drawScene({&other, &front});
    EXPECT_EQ(at(320, 240), plain) << "disabled: lit as the other mesh";
    front.detachEffect(direct);
}

// A modifier rewrites a vertex colour as colour * factor + add, per channel
// and clamped; alpha stays. Add black and factor white: nothing to do. On the
// mesh, the lit colours are rewritten, and lighting dropped when both replace.
TEST_F(LightingTest, UniversalHighlightRewritesTheLitColoursAndDropsLightingWhenBothReplace) {
    const Color black(0, 0, 0, 1), white(1, 1, 1, 1);
    const struct {
        Color add, factor;
        std::uint32_t in, out;
    } cases[] = {
        {Color(1, 0, 0, 1), black, 0x80123456u, 0xFFFF0000u},
        {black, Color(0.5f, 0.5f, 0.5f, 1), 0x80FF0301u, 0x80800200u},
        {Color(0.2f, 0, 1, 1), white, 0x40F00010u, 0x40FF00FFu},
        // 5 * 0.5 rounds to even, 2; 0.5 * 255 packs to 127.
        {Color(0, 0, 0.5f, 1), Color(2, 1, 0.5f, 1), 0x01900005u, 0x01FF0081u},
    };
    for (const auto& c : cases) {
        UniversalHighlight::Modifier m;
        m.set(c.add, c.factor);
        EXPECT_TRUE(m.active) << std::hex << c.in;
        EXPECT_EQ(m.apply(c.in), c.out) << std::hex << c.in;
    }
    UniversalHighlight::Modifier idle;
    idle.set(black, white);
    EXPECT_FALSE(idle.active);

    RenderMeshShell& shell = whiteQuad();
    drawScene({&shell});
    const std::uint32_t plain = at(320, 240);
    UniversalHighlight universal;
    Probe probe;
    ASSERT_TRUE(shell.attachEffect(&probe));
    ASSERT_TRUE(shell.attachEffect(&universal));
    universal.setDiffuseModifier(Color(1, 0, 0, 1), Color(0, 0, 0, 1));
    drawScene({&shell});
    EXPECT_EQ(at(320, 240), 0xFF0000u);
    EXPECT_EQ(probe.flags, unsigned(TransformInformation::LIGHT));

    universal.setSpecularModifier(Color(0, 0, 0, 1), Color(0, 0, 0, 1));
    universal.setDiffuseModifier(Color(0, 0, 1, 1), Color(0, 0, 0, 1));
    drawScene({&shell});
    EXPECT_EQ(probe.flags, 0u) << "both replace: no lighting even with use lights";
    EXPECT_EQ(at(320, 240), 0x0000FFu);
    universal.disable();
    drawScene({&shell});
    EXPECT_EQ(at(320, 240), plain) << "disabled";
    shell.detachEffect(&universal);
    shell.detachEffect(&probe);
}

// A glow is added at the end of the view or darkens what lies behind; vertex
// fog culls beyond its end and fades into the background at it.
TEST_F(LightingTest, AGlowAddsOrDarkensAndVertexFogCullsBeyondItsEndAndFadesAtIt) {
    // A green wall behind, a white quad in front of part of it.
    RenderMeshShell& wall = quad("green", 3, -3, -3, 3, 10);
    RenderMeshShell& front = whiteQuad();
    D3DGlowEffect glow;
    ASSERT_TRUE(front.attachEffect(&glow));
    drawScene({&front, &wall});
    const std::uint32_t green = at(320, 150);
    EXPECT_EQ(green & 0xFF00FF, 0u);
    EXPECT_EQ(at(320, 240), green) << "intensity 0: the quad is not drawn at all";

    glow.setColor(Color(1, 0, 0, 1));
    glow.setIntensity(1.0f);
    drawScene({&front, &wall});
    EXPECT_EQ(at(320, 240), 0xFF0000u | green) << std::hex << at(320, 240);

    // Negative: the wall times (1 - source colour); yellow takes the green away.
    glow.setColor(Color(1, 1, 0, 1));
    glow.setIntensity(-1.0f);
    drawScene({&front, &wall});
    EXPECT_EQ(at(320, 240), 0u) << std::hex << at(320, 240);
    EXPECT_EQ(at(320, 150), green);
    front.detachEffect(&glow);

    // Vertex fog culls beyond its end and fades into the background at it.
    const Color fogColour(0.25f, 0.5f, 1.0f, 1.0f);
    theRenderDriver->setBackgroundColor(fogColour, true);
    SEVertexFog::enabled = true;
    SEVertexFog::color = fogColour;
    VertexFogEffect fog;
    ASSERT_TRUE(front.attachEffect(&fog));
    drawScene({});
    const std::uint32_t background = at(320, 240);
    const auto near = [](std::uint32_t a, std::uint32_t b) {
        for (int shift : {0, 8, 16})
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 2)
                return false;
        return true;
    };

    // Ends before the fog starts: drawn untouched.
    SEVertexFog::start = 20.0f;
    SEVertexFog::end = 40.0f;
    drawScene({&front});
    const std::uint32_t plain = at(320, 240);
    EXPECT_FALSE(near(plain, background));

    // Reaching to the fog's end: transparent, the fog-coloured background shows.
    SEVertexFog::start = 0.0f;
    const float depth = 8.0f - camera.getNearDistance();
    SEVertexFog::end = depth + 0.01f;
    drawScene({&front});
    EXPECT_TRUE(near(at(320, 240), background)) << std::hex << at(320, 240);
    fog.disable();
    drawScene({&front});
    EXPECT_EQ(at(320, 240), plain) << "disabled";
    fog.enable();

    // Wholly beyond the end: culled, not even transformed.
    SEVertexFog::start = 1.0f;
    SEVertexFog::end = 5.0f;
    platform::testing::resetCallCounts();
    drawScene({&front});
    EXPECT_EQ(at(320, 240), background);
    EXPECT_EQ(platform::testing::callCount("IDirect3DVertexBuffer::ProcessVertices"), 0u);
    front.detachEffect(&fog);
}
