#include "vertex_fog.h"

#include "../highlight/lit_chain.h"
#include "../../marked_vertex_buffer.h"
#include "../../rmesh.h"

#include <engine/class_registry.h>
#include <engine/core/effect_settings.h>
#include <engine/core/view.h>

#include <algorithm>
#include <cmath>
#include <cstring>

REGISTER_CLASS(VertexFogEffect);

namespace {

constexpr unsigned kDrawFlags =
    RenderInformation::REGULAR | RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA;

SupportStatus modulateAlphaStatus() {
    return theRenderStateManager ? theRenderStateManager->checkState(MS_MODULATE_ALPHA)
                                 : STATUS_NOT_KNOWN;
}

}  // namespace

VertexFogEffect::VertexFogEffect()
    : regularMetaState(MS_DIFFUSE_ALPHA), modulateAlpha(modulateAlphaStatus()) {
    alphaMetaState = modulateAlpha == STATUS_SUPPORTED ? MS_MODULATE_ALPHA : MS_DIFFUSE_ALPHA;
}

bool VertexFogEffect::active() const {
    return SEVertexFog::enabled && enabled;
}

void VertexFogEffect::morph(MorphingInformation* info) {
    if (!active() || !info || info->clipFlags == 0) {
        EffectiveRenderMesh::morph(info);
        return;
    }
    // The box and the world transform first, to see where the mesh lies.
    const unsigned boxFlags = MorphingInformation::MODEL_BOX | MorphingInformation::NEW_TRANSFORM;
    const unsigned rest = info->flags & ~boxFlags;
    info->flags &= boxFlags;
    EffectiveRenderMesh::morph(info);
    info->flags = rest;
    if (info->clipResult != 0) {
        mesh = getOneLevelMesh();
        if (info->screenBox.minimum.z > SEVertexFog::end) {
            info->clipResult = 0;
        } else {
            fogged = SEVertexFog::start < info->screenBox.maximum.z;
            if (fogged)
                view = chainView(*this);
        }
    }
    if (info->flags)
        EffectiveRenderMesh::morph(info);
}

void VertexFogEffect::fogVertex(unsigned char* vertex, float depth, float start, float k,
                                std::uint32_t fogColor) {
    const long f = std::clamp(std::lrint((depth - start) * k), 0L, 256L);
    const std::uint32_t g = std::uint32_t(256 - f);
    std::uint32_t diffuse;
    std::uint32_t specular;
    std::memcpy(&diffuse, vertex + 16, 4);
    std::memcpy(&specular, vertex + 20, 4);
    std::uint32_t newDiffuse = 0;
    std::uint32_t newSpecular = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t d = diffuse >> shift & 0xFF;
        newDiffuse |= (d * g / 256) << shift;
        if (shift == 24)
            break;  // the specular's alpha becomes 0
        const std::uint32_t s = specular >> shift & 0xFF;
        const std::uint32_t fog = fogColor >> shift & 0xFF;
        newSpecular |= (((s * g + fog * std::uint32_t(f)) * g) / 65536) << shift;
    }
    std::memcpy(vertex + 16, &newDiffuse, 4);
    std::memcpy(vertex + 20, &newSpecular, 4);
}

void VertexFogEffect::transform(TransformInformation* info) {
    EffectiveRenderMesh::transform(info);
    if (!active() || !fogged || !view)
        return;
    // The mesh as the chain has it now: a detached effect has none.
    D3DOneLevelRenderMesh* driver = dynamic_cast<D3DOneLevelRenderMesh*>(getOneLevelMesh());
    if (!driver || driver != mesh)
        return;
    MarkedVertexBuffer* buffer = driver ? driver->getVertexBuffer() : nullptr;
    unsigned char* data = buffer ? buffer->lockDestinationBuffer(0) : nullptr;
    if (!data)
        return;
    const std::size_t size =
        std::size_t(MarkedVertexBuffer::getVertexSize(buffer->getDestinationVertexFormat()));
    const float start = SEVertexFog::start;
    const float range = SEVertexFog::end - start;
    // A fog without depth is all fog past its start.
    const float k = range > 0.0f ? 255.0f / range : 1e30f;
    const std::uint32_t fogColor = colorToARGB(SEVertexFog::color);
    const float nearDistance = view->getView().getFrameCamera().getNearDistance();
    if (size >= 24)
        for (int v = 0; v < buffer->getVertexTotal(); ++v) {
            unsigned char* vertex = data + std::size_t(v) * size;
            float xyzw[4];
            std::memcpy(xyzw, vertex, sizeof xyzw);
            float depth = xyzw[2] * nearDistance;
            if (xyzw[3] <= 1.0f)
                depth /= xyzw[3];
            fogVertex(vertex, depth, start, k, fogColor);
        }
    buffer->unlockDestinationBuffer();
}

void VertexFogEffect::render(RenderInformation* info) {
    if (!active() || !fogged || !info || !theRenderStateManager) {
        EffectiveRenderMesh::render(info);
        return;
    }
    RenderStateManager& states = *theRenderStateManager;
    if (modulateAlpha == STATUS_NOT_KNOWN) {
        modulateAlpha = states.checkState(MS_MODULATE_ALPHA);
        if (modulateAlpha == STATUS_SUPPORTED)
            alphaMetaState = MS_MODULATE_ALPHA;
    }
    const auto pass = [this, info](unsigned flags) {
        RenderInformation part = *info;
        part.flags = flags;
        EffectiveRenderMesh::render(&part);
        info->pickResult = info->pickResult || part.pickResult;
        if (part.pickResult)
            info->pickedDepth = part.pickedDepth;
        info->pickRequest = part.pickRequest;
    };
    states.pushState(RS_ALPHABLENDENABLE);
    states.setState(RS_ALPHABLENDENABLE, 1u);
    if (info->flags & RenderInformation::REGULAR) {
        states.setState(regularMetaState);
        pass(RenderInformation::REGULAR);
        states.unsetState(regularMetaState);
    }
    if (info->flags & RenderInformation::ALPHA) {
        states.pushState(RS_ZWRITEENABLE);
        states.pushState(RS_SPECULARENABLE);
        states.setState(RS_ZWRITEENABLE, 0u);
        states.setState(RS_SPECULARENABLE, 0u);
        // Drawn at once: the fogged colours are only valid now.
        states.setState(alphaMetaState);
        pass(RenderInformation::ALPHA);
        states.unsetState(alphaMetaState);
        states.popState(RS_SPECULARENABLE);
        states.popState(RS_ZWRITEENABLE);
    }
    states.popState(RS_ALPHABLENDENABLE);
    info->flags &= ~kDrawFlags;
    if (info->flags)
        EffectiveRenderMesh::render(info);
}
