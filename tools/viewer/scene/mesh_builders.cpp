#include "mesh_builders.h"

#include <cmath>

namespace scene {
namespace {

constexpr float pi = 3.14159265f;

MeshSet makeSet(const std::vector<int>& vertices, int material) {
    MeshSet set;
    set.material = material;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const MeshSetVertex vertex{vertices[i], vertices[i], vertices[i]};
        if (i < 3)
            set.first[i] = vertex;
        else
            set.further.push_back(vertex);
    }
    return set;
}

}  // namespace

int MeshBuilder::addVertex(const SurfacePoint& point) {
    points.push_back(point);
    return vertexCount() - 1;
}

void MeshBuilder::addStrip(const std::vector<int>& vertices, int material) {
    if (vertices.size() >= 3)
        strips.push_back(makeSet(vertices, material));
}

void MeshBuilder::addFan(const std::vector<int>& vertices, int material) {
    if (vertices.size() >= 3)
        fans.push_back(makeSet(vertices, material));
}

int MeshBuilder::addGrid(int columns, int rows,
                         const std::function<SurfacePoint(float, float)>& surface, int material) {
    const int first = vertexCount();
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i)
            addVertex(surface(static_cast<float>(i) / columns, static_cast<float>(j) / rows));
    const int stride = columns + 1;
    for (int j = 0; j < rows; ++j) {
        // The first triangle (P(s, t), P(s, t+1), P(s+1, t)) turns clockwise
        // seen from the outward side, the front side for the device's
        // default culling; the strip keeps that turn for all its triangles.
        std::vector<int> strip;
        for (int i = 0; i <= columns; ++i) {
            strip.push_back(first + j * stride + i);
            strip.push_back(first + (j + 1) * stride + i);
        }
        addStrip(strip, material);
    }
    return first;
}

std::unique_ptr<BaseKeyMesh> MeshBuilder::finish(const BaseKeyMesh::MaterialSet& materials) const {
    auto mesh = std::make_unique<BaseKeyMesh>();
    KeyMesh& rest = mesh->getKeyMesh();
    rest.resize(vertexCount(), vertexCount(), vertexCount());
    for (int i = 0; i < vertexCount(); ++i) {
        rest.vertices[i] = points[i].position;
        rest.normals[i] = points[i].normal;
        rest.textureVertices[i] = points[i].uv;
    }
    for (const MeshSet& strip : strips)
        mesh->addStrip(strip);
    for (const MeshSet& fan : fans)
        mesh->addFan(fan);
    mesh->addMaterialSet(materials);
    mesh->finishTopology();
    return mesh;
}

std::unique_ptr<BaseKeyMesh> makeBox(const Vector& half, int cells, const MeshMaterial& material) {
    MeshBuilder builder;
    // Each face: its normal and two edge directions whose cross product is the normal.
    const struct {
        Vector normal, s, t;
    } faces[] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    const auto scaled = [&half](const Vector& v) { return Vector(v.x * half.x, v.y * half.y, v.z * half.z); };
    for (const auto& face : faces) {
        builder.addGrid(cells, cells, [&](float s, float t) {
            const Vector position = scaled(face.normal + face.s * (2 * s - 1) + face.t * (2 * t - 1));
            return SurfacePoint{position, face.normal, {s, t}};
        });
    }
    return builder.finish({material});
}

std::unique_ptr<BaseKeyMesh> makeSphere(float radius, int rings, int segments,
                                        const MeshMaterial& material) {
    MeshBuilder builder;
    // Latitude theta from the north pole, longitude phi; the outward side is
    // along dP/dphi x dP/dtheta, so phi is the grid's s.
    const auto point = [radius](float theta, float phi, float u, float v) {
        const Vector normal(std::sin(theta) * std::cos(phi), std::cos(theta),
                            std::sin(theta) * std::sin(phi));
        return SurfacePoint{normal * radius, normal, {u, v}};
    };
    const float band = 1.0f / rings;
    const int first = builder.addGrid(segments, rings - 2, [&](float s, float t) {
        const float v = band + t * (1.0f - 2 * band);
        return point(v * pi, s * 2 * pi, s, v);
    });
    const int stride = segments + 1;
    const int lastRing = first + (rings - 2) * stride;
    std::vector<int> north{builder.addVertex(point(0, 0, 0.5f, 0))};
    std::vector<int> south{builder.addVertex(point(pi, 0, 0.5f, 1))};
    // Clockwise from outside, as the grid.
    for (int i = 0; i <= segments; ++i) {
        north.push_back(first + i);
        south.push_back(lastRing + segments - i);
    }
    builder.addFan(north);
    builder.addFan(south);
    return builder.finish({material});
}

