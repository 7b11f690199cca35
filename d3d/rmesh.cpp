#include "rmesh.h"

#include "rtexture.h"
#include "rview.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>
#include <engine/core/material.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int sourceVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr int destinationVertexFormat =
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX3;
static_assert(sourceVertexFormat == 0x112 && destinationVertexFormat == 0x3C4,
              "the mesh's vertex formats");

constexpr unsigned morphParts = MorphingInformation::GEOMETRY | MorphingInformation::NORMALS |
                                MorphingInformation::TEXTURE;

// What a mesh material without an engine material is drawn with.
const Material& defaultMaterial() {
    static const Material material;
    return material;
}

float component(const Vector& v, int axis) {
    return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

BoundingBox weightedBox(const KeyMesh* const* keys, const float* weights, int count) {
    BoundingBox box;
    box.empty = 0;
    for (int k = 0; k < count; ++k) {
        box.minimum += keys[k]->getBox().minimum * weights[k];
        box.maximum += keys[k]->getBox().maximum * weights[k];
    }
    return box;
}

// A line through `start` along `direction` meets a face of the box.
bool lineHitsBox(const Vector& start, const Vector& direction, const BoundingBox& box) {
    for (int axis = 0; axis < 3; ++axis) {
        const float d = component(direction, axis);
        if (std::fabs(d) < 0.000001f)
            continue;
        for (const float plane : {component(box.minimum, axis), component(box.maximum, axis)}) {
            const Vector point = start + direction * ((plane - component(start, axis)) / d);
            bool inside = true;
            for (int other = 0; other < 3 && inside; ++other)
                if (other != axis)
                    inside = component(point, other) >= component(box.minimum, other) &&
                             component(point, other) <= component(box.maximum, other);
            if (inside)
                return true;
        }
    }
    return false;
}

// A processed vertex as the triangle pick reads it.
struct ScreenVertex {
    float x, y, z, w;
};

ScreenVertex readVertex(const unsigned char* at, float viewportWidth, float viewportHeight) {
    ScreenVertex v;
    std::memcpy(&v, at, sizeof v);
    // Clipped vertices are kept in clip form; bring them to the screen.
    if (v.w > 1.0f) {
        v.x = v.x / v.w * viewportWidth;
        v.y = (1.0f - v.y / v.w) * viewportHeight;
        v.z = v.z / v.w;
        v.w = 1.0f / v.w;
    }
    return v;
}

bool contains(const ScreenVertex& p, const ScreenVertex& q, const ScreenVertex& r, float px,
              float py) {
    const auto inside = [px, py](const ScreenVertex& a, const ScreenVertex& b) {
        return (b.x - a.x) * (py - a.y) <= (b.y - a.y) * (px - a.x);
    };
    return inside(p, q) && inside(q, r) && inside(r, p);
}

// Depth at the pixel on the plane through the three vertices.
float depthAt(const ScreenVertex& p, const ScreenVertex& q, const ScreenVertex& r, float px,
              float py) {
    const auto depth = [](const ScreenVertex& v) { return (v.z / v.w + 1.0f) * 0.1f; };
    const Vector a(p.x, p.y, depth(p));
    const Vector u = Vector(q.x, q.y, depth(q)) - a;
    const Vector v = Vector(r.x, r.y, depth(r)) - a;
    const Vector n = cross(u, v);
    if (std::fabs(n.z) < 1e-12f)
        return a.z;
    return a.z - (n.x * (px - a.x) + n.y * (py - a.y)) / n.z;
}

}  // namespace

// ===========================================================================
// D3DDeferredAlphaMesh
// ===========================================================================

void D3DDeferredAlphaMesh::render() {
    if (mesh && mesh->getVertexBuffer())
        mesh->getVertexBuffer()->renderAlphaSet();
}

// ===========================================================================
// Life
// ===========================================================================

