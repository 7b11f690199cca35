// Key meshes: the engine's geometry of one object. A BaseKeyMesh holds the
// topology (triangle strips and fans, the faces, the material sets) and the
// key frames; each key frame is a KeyMesh with its own vertex data.
#pragma once

#include <vector>

#include "engine/types.h"

class Material;

// Texture coordinates.
struct Vector2D {
    float u = 0.0f;
    float v = 0.0f;

    Vector2D() = default;
    Vector2D(float uValue, float vValue) : u(uValue), v(vValue) {}
};

inline Vector2D operator+(const Vector2D& lhs, const Vector2D& rhs) {
    return {lhs.u + rhs.u, lhs.v + rhs.v};
}
inline Vector2D operator*(const Vector2D& t, float s) {
    return {t.u * s, t.v * s};
}

// An axis-aligned box that grows to take in points.
struct BoundingBox {
    int empty = 1;
    Vector minimum;
    Vector maximum;

    void add(const Vector& point);
    void clear() { *this = BoundingBox(); }
    Vector center() const { return (minimum + maximum) * 0.5f; }
};

// One vertex of a strip or fan: where its position, normal and texture
// coordinates are taken from in the key mesh's arrays.
struct MeshSetVertex {
    int geometry = 0;
    int normal = 0;
    int texture = 0;
};

// A triangle strip or fan with one material. It has its three first vertices
// and any number of further ones.
struct MeshSet {
    int material = 0;
    MeshSetVertex first[3];
    std::vector<MeshSetVertex> further;

    int vertexCount() const { return 3 + static_cast<int>(further.size()); }
    // Vertex i of the set, 0 <= i < vertexCount().
    const MeshSetVertex& vertex(int i) const { return i < 3 ? first[i] : further[i - 3]; }
};

// A triangle of the mesh, as indices into the geometry vertices; used for
// exact picking.
struct MeshFace {
    int vertex[3] = {0, 0, 0};
};

// The material of a set: the engine material and how the mesh uses it.
struct MeshMaterial {
    enum Flags : unsigned {
        TEXTURED = 0x4,   // the set has texture coordinates to show
        TWO_SIDED = 0x8,  // drawn without back-face culling
    };
    unsigned flags = 0;
    const Material* material = nullptr;
};

// One key frame's vertex data; the counts are the arrays' sizes.
class KeyMesh {
public:
    enum Flags : unsigned {
        HAS_TEXTURE_VERTICES = 0x4,  // this key brings its own texture coordinates
    };

    int getFaceCount() const { return faceCount; }
    int getGeometryVertexCount() const { return static_cast<int>(vertices.size()); }
    int getNormalCount() const { return static_cast<int>(normals.size()); }
    int getTextureVertexCount() const { return static_cast<int>(textureVertices.size()); }

    const Vector* getVertices() const { return vertices.empty() ? nullptr : vertices.data(); }
    const Vector* getNormals() const { return normals.empty() ? nullptr : normals.data(); }
    const Vector2D* getTextureVertices() const {
        return textureVertices.empty() ? nullptr : textureVertices.data();
    }
    Vector* getVertices() { return vertices.empty() ? nullptr : vertices.data(); }
    Vector* getNormals() { return normals.empty() ? nullptr : normals.data(); }
    Vector2D* getTextureVertices() {
        return textureVertices.empty() ? nullptr : textureVertices.data();
    }

    unsigned getFlags() const { return flags; }
    void setFlags(unsigned value) { flags = value; }

    // The box of the geometry vertices, as last computed.
    const BoundingBox& getBox() const { return box; }
    void setBox(const BoundingBox& value) { box = value; }
    void updateBox();

    void setFaceCount(int count) { faceCount = count; }
    // Sizes the arrays; new elements are zero.
    void resize(int geometryVertices, int normalCount, int textureVertexCount);

    std::vector<Vector> vertices;
    std::vector<Vector> normals;
    std::vector<Vector2D> textureVertices;

private:
    int faceCount = 0;
    unsigned flags = 0;
    BoundingBox box;
};

// A key frame: a key mesh and the time, in seconds from the start of the
// animation, at which the object has exactly that shape.
struct KeyFrame {
    float time = 0.0f;
    KeyMesh mesh;
};

class BaseKeyMesh {
public:
    using MaterialSet = std::vector<MeshMaterial>;

    // The rest shape; also the source of texture coordinates for keys
    // without their own.
    const KeyMesh& getKeyMesh() const { return keyMesh; }
    KeyMesh& getKeyMesh() { return keyMesh; }

    const std::vector<MeshSet>& getStrips() const { return strips; }
    const std::vector<MeshSet>& getFans() const { return fans; }
    const std::vector<MeshFace>& getFaces() const { return faces; }
    int getStripCount() const { return static_cast<int>(strips.size()); }
    int getFanCount() const { return static_cast<int>(fans.size()); }

    // At least one set is always there (an empty one if none was added).
    int getMaterialSetCount() const;
    const MaterialSet& getMaterialSet(int index) const;

    const std::vector<KeyFrame>& getKeyFrames() const { return keyFrames; }
    // The animation's length: the last key frame's time (0 without keys).
    float getAnimationLength() const;

    // The box of the rest shape.
    const BoundingBox& getBox() const { return keyMesh.getBox(); }

    // Building. Faces are derived from the strips and fans by
    // finishTopology(), which also recomputes the boxes.
    void addStrip(const MeshSet& set) { strips.push_back(set); }
    void addFan(const MeshSet& set) { fans.push_back(set); }
    void addMaterialSet(const MaterialSet& set) { materialSets.push_back(set); }
    void addKeyFrame(float time, const KeyMesh& mesh);
    void finishTopology();

private:
    KeyMesh keyMesh;
    std::vector<MeshSet> strips;
    std::vector<MeshSet> fans;
    std::vector<MeshFace> faces;
    std::vector<MaterialSet> materialSets;
    std::vector<KeyFrame> keyFrames;
};
