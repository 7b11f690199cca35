// Alpha blending: current = src * F(SRCBLEND) + dest * F(DESTBLEND), per
// channel, saturated. Destinations without alpha read alpha as 255.
// BOTHSRCALPHA / BOTHINVSRCALPHA as source factor also set the destination
// factor (INVSRCALPHA / SRCALPHA); given as destination factor they act as
// SRCALPHA / INVSRCALPHA. SRCALPHASAT is min(As, 1 - Ad) for colour, 1 for alpha.
#include "pixel_format.h"
#include "stages.h"

namespace platform::d3d::raster {
namespace {

// factor[c][i] for channels 0..3.
RASTER_SPAN_LOOP void blendFactor(DWORD factor, const Fragments& f, Channels& out) {
    const int n = f.n;
    for (int c = 0; c < 4; ++c) {
        int32_t* o = out[c];
        const int32_t* src = f.current[c];
        const int32_t* dst = f.dest[c];
        const int32_t* sa = f.current[3];
        const int32_t* da = f.dest[3];
        switch (factor) {
            case D3DBLEND_ZERO:
                for (int i = 0; i < n; ++i)
                    o[i] = 0;
                break;
            case D3DBLEND_SRCCOLOR:
                for (int i = 0; i < n; ++i)
                    o[i] = src[i];
                break;
            case D3DBLEND_INVSRCCOLOR:
                for (int i = 0; i < n; ++i)
                    o[i] = 255 - src[i];
                break;
            case D3DBLEND_SRCALPHA:
            case D3DBLEND_BOTHSRCALPHA:
                for (int i = 0; i < n; ++i)
                    o[i] = sa[i];
                break;
            case D3DBLEND_INVSRCALPHA:
            case D3DBLEND_BOTHINVSRCALPHA:
                for (int i = 0; i < n; ++i)
                    o[i] = 255 - sa[i];
                break;
            case D3DBLEND_DESTALPHA:
                for (int i = 0; i < n; ++i)
                    o[i] = da[i];
                break;
            case D3DBLEND_INVDESTALPHA:
                for (int i = 0; i < n; ++i)
                    o[i] = 255 - da[i];
                break;
            case D3DBLEND_DESTCOLOR:
                for (int i = 0; i < n; ++i)
                    o[i] = dst[i];
                break;
            case D3DBLEND_INVDESTCOLOR:
                for (int i = 0; i < n; ++i)
                    o[i] = 255 - dst[i];
                break;
            case D3DBLEND_SRCALPHASAT:
                if (c == 3) {
                    for (int i = 0; i < n; ++i)
                        o[i] = 255;
                } else {
                    for (int i = 0; i < n; ++i)
                        o[i] = sa[i] < 255 - da[i] ? sa[i] : 255 - da[i];
                }
                break;
            default:  // ONE
                for (int i = 0; i < n; ++i)
                    o[i] = 255;
                break;
        }
    }
}

template <PixelFormat F>
RASTER_SPAN_LOOP void loadDest(const Pipeline& p, Fragments& f) {
    using Raw = typename PixelTraits<F>::Raw;
    const BYTE* row = p.target.pixels + static_cast<ptrdiff_t>(f.y) * p.target.pitch +
                      static_cast<ptrdiff_t>(f.x) * static_cast<ptrdiff_t>(sizeof(Raw));
    const int n = f.n;
    for (int i = 0; i < n; ++i) {
        uint32_t r, g, b, a;
        PixelTraits<F>::unpack(loadRaw<F>(row + i * sizeof(Raw)), r, g, b, a);
        f.dest[0][i] = static_cast<int32_t>(r);
        f.dest[1][i] = static_cast<int32_t>(g);
        f.dest[2][i] = static_cast<int32_t>(b);
        f.dest[3][i] = static_cast<int32_t>(a);
    }
}

template <PixelFormat F>
RASTER_SPAN_LOOP bool blend(const Pipeline& p, int, Fragments& f) {
    loadDest<F>(p, f);
    const int n = f.n;
    DWORD srcFactor = p.srcBlend, destFactor = p.destBlend;
    if (srcFactor == D3DBLEND_BOTHSRCALPHA)
        destFactor = D3DBLEND_INVSRCALPHA;
    if (srcFactor == D3DBLEND_BOTHINVSRCALPHA)
        destFactor = D3DBLEND_SRCALPHA;
    // arg[0] and arg[1] are free once the cascade is done.
    blendFactor(srcFactor, f, f.arg[0]);
    blendFactor(destFactor, f, f.arg[1]);
    for (int c = 0; c < 4; ++c) {
        int32_t* cur = f.current[c];
        const int32_t* dst = f.dest[c];
        const int32_t* fs = f.arg[0][c];
        const int32_t* fd = f.arg[1][c];
        for (int i = 0; i < n; ++i) {
            const int32_t v = mul255(cur[i], fs[i]) + mul255(dst[i], fd[i]);
            cur[i] = v > 255 ? 255 : v;
        }
    }
    return true;
}

// The common factor pairs without the factor planes: the same sums as the
// general blend.

template <PixelFormat F, CommonBlend M>
RASTER_SPAN_LOOP bool blendCommon(const Pipeline& p, int, Fragments& f) {
    loadDest<F>(p, f);
    const int n = f.n;
    int32_t sourceAlpha[kSpan];
    const int32_t* sa = f.current[3];
    for (int i = 0; i < n; ++i)
        sourceAlpha[i] = sa[i];
    for (int c = 0; c < 4; ++c) {
        int32_t* cur = f.current[c];
        const int32_t* dst = f.dest[c];
        for (int i = 0; i < n; ++i) {
            int32_t v;
            if (M == CommonBlend::Translucent)
                v = mul255(cur[i], sourceAlpha[i]) + mul255(dst[i], 255 - sourceAlpha[i]);
            else if (M == CommonBlend::Additive)
                v = mul255(cur[i], 255) + mul255(dst[i], 255);
            else if (M == CommonBlend::Screen)
                v = mul255(cur[i], 255) + mul255(dst[i], 255 - cur[i]);
            else
                v = mul255(cur[i], sourceAlpha[i]) + mul255(dst[i], 255);
            cur[i] = v > 255 ? 255 : v;
        }
    }
    return true;
}

}  // namespace

CommonBlend commonBlend(DWORD srcBlend, DWORD destBlend) {
    if (srcBlend == D3DBLEND_BOTHSRCALPHA ||
        (srcBlend == D3DBLEND_SRCALPHA &&
         (destBlend == D3DBLEND_INVSRCALPHA || destBlend == D3DBLEND_BOTHINVSRCALPHA)))
        return CommonBlend::Translucent;
    if (srcBlend == D3DBLEND_ONE && destBlend == D3DBLEND_ONE)
        return CommonBlend::Additive;
    if (srcBlend == D3DBLEND_SRCALPHA && destBlend == D3DBLEND_ONE)
        return CommonBlend::AdditiveByAlpha;
    if (srcBlend == D3DBLEND_ONE && destBlend == D3DBLEND_INVSRCCOLOR)
        return CommonBlend::Screen;
    return CommonBlend::None;
}

StageFn chooseBlend(PixelFormat format, DWORD srcBlend, DWORD destBlend) {
    const CommonBlend mode = commonBlend(srcBlend, destBlend);
    StageFn fn = nullptr;
    dispatchFormat(format, [&](auto tag) {
        constexpr PixelFormat F = decltype(tag)::value;
        switch (mode) {
            case CommonBlend::Translucent:
                fn = blendCommon<F, CommonBlend::Translucent>;
                break;
            case CommonBlend::Additive:
                fn = blendCommon<F, CommonBlend::Additive>;
                break;
            case CommonBlend::AdditiveByAlpha:
                fn = blendCommon<F, CommonBlend::AdditiveByAlpha>;
                break;
            case CommonBlend::Screen:
                fn = blendCommon<F, CommonBlend::Screen>;
                break;
            case CommonBlend::None:
                fn = blend<F>;
                break;
        }
    });
    return fn;
}

}  // namespace platform::d3d::raster
