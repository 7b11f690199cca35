// Structure initialisers for DirectDraw and Direct3D descriptions.
#pragma once

#include <d3d.h>

// Zero-fills the description and sets its size, the given flags and caps,
// and the size of its pixel format.
void D3DUtil_InitSurfaceDesc(DDSURFACEDESC2& ddsd, DWORD dwFlags = 0, DWORD dwCaps = 0);

// A viewport of dwWidth x dwHeight pixels at the origin whose clip volume is
// x -1..1, y 1..-1 and depth 0..1.
void D3DUtil_InitViewport(D3DVIEWPORT2& vp, DWORD dwWidth = 0, DWORD dwHeight = 0);
