#include "universal_highlight.h"

#include "lit_chain.h"
#include "../overdraw.h"
#include "../../marked_vertex_buffer.h"
#include "../../rmesh.h"

#include <engine/class_registry.h>

#include <algorithm>
#include <cmath>
#include <cstring>

REGISTER_CLASS(UniversalHighlight);

namespace {

const Color kBlack{0.0f, 0.0f, 0.0f, 1.0f};
const Color kWhite{1.0f, 1.0f, 1.0f, 1.0f};

int clamp255(long value) {
    return int(std::clamp(value, 0L, 255L));
}

// Nearest integer, ties to even (the rounding mode in force).
long nearest(float value) {
    return std::lrint(value);
}

}  // namespace

std::uint32_t UniversalHighlight::pack(const Color& c) {
    // Truncated toward zero; a component above 1 keeps only its low byte:
    // callers keep them within [0, 1].
    const auto byte = [](float v) { return std::uint32_t(std::int32_t(v * 255.0f)) & 0xFFu; };
    return 0xFF000000u + (byte(c.r) << 16) + (byte(c.g) << 8) + byte(c.b);
}

void UniversalHighlight::Modifier::set(const Color& addColour, const Color& f) {
    replace = sameBytes(f, kBlack);
    multiply = !sameBytes(f, kWhite);
    add = !(sameBytes(addColour, kBlack) && !replace);
    if (!add && !multiply) {
        active = false;
        return;
    }
    active = true;
    addColor = pack(addColour);
    factor = f;
}

std::uint32_t UniversalHighlight::Modifier::apply(std::uint32_t argb) const {
    if (replace)
        return addColor;
    const float factors[3] = {factor.b, factor.g, factor.r};
    std::uint32_t result = argb & 0xFF000000u;
    for (int i = 0; i < 3; ++i) {
        const int shift = 8 * i;
        const long c = long(argb >> shift & 0xFF);
        const long a = long(addColor >> shift & 0xFF);
        long value = c;
        if (multiply)
            value = nearest(float(c) * factors[i]);
        if (add)
            value += a;
        result |= std::uint32_t(clamp255(value)) << shift;
    }
    return result;
}

void UniversalHighlight::transform(TransformInformation* info) {
    if (!enabled || !info) {
        EffectiveRenderMesh::transform(info);
        return;
    }
    // Colours replaced anyway need no lighting.
    if (!keepLights || (diffuse.replace && specular.replace))
        info->flags &= ~unsigned(TransformInformation::LIGHT);
    EffectiveRenderMesh::transform(info);
    if (diffuse.active || specular.active)
        rewriteVertices();
}

void UniversalHighlight::rewriteVertices() {
    D3DOneLevelRenderMesh* mesh = driverMesh(*this);
    MarkedVertexBuffer* buffer = mesh ? mesh->getVertexBuffer() : nullptr;
    unsigned char* data = buffer ? buffer->lockDestinationBuffer(0) : nullptr;
    if (!data)
        return;
    const std::size_t size =
        std::size_t(MarkedVertexBuffer::getVertexSize(buffer->getDestinationVertexFormat()));
    const int count = buffer->getVertexTotal();
    const auto rewrite = [](unsigned char* at, const Modifier& modifier) {
        std::uint32_t colour;
        std::memcpy(&colour, at, sizeof colour);
        colour = modifier.apply(colour);
        std::memcpy(at, &colour, sizeof colour);
    };
    if (size >= specularOffset + 4)
        for (int v = 0; v < count; ++v) {
            unsigned char* vertex = data + std::size_t(v) * size;
            if (diffuse.active)
                rewrite(vertex + diffuseOffset, diffuse);
            if (specular.active)
                rewrite(vertex + specularOffset, specular);
        }
    buffer->unlockDestinationBuffer();
}
