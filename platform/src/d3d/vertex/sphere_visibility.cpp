#include "d3d/vertex/sphere_visibility.h"

#include <cmath>

namespace platform::d3d::vertex {
namespace {

struct Plane {
    float a, b, c, d;  // inside where a x + b y + c z + d >= 0
};

// Column j of the matrix as the linear form giving clip coordinate j.
Plane column(const D3DMATRIX& m, int j) {
    const float* f = &m._11;
    return {f[j], f[4 + j], f[8 + j], f[12 + j]};
}

Plane combine(const Plane& p, float s, const Plane& q) {
    return {p.a + s * q.a, p.b + s * q.b, p.c + s * q.c, p.d + s * q.d};
}

}  // namespace

DWORD sphereVisibility(const D3DMATRIX& m, const D3DVECTOR& center, float radius) {
    const Plane x = column(m, 0), y = column(m, 1), z = column(m, 2), w = column(m, 3);
    // The view volume's planes in model space, each with its D3DCLIP_* bit.
    const struct {
        Plane plane;
        DWORD bit;
    } planes[] = {
        {combine(w, 1.0f, x), D3DCLIP_LEFT},
        {combine(w, -1.0f, x), D3DCLIP_RIGHT},
        {combine(w, -1.0f, y), D3DCLIP_TOP},
        {combine(w, 1.0f, y), D3DCLIP_BOTTOM},
        {z, D3DCLIP_FRONT},
        {combine(w, -1.0f, z), D3DCLIP_BACK},
    };
    DWORD result = 0;
    for (const auto& p : planes) {
        const Plane& q = p.plane;
        const float length = std::sqrt(q.a * q.a + q.b * q.b + q.c * q.c);
        const float value = q.a * center.x + q.b * center.y + q.c * center.z + q.d;
        // A plane with no direction in model space is all inside or all out.
        const float distance =
            length > 0.0f ? value / length : (value >= 0.0f ? INFINITY : -INFINITY);
        // D3DSTATUS_CLIPINTERSECTION* are the CLIPUNION* bits moved up by 12.
        if (!(distance >= -radius)) {  // NaN counts as outside
            result |= p.bit | (p.bit << 12);
        } else if (distance < radius) {
            result |= p.bit;
        }
    }
    return result;
}

}  // namespace platform::d3d::vertex
