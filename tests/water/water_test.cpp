#include "special/factory.h"
#include "special/water/surface_device.h"
#include "special/water/surface_settings.h"
#include "special/water/swamp.h"
#include "special/water/water.h"
#include "texture_interface.h"

#include "../support/log_capture.h"
#include "../support/mesh_scene.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>
#include <engine/core/land_camera.h>
#include <engine/core/spherical.h>
#include <engine/core/render_timer.h>
#include <engine/resources.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// A configuration file of the test's own, so that parallel tests never share one.
std::string writeConfig(const std::string& text) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string path =
        std::string("/Configs/WaterTests/") + test->test_suite_name() + "." + test->name() + ".cfg";
    auto stream = theResourceManager->openWrite(path);
    EXPECT_TRUE(stream && stream->write(text));
    return path;
}

// A surface configured by `config` (none: the file set before) and built over
// a mask given by its rows.
template <typename Surface>
void buildOver(Surface& surface, const std::string& config, const std::vector<std::string>& rows) {
    if (!config.empty())
        surface.setConfigFile(writeConfig(config));
    const CellMask mask = CellMask::fromRows(rows);
    surface.initialize(mask.getWidth(), mask.getHeight(), mask.data());
}

// The engine's quality level for the test's length.
class ScopedQuality {
public:
    explicit ScopedQuality(int level) : saved(theDegradingManager) {
        manager.setQualityLevel(level);
        theDegradingManager = &manager;
    }
    ~ScopedQuality() { theDegradingManager = saved; }
    DegradingManager manager;

private:
    DegradingManager* saved;
};

int countWater(const water::SurfaceGrid& grid, bool onlyFree) {
    return static_cast<int>(std::count_if(grid.getNodes().begin(), grid.getNodes().end(),
                                          [&](const water::GridNode& n) {
                                              return n.water && (!onlyFree || !n.fixed);
                                          }));
}

// --- The grid ------------------------------------------------------------

