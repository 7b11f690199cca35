#include "d3d/vertex/process.h"

#include "d3d/vertex/fvf.h"

#include <d3d.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace platform::d3d::vertex {

namespace {

bool rangeFits(DWORD index, DWORD count, DWORD total) {
    return static_cast<unsigned long long>(index) + count <= total;
}

HRESULT checkRequest(const ProcessRequest& request, const SourceVertices& source,
                     const DestinationVertices& destination, const FvfLayout& in,
                     const FvfLayout& out) {
    if (in.transformed || !out.transformed) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }
    if ((request.operations & D3DVOP_TRANSFORM) == 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (!rangeFits(request.sourceIndex, request.count, source.vertexCount) ||
        !rangeFits(request.destinationIndex, request.count, destination.vertexCount)) {
        return DDERR_INVALIDPARAMS;
    }
    if (request.count > 0 && (source.data == nullptr || destination.data == nullptr)) {
        return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

DWORD loadDword(const BYTE* p) {
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storeDword(BYTE* p, DWORD v) {
    std::memcpy(p, &v, sizeof v);
}

void growExtents(ProcessResult* r, float x, float y) {
    if (r->minX > r->maxX) {
        r->minX = r->maxX = x;
        r->minY = r->maxY = y;
        return;
    }
    r->minX = std::min(r->minX, x);
    r->maxX = std::max(r->maxX, x);
    r->minY = std::min(r->minY, y);
    r->maxY = std::max(r->maxY, y);
}

// Everything the loop needs, decided once per call.
struct Plan {
    FvfLayout in, out;
    bool clip, light, extents, copyData;
    DWORD texCopyBytes;
};

}  // namespace

HRESULT processVertices(const TransformState& transform, const LightingState& lighting,
                        const ProcessRequest& request, const SourceVertices& source,
                        const DestinationVertices& destination, ProcessResult* result) {
    Plan plan{};
    HRESULT hr = decodeFvf(source.fvf, &plan.in);
    if (hr == D3D_OK)
        hr = decodeFvf(destination.fvf, &plan.out);
    if (hr == D3D_OK)
        hr = checkRequest(request, source, destination, plan.in, plan.out);
    if (hr != D3D_OK) {
        return hr;
    }
    plan.clip = (request.operations & D3DVOP_CLIP) != 0;
    plan.light = (request.operations & D3DVOP_LIGHT) != 0 && plan.in.normal >= 0;
    plan.extents = (request.operations & D3DVOP_EXTENTS) != 0 && result != nullptr;
    plan.copyData = (request.flags & D3DPV_DONOTCOPYDATA) == 0;
    plan.texCopyBytes = 8 * std::min(plan.in.texCount, plan.out.texCount);

    std::optional<VertexLighter> lighter;
    if (plan.light) {
        lighter.emplace(lighting, transform.eyePosition());
    }
    const D3DMATRIX& toClip = transform.modelToClip();
    const D3DMATRIX& world = transform.world();
    const D3DMATRIX& worldNormal = transform.worldNormal();
    const ScreenMapping& screen = transform.screen();

    const BYTE* in =
        static_cast<const BYTE*>(source.data) + size_t(request.sourceIndex) * plan.in.size;
    BYTE* out =
        static_cast<BYTE*>(destination.data) + size_t(request.destinationIndex) * plan.out.size;
    DWORD* codes = destination.clipCodes != nullptr
                       ? destination.clipCodes + request.destinationIndex
                       : nullptr;
    DWORD clipUnion = 0;
    DWORD clipIntersection = kClipPlaneBits;
    ProcessResult extents;

    for (DWORD i = 0; i < request.count; ++i, in += plan.in.size, out += plan.out.size) {
        float position[3];
        std::memcpy(position, in, sizeof position);
        const Vec4 c = transformPoint(position, toClip);
        const DWORD code = plan.clip ? clipCode(c) : 0;
        float screenForm[4];
        if (code != 0) {
            writeClipForm(c, screenForm);
        } else {
            writeScreenForm(c, screen, screenForm);
            if (plan.extents) {
                growExtents(&extents, screenForm[0], screenForm[1]);
            }
        }
        std::memcpy(out, screenForm, sizeof screenForm);
        clipUnion |= code;
        clipIntersection &= code;
        if (codes != nullptr)
            codes[i] = code;

        if (plan.light) {
            const Vec3 p = transformAffine(position, world);
            float n0[3];
            std::memcpy(n0, in + plan.in.normal, sizeof n0);
            const Vec3 n = normalized(transformDirection(n0, worldNormal));
            const LitColors lit = lighter->light(p, n);
            if (plan.out.diffuse >= 0)
                storeDword(out + plan.out.diffuse, lit.diffuse);
            if (plan.out.specular >= 0)
                storeDword(out + plan.out.specular, lit.specular);
        } else if (plan.copyData) {
            if (plan.out.diffuse >= 0) {
                storeDword(out + plan.out.diffuse,
                           plan.in.diffuse >= 0 ? loadDword(in + plan.in.diffuse) : 0xFFFFFFFFu);
            }
            if (plan.out.specular >= 0) {
                storeDword(out + plan.out.specular,
                           plan.in.specular >= 0 ? loadDword(in + plan.in.specular) : 0u);
            }
        }
        if (plan.copyData && plan.texCopyBytes > 0) {
            std::memcpy(out + plan.out.texCoords, in + plan.in.texCoords, plan.texCopyBytes);
        }
    }
    if (result != nullptr) {
        *result = extents;
        result->clipUnion = clipUnion;
        result->clipIntersection = request.count > 0 ? clipIntersection : 0;
    }
    return D3D_OK;
}

}  // namespace platform::d3d::vertex
