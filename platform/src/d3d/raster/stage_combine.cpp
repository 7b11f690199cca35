// The texture stage cascade: one D3DTOP operation for colour and one for
// alpha, over arguments chosen with D3DTA_* (with COMPLEMENT and
// ALPHAREPLICATE), written into Fragments::current.
//
// Choices where Direct3D 6 leaves room:
//   - D3DTA_CURRENT in stage 0 is the diffuse colour.
//   - ALPHAREPLICATE is applied before COMPLEMENT.
//   - An alpha operation of DISABLE keeps the current alpha.
//   - The MODULATE*_ADD* operations, given as alpha operations, apply the same
//     formula to the alpha channel (arg1.a stands for the "alpha" term).
//   - PREMODULATE passes arg1 on, and the next stage first multiplies current
//     by its own texture.
//   - DOTPRODUCT3 writes its result into all four channels.
//   - BUMPENVMAP and BUMPENVMAPLUMINANCE are not supported and end the cascade
//     like DISABLE (the pipeline compiler stops there).
#include "combine_sources.h"
#include "stages.h"

#include <cstring>

namespace platform::d3d::raster {
namespace {

// The array behind an argument, made in scratch when it has modifiers.
ChannelsPtr argument(DWORD arg, int unit, Fragments& f, Channels& scratch, int c0, int c1) {
    const ChannelsPtr src = argumentSource(arg, unit, f);
    if ((arg & (D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) == 0)
        return src;
    const int n = f.n;
    for (int c = c0; c < c1; ++c) {
        const int32_t* in = (arg & D3DTA_ALPHAREPLICATE) ? src[3] : src[c];
        int32_t* out = scratch[c];
        if (arg & D3DTA_COMPLEMENT) {
            for (int i = 0; i < n; ++i)
                out[i] = 255 - in[i];
        } else {
            for (int i = 0; i < n; ++i)
                out[i] = in[i];
        }
    }
    return scratch;
}

inline void copySpan(const int32_t* from, int n, int32_t* to) {
    for (int i = 0; i < n; ++i)
        to[i] = from[i];
}

inline int32_t clamp255(int32_t v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// out[c] = op(a1, a2) for channels c0..c1-1.
RASTER_SPAN_LOOP void applyOp(DWORD op, ChannelsPtr a1, ChannelsPtr a2, const int32_t* blendAlpha,
                              int c0, int c1, int n, Channels& out) {
    for (int c = c0; c < c1; ++c) {
        const int32_t* x = a1[c];
        const int32_t* y = a2[c];
        const int32_t* xa = a1[3];
        int32_t* o = out[c];
        switch (op) {
            case D3DTOP_SELECTARG2:
                for (int i = 0; i < n; ++i)
                    o[i] = y[i];
                break;
            case D3DTOP_MODULATE:
                for (int i = 0; i < n; ++i)
                    o[i] = mul255(x[i], y[i]);
                break;
            case D3DTOP_MODULATE2X:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(2 * mul255(x[i], y[i]));
                break;
            case D3DTOP_MODULATE4X:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(4 * mul255(x[i], y[i]));
                break;
            case D3DTOP_ADD:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] + y[i]);
                break;
            case D3DTOP_ADDSIGNED:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] + y[i] - 128);
                break;
            case D3DTOP_ADDSIGNED2X:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(2 * (x[i] + y[i] - 128));
                break;
            case D3DTOP_SUBTRACT:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] - y[i]);
                break;
            case D3DTOP_ADDSMOOTH:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] + mul255(y[i], 255 - x[i]));
                break;
            case D3DTOP_BLENDDIFFUSEALPHA:
            case D3DTOP_BLENDTEXTUREALPHA:
            case D3DTOP_BLENDFACTORALPHA:
            case D3DTOP_BLENDCURRENTALPHA:
                for (int i = 0; i < n; ++i) {
                    o[i] = mul255(x[i], blendAlpha[i]) + mul255(y[i], 255 - blendAlpha[i]);
                }
                break;
            case D3DTOP_BLENDTEXTUREALPHAPM:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] + mul255(y[i], 255 - blendAlpha[i]));
                break;
            case D3DTOP_MODULATEALPHA_ADDCOLOR:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] + mul255(xa[i], y[i]));
                break;
            case D3DTOP_MODULATECOLOR_ADDALPHA:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(mul255(x[i], y[i]) + xa[i]);
                break;
            case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(x[i] + mul255(255 - xa[i], y[i]));
                break;
            case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
                for (int i = 0; i < n; ++i)
                    o[i] = clamp255(mul255(255 - x[i], y[i]) + xa[i]);
                break;
            default:  // SELECTARG1, PREMODULATE
                for (int i = 0; i < n; ++i)
                    o[i] = x[i];
                break;
        }
    }
}

// Signed dot product of the colours mapped to -1..1, saturated to 0..1.
void dotProduct3(ChannelsPtr a1, ChannelsPtr a2, int n, Channels& out) {
    for (int i = 0; i < n; ++i) {
        int32_t sum = 0;
        for (int c = 0; c < 3; ++c)
            sum += (2 * a1[c][i] - 255) * (2 * a2[c][i] - 255);
        const int32_t v = clamp255(sum / 255);
        for (int c = 0; c < 4; ++c)
            out[c][i] = v;
    }
}

}  // namespace

RASTER_SPAN_LOOP bool stageCombine(const Pipeline& p, int unit, Fragments& f) {
    // Results go straight into current: every output element depends only on
    // inputs of the same pixel, and the colour operation leaves alpha alone.
    const TextureUnit& u = p.units[unit];
    const int n = f.n;
    if (u.premodulate) {
        for (int c = 0; c < 4; ++c) {
            for (int i = 0; i < n; ++i)
                f.current[c][i] = mul255(f.current[c][i], f.texel[c][i]);
        }
    }
    ChannelsPtr c1 = argument(u.colorArg1, unit, f, f.arg[0], 0, 4);
    ChannelsPtr c2 = argument(u.colorArg2, unit, f, f.arg[1], 0, 4);
    if (u.colorOp == D3DTOP_DOTPRODUCT3) {
        dotProduct3(c1, c2, n, f.current);
        return true;
    }
    applyOp(u.colorOp, c1, c2, blendAlphaFor(u.colorOp, unit, f), 0, 3, n, f.current);
    if (u.alphaOp == D3DTOP_DISABLE) {
        if (unit == 0)
            copySpan(f.diffuse[3], n, f.current[3]);
        return true;
    }
    ChannelsPtr a1 = argument(u.alphaArg1, unit, f, f.arg[0], 3, 4);
    ChannelsPtr a2 = argument(u.alphaArg2, unit, f, f.arg[1], 3, 4);
    if (u.alphaOp == D3DTOP_DOTPRODUCT3) {
        dotProduct3(a1, a2, n, f.result);
        copySpan(f.result[3], n, f.current[3]);
    } else {
        applyOp(u.alphaOp, a1, a2, blendAlphaFor(u.alphaOp, unit, f), 3, 4, n, f.current);
    }
    return true;
}

bool stageDiffuseOnly(const Pipeline&, int, Fragments& f) {
    for (int c = 0; c < 4; ++c)
        copySpan(f.diffuse[c], f.n, f.current[c]);
    return true;
}

}  // namespace platform::d3d::raster
