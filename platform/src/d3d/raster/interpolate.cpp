// Attribute interpolation of a span: every plane is evaluated at the span's
// first pixel and stepped by its x gradient; with perspective the attribute
// planes (attribute * rhw) are divided by the rhw plane per pixel.
#include "stages.h"

namespace platform::d3d::raster {
namespace {

inline float planeAt(const Plane& pl, const Setup& s, float x, float y) {
    return pl.c + pl.dx * (x - s.ox) + pl.dy * (y - s.oy);
}

// out[i] = plane(x + i, y) [* w[i]]
template <bool Perspective>
inline void evalFloat(const Plane& pl, const Setup& s, const Fragments& f, float* out) {
    const float base = planeAt(pl, s, static_cast<float>(f.x), static_cast<float>(f.y));
    const float dx = pl.dx;
    const int n = f.n;
    for (int i = 0; i < n; ++i) {
        const float v = base + dx * static_cast<float>(i);
        out[i] = Perspective ? v * f.w[i] : v;
    }
}

// Colour channel: rounded and clamped to 0..255.
template <bool Perspective>
inline void evalColor(const Plane& pl, const Setup& s, const Fragments& f, int32_t* out) {
    const float base = planeAt(pl, s, static_cast<float>(f.x), static_cast<float>(f.y));
    const float dx = pl.dx;
    const int n = f.n;
    for (int i = 0; i < n; ++i) {
        float v = base + dx * static_cast<float>(i);
        if (Perspective)
            v *= f.w[i];
        v = v > 0.0f ? v : 0.0f;
        v = v < 255.0f ? v : 255.0f;
        out[i] = static_cast<int32_t>(v + 0.5f);
    }
}

// A colour equal at every vertex: its value, rounded once, for the whole
// span array on the primitive's first span.
inline void fillConstantColor(const Plane& pl, int32_t* out) {
    float v = pl.c;
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    const auto value = static_cast<int32_t>(v + 0.5f);
    for (int i = 0; i < kSpan; ++i)
        out[i] = value;
}

template <bool Perspective>
inline void evalColorAttr(const Setup& s, int a, Fragments& f, int32_t* out) {
    const uint32_t bit = 1u << a;
    if (s.constantColours & bit) {
        if (!(f.filled & bit))
            fillConstantColor(s.attr[a], out);
        f.filled |= bit;
    } else
        evalColor<Perspective>(s.attr[a], s, f, out);
}

template <bool Perspective>
RASTER_SPAN_LOOP void interpolateSpan(const Pipeline& p, const Setup& s, Fragments& f,
                                      Planes planes) {
    if (p.needZ && planes != Planes::Rest)
        evalFloat<false>(s.z, s, f, f.z);
    if (planes == Planes::Depth)
        return;
    const int n = f.n;
    if (Perspective) {
        const float base = planeAt(s.q, s, static_cast<float>(f.x), static_cast<float>(f.y));
        const float dx = s.q.dx;
        for (int i = 0; i < n; ++i)
            f.w[i] = 1.0f / (base + dx * static_cast<float>(i));
    } else if (!(f.filled & kFilledW)) {
        for (int i = 0; i < kSpan; ++i)
            f.w[i] = s.constW;
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

}  // namespace

void interpolate(const Pipeline& p, const Setup& s, Fragments& f, Planes planes) {
    f.setup = &s;
    if (s.perspective) {
        interpolateSpan<true>(p, s, f, planes);
    } else {
        interpolateSpan<false>(p, s, f, planes);
    }
}

}  // namespace platform::d3d::raster
