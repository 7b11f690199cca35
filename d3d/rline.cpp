#include "rline.h"

#include "application.h"
#include "d3dframe/d3dframe.h"
#include "driver_filter.h"
#include "image_container.h"
#include "screen_scale.h"

#include <engine/core/line.h>
#include <engine/debug.h>

#include <algorithm>
#include <mutex>

namespace {

const char* const sourcePath = "3d/driver/d3d/rline";

}  // namespace

RECT D3DRenderLine::bar(int width, int height) const {
    const float scaleX = static_cast<float>(width) / line->getScreenLogicalWidth();
    const float scaleY = static_cast<float>(height) / line->getScreenLogicalHeight();
    const int x0 = nint(line->getXStart() * scaleX);
    const int y0 = nint(line->getYStart() * scaleY);
    const int x1 = nint(line->getXEnd() * scaleX);
    const int y1 = nint(line->getYEnd() * scaleY);
    RECT r;
    r.left = std::min(x0, x1);
    r.right = std::max(x0, x1) + line->getLineWidth();
    r.top = std::min(y0, y1);
    r.bottom = std::max(y0, y1) + line->getLineWidth();
    return r;
}

void D3DRenderLine::render() {
    if (!line)
        return;
    std::lock_guard<const Line> guard(*line);
    if (!(line->getScreenLogicalWidth() > 0.0f) || !(line->getScreenLogicalHeight() > 0.0f)) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "RenderLine::render: the logical screen size must be positive");
        return;
    }
    IDirectDrawSurface4* target = theD3DRenderDriver ? theD3DRenderDriver->getRenderSurface()
                                                     : nullptr;
    if (!target || !g_pFramework)
        return;
    const RECT& viewport = g_pFramework->GetViewportRect();
    RECT rect = bar(viewport.right - viewport.left, viewport.bottom - viewport.top);

    DDSURFACEDESC2 description{};
    description.dwSize = sizeof description;
    target->GetSurfaceDesc(&description);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = DDColorMatch(description, line->getLineColor());
    // A bar off the surface is refused by the blit; nothing else is drawn.
    target->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL, &fx);
}
