// The texture stage cascade (stage_combine.cpp) on SIMD lanes with Google
// Highway, compiled for each x86 instruction set Highway knows; the widest
// the processor runs is chosen when a pipeline is compiled. Every lane
// computes what the scalar loops compute for its pixel, bit for bit; they
// stay the reference (D3DDRIVER_RASTER_SIMD=0) and serve DOTPRODUCT3.
//
// Why it pays: spans are short (sprites, particles, small triangles), and the
// compiler's loops spent more on the alias checks and the one-pixel tails of
// every channel than on the arithmetic. Here the span is done in whole
// vectors, the last one running into the arrays' spare room (values nothing
// reads; integer lanes wrap, so garbage there is harmless).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "d3d/raster/stage_combine_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "combine_sources.h"
#include "stages.h"

HWY_BEFORE_NAMESPACE();
namespace platform::d3d::raster {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DI = hn::ScalableTag<int32_t>;
using VI = hn::Vec<DI>;
static_assert(kSpan % 16 == 0, "whole vectors of up to 16 lanes fit a span");

HWY_INLINE VI mul255Lanes(VI a, VI b) {
    const VI t = hn::Add(hn::Mul(a, b), hn::Set(DI(), 128));
    return hn::ShiftRight<8>(hn::Add(t, hn::ShiftRight<8>(t)));
}

HWY_INLINE VI clamp255Lanes(VI v) {
    return hn::Min(hn::Max(v, hn::Zero(DI())), hn::Set(DI(), 255));
}

// out[i] = fn(i) for the span's whole vectors.
template <class Fn>
HWY_INLINE void eachVector(int n, int32_t* out, const Fn& fn) {
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(di));
    for (int i = 0; i < n; i += lanes)
        hn::StoreU(fn(i), di, out + i);
}

