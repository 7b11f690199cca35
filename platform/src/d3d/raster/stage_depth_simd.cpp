// The depth test of 16-bit depth buffers (D16, D15S1) on SIMD lanes with
// Google Highway, compiled for each x86 instruction set Highway knows; the
// widest the processor runs is chosen once, when a pipeline picks its test.
// Every lane computes what the scalar loop of stage_depth.cpp computes for
// its pixel, bit for bit; that loop stays the reference
// (D3DDRIVER_RASTER_SIMD=0) and finishes a span that ends too near its row's
// end for a whole vector.
//
// Why it pays: the scalar loop mixes byte, 16-bit, 32-bit and float arrays,
// and the compiler leaves it scalar, a compare and branch per pixel; it was
// a fifth of a textured fill's time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "d3d/raster/stage_depth_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "depth_traits.h"
#include "simd_lanes.h"
#include "stages.h"

#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace platform::d3d::raster {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using DU = hn::RebindToUnsigned<DF>;
using D16 = hn::Rebind<uint16_t, DF>;
using D8 = hn::Rebind<uint8_t, DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

// Lanes hold 0..65535, so signed comparisons order them as unsigned ones.
template <DWORD Func>
HWY_INLINE auto passLanes(VI q, VI ref) {
    switch (Func) {
        case D3DCMP_NEVER:
            return q != q;
        case D3DCMP_LESS:
            return q < ref;
        case D3DCMP_EQUAL:
            return q == ref;
        case D3DCMP_LESSEQUAL:
            return hn::Not(q > ref);
        case D3DCMP_GREATER:
            return q > ref;
        case D3DCMP_NOTEQUAL:
            return q != ref;
        case D3DCMP_GREATEREQUAL:
            return hn::Not(q < ref);
        default:
            return q == q;
    }
}

template <DepthFormat D, DWORD Func, bool WriteNow>
bool depthTest16(const Pipeline& p, int, Fragments& f) {
    using T = DepthTraits<D>;
    const DF df;
    const DI di;
    const DU du;
    const D16 d16;
    const D8 d8;
    const int lanes = static_cast<int>(hn::Lanes(df));
    BYTE* const bytes = p.depth.data + static_cast<ptrdiff_t>(f.y) * p.depth.pitch +
                        static_cast<ptrdiff_t>(f.x) * 2;
    auto* const row = reinterpret_cast<uint16_t*>(bytes);
    const int n = f.n;
    const VF zero = hn::Zero(df), one = hn::Set(df, 1.0f);
    const VF scale = hn::Set(df, T::kScale), half = hn::Set(df, 0.5f);
    const VI mask = hn::Set(di, static_cast<int32_t>(T::kMask));
    const VI keep = hn::Set(di, static_cast<int32_t>(~T::kMask & 0xffffu));
    const VI lowBit = hn::Set(di, 1);
    VI anyLive = hn::Zero(di);
    int i = 0;
    const int room = static_cast<int>(p.depth.width) - f.x;
    for (; i < n; i += lanes) {
        // A last, partial vector writes the depths after the span back as
        // they were. They lie on this row, which one worker owns; a vector
        // that would pass the row's end leaves its pixels to the loop below.
        if (i + lanes > n && i + lanes > room)
            break;
        VF z = hn::LoadU(df, f.z + i);
        z = atMost(atLeast(z, zero), one);  // NaN to 0, as the scalar loop
        const VI q = truncateLanes(hn::Add(hn::Mul(z, scale), half));
        hn::StoreU(hn::BitCast(du, q), du, f.depth + i);
        const VI old = hn::PromoteTo(di, hn::LoadU(d16, row + i));
        const auto inSpan = hn::FirstN(di, static_cast<size_t>(n - i));
        const VI pass =
            hn::IfThenElseZero(hn::And(passLanes<Func>(q, hn::And(old, mask)), inSpan), lowBit);
        const VI live = hn::And(hn::PromoteTo(di, hn::LoadU(d8, f.live + i)), pass);
        hn::StoreU(hn::TruncateTo(d8, hn::BitCast(du, live)), d8, f.live + i);
        anyLive = hn::Or(anyLive, live);
        if (WriteNow) {
            const VI merged = hn::Or(hn::And(old, keep), q);
            const VI written = hn::IfThenElse(live != hn::Zero(di), merged, old);
            hn::StoreU(hn::TruncateTo(d16, hn::BitCast(du, written)), d16, row + i);
        }
    }
    uint32_t any = hn::AllFalse(di, anyLive != hn::Zero(di)) ? 0u : 1u;
    for (; i < n; ++i) {
        const uint32_t q = T::quantize(f.z[i]);
        f.depth[i] = q;
        uint16_t old;
        std::memcpy(&old, bytes + 2 * i, 2);
        const auto live =
            static_cast<uint8_t>(f.live[i] & (passes<Func>(q, T::value(old)) ? 1 : 0));
        f.live[i] = live;
        any |= live;
        if (WriteNow && live) {
            const uint16_t merged = T::merge(old, q);
            std::memcpy(bytes + 2 * i, &merged, 2);
        }
    }
    return any != 0;
}

template <DepthFormat D, bool WriteNow>
StageFn chooseFor(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER:
            return depthTest16<D, D3DCMP_NEVER, WriteNow>;
        case D3DCMP_LESS:
            return depthTest16<D, D3DCMP_LESS, WriteNow>;
        case D3DCMP_EQUAL:
            return depthTest16<D, D3DCMP_EQUAL, WriteNow>;
        case D3DCMP_LESSEQUAL:
            return depthTest16<D, D3DCMP_LESSEQUAL, WriteNow>;
        case D3DCMP_GREATER:
            return depthTest16<D, D3DCMP_GREATER, WriteNow>;
        case D3DCMP_NOTEQUAL:
            return depthTest16<D, D3DCMP_NOTEQUAL, WriteNow>;
        case D3DCMP_GREATEREQUAL:
            return depthTest16<D, D3DCMP_GREATEREQUAL, WriteNow>;
        default:
            return depthTest16<D, D3DCMP_ALWAYS, WriteNow>;
    }
}

// This target's test for a 16-bit format.
StageFn ChooseDepthTest16(DepthFormat format, DWORD func, bool writeNow) {
    if (format == DepthFormat::D16)
        return writeNow ? chooseFor<DepthFormat::D16, true>(func)
                        : chooseFor<DepthFormat::D16, false>(func);
    return writeNow ? chooseFor<DepthFormat::D15S1, true>(func)
                    : chooseFor<DepthFormat::D15S1, false>(func);
}

}  // namespace HWY_NAMESPACE
}  // namespace platform::d3d::raster
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace platform::d3d::raster {

HWY_EXPORT(ChooseDepthTest16);

StageFn chooseSimdDepthTest(DepthFormat format, DWORD func, bool writeNow) {
    if (!rasterSimdOn())
        return nullptr;
    const bool sixteenBits = format == DepthFormat::D16 || format == DepthFormat::D15S1;
    return sixteenBits ? HWY_DYNAMIC_DISPATCH(ChooseDepthTest16)(format, func, writeNow) : nullptr;
}

}  // namespace platform::d3d::raster
#endif  // HWY_ONCE
