#include "rdecal.h"

#include "application.h"
#include "d3dframe/d3dframe.h"
#include "rimage.h"
#include "screen_scale.h"

#include <engine/core/decal.h>
#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/video_mode.h>

Counter D3DRenderDecal2D::counter("D3DRenderDecal2D");

D3DRenderDecal2D::D3DRenderDecal2D(Decal2D& decal) : RenderDecal2D(decal) {
    counter.increment();
}

D3DRenderDecal2D::~D3DRenderDecal2D() {
    counter.decrement();
}

void D3DRenderDecal2D::render() {
    IDirectDrawSurface4* target = theD3DRenderDriver ? theD3DRenderDriver->getRenderSurface()
                                                     : nullptr;
    if (!target || !g_pFramework)
        throw DrawException("RenderDecal2D::render: there is no render surface");
    const RECT& viewport = g_pFramework->GetViewportRect();
    draw(target, viewport.right, viewport.bottom);
}

void D3DRenderDecal2D::draw(IDirectDrawSurface4* target, int targetWidth, int targetHeight) {
    Image* image = decal ? decal->getImage() : nullptr;
    auto* source = image ? dynamic_cast<D3DRenderImage*>(image->getRenderImage()) : nullptr;
    if (!source)
        throw DrawException("RenderDecal2D::draw: the decal has no render image");
    if (!(decal->getScreenLogicalWidth() > 0.0f) || !(decal->getScreenLogicalHeight() > 0.0f))
        throw DrawException("RenderDecal2D::draw: the logical screen size must be positive");

    // The decal's logical screen is the whole video mode; without one the
    // target stands for it.
    const VideoMode* mode = theRenderDriver ? theRenderDriver->getCurrentVideoMode() : nullptr;
    const float pixelWidth = static_cast<float>(mode ? mode->getWidth() : targetWidth);
    const float pixelHeight = static_cast<float>(mode ? mode->getHeight() : targetHeight);
    const float scaleX = pixelWidth / decal->getScreenLogicalWidth();
    const float scaleY = pixelHeight / decal->getScreenLogicalHeight();

    const int x = nint(decal->getX() * scaleX);
    const int y = nint(decal->getY() * scaleY);
    const int w = nint(decal->getWidth() * scaleX);
    const int h = nint(decal->getHeight() * scaleY);

    const DecalMapping& mapping = decal->getMapping();
    const float imageWidth = static_cast<float>(source->getWidth());
    const float imageHeight = static_cast<float>(source->getHeight());
    const int sx = nint(imageWidth * mapping[0].s);
    const int sy = nint(imageHeight * mapping[0].t);
    const int sw = nint((mapping[3].s - mapping[0].s) * imageWidth);
    const int sh = nint((mapping[3].t - mapping[0].t) * imageHeight);

    source->draw(target, x, y, w, h, sx, sy, sw, sh, targetWidth, targetHeight, false);
}
