#include "screen_point.h"

#include "../rview.h"

namespace {

float at(const D3DMATRIX& m, int row, int col) {
    return (&m._11)[row * 4 + col];
}

}  // namespace

bool toScreen(const D3DRenderView& view, const Vector& world, ScreenVertex& out) {
    const D3DMATRIX& v = view.getViewMatrix();
    const D3DMATRIX& p = view.getProjectionMatrix();
    float eye[4];
    const float in[4] = {world.x, world.y, world.z, 1.0f};
    for (int c = 0; c < 4; ++c)
        eye[c] = in[0] * at(v, 0, c) + in[1] * at(v, 1, c) + in[2] * at(v, 2, c) + in[3] * at(v, 3, c);
    float clip[4];
    for (int c = 0; c < 4; ++c)
        clip[c] = eye[0] * at(p, 0, c) + eye[1] * at(p, 1, c) + eye[2] * at(p, 2, c) + eye[3] * at(p, 3, c);
    if (!(clip[3] > 0.0f) || clip[2] < 0.0f)
        return false;
    const D3DVIEWPORT2& vp = view.getViewportData();
    const float rhw = 1.0f / clip[3];
    out.x = float(vp.dwX) + (1.0f + clip[0] * rhw) * float(vp.dwWidth) * 0.5f;
    out.y = float(vp.dwY) + (1.0f - clip[1] * rhw) * float(vp.dwHeight) * 0.5f;
    out.z = clip[2] * rhw;
    out.rhw = rhw;
    out.diffuse = 0;
    out.specular = 0;
    out.tu = out.tv = 0.0f;
    return true;
}
