// The common blends (translucent, additive, additive by alpha, screen) into
// R5G6B5 and X8R8G8B8 targets, blended and written in one pass on SIMD lanes
// with Google Highway, compiled for each x86 instruction set Highway knows;
// the widest the processor runs is chosen when a pipeline is compiled. Every
// lane computes what the scalar blend and write stages compute for its pixel,
// bit for bit; they stay the reference (D3DDRIVER_RASTER_SIMD=0) and finish
// a span that ends too near its row's end for a whole vector.
//
// Why it pays: the scalar stages unpack the target into four channel arrays,
// blend them into four more and pack them again, three passes through memory
// for what the registers hold in one; effects draw most of their pixels so.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "d3d/raster/stage_blend_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "pixel_format.h"
#include "stages.h"

HWY_BEFORE_NAMESPACE();
namespace platform::d3d::raster {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using DU = hn::RebindToUnsigned<DF>;
using D16 = hn::Rebind<uint16_t, DF>;
using D8 = hn::Rebind<uint8_t, DF>;
using VI = hn::Vec<DI>;

// mul255 of fragment.h on lanes of 0..255, 32 or 16 bits wide: a * b + 128
// is at most 65153, so even 16 bits hold it.
template <class V>
HWY_INLINE V mul255Lanes(V a, V b) {
    const V t = hn::Add(hn::Mul(a, b), hn::Set(hn::DFromV<V>(), 128));
    return hn::ShiftRight<8>(hn::Add(t, hn::ShiftRight<8>(t)));
}

// The red, green and blue fields of a target pixel: shift and bits.
template <PixelFormat F>
constexpr int fieldShift(int c) {
    return F == PixelFormat::R5G6B5 ? (c == 0 ? 11 : c == 1 ? 5 : 0) : 16 - 8 * c;
}
template <PixelFormat F>
constexpr int fieldBits(int c) {
    return F == PixelFormat::R5G6B5 ? (c == 1 ? 6 : 5) : 8;
}

template <PixelFormat F>
HWY_INLINE VI loadPixels(const BYTE* row, int i) {
    if constexpr (F == PixelFormat::R5G6B5) {
        return hn::PromoteTo(DI(), hn::LoadU(D16(), reinterpret_cast<const uint16_t*>(row) + i));
    } else {
        return hn::BitCast(DI(), hn::LoadU(DU(), reinterpret_cast<const uint32_t*>(row) + i));
    }
}

template <PixelFormat F>
HWY_INLINE void storePixels(VI pixels, BYTE* row, int i) {
    if constexpr (F == PixelFormat::R5G6B5) {
        hn::StoreU(hn::DemoteTo(D16(), pixels), D16(), reinterpret_cast<uint16_t*>(row) + i);
    } else {
        hn::StoreU(hn::BitCast(DU(), pixels), DU(), reinterpret_cast<uint32_t*>(row) + i);
    }
}

// Two products summed stay below 511, so 16-bit lanes serve as well.
template <CommonBlend M, class V>
HWY_INLINE V blendLanes(V source, V sourceAlpha, V dest) {
    const V full = hn::Set(hn::DFromV<V>(), 255);
    switch (M) {
        case CommonBlend::Translucent:
            return hn::Add(mul255Lanes(source, sourceAlpha),
                           mul255Lanes(dest, hn::Sub(full, sourceAlpha)));
        case CommonBlend::Additive:
            return hn::Add(mul255Lanes(source, full), mul255Lanes(dest, full));
        case CommonBlend::Screen:
            return hn::Add(mul255Lanes(source, full), mul255Lanes(dest, hn::Sub(full, source)));
        default:  // AdditiveByAlpha
            return hn::Add(mul255Lanes(source, sourceAlpha), mul255Lanes(dest, full));
    }
}

template <CommonBlend M>
inline int32_t blendScalar(int32_t source, int32_t sourceAlpha, int32_t dest) {
    switch (M) {
        case CommonBlend::Translucent:
            return mul255(source, sourceAlpha) + mul255(dest, 255 - sourceAlpha);
        case CommonBlend::Additive:
            return mul255(source, 255) + mul255(dest, 255);
        case CommonBlend::Screen:
            return mul255(source, 255) + mul255(dest, 255 - source);
        default:
            return mul255(source, sourceAlpha) + mul255(dest, 255);
    }
}

// The span's first pixel in the target.
template <PixelFormat F>
HWY_INLINE BYTE* spanPixels(const Pipeline& p, const Fragments& f) {
    using Raw = typename PixelTraits<F>::Raw;
    return p.target.pixels + static_cast<ptrdiff_t>(f.y) * p.target.pitch +
           static_cast<ptrdiff_t>(f.x) * static_cast<ptrdiff_t>(sizeof(Raw));
}

// Whether the vector of pixels i .. may be read and written whole: a last,
// partial vector writes the pixels after the span back as they were, which
// is safe on this row, since one worker owns it, but not past the row's end
// (those pixels are left to the scalar loop).
HWY_INLINE bool vectorFits(const Pipeline& p, const Fragments& f, int i, int lanes) {
    return i + lanes <= f.n || f.x + i + lanes <= static_cast<int>(p.target.width);
}

// The lanes of pixels i .. that are live and within the span.
HWY_INLINE auto writtenLanes(const Fragments& f, int i) {
    const DI di;
    const VI live = hn::PromoteTo(di, hn::LoadU(D8(), f.live + i));
    return hn::And(live != hn::Zero(di), hn::FirstN(di, static_cast<size_t>(f.n - i)));
}

#if HWY_TARGET != HWY_SCALAR
// Lanes i .. of a channel in 16-bit lanes, twice as many as a vector of its
// 32-bit values.
HWY_INLINE hn::Vec<hn::ScalableTag<uint16_t>> channelWide(const int32_t* c, int i) {
    const hn::ScalableTag<uint16_t> dw;
    const DI di;
    const D16 dh;
    const int half = static_cast<int>(hn::Lanes(di));
    return hn::Combine(dw, hn::DemoteTo(dh, hn::LoadU(di, c + i + half)),
                       hn::DemoteTo(dh, hn::LoadU(di, c + i)));
}
#endif

// R5G6B5 in 16-bit lanes, twice the pixels of a vector per step: the
// target's own width. Returns the pixels done.
template <CommonBlend M>
HWY_INLINE int blendWrite565(const Fragments& f, BYTE* row) {
#if HWY_TARGET == HWY_SCALAR
    (void)f;
    (void)row;
    return 0;  // one lane: nothing to pair
#else
    using DW = hn::ScalableTag<uint16_t>;
    using VW = hn::Vec<DW>;
    const DW dw;
    const hn::Rebind<uint8_t, DW> d8;
    const int lanes = static_cast<int>(hn::Lanes(dw));
    const auto channel = [&](const int32_t* c, int i) { return channelWide(c, i); };
    const VW top = hn::Set(dw, 255);
    int i = 0;
    for (; i + lanes <= f.n; i += lanes) {
        uint16_t* const pixels = reinterpret_cast<uint16_t*>(row) + i;
        const VW old = hn::LoadU(dw, pixels);
        const VW alpha = channel(f.current[3], i);
        VW packed = hn::Zero(dw);
        for (int c = 0; c < 3; ++c) {
            const int shift = fieldShift<PixelFormat::R5G6B5>(c);
            const int bits = fieldBits<PixelFormat::R5G6B5>(c);
            VW dest = hn::And(hn::ShiftRightSame(old, shift), hn::Set(dw, (1 << bits) - 1));
            dest = hn::Or(hn::ShiftLeftSame(dest, 8 - bits), hn::ShiftRightSame(dest, 2 * bits - 8));
            const VW v = hn::Min(blendLanes<M>(channel(f.current[c], i), alpha, dest), top);
            packed = hn::Or(packed, hn::ShiftLeftSame(hn::ShiftRightSame(v, 8 - bits), shift));
        }
        const VW live = hn::PromoteTo(dw, hn::LoadU(d8, f.live + i));
        hn::StoreU(hn::IfThenElse(live != hn::Zero(dw), packed, old), dw, pixels);
    }
    return i;
#endif
}

template <PixelFormat F, CommonBlend M>
bool blendWrite(const Pipeline& p, int, Fragments& f) {
    using T = PixelTraits<F>;
    using Raw = typename T::Raw;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(di));
    BYTE* const row = spanPixels<F>(p, f);
    const VI top = hn::Set(di, 255);
    const int n = f.n;
    int i = 0;
    if constexpr (F == PixelFormat::R5G6B5)
        i = blendWrite565<M>(f, row);
    for (; i < n && vectorFits(p, f, i, lanes); i += lanes) {
        const VI old = loadPixels<F>(row, i);
        const VI alpha = hn::LoadU(di, f.current[3] + i);
        VI packed = F == PixelFormat::X8R8G8B8 ? hn::Set(di, static_cast<int32_t>(0xff000000u))
                                               : hn::Zero(di);
        for (int c = 0; c < 3; ++c) {
            const int shift = fieldShift<F>(c), bits = fieldBits<F>(c);
            VI dest = hn::And(hn::ShiftRightSame(old, shift), hn::Set(di, (1 << bits) - 1));
            if (bits < 8)
                dest = hn::Or(hn::ShiftLeftSame(dest, 8 - bits), hn::ShiftRightSame(dest, 2 * bits - 8));
            const VI v = hn::Min(blendLanes<M>(hn::LoadU(di, f.current[c] + i), alpha, dest), top);
            packed = hn::Or(packed, hn::ShiftLeftSame(hn::ShiftRightSame(v, 8 - bits), shift));
        }
        storePixels<F>(hn::IfThenElse(writtenLanes(f, i), packed, old), row, i);
    }
    for (; i < n; ++i) {
        if (!f.live[i])
            continue;
        BYTE* const at = row + i * sizeof(Raw);
        uint32_t dest[4];
        T::unpack(loadRaw<F>(at), dest[0], dest[1], dest[2], dest[3]);
        uint32_t v[3];
        for (int c = 0; c < 3; ++c) {
            const int32_t b = blendScalar<M>(f.current[c][i], f.current[3][i],
                                             static_cast<int32_t>(dest[c]));
            v[c] = static_cast<uint32_t>(b > 255 ? 255 : b);
        }
        storeRaw<F>(at, T::pack(v[0], v[1], v[2], 0));
    }
    return true;
}

