// VertexOpacity: only the parts of a mesh with given materials translucent,
// each material with its own opacity. It takes over the drawing of the
// mesh's sets and draws them blended, at the end of the view or at once.
#pragma once

#include "translucent_sets.h"
#include "../../marked_vertex_buffer.h"

#include <engine/core/deferred.h>
#include <engine/core/opacity.h>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

class D3DOneLevelRenderMesh;

class VertexOpacity : public VertexOpacityInterface, public DeferredAlphaObjectInterface {
public:
    static constexpr int priority = 4;
    static constexpr unsigned overloadFlags =
        OVERLOAD_PREPARE_VIEW | OVERLOAD_TRANSFORM | OVERLOAD_RENDER;
    // Views a mesh is drawn in at once that each keep their own record.
    static constexpr int recordCount = 11;

    VertexOpacity() = default;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void prepareView(RenderView* view) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;

    void setOpacity(int material, float opacity) override;
    void drawAtOnce() override { deferred = false; }
    void drawDeferred() override { deferred = true; }

    // The deferred object's side.
    void render() override;
    void transform() override {}

    const std::map<int, std::uint16_t>& getOpacities() const { return opacities; }

private:
    // Which buffer vertices copy which geometry vertices, for one mesh.
    struct Record {
        bool used = false;
        const RenderView* view = nullptr;
        const D3DOneLevelRenderMesh* mesh = nullptr;
        const MarkedVertexBuffer* buffer = nullptr;
        const BaseKeyMesh* keyMesh = nullptr;
        VertexBufferEntries entries;
        // The geometry vertices the key mesh's sets of each material use.
        std::map<int, std::vector<int>> materialVertices;
    };

    // The record of the view, taking a free one (or the oldest) for a new view.
    int recordFor(const RenderView* view);
    // Rebuilds the current record when it was made for another mesh.
    Record* currentRecord();
    void fade(const Record& record) const;

    std::map<int, std::uint16_t> opacities;
    translucent::TranslucentSets sets;
    std::array<Record, recordCount> records;
    int current = 0;
    int nextFree = 0;
    // The view of the last transform.
    RenderView* renderView = nullptr;
    D3DOneLevelRenderMesh* mesh = nullptr;
    bool deferred = true;
};
