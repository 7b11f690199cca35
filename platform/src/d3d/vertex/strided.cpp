#include "d3d/vertex/strided.h"

#include "d3d/vertex/fvf.h"

#include <d3d.h>

#include <cstring>

namespace platform::d3d::vertex {

HRESULT gatherStrided(DWORD fvf, const D3DDRAWPRIMITIVESTRIDEDDATA& data, DWORD count,
                      std::vector<BYTE>* out) {
    FvfLayout layout;
    if (FAILED(decodeFvf(fvf, &layout)))
        return D3DERR_INVALIDVERTEXFORMAT;
    struct Field {
        const D3DDP_PTRSTRIDE* stream;
        DWORD offset;
        DWORD bytes;
    };
    std::vector<Field> fields;
    fields.push_back(
        {&data.position, 0, layout.transformed ? 16u : 12u + 4u * layout.blendWeights});
    if (layout.normal >= 0)
        fields.push_back({&data.normal, DWORD(layout.normal), 12});
    if (layout.diffuse >= 0)
        fields.push_back({&data.diffuse, DWORD(layout.diffuse), 4});
    if (layout.specular >= 0)
        fields.push_back({&data.specular, DWORD(layout.specular), 4});
    for (DWORD t = 0; t < layout.texCount; ++t)
        fields.push_back({&data.textureCoords[t], DWORD(layout.texCoords) + 8 * t, 8});
    if (count)
        for (const Field& f : fields)
            if (!f.stream->lpvData)
                return DDERR_INVALIDPARAMS;

    out->assign(static_cast<size_t>(count) * layout.size, 0);
    for (const Field& f : fields) {
        const BYTE* from = static_cast<const BYTE*>(f.stream->lpvData);
        BYTE* to = out->data() + f.offset;
        for (DWORD i = 0; i < count; ++i) {
            std::memcpy(to, from, f.bytes);
            from += f.stream->dwStride;
            to += layout.size;
        }
    }
    return D3D_OK;
}

}  // namespace platform::d3d::vertex