// The array behind an argument, made in scratch when it has modifiers.
ChannelsPtr argumentLanes(DWORD arg, int unit, Fragments& f, Channels& scratch, int c0, int c1) {
    const ChannelsPtr src = argumentSource(arg, unit, f);
    if ((arg & (D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) == 0)
        return src;
    const DI di;
    const VI full = hn::Set(di, 255);
    const bool complement = (arg & D3DTA_COMPLEMENT) != 0;
    for (int c = c0; c < c1; ++c) {
        const int32_t* in = (arg & D3DTA_ALPHAREPLICATE) ? src[3] : src[c];
        eachVector(f.n, scratch[c], [&](int i) {
            const VI v = hn::LoadU(di, in + i);
            return complement ? hn::Sub(full, v) : v;
        });
    }
    return scratch;
}

void applyOpLanes(DWORD op, ChannelsPtr a1, ChannelsPtr a2, const int32_t* blendAlpha, int c0,
                  int c1, int n, Channels& out) {
    const DI di;
    const VI full = hn::Set(di, 255);
    const VI half = hn::Set(di, 128);
    for (int c = c0; c < c1; ++c) {
        const int32_t* x = a1[c];
        const int32_t* y = a2[c];
        const int32_t* xa = a1[3];
        int32_t* o = out[c];
        const auto X = [&](int i) { return hn::LoadU(di, x + i); };
        const auto Y = [&](int i) { return hn::LoadU(di, y + i); };
        const auto XA = [&](int i) { return hn::LoadU(di, xa + i); };
        switch (op) {
            case D3DTOP_SELECTARG2:
                eachVector(n, o, Y);
                break;
            case D3DTOP_MODULATE:
                eachVector(n, o, [&](int i) { return mul255Lanes(X(i), Y(i)); });
                break;
            case D3DTOP_MODULATE2X:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::ShiftLeft<1>(mul255Lanes(X(i), Y(i))));
                });
                break;
            case D3DTOP_MODULATE4X:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::ShiftLeft<2>(mul255Lanes(X(i), Y(i))));
                });
                break;
            case D3DTOP_ADD:
                eachVector(n, o, [&](int i) { return clamp255Lanes(hn::Add(X(i), Y(i))); });
                break;
            case D3DTOP_ADDSIGNED:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::Sub(hn::Add(X(i), Y(i)), half));
                });
                break;
            case D3DTOP_ADDSIGNED2X:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::ShiftLeft<1>(hn::Sub(hn::Add(X(i), Y(i)), half)));
                });
                break;
            case D3DTOP_SUBTRACT:
                eachVector(n, o, [&](int i) { return clamp255Lanes(hn::Sub(X(i), Y(i))); });
                break;
            case D3DTOP_ADDSMOOTH:
                eachVector(n, o, [&](int i) {
                    const VI xi = X(i);
                    return clamp255Lanes(hn::Add(xi, mul255Lanes(Y(i), hn::Sub(full, xi))));
                });
                break;
            case D3DTOP_BLENDDIFFUSEALPHA:
            case D3DTOP_BLENDTEXTUREALPHA:
            case D3DTOP_BLENDFACTORALPHA:
            case D3DTOP_BLENDCURRENTALPHA:
                eachVector(n, o, [&](int i) {
                    const VI a = hn::LoadU(di, blendAlpha + i);
                    return hn::Add(mul255Lanes(X(i), a), mul255Lanes(Y(i), hn::Sub(full, a)));
                });
                break;
            case D3DTOP_BLENDTEXTUREALPHAPM:
                eachVector(n, o, [&](int i) {
                    const VI a = hn::LoadU(di, blendAlpha + i);
                    return clamp255Lanes(hn::Add(X(i), mul255Lanes(Y(i), hn::Sub(full, a))));
                });
                break;
            case D3DTOP_MODULATEALPHA_ADDCOLOR:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::Add(X(i), mul255Lanes(XA(i), Y(i))));
                });
                break;
            case D3DTOP_MODULATECOLOR_ADDALPHA:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::Add(mul255Lanes(X(i), Y(i)), XA(i)));
                });
                break;
            case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::Add(X(i), mul255Lanes(hn::Sub(full, XA(i)), Y(i))));
                });
                break;
            case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
                eachVector(n, o, [&](int i) {
                    return clamp255Lanes(hn::Add(mul255Lanes(hn::Sub(full, X(i)), Y(i)), XA(i)));
                });
                break;
            default:  // SELECTARG1, PREMODULATE
                eachVector(n, o, X);
                break;
        }
    }
}

bool combineLanes(const Pipeline& p, int unit, Fragments& f) {
    // As in the scalar stage, results go straight into current.
    const TextureUnit& u = p.units[unit];
    const DI di;
    const int n = f.n;
    if (u.premodulate) {
        for (int c = 0; c < 4; ++c) {
            eachVector(n, f.current[c], [&](int i) {
                return mul255Lanes(hn::LoadU(di, f.current[c] + i), hn::LoadU(di, f.texel[c] + i));
            });
        }
    }
    ChannelsPtr c1 = argumentLanes(u.colorArg1, unit, f, f.arg[0], 0, 4);
    ChannelsPtr c2 = argumentLanes(u.colorArg2, unit, f, f.arg[1], 0, 4);
    applyOpLanes(u.colorOp, c1, c2, blendAlphaFor(u.colorOp, unit, f), 0, 3, n, f.current);
    if (u.alphaOp == D3DTOP_DISABLE) {
        if (unit == 0)
            eachVector(n, f.current[3], [&](int i) { return hn::LoadU(di, f.diffuse[3] + i); });
        return true;
    }
    ChannelsPtr a1 = argumentLanes(u.alphaArg1, unit, f, f.arg[0], 3, 4);
    ChannelsPtr a2 = argumentLanes(u.alphaArg2, unit, f, f.arg[1], 3, 4);
    applyOpLanes(u.alphaOp, a1, a2, blendAlphaFor(u.alphaOp, unit, f), 3, 4, n, f.current);
    return true;
}

