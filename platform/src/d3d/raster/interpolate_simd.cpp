// Span interpolation (interpolate.cpp) on SIMD lanes with Google Highway,
// compiled for each x86 instruction set Highway knows; the widest the
// processor runs is chosen when a pipeline is compiled. Every lane computes
// what the scalar loops compute for its pixel, bit for bit; they stay the
// reference (D3DDRIVER_RASTER_SIMD=0).
//
// Why it pays: the span is done in whole vectors, the last one running past
// the span's end into the arrays' spare room (values nothing reads), where
// the compiler's loops finish every attribute of a short span one pixel at a
// time; and the vectors are as wide as the processor has.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "d3d/raster/interpolate_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "simd_lanes.h"
#include "stages.h"

HWY_BEFORE_NAMESPACE();
namespace platform::d3d::raster {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;

static_assert(kSpan % 16 == 0, "whole vectors of up to 16 lanes fit a span");

// 0, 1, ... kSpan - 1: the pixels' offsets within a span, as floats.
struct SpanOffsets {
    alignas(64) float at[kSpan];
    constexpr SpanOffsets() : at() {
        for (int i = 0; i < kSpan; ++i)
            at[i] = static_cast<float>(i);
    }
};
inline constexpr SpanOffsets kSpanOffsets{};

// plane(x + i, y) for the lanes from i: the plane at the span's first pixel
// plus dx times the lane's offset, as the scalar loop steps it.
struct PlaneLanes {
    PlaneLanes(const Plane& pl, const Setup& s, const Fragments& f)
        : base(hn::Set(DF(), pl.c + pl.dx * (static_cast<float>(f.x) - s.ox) +
                                 pl.dy * (static_cast<float>(f.y) - s.oy))),
          dx(hn::Set(DF(), pl.dx)) {}
    VF at(int i) const {
        return hn::Add(base, hn::Mul(dx, hn::LoadU(DF(), kSpanOffsets.at + i)));
    }
    VF base, dx;
};

template <bool Perspective>
HWY_INLINE void evalFloat(const Plane& pl, const Setup& s, const Fragments& f, float* out) {
    const DF df;
    const PlaneLanes plane(pl, s, f);
    for (int i = 0; i < f.n; i += static_cast<int>(hn::Lanes(df))) {
        const VF v = plane.at(i);
        hn::StoreU(Perspective ? hn::Mul(v, hn::LoadU(df, f.w + i)) : v, df, out + i);
    }
}

// Rounded and clamped to 0..255, NaN to 0.
HWY_INLINE hn::Vec<DI> colorLanes(VF v) {
    const DF df;
    const VF zero = hn::Zero(df), top = hn::Set(df, 255.0f);
    return truncateLanes(hn::Add(atMost(atLeast(v, zero), top), hn::Set(df, 0.5f)));
}

template <bool Perspective>
HWY_INLINE void evalColorAttr(const Setup& s, int a, Fragments& f, int32_t* out) {
    const DF df;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const uint32_t bit = 1u << a;
    if (s.constantColours & bit) {
        if (!(f.filled & bit)) {
            const auto value = colorLanes(hn::Set(df, s.attr[a].c));
            for (int i = 0; i < kSpan; i += lanes)
                hn::StoreU(value, di, out + i);
            f.filled |= bit;
        }
        return;
    }
    const PlaneLanes plane(s.attr[a], s, f);
    for (int i = 0; i < f.n; i += lanes) {
        VF v = plane.at(i);
        if (Perspective)
            v = hn::Mul(v, hn::LoadU(df, f.w + i));
        hn::StoreU(colorLanes(v), di, out + i);
    }
}

template <bool Perspective>
void interpolateSpan(const Pipeline& p, const Setup& s, Fragments& f, Planes planes) {
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    f.setup = &s;
    if (p.needZ && planes != Planes::Rest)
        evalFloat<false>(s.z, s, f, f.z);
    if (planes == Planes::Depth)
        return;
    if (Perspective) {
        const PlaneLanes q(s.q, s, f);
        const VF one = hn::Set(df, 1.0f);
        for (int i = 0; i < f.n; i += lanes)
            hn::StoreU(hn::Div(one, q.at(i)), df, f.w + i);
    } else if (!(f.filled & kFilledW)) {
        const VF w = hn::Set(df, s.constW);
        for (int i = 0; i < kSpan; i += lanes)
            hn::StoreU(w, df, f.w + i);
        f.filled |= kFilledW;
    }
    if (p.needDiffuse) {
        for (int c = 0; c < 4; ++c)
            evalColorAttr<Perspective>(s, kAttrR + c, f, f.diffuse[c]);
    }
    if (p.needSpecular) {
        for (int c = 0; c < 3; ++c)
            evalColorAttr<Perspective>(s, kAttrSpecR + c, f, f.specular[c]);
    }
    if (p.needFog)
        evalColorAttr<Perspective>(s, kAttrFog, f, f.specular[3]);
    for (uint32_t mask = p.texSetMask, set = 0; mask != 0; mask >>= 1, ++set) {
        if (mask & 1) {
            evalFloat<Perspective>(s.attr[attrU(set)], s, f, f.u[set]);
            evalFloat<Perspective>(s.attr[attrV(set)], s, f, f.v[set]);
        }
    }
}

void Interpolate(const Pipeline& p, const Setup& s, Fragments& f, Planes planes) {
    if (s.perspective)
        interpolateSpan<true>(p, s, f, planes);
    else
        interpolateSpan<false>(p, s, f, planes);
}

InterpolateFn ChooseInterpolate() {
    return Interpolate;
}

}  // namespace HWY_NAMESPACE
}  // namespace platform::d3d::raster
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace platform::d3d::raster {

HWY_EXPORT(ChooseInterpolate);

InterpolateFn chooseInterpolate() {
    return rasterSimdOn() ? HWY_DYNAMIC_DISPATCH(ChooseInterpolate)() : interpolate;
}

}  // namespace platform::d3d::raster
#endif  // HWY_ONCE