D3DOneLevelRenderMesh::D3DOneLevelRenderMesh(int set, const BaseKeyMesh& mesh)
    : OneLevelRenderMeshInterface(set, mesh), currentKey(&mesh.getKeyMesh()), baseKeyMesh(mesh) {
    const int setCount = mesh.getMaterialSetCount();
    materialSet = ((set % setCount) + setCount) % setCount;

    for (const MeshMaterial& material : mesh.getMaterialSet(materialSet)) {
        const Material& engineMaterial = material.material ? *material.material : defaultMaterial();
        renderMaterials.push_back(theD3DRenderMaterialManager
                                      ? theD3DRenderMaterialManager->createMaterial(engineMaterial)
                                      : nullptr);
    }

    const KeyMesh& key = mesh.getKeyMesh();
    ownKeyMesh.setFaceCount(key.getFaceCount());
    ownKeyMesh.resize(key.getGeometryVertexCount(), key.getNormalCount(),
                      key.getTextureVertexCount());

    vertexBuffer = std::make_unique<MarkedVertexBuffer>(*this, mesh, sourceVertexFormat,
                                                        destinationVertexFormat);
    if (!vertexBuffer->getAlphaSetIndices().empty())
        deferredAlpha = std::make_unique<D3DDeferredAlphaMesh>(this);
    hasAlpha = deferredAlpha ? 1 : 0;
    modelBox = mesh.getBox();
}

D3DOneLevelRenderMesh::~D3DOneLevelRenderMesh() {
    vertexBuffer.reset();
    deferredAlpha.reset();
    for (RenderMaterial* material : renderMaterials)
        if (theD3DRenderMaterialManager)
            theD3DRenderMaterialManager->destroyMaterial(material);
    renderMaterials.clear();
}

D3DRenderView* D3DOneLevelRenderMesh::currentView() const {
    return theD3DRenderDriver
               ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
               : nullptr;
}

// ===========================================================================
// Morphing
// ===========================================================================

void D3DOneLevelRenderMesh::morph(MorphingInformation* info) {
    if (!info)
        return;
    clipState = info->clipResult;
    modelBox = info->modelBox;
    screenBox = info->screenBox;

    if (info->flags & MorphingInformation::NEW_TRANSFORM) {
        if (info->worldMatrix)
            worldMatrix = *info->worldMatrix;
        if (info->worldOffset)
            worldOffset = *info->worldOffset;
    }

    // The keys must all be there for the count given.
    const int keyCount = info->keyCount;
    bool keysGiven = keyCount >= 1 && keyCount <= 3;
    for (int k = 0; keysGiven && k < keyCount; ++k)
        keysGiven = info->keys[k] != nullptr;

    if ((info->flags & MorphingInformation::MODEL_BOX) && keysGiven) {
        modelBox = weightedBox(info->keys, info->weights, keyCount);
        info->modelBox = modelBox;
    }
    if (info->clipFlags != 0) {
        clip(info->clipFlags);
        info->clipResult = clipState;
        info->screenBox = screenBox;
    }
    if ((info->flags & morphParts) && keysGiven &&
        (info->clipResult != 0 || (info->flags & MorphingInformation::FORCE))) {
        const KeyMesh* const* k = info->keys;
        const float* w = info->weights;
        switch (keyCount) {
        case 1:
            morph(*k[0], info->flags);
            break;
        case 2:
            morph(*k[0], *k[1], w[0], w[1], info->flags);
            break;
        default:
            morph(*k[0], *k[1], *k[2], w[0], w[1], w[2], info->flags);
            break;
        }
    }
    info->flags &= ~(morphParts | MorphingInformation::MODEL_BOX | MorphingInformation::FORCE |
                     MorphingInformation::NEW_TRANSFORM);
    info->clipFlags &= ~(MorphingInformation::CLIP_TEST | MorphingInformation::CLIP_SECOND);
}

void D3DOneLevelRenderMesh::morph(const KeyMesh& key, unsigned int flags) {
    modelBox = key.getBox();
    currentKey = &key;
    updateFlags = flags;
}

void D3DOneLevelRenderMesh::morph(const KeyMesh& k1, const KeyMesh& k2, float w1, float w2,
                                  unsigned int flags) {
    const KeyMesh* keys[2] = {&k1, &k2};
    const float weights[2] = {w1, w2};
    blend(keys, weights, 2, flags);
}

void D3DOneLevelRenderMesh::morph(const KeyMesh& k1, const KeyMesh& k2, const KeyMesh& k3,
                                  float w1, float w2, float w3, unsigned int flags) {
    const KeyMesh* keys[3] = {&k1, &k2, &k3};
    const float weights[3] = {w1, w2, w3};
    blend(keys, weights, 3, flags);
}

