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
    const int size = buffer->getDestinationVertexSize();
    const unsigned char* data = buffer->lockDestinationBuffer(DDLOCK_READONLY);
    if (!data || size < 16)
        return false;
    std::vector<unsigned char> original(data, data + std::size_t(size) * buffer->getVertexTotal());
    buffer->unlockDestinationBuffer();
    std::vector<unsigned char> shifted(original.size());
    theRenderStateManager->flush();
    const float w = outlineWidth;
    const float offsets[8][2] = {{-w, 0}, {w, 0}, {0, -w}, {0, w},
                                 {-w, -w}, {w, -w}, {-w, w}, {w, w}};
    for (const auto& offset : offsets) {
        for (std::size_t v = 0; v + size <= original.size(); v += std::size_t(size)) {
            float xyz[3];
            std::memcpy(xyz, &original[v], sizeof xyz);
            xyz[0] += offset[0];
            xyz[1] += offset[1];
            xyz[2] = std::min(xyz[2] + outlineDepthBias, 1.0f);
            std::memcpy(&shifted[v], xyz, sizeof xyz);
            std::memcpy(&shifted[v + sizeof xyz], &original[v + sizeof xyz], size - sizeof xyz);
        }
        for (const MarkedVertexBuffer::SetEntry& entry : buffer->getSetIndices())
            g_pDevice->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(entry.primitiveType),
                                     DWORD(buffer->getDestinationVertexFormat()),
                                     &shifted[std::size_t(entry.firstVertex) * size],
                                     DWORD(entry.vertexCount),
                                     D3DDP_DONOTLIGHT | D3DDP_DONOTUPDATEEXTENTS);
    }
    return true;
}
