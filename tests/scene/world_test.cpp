// The world scene without a driver: its map, its ground on the sphere and
// the land camera's walk past the vanishing column.
#include "scene/world_scene.h"

#include <engine/core/spherical.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const scene::WorldContent::Part* findPart(const scene::WorldContent& world, const std::string& name,
                                          std::size_t* index) {
    const auto& parts = world.getParts();
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (parts[i].name == name) {
            *index = i;
            return &parts[i];
        }
    return nullptr;
}

TEST(WorldScene, WaterAndSwampLieInHollowsOfTheGroundOnTheSphere) {
    const scene::WorldMap map = scene::makeWorldMap();
    ASSERT_EQ(map.water.size(), std::size_t(scene::WorldMap::width * scene::WorldMap::height));
    ASSERT_EQ(map.swamp.size(), map.water.size());
    int water = 0, swamp = 0;
    for (std::size_t i = 0; i < map.water.size(); ++i) {
        EXPECT_FALSE(map.water[i] && map.swamp[i]) << "cell " << i;
        water += map.water[i];
        swamp += map.swamp[i];
        // The outermost ring of cells stays dry: the surfaces keep their edge nodes still.
        const int x = int(i) % scene::WorldMap::width, y = int(i) / scene::WorldMap::width;
        if (x == 0 || y == 0 || x == scene::WorldMap::width - 1 ||
            y == scene::WorldMap::height - 1) {
            EXPECT_FALSE(map.water[i] || map.swamp[i]) << x << "," << y;
        }
    }
    EXPECT_GT(water, 40);
    EXPECT_GT(swamp, 40);

    const scene::WorldContent world;
    std::size_t groundIndex = 0;
    const auto* ground = findPart(world, "ground", &groundIndex);
    ASSERT_NE(ground, nullptr);
    const KeyMesh& mesh = ground->mesh->getKeyMesh();
    const float radius = getSphereRadius();
    int below = 0;
    for (int i = 0; i < mesh.getGeometryVertexCount(); ++i) {
        const Vector fromCentre = mesh.vertices[i] - getSphereCenter();
        const float height = length(fromCentre) - radius;
        EXPECT_GT(height, -0.85f) << i;
        EXPECT_LT(height, 0.2f) << i;
        below += height < -0.5f;
        EXPECT_GT(dot(mesh.normals[i], normalized(fromCentre)), 0.7f) << "normal " << i;
    }
    EXPECT_GT(below, 100) << "the hollows under the pool and the swamp";
}

TEST(WorldScene, PartsStandUprightOnTheGroundAndTheMirrorFacesTheBall) {
    const scene::WorldContent world;
    const auto poses = world.posesAt(5.0f);
    const float radius = getSphereRadius();
    int standing = 0;
    for (std::size_t i = 0; i < world.getParts().size(); ++i) {
        const auto& part = world.getParts()[i];
        // The ball rests on its pedestal, the ring floats, the mirror is
        // on its post.
        if (part.name == "ground" || part.name == "ball" || part.name == "ring" ||
            part.name == "mirror")
            continue;
        const Vector up = normalized(poses[i].position - getSphereCenter());
        EXPECT_GT(dot(poses[i].orientation.column(1), up), 0.9999f) << part.name;
        const KeyMesh& mesh = part.mesh->getKeyMesh();
        float lowest = 1e9f;
        for (int v = 0; v < mesh.getGeometryVertexCount(); ++v) {
            const Vector placed = poses[i].orientation * mesh.vertices[v] + poses[i].position;
            lowest = std::min(lowest, length(placed - getSphereCenter()) - radius);
        }
        EXPECT_NEAR(lowest, 0.0f, 0.15f) << part.name;
        ++standing;
    }
    EXPECT_EQ(standing, 16) << "pedestal, mirror post, column, statue and twelve pillars";

    // The mirror looks at the ball from above everything, leaning forward, so
    // that it shows the ball and nothing stands before its glass.
    std::size_t mirror = 0, ball = 0;
    ASSERT_NE(findPart(world, "mirror", &mirror), nullptr);
    ASSERT_NE(findPart(world, "ball", &ball), nullptr);
    const Vector front = poses[mirror].orientation.column(1);
    const Vector up = normalized(poses[mirror].position - getSphereCenter());
    EXPECT_GT(dot(front, normalized(poses[ball].position - poses[mirror].position)), 0.9f);
    EXPECT_LT(dot(front, up), -0.2f);
    const KeyMesh& pane = world.getParts()[mirror].mesh->getKeyMesh();
    for (int v = 0; v < pane.getGeometryVertexCount(); ++v) {
        const Vector placed = poses[mirror].orientation * pane.vertices[v] + poses[mirror].position;
        EXPECT_GT(length(placed - getSphereCenter()) - getSphereRadius(), 3.0f) << v;
    }
}

TEST(WorldScene, TheCameraWalksPastTheColumnAndSeesTheMiddle) {
    const scene::WorldContent world;
    std::size_t columnIndex = 0;
    ASSERT_NE(findPart(world, "column", &columnIndex), nullptr);
    const Vector column = world.posesAt(0.0f)[columnIndex].position;
    landcamera::Camera camera;
    float nearest = 1e9f, farthest = 0.0f;
    for (float t = 0.0f; t < scene::worldLoopSeconds; t += 0.05f) {
        scene::placeWorldCamera(camera, t);
        const Vector eye = camera.getGlobalOff();
        const Vector ground = sphericalPlacementVector(groundToFlat(camera.getGroundPoint()));
        EXPECT_GT(length(eye - ground), 2.5f) << "above the ground at " << t;
        // Looking at the middle of the map, a little down.
        const Vector toMiddle = normalized(Vector(0, 0, 0) - eye);
        EXPECT_GT(dot(camera.getGlobalTM().column(2), toMiddle), 0.95f) << t;
        const Vector d = column - eye;
        const float horizontal = std::sqrt(d.x * d.x + d.z * d.z);
        nearest = std::min(nearest, horizontal);
        farthest = std::max(farthest, horizontal);
    }
    EXPECT_LT(nearest, 3.0f) << "close enough for the column to vanish";
    EXPECT_GT(nearest, 1.2f) << "but not through it";
    EXPECT_GT(farthest, 20.0f);
}

}  // namespace