// Water nodes, the free ones among them and the triangle indices over a few
// masks; a random range moves each node's coordinates from their scaled
// place by up to half of it (with scale 0 and range 1, by 0.5 - 1 / detail
// to 0.5). Empty maps, zero detail and more vertices than sixteen bits reach
// are refused.
TEST(Grid, WaterAndFreeNodesTrianglesRandomCoordinatesAndRefusedMaps) {
    const struct {
        const char* name;
        std::vector<std::string> rows;
        int detail;
        int waterNodes, freeNodes, indices;
    } cases[] = {
        // A lone cell away from the edges: a 5 x 5 block, its centre 3 x 3 free.
        {"Lone", {".....", ".....", "..#..", ".....", "....."}, 4, 25, 9, 16 * 6},
        // In the first mask column the block loses its first node column.
        {"FirstColumn", {".....", ".....", "#....", ".....", "....."}, 4, 20, 6, 12 * 6},
        {"Dry", {"...", "...", "..."}, 4, 0, 0, 0},
        // Two cells side by side share their middle column of nodes.
        {"Pair", {"....", ".##.", "...."}, 2, 15, 3, 8 * 6}};
    driver::random::MinimalUniformSeed random(0.5f);
    water::GridLayout layout;
    layout.texture1Random[0] = 1.0f;
    water::SurfaceGrid grid;
    for (const auto& c : cases) {
        const CellMask mask = CellMask::fromRows(c.rows);
        layout.detail = c.detail;
        ASSERT_TRUE(grid.build(mask.getWidth(), mask.getHeight(), mask.data(), layout, random));
        EXPECT_EQ(countWater(grid, false), c.waterNodes) << c.name;
        EXPECT_EQ(grid.getVertexCount(), c.waterNodes) << c.name;
        EXPECT_EQ(countWater(grid, true), c.freeNodes) << c.name;
        EXPECT_EQ(grid.getIndexCount(), c.indices) << c.name;
        for (const water::GridNode& n : grid.getNodes()) {
            if (!n.water)
                continue;
            EXPECT_GE(n.texture1[0], 0.5f - 1.0f / float(c.detail)) << c.name;
            EXPECT_LE(n.texture1[0], 0.5f) << c.name;
            EXPECT_EQ(n.texture1[1], 0.0f) << c.name;
        }
    }
    const CellMask one = CellMask::fromRows({"#"});
    EXPECT_FALSE(grid.build(0, 1, one.data(), layout, random));
    EXPECT_FALSE(grid.build(1, 0, one.data(), layout, random));
    EXPECT_FALSE(grid.build(1, 1, nullptr, layout, random));
    layout.detail = 0;
    EXPECT_FALSE(grid.build(1, 1, one.data(), layout, random));
    CellMask wide(300, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            wide.set(x, y, true);
    layout.detail = 1;
    EXPECT_FALSE(grid.build(300, 300, wide.data(), layout, random));
    EXPECT_EQ(grid.getVertexCount(), 0);
    // 2048 x 2048 nodes are the most a map may have.
    EXPECT_TRUE(water::SurfaceGrid::nodesFit(2047, 2047, 1));
    EXPECT_FALSE(water::SurfaceGrid::nodesFit(2047, 2048, 1));
    EXPECT_TRUE(CellMask::fromRows({"##", "#"}).empty());
}

// The stage states that take effect in the fallback variants: the second
// layer on stage 1, the lit colour on stage 2, and one layer alone.
TEST(SurfaceMetaState, FallbackVariantsPutEachLayerAndTheLitColourOnItsStage) {
    MultipleStatesMetaState state;
    water::buildSurfaceMetaState(state, {});
    const auto value = [&](int variant, int stage, TextureStageStateType type) {
        const auto& entries = state.getVariant(variant)->textureStageStates;
        const auto last = std::find_if(entries.rbegin(), entries.rend(), [&](const auto& e) {
            return e.stage == stage && e.type == type;
        });
        return last == entries.rend() ? DWORD(~0u) : last->value;
    };
    const struct {
        int variant, stage;
        TextureStageStateType type;
        DWORD expected;
    } cases[] = {{1, 1, TSS_COLOROP, D3DTOP_MODULATE}, {1, 1, TSS_COLORARG1, D3DTA_TEXTURE},
                 {2, 2, TSS_COLOROP, D3DTOP_MODULATE}, {2, 2, TSS_COLORARG1, D3DTA_DIFFUSE},
                 {2, 2, TSS_COLORARG2, D3DTA_CURRENT}, {3, 1, TSS_COLOROP, D3DTOP_DISABLE}};
    for (const auto& c : cases)
        EXPECT_EQ(value(c.variant, c.stage, c.type), c.expected) << c.variant << " " << c.stage;
}

// --- Configuration -------------------------------------------------------

TEST(WaterSettings, QualityBlockFirstThenTopLevelAndOnlyTwoElementLists) {
    const std::string path = writeConfig(
        "detail = 3; dropsFrequency = 2.0; maxHeight = 0.5; texture1Scale = (1.0, 2.0, 3.0);"
        "texture2Scale = (0.5, 0.25); textureImpact = \"much\";"
        "material = { specularPower = -1.0; };"
        "high = { detail = 5; texture2Scale = (4.0, 4.0, 4.0); material = { diffuseColor = [0.5, 0.5, 0.5, 1.0]; specularPower = 8.0; }; };"
        "low = { detail = -2; minHeight = 1.0; };");
    struct Case {
        int level;
        int detail;
        float frequency;
        float texture2Scale;
        float red;
    };
    // 2 reads "high"; 0 has a refused detail and a minimum above the maximum;
    // 3 has no block and 9 is no level: both read the top level.
    for (const Case& c : {Case{2, 5, 2.0f, 0.0f, 0.5f}, Case{0, 4, 2.0f, 0.5f, 1.0f},
                          Case{3, 3, 2.0f, 0.5f, 1.0f}, Case{9, 3, 2.0f, 0.5f, 1.0f}}) {
        ScopedQuality quality(0);
        quality.manager.setQualityLevel(std::clamp(c.level, 0, 3));
        if (c.level == 9)
            theDegradingManager = nullptr;  // then the highest level is taken
        Water water;
        water.readConfiguration(path);
        const Water::Settings& s = water.getSettings();
        EXPECT_EQ(s.detail, c.detail) << c.level;
        EXPECT_EQ(s.dropsFrequency, c.frequency) << c.level;
        EXPECT_EQ(s.layout.texture1Scale[0], 0.0f) << c.level;  // three elements: ignored
        EXPECT_EQ(s.layout.texture2Scale[1], c.texture2Scale == 0.0f ? 0.0f : 0.25f) << c.level;
        EXPECT_EQ(s.minHeight, -0.2f) << c.level;
        // Level 0 takes its minimum above the maximum: the range falls back whole.
        EXPECT_EQ(s.maxHeight, c.level == 0 ? 0.3f : 0.5f) << c.level;
        EXPECT_EQ(s.textureImpact, 0.0f) << c.level;  // a string: the default stays
        EXPECT_EQ(water.getMaterial().getColor().r, c.red) << c.level;
        // A negative power is refused.
        EXPECT_EQ(water.getMaterial().getShininess(), c.level == 2 ? 8.0f : 4.0f) << c.level;
    }
    EXPECT_STREQ(water::SurfaceSettings::blockName(3), "extra");
    EXPECT_EQ(water::SurfaceSettings::blockName(4), nullptr);
}

// A surface made under the engine's quality manager is built again, from
// the new level's block, when the level changes.
TEST(SwampSettings, ASurfaceFollowsTheEnginesQualityLevel) {
    ScopedQuality quality(0);
    Swamp swamp;
    LogCapture quiet;
    buildOver(swamp,
              "detail = 1; renderPassCount = 2; opacity = 0.0; priority = 7;"
              "high = { renderPassCount = 3; };",
              {"...", ".#.", "..."});
    EXPECT_EQ(swamp.getDeferredKey(), 7);
    EXPECT_EQ(swamp.getSettings().renderPassCount, 2);
    EXPECT_EQ(swamp.getSettings().opacity, 0.0f) << "none at all is an opacity too";
    quality.manager.setQualityLevel(2);
    quality.manager.apply();
    EXPECT_EQ(swamp.getSettings().renderPassCount, 3);
    EXPECT_TRUE(swamp.isBuilt());
}

// --- Water simulation ----------------------------------------------------

class WaterSimulation : public testing::Test {
protected:
    void SetUp() override {
        water.setConfigFile(writeConfig(
            "detail = 2; initialDrops = 0.5; dropsFrequency = 1.0; minHeight = -0.2; maxHeight = 0.3;"));
    }
    void initialize(const std::vector<std::string>& rows) {
        LogCapture quiet;
        buildOver(water, "", rows);
    }
    Water water;
};

// A bad map is refused with an error and makes no drops; a good one makes
// them at the frequency over the whole map.
TEST_F(WaterSimulation, BadMapsAreRefusedAndDropsPerFrameFollowTheFrequency) {
    {
        LogCapture log;
        water.initialize(0, 0, nullptr);
        EXPECT_FALSE(water.isBuilt());
        EXPECT_EQ(log.countKind("Driver", debug::Message::Kind::Error), 1);
        water.addDrop(1, 1, 1.0f);  // no grid: nothing to do
        EXPECT_EQ(water.makeDrops(1.0f), 0);
    }
    initialize(std::vector<std::string>(10, "##########"));
    ASSERT_TRUE(water.isBuilt());
    // Fifty initial drops owed, made with the first frame's five.
    EXPECT_EQ(water.getDropAccumulator(), 50.0f);
    EXPECT_EQ(water.makeDrops(0.05f), 55);
    for (int frame = 0; frame < 4; ++frame)
        EXPECT_EQ(water.makeDrops(0.05f), 5);
    // Fractions are carried: 0.03 s makes 3, twice 0.015 s makes 1 then 2.
    EXPECT_EQ(water.makeDrops(0.03f), 3);
    EXPECT_EQ(water.makeDrops(0.015f) + water.makeDrops(0.015f), 3);
}

TEST_F(WaterSimulation, ADropMovesOnlyFreeWaterNodesByAQuarterOnTheDiagonals) {
    initialize({".....", ".###.", ".###.", ".###.", "....."});
    water.editSettings().strengthFactor = 1.0f;
    water::SurfaceGrid& grid = water.editGrid();
    water.addDrop(5, 5, 0.8f);
    EXPECT_FLOAT_EQ(grid.node(5, 5)->velocity, -0.8f);
    EXPECT_FLOAT_EQ(grid.node(4, 5)->velocity, -0.4f);
    EXPECT_FLOAT_EQ(grid.node(6, 6)->velocity, -0.2f);
    // At the edge of the water: fixed nodes stay still; out of the grid wraps.
    water.addDrop(2, 2, 1.0f);
    EXPECT_EQ(grid.node(2, 2)->velocity, 0.0f);
    EXPECT_FLOAT_EQ(grid.node(3, 3)->velocity, -0.25f);
    water.addDrop(-6, 5 + 11, 1.0f);  // (5, 5) again
    EXPECT_FLOAT_EQ(grid.node(5, 5)->velocity, -1.8f);
}

// One step of a lone bump with k = 1: each neighbour moves by the bump's
// share in its weighted mean (a twelfth at the sides, a sixth at the
// corners), the bump back by all of it, nothing farther; a node already
// moving keeps the velocity factor of its speed. The heights then move by
// their velocities less the mean.
TEST_F(WaterSimulation, OneStepPullsEachNodeTowardsItsNeighboursAndDampsItsSpeed) {
    initialize({".....", ".###.", ".###.", ".###.", "....."});
    water.editSettings().desireFactor = 1.0f;
    water.editSettings().velocityFactor = 0.5f;
    water::SurfaceGrid& grid = water.editGrid();
    grid.node(5, 5)->height = 0.12f;
    grid.node(3, 3)->velocity = 0.1f;
    water.simulate(1.0f / 30.0f);
    const float mean = (0.12f + 0.05f) / float(grid.getVertexCount());
    EXPECT_FLOAT_EQ(water.getMeanHeight(), mean);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const bool side = std::abs(dx) + std::abs(dy) == 1;
            const bool corner = std::abs(dx) == 1 && std::abs(dy) == 1;
            const bool moving = dx == -2 && dy == -2;
            const float expected = dx == 0 && dy == 0 ? -0.12f : side ? 0.01f : corner ? 0.02f : 0;
            EXPECT_NEAR(grid.node(5 + dx, 5 + dy)->velocity, moving ? 0.05f : expected, 1e-6f)
                << dx << "," << dy;
        }
    std::vector<Water::SourceVertex> vertices(grid.getVertexCount());
    water.fillVertices(vertices.data());
    EXPECT_NEAR(grid.node(6, 6)->height, 0.02f - mean, 1e-6f);
    EXPECT_NEAR(grid.node(5, 5)->height, -mean, 1e-6f);
}

