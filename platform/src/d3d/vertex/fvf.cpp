#include "d3d/vertex/fvf.h"

#include <d3d.h>

namespace platform::d3d::vertex {

namespace {

constexpr DWORD kKnownBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_RESERVED1 |
                             D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;

}  // namespace

HRESULT decodeFvf(DWORD fvf, FvfLayout* layout) {
    if (layout == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if ((fvf & ~kKnownBits) != 0) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    const DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (position == 0 || texCount > D3DDP_MAXTEXCOORD) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }
    const bool transformed = position == D3DFVF_XYZRHW;
    if (transformed && (fvf & D3DFVF_NORMAL) != 0) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }

    FvfLayout out;
    out.fvf = fvf;
    out.transformed = transformed;
    // XYZB1..XYZB5 are 0x6..0xE: each step adds one blend weight.
    out.blendWeights = position >= D3DFVF_XYZB1 ? (position - D3DFVF_XYZRHW) / 2 : 0;
    DWORD offset = transformed ? 16 : 12 + 4 * out.blendWeights;
    auto place = [&offset](DWORD bit, DWORD fvfBits, DWORD bytes) {
        if ((fvfBits & bit) == 0) {
            return -1;
        }
        const int at = static_cast<int>(offset);
        offset += bytes;
        return at;
    };
    out.normal = place(D3DFVF_NORMAL, fvf, 12);
    out.reserved = place(D3DFVF_RESERVED1, fvf, 4);
    out.diffuse = place(D3DFVF_DIFFUSE, fvf, 4);
    out.specular = place(D3DFVF_SPECULAR, fvf, 4);
    out.texCount = texCount;
    if (texCount > 0) {
        out.texCoords = static_cast<int>(offset);
        offset += 8 * texCount;
    }
    out.size = offset;
    *layout = out;
    return D3D_OK;
}

DWORD fvfVertexSize(DWORD fvf) {
    FvfLayout layout;
    return decodeFvf(fvf, &layout) == D3D_OK ? layout.size : 0;
}

}  // namespace platform::d3d::vertex