void D3DOneLevelRenderMesh::blend(const KeyMesh* const* keys, const float* weights, int count,
                                  unsigned int flags) {
    lastAppliedKey = nullptr;
    modelBox = weightedBox(keys, weights, count);
    // Keys shorter than the mesh (bad data) leave the rest as it was.
    const auto blendArray = [&](auto& own, auto member) {
        size_t size = own.size();
        for (int k = 0; k < count; ++k)
            size = std::min(size, (keys[k]->*member).size());
        for (size_t i = 0; i < size; ++i) {
            auto sum = (keys[0]->*member)[i] * weights[0];
            for (int k = 1; k < count; ++k)
                sum = sum + (keys[k]->*member)[i] * weights[k];
            own[i] = sum;
        }
    };
    blendArray(ownKeyMesh.vertices, &KeyMesh::vertices);
    blendArray(ownKeyMesh.normals, &KeyMesh::normals);
    if (flags & MorphingInformation::TEXTURE)
        blendArray(ownKeyMesh.textureVertices, &KeyMesh::textureVertices);
    currentKey = &ownKeyMesh;
    updateFlags = flags;
}

// ===========================================================================
// Morphed data
// ===========================================================================

void D3DOneLevelRenderMesh::prepareMorphedData() {
    if (currentKey == &ownKeyMesh)
        return;
    const auto copy = [](const auto& from, auto& to) {
        std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
    };
    if (updateFlags & MorphingInformation::GEOMETRY)
        copy(currentKey->vertices, ownKeyMesh.vertices);
    if (updateFlags & MorphingInformation::NORMALS)
        copy(currentKey->normals, ownKeyMesh.normals);
    if (updateFlags & MorphingInformation::TEXTURE) {
        const KeyMesh& from = (currentKey->getFlags() & KeyMesh::HAS_TEXTURE_VERTICES)
                                  ? *currentKey
                                  : baseKeyMesh.getKeyMesh();
        copy(from.textureVertices, ownKeyMesh.textureVertices);
    }
    currentKey = &ownKeyMesh;
}

Vector* D3DOneLevelRenderMesh::getMorphedVertices() {
    updateFlags |= MorphingInformation::GEOMETRY;
    prepareMorphedData();
    return ownKeyMesh.getVertices();
}

Vector* D3DOneLevelRenderMesh::getMorphedNormals() {
    updateFlags |= MorphingInformation::NORMALS;
    prepareMorphedData();
    return ownKeyMesh.getNormals();
}

Vector2D* D3DOneLevelRenderMesh::getMorphedTextureVertices() {
    updateFlags |= MorphingInformation::TEXTURE;
    prepareMorphedData();
    return ownKeyMesh.getTextureVertices();
}

const Vector* D3DOneLevelRenderMesh::getMorphedVerticesConst() const {
    return currentKey->getVertices();
}

const Vector* D3DOneLevelRenderMesh::getMorphedNormalsConst() const {
    return (lastAppliedKey ? lastAppliedKey : &ownKeyMesh)->getNormals();
}

const Vector2D* D3DOneLevelRenderMesh::getMorphedTextureVerticesConst() const {
    return (lastAppliedKey ? lastAppliedKey : &ownKeyMesh)->getTextureVertices();
}

void D3DOneLevelRenderMesh::updateVertexBuffer() const {
    if (currentKey != lastAppliedKey || currentKey == &ownKeyMesh ||
        (updateFlags & MorphingInformation::FORCE))
        vertexBuffer->update(*currentKey, updateFlags);
    lastAppliedKey = currentKey;
}

// ===========================================================================
// Clipping, transforming, drawing
// ===========================================================================

void D3DOneLevelRenderMesh::projectVector(D3DRenderView& view, Vector& v) {
    v.x = view.getVerticalFactor() / v.z * v.x;
    v.y = view.getHorizontalFactor() / v.z * v.y;
}