// A still bump (no velocity, no mean yet): the normals round it lean away
// from it along the axis or diagonal that meets it, and every vertex carries
// its node's coordinates moved by the shared scroll offsets.
TEST_F(WaterSimulation, VerticesLeanAwayFromABumpScrollTheirCoordinatesAndRefract) {
    initialize({".....", ".###.", ".###.", ".###.", "....."});
    water::SurfaceGrid& grid = water.editGrid();
    grid.node(5, 5)->height = 0.1f;
    water::ScrollOffsets& scroll = Water::offsets();
    const water::ScrollOffsets saved = scroll;
    scroll = {{0.25f, 0.5f}, {0.125f, 0.75f}};
    std::vector<Water::SourceVertex> vertices(grid.getVertexCount());
    water.fillVertices(vertices.data());
    const struct {
        int dx, dy;
        Vector water::GridNode::*axis;
        float sign;
    } around[] = {{-1, 0, &water::GridNode::axisX, -1}, {1, 0, &water::GridNode::axisX, 1},
                  {0, -1, &water::GridNode::axisY, -1}, {0, 1, &water::GridNode::axisY, 1},
                  {-1, -1, &water::GridNode::diagonalA, -1}, {1, 1, &water::GridNode::diagonalA, 1},
                  {-1, 1, &water::GridNode::diagonalB, -1}, {1, -1, &water::GridNode::diagonalB, 1}};
    for (const auto& a : around) {
        const water::GridNode& n = *grid.node(5 + a.dx, 5 + a.dy);
        const Water::SourceVertex& v = vertices[std::size_t(n.vertex)];
        const Vector expected = normalized(n.up + n.*a.axis * (a.sign * 0.1f));
        EXPECT_LT(length(Vector(v.nx, v.ny, v.nz) - expected), 1e-5f) << a.dx << "," << a.dy;
        EXPECT_FLOAT_EQ(v.tu1, n.texture1[0] + 0.25f);
        EXPECT_FLOAT_EQ(v.tv1, n.texture1[1] + 0.5f);
        EXPECT_FLOAT_EQ(v.tu2, n.texture2[0] + 0.125f);
        EXPECT_FLOAT_EQ(v.tv2, n.texture2[1] + 0.75f);
    }
    // The bump's vertex stands at its height over the node's placed position.
    const water::GridNode& bump = *grid.node(5, 5);
    EXPECT_NEAR(vertices[std::size_t(bump.vertex)].y, bump.position.y + bump.up.y * 0.1f, 1e-6f);
    // Refraction at the index 1.333 by the cosine to the normal: how far the
    // ray under the surface leans along the normal, and across it (-1 / 1.333).
    const auto& table = Water::refraction();
    EXPECT_NEAR(table[0][0], 0.881413f, 1e-5f);
    EXPECT_NEAR(table[128][0], 0.513355f, 1e-5f);
    EXPECT_NEAR(table[128][1], -0.750188f, 1e-5f);
    // Seen low from one side, refraction shifts both layers alike.
    water.editSettings().textureImpact = 1.0f;
    water.setEye(Vector(6, 1, 0));
    water.fillVertices(vertices.data());
    scroll = saved;
    for (const auto& a : around) {
        const water::GridNode& n = *grid.node(5 + a.dx, 5 + a.dy);
        const Water::SourceVertex& v = vertices[std::size_t(n.vertex)];
        EXPECT_NEAR(v.tu2 - n.texture2[0] - 0.125f, v.tu1 - n.texture1[0] - 0.25f, 1e-5f);
    }
}

