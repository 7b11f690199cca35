#include "d3d/vertex/transform.h"

#include <d3d.h>

namespace platform::d3d::vertex {

namespace {

D3DVIEWPORT2 defaultViewport() {
    D3DVIEWPORT2 v{};
    v.dwSize = sizeof(D3DVIEWPORT2);
    v.dwWidth = 1;
    v.dwHeight = 1;
    v.dvClipX = -1.0f;
    v.dvClipY = 1.0f;
    v.dvClipWidth = 2.0f;
    v.dvClipHeight = 2.0f;
    v.dvMinZ = 0.0f;
    v.dvMaxZ = 1.0f;
    return v;
}

// Maps the clip volume [dvClipX, dvClipX + dvClipWidth] x
// [dvClipY - dvClipHeight, dvClipY] onto [-w, w] x [-w, w].
D3DMATRIX clipScaleFor(const D3DVIEWPORT2& v) {
    D3DMATRIX m = identityMatrix();
    m._11 = 2.0f / v.dvClipWidth;
    m._22 = 2.0f / v.dvClipHeight;
    m._41 = -1.0f - 2.0f * v.dvClipX / v.dvClipWidth;
    m._42 = 1.0f - 2.0f * v.dvClipY / v.dvClipHeight;
    return m;
}

}  // namespace

ScreenMapping screenMappingFor(const D3DVIEWPORT2& v) {
    ScreenMapping s;
    const float halfW = 0.5f * static_cast<float>(v.dwWidth);
    const float halfH = 0.5f * static_cast<float>(v.dwHeight);
    s.scaleX = halfW;
    s.offsetX = static_cast<float>(v.dwX) + halfW;
    s.scaleY = -halfH;
    s.offsetY = static_cast<float>(v.dwY) + halfH;
    s.scaleZ = v.dvMaxZ - v.dvMinZ;
    s.offsetZ = v.dvMinZ;
    return s;
}

TransformState::TransformState()
    : world_(identityMatrix()),
      view_(identityMatrix()),
      projection_(identityMatrix()),
      viewport_(defaultViewport()) {
    update();
}

HRESULT TransformState::setTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix) {
    switch (type) {
        case D3DTRANSFORMSTATE_WORLD:
            world_ = matrix;
            break;
        case D3DTRANSFORMSTATE_VIEW:
            view_ = matrix;
            break;
        case D3DTRANSFORMSTATE_PROJECTION:
            projection_ = matrix;
            break;
        default:
            return DDERR_INVALIDPARAMS;
    }
    update();
    return D3D_OK;
}

HRESULT TransformState::getTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) const {
    if (matrix == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    switch (type) {
        case D3DTRANSFORMSTATE_WORLD:
            *matrix = world_;
            break;
        case D3DTRANSFORMSTATE_VIEW:
            *matrix = view_;
            break;
        case D3DTRANSFORMSTATE_PROJECTION:
            *matrix = projection_;
            break;
        default:
            return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

HRESULT TransformState::setViewport(const D3DVIEWPORT2& viewport) {
    // Written so that NaN clip sizes are refused too.
    if (viewport.dwWidth == 0 || viewport.dwHeight == 0 || !(viewport.dvClipWidth > 0.0f) ||
        !(viewport.dvClipHeight > 0.0f)) {
        return DDERR_INVALIDPARAMS;
    }
    viewport_ = viewport;
    update();
    return D3D_OK;
}

void TransformState::update() {
    clipScale_ = clipScaleFor(viewport_);
    modelToClip_ = multiply(multiply(multiply(world_, view_), projection_), clipScale_);
    normalMatrix(world_, &worldNormal_);
    D3DMATRIX viewInverse;
    if (invertAffine(view_, &viewInverse)) {
        eye_ = {viewInverse._41, viewInverse._42, viewInverse._43};
    } else {
        eye_ = {};
    }
    screen_ = screenMappingFor(viewport_);
}

}  // namespace platform::d3d::vertex
