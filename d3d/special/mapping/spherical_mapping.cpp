#include "special/mapping/spherical_mapping.h"

#include "special/overdraw.h"

#include "driver.h"
#include "rmesh.h"
#include "rview.h"

#include <engine/class_registry.h>

#include <cmath>
#include <cstring>

REGISTER_CLASS(SphericalMappingEffect);

namespace {

Vector readVector(const unsigned char* at) {
    float xyz[3];
    std::memcpy(xyz, at, sizeof xyz);
    return Vector(xyz[0], xyz[1], xyz[2]);
}

}  // namespace

bool SphericalMappingEffect::direction(const Modes& modes, const Vector& position,
                                       const Vector& normal, Vector& d) {
    if (!modes.fromCentre && !modes.normal)
        return false;
    if (!modes.fromCentre) {
        d = normal;
        return true;
    }
    const Vector q = position - modes.centre;
    if (!modes.normal) {
        d = normalized(q);
        return true;
    }
    const float a = dot(normal, normal);
    const float b = 2.0f * dot(normal, q);
    const float c = dot(q, q) - modes.radius * modes.radius;
    const float discriminant = b * b - 4.0f * a * c;
    if (!(discriminant > 0.0f) || a == 0.0f) {
        d = Vector();
        return true;
    }
    const float t = (-b + std::sqrt(discriminant)) / (2.0f * a);
    d = normalized(position + normal * t);
    return true;
}

void SphericalMappingEffect::coordinates(const TMatrix& m, const Vector& d, float& u, float& v) {
    u = (dot(d, m.column(0)) + 1.0f) * 0.5f;
    v = (1.0f - dot(d, m.column(1))) * 0.5f;
}

void SphericalMappingEffect::setBlendStates(StateScope& scope, bool alphaSelected) const {
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
            scope.set(RS_SRCBLEND, D3DBLEND_SRCALPHA);
            scope.set(RS_DESTBLEND, D3DBLEND_ONE);
            break;
        case 3:
            scope.set(RS_ALPHABLENDENABLE, TRUE);
            scope.set(RS_SRCBLEND, D3DBLEND_ZERO);
            scope.set(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        case 4:
            scope.set(RS_ALPHABLENDENABLE, TRUE);
            scope.set(RS_SRCBLEND, alphaSelected ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
            scope.set(RS_DESTBLEND, alphaSelected ? D3DBLEND_INVSRCALPHA : D3DBLEND_INVSRCCOLOR);
            scope.set(RS_TEXTUREFACTOR, mapping::scaleColor(color, alpha));
            scope.set(TSS_COLOROP, 0, D3DTOP_MODULATE);
            scope.set(TSS_COLORARG1, 0, D3DTA_TEXTURE);
            scope.set(TSS_COLORARG2, 0, D3DTA_TFACTOR);
            // Left off: the next mesh's drawing sets it again.
            if (theRenderStateManager)
                theRenderStateManager->setState(RS_SPECULARENABLE, FALSE);
            break;
        default:
            break;
    }
}

TMatrix SphericalMappingEffect::compositeMatrix(const D3DOneLevelRenderMesh& mesh) const {
    if (!cameraSpace)
        return mappingMatrix;
    const auto* view =
        theD3DRenderDriver
            ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
            : nullptr;
    TMatrix toCamera = mesh.getWorldMatrix();
    if (view)
        toCamera = view->getCameraRotation() * toCamera;
    // d . column k of the result is column k of the mapping matrix seen
    // from the camera: (C W)^T M.
    return toCamera.transposed() * mappingMatrix;
}

void SphericalMappingEffect::transform(TransformInformation* info) {
    D3DOneLevelRenderMesh* mesh = driverMesh(*this);
    if (!info || !mesh || !enabled || (!recomputeEveryFrame && computed) ||
        !mapping::ensureTextureSet(*mesh, textureSet)) {
        EffectiveRenderMesh::transform(info);
        return;
    }
    EffectiveRenderMesh::transform(info);
    compute(*mesh);
}

void SphericalMappingEffect::compute(D3DOneLevelRenderMesh& mesh) {
    MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    if (!buffer)
        return;
    const DWORD sourceFormat = DWORD(buffer->getSourceVertexFormat());
    const DWORD destinationFormat = DWORD(buffer->getDestinationVertexFormat());
    const std::size_t sourceSize = std::size_t(buffer->getSourceVertexSize());
    const std::size_t destinationSize = std::size_t(buffer->getDestinationVertexSize());
    const int sourceTexture = mapping::textureOffset(sourceFormat, 0);
    const int target = mapping::textureOffset(destinationFormat, textureSet);
    if (std::size_t(target) + 8 > destinationSize || !(sourceFormat & D3DFVF_NORMAL))
        return;
    const unsigned char* source = buffer->lockSourceBuffer(DDLOCK_READONLY);
    if (!source)
        return;
    unsigned char* destination = buffer->lockDestinationBuffer(0);
    if (!destination) {
        buffer->unlockSourceBuffer();
        return;
    }
    const TMatrix m = compositeMatrix(mesh);
    const Modes modes{fromCentre, normalMode, radius, centre};
    for (int i = 0; i < buffer->getVertexTotal(); ++i) {
        const unsigned char* in = source + std::size_t(i) * sourceSize;
        unsigned char* out = destination + std::size_t(i) * destinationSize + target;
        Vector d;
        if (!direction(modes, readVector(in), readVector(in + 12), d)) {
            std::memcpy(out, in + sourceTexture, 8);
            continue;
        }
        float uv[2];
        coordinates(m, d, uv[0], uv[1]);
        std::memcpy(out, uv, sizeof uv);
    }
    buffer->unlockDestinationBuffer();
    buffer->unlockSourceBuffer();
    computed = true;
}
