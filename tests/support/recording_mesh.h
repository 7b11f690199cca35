// A render mesh factory that makes meshes which only record what the engine's
// mesh shell asks of them, and answer with a chosen clip and pick result.
#pragma once

#include <engine/core/render_mesh.h>

#include <vector>

class RecordingMesh : public OneLevelRenderMeshInterface {
public:
    RecordingMesh(int set, const BaseKeyMesh& mesh) : OneLevelRenderMeshInterface(set, mesh) {}

    const TMatrix& getWorldMatrix() const override { return matrix; }
    const Vector& getWorldOffset() const override { return offset; }
    void morph(MorphingInformation* info) override {
        morphs.push_back(*info);
        info->clipResult = clipResult;
        info->flags = 0;
    }
    void transform(TransformInformation* info) override { transforms.push_back(info->flags); }
    void render(RenderInformation* info) override {
        renders.push_back(*info);
        info->pickResult = pickResult;
        info->pickedDepth = 0.5f;
    }
    Vector* getMorphedVertices() override { return nullptr; }
    const Vector* getMorphedVerticesConst() const override { return nullptr; }
    Vector* getMorphedNormals() override { return nullptr; }
    const Vector* getMorphedNormalsConst() const override { return nullptr; }
    const Vector2D* getMorphedTextureVerticesConst() const override { return nullptr; }
    Vector2D* getMorphedTextureVertices() override { return nullptr; }
    const BaseKeyMesh& getBaseKeyMesh() const override { return keyMesh; }

    TMatrix matrix;
    Vector offset;
    int clipResult = 2;
    bool pickResult = false;
    std::vector<MorphingInformation> morphs;
    std::vector<unsigned> transforms;
    std::vector<RenderInformation> renders;
};

class RecordingFactory : public RenderMeshFactory {
public:
    OneLevelRenderMeshInterface* create(int set, const BaseKeyMesh& mesh) override {
        last = new RecordingMesh(set, mesh);
        return last;
    }
    void destroy(OneLevelRenderMeshInterface* mesh) override {
        ++destroyed;
        delete mesh;
    }
    EffectiveRenderMesh* createEffectMesh(const char*) override { return nullptr; }

    RecordingMesh* last = nullptr;
    int destroyed = 0;
};