bool D3DOneLevelRenderMesh::clip(unsigned int flags) {
    D3DRenderView* view = currentView();
    if ((theRenderDriver && theRenderDriver->inIdlingMode()) || !view) {
        clipState = CLIP_CULLED;
        return false;
    }
    if (!(flags & MorphingInformation::CLIP_TEST)) {
        clipState = CLIP_PARTLY;
        return true;
    }
    const TMatrix rotation = view->getCameraRotation() * worldMatrix;
    const Vector translation =
        view->getCameraRotation() * worldOffset + view->getCameraTranslation();
    screenBox.clear();
    for (int corner = 0; corner < 8; ++corner) {
        const Vector model((corner & 1) ? modelBox.maximum.x : modelBox.minimum.x,
                           (corner & 2) ? modelBox.maximum.y : modelBox.minimum.y,
                           (corner & 4) ? modelBox.maximum.z : modelBox.minimum.z);
        const Vector c = rotation * model + translation;
        // A corner exactly in the camera's plane projects far out, not to NaN.
        const float z = c.z != 0.0f ? c.z : 1e-6f;
        float x = view->getVerticalFactor() / z * c.x;
        float y = view->getHorizontalFactor() / z * c.y;
        if (z < 0.0f) {
            x = -x;
            y = -y;
        }
        screenBox.add(Vector(x, y, c.z));
    }
    screenBox.minimum.z -= view->getNearDistance();
    screenBox.maximum.z -= view->getNearDistance();

    const Vector& lo = screenBox.minimum;
    const Vector& hi = screenBox.maximum;
    if (lo.x >= 1.0f || lo.y >= 1.0f || hi.x <= -1.0f || hi.y <= -1.0f || hi.z <= 0.0f) {
        clipState = CLIP_CULLED;
        return false;
    }
    if (lo.x <= -1.0f || lo.y <= -1.0f || hi.x >= 1.0f || hi.y >= 1.0f || lo.z <= 0.0f)
        clipState = CLIP_PARTLY;
    else
        clipState = CLIP_INSIDE;
    return true;
}

void D3DOneLevelRenderMesh::transform(TransformInformation* info) {
    vertexBuffer->validate();
    if (theD3DRenderDriver)
        theD3DRenderDriver->setWorldTransformation(worldMatrix, worldOffset);
    if (info && (info->flags & TransformInformation::LIGHT))
        vertexBuffer->transformAndLight();
    else
        vertexBuffer->transform();
    if (info)
        info->flags &= ~0x3u;
}

void D3DOneLevelRenderMesh::render(RenderInformation* info) {
    if (!info)
        return;
    D3DRenderView* view = currentView();
    if (info->pickRequest) {
        info->pickResult = false;
        if (view) {
            IntersectionSettings settings;
            settings.storeDepth = true;
            settings.depthTest = false;
            settings.depth = &info->pickedDepth;
            settings.pointerY = view->getPointerY();
            settings.pointerX = view->getPointerX();
            info->pickResult = findIntersection(settings);
        }
    }
    if (info->flags & RenderInformation::REGULAR)
        vertexBuffer->renderRegularSet();
    if ((info->flags & RenderInformation::ALPHA) && deferredAlpha) {
        if (info->flags & RenderInformation::DEFER_ALPHA) {
            deferredAlpha->deferredKey = info->deferredKey;
            const Vector centre = worldMatrix * modelBox.center() + worldOffset;
            deferredAlpha->depth = view ? view->getZDepth(centre) : 0.0f;
            addToDeferredAlphaObjectsList(deferredAlpha.get());
        } else {
            vertexBuffer->renderAlphaSet();
        }
    }
    info->flags &= ~(RenderInformation::REGULAR | RenderInformation::ALPHA |
                     RenderInformation::DEFER_ALPHA);
    info->pickRequest = false;
}

// ===========================================================================
// Picking
// ===========================================================================

