#include "material_disappearance.h"

#include "overdraw.h"
#include "../marked_vertex_buffer.h"
#include "../rmesh.h"
#include "../tmanager.h"

#include <engine/class_registry.h>
#include <engine/core/render_timer.h>

#include <algorithm>
#include <cmath>

REGISTER_CLASS(MaterialDisappearanceEffect);

void MaterialDisappearanceEffect::start(float time, float span) {
    started = true;
    startTime = time;
    duration = span;
}

float MaterialDisappearanceEffect::getProgress() const {
    if (!started)
        return reverse ? 1.0f : 0.0f;
    const float elapsed = static_cast<float>(thePausedRenderTimer->getTime()) - startTime;
    const float p = duration > 0.0f ? std::clamp(elapsed / duration, 0.0f, 1.0f)
                                    : (elapsed >= 0.0f ? 1.0f : 0.0f);
    return reverse ? 1.0f - p : p;
}

void MaterialDisappearanceEffect::render(RenderInformation* info) {
    D3DOneLevelRenderMesh* mesh = driverMesh(*this);
    const float opacity = getOpacity();
    if (!info || !mesh || opacity >= 1.0f || !(info->flags & RenderInformation::REGULAR)) {
        EffectiveRenderMesh::render(info);
        return;
    }
    MarkedVertexBuffer* buffer = mesh->getVertexBuffer();
    const auto& sets = buffer ? buffer->getRegularSetIndices()
                              : std::vector<MarkedVertexBuffer::SetEntry>();
    // The mesh draws the sets that stay; this draws the dissolving ones.
    info->flags &= ~unsigned(RenderInformation::REGULAR);
    EffectiveRenderMesh::render(info);
    if (!buffer || !theRenderStateManager)
        return;
    StateScope scope;
    if (opacity > 0.0f) {
        scope.set(RS_TEXTUREFACTOR, DWORD(std::lround(opacity * 255.0f)) << 24);
        scope.set(TSS_ALPHAOP, 0, D3DTOP_MODULATE);
        scope.set(TSS_ALPHAARG1, 0, D3DTA_TEXTURE);
        scope.set(TSS_ALPHAARG2, 0, D3DTA_TFACTOR);
        scope.set(RS_ALPHABLENDENABLE, TRUE);
        scope.set(RS_SRCBLEND, D3DBLEND_SRCALPHA);
        scope.set(RS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    for (int i = 0; i < static_cast<int>(sets.size()); ++i) {
        const bool dissolving = material < 0 || sets[i].material == material;
        if (dissolving && opacity <= 0.0f)
            continue;
        if (!dissolving) {
            // Sets that stay are drawn as the mesh would.
            StateScope opaque;
            opaque.set(RS_ALPHABLENDENABLE, FALSE);
            opaque.set(TSS_ALPHAOP, 0, D3DTOP_SELECTARG1);
            buffer->renderRegularSet(i);
            continue;
        }
        buffer->renderRegularSet(i);
    }
}
