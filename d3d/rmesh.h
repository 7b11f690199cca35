// The driver's renderable form of an engine key mesh with one choice of
// materials, and the deferred object that draws its translucent sets at the
// end of the view.
#pragma once

#include "marked_vertex_buffer.h"

#include <engine/core/deferred.h>
#include <engine/core/render_mesh.h>

#include <memory>
#include <utility>
#include <vector>

class D3DOneLevelRenderMesh;
class D3DRenderView;
class RenderMaterial;

// Draws every alpha set of its mesh; the mesh owns it.
class D3DDeferredAlphaMesh : public DeferredAlphaObjectInterface {
public:
    explicit D3DDeferredAlphaMesh(D3DOneLevelRenderMesh* mesh) : mesh(mesh) {}
    D3DDeferredAlphaMesh(const D3DDeferredAlphaMesh&) = default;
    D3DDeferredAlphaMesh& operator=(const D3DDeferredAlphaMesh&) = default;

    void render() override;
    // The mesh's transform of this frame already left screen vertices.
    void transform() override {}

    D3DOneLevelRenderMesh* getMesh() const { return mesh; }

private:
    D3DOneLevelRenderMesh* mesh;
};

class D3DOneLevelRenderMesh : public OneLevelRenderMeshInterface {
public:
    enum ClipState { CLIP_CULLED = 0, CLIP_PARTLY = 1, CLIP_INSIDE = 2 };

    struct IntersectionSettings {
        bool storeDepth = false;
        bool depthTest = false;
        float* depth = nullptr;
        float maxDepth = 0.0f;
        // Pointer position in clip units.
        float pointerY = 0.0f;  // vertical, +1 top
        float pointerX = 0.0f;  // horizontal, +1 right
    };

    D3DOneLevelRenderMesh(int materialSet, const BaseKeyMesh& mesh);

    const TMatrix& getWorldMatrix() const override { return worldMatrix; }
    const Vector& getWorldOffset() const override { return worldOffset; }
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;
    Vector* getMorphedVertices() override;
    const Vector* getMorphedVerticesConst() const override;
    Vector* getMorphedNormals() override;
    const Vector* getMorphedNormalsConst() const override;
    const Vector2D* getMorphedTextureVerticesConst() const override;
    Vector2D* getMorphedTextureVertices() override;
    const BaseKeyMesh& getBaseKeyMesh() const override { return baseKeyMesh; }
    ~D3DOneLevelRenderMesh() override;

protected:
    virtual void prepareMorphedData();
    // For meshes whose translucent part is drawn differently; the previous
    // object is deleted.
    void replaceDeferredAlphaObject(std::unique_ptr<D3DDeferredAlphaMesh> object) {
        deferredAlpha = std::move(object);
    }

public:
    virtual void morph(const KeyMesh& k1, const KeyMesh& k2, const KeyMesh& k3, float w1,
                       float w2, float w3, unsigned int flags);
    virtual void morph(const KeyMesh& k1, const KeyMesh& k2, float w1, float w2,
                       unsigned int flags);
    virtual void morph(const KeyMesh& key, unsigned int flags);
    virtual bool findIntersection(IntersectionSettings& settings);
    virtual void updateVertexBuffer() const;

    bool clip(unsigned int flags);
    // Camera-space point to clip units; z is kept.
    static void projectVector(D3DRenderView& view, Vector& v);

    int getMaterialSet() const { return materialSet; }
    // One per material of the chosen set; null where the set has none.
    const std::vector<RenderMaterial*>& getRenderMaterials() const { return renderMaterials; }
    const KeyMesh* getCurrentKeyMesh() const { return currentKey; }
    const KeyMesh& getOwnKeyMesh() const { return ownKeyMesh; }
    int getClipState() const { return clipState; }
    bool hasAlphaSets() const { return hasAlpha != 0; }
    bool getSpecular() const { return specular; }
    void setSpecular(bool on) { specular = on; }
    unsigned int getUpdateFlags() const { return updateFlags; }
    const BoundingBox& getModelBox() const { return modelBox; }
    const BoundingBox& getScreenBox() const { return screenBox; }
    MarkedVertexBuffer* getVertexBuffer() const { return vertexBuffer.get(); }
    D3DDeferredAlphaMesh* getDeferredAlphaObject() const { return deferredAlpha.get(); }

private:
    // Weighted sum of up to three keys into the own key mesh.
    void blend(const KeyMesh* const* keys, const float* weights, int count, unsigned int flags);
    bool lineHitsModel(const Vector& start, const Vector& end, int level) const;
    bool triangleHit(const IntersectionSettings& settings);
    D3DRenderView* currentView() const;

    int materialSet;
    std::vector<RenderMaterial*> renderMaterials;
    KeyMesh ownKeyMesh;
    mutable const KeyMesh* lastAppliedKey = nullptr;
    const KeyMesh* currentKey;
    int hasAlpha = 0;
    int clipState = CLIP_CULLED;
    std::unique_ptr<MarkedVertexBuffer> vertexBuffer;
    const BaseKeyMesh& baseKeyMesh;
    BoundingBox modelBox;
    BoundingBox screenBox;
    unsigned int updateFlags = 0;
    bool specular = true;
    TMatrix worldMatrix;
    Vector worldOffset;
    std::unique_ptr<D3DDeferredAlphaMesh> deferredAlpha;
};
