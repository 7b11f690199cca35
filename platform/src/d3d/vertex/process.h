// ProcessVertices: untransformed vertices in, transformed (and optionally
// lit) vertices out, with a clip code per destination vertex.
//
// A destination vertex holds its screen form (x, y, z, rhw) unless
// D3DVOP_CLIP found it outside the view volume; then it holds its clip form
// (see writeClipForm) and its clip code is non-zero, which is how drawing
// tells the two apart. Without D3DVOP_CLIP every vertex gets its screen form
// and a clip code of 0.
#pragma once

#include "d3d/vertex/lighting.h"
#include "d3d/vertex/transform.h"

#include <d3dtypes.h>
#include <windef.h>

namespace platform::d3d::vertex {

struct SourceVertices {
    const void* data = nullptr;
    DWORD fvf = 0;
    DWORD vertexCount = 0;  // vertices in the buffer
};

struct DestinationVertices {
    void* data = nullptr;
    DWORD fvf = 0;
    DWORD vertexCount = 0;
    DWORD* clipCodes = nullptr;  // one per buffer vertex; may be null
};

struct ProcessRequest {
    DWORD operations = D3DVOP_TRANSFORM;  // D3DVOP_*
    DWORD flags = 0;                      // D3DPV_DONOTCOPYDATA
    DWORD sourceIndex = 0;
    DWORD destinationIndex = 0;
    DWORD count = 0;
};

// Clip status of a batch as D3DCLIP_* bits (the union and the intersection
// of the vertices' codes; the caller shifts the latter into
// D3DSTATUS_CLIPINTERSECTION* form), and with D3DVOP_EXTENTS the screen rectangle of
// its vertices inside the view volume (empty: min > max).
struct ProcessResult {
    DWORD clipUnion = 0;
    DWORD clipIntersection = 0;
    float minX = 0.0f, maxX = -1.0f, minY = 0.0f, maxY = -1.0f;
};

// D3DERR_INVALIDVERTEXFORMAT for a bad format, an untransformed destination
// or a transformed source; DDERR_INVALIDPARAMS for missing memory, ranges
// beyond either buffer, or operations without D3DVOP_TRANSFORM.
//
// Diffuse and specular: lit with D3DVOP_LIGHT when the source has normals,
// otherwise copied from the source (white and black when absent). Texture
// sets present in both formats are copied; further destination sets are left
// as they are, so that coordinates written there by the application survive.
// D3DPV_DONOTCOPYDATA writes only what the operations compute.
PLATFORM_API HRESULT processVertices(const TransformState& transform, const LightingState& lighting,
                                     const ProcessRequest& request, const SourceVertices& source,
                                     const DestinationVertices& destination,
                                     ProcessResult* result = nullptr);

}  // namespace platform::d3d::vertex
