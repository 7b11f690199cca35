// Where a texture stage's arguments and blend factors come from, shared by
// the scalar cascade and its SIMD version.
#pragma once

#include "fragment.h"

namespace platform::d3d::raster {

using ChannelsPtr = const int32_t (*)[kSpan];

// The array a D3DTA_* argument selects, before its modifiers.
inline ChannelsPtr argumentSource(DWORD arg, int unit, Fragments& f) {
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_CURRENT:
            return unit == 0 ? f.diffuse : f.current;
        case D3DTA_TEXTURE:
            return f.texel;
        case D3DTA_TFACTOR:
            return f.factor;
        case D3DTA_SPECULAR:
            return f.specular;
        default:
            return f.diffuse;
    }
}

// The alpha a BLEND* operation blends by; null for other operations.
inline const int32_t* blendAlphaFor(DWORD op, int unit, Fragments& f) {
    switch (op) {
        case D3DTOP_BLENDDIFFUSEALPHA:
            return f.diffuse[3];
        case D3DTOP_BLENDTEXTUREALPHA:
        case D3DTOP_BLENDTEXTUREALPHAPM:
            return f.texel[3];
        case D3DTOP_BLENDFACTORALPHA:
            return f.factor[3];
        case D3DTOP_BLENDCURRENTALPHA:
            return unit == 0 ? f.diffuse[3] : f.current[3];
        default:
            return nullptr;
    }
}

}  // namespace platform::d3d::raster
