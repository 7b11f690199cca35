#include "vertex_opacity.h"

#include "../overdraw.h"
#include "../../rmesh.h"

#include <engine/class_registry.h>

#include <set>

REGISTER_CLASS(VertexOpacity);

namespace {

std::map<int, std::vector<int>> verticesByMaterial(const BaseKeyMesh& keyMesh) {
    std::map<int, std::set<int>> found;
    for (const auto* sets : {&keyMesh.getStrips(), &keyMesh.getFans()})
        for (const MeshSet& set : *sets)
            for (int i = 0; i < set.vertexCount(); ++i)
                found[set.material].insert(set.vertex(i).geometry);
    std::map<int, std::vector<int>> lists;
    for (const auto& [material, vertices] : found)
        lists[material].assign(vertices.begin(), vertices.end());
    return lists;
}

}  // namespace

void VertexOpacity::setOpacity(int material, float value) {
    opacities[material] = translucent::toOpacity(value);
}

int VertexOpacity::recordFor(const RenderView* view) {
    for (int i = 0; i < recordCount; ++i)
        if (records[std::size_t(i)].used && records[std::size_t(i)].view == view)
            return i;
    const int taken = nextFree;
    nextFree = (nextFree + 1) % recordCount;
    records[std::size_t(taken)] = Record();
    records[std::size_t(taken)].used = true;
    records[std::size_t(taken)].view = view;
    return taken;
}

VertexOpacity::Record* VertexOpacity::currentRecord() {
    D3DOneLevelRenderMesh* below = driverMesh(*this);
    Record& record = records[std::size_t(current)];
    if (!below || !below->getVertexBuffer())
        return nullptr;
    if (record.mesh != below || record.buffer != below->getVertexBuffer()) {
        record.mesh = below;
        record.buffer = below->getVertexBuffer();
        record.entries = VertexBufferEntries();
        record.buffer->createEntries(&record.entries);
        record.keyMesh = &below->getBaseKeyMesh();
        record.materialVertices = verticesByMaterial(*record.keyMesh);
    }
    return &record;
}

void VertexOpacity::prepareView(RenderView* view) {
    EffectiveRenderMesh::prepareView(view);
    current = recordFor(view);
    currentRecord();
}

void VertexOpacity::transform(TransformInformation* info) {
    EffectiveRenderMesh::transform(info);
    mesh = driverMesh(*this);
    renderView = getRenderView();
    if (const Record* record = mesh && !opacities.empty() ? currentRecord() : nullptr)
        fade(*record);
}

void VertexOpacity::fade(const Record& record) const {
    MarkedVertexBuffer* buffer = mesh->getVertexBuffer();
    unsigned char* data =
        translucent::hasVertexColours(*buffer) ? buffer->lockDestinationBuffer(0) : nullptr;
    if (!data)
        return;
    const std::size_t stride = std::size_t(buffer->getDestinationVertexSize());
    const std::size_t total = std::size_t(buffer->getVertexTotal());
    const VertexBufferEntries::Block& geometry = record.entries.geometry;
    for (const auto& [material, level] : opacities) {
        const auto listed = record.materialVertices.find(material);
        if (listed == record.materialVertices.end())
            continue;
        for (const int g : listed->second) {
            if (g < 0 || std::size_t(g) >= geometry.count.size())
                continue;
            const std::size_t first = std::size_t(geometry.start[std::size_t(g)]);
            const std::size_t count = std::size_t(geometry.count[std::size_t(g)]);
            for (std::size_t i = first; i < first + count && i < geometry.list.size(); ++i)
                if (std::size_t(geometry.list[i]) < total)
                    translucent::fadeVertex(data + std::size_t(geometry.list[i]) * stride, level);
        }
    }
    buffer->unlockDestinationBuffer();
}

void VertexOpacity::render(RenderInformation* info) {
    if (info && mesh && (info->flags & RenderInformation::REGULAR)) {
        if (!deferred) {
            render();
        } else {
            deferredKey = info->deferredKey;
            depth = translucent::sortDepth(renderView, *mesh);
            addToDeferredAlphaObjectsList(this);
        }
    }
    if (info)
        info->flags &= ~unsigned(RenderInformation::REGULAR | RenderInformation::ALPHA |
                                 RenderInformation::DEFER_ALPHA);
    EffectiveRenderMesh::render(info);
}

void VertexOpacity::render() {
    sets.retest();
    // Blending is the deferred alpha phase's.
    sets.draw([this](RenderInformation& below) { EffectiveRenderMesh::render(&below); });
}
