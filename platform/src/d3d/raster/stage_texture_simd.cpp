// The bilinear fast paths of texture sampling (one level, no colour key; wrap
// addressing on power-of-two sizes, or clamp addressing) of every texture format,
// several pixels at a time with Google Highway: compiled for each x86
// instruction set Highway knows, the widest the processor runs chosen at the
// first call. Every lane computes what the scalar loops of stage_texture.cpp
// compute for its pixel, bit for bit (sampleLinearWrap, and the general loop
// for clamping); they stay the reference (D3DDRIVER_RASTER_SIMD=0).
//
// Why it pays: the scalar loop is auto-vectorised already except for its
// four texel gathers, and it stores four unpacked copies of the span between
// passes; here the gathers are the processor's and the filter runs on the
// registers.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "d3d/raster/stage_texture_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "pixel_format.h"
#include "simd_lanes.h"
#include "stages.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace platform::d3d::raster {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

// floorToInt of fragment.h: clamped to +-1e9 first, NaN to the low end.
// The floor as a float too, exact at that size.
HWY_INLINE VI floorLanes(VF t, VF& whole) {
    const DF df;
    const VF lo = hn::Set(df, -1.0e9f), hi = hn::Set(df, 1.0e9f);
    t = atMost(atLeast(t, lo), hi);
    whole = hn::Floor(t);
    return truncateLanes(whole);
}

// fraction256 of stage_texture.cpp: t's fraction above its floor, in 256ths,
// converted as its cast does (0 for NaN and values out of int range after
// the clamp).
HWY_INLINE VI fractionLanes(VF t, VF whole) {
    const DF df;
    const DI di;
    const VF d = hn::Mul(hn::Sub(t, whole), hn::Set(df, 256.0f));
#if RASTER_X86_LANES
    return hn::Min(hn::Max(truncateLanes(d), hn::Zero(di)), hn::Set(di, 255));
#else
    const auto inRange = d < hn::Set(df, 2147483648.0f);  // false for NaN
    const VF c = hn::Min(hn::Max(d, hn::Zero(df)), hn::Set(df, 255.0f));
    return hn::IfThenElseZero(hn::RebindMask(di, inRange), hn::ConvertTo(di, c));
#endif
}

// 16-bit texels come from the aligned 32-bit word holding them when such
// words cannot reach past a row's texels: rows start on 4 bytes and hold an
// even number of texels. Otherwise one lane at a time.
inline bool wordGatherSafe(const LevelInfo& l) {
    return (reinterpret_cast<uintptr_t>(l.pixels) & 3) == 0 && (l.pitch & 3) == 0 &&
           (l.width & 1) == 0;
}

template <PixelFormat F>
HWY_INLINE VI gatherLanes(const LevelInfo& l, bool words, VI offset) {
    const DI di;
    const auto* base = reinterpret_cast<const int32_t*>(l.pixels);
    if constexpr (sizeof(typename PixelTraits<F>::Raw) == 4) {
        return hn::GatherOffset(di, base, offset);
    } else {
        if (words) {
            const VI word = hn::GatherOffset(di, base, hn::And(offset, hn::Set(di, ~3)));
            const VI shift = hn::ShiftLeft<3>(hn::And(offset, hn::Set(di, 2)));
            return hn::And(hn::Shr(word, shift), hn::Set(di, 0xffff));
        }
        HWY_ALIGN int32_t at[kSpan];
        hn::Store(offset, di, at);
        for (size_t k = 0; k < hn::Lanes(di); ++k) {
            uint16_t raw;
            std::memcpy(&raw, l.pixels + at[k], sizeof(raw));
            at[k] = raw;
        }
        return hn::Load(di, at);
    }
}

// Where channel c (0 red .. 3 alpha) of a raw texel is: shift and bit count.
struct Field {
    int shift, bits;
};

template <PixelFormat F>
constexpr Field fieldOf(int c) {
    constexpr Field none{0, 0};
    switch (F) {
        case PixelFormat::R5G6B5:
            return c == 0 ? Field{11, 5} : c == 1 ? Field{5, 6} : c == 2 ? Field{0, 5} : none;
        case PixelFormat::X1R5G5B5:
        case PixelFormat::A1R5G5B5:
            return c == 0   ? Field{10, 5}
                   : c == 1 ? Field{5, 5}
                   : c == 2 ? Field{0, 5}
                            : (F == PixelFormat::A1R5G5B5 ? Field{15, 1} : none);
        case PixelFormat::A4R4G4B4:
            return Field{c == 3 ? 12 : 8 - 4 * c, 4};
        default:
            return Field{c == 3 ? 24 : 16 - 8 * c, 8};
    }
}

