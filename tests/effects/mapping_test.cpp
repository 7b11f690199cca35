#include "special/mapping/mapping.h"
#include "special/mapping/planar_mapping.h"
#include "special/mapping/spherical_mapping.h"

#include "marked_vertex_buffer.h"
#include "states.h"

#include "effect_scene.h"

#include <cstring>

namespace {

// One quad, 4 x 4 units at depth 8 facing the camera, in the named texture.
class MappingTest : public EffectScene {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(EffectScene::SetUp());
        shell = &quad("green", 2, -2, -2, 2, 8);
        mesh = dynamic_cast<D3DOneLevelRenderMesh*>(shell->getRenderMesh());
        ASSERT_NE(mesh, nullptr);
    }
    // Texture set `set` (u, v) and the diffuse alpha of every processed vertex.
    struct Processed {
        float u, v;
        unsigned alpha;
    };
    std::vector<Processed> processed(int set) const {
        MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();
        const DWORD format = DWORD(buffer.getDestinationVertexFormat());
        const std::size_t size = std::size_t(buffer.getDestinationVertexSize());
        std::vector<Processed> out;
        const unsigned char* data = buffer.lockDestinationBuffer(DDLOCK_READONLY);
        if (!data)
            return out;
        for (int i = 0; i < buffer.getVertexTotal(); ++i) {
            const unsigned char* vertex = data + std::size_t(i) * size;
            Processed p{};
            std::memcpy(&p.u, vertex + mapping::textureOffset(format, set), 4);
            std::memcpy(&p.v, vertex + mapping::textureOffset(format, set) + 4, 4);
            DWORD diffuse = 0;
            std::memcpy(&diffuse, vertex + mapping::diffuseOffset(format), 4);
            p.alpha = diffuse >> 24;
            out.push_back(p);
        }
        buffer.unlockDestinationBuffer();
        return out;
    }
    RenderMeshShell* shell = nullptr;
    D3DOneLevelRenderMesh* mesh = nullptr;
};

const char* const red = "/Images/Meshes/red.tga";

}  // namespace

