// Procedural key meshes for the demo scene: boxes, spheres, tori and ground
// grids made of triangle strips and fans, with unit normals and texture
// coordinates, and the key frames that animate them.
#pragma once

#include <engine/core/key_mesh.h>
#include <engine/types.h>

#include <functional>
#include <memory>
#include <vector>

namespace scene {

// One point of a parametric surface.
struct SurfacePoint {
    Vector position;
    Vector normal;
    Vector2D uv;
};

// Collects vertices and sets; every vertex has its own normal and texture
// coordinates, so a set vertex uses the same index for all three.
class MeshBuilder {
public:
    int addVertex(const SurfacePoint& point);
    void addStrip(const std::vector<int>& vertices, int material = 0);
    void addFan(const std::vector<int>& vertices, int material = 0);
    // A grid over s, t in [0, 1] with the outward side along dP/ds x dP/dt,
    // its triangles turning clockwise seen from that side:
    // (columns + 1) x (rows + 1) vertices, one strip per row of cells.
    // Returns the index of its first vertex; vertex (i, j) is first + j * (columns + 1) + i.
    int addGrid(int columns, int rows, const std::function<SurfacePoint(float s, float t)>& surface,
                int material = 0);
    int vertexCount() const { return static_cast<int>(points.size()); }

    // The finished mesh with one material set; faces and boxes are derived.
    std::unique_ptr<BaseKeyMesh> finish(const BaseKeyMesh::MaterialSet& materials) const;

private:
    std::vector<SurfacePoint> points;
    std::vector<MeshSet> strips;
    std::vector<MeshSet> fans;
};

// A box centred on the origin with the given half sizes; each face is a grid
// of cells x cells (more cells let it bend smoothly).
std::unique_ptr<BaseKeyMesh> makeBox(const Vector& half, int cells, const MeshMaterial& material);
// A sphere: fans at the poles, strips between the rings.
std::unique_ptr<BaseKeyMesh> makeSphere(float radius, int rings, int segments,
                                        const MeshMaterial& material);
// A torus around the y axis.
std::unique_ptr<BaseKeyMesh> makeTorus(float majorRadius, float minorRadius, int majorSegments,
                                       int minorSegments, const MeshMaterial& material);
// A square in the y = 0 plane facing +y, with the texture repeated `tiles`
// times across.
std::unique_ptr<BaseKeyMesh> makeGround(float size, int cells, float tiles,
                                        const MeshMaterial& material);

// A shape of the rest mesh: new position and normal for each vertex.
using Deformation = std::function<void(Vector& position, Vector& normal)>;
// A key frame at `time` holding the rest shape deformed (normals renormalised).
void addDeformedKey(BaseKeyMesh& mesh, float time, const Deformation& deform);

// Swelling along the normals by `amount`, at half the period, and back.
void addPulseKeys(BaseKeyMesh& mesh, float amount, float period);
// Bending sideways along x, growing with the square of the height above
// `baseY`: rest, bent by +amount, rest, bent by -amount, rest.
void addBendKeys(BaseKeyMesh& mesh, float amount, float baseY, float period);
// Squashed and stretched along y (volume kept roughly): rest, tall, rest, flat, rest.
void addSquashKeys(BaseKeyMesh& mesh, float amount, float period);

}  // namespace scene