// Channel c of raw texels widened to 0..255 as expandBits does.
template <PixelFormat F>
HWY_INLINE VI channelLanes(VI raw, int c) {
    const DI di;
    const Field f = fieldOf<F>(c);
    const VI v = hn::And(hn::ShiftRightSame(raw, f.shift), hn::Set(di, (1 << f.bits) - 1));
    if (f.bits == 8)
        return v;
    if (f.bits == 1)
        return hn::Mul(v, hn::Set(di, 255));
    return hn::Or(hn::ShiftLeftSame(v, 8 - f.bits), hn::ShiftRightSame(v, 2 * f.bits - 8));
}

// Texel columns and rows: wrapped by the power-of-two mask or clamped to
// the level.
template <bool Clamp>
HWY_INLINE VI addressLanes(VI i, VI mask, VI last) {
    const DI di;
    if (Clamp)
        return hn::Min(hn::Max(i, hn::Zero(di)), last);
    return hn::And(i, mask);
}

struct Weights {
    VI fx, fy, gx, gy;
};

// Bilinear filter of four texels a given channel at a time, on 32-bit lanes.
template <PixelFormat F>
HWY_INLINE void filterLanes(const Weights& w, VI t0, VI t1, VI t2, VI t3, Fragments& f, int i) {
    const DI di;
    const VI round = hn::Set(di, 32768);
    const int channels = PixelTraits<F>::kAlpha ? 4 : 3;
    for (int c = 0; c < channels; ++c) {
        const VI top =
            hn::Add(hn::Mul(channelLanes<F>(t0, c), w.gx), hn::Mul(channelLanes<F>(t1, c), w.fx));
        const VI bottom =
            hn::Add(hn::Mul(channelLanes<F>(t2, c), w.gx), hn::Mul(channelLanes<F>(t3, c), w.fx));
        const VI sum = hn::Add(hn::Add(hn::Mul(top, w.gy), hn::Mul(bottom, w.fy)), round);
        hn::StoreU(hn::ShiftRight<16>(sum), di, f.texel[c] + i);
    }
}

#if HWY_TARGET != HWY_SCALAR
using DU16 = hn::Repartition<uint16_t, DI>;
using DI16 = hn::Repartition<int16_t, DI>;
using VU16 = hn::Vec<DU16>;

#if HWY_TARGET <= HWY_AVX3
// Entry i: field value i mod 2^Bits widened to 0..255. A 16-bit lane
// permute reads the low five (or, from two tables, six) bits of each index,
// so a field at the bottom of the index needs no mask.
template <int Bits>
struct WidenTable {
    alignas(64) uint16_t at[64];
    constexpr WidenTable() : at() {
        for (uint32_t i = 0; i < 64; ++i)
            at[i] = static_cast<uint16_t>(expandBits<Bits>(i & ((1u << Bits) - 1)));
    }
};
inline constexpr WidenTable<1> kWiden1{};
inline constexpr WidenTable<4> kWiden4{};
inline constexpr WidenTable<5> kWiden5{};
inline constexpr WidenTable<6> kWiden6{};
#endif

// Channel c of 16-bit texels in 16-bit lanes, widened to 0..255.
template <PixelFormat F>
HWY_INLINE VU16 channelWords(VU16 raw, int c) {
    const DU16 du;
    const Field f = fieldOf<F>(c);
#if HWY_TARGET <= HWY_AVX3
    // A lookup instead of the mask, two shifts and the or below.
    const __m512i index = f.shift ? hn::ShiftRightSame(raw, f.shift).raw : raw.raw;
    if (f.bits == 6) {
        return VU16{_mm512_permutex2var_epi16(hn::Load(du, kWiden6.at).raw, index,
                                              hn::Load(du, kWiden6.at + 32).raw)};
    }
    const uint16_t* table = f.bits == 1 ? kWiden1.at : f.bits == 4 ? kWiden4.at : kWiden5.at;
    return VU16{_mm512_permutexvar_epi16(index, hn::Load(du, table).raw)};
#else
    const VU16 v = hn::And(hn::ShiftRightSame(raw, f.shift), hn::Set(du, (1 << f.bits) - 1));
    if (f.bits == 1)
        return hn::Mul(v, hn::Set(du, 255));
    return hn::Or(hn::ShiftLeftSame(v, 8 - f.bits), hn::ShiftRightSame(v, 2 * f.bits - 8));
#endif
}

