// The driver's renderable form of a key mesh, the records through which the
// engine drives it each frame, and the factory that makes it.
#pragma once

#include "engine/core/key_mesh.h"
#include "engine/core/tmatrix.h"
#include "engine/types.h"

class EffectiveRenderMesh;

// Step 1: choose or blend the key frames, update the boxes, cull.
struct MorphingInformation {
    enum Flags : unsigned {
        GEOMETRY = 0x1,
        NORMALS = 0x2,
        TEXTURE = 0x4,
        MODEL_BOX = 0x10,     // recompute the model box from the keys
        FORCE = 0x20,         // morph and write even when culled
        NEW_TRANSFORM = 0x40  // worldMatrix and worldOffset are given
    };
    enum ClipFlags : unsigned { CLIP_TEST = 0x1, CLIP_SECOND = 0x2 };

    unsigned flags = 0;
    const TMatrix* worldMatrix = nullptr;
    const Vector* worldOffset = nullptr;
    const KeyMesh* keys[3] = {nullptr, nullptr, nullptr};
    float weights[3] = {1.0f, 0.0f, 0.0f};
    int keyCount = 1;
    unsigned clipFlags = 0;
    // Kept by the engine between frames: 0 culled, 1 visible and clipped,
    // 2 wholly inside the view.
    int clipResult = 0;
    BoundingBox screenBox;
    BoundingBox modelBox;
};

// Step 2: turn the vertices into screen vertices.
struct TransformInformation {
    enum Flags : unsigned { LIGHT = 0x2 };
    unsigned flags = 0;
};

// Step 3: draw, defer the translucent parts, answer a pick.
struct RenderInformation {
    enum Flags : unsigned { REGULAR = 0x1, ALPHA = 0x2, DEFER_ALPHA = 0x4 };
    unsigned flags = 0;
    int deferredKey = 0;
    bool pickRequest = false;
    bool pickResult = false;
    float pickedDepth = 0.0f;
};

class OneLevelRenderMeshInterface {
public:
    OneLevelRenderMeshInterface(int materialSet, const BaseKeyMesh& mesh)
        : requestedMaterialSet(materialSet), keyMesh(mesh) {}
    OneLevelRenderMeshInterface(const OneLevelRenderMeshInterface&) = delete;
    OneLevelRenderMeshInterface& operator=(const OneLevelRenderMeshInterface&) = delete;

    // Called by position: keep the slot order.
    virtual const TMatrix& getWorldMatrix() const = 0;
    virtual const Vector& getWorldOffset() const = 0;
    virtual void morph(MorphingInformation* info) = 0;
    virtual void transform(TransformInformation* info) = 0;
    virtual void render(RenderInformation* info) = 0;
    virtual Vector* getMorphedVertices() = 0;
    virtual const Vector* getMorphedVerticesConst() const = 0;
    virtual Vector* getMorphedNormals() = 0;
    virtual const Vector* getMorphedNormalsConst() const = 0;
    virtual const Vector2D* getMorphedTextureVerticesConst() const = 0;
    virtual Vector2D* getMorphedTextureVertices() = 0;
    virtual const BaseKeyMesh& getBaseKeyMesh() const = 0;
    virtual ~OneLevelRenderMeshInterface() = default;

    // The index the mesh was made for, before any wrap-around.
    int getRequestedMaterialSet() const { return requestedMaterialSet; }

protected:
    const int requestedMaterialSet;
    const BaseKeyMesh& keyMesh;
};

class RenderMeshFactory {
public:
    // Called by position: keep the slot order.
    virtual OneLevelRenderMeshInterface* create(int materialSet, const BaseKeyMesh& mesh) = 0;
    virtual void destroy(OneLevelRenderMeshInterface* mesh) = 0;
    // Null when no such class is registered or it is not an effect mesh.
    virtual EffectiveRenderMesh* createEffectMesh(const char* className) = 0;

protected:
    RenderMeshFactory() = default;
    RenderMeshFactory(const RenderMeshFactory&) = default;
    RenderMeshFactory& operator=(const RenderMeshFactory&) = default;
    ~RenderMeshFactory() = default;
};
