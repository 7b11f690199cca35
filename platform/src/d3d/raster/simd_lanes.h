// Float lane helpers of the SIMD span loops, included once per Highway
// target. On x86 each is one instruction with the NaN and overflow rules the
// scalar loops' comparisons and casts compile to, so lanes stay bit-identical
// to them; Highway's portable forms cost two to five instructions each.
#if defined(PLATFORM_D3D_RASTER_SIMD_LANES_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PLATFORM_D3D_RASTER_SIMD_LANES_H_
#undef PLATFORM_D3D_RASTER_SIMD_LANES_H_
#else
#define PLATFORM_D3D_RASTER_SIMD_LANES_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace platform::d3d::raster {
namespace HWY_NAMESPACE {

#undef RASTER_X86_LANES
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
#define RASTER_X86_LANES 1
#else
#define RASTER_X86_LANES 0
#endif

// v > low ? v : low, so NaN gives low (x86 max returns its second operand
// when either is NaN).
template <class V>
HWY_INLINE V atLeast(V v, V low) {
#if RASTER_X86_LANES
    return hwy::HWY_NAMESPACE::Max(v, low);
#else
    return hwy::HWY_NAMESPACE::IfThenElse(v > low, v, low);
#endif
}

// v < high ? v : high.
template <class V>
HWY_INLINE V atMost(V v, V high) {
#if RASTER_X86_LANES
    return hwy::HWY_NAMESPACE::Min(v, high);
#else
    return hwy::HWY_NAMESPACE::IfThenElse(v < high, v, high);
#endif
}

// Float to int truncation as the x86 instruction does it: INT_MIN for NaN
// and values out of int range (what the scalar loops' casts compile to),
// without Highway's overflow fix-up.
template <class VF>
HWY_INLINE auto truncateLanes(VF t) {
    using DI = hwy::HWY_NAMESPACE::RebindToSigned<hwy::HWY_NAMESPACE::DFromV<VF>>;
#if RASTER_X86_LANES
#if HWY_TARGET <= HWY_AVX3
    return hwy::HWY_NAMESPACE::Vec<DI>{_mm512_cvttps_epi32(t.raw)};
#elif HWY_TARGET == HWY_AVX2
    return hwy::HWY_NAMESPACE::Vec<DI>{_mm256_cvttps_epi32(t.raw)};
#else
    return hwy::HWY_NAMESPACE::Vec<DI>{_mm_cvttps_epi32(t.raw)};
#endif
#else
    return hwy::HWY_NAMESPACE::ConvertTo(DI(), t);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace platform::d3d::raster
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