// The filter of 16-bit texels held in pairs, left texel in the low half of
// each 32-bit lane: channels are extracted once per pair, and the horizontal
// lerp a * (256 - fx) + b * fx (at most 65280) is one multiply-add of 16-bit
// pairs. The vertical one does not fit 16 bits and stays on 32-bit lanes.
template <PixelFormat F>
HWY_INLINE void filterPairs(const Weights& w, VI topPair, VI bottomPair, Fragments& f, int i) {
    const DI di;
    const DU16 du;
    const DI16 d16;
    const VI round = hn::Set(di, 32768);
    const auto wx = hn::BitCast(d16, hn::Or(w.gx, hn::ShiftLeft<16>(w.fx)));
    const VU16 tp = hn::BitCast(du, topPair), bp = hn::BitCast(du, bottomPair);
    const int channels = PixelTraits<F>::kAlpha ? 4 : 3;
    for (int c = 0; c < channels; ++c) {
        VI odd0 = hn::Zero(di), odd1 = hn::Zero(di);
        const VI top = hn::RearrangeToOddPlusEven(
            hn::ReorderWidenMulAccumulate(di, hn::BitCast(d16, channelWords<F>(tp, c)), wx,
                                          hn::Zero(di), odd0),
            odd0);
        const VI bottom = hn::RearrangeToOddPlusEven(
            hn::ReorderWidenMulAccumulate(di, hn::BitCast(d16, channelWords<F>(bp, c)), wx,
                                          hn::Zero(di), odd1),
            odd1);
        // top * (256 - fy) + bottom * fy, exact in 32 bits.
        const VI sum = hn::Add(hn::ShiftLeft<8>(top), hn::Mul(hn::Sub(bottom, top), w.fy));
        hn::StoreU(hn::ShiftRight<16>(hn::Add(sum, round)), di, f.texel[c] + i);
    }
}

// 32-bit texels: their even bytes (blue, red) and odd bytes (green, alpha)
// filtered across two channels at a time in 16-bit lanes, where the
// horizontal lerp (at most 65280) fits unsigned; the vertical one is a
// multiply-add of 16-bit pairs too (below).
template <PixelFormat F>
HWY_INLINE void filterBytes(const Weights& w, VI t0, VI t1, VI t2, VI t3, Fragments& f, int i) {
    const DI di;
    const DU16 du;
    const hn::RebindToUnsigned<DI> du32;
    const VI even = hn::Set(di, 0x00ff00ff);
    const VU16 gx = hn::BitCast(du, hn::Or(w.gx, hn::ShiftLeft<16>(w.gx)));
    const VU16 fx = hn::BitCast(du, hn::Or(w.fx, hn::ShiftLeft<16>(w.fx)));
    const auto lerp = [&](VI a, VI b) {
        return hn::BitCast(
            di, hn::Add(hn::Mul(hn::BitCast(du, a), gx), hn::Mul(hn::BitCast(du, b), fx)));
    };
    const VI topEven = lerp(hn::And(t0, even), hn::And(t1, even));
    const VI topOdd =
        lerp(hn::And(hn::ShiftRight<8>(t0), even), hn::And(hn::ShiftRight<8>(t1), even));
    const VI bottomEven = lerp(hn::And(t2, even), hn::And(t3, even));
    const VI bottomOdd =
        lerp(hn::And(hn::ShiftRight<8>(t2), even), hn::And(hn::ShiftRight<8>(t3), even));
    // The vertical lerp top * (256 - fy) + bottom * fy as one multiply-add of
    // the 16-bit pair (top, bottom): both are up to 65280, so each is taken
    // 32768 down into signed range (its top bit flipped) and 32768 * 256
    // added back with the rounding.
    const DI16 d16;
    const VI flip = hn::Set(di, static_cast<int32_t>(0x80008000u));
    const VI tE = hn::Xor(topEven, flip), tO = hn::Xor(topOdd, flip);
    const VI bE = hn::Xor(bottomEven, flip), bO = hn::Xor(bottomOdd, flip);
    const auto wy = hn::BitCast(d16, hn::Or(w.gy, hn::ShiftLeft<16>(w.fy)));
    const VI back = hn::Set(di, 32768 * 256 + 32768);
    const auto low = [&](VI v) { return hn::ShiftLeft<16>(v); };
    const auto high = [&](VI v) { return hn::BitCast(di, hn::ShiftRight<16>(hn::BitCast(du32, v))); };
    // Channel from top in the low half of each 32-bit lane, from bottom in the high.
    const auto store = [&](VI oddHalves, VI evenHalves, int c) {
        const auto pair = hn::OddEven(hn::BitCast(d16, oddHalves), hn::BitCast(d16, evenHalves));
        VI odd = hn::Zero(di);
        const VI sum =
            hn::RearrangeToOddPlusEven(hn::ReorderWidenMulAccumulate(di, pair, wy, back, odd), odd);
        hn::StoreU(hn::ShiftRight<16>(sum), di, f.texel[c] + i);
    };
    store(bE, high(tE), 0);
    store(low(bO), tO, 1);
    store(low(bE), tE, 2);
    if (PixelTraits<F>::kAlpha)
        store(bO, high(tO), 3);
}
#endif

