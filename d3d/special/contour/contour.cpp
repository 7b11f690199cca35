#include "contour.h"

#include "../overdraw.h"
#include "../../rmesh.h"
#include "../../rview.h"

#include "../../marked_vertex_buffer.h"

#include <engine/class_registry.h>
#include <engine/core/effect_settings.h>

#include <algorithm>
#include <cstring>
#include <vector>

REGISTER_CLASS(Contour);

Contour::Contour(bool selected) : selected(selected) {}

void Contour::setContourColor(const Color& c) {
    color = colorToARGB(c);
}

void Contour::prepareView(RenderView* view) {
    queued = false;
    EffectiveRenderMesh::prepareView(view);
}

void Contour::morph(MorphingInformation* info) {
    EffectiveRenderMesh::morph(info);
    // Only a mesh that is seen is transformed this view, so only its
    // processed vertices can be drawn again.
    if (!selected || queued || !info || info->clipResult == 0)
        return;
    mesh = driverMesh(*this);
    if (!mesh)
        return;
    queued = true;
    addToDeferredRenderObjectsList(&deferred);
}

void Contour::draw() {
    queued = false;
    if (!mesh || !theRenderStateManager)
        return;
    const int type = SEContour::contourType;
    const bool zFix = ModelSelectionInterface::force_contour_z_fix;
    if (type == SEContour::HIGHLIGHT || type == SEContour::OUTLINE_AND_HIGHLIGHT) {
        // Half the colour added over the surface, where the surface is seen.
        StateScope scope;
        const DWORD half = (color & 0xFF000000u) | ((color >> 1) & 0x007F7F7Fu);
        setFlatColor(scope, half);
        scope.set(RS_ALPHABLENDENABLE, TRUE);
        scope.set(RS_SRCBLEND, D3DBLEND_ONE);
        scope.set(RS_DESTBLEND, D3DBLEND_ONE);
        scope.set(RS_ZWRITEENABLE, FALSE);
        scope.set(RS_ZFUNC, D3DCMP_LESSEQUAL);
        overdrawMesh(*mesh);
    }
    if (type == SEContour::OUTLINE || type == SEContour::OUTLINE_AND_HIGHLIGHT) {
        StateScope scope;
        setFlatColor(scope, color);
        scope.set(RS_ALPHABLENDENABLE, FALSE);
        scope.set(RS_ZWRITEENABLE, FALSE);
        scope.set(RS_ZENABLE, zFix ? FALSE : TRUE);
        scope.set(RS_ZFUNC, D3DCMP_LESSEQUAL);
        if (zFix || !drawShiftedCopies()) {
            // Cut by the screen's edge, the vertices are partly in clip form:
            // the edges of the back faces stand in, which the front faces
            // hide but on the silhouette.
            scope.set(RS_FILLMODE, D3DFILL_WIREFRAME);
            scope.set(RS_CULLMODE, D3DCULL_CW);
            overdrawMesh(*mesh);
        }
    }
}

bool Contour::drawShiftedCopies() {
    MarkedVertexBuffer* buffer = mesh->getVertexBuffer();
    if (!buffer || !g_pDevice || mesh->getClipState() != D3DOneLevelRenderMesh::CLIP_INSIDE)
        return false;
    const std::size_t size = std::size_t(buffer->getDestinationVertexSize());
    const unsigned char* data = buffer->lockDestinationBuffer(DDLOCK_READONLY);
    if (!data || size < 16)
        return false;
    // Every set as one triangle list, in the winding the strips and fans
    // draw with, so that culling keeps the same faces.
    std::vector<unsigned char> list;
    const auto add = [&](int vertex) {
        const unsigned char* v = data + std::size_t(vertex) * size;
        list.insert(list.end(), v, v + size);
    };
    for (const MarkedVertexBuffer::SetEntry& entry : buffer->getSetIndices())
        for (int i = 0; i + 2 < entry.vertexCount; ++i) {
            const int first = entry.firstVertex;
            if (entry.primitiveType == D3DPT_TRIANGLEFAN) {
                add(first);
                add(first + i + 1);
                add(first + i + 2);
            } else {
                add(first + i + (i % 2));
                add(first + i + 1 - (i % 2));
                add(first + i + 2);
            }
        }
    buffer->unlockDestinationBuffer();
    if (list.empty())
        return true;
    const std::size_t count = list.size() / size;
    std::vector<unsigned char> shifted(list);
    theRenderStateManager->flush();
    // Four diagonal shifts cover every direction of a band this narrow.
    const float w = outlineWidth;
    const float offsets[4][2] = {{-w, -w}, {w, -w}, {-w, w}, {w, w}};
    for (const auto& offset : offsets) {
        for (std::size_t v = 0; v < list.size(); v += size) {
            float xyz[3];
            std::memcpy(xyz, &list[v], sizeof xyz);
            xyz[0] += offset[0];
            xyz[1] += offset[1];
            xyz[2] = std::min(xyz[2] + outlineDepthBias, 1.0f);
            std::memcpy(&shifted[v], xyz, sizeof xyz);
        }
        g_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, DWORD(buffer->getDestinationVertexFormat()),
                                 shifted.data(), DWORD(count),
                                 D3DDP_DONOTLIGHT | D3DDP_DONOTUPDATEEXTENTS);
    }
    return true;
}