bool D3DOneLevelRenderMesh::findIntersection(IntersectionSettings& settings) {
    const float a = settings.pointerY;
    const float b = settings.pointerX;
    const int level = theDegradingManager ? theDegradingManager->getIntersectionLevel()
                                          : DegradingManager::maxIntersectionLevel;
    if (settings.storeDepth && settings.depth)
        *settings.depth = screenBox.minimum.z;

    bool hit = screenBox.minimum.x <= a && a <= screenBox.maximum.x &&
               screenBox.minimum.y <= b && b <= screenBox.maximum.y && screenBox.minimum.z > 0.0f;

    D3DRenderView* view = currentView();
    if (hit && (level == 1 || level == 2)) {
        if (!view)
            return false;
        // The line from the eye through the pointer on the near plane, in
        // model space.
        const TMatrix toWorld = view->getCameraRotation().transposed();
        const Vector& translation = view->getCameraTranslation();
        const float nearDistance = view->getNearDistance();
        const Vector onNearPlane(a * nearDistance / view->getVerticalFactor(),
                                 b * nearDistance / view->getHorizontalFactor(), nearDistance);
        const TMatrix toModel = worldMatrix.transposed();
        const auto model = [&](const Vector& camera) {
            return toModel * (toWorld * (camera - translation) - worldOffset);
        };
        hit = lineHitsModel(model(Vector()), model(onNearPlane), level);
    }
    if (hit && level == 3)
        hit = triangleHit(settings);
    if (settings.storeDepth && settings.depth && *settings.depth < 0.0f)
        return false;
    return hit;
}

bool D3DOneLevelRenderMesh::lineHitsModel(const Vector& start, const Vector& end,
                                          int level) const {
    const Vector direction = end - start;
    if (!lineHitsBox(start, direction, modelBox))
        return false;
    if (level == 1)
        return true;
    const Vector* vertices = getMorphedVerticesConst();
    const int count = currentKey->getGeometryVertexCount();
    for (const MeshFace& face : baseKeyMesh.getFaces()) {
        BoundingBox box;
        bool complete = true;
        for (const int index : face.vertex) {
            complete = complete && index >= 0 && index < count;
            if (complete)
                box.add(vertices[index]);
        }
        if (complete && lineHitsBox(start, direction, box))
            return true;
    }
    return false;
}

bool D3DOneLevelRenderMesh::triangleHit(const IntersectionSettings& settings) {
    D3DRenderView* view = currentView();
    if (!view)
        return false;
    const D3DVIEWPORT2& viewport = view->getViewportData();
    const float viewportWidth = static_cast<float>(viewport.dwWidth);
    const float viewportHeight = static_cast<float>(viewport.dwHeight);
    const VideoMode* mode = theD3DRenderDriver ? theD3DRenderDriver->getCurrentVideoMode() : nullptr;
    const float modeWidth = mode ? static_cast<float>(mode->getWidth()) : viewportWidth;
    const float modeHeight = mode ? static_cast<float>(mode->getHeight()) : viewportHeight;
    const float px = static_cast<float>(static_cast<int>(modeWidth * (settings.pointerX + 1.0f) / 2.0f));
    const float py = static_cast<float>(static_cast<int>(modeHeight * (1.0f - settings.pointerY) / 2.0f));

    const unsigned char* data = vertexBuffer->lockDestinationBuffer(0);
    if (!data)
        return false;
    const size_t stride = static_cast<size_t>(vertexBuffer->getDestinationVertexSize());
    bool hit = false;
    for (const MarkedVertexBuffer::SetEntry& entry : vertexBuffer->getSetIndices()) {
        const auto vertex = [&](int i) {
            return readVertex(data + static_cast<size_t>(entry.firstVertex + i) * stride,
                              viewportWidth, viewportHeight);
        };
        for (int i = 0; i + 2 < entry.vertexCount; ++i) {
            ScreenVertex p, q, r;
            if (entry.primitiveType == D3DPT_TRIANGLEFAN) {
                p = vertex(i + 2);
                q = vertex(i + 1);
                r = vertex(0);
            } else if (i % 2 == 0) {
                p = vertex(i + 1);
                q = vertex(i);
                r = vertex(i + 2);
            } else {
                p = vertex(i);
                q = vertex(i + 1);
                r = vertex(i + 2);
            }
            if (p.z < 0.0f || q.z < 0.0f || r.z < 0.0f || !contains(p, q, r, px, py))
                continue;
            hit = !settings.depthTest || depthAt(p, q, r, px, py) <= settings.maxDepth;
            break;
        }
        if (hit)
            break;
    }
    vertexBuffer->unlockDestinationBuffer();
    return hit;
}
