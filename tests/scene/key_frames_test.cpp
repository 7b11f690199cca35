// The demo's key frames: their times and shapes, and which of them the
// engine's mesh shell blends at a given animation time (through a render
// mesh factory that only records what the shell asks for).
#include "scene/mesh_builders.h"

#include <engine/core/globals.h>
#include <engine/core/render_mesh_shell.h>

#include <gtest/gtest.h>

#include "../support/recording_mesh.h"

namespace {

using namespace scene;

class KeyFrames : public ::testing::Test {
protected:
    void SetUp() override { theRenderMeshFactory = &factory; }
    void TearDown() override { theRenderMeshFactory = nullptr; }

    // The shell must blend `from` and `to` at `seconds`, with `weight` on `from`.
    void expectBlend(const BaseKeyMesh& mesh, float seconds, int from, int to, float weight) {
        SCOPED_TRACE(seconds);
        RenderMeshShell shell(mesh);
        shell.setAnimationTime(seconds);
        shell.render();
        const MorphingInformation m = factory.last->morphs.back();
        ASSERT_EQ(m.keyCount, 2);
        EXPECT_EQ(m.keys[0], &mesh.getKeyFrames()[from].mesh);
        EXPECT_EQ(m.keys[1], &mesh.getKeyFrames()[to].mesh);
        EXPECT_NEAR(m.weights[0], weight, 1e-5f);
        EXPECT_NEAR(m.weights[1], 1.0f - weight, 1e-5f);
    }

    RecordingFactory factory;
};

TEST_F(KeyFrames, PulseSwellsAlongTheNormalsAndComesBack) {
    auto sphere = makeSphere(1.0f, 4, 6, MeshMaterial());
    addPulseKeys(*sphere, 0.25f, 2.0f);
    const auto& keys = sphere->getKeyFrames();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_FLOAT_EQ(sphere->getAnimationLength(), 2.0f);
    for (int i = 0; i < keys[1].mesh.getGeometryVertexCount(); ++i) {
        EXPECT_NEAR(length(keys[1].mesh.vertices[i]), 1.25f, 1e-4f);
        EXPECT_NEAR(length(keys[0].mesh.vertices[i]), 1.0f, 1e-4f);
    }
    // Half-way between the rest key and the swollen one; later and earlier times loop.
    for (const float t : {0.5f, 2.5f, -1.5f})
        expectBlend(*sphere, t, 0, 1, 0.5f);
}

TEST_F(KeyFrames, BendMovesTheTopSidewaysAndTiltsItsNormals) {
    auto column = makeBox(Vector(1, 1, 1), 4, MeshMaterial());
    addBendKeys(*column, 0.5f, -1.0f, 4.0f);
    const auto& keys = column->getKeyFrames();
    ASSERT_EQ(keys.size(), 5u);
    const KeyMesh& rest = column->getKeyMesh();
    const KeyMesh& bent = keys[1].mesh;
    for (int i = 0; i < rest.getGeometryVertexCount(); ++i) {
        const float h = rest.vertices[i].y + 1.0f;
        EXPECT_NEAR(bent.vertices[i].x - rest.vertices[i].x, 0.5f * h * h, 1e-4f);
        EXPECT_NEAR(keys[3].mesh.vertices[i].x - rest.vertices[i].x, -0.5f * h * h, 1e-4f);
        EXPECT_NEAR(length(bent.normals[i]), 1.0f, 1e-4f);
        EXPECT_FLOAT_EQ(keys[4].mesh.vertices[i].x, rest.vertices[i].x);
        // On the +x side the surface leans over, so its normal turns downwards.
        const bool leaning = rest.normals[i].x > 0.99f && rest.vertices[i].y > 0.5f;
        EXPECT_TRUE(!leaning || bent.normals[i].y < -0.1f) << i;
    }
    // 4.25 s loops to 0.25 s: a quarter of the way from key 0 (0 s) to key 1 (1 s).
    expectBlend(*column, 4.25f, 0, 1, 0.75f);
}

TEST_F(KeyFrames, SquashKeepsTheNormalsPerpendicularToTheSurface) {
    auto sphere = makeSphere(1.0f, 8, 8, MeshMaterial());
    addSquashKeys(*sphere, 0.5f, 2.0f);
    ASSERT_EQ(sphere->getKeyFrames().size(), 5u);
    const KeyMesh& tall = sphere->getKeyFrames()[1].mesh;
    EXPECT_NEAR(tall.getBox().maximum.y, 1.5f, 1e-4f);
    // The stretched sphere is the ellipsoid x^2/a^2 + y^2/b^2 + z^2/a^2 = 1, whose
    // normal is along (x/a^2, y/b^2, z/a^2).
    const float a2 = 1.0f / 1.5f, b2 = 1.5f * 1.5f;
    for (int i = 0; i < tall.getGeometryVertexCount(); ++i) {
        const Vector& p = tall.vertices[i];
        const Vector expected = normalized(Vector(p.x / a2, p.y / b2, p.z / a2));
        EXPECT_NEAR(dot(expected, tall.normals[i]), 1.0f, 1e-4f) << i;
    }
}

}  // namespace
