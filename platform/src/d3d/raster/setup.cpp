// Primitive setup. Positions snap to 1/256 pixel; edge equations are exact in
// 64-bit integers, so a shared edge evaluates to exactly opposite values in
// its two triangles and the top-left rule gives each pixel to one of them.
// Attribute planes are computed in double from the snapped positions.
#include "setup.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace platform::d3d::raster {
namespace {

inline float channel(D3DCOLOR c, int shift) {
    return static_cast<float>((c >> shift) & 0xff);
}

bool positionOk(const SetupVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::fabs(v.x) <= kGuardBand &&
           std::fabs(v.y) <= kGuardBand;
}

inline int64_t toFixed(float v) {
    return std::llrint(static_cast<double>(v) * kSubPixel);
}

int64_t floorDiv(int64_t a, int64_t d) {
    return a >= 0 ? a / d : -((-a + d - 1) / d);
}

inline int64_t ceilDiv(int64_t a, int64_t d) {
    return -floorDiv(-a, d);
}

// The attributes that the pipeline interpolates, as indices into attr[].
template <class Fn>
void forEachAttr(const Pipeline& p, Fn&& fn) {
    for (int a = kAttrR; a <= kAttrA; ++a)
        fn(a);
    if (p.needSpecular) {
        for (int a = kAttrSpecR; a <= kAttrSpecB; ++a)
            fn(a);
    }
    if (p.needFog)
        fn(kAttrFog);
    for (uint32_t m = p.texSetMask, set = 0; m != 0; m >>= 1, ++set) {
        if (m & 1) {
            fn(attrU(set));
            fn(attrV(set));
        }
    }
}

inline float safeRhw(float rhw) {
    return std::isfinite(rhw) && rhw > 0.0f ? rhw : 1.0f;
}

}  // namespace

int attributesUsed(const Pipeline& p, uint8_t* out) {
    int count = 0;
    forEachAttr(p, [&](int a) { out[count++] = static_cast<uint8_t>(a); });
    return count;
}

void fetchVertex(const Pipeline& p, const VertexSource& src, DWORD index, SetupVertex& out) {
    const BYTE* v = src.data + static_cast<size_t>(index) * src.stride;
    float pos[4];
    std::memcpy(pos, v, sizeof(pos));
    out.x = pos[0];
    out.y = pos[1];
    out.z = pos[2];
    out.rhw = safeRhw(pos[3]);
    D3DCOLOR diffuse = 0xffffffff, specular = 0xff000000;
    if (src.diffuseOffset >= 0)
        std::memcpy(&diffuse, v + src.diffuseOffset, sizeof(diffuse));
    if (src.specularOffset >= 0)
        std::memcpy(&specular, v + src.specularOffset, sizeof(specular));
    out.attr[kAttrR] = channel(diffuse, 16);
    out.attr[kAttrG] = channel(diffuse, 8);
    out.attr[kAttrB] = channel(diffuse, 0);
    out.attr[kAttrA] = channel(diffuse, 24);
    out.attr[kAttrSpecR] = channel(specular, 16);
    out.attr[kAttrSpecG] = channel(specular, 8);
    out.attr[kAttrSpecB] = channel(specular, 0);
    out.attr[kAttrFog] = channel(specular, 24);
    for (uint32_t m = p.texSetMask, set = 0; m != 0; m >>= 1, ++set) {
        if (!(m & 1))
            continue;
        float uv[2] = {0.0f, 0.0f};
        if (src.texOffset >= 0 && set < src.texCount) {
            std::memcpy(uv, v + src.texOffset + set * sizeof(uv), sizeof(uv));
        }
        out.attr[attrU(set)] = uv[0];
        out.attr[attrV(set)] = uv[1];
    }
}

