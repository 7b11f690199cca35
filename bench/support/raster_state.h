// The raster state the fill benchmarks measure: no culling, a depth test
// LESSEQUAL with writes, no specular, and stage 0 modulating the texture by
// the diffuse colour, point or bilinear filtered.
#pragma once

#include "d3d/raster/rasterizer.h"

namespace bench {

inline void modulateTexture(platform::d3d::raster::RasterState& s,
                            const platform::d3d::raster::Texture* texture, bool linear) {
    s.setRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    s.setRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    s.setRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
    s.setRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
    s.setTexture(0, texture);
    s.setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    s.setTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    s.setTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    s.setTextureStageState(0, D3DTSS_MAGFILTER, linear ? D3DTFG_LINEAR : D3DTFG_POINT);
    s.setTextureStageState(0, D3DTSS_MINFILTER, linear ? D3DTFN_LINEAR : D3DTFN_POINT);
}

}  // namespace bench
