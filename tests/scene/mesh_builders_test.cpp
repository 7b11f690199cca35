// Topology of the built meshes: counts of vertices, sets and faces, unit
// normals pointing outwards, and every triangle turning clockwise seen from
// outside, the front side for the device's default culling.
#include "scene/mesh_builders.h"

#include <engine/core/material.h>

#include <gtest/gtest.h>

#include <array>

#include <cmath>

namespace {

using namespace scene;

MeshMaterial anyMaterial() {
    MeshMaterial m;
    m.flags = MeshMaterial::TEXTURED;
    return m;
}

// Every triangle the sets draw, in the order the device draws them: odd
// strip triangles have their first two vertices swapped.
std::vector<std::array<int, 3>> drawnTriangles(const BaseKeyMesh& mesh) {
    std::vector<std::array<int, 3>> triangles;
    for (const MeshSet& strip : mesh.getStrips())
        for (int i = 0; i + 2 < strip.vertexCount(); ++i) {
            const int a = strip.vertex(i).geometry, b = strip.vertex(i + 1).geometry,
                      c = strip.vertex(i + 2).geometry;
            triangles.push_back(i % 2 ? std::array<int, 3>{b, a, c} : std::array<int, 3>{a, b, c});
        }
    for (const MeshSet& fan : mesh.getFans())
        for (int i = 1; i + 1 < fan.vertexCount(); ++i)
            triangles.push_back({fan.vertex(0).geometry, fan.vertex(i).geometry, fan.vertex(i + 1).geometry});
    return triangles;
}

// Unit normals, and each drawn triangle's right-hand normal pointing away
// from its vertices' normals (degenerate pole slivers aside).
void expectOrientedSurface(const BaseKeyMesh& mesh) {
    const KeyMesh& rest = mesh.getKeyMesh();
    ASSERT_EQ(rest.getNormalCount(), rest.getGeometryVertexCount());
    for (const Vector& n : rest.normals)
        EXPECT_NEAR(length(n), 1.0f, 1e-4f);
    int checked = 0;
    for (const auto& t : drawnTriangles(mesh)) {
        const Vector& a = rest.vertices[t[0]];
        const Vector face = cross(rest.vertices[t[1]] - a, rest.vertices[t[2]] - a);
        if (length(face) < 1e-6f)
            continue;
        const Vector n = rest.normals[t[0]] + rest.normals[t[1]] + rest.normals[t[2]];
        EXPECT_LT(dot(face, n), 0.0f) << "triangle " << t[0] << " " << t[1] << " " << t[2];
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(MeshBuilders, BoxHasSixGridFacesWithOutwardNormals) {
    const auto box = makeBox(Vector(1, 2, 3), 1, anyMaterial());
    EXPECT_EQ(box->getKeyMesh().getGeometryVertexCount(), 24);
    EXPECT_EQ(box->getStripCount(), 6);
    EXPECT_EQ(box->getFanCount(), 0);
    EXPECT_EQ(box->getFaces().size(), 12u);
    EXPECT_EQ(box->getKeyMesh().getFaceCount(), 12);
    const BoundingBox& bounds = box->getBox();
    EXPECT_FLOAT_EQ(bounds.minimum.y, -2.0f);
    EXPECT_FLOAT_EQ(bounds.maximum.z, 3.0f);
    expectOrientedSurface(*box);

    const auto fine = makeBox(Vector(1, 1, 1), 4, anyMaterial());
    EXPECT_EQ(fine->getKeyMesh().getGeometryVertexCount(), 6 * 25);
    EXPECT_EQ(fine->getStripCount(), 6 * 4);
    EXPECT_EQ(fine->getFaces().size(), 6u * 32u);
}

TEST(MeshBuilders, SphereHasPoleFansAndRingStrips) {
    const int rings = 6, segments = 8;
    const auto sphere = makeSphere(2.0f, rings, segments, anyMaterial());
    EXPECT_EQ(sphere->getKeyMesh().getGeometryVertexCount(), 2 + (rings - 1) * (segments + 1));
    EXPECT_EQ(sphere->getFanCount(), 2);
    EXPECT_EQ(sphere->getStripCount(), rings - 2);
    for (const MeshSet& fan : sphere->getFans())
        EXPECT_EQ(fan.vertexCount(), segments + 2);
    EXPECT_EQ(static_cast<int>(sphere->getFaces().size()), 2 * segments * (rings - 1));
    const KeyMesh& rest = sphere->getKeyMesh();
    for (int i = 0; i < rest.getGeometryVertexCount(); ++i) {
        EXPECT_NEAR(length(rest.vertices[i]), 2.0f, 1e-4f);
        EXPECT_GT(dot(rest.vertices[i], rest.normals[i]), 1.99f);
    }
    expectOrientedSurface(*sphere);
}

TEST(MeshBuilders, TorusAndGround) {
    const auto torus = makeTorus(2.0f, 0.5f, 12, 6, anyMaterial());
    EXPECT_EQ(torus->getKeyMesh().getGeometryVertexCount(), 13 * 7);
    EXPECT_EQ(torus->getStripCount(), 12);
    EXPECT_EQ(torus->getFaces().size(), 12u * 12u);
    // Every point lies on the tube, its normal pointing away from the core circle.
    const KeyMesh& rest = torus->getKeyMesh();
    for (int i = 0; i < rest.getGeometryVertexCount(); ++i) {
        const Vector p = rest.vertices[i];
        const Vector core = normalized(Vector(p.x, 0, p.z)) * 2.0f;
        EXPECT_NEAR(length(p - core), 0.5f, 1e-4f);
        EXPECT_NEAR(dot(normalized(p - core), rest.normals[i]), 1.0f, 1e-4f);
    }
    expectOrientedSurface(*torus);

    const auto ground = makeGround(10.0f, 5, 2.0f, anyMaterial());
    EXPECT_EQ(ground->getKeyMesh().getGeometryVertexCount(), 36);
    EXPECT_EQ(ground->getFaces().size(), 50u);
    EXPECT_FLOAT_EQ(ground->getBox().maximum.x, 5.0f);
    EXPECT_FLOAT_EQ(ground->getBox().maximum.y, 0.0f);
    float largestU = 0;
    for (const Vector2D& uv : ground->getKeyMesh().textureVertices)
        largestU = std::max(largestU, uv.u);
    EXPECT_FLOAT_EQ(largestU, 2.0f);
    expectOrientedSurface(*ground);
}

TEST(MeshBuilders, TheMaterialSetIsTheOneGiven) {
    Material material;
    MeshMaterial used;
    used.flags = MeshMaterial::TEXTURED | MeshMaterial::TWO_SIDED;
    used.material = &material;
    const auto ground = makeGround(1.0f, 1, 1.0f, used);
    ASSERT_EQ(ground->getMaterialSetCount(), 1);
    ASSERT_EQ(ground->getMaterialSet(0).size(), 1u);
    EXPECT_EQ(ground->getMaterialSet(0)[0].material, &material);
    EXPECT_EQ(ground->getMaterialSet(0)[0].flags, used.flags);
}

}  // namespace