// --- On the device -------------------------------------------------------

// The camera 6 units over the origin looking straight down; the frame clock
// steps 0.05 s a frame.
class SurfacesOnDevice : public MeshesTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MeshesTest::SetUp());
        const TMatrix down = TMatrix::fromColumns(Vector(0, 0, 1), Vector(-1, 0, 0), Vector(0, -1, 0));
        camera.setGlobalTransformation(down, Vector(0, 6, 0));
    }
    void drawObject(RenderObject& object) {
        clock += 0.05;
        theRenderTimer->update(clock);
        drawScene({}, [&] { object.render(**renderView); });
    }
    uint32_t at(int x, int y) const { return pixels.at(y * kWidth + x) & 0xFFFFFF; }
    uint32_t centre() const { return at(kWidth / 2, kHeight / 2); }

    double clock = 0.0;
};

TEST_F(SurfacesOnDevice, FlatWaterShowsItsLitColourOnceDrawnAndTheMissingTextureWarns) {
    // Emissive blue only: with no lights the lit colour is exactly that.
    Water water;
    LogCapture log;
    buildOver(water,
              "detail = 2; dropsFrequency = 0.0; textureName = \"/Images/none.tga\";"
              "material = { diffuseColor = [0.0, 0.0, 0.0, 1.0]; specularColor = [0.0, 0.0, 0.0, 1.0];"
              "emissiveColor = [0.0, 0.0, 1.0, 1.0]; };",
              {"......", ".####.", ".####.", ".####.", ".####.", "......"});
    ASSERT_TRUE(water.isBuilt());
    EXPECT_EQ(water.getTextures().first, nullptr);
    platform::testing::resetCallCounts();
    drawObject(water);
    EXPECT_EQ(platform::testing::callCount("IDirect3DVertexBuffer::ProcessVertices"), 1u);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::DrawIndexedPrimitiveVB"), 1u);
    EXPECT_EQ(centre(), 0x0000FFu) << std::hex << centre();
    EXPECT_EQ(at(5, 5), 0u);  // beyond the map
    EXPECT_EQ(log.countKind("Driver", debug::Message::Kind::Warning), 1);
    water.release();
    EXPECT_FALSE(water.isBuilt());
}