// The operations most units use, with unmodified arguments and no
// PREMODULATE before them: every channel of a vector in one pass, with the
// operations fixed when the pipeline is compiled. Lanes read their inputs
// before they write current, so an argument that is current is safe.
enum class Op { Select1, Select2, Modulate, Keep };

template <Op O>
HWY_INLINE VI opLanes(const int32_t* x, const int32_t* y, int i, const int32_t* kept) {
    const DI di;
    switch (O) {
        case Op::Select1:
            return hn::LoadU(di, x + i);
        case Op::Select2:
            return hn::LoadU(di, y + i);
        case Op::Modulate:
            return mul255Lanes(hn::LoadU(di, x + i), hn::LoadU(di, y + i));
        default:  // alpha disabled: the diffuse alpha in unit 0, else current's own
            return hn::LoadU(di, kept + i);
    }
}

template <Op Color, Op Alpha>
bool combineCommon(const Pipeline& p, int unit, Fragments& f) {
    const TextureUnit& u = p.units[unit];
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(di));
    const ChannelsPtr c1 = argumentSource(u.colorArg1, unit, f);
    const ChannelsPtr c2 = argumentSource(u.colorArg2, unit, f);
    const int32_t* a1 = argumentSource(u.alphaArg1, unit, f)[3];
    const int32_t* a2 = argumentSource(u.alphaArg2, unit, f)[3];
    const int32_t* kept = unit == 0 ? f.diffuse[3] : f.current[3];
    for (int i = 0; i < f.n; i += lanes) {
        const VI r = opLanes<Color>(c1[0], c2[0], i, nullptr);
        const VI g = opLanes<Color>(c1[1], c2[1], i, nullptr);
        const VI b = opLanes<Color>(c1[2], c2[2], i, nullptr);
        const VI a = opLanes<Alpha>(a1, a2, i, kept);
        hn::StoreU(r, di, f.current[0] + i);
        hn::StoreU(g, di, f.current[1] + i);
        hn::StoreU(b, di, f.current[2] + i);
        hn::StoreU(a, di, f.current[3] + i);
    }
    return true;
}

// The specialised loop for a unit's operations, or the general one.
template <Op Color>
StageFn chooseForAlpha(DWORD alphaOp) {
    switch (alphaOp) {
        case D3DTOP_SELECTARG1:
            return combineCommon<Color, Op::Select1>;
        case D3DTOP_SELECTARG2:
            return combineCommon<Color, Op::Select2>;
        case D3DTOP_MODULATE:
            return combineCommon<Color, Op::Modulate>;
        case D3DTOP_DISABLE:
            return combineCommon<Color, Op::Keep>;
        default:
            return combineLanes;
    }
}

StageFn ChooseCombine(DWORD colorOp, DWORD alphaOp) {
    switch (colorOp) {
        case D3DTOP_SELECTARG1:
            return chooseForAlpha<Op::Select1>(alphaOp);
        case D3DTOP_SELECTARG2:
            return chooseForAlpha<Op::Select2>(alphaOp);
        case D3DTOP_MODULATE:
            return chooseForAlpha<Op::Modulate>(alphaOp);
        default:
            return combineLanes;
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace platform::d3d::raster
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace platform::d3d::raster {

HWY_EXPORT(ChooseCombine);

StageFn chooseCombine(const TextureUnit& unit) {
    const bool dot = unit.colorOp == D3DTOP_DOTPRODUCT3 || unit.alphaOp == D3DTOP_DOTPRODUCT3;
    if (!rasterSimdOn() || dot)
        return stageCombine;
    const DWORD modifiers = D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE;
    const bool plain = !unit.premodulate && ((unit.colorArg1 | unit.colorArg2 | unit.alphaArg1 |
                                              unit.alphaArg2) & modifiers) == 0;
    return HWY_DYNAMIC_DISPATCH(ChooseCombine)(plain ? unit.colorOp : DWORD(D3DTOP_DISABLE),
                                               unit.alphaOp);
}

}  // namespace platform::d3d::raster
#endif  // HWY_ONCE