template <PixelFormat F, bool Clamp>
void linearSample(const Sampler& s, int set, Fragments& f) {
    const DF df;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const LevelInfo& l = s.levels[s.baseLevel];
    const VF fw = hn::Set(df, l.fwidth), fh = hn::Set(df, l.fheight), half = hn::Set(df, 0.5f);
    const VI wmask = hn::Set(di, l.wmask), hmask = hn::Set(di, l.hmask);
    const VI wlast = hn::Set(di, l.width - 1), hlast = hn::Set(di, l.height - 1);
    const VI pitch = hn::Set(di, l.pitch), one = hn::Set(di, 1), k256 = hn::Set(di, 256);
    constexpr int32_t kBytes = static_cast<int32_t>(sizeof(typename PixelTraits<F>::Raw));
    const VI bpp = hn::Set(di, kBytes);
    const bool words = wordGatherSafe(l);
    const auto* base = reinterpret_cast<const int32_t*>(l.pixels);
    // Lanes past n (up to kSpan, which the lane count divides) compute on
    // zeros; nothing reads their results.
    for (int i = 0; i < f.n; i += lanes) {
        const auto live = hn::FirstN(df, static_cast<size_t>(f.n - i));
        const VF u = hn::IfThenElseZero(live, hn::LoadU(df, f.u[set] + i));
        const VF v = hn::IfThenElseZero(live, hn::LoadU(df, f.v[set] + i));
        const VF tx = hn::Sub(hn::Mul(u, fw), half), ty = hn::Sub(hn::Mul(v, fh), half);
        VF wx, wy;
        const VI x0 = floorLanes(tx, wx), y0 = floorLanes(ty, wy);
        Weights w;
        w.fx = fractionLanes(tx, wx);
        w.fy = fractionLanes(ty, wy);
        w.gx = hn::Sub(k256, w.fx);
        w.gy = hn::Sub(k256, w.fy);
        const VI ca = addressLanes<Clamp>(x0, wmask, wlast);
        const VI cb = addressLanes<Clamp>(hn::Add(x0, one), wmask, wlast);
        const VI xa = hn::Mul(ca, bpp), xb = hn::Mul(cb, bpp);
        const VI ya = hn::Mul(addressLanes<Clamp>(y0, hmask, hlast), pitch);
        const VI yb = hn::Mul(addressLanes<Clamp>(hn::Add(y0, one), hmask, hlast), pitch);
#if HWY_TARGET != HWY_SCALAR
        if constexpr (kBytes == 2) {
            // Both texels of a row from one 32-bit read where they are next
            // to each other in memory (not at the wrap column or a clamped
            // edge). Lanes past n read the row's first two texels instead.
            const auto liveI = hn::RebindMask(di, live);
            const auto paired = hn::Or(hn::Eq(cb, hn::Add(ca, one)), hn::Not(liveI));
            VI top, bottom;
            if (hn::AllTrue(di, paired)) {
                const VI x = hn::IfThenElseZero(liveI, xa);
                top = hn::GatherOffset(di, base, hn::Add(ya, x));
                bottom = hn::GatherOffset(di, base, hn::Add(yb, x));
            } else {
                top = hn::Or(gatherLanes<F>(l, words, hn::Add(ya, xa)),
                             hn::ShiftLeft<16>(gatherLanes<F>(l, words, hn::Add(ya, xb))));
                bottom = hn::Or(gatherLanes<F>(l, words, hn::Add(yb, xa)),
                                hn::ShiftLeft<16>(gatherLanes<F>(l, words, hn::Add(yb, xb))));
            }
            filterPairs<F>(w, top, bottom, f, i);
        } else if constexpr (kBytes == 4) {
            filterBytes<F>(w, gatherLanes<F>(l, words, hn::Add(ya, xa)),
                           gatherLanes<F>(l, words, hn::Add(ya, xb)),
                           gatherLanes<F>(l, words, hn::Add(yb, xa)),
                           gatherLanes<F>(l, words, hn::Add(yb, xb)), f, i);
        } else
#endif
        {
            (void)base;
            filterLanes<F>(w, gatherLanes<F>(l, words, hn::Add(ya, xa)),
                           gatherLanes<F>(l, words, hn::Add(ya, xb)),
                           gatherLanes<F>(l, words, hn::Add(yb, xa)),
                           gatherLanes<F>(l, words, hn::Add(yb, xb)), f, i);
        }
        // Four opaque texels filter to 255 whatever the weights.
        if (!PixelTraits<F>::kAlpha)
            hn::StoreU(hn::Set(di, 255), di, f.texel[3] + i);
    }
}