TEST_F(SurfacesOnDevice, ALostBufferSkipsAFrameQuietlyAndIsMadeAgain) {
    Water water;
    buildOver(water,
              "detail = 1; initialDrops = 0.5; textureName = \"/Images/Meshes/white.tga\";"
              "material = { emissiveColor = [1.0, 0.0, 0.0, 1.0]; diffuseColor = [0.0, 0.0, 0.0, 1.0]; };",
              {"....", ".##.", ".##.", "...."});
    ASSERT_NE(water.getTextures().first, nullptr);
    DDSURFACEDESC2 layer{};
    layer.dwSize = sizeof layer;
    ASSERT_EQ(water.getTextures().first->getSurface(0)->GetSurfaceDesc(&layer), DD_OK);
    EXPECT_EQ(layer.ddsCaps.dwCaps2 & DDSCAPS2_HINTDYNAMIC, 0u) << "the image never changes";
    LogCapture log;
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_SURFACELOST);
    platform::testing::resetCallCounts();
    drawObject(water);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::DrawIndexedPrimitiveVB"), 0u);
    EXPECT_FALSE(water.buffersReady());
    EXPECT_EQ(centre(), 0u);
    drawObject(water);
    EXPECT_TRUE(water.buffersReady());
    EXPECT_EQ(centre() >> 16, 0xFFu) << std::hex << centre();
    EXPECT_TRUE(log.records().empty());
    // The eight drops owed over the 4 x 4 map are made once it is drawn.
    EXPECT_LT(water.getDropAccumulator(), 1.0f);
    water.release();
    EXPECT_EQ(water.getTextures().first, nullptr);
}