// The opaque write: current packed into the target for live pixels, 16-bit
// targets in 16-bit lanes, a span's end as in the blend.
template <PixelFormat F>
bool writeLanes(const Pipeline& p, int, Fragments& f) {
    using T = PixelTraits<F>;
    using Raw = typename T::Raw;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(di));
    BYTE* const row = spanPixels<F>(p, f);
    const int n = f.n;
    int i = 0;
#if HWY_TARGET != HWY_SCALAR
    if constexpr (F == PixelFormat::R5G6B5) {
        using DW = hn::ScalableTag<uint16_t>;
        const DW dw;
        const hn::Rebind<uint8_t, DW> d8w;
        const int wide = static_cast<int>(hn::Lanes(dw));
        for (; i + wide <= n; i += wide) {
            uint16_t* const pixels = reinterpret_cast<uint16_t*>(row) + i;
            auto packed = hn::Zero(dw);
            for (int c = 0; c < 3; ++c) {
                const int shift = fieldShift<F>(c), bits = fieldBits<F>(c);
                packed = hn::Or(packed, hn::ShiftLeftSame(hn::ShiftRightSame(channelWide(f.current[c], i),
                                                                             8 - bits),
                                                          shift));
            }
            const auto live = hn::PromoteTo(dw, hn::LoadU(d8w, f.live + i));
            hn::StoreU(hn::IfThenElse(live != hn::Zero(dw), packed, hn::LoadU(dw, pixels)), dw,
                       pixels);
        }
    }
