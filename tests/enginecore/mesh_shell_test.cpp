#include <gtest/gtest.h>

#include <vector>

#include "engine/core/globals.h"
#include "engine/core/render_mesh_shell.h"
#include "../support/recording_mesh.h"

namespace {

KeyMesh keyAt(float x) {
    KeyMesh key;
    key.resize(3, 3, 3);
    key.vertices = {{x, 0, 0}, {x, 1, 0}, {x + 1, 0, 0}};
    return key;
}

BaseKeyMesh triangleWithKeys(std::vector<float> times) {
    BaseKeyMesh mesh;
    mesh.getKeyMesh() = keyAt(0);
    MeshSet strip;
    for (int i = 0; i < 3; ++i)
        strip.first[i].geometry = i;
    mesh.addStrip(strip);
    for (float t : times)
        mesh.addKeyFrame(t, keyAt(t * 10));
    mesh.finishTopology();
    return mesh;
}

class MeshShellTest : public ::testing::Test {
protected:
    void SetUp() override { theRenderMeshFactory = &factory; }
    void TearDown() override { theRenderMeshFactory = nullptr; }

    RecordingFactory factory;
};

}  // namespace

TEST(KeyMeshTest, StripsAndFansBecomeFacesAndBoxesFollowTheVertices) {
    BaseKeyMesh mesh;
    mesh.getKeyMesh().vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, -1, 3}};
    MeshSet strip;
    for (int i = 0; i < 3; ++i)
        strip.first[i].geometry = i;
    strip.further = {{3, 0, 0}, {4, 0, 0}};
    MeshSet fan = strip;
    mesh.addStrip(strip);
    mesh.addFan(fan);
    mesh.finishTopology();

    ASSERT_EQ(mesh.getFaces().size(), 6u);
    EXPECT_EQ(mesh.getKeyMesh().getFaceCount(), 6);
    // Strip triangles slide along the list; fan triangles share vertex 0.
    const int faces[6][3] = {{0, 1, 2}, {1, 2, 3}, {2, 3, 4}, {0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(mesh.getFaces()[f].vertex[k], faces[f][k]) << f << " " << k;

    const BoundingBox& box = mesh.getBox();
    EXPECT_EQ(box.empty, 0);
    EXPECT_EQ(box.minimum, Vector(0, -1, 0));
    EXPECT_EQ(box.maximum, Vector(2, 1, 3));
}

TEST(KeyMeshTest, AMeshWithoutMaterialSetsStillHasOneEmptySet) {
    BaseKeyMesh mesh;
    EXPECT_EQ(mesh.getMaterialSetCount(), 1);
    EXPECT_TRUE(mesh.getMaterialSet(0).empty());
    mesh.addMaterialSet({MeshMaterial{}, MeshMaterial{}});
    EXPECT_EQ(mesh.getMaterialSetCount(), 1);
    EXPECT_EQ(mesh.getMaterialSet(0).size(), 2u);
    EXPECT_TRUE(mesh.getMaterialSet(7).empty());
}

TEST_F(MeshShellTest, KeyFramesAreBlendedByTimeAndTheAnimationLoops) {
    const BaseKeyMesh mesh = triangleWithKeys({0.0f, 1.0f, 2.0f});
    RenderMeshShell shell(mesh);
    ASSERT_NE(factory.last, nullptr);
    auto morphAt = [&](float seconds) {
        shell.setAnimationTime(seconds);
        shell.render();
        return factory.last->morphs.back();
    };
    const MorphingInformation first = morphAt(0.25f);
    ASSERT_EQ(first.keyCount, 2);
    EXPECT_EQ(first.keys[0], &mesh.getKeyFrames()[0].mesh);
    EXPECT_EQ(first.keys[1], &mesh.getKeyFrames()[1].mesh);
    EXPECT_FLOAT_EQ(first.weights[0], 0.75f);
    EXPECT_FLOAT_EQ(first.weights[1], 0.25f);
    EXPECT_TRUE(first.clipFlags & MorphingInformation::CLIP_TEST);
    const MorphingInformation exact = morphAt(1.0f);
    EXPECT_EQ(exact.keyCount, 1);
    EXPECT_EQ(exact.keys[0], &mesh.getKeyFrames()[1].mesh);
    // 2.5 s into a 2 s animation is 0.5 s into it.
    const MorphingInformation wrapped = morphAt(2.5f);
    ASSERT_EQ(wrapped.keyCount, 2);
    EXPECT_FLOAT_EQ(wrapped.weights[0], 0.5f);
}

TEST_F(MeshShellTest, ACulledMeshIsNeitherTransformedNorRenderedAndKeepsItsMorphForLater) {
    const BaseKeyMesh mesh = triangleWithKeys({0.0f, 1.0f});
    RenderMeshShell shell(mesh);
    RecordingMesh& render = *factory.last;
    render.clipResult = 0;
    shell.setAnimationTime(0.5f);
    shell.render();
    EXPECT_TRUE(shell.wasCulled());

    // Seen again with the same keys: the geometry the culled frame skipped
    // is still asked for, once.
    render.clipResult = 1;
    shell.render();
    shell.render();
    ASSERT_EQ(render.morphs.size(), 3u);
    const unsigned geometry = MorphingInformation::GEOMETRY | MorphingInformation::NORMALS;
    EXPECT_EQ(render.morphs[1].flags & geometry, geometry);
    EXPECT_EQ(render.morphs[2].flags & geometry, 0u);
    EXPECT_EQ(render.transforms.size(), 2u);  // none for the culled frame
    EXPECT_EQ(render.renders.size(), 2u);
}

// Without key frames the rest shape is drawn.
TEST_F(MeshShellTest, RestShapeTransformAndPickRequestsFollowTheShellsSettings) {
    const BaseKeyMesh mesh = triangleWithKeys({});
    RenderMeshShell shell(mesh);
    RecordingMesh& render = *factory.last;
    shell.render();
    EXPECT_EQ(render.morphs.back().keyCount, 1);
    EXPECT_EQ(render.morphs.back().keys[0], &mesh.getKeyMesh());
    EXPECT_TRUE(render.morphs.back().flags & MorphingInformation::MODEL_BOX);
    EXPECT_TRUE(render.morphs.back().flags & MorphingInformation::NEW_TRANSFORM);
    EXPECT_NE(render.transforms.back() & TransformInformation::LIGHT, 0u);
    EXPECT_FALSE(render.renders.back().pickRequest);

    shell.setTransformation(TMatrix::rotation({0, 0, 1}, 1.0f), {1, 2, 3});
    shell.setLighting(false);
    shell.setPickable(true);
    shell.setDeferredKey(7);
    render.pickResult = true;
    shell.render();

    const MorphingInformation& info = render.morphs.back();
    ASSERT_TRUE(info.worldOffset != nullptr);
    EXPECT_EQ(*info.worldOffset, Vector(1, 2, 3));
    EXPECT_EQ(render.transforms.back() & TransformInformation::LIGHT, 0u);
    const RenderInformation& ri = render.renders.back();
    EXPECT_TRUE(ri.pickRequest);
    EXPECT_EQ(ri.deferredKey, 7);
    EXPECT_EQ(ri.flags, RenderInformation::REGULAR | RenderInformation::ALPHA |
                            RenderInformation::DEFER_ALPHA);
    EXPECT_TRUE(shell.wasPicked());
    EXPECT_FLOAT_EQ(shell.getPickedDepth(), 0.5f);

    // The transform is handed over only when it changes.
    shell.render();
    EXPECT_EQ(render.morphs.back().flags & MorphingInformation::NEW_TRANSFORM, 0u);
}

TEST_F(MeshShellTest, TheRenderMeshGoesBackToTheFactory) {
    const BaseKeyMesh mesh = triangleWithKeys({});
    { RenderMeshShell shell(mesh); }
    EXPECT_EQ(factory.destroyed, 1);
    theRenderMeshFactory = nullptr;
    RenderMeshShell orphan(mesh);
    orphan.render();  // no factory: nothing to draw, nothing to crash on
    EXPECT_EQ(orphan.getRenderMesh(), nullptr);
}