TEST_F(SurfacesOnDevice, SwampLayersLightenTheGroundByTheirBrightnessAtTheViewingAngle) {
    Swamp swamp;
    LogCapture log;
    buildOver(swamp,
              "detail = 2; opacity = 0.5; renderPassCount = 3; minHeight = 0.0; maxHeight = 0.3;"
              "textureName = \"/Images/none.tga\"; texture1Step = (0.5, 0.25);",
              {"......", ".####.", ".####.", ".####.", ".####.", "......"});
    EXPECT_EQ(log.countKind("Driver", debug::Message::Kind::Warning), 1) << "its texture is named";
    ASSERT_TRUE(swamp.isBuilt());
    drawObject(swamp);  // the clock's first step is zero
    water::ScrollOffsets& scroll = Swamp::offsets();
    scroll = {};
    platform::testing::resetCallCounts();
    drawObject(swamp);
    // The first layer's coordinates scroll by their step over the frame's time.
    const float seconds = float(theRenderTimer->getFrameTime());
    EXPECT_FLOAT_EQ(scroll.first[0], 0.5f * seconds);
    EXPECT_FLOAT_EQ(scroll.first[1], 0.25f * seconds);
    EXPECT_EQ(platform::testing::callCount("IDirect3DVertexBuffer::ProcessVertices"), 3u);
    EXPECT_EQ(swamp.getUp(), Vector(0, 1, 0));
    // Layers from the top down, the last at the minimum.
    expectNear(swamp.layerHeights(), {0.2f, 0.1f, 0.0f});
    // A layer's grey by the cosine between the up vector and the eye.
    struct Case {
        float d, opacity;
        int grey;
    };
    for (const Case& c : {Case{1.0f, 0.5f, 127}, Case{1.0f, 1.0f, 255}, Case{0.6f, 1.0f, 229},
                          Case{0.15f, 1.0f, 0}, Case{-1.0f, 1.0f, 0}, Case{1.0f, 3.0f, 255}})
        EXPECT_EQ(int(Swamp::brightness(c.d, c.opacity)), c.grey) << c.d << " " << c.opacity;
    // Three layers of grey 127 each: c + 127 (1 - c / 255), from black.
    int expected = 0;
    for (int layer = 0; layer < 3; ++layer)
        expected = expected + 127 - expected * 127 / 255;
    const int green = (centre() >> 8) & 0xFF;
    EXPECT_NEAR(green, expected, 10) << std::hex << centre();
    EXPECT_EQ(at(5, 5), 0u);
    // An eye half a unit over a free node: the full grey there, none 4.2 units off.
    const water::GridNode& under = *swamp.getGrid().node(3, 3);
    const water::GridNode& aside = *swamp.getGrid().node(9, 9);
    swamp.setEye(under.position + under.up * 0.5f);
    std::vector<Swamp::SourceVertex> vertices(std::size_t(swamp.getGrid().getVertexCount()));
    swamp.fillVertices(vertices.data());
    EXPECT_EQ(vertices[std::size_t(under.vertex)].diffuse, 0xFF7F7F7Fu);
    EXPECT_EQ(vertices[std::size_t(aside.vertex)].diffuse, 0xFF000000u);
}

