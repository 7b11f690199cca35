#include "special/halo/sprite.h"

#include "special/driver_lock.h"
#include "special/halo/halo_manager.h"
#include "special/halo/halo_math.h"

#include "driver.h"
#include "driver_filter.h"
#include "dxerror.h"
#include "rview.h"
#include "states.h"
#include "tmanager.h"

#include <engine/core/effect_settings.h>
#include <engine/core/globals.h>
#include <engine/core/view.h>
#include <engine/core/render_timer.h>
#include <engine/core/spherical.h>

#include <algorithm>

namespace {

const char* const sourcePath = "3d/driver/d3d/special/halo/sprite";
HRESULT hr = D3D_OK;

}  // namespace

REGISTER_CLASS(SpriteHalo);

SpriteHalo::SpriteHalo(bool clipTest) : alwaysShown(!clipTest) {
    updatePower();
}

SpriteHalo::~SpriteHalo() {
    const special::DriverLock lock;
    releaseTexture();
}

// The texture goes back as it came: its stage made on the device is given up first.
void SpriteHalo::releaseTexture() {
    if (texture && textureRestored)
        texture->invalidate(0);
    if (texture && theD3DTextureManager)
        theD3DTextureManager->destroyTexture(texture);
    texture = nullptr;
    textureRestored = false;
}

void SpriteHalo::setTexture(const char* imageName) {
    if (!theD3DTextureManager)
        return;
    const special::DriverLock lock;
    releaseTexture();
    texture = imageName ? theD3DTextureManager->createTexture(imageName, true, 1) : nullptr;
    if (texture && theD3DRenderDriver) {
        texture->restore(theD3DRenderDriver->getDirectDraw(), theD3DRenderDriver->getD3DDevice(), 0,
                         false);
        textureRestored = true;
    }
}

void SpriteHalo::setNearDepth(float value) {
    nearDepth = value;
    updatePower();
}

void SpriteHalo::setFarDepth(float value) {
    farDepth = value;
    updatePower();
}

void SpriteHalo::setPeakDepth(float value) {
    peakDepth = value;
    updatePower();
}

void SpriteHalo::updatePower() {
    power = halo::depthCurvePower(nearDepth, farDepth, peakDepth);
}

void SpriteHalo::queue() {
    deferred.depth = 0.0f;
    addToDeferredAlphaObjectsList(&deferred);
}

void SpriteHalo::render(RenderView& view) {
    if (!halosEnabled())
        return;
    const Vector position = getGlobalOffset();
    placedPosition = sphericalPlacement ? sphericalPlacementVector(position) : position;
    if (alwaysShown) {
        show();
        queue();
        return;
    }
    const Vector eye = view.getEngineView().getFrameCamera().getGlobalOff();
    if (sphericalClip(placedPosition, eye)) {
        hide();
        return;
    }
    if (theD3DHaloManager)
        theD3DHaloManager->registerHalo(this);
    queue();
}

void SpriteHalo::draw() {
    const float dt = theRenderTimer ? static_cast<float>(theRenderTimer->getFrameTime()) : 0.0f;
    fade = halo::advanceFade(fade, visible && enabled, dt, fadeInSpeed, fadeOutSpeed);
    if (fade == 0.0f)
        return;
    auto* view = theD3DRenderDriver
                     ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
                     : nullptr;
    const VideoMode* mode = theD3DRenderDriver ? theD3DRenderDriver->getCurrentVideoMode() : nullptr;
    if (!view || !mode)
        return;
    const float width = static_cast<float>(mode->getWidth());
    const float height = static_cast<float>(mode->getHeight());
    const halo::Projection p =
        halo::project(view->getCameraRotation(), view->getCameraTranslation(),
                      view->getVerticalFactor(), view->getHorizontalFactor(), placedPosition);
    screenX = halo::screenX(p, width);
    screenY = halo::screenY(p, height);
    depth = p.depth;

    const float t = halo::depthFraction(depth, nearDepth, farDepth);
    intensity = fade * brightness * halo::depthCurve(t, power, minimum);
    if (SEVertexFog::enabled)
        intensity *= halo::fogFactor(depth, SEVertexFog::start, SEVertexFog::end);
    const DWORD packed = colorToARGB(color * std::clamp(intensity, 0.0f, 1.0f));
    const float h = (sizeNear + (sizeFar - sizeNear) * t) * width;
    const auto corners =
        halo::spriteCorners(h, view->getEngineView().getFrameCamera().getGlobalTM(), screenX, screenY);
    D3DTLVERTEX haloVertices[4];
    for (int i = 0; i < 4; ++i) {
        D3DTLVERTEX& v = haloVertices[i];
        v.sx = corners[static_cast<std::size_t>(i)].x;
        v.sy = corners[static_cast<std::size_t>(i)].y;
        v.sz = 0.0f;
        v.rhw = 0.5f;
        v.color = packed;
        v.specular = 0;
        v.tu = corners[static_cast<std::size_t>(i)].u;
        v.tv = corners[static_cast<std::size_t>(i)].v;
    }

    if (theRenderDriver->inIdlingMode() || !g_pDevice || !theRenderStateManager)
        return;
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(texture, 0);
    RenderStateManager& states = *theRenderStateManager;
    states.pushState(RS_ZENABLE);
    states.pushState(RS_CULLMODE);
    states.pushState(RS_SRCBLEND);
    states.pushState(RS_DESTBLEND);
    states.setState(RS_ZENABLE, D3DZB_FALSE);
    states.setState(RS_CULLMODE, D3DCULL_NONE);
    if (intensity > 0.0f) {
        states.setState(RS_SRCBLEND, D3DBLEND_ONE);
        states.setState(RS_DESTBLEND, D3DBLEND_ONE);
    } else {
        states.setState(RS_SRCBLEND, D3DBLEND_ZERO);
        states.setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    }
    states.flush();
    static const char* const call =
        "g_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP,D3DFVF_TLVERTEX, "
        "haloVertices,4,D3DDP_DONOTLIGHT|D3DDP_DONOTUPDATEEXTENTS)";
    constexpr int drawLine = 192;  // the line the log has always named for this call
    hr = g_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, haloVertices, 4,
                                  D3DDP_DONOTLIGHT | D3DDP_DONOTUPDATEEXTENTS);
    if (!testResult(hr, call, drawLine, sourcePath))
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, drawLine))
                          << call << ": " << getDirectXError(static_cast<unsigned long>(hr)));
    states.popState(RS_DESTBLEND);
    states.popState(RS_SRCBLEND);
    states.popState(RS_CULLMODE);
    states.popState(RS_ZENABLE);
}
