// Visibility of bounding spheres against the view volume, as
// IDirect3DDevice3::ComputeSphereVisibility reports it.
#pragma once

#include <d3dtypes.h>
#include <windef.h>

namespace platform::d3d::vertex {

// D3DSTATUS_CLIPUNION* bits of the clip planes the sphere reaches past, and
// D3DSTATUS_CLIPINTERSECTION* bits of those it lies wholly outside.
// `modelToClip` maps model space to the clip space of transform.h, where the
// view volume is -w <= x <= w, -w <= y <= w, 0 <= z <= w; centre and radius
// are in model space.
DWORD sphereVisibility(const D3DMATRIX& modelToClip, const D3DVECTOR& center, float radius);

}  // namespace platform::d3d::vertex
