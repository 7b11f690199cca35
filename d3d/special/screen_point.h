// World points to pre-transformed screen vertices, through the view's own
// view and projection matrices, so that they meet the scene's depth.
#pragma once

#include <engine/types.h>

#include <d3d.h>

class D3DRenderView;

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD diffuse;
    DWORD specular;
    float tu, tv;
};
constexpr DWORD screenVertexFormat = D3DFVF_TLVERTEX;

// False when the point is not in front of the near plane.
bool toScreen(const D3DRenderView& view, const Vector& world, ScreenVertex& out);
