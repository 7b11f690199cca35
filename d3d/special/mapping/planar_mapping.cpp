#include "special/mapping/planar_mapping.h"

#include "special/overdraw.h"

#include "rmesh.h"

#include <engine/class_registry.h>

#include <algorithm>
#include <cstring>

REGISTER_CLASS(PlanarMappingEffect);

namespace {

Vector readVector(const unsigned char* at) {
    float xyz[3];
    std::memcpy(xyz, at, sizeof xyz);
    return Vector(xyz[0], xyz[1], xyz[2]);
}

}  // namespace

int PlanarMappingEffect::alphaScale() const {
    if (blendMode == 4)
        return 256;
    // The effect below scaled the alpha first; this one scales its result.
    const auto* below = static_cast<const PlanarMappingEffect*>(chained);
    if (below && below->blendMode == blendMode && below->alpha != 0)
        return alpha * 256 / below->alpha;
    return alpha;
}

void PlanarMappingEffect::coordinates(const Vector& position, const Vector& normal, float& u,
                                      float& v) const {
    const Vector projected = mappingMatrix * position + mappingVector;
    u = projected.x;
    v = projected.y;
    if (backFacePush && dot(normal, mappingMatrix.column(2)) < 0.01f) {
        u = (u - 0.5f) * 8.0f + 0.5f;
        v = (v - 0.5f) * 8.0f + 0.5f;
    }
}

void PlanarMappingEffect::beginRender() {
    // Both write the vertices' alpha: both must work from this frame's.
    if (chained) {
        invalidate();
        chained->invalidate();
    }
}

std::vector<Vector> PlanarMappingEffect::facePositions(const D3DOneLevelRenderMesh& mesh) const {
    const MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    std::vector<Vector> positions(std::size_t(buffer->getVertexTotal()));
    VertexBufferEntries entries;
    buffer->createEntries(&entries);
    const Vector* vertices = mesh.getMorphedVerticesConst();
    const VertexBufferEntries::Block& geometry = entries.geometry;
    for (std::size_t element = 0; vertices && element < geometry.count.size(); ++element)
        for (int k = 0; k < geometry.count[element]; ++k) {
            const std::size_t at =
                std::size_t(geometry.list[std::size_t(geometry.start[element] + k)]);
            if (at < positions.size())
                positions[at] = vertices[element];
        }
    return positions;
}

void PlanarMappingEffect::prepareCoordinates(D3DOneLevelRenderMesh& mesh) {
    if ((!recomputeEveryFrame && computed) || !mapping::ensureTextureSet(mesh, textureSet))
        return;
    MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    const DWORD sourceFormat = DWORD(buffer->getSourceVertexFormat());
    const DWORD destinationFormat = DWORD(buffer->getDestinationVertexFormat());
    const std::size_t sourceSize = std::size_t(buffer->getSourceVertexSize());
    const std::size_t destinationSize = std::size_t(buffer->getDestinationVertexSize());
    const int target = mapping::textureOffset(destinationFormat, textureSet);
    const int diffuse = mapping::diffuseOffset(destinationFormat);
    const bool hasDiffuse = (destinationFormat & D3DFVF_DIFFUSE) != 0;
    const bool hasNormals = (sourceFormat & D3DFVF_NORMAL) != 0;
    if (std::size_t(target) + 8 > destinationSize)
        return;
    const std::vector<Vector> faces =
        perFacePositions ? facePositions(mesh) : std::vector<Vector>();
    const unsigned char* source = buffer->lockSourceBuffer(DDLOCK_READONLY);
    if (!source)
        return;
    unsigned char* destination = buffer->lockDestinationBuffer(0);
    if (!destination) {
        buffer->unlockSourceBuffer();
        return;
    }
    const DWORD scale = DWORD(alphaScale());
    for (int i = 0; i < buffer->getVertexTotal(); ++i) {
        const unsigned char* in = source + std::size_t(i) * sourceSize;
        unsigned char* out = destination + std::size_t(i) * destinationSize;
        const Vector position = perFacePositions ? faces[std::size_t(i)] : readVector(in);
        float uv[2];
        coordinates(position, hasNormals ? readVector(in + 12) : Vector(0, 0, 1), uv[0], uv[1]);
        std::memcpy(out + target, uv, sizeof uv);
        if (hasDiffuse) {
            DWORD argb = 0;
            std::memcpy(&argb, out + diffuse, sizeof argb);
            const DWORD a = std::min<DWORD>(255u, (argb >> 24) * scale / 256u);
            argb = (argb & 0x00FFFFFFu) | a << 24;
            std::memcpy(out + diffuse, &argb, sizeof argb);
        }
    }
    buffer->unlockDestinationBuffer();
    buffer->unlockSourceBuffer();
    computed = true;
}

void PlanarMappingEffect::setBlendStates(StateScope& scope, bool alphaSelected) const {
    switch (blendMode) {
        case 1:
            scope.set(RS_ALPHABLENDENABLE, TRUE);
            scope.set(RS_SRCBLEND, D3DBLEND_SRCALPHA);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            if (alpha != 256 || alphaSelected) {
                scope.set(TSS_ALPHAOP, 0, D3DTOP_MODULATE);
                scope.set(TSS_ALPHAARG1, 0, D3DTA_TEXTURE);
                scope.set(TSS_ALPHAARG2, 0, D3DTA_DIFFUSE);
            }
            break;
        case 2:
            scope.set(RS_ALPHABLENDENABLE, TRUE);
            scope.set(RS_SRCBLEND, D3DBLEND_ONE);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        case 3:
            scope.set(RS_ALPHABLENDENABLE, TRUE);
            scope.set(RS_SRCBLEND, D3DBLEND_ZERO);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        case 4:
            scope.set(RS_ALPHABLENDENABLE, TRUE);
            scope.set(RS_SRCBLEND, alphaSelected ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
            scope.set(RS_DESTBLEND, D3DBLEND_ONE);
            scope.set(RS_TEXTUREFACTOR, mapping::scaleColor(color, alpha));
            scope.set(TSS_COLOROP, 0, D3DTOP_MODULATE);
            scope.set(TSS_COLORARG1, 0, D3DTA_TEXTURE);
            scope.set(TSS_COLORARG2, 0, D3DTA_TFACTOR);
            break;
        default:
            break;
    }
    // Left off: the next mesh's drawing sets it again.
    if (theRenderStateManager)
        theRenderStateManager->setState(RS_SPECULARENABLE, FALSE);
}