// A check cut short by a lost surface at build is made again before the
// layers are drawn; when the device refuses every variant, none is drawn.
TEST_F(SurfacesOnDevice, SwampDrawsNoLayerWhenEveryVariantIsRefused) {
    Swamp swamp;
    LogCapture quiet;
    platform::testing::failNextCall("IDirect3DDevice3::ValidateDevice", DDERR_SURFACELOST);
    buildOver(swamp, "detail = 1; renderPassCount = 1;", {"...", ".#.", "..."});
    for (int variant = 0; variant < 4; ++variant)
        platform::testing::failNextCall("IDirect3DDevice3::ValidateDevice",
                                        D3DERR_UNSUPPORTEDCOLOROPERATION);
    platform::testing::resetCallCounts();
    drawObject(swamp);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::ValidateDevice"), 4u);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::DrawIndexedPrimitiveVB"), 0u);
}

TEST_F(SurfacesOnDevice, SwampLayersRiseAlongTheGroundUnderALandCamera) {
    Swamp swamp;
    buildOver(swamp, "detail = 1; renderPassCount = 1; minHeight = 0.25; maxHeight = 0.5;",
              {"...", ".#.", "..."});
    landcamera::Camera walker;
    walker.setPosition(Vector(300.0f, 0.0f, 5.0f));
    walker.setPitch(0.3f);
    view.setCamera(&walker);
    drawObject(swamp);
    view.setCamera(&camera);
    const Vector normal = sphericalPlacementMatrix(walker.getGroundPoint()).column(2);
    EXPECT_LT(length(swamp.getUp() - normal), 1e-5f);
    EXPECT_GT(length(swamp.getUp() - Vector(0, 1, 0)), 0.1f) << "not the world's top";
    // The one layer is drawn a quarter unit above the ground along it.
    D3DMATRIX world{};
    g_pDevice->GetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    EXPECT_LT(length(Vector(world._41, world._42, world._43) - swamp.getUp() * 0.25f), 1e-5f);
}

}  // namespace
