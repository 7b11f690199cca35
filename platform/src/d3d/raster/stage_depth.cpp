// Depth test and write, specialised per depth format and comparison.
// The fragment's z (0..1) is quantised as z * (2^bits - 1), rounded; D24X8
// and D15S1 keep depth in the low bits and leave the stencil bits as they were.
// When nothing after the test can discard a fragment, the test writes at
// once; otherwise the write is a separate stage after alpha test and key.
#include "depth_traits.h"
#include "stages.h"

#include <cstring>

namespace platform::d3d::raster {
namespace {

// Element-wise copies: spans are short, a library call per copy costs more.
template <class Raw>
inline void loadSpan(const BYTE* row, int n, Raw* out) {
    for (int i = 0; i < n; ++i)
        std::memcpy(&out[i], row + i * sizeof(Raw), sizeof(Raw));
}

template <class Raw>
inline void storeSpan(const Raw* in, int n, BYTE* row) {
    for (int i = 0; i < n; ++i)
        std::memcpy(row + i * sizeof(Raw), &in[i], sizeof(Raw));
}

template <DepthFormat D>
inline BYTE* depthRow(const Pipeline& p, const Fragments& f) {
    using Raw = typename DepthTraits<D>::Raw;
    return p.depth.data + static_cast<ptrdiff_t>(f.y) * p.depth.pitch +
           static_cast<ptrdiff_t>(f.x) * static_cast<ptrdiff_t>(sizeof(Raw));
}

template <DepthFormat D, DWORD Func, bool WriteNow>
RASTER_SPAN_LOOP bool depthTest(const Pipeline& p, int, Fragments& f) {
    using T = DepthTraits<D>;
    using Raw = typename T::Raw;
    BYTE* row = depthRow<D>(p, f);
    const int n = f.n;
    Raw old[kSpan];
    loadSpan(row, n, old);
    uint32_t any = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t q = T::quantize(f.z[i]);
        f.depth[i] = q;
        const uint8_t live =
            static_cast<uint8_t>(f.live[i] & (passes<Func>(q, T::value(old[i])) ? 1 : 0));
        f.live[i] = live;
        any |= live;
        if (WriteNow)
            old[i] = live ? T::merge(old[i], q) : old[i];
    }
    if (WriteNow)
        storeSpan(old, n, row);
    return any != 0;
}

template <DepthFormat D>
RASTER_SPAN_LOOP bool depthWrite(const Pipeline& p, int, Fragments& f) {
    using T = DepthTraits<D>;
    using Raw = typename T::Raw;
    BYTE* row = depthRow<D>(p, f);
    const int n = f.n;
    Raw old[kSpan];
    loadSpan(row, n, old);
    for (int i = 0; i < n; ++i)
        old[i] = f.live[i] ? T::merge(old[i], f.depth[i]) : old[i];
    storeSpan(old, n, row);
    return true;
}

template <DepthFormat D, bool WriteNow>
StageFn chooseTest(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER:
            return depthTest<D, D3DCMP_NEVER, WriteNow>;
        case D3DCMP_LESS:
            return depthTest<D, D3DCMP_LESS, WriteNow>;
        case D3DCMP_EQUAL:
            return depthTest<D, D3DCMP_EQUAL, WriteNow>;
        case D3DCMP_LESSEQUAL:
            return depthTest<D, D3DCMP_LESSEQUAL, WriteNow>;
        case D3DCMP_GREATER:
            return depthTest<D, D3DCMP_GREATER, WriteNow>;
        case D3DCMP_NOTEQUAL:
            return depthTest<D, D3DCMP_NOTEQUAL, WriteNow>;
        case D3DCMP_GREATEREQUAL:
            return depthTest<D, D3DCMP_GREATEREQUAL, WriteNow>;
        default:
            return depthTest<D, D3DCMP_ALWAYS, WriteNow>;
    }
}

template <DepthFormat D>
StageFn chooseTestFor(DWORD func, bool writeNow) {
    return writeNow ? chooseTest<D, true>(func) : chooseTest<D, false>(func);
}

}  // namespace

StageFn chooseDepthTest(DepthFormat format, DWORD func, bool writeNow) {
    if (const StageFn simd = chooseSimdDepthTest(format, func, writeNow))
        return simd;
    switch (format) {
        case DepthFormat::D16:
            return chooseTestFor<DepthFormat::D16>(func, writeNow);
        case DepthFormat::D15S1:
            return chooseTestFor<DepthFormat::D15S1>(func, writeNow);
        case DepthFormat::D24X8:
            return chooseTestFor<DepthFormat::D24X8>(func, writeNow);
        case DepthFormat::D32:
            return chooseTestFor<DepthFormat::D32>(func, writeNow);
        case DepthFormat::None:
            break;
    }
    return nullptr;
}

StageFn chooseDepthWrite(DepthFormat format) {
    switch (format) {
        case DepthFormat::D16:
            return depthWrite<DepthFormat::D16>;
        case DepthFormat::D15S1:
            return depthWrite<DepthFormat::D15S1>;
        case DepthFormat::D24X8:
            return depthWrite<DepthFormat::D24X8>;
        case DepthFormat::D32:
            return depthWrite<DepthFormat::D32>;
        case DepthFormat::None:
            break;
    }
    return nullptr;
}

}  // namespace platform::d3d::raster
