// 2D decals: a part of an image copied onto the screen at the end of a frame.
#pragma once

#include "driver.h"
#include "states.h"

#include <engine/core/render_2d.h>

#include <ddraw.h>

class Decal2D;

class D3DDRIVER_API D3DRenderDecal2D : public RenderDecal2D {
public:
    explicit D3DRenderDecal2D(Decal2D& decal);
    ~D3DRenderDecal2D() override;
    D3DRenderDecal2D(const D3DRenderDecal2D&) = delete;
    D3DRenderDecal2D& operator=(const D3DRenderDecal2D&) = delete;

    // Into the driver's render surface, clipped to the viewport.
    void render() override;

    // Into `target`, of targetWidth x targetHeight pixels. The decal's
    // logical screen maps onto the current video mode. Throws DrawException.
    void draw(IDirectDrawSurface4* target, int targetWidth, int targetHeight);

    static Counter counter;
};