#define RASTER_SIMD_SAMPLERS(name, format)                            \
    void linearWrap##name(const Sampler& s, int set, Fragments& f) {  \
        linearSample<PixelFormat::format, false>(s, set, f);          \
    }                                                                 \
    void linearClamp##name(const Sampler& s, int set, Fragments& f) { \
        linearSample<PixelFormat::format, true>(s, set, f);           \
    }
RASTER_SIMD_SAMPLERS(ARGB, A8R8G8B8)
RASTER_SIMD_SAMPLERS(XRGB, X8R8G8B8)
RASTER_SIMD_SAMPLERS(RGB565, R5G6B5)
RASTER_SIMD_SAMPLERS(XRGB1555, X1R5G5B5)
RASTER_SIMD_SAMPLERS(ARGB1555, A1R5G5B5)
RASTER_SIMD_SAMPLERS(ARGB4444, A4R4G4B4)
#undef RASTER_SIMD_SAMPLERS

}  // namespace HWY_NAMESPACE
}  // namespace platform::d3d::raster
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace platform::d3d::raster {
namespace {

#define RASTER_SIMD_DISPATCH(name)                                    \
    HWY_EXPORT(linearWrap##name);                                     \
    HWY_EXPORT(linearClamp##name);                                    \
    void sampleWrap##name(const Sampler& s, int set, Fragments& f) {  \
        HWY_DYNAMIC_DISPATCH(linearWrap##name)(s, set, f);            \
    }                                                                 \
    void sampleClamp##name(const Sampler& s, int set, Fragments& f) { \
        HWY_DYNAMIC_DISPATCH(linearClamp##name)(s, set, f);           \
    }
RASTER_SIMD_DISPATCH(ARGB)
RASTER_SIMD_DISPATCH(XRGB)
RASTER_SIMD_DISPATCH(RGB565)
RASTER_SIMD_DISPATCH(XRGB1555)
RASTER_SIMD_DISPATCH(ARGB1555)
RASTER_SIMD_DISPATCH(ARGB4444)
#undef RASTER_SIMD_DISPATCH

bool simdFromEnvironment() {
    const char* value = std::getenv("D3DDRIVER_RASTER_SIMD");
    return value == nullptr || std::strcmp(value, "0") != 0;
}

std::atomic<bool>& simdOn() {
    static std::atomic<bool> on{simdFromEnvironment()};
    return on;
}

}  // namespace

void setRasterSimd(bool on) {
    simdOn().store(on);
}

bool rasterSimdOn() {
    return simdOn().load();
}

SampleFn chooseSimdLinear(PixelFormat format, bool clamp) {
    if (!rasterSimdOn())
        return nullptr;
    switch (format) {
        case PixelFormat::A8R8G8B8:
            return clamp ? sampleClampARGB : sampleWrapARGB;
        case PixelFormat::X8R8G8B8:
            return clamp ? sampleClampXRGB : sampleWrapXRGB;
        case PixelFormat::R5G6B5:
            return clamp ? sampleClampRGB565 : sampleWrapRGB565;
        case PixelFormat::X1R5G5B5:
            return clamp ? sampleClampXRGB1555 : sampleWrapXRGB1555;
        case PixelFormat::A1R5G5B5:
            return clamp ? sampleClampARGB1555 : sampleWrapARGB1555;
        case PixelFormat::A4R4G4B4:
            return clamp ? sampleClampARGB4444 : sampleWrapARGB4444;
        default:
            return nullptr;
    }
}

}  // namespace platform::d3d::raster
#endif  // HWY_ONCE
