// Describing strided vertex data: flexible vertex formats and Vertex arrays.
#include "rasterizer.h"

#include <cstddef>

namespace platform::d3d::raster {

DWORD vertexSizeFromFVF(DWORD fvf)
{
    DWORD size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: size = 12; break;
    case D3DFVF_XYZRHW: size = 16; break;
    case 0x006: size = 16; break;  // XYZB1 .. XYZB5: 3 floats + 1..5 weights
    case 0x008: size = 20; break;
    case 0x00a: size = 24; break;
    case 0x00c: size = 28; break;
    case 0x00e: size = 32; break;
    default: break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_RESERVED1) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    size += ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) * 8;
    return size;
}

VertexSource VertexSource::fromFVF(DWORD fvf, const void* data, DWORD count)
{
    VertexSource s;
    const DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW || (fvf & D3DFVF_NORMAL) ||
        (fvf & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) || texCount > kMaxTexCoordSets ||
        data == nullptr) {
        return s;
    }
    LONG offset = 16;
    if (fvf & D3DFVF_RESERVED1) offset += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        s.diffuseOffset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        s.specularOffset = offset;
        offset += 4;
    }
    if (texCount > 0) s.texOffset = offset;
    s.texCount = texCount;
    s.data = static_cast<const BYTE*>(data);
    s.stride = vertexSizeFromFVF(fvf);
    s.count = count;
    return s;
}

VertexSource VertexSource::fromVertices(const Vertex* vertices, DWORD count)
{
    VertexSource s;
    if (vertices == nullptr) return s;
    s.data = reinterpret_cast<const BYTE*>(vertices);
    s.stride = sizeof(Vertex);
    s.count = count;
    s.diffuseOffset = offsetof(Vertex, diffuse);
    s.specularOffset = offsetof(Vertex, specular);
    s.texOffset = offsetof(Vertex, tex);
    s.texCount = kMaxTexCoordSets;
    return s;
}

}  // namespace platform::d3d::raster