#endif
    for (; i < n && vectorFits(p, f, i, lanes); i += lanes) {
        VI packed = F == PixelFormat::X8R8G8B8 ? hn::Set(di, static_cast<int32_t>(0xff000000u))
                                               : hn::Zero(di);
        for (int c = 0; c < 3; ++c) {
            const int shift = fieldShift<F>(c), bits = fieldBits<F>(c);
            const VI v = hn::LoadU(di, f.current[c] + i);
            packed = hn::Or(packed, hn::ShiftLeftSame(hn::ShiftRightSame(v, 8 - bits), shift));
        }
        storePixels<F>(hn::IfThenElse(writtenLanes(f, i), packed, loadPixels<F>(row, i)), row, i);
    }
    for (; i < n; ++i) {
        if (f.live[i])
            storeRaw<F>(row + i * sizeof(Raw),
                        T::pack(static_cast<uint32_t>(f.current[0][i]),
                                static_cast<uint32_t>(f.current[1][i]),
                                static_cast<uint32_t>(f.current[2][i]), 0));
    }
    return true;
}

template <PixelFormat F>
StageFn chooseFor(CommonBlend mode) {
    switch (mode) {
        case CommonBlend::Translucent:
            return blendWrite<F, CommonBlend::Translucent>;
        case CommonBlend::Additive:
            return blendWrite<F, CommonBlend::Additive>;
        case CommonBlend::AdditiveByAlpha:
            return blendWrite<F, CommonBlend::AdditiveByAlpha>;
        case CommonBlend::Screen:
            return blendWrite<F, CommonBlend::Screen>;
        default:
            return nullptr;
    }
}

// This target's pass for an R5G6B5 (wide false) or X8R8G8B8 target.
StageFn ChooseBlendWrite(bool wide, CommonBlend mode) {
    return wide ? chooseFor<PixelFormat::X8R8G8B8>(mode) : chooseFor<PixelFormat::R5G6B5>(mode);
}

StageFn ChooseWrite(bool wide) {
    return wide ? writeLanes<PixelFormat::X8R8G8B8> : writeLanes<PixelFormat::R5G6B5>;
}

}  // namespace HWY_NAMESPACE
}  // namespace platform::d3d::raster
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace platform::d3d::raster {

HWY_EXPORT(ChooseBlendWrite);
HWY_EXPORT(ChooseWrite);

StageFn chooseSimdBlendWrite(PixelFormat target, CommonBlend mode) {
    const bool served = target == PixelFormat::R5G6B5 || target == PixelFormat::X8R8G8B8;
    if (!rasterSimdOn() || !served || mode == CommonBlend::None)
        return nullptr;
    return HWY_DYNAMIC_DISPATCH(ChooseBlendWrite)(target == PixelFormat::X8R8G8B8, mode);
}

StageFn chooseSimdWrite(PixelFormat target) {
    const bool served = target == PixelFormat::R5G6B5 || target == PixelFormat::X8R8G8B8;
    if (!rasterSimdOn() || !served)
        return nullptr;
    return HWY_DYNAMIC_DISPATCH(ChooseWrite)(target == PixelFormat::X8R8G8B8);
}

}  // namespace platform::d3d::raster
#endif  // HWY_ONCE
