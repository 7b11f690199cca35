// Texture sampling of one stage: texel addressing (wrap, mirror, clamp,
// border), point and bilinear filtering, mip level selection and the colour
// key test of each texel read.
//
// Level of detail is computed per pixel from the analytic screen-space
// derivatives of the texture coordinates (with perspective, d(U/Q)/dx =
// (dU/dx - u dQ/dx) / Q), in texels of level 0: lod = log2(max(|d/dx|, |d/dy|))
// + D3DTSS_MIPMAPLODBIAS. lod <= 0 magnifies (MAGFILTER at the top level),
// otherwise MINFILTER applies with MIPFILTER choosing the nearest level
// (round(lod)) or blending the two around it. D3DTSS_MAXMIPLEVEL is the
// largest level used.
//
// With bilinear filtering and a colour key, keyed texels drop out of the
// filter; the fragment is discarded when they hold half or more of its weight.
#include "pixel_format.h"
#include "stages.h"

#include <cmath>

namespace platform::d3d::raster {
namespace {

inline int wrapIndex(int i, int size, int mask) {
    if (mask >= 0)
        return i & mask;
    const int m = i % size;
    return m < 0 ? m + size : m;
}

inline int addressIndex(DWORD mode, int i, int size, int mask, bool& border) {
    switch (mode) {
        case D3DTADDRESS_MIRROR: {
            const int period = 2 * size;
            int m = i % period;
            if (m < 0)
                m += period;
            return m < size ? m : period - 1 - m;
        }
        case D3DTADDRESS_CLAMP:
            return i < 0 ? 0 : (i >= size ? size - 1 : i);
        case D3DTADDRESS_BORDER:
            if (i < 0 || i >= size)
                border = true;
            return i < 0 ? 0 : (i >= size ? size - 1 : i);
        default:
            return wrapIndex(i, size, mask);
    }
}

template <PixelFormat F>
inline uint32_t rawAt(const LevelInfo& l, int x, int y) {
    using Raw = typename PixelTraits<F>::Raw;
    return loadRaw<F>(l.pixels + static_cast<ptrdiff_t>(y) * l.pitch +
                      static_cast<ptrdiff_t>(x) * static_cast<ptrdiff_t>(sizeof(Raw)));
}

struct Color4 {
    int32_t c[4];
};

// One addressed texel; returns false when the texel is colour keyed.
template <PixelFormat F>
inline bool texelAt(const Sampler& s, const LevelInfo& l, int x, int y, Color4& out) {
    bool border = false;
    x = addressIndex(s.addressU, x, l.width, l.wmask, border);
    y = addressIndex(s.addressV, y, l.height, l.hmask, border);
    if (border) {
        for (int c = 0; c < 4; ++c)
            out.c[c] = s.border[c];
        return true;
    }
    const uint32_t raw = rawAt<F>(l, x, y);
    uint32_t r, g, b, a;
    PixelTraits<F>::unpack(raw, r, g, b, a);
    out.c[0] = static_cast<int32_t>(r);
    out.c[1] = static_cast<int32_t>(g);
    out.c[2] = static_cast<int32_t>(b);
    out.c[3] = static_cast<int32_t>(a);
    return !(s.colorKey && (raw & s.keyMask) == s.keyValue);
}

template <PixelFormat F>
inline bool samplePointAt(const Sampler& s, const LevelInfo& l, float u, float v, Color4& out) {
    return texelAt<F>(s, l, floorToInt(u * l.fwidth), floorToInt(v * l.fheight), out);
}

inline int32_t fraction256(float t, int32_t i) {
    int32_t f = static_cast<int32_t>((t - static_cast<float>(i)) * 256.0f);
    f = f < 0 ? 0 : f;
    return f > 255 ? 255 : f;
}

template <PixelFormat F>
inline bool sampleLinearAt(const Sampler& s, const LevelInfo& l, float u, float v, Color4& out) {
    const float tx = u * l.fwidth - 0.5f;
    const float ty = v * l.fheight - 0.5f;
    const int32_t x0 = floorToInt(tx), y0 = floorToInt(ty);
    const int32_t fx = fraction256(tx, x0), fy = fraction256(ty, y0);
    Color4 t[4];
    bool ok[4];
    ok[0] = texelAt<F>(s, l, x0, y0, t[0]);
    ok[1] = texelAt<F>(s, l, x0 + 1, y0, t[1]);
    ok[2] = texelAt<F>(s, l, x0, y0 + 1, t[2]);
    ok[3] = texelAt<F>(s, l, x0 + 1, y0 + 1, t[3]);
    const int32_t w[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    int32_t total = 65536;
    if (s.colorKey) {
        for (int k = 0; k < 4; ++k) {
            if (!ok[k])
                total -= w[k];
        }
        if (total * 2 <= 65536)
            return false;
    }
    for (int c = 0; c < 4; ++c) {
        int64_t sum = 0;
        for (int k = 0; k < 4; ++k) {
            if (ok[k])
                sum += static_cast<int64_t>(w[k]) * t[k].c[c];
        }
        out.c[c] = static_cast<int32_t>((sum + total / 2) / total);
    }
    return true;
}

template <PixelFormat F>
inline bool sampleLevel(const Sampler& s, int level, bool linear, float u, float v, Color4& out) {
    const LevelInfo& l = s.levels[level];
    return linear ? sampleLinearAt<F>(s, l, u, v, out) : samplePointAt<F>(s, l, u, v, out);
}

float levelOfDetail(const Sampler& s, const Fragments& f, int set, int i) {
    const Setup& st = *f.setup;
    const Plane& pu = st.attr[attrU(set)];
    const Plane& pv = st.attr[attrV(set)];
    float dudx = pu.dx, dudy = pu.dy, dvdx = pv.dx, dvdy = pv.dy;
    if (st.perspective) {
        const float w = f.w[i], u = f.u[set][i], v = f.v[set][i];
        dudx = (dudx - u * st.q.dx) * w;
        dudy = (dudy - u * st.q.dy) * w;
        dvdx = (dvdx - v * st.q.dx) * w;
        dvdy = (dvdy - v * st.q.dy) * w;
    }
    const float fw = s.levels[0].fwidth, fh = s.levels[0].fheight;
    dudx *= fw;
    dudy *= fw;
    dvdx *= fh;
    dvdy *= fh;
    const float rx = dudx * dudx + dvdx * dvdx;
    const float ry = dudy * dudy + dvdy * dvdy;
    const float r = rx > ry ? rx : ry;
    if (!(r > 0.0f) || !std::isfinite(r))
        return r > 0.0f ? 64.0f : -64.0f;
    return 0.5f * std::log2(r) + s.lodBias;
}

template <PixelFormat F>
bool sampleMipmapped(const Sampler& s, const Fragments& f, int set, int i, Color4& out) {
    const float u = f.u[set][i], v = f.v[set][i];
    if (!s.needLod)
        return sampleLevel<F>(s, s.baseLevel, s.magLinear, u, v, out);
    const float lod = levelOfDetail(s, f, set, i);
    if (lod <= 0.0f)
        return sampleLevel<F>(s, s.baseLevel, s.magLinear, u, v, out);
    const int last = s.levelCount - 1;
    if (s.mip == 0)
        return sampleLevel<F>(s, s.baseLevel, s.minLinear, u, v, out);
    if (s.mip == 1) {
        int level = static_cast<int>(lod + 0.5f);
        level = level < s.baseLevel ? s.baseLevel : (level > last ? last : level);
        return sampleLevel<F>(s, level, s.minLinear, u, v, out);
    }
    const int l0 = static_cast<int>(lod);
    if (l0 >= last)
        return sampleLevel<F>(s, last, s.minLinear, u, v, out);
    if (l0 < s.baseLevel)
        return sampleLevel<F>(s, s.baseLevel, s.minLinear, u, v, out);
    const int32_t t = fraction256(lod, l0);
    Color4 a, b;
    const bool okA = sampleLevel<F>(s, l0, s.minLinear, u, v, a);
    const bool okB = sampleLevel<F>(s, l0 + 1, s.minLinear, u, v, b);
    for (int c = 0; c < 4; ++c)
        out.c[c] = (a.c[c] * (256 - t) + b.c[c] * t + 128) >> 8;
    return t < 128 ? okA : okB;
}

// Any addressing, filter, mip mode and colour key; dead pixels are skipped.
template <PixelFormat F>
void sampleGeneric(const Sampler& s, int set, Fragments& f) {
    for (int i = 0; i < f.n; ++i) {
        if (!f.live[i])
            continue;
        Color4 t{};
        const bool ok = sampleMipmapped<F>(s, f, set, i, t);
        for (int c = 0; c < 4; ++c)
            f.texel[c][i] = t.c[c];
        if (!ok)
            f.keyed[i] = 1;
    }
}

// Fast paths: one level, wrap addressing on power-of-two sizes, no key. Each
// is split into a vectorisable addressing pass, a plain gather of raw texels
// and a vectorisable unpack pass.

template <PixelFormat F>
inline void unpackSpan(const uint32_t* raw, int n, Channels& out) {
    for (int i = 0; i < n; ++i) {
        uint32_t r, g, b, a;
        PixelTraits<F>::unpack(raw[i], r, g, b, a);
        out[0][i] = static_cast<int32_t>(r);
        out[1][i] = static_cast<int32_t>(g);
        out[2][i] = static_cast<int32_t>(b);
        out[3][i] = static_cast<int32_t>(a);
    }
}

template <PixelFormat F>
inline void gather(const LevelInfo& l, const int32_t* offset, int n, uint32_t* raw) {
    for (int i = 0; i < n; ++i)
        raw[i] = loadRaw<F>(l.pixels + offset[i]);
}

template <PixelFormat F>
RASTER_SPAN_LOOP void samplePointWrap(const Sampler& s, int set, Fragments& f) {
    using Raw = typename PixelTraits<F>::Raw;
    const LevelInfo& l = s.levels[s.baseLevel];
    const float* u = f.u[set];
    const float* v = f.v[set];
    const int n = f.n;
    const float fw = l.fwidth, fh = l.fheight;
    const int32_t wmask = l.wmask, hmask = l.hmask, pitch = l.pitch;
    int32_t offset[kSpan];
    for (int i = 0; i < n; ++i) {
        const int32_t x = floorToInt(u[i] * fw) & wmask;
        const int32_t y = floorToInt(v[i] * fh) & hmask;
        offset[i] = y * pitch + x * static_cast<int32_t>(sizeof(Raw));
    }
    uint32_t raw[kSpan];
    gather<F>(l, offset, n, raw);
    unpackSpan<F>(raw, n, f.texel);
}

template <PixelFormat F>
RASTER_SPAN_LOOP void sampleLinearWrap(const Sampler& s, int set, Fragments& f) {
    using Raw = typename PixelTraits<F>::Raw;
    const LevelInfo& l = s.levels[s.baseLevel];
    const float* u = f.u[set];
    const float* v = f.v[set];
    const int n = f.n;
    const float fw = l.fwidth, fh = l.fheight;
    const int32_t wmask = l.wmask, hmask = l.hmask, pitch = l.pitch;
    const int32_t bpp = static_cast<int32_t>(sizeof(Raw));
    int32_t off[4][kSpan];
    int32_t fx[kSpan], fy[kSpan];
    for (int i = 0; i < n; ++i) {
        const float tx = u[i] * fw - 0.5f;
        const float ty = v[i] * fh - 0.5f;
        const int32_t x0 = floorToInt(tx), y0 = floorToInt(ty);
        fx[i] = fraction256(tx, x0);
        fy[i] = fraction256(ty, y0);
        const int32_t xa = (x0 & wmask) * bpp, xb = ((x0 + 1) & wmask) * bpp;
        const int32_t ya = (y0 & hmask) * pitch, yb = ((y0 + 1) & hmask) * pitch;
        off[0][i] = ya + xa;
        off[1][i] = ya + xb;
        off[2][i] = yb + xa;
        off[3][i] = yb + xb;
    }
    alignas(32) Channels t[4];
    uint32_t raw[kSpan];
    for (int k = 0; k < 4; ++k) {
        gather<F>(l, off[k], n, raw);
        unpackSpan<F>(raw, n, t[k]);
    }
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < n; ++i) {
            const int32_t top = t[0][c][i] * (256 - fx[i]) + t[1][c][i] * fx[i];
            const int32_t bottom = t[2][c][i] * (256 - fx[i]) + t[3][c][i] * fx[i];
            f.texel[c][i] = (top * (256 - fy[i]) + bottom * fy[i] + 32768) >> 16;
        }
    }
}

}  // namespace

