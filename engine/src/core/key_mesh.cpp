#include "engine/core/key_mesh.h"

#include <algorithm>

void BoundingBox::add(const Vector& point) {
    if (empty) {
        minimum = maximum = point;
        empty = 0;
        return;
    }
    minimum = {std::min(minimum.x, point.x), std::min(minimum.y, point.y),
               std::min(minimum.z, point.z)};
    maximum = {std::max(maximum.x, point.x), std::max(maximum.y, point.y),
               std::max(maximum.z, point.z)};
}

void KeyMesh::updateBox() {
    box.clear();
    for (const Vector& v : vertices)
        box.add(v);
}

void KeyMesh::resize(int geometryVertices, int normalCount, int textureVertexCount) {
    vertices.resize(static_cast<std::size_t>(std::max(0, geometryVertices)));
    normals.resize(static_cast<std::size_t>(std::max(0, normalCount)));
    textureVertices.resize(static_cast<std::size_t>(std::max(0, textureVertexCount)));
}

int BaseKeyMesh::getMaterialSetCount() const {
    return materialSets.empty() ? 1 : static_cast<int>(materialSets.size());
}

const BaseKeyMesh::MaterialSet& BaseKeyMesh::getMaterialSet(int index) const {
    static const MaterialSet none;
    if (index < 0 || index >= static_cast<int>(materialSets.size()))
        return none;
    return materialSets[static_cast<std::size_t>(index)];
}

float BaseKeyMesh::getAnimationLength() const {
    return keyFrames.empty() ? 0.0f : keyFrames.back().time;
}

void BaseKeyMesh::addKeyFrame(float time, const KeyMesh& mesh) {
    KeyFrame frame{time, mesh};
    frame.mesh.updateBox();
    frame.mesh.setFaceCount(static_cast<int>(faces.size()));
    const auto later = std::upper_bound(
        keyFrames.begin(), keyFrames.end(), time,
        [](float t, const KeyFrame& k) { return t < k.time; });
    keyFrames.insert(later, frame);
}

namespace {

void addStripFaces(const MeshSet& set, std::vector<MeshFace>& faces) {
    for (int i = 0; i + 2 < set.vertexCount(); ++i) {
        MeshFace face;
        for (int k = 0; k < 3; ++k)
            face.vertex[k] = set.vertex(i + k).geometry;
        faces.push_back(face);
    }
}

void addFanFaces(const MeshSet& set, std::vector<MeshFace>& faces) {
    for (int i = 1; i + 1 < set.vertexCount(); ++i) {
        MeshFace face;
        face.vertex[0] = set.vertex(0).geometry;
        face.vertex[1] = set.vertex(i).geometry;
        face.vertex[2] = set.vertex(i + 1).geometry;
        faces.push_back(face);
    }
}

}  // namespace

void BaseKeyMesh::finishTopology() {
    faces.clear();
    for (const MeshSet& strip : strips)
        addStripFaces(strip, faces);
    for (const MeshSet& fan : fans)
        addFanFaces(fan, faces);
    const int faceCount = static_cast<int>(faces.size());
    keyMesh.setFaceCount(faceCount);
    keyMesh.updateBox();
    for (KeyFrame& frame : keyFrames) {
        frame.mesh.setFaceCount(faceCount);
        frame.mesh.updateBox();
    }
}
