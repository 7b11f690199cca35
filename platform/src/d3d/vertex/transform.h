// Transform state of the software device: world, view and projection
// matrices and the current viewport, with the combined matrices derived from
// them once per change rather than once per vertex.
//
// Clip space is what the projection produces after the viewport's clip
// volume scaling (dvClipX, dvClipY, dvClipWidth, dvClipHeight): a vertex is
// inside when -w <= x <= w, -w <= y <= w and 0 <= z <= w.
#pragma once

#include "d3d/vertex/vmath.h"

#include <d3dtypes.h>
#include <windef.h>

namespace platform::d3d::vertex {

// Clip space to screen: sx = offsetX + scaleX * x/w, sy likewise (scaleY is
// negative: clip y points up, screen y down), sz = offsetZ + scaleZ * z/w.
struct ScreenMapping {
    float scaleX = 1.0f, offsetX = 0.0f;
    float scaleY = -1.0f, offsetY = 0.0f;
    float scaleZ = 1.0f, offsetZ = 0.0f;
};

PLATFORM_API ScreenMapping screenMappingFor(const D3DVIEWPORT2& viewport);

constexpr DWORD kClipPlaneBits =
    D3DCLIP_LEFT | D3DCLIP_RIGHT | D3DCLIP_TOP | D3DCLIP_BOTTOM | D3DCLIP_FRONT | D3DCLIP_BACK;

inline bool isFinite(const Vec4& c) {
    // Inf - Inf and NaN - NaN are NaN, which compares unequal to itself.
    const float s = (c.x - c.x) + (c.y - c.y) + (c.z - c.z) + (c.w - c.w);
    return s == s;
}

// D3DCLIP_* bits of the planes that a clip-space point lies outside. A point
// that is not finite counts as outside every plane, so that it is never
// drawn as it is.
inline DWORD clipCode(const Vec4& c) {
    if (!isFinite(c))
        return kClipPlaneBits;
    DWORD code = 0;
    if (c.x < -c.w)
        code |= D3DCLIP_LEFT;
    if (c.x > c.w)
        code |= D3DCLIP_RIGHT;
    if (c.y > c.w)
        code |= D3DCLIP_TOP;
    if (c.y < -c.w)
        code |= D3DCLIP_BOTTOM;
    if (c.z < 0.0f)
        code |= D3DCLIP_FRONT;
    if (c.z > c.w)
        code |= D3DCLIP_BACK;
    return code;
}

// Screen form written for a vertex: x, y, z, rhw.
inline void writeScreenForm(const Vec4& c, const ScreenMapping& s, float* out) {
    const float rhw = c.w != 0.0f ? 1.0f / c.w : 0.0f;
    out[0] = s.offsetX + s.scaleX * c.x * rhw;
    out[1] = s.offsetY + s.scaleY * c.y * rhw;
    out[2] = s.offsetZ + s.scaleZ * c.z * rhw;
    out[3] = rhw;
}

// Clip-space point back from a screen-form vertex.
inline Vec4 readScreenForm(const float* in, const ScreenMapping& s) {
    const float w = in[3] != 0.0f ? 1.0f / in[3] : 0.0f;
    return {(in[0] - s.offsetX) / s.scaleX * w, (in[1] - s.offsetY) / s.scaleY * w,
            (in[2] - s.offsetZ) / s.scaleZ * w, w};
}

// The form stored for a vertex found outside the view volume: the clip
// volume mapped to 0 <= x, y, z <= w (y = w at the top), w kept. Read back,
// x/w and 1 - y/w are fractions of the viewport and z/w the depth, which is
// what code that inspects processed vertices expects.
inline void writeClipForm(const Vec4& c, float* out) {
    out[0] = 0.5f * (c.x + c.w);
    out[1] = 0.5f * (c.y + c.w);
    out[2] = c.z;
    out[3] = c.w;
}

inline Vec4 readClipForm(const float* in) {
    return {2.0f * in[0] - in[3], 2.0f * in[1] - in[3], in[2], in[3]};
}

class PLATFORM_API TransformState {
public:
    TransformState();

    // DDERR_INVALIDPARAMS for an unknown state type.
    HRESULT setTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix);
    HRESULT getTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) const;
    // DDERR_INVALIDPARAMS (state unchanged) for an empty pixel rectangle or
    // clip volume.
    HRESULT setViewport(const D3DVIEWPORT2& viewport);
    const D3DVIEWPORT2& viewport() const { return viewport_; }

    // Model space to clip space: world * view * projection * clip scaling.
    const D3DMATRIX& modelToClip() const { return modelToClip_; }
    const D3DMATRIX& world() const { return world_; }
    // Inverse transpose of the world matrix: model normals to world space.
    const D3DMATRIX& worldNormal() const { return worldNormal_; }
    // The camera position in world space.
    Vec3 eyePosition() const { return eye_; }
    const ScreenMapping& screen() const { return screen_; }

private:
    void update();

    D3DMATRIX world_, view_, projection_;
    D3DVIEWPORT2 viewport_;
    D3DMATRIX clipScale_;
    D3DMATRIX modelToClip_, worldNormal_;
    Vec3 eye_;
    ScreenMapping screen_;
};

}  // namespace platform::d3d::vertex