void sampleWhite(const Sampler&, int, Fragments& f) {
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < f.n; ++i)
            f.texel[c][i] = 255;
    }
}

SampleFn chooseSampler(const Sampler& s) {
    if (s.levelCount == 0)
        return sampleWhite;
    const LevelInfo& base = s.levels[s.baseLevel];
    const bool oneLevel = !s.needLod && !s.colorKey;
    const bool fast = oneLevel && s.addressU == D3DTADDRESS_WRAP &&
                      s.addressV == D3DTADDRESS_WRAP && base.wmask >= 0 && base.hmask >= 0;
    const bool clamped = oneLevel && s.magLinear && s.addressU == D3DTADDRESS_CLAMP &&
                         s.addressV == D3DTADDRESS_CLAMP;
    SampleFn fn = sampleWhite;
    dispatchFormat(s.format, [&](auto tag) {
        constexpr PixelFormat F = decltype(tag)::value;
        if (clamped) {
            const SampleFn simd = chooseSimdLinear(F, true);
            fn = simd != nullptr ? simd : sampleGeneric<F>;
        } else if (!fast) {
            fn = sampleGeneric<F>;
        } else if (s.magLinear) {
            const SampleFn simd = chooseSimdLinear(F, false);
            fn = simd != nullptr ? simd : sampleLinearWrap<F>;
        } else {
            fn = samplePointWrap<F>;
        }
    });
    return fn;
}

bool stageSample(const Pipeline& p, int unit, Fragments& f) {
    const TextureUnit& u = p.units[unit];
    u.sampler.fn(u.sampler, u.texSet, f);
    return true;
}

}  // namespace platform::d3d::raster