// The priority class gives the chain position; then the directions a
// spherical mapping looks up and the ray that misses its sphere.
TEST_F(MappingTest, PriorityClassesAndSphericalDirections) {
    SphericalMappingEffect spherical;
    const std::pair<int, int> classes[] = {{0, 7}, {1, 8}, {2, 9}, {3, 0}, {-1, 0}};
    for (const auto& [priorityClass, priority] : classes) {
        spherical.setPriorityClass(priorityClass);
        EXPECT_EQ(spherical.getEffectPriority(), priority) << priorityClass;
    }
    using Modes = SphericalMappingEffect::Modes;
    const struct {
        Modes modes;
        Vector position, normal, direction;
    } cases[] = {
        {{false, true, 1, {}}, {5, 5, 5}, {0, 0, -1}, {0, 0, -1}},
        {{true, false, 1, {}}, {2, 0, 0}, {0, 1, 0}, {1, 0, 0}},
        // From inside a sphere of radius 2 straight up: leaves at (0, 2, 0).
        {{true, true, 2, {}}, {0, 0, 0}, {0, 1, 0}, {0, 1, 0}},
        // Passing beside a sphere of radius 1: missed.
        {{true, true, 1, {}}, {0, 5, 0}, {1, 0, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        Vector d(9, 9, 9);
        ASSERT_TRUE(SphericalMappingEffect::direction(c.modes, c.position, c.normal, d));
        expectNear({d.x, d.y, d.z}, {c.direction.x, c.direction.y, c.direction.z});
    }
    Vector unused;
    EXPECT_FALSE(SphericalMappingEffect::direction({false, false, 1, {}}, {}, {0, 1, 0}, unused));
    // v from y; u from x shows in the stacked mappings' coordinates.
    float u = 0, v = 0;
    SphericalMappingEffect::coordinates(TMatrix(), Vector(0, 1, 0), u, v);
    expectNear({u, v}, {0.5f, 0.0f});
}

TEST_F(MappingTest, StackedSphericalEffectsShareTheSetsAndTheBufferGrows) {
    // A buffer with one set: the upper effect needs a second.
    mesh->getVertexBuffer()->recreate(0x112, 0x1C4);
    SphericalMappingEffect upper, lower;
    for (SphericalMappingEffect* effect : {&upper, &lower}) {
        effect->setTexture(red);
        effect->setCameraSpace(false);
    }
    // Seen along -z from the camera, every normal is (0, 0, -1): the upper
    // mapping reads u from -z, the lower from x.
    upper.setMapping(TMatrix(0, 0, 0, 0, 0, 0, -1, 0, 0), Vector());
    ASSERT_TRUE(shell->attachEffect(&upper));
    ASSERT_TRUE(shell->attachEffect(&lower));
    drawScene({shell});
    EXPECT_EQ(
        mapping::textureSetCount(DWORD(mesh->getVertexBuffer()->getDestinationVertexFormat())), 2);
    for (const Processed& p : processed(1))
        expectNear({p.u, p.v}, {1.0f, 0.5f});
    for (const Processed& p : processed(0))
        expectNear({p.u, p.v}, {0.5f, 0.5f});

    shell->detachEffect(&lower);
    EXPECT_EQ(upper.getChained(), nullptr);
    EXPECT_EQ(upper.getTextureSet(), 0);
}

TEST_F(MappingTest, PlanarCoordinatesAreProjectedAndTheAlphaScaled) {
    drawScene({shell});
    const unsigned litAlpha = processed(0).at(0).alpha;
    ASSERT_GT(litAlpha, 200u);
    PlanarMappingEffect planar;
    planar.setTexture(red);
    planar.setBaseSet1();
    planar.setAlpha(0.5f);
    // u from the right (y), v from the top (x) of the quad, both 0 .. 1.
    planar.setMapping(TMatrix(0, 0.25f, 0, -0.25f, 0, 0, 0, 0, 1), Vector(0.5f, 0.5f, 0));
    ASSERT_TRUE(shell->attachEffect(&planar));
    drawScene({shell});
    const std::vector<Processed> got = processed(1);
    ASSERT_EQ(got.size(), 4u);
    // The quad's corners: top left, top right, bottom left, bottom right.
    const float expected[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (std::size_t i = 0; i < 4; ++i) {
        expectNear({got[i].u, got[i].v}, {expected[i][0], expected[i][1]});
        EXPECT_EQ(got[i].alpha, litAlpha * 128 / 256);
    }
    // A face turned from the plane gets its coordinates pushed out eight times.
    planar.setBackFacePush(true);
    float u = 0, v = 0;
    planar.coordinates(Vector(2, 2, 8), Vector(0, 0, 1), u, v);
    expectNear({u, v}, {1.0f, 0.0f});
    planar.coordinates(Vector(2, 2, 8), Vector(0, 0, -1), u, v);
    expectNear({u, v}, {4.5f, -3.5f});
}

// Effects that draw nothing leave every pixel; a mapping overlays or
// replaces the mesh; spherical mode four adds the texture times a colour.
TEST_F(MappingTest, MappingsDrawNothingOverlayReplaceOrAddAScaledColour) {
    drawScene({shell});
    const std::vector<uint32_t> before = pixels;
    PlanarMappingEffect planar;
    planar.setTexture(red);
    planar.setBaseSet1();
    planar.setAlpha(0.0f);
    SphericalMappingEffect spherical;
    spherical.setTexture(red);
    spherical.disable();
    MappingEffect missing;
    missing.setTexture("/Images/Meshes/none.tga");
    for (EffectiveRenderMesh* effect :
         std::initializer_list<EffectiveRenderMesh*>{&planar, &spherical, &missing}) {
        ASSERT_TRUE(shell->attachEffect(effect));
        platform::testing::resetCallCounts();
        drawScene({shell});
        EXPECT_EQ(draws(), 1u);
        EXPECT_EQ(pixels, before);
        shell->detachEffect(effect);
    }

    const std::uint32_t plain = centre();
    const DWORD colourOp = theRenderStateManager->getState(TSS_COLOROP, 0);
    const DWORD colourArg = theRenderStateManager->getState(TSS_COLORARG2, 0);
    ASSERT_LT(plain >> 16, 30u);
    ASSERT_GT(plain >> 8 & 0xFF, 100u);

    MappingEffect mapped;
    mapped.setTexture(red);
    ASSERT_TRUE(shell->attachEffect(&mapped));
    // Replace: the red pass alone, over the black background.
    platform::testing::resetCallCounts();
    drawScene({shell});
    EXPECT_EQ(draws(), 1u);
    EXPECT_GT(centre() >> 16, 100u);
    EXPECT_LT(centre() >> 8 & 0xFF, 30u);
    // Overlay: the green mesh, then red added over it (one minus source
    // colour keeps the green).
    mapped.setOverlay();
    platform::testing::resetCallCounts();
    drawScene({shell});
    EXPECT_EQ(draws(), 2u);
    EXPECT_GT(centre() >> 16, 100u);
    EXPECT_NEAR(int(centre() >> 8 & 0xFF), int(plain >> 8 & 0xFF), 30);
    shell->detachEffect(&mapped);

    SphericalMappingEffect tinted;
    tinted.setTexture("/Images/Meshes/white.tga");
    tinted.setBlendMode(4);
    tinted.setColor(1.0f, 0.5f, 0.0f, 1.0f);
    tinted.setAlpha(0.5f);
    ASSERT_TRUE(shell->attachEffect(&tinted));
    drawScene({shell});
    // Set 0 holds the effect's coordinates, so only the mapped pass draws:
    // white times (255, 127, 0) at half, added over the black background.
    const std::uint32_t c = centre();
    EXPECT_NEAR(int(c >> 16), 127, 8) << std::hex << c;
    EXPECT_NEAR(int(c >> 8 & 0xFF), 63, 8) << std::hex << c;
    EXPECT_EQ(c & 0xFF, 0u) << std::hex << c;
    EXPECT_EQ(theRenderStateManager->getState(TSS_COLOROP, 0), colourOp);
    EXPECT_EQ(theRenderStateManager->getState(TSS_COLORARG2, 0), colourArg);
}