SetupResult setupTriangle(const Pipeline& p, const SetupVertex& v0in, const SetupVertex& v1in,
                          const SetupVertex& v2in, const SetupVertex& provoking, Setup& s,
                          Edges& e) {
    if (!positionOk(v0in) || !positionOk(v1in) || !positionOk(v2in))
        return SetupResult::Empty;
    const SetupVertex* v[3] = {&v0in, &v1in, &v2in};
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = toFixed(v[i]->x);
        Y[i] = toFixed(v[i]->y);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0)
        return SetupResult::Empty;
    // area > 0: clockwise on the screen (y down).
    if ((p.cullMode == D3DCULL_CW && area > 0) || (p.cullMode == D3DCULL_CCW && area < 0)) {
        return SetupResult::Culled;
    }
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }

    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        e.a[i] = Y[i] - Y[j];
        e.b[i] = X[j] - X[i];
        e.c[i] = -(e.a[i] * X[i] + e.b[i] * Y[i]);
        e.topLeft[i] = e.a[i] > 0 || (e.a[i] == 0 && e.b[i] > 0);
    }
    int64_t minX = X[0], maxX = X[0], minY = Y[0], maxY = Y[0];
    for (int i = 1; i < 3; ++i) {
        minX = X[i] < minX ? X[i] : minX;
        maxX = X[i] > maxX ? X[i] : maxX;
        minY = Y[i] < minY ? Y[i] : minY;
        maxY = Y[i] > maxY ? Y[i] : maxY;
    }
    e.xMin = static_cast<int>(ceilDiv(minX, kSubPixel));
    e.xMax = static_cast<int>(floorDiv(maxX, kSubPixel));
    e.yMin = static_cast<int>(ceilDiv(minY, kSubPixel));
    e.yMax = static_cast<int>(floorDiv(maxY, kSubPixel));

    // Planes, relative to the first vertex.
    const double inv = static_cast<double>(kSubPixel);
    const double x0 = X[0] / inv, y0 = Y[0] / inv;
    const double dx1 = (X[1] - X[0]) / inv, dy1 = (Y[1] - Y[0]) / inv;
    const double dx2 = (X[2] - X[0]) / inv, dy2 = (Y[2] - Y[0]) / inv;
    const double darea = static_cast<double>(area) / (inv * inv);
    s.ox = static_cast<float>(x0);
    s.oy = static_cast<float>(y0);
    auto plane = [&](double a0, double a1, double a2) {
        Plane pl;
        pl.c = static_cast<float>(a0);
        pl.dx = static_cast<float>(((a1 - a0) * dy2 - (a2 - a0) * dy1) / darea);
        pl.dy = static_cast<float>(((a2 - a0) * dx1 - (a1 - a0) * dx2) / darea);
        return pl;
    };
    s.z = plane(v[0]->z, v[1]->z, v[2]->z);
    const float r0 = v[0]->rhw, r1 = v[1]->rhw, r2 = v[2]->rhw;
    s.perspective = p.perspective && !(r0 == r1 && r1 == r2);
    s.constW = 1.0f / r0;
    s.q = plane(r0, r1, r2);
    s.constantColours = 0;
    forEachAttr(p, [&](int a) {
        const bool color = a <= kAttrFog;
        double a0 = (color && p.flat) ? provoking.attr[a] : v[0]->attr[a];
        double a1 = (color && p.flat) ? provoking.attr[a] : v[1]->attr[a];
        double a2 = (color && p.flat) ? provoking.attr[a] : v[2]->attr[a];
        if (color && a0 == a1 && a1 == a2) {
            s.constantColours |= 1u << a;
            s.attr[a] = Plane{static_cast<float>(a0), 0, 0};
            return;
        }
        if (s.perspective) {
            a0 *= r0;
            a1 *= r1;
            a2 *= r2;
        }
        s.attr[a] = plane(a0, a1, a2);
    });
    return SetupResult::Draw;
}

bool setupLine(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1,
               const SetupVertex& provoking, Setup& s) {
    if (!positionOk(v0) || !positionOk(v1))
        return false;
    const double dx = static_cast<double>(v1.x) - v0.x, dy = static_cast<double>(v1.y) - v0.y;
    const double len2 = dx * dx + dy * dy;
    if (len2 == 0.0)
        return false;
    s.ox = v0.x;
    s.oy = v0.y;
    auto plane = [&](double a0, double a1) {
        Plane pl;
        pl.c = static_cast<float>(a0);
        pl.dx = static_cast<float>((a1 - a0) * dx / len2);
        pl.dy = static_cast<float>((a1 - a0) * dy / len2);
        return pl;
    };
    s.z = plane(v0.z, v1.z);
    s.perspective = p.perspective && v0.rhw != v1.rhw;
    s.constW = 1.0f / v0.rhw;
    s.q = plane(v0.rhw, v1.rhw);
    s.constantColours = 0;
    forEachAttr(p, [&](int a) {
        const bool color = a <= kAttrFog;
        double a0 = (color && p.flat) ? provoking.attr[a] : v0.attr[a];
        double a1 = (color && p.flat) ? provoking.attr[a] : v1.attr[a];
        if (color && a0 == a1) {
            s.constantColours |= 1u << a;
            s.attr[a] = Plane{static_cast<float>(a0), 0, 0};
            return;
        }
        if (s.perspective) {
            a0 *= v0.rhw;
            a1 *= v1.rhw;
        }
        s.attr[a] = plane(a0, a1);
    });
    return true;
}

void setupPoint(const Pipeline& p, const SetupVertex& v, Setup& s) {
    s.ox = v.x;
    s.oy = v.y;
    s.perspective = false;
    s.constW = 1.0f / v.rhw;
    s.z = Plane{v.z, 0, 0};
    s.q = Plane{v.rhw, 0, 0};
    s.constantColours = 0;
    forEachAttr(p, [&](int a) { s.attr[a] = Plane{v.attr[a], 0, 0}; });
}

}  // namespace platform::d3d::raster
