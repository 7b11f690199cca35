// Strided vertex data (D3DDRAWPRIMITIVESTRIDEDDATA) gathered into packed
// vertices of the format, so strided draws take the packed drawing path.
#pragma once

#include <d3dtypes.h>
#include <windef.h>

#include <vector>

namespace platform::d3d::vertex {

// Packs `count` vertices of `fvf` from the streams of `data`: position,
// normal, diffuse, specular and each texture set the format names. The
// reserved field of D3DFVF_RESERVED1 has no stream and is zero. Returns
// D3DERR_INVALIDVERTEXFORMAT for a bad format and DDERR_INVALIDPARAMS when a
// stream the format needs has no data.
HRESULT gatherStrided(DWORD fvf, const D3DDRAWPRIMITIVESTRIDEDDATA& data, DWORD count,
                      std::vector<BYTE>* out);

}  // namespace platform::d3d::vertex
