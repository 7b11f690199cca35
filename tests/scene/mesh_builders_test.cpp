// Topology of the built meshes: counts of vertices, sets and faces, unit
// normals pointing outwards, and every triangle turning clockwise seen from
// outside, the front side for the device's default culling.
#include "scene/mesh_builders.h"

#include <engine/core/material.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace scene;
using Mesh = std::shared_ptr<const BaseKeyMesh>;

// The counts, unit normals, each drawn triangle's right-hand normal pointing
// away from its vertices' normals (degenerate pole slivers aside), and where
// the shapes lie.
TEST(MeshBuilders, CountsOrientedSurfacesAndShapes) {
    const Mesh box = makeBox(Vector(1, 2, 3), 1, MeshMaterial());
    const Mesh sphere = makeSphere(2.0f, 6, 8, MeshMaterial());
    const Mesh torus = makeTorus(2.0f, 0.5f, 12, 6, MeshMaterial());
    Material material;
    const MeshMaterial used{MeshMaterial::TEXTURED | MeshMaterial::TWO_SIDED, &material};
    const Mesh ground = makeGround(10.0f, 5, 2.0f, used);
    const struct {
        Mesh mesh;
        int vertices, strips, fans, faces;
    } shapes[] = {
        {box, 24, 6, 0, 12},
        {makeBox(Vector(1, 1, 1), 4, MeshMaterial()), 6 * 25, 6 * 4, 0, 6 * 32},
        {sphere, 2 + 5 * 9, 4, 2, 2 * 8 * 5},
        {torus, 13 * 7, 12, 0, 12 * 12},
        {ground, 36, 5, 0, 50},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(&shape - shapes);
        const KeyMesh& rest = shape.mesh->getKeyMesh();
        EXPECT_EQ(rest.getGeometryVertexCount(), shape.vertices);
        EXPECT_EQ(shape.mesh->getStripCount(), shape.strips);
        EXPECT_EQ(shape.mesh->getFanCount(), shape.fans);
        EXPECT_EQ(static_cast<int>(shape.mesh->getFaces().size()), shape.faces);
        ASSERT_EQ(rest.getNormalCount(), rest.getGeometryVertexCount());
        for (const Vector& n : rest.normals)
            EXPECT_NEAR(length(n), 1.0f, 1e-4f);
        int checked = 0;
        const auto expectFront = [&](int i0, int i1, int i2) {
            const Vector& a = rest.vertices[i0];
            const Vector face = cross(rest.vertices[i1] - a, rest.vertices[i2] - a);
            if (length(face) < 1e-6f)
                return;
            const Vector n = rest.normals[i0] + rest.normals[i1] + rest.normals[i2];
            EXPECT_LT(dot(face, n), 0.0f) << "triangle " << i0 << " " << i1 << " " << i2;
            ++checked;
        };
        // As the device draws them: odd strip triangles have their first two vertices swapped.
        for (const MeshSet& strip : shape.mesh->getStrips())
            for (int i = 0; i + 2 < strip.vertexCount(); ++i)
                expectFront(strip.vertex(i + i % 2).geometry, strip.vertex(i + 1 - i % 2).geometry,
                            strip.vertex(i + 2).geometry);
        for (const MeshSet& fan : shape.mesh->getFans())
            for (int i = 1; i + 1 < fan.vertexCount(); ++i)
                expectFront(fan.vertex(0).geometry, fan.vertex(i).geometry,
                            fan.vertex(i + 1).geometry);
        EXPECT_GT(checked, 0);
    }

    const KeyMesh& ball = sphere->getKeyMesh();
    for (int i = 0; i < ball.getGeometryVertexCount(); ++i) {
        EXPECT_NEAR(length(ball.vertices[i]), 2.0f, 1e-4f);
        EXPECT_GT(dot(ball.vertices[i], ball.normals[i]), 1.99f);
    }
    // Every point of the torus lies on the tube, its normal pointing away from
    // the core circle.
    const KeyMesh& ring = torus->getKeyMesh();
    for (int i = 0; i < ring.getGeometryVertexCount(); ++i) {
        const Vector p = ring.vertices[i];
        const Vector core = normalized(Vector(p.x, 0, p.z)) * 2.0f;
        EXPECT_NEAR(length(p - core), 0.5f, 1e-4f);
        EXPECT_NEAR(dot(normalized(p - core), ring.normals[i]), 1.0f, 1e-4f);
    }
    EXPECT_FLOAT_EQ(ground->getBox().maximum.x, 5.0f);
    float largestU = 0;
    for (const Vector2D& uv : ground->getKeyMesh().textureVertices)
        largestU = std::max(largestU, uv.u);
    EXPECT_FLOAT_EQ(largestU, 2.0f);
}

}  // namespace