std::unique_ptr<BaseKeyMesh> makeTorus(float majorRadius, float minorRadius, int majorSegments,
                                       int minorSegments, const MeshMaterial& material) {
    MeshBuilder builder;
    // Outward along dP/dpsi x dP/dphi: the tube angle psi is s.
    builder.addGrid(minorSegments, majorSegments, [&](float s, float t) {
        const float psi = s * 2 * pi;
        const float phi = t * 2 * pi;
        const Vector normal(std::cos(psi) * std::cos(phi), std::sin(psi), std::cos(psi) * std::sin(phi));
        const Vector centre(majorRadius * std::cos(phi), 0, majorRadius * std::sin(phi));
        return SurfacePoint{centre + normal * minorRadius, normal, {t * 4, s}};
    });
    return builder.finish({material});
}

std::unique_ptr<BaseKeyMesh> makeGround(float size, int cells, float tiles,
                                        const MeshMaterial& material) {
    MeshBuilder builder;
    // +y = dP/dz x dP/dx: z is s.
    builder.addGrid(cells, cells, [&](float s, float t) {
        return SurfacePoint{{(t - 0.5f) * size, 0, (s - 0.5f) * size}, {0, 1, 0}, {s * tiles, t * tiles}};
    });
    return builder.finish({material});
}

void addDeformedKey(BaseKeyMesh& mesh, float time, const Deformation& deform) {
    const KeyMesh& rest = mesh.getKeyMesh();
    KeyMesh key;
    key.resize(rest.getGeometryVertexCount(), rest.getNormalCount(), 0);
    for (int i = 0; i < rest.getGeometryVertexCount(); ++i) {
        Vector position = rest.vertices[i];
        Vector normal = i < rest.getNormalCount() ? rest.normals[i] : Vector();
        deform(position, normal);
        key.vertices[i] = position;
        if (i < key.getNormalCount())
            key.normals[i] = normalized(normal);
    }
    mesh.addKeyFrame(time, key);
}

void addPulseKeys(BaseKeyMesh& mesh, float amount, float period) {
    const auto swell = [amount](Vector& p, Vector& n) { p = p + n * amount; };
    addDeformedKey(mesh, 0, [](Vector&, Vector&) {});
    addDeformedKey(mesh, period / 2, swell);
    addDeformedKey(mesh, period, [](Vector&, Vector&) {});
}

void addBendKeys(BaseKeyMesh& mesh, float amount, float baseY, float period) {
    // x' = x + k h^2 with h = y - baseY; normals go through the inverse
    // transpose of that map's Jacobian: n' = (nx, ny - 2 k h nx, nz).
    const auto bend = [baseY](float k) {
        return [k, baseY](Vector& p, Vector& n) {
            const float h = p.y - baseY;
            p.x += k * h * h;
            n.y -= 2 * k * h * n.x;
        };
    };
    addDeformedKey(mesh, 0, bend(0));
    addDeformedKey(mesh, period / 4, bend(amount));
    addDeformedKey(mesh, period / 2, bend(0));
    addDeformedKey(mesh, 3 * period / 4, bend(-amount));
    addDeformedKey(mesh, period, bend(0));
}

void addSquashKeys(BaseKeyMesh& mesh, float amount, float period) {
    // Scale (a, b, a) with a = 1 / sqrt(b); normals scale by the inverse.
    const auto squash = [](float b) {
        const float a = 1.0f / std::sqrt(b);
        return [a, b](Vector& p, Vector& n) {
            p = {p.x * a, p.y * b, p.z * a};
            n = {n.x / a, n.y / b, n.z / a};
        };
    };
    addDeformedKey(mesh, 0, squash(1));
    addDeformedKey(mesh, period / 4, squash(1 + amount));
    addDeformedKey(mesh, period / 2, squash(1));
    addDeformedKey(mesh, 3 * period / 4, squash(1 / (1 + amount)));
    addDeformedKey(mesh, period, squash(1));
}

}  // namespace scene
