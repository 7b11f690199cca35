// Flexible vertex format decoding: where each field of a DirectX 6 vertex
// lives and how big the vertex is.
#pragma once

#include <d3dtypes.h>
#include <windef.h>

namespace platform::d3d::vertex {

// Byte offsets of the fields present in a format; absent fields have offset -1.
struct FvfLayout {
    DWORD fvf = 0;
    DWORD size = 0;
    bool transformed = false;  // D3DFVF_XYZRHW: x, y, z, rhw
    DWORD blendWeights = 0;    // D3DFVF_XYZB1..5: floats after x, y, z
    int normal = -1;
    int reserved = -1;
    int diffuse = -1;
    int specular = -1;
    int texCoords = -1;  // first set; set i is at texCoords + 8 * i
    DWORD texCount = 0;
};

// Fills `layout` for a valid format and returns D3D_OK, or returns
// D3DERR_INVALIDVERTEXFORMAT (layout untouched) for an invalid one: no
// position, a reserved bit, more than eight texture sets, or a normal on
// transformed vertices.
PLATFORM_API HRESULT decodeFvf(DWORD fvf, FvfLayout* layout);

// Size of one vertex in bytes; 0 for an invalid format.
PLATFORM_API DWORD fvfVertexSize(DWORD fvf);

// The transformed format that processing or drawing `sourceFvf` produces:
// screen position, both colours and the same texture sets.
inline DWORD screenFvfFor(DWORD sourceFvf) {
    return D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | (sourceFvf & D3DFVF_TEXCOUNT_MASK);
}

}  // namespace platform::d3d::vertex
