#include "fading.h"

#include "../../driver.h"
#include "../../states.h"
#include "../../tmanager.h"

#include <engine/class_registry.h>
#include <engine/core/render_timer.h>
#include <engine/core/video_mode.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

REGISTER_CLASS(FadingEffect);

namespace {

struct QuadVertex {
    float x, y, z, rhw;
    DWORD diffuse;
    DWORD specular;
    float tu, tv;
};
constexpr DWORD quadFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
static_assert(quadFormat == 0x1C4, "the overlay's vertex format");

// Round half to even, as the rectangle and colour setters want.
int roundEven(float value) {
    return static_cast<int>(std::nearbyint(value));
}

void screenSize(int& width, int& height) {
    width = height = 0;
    if (!theD3DRenderDriver)
        return;
    if (const VideoMode* mode = theD3DRenderDriver->getCurrentVideoMode()) {
        width = mode->getWidth();
        height = mode->getHeight();
    } else {
        width = theD3DRenderDriver->getScreenWidth();
        height = theD3DRenderDriver->getScreenHeight();
    }
}

}  // namespace

FadingEffect::FadingEffect(bool) {
    screenSize(rectangle[2], rectangle[3]);
    deferred.deferredKey = -1000;
    // Over everything else of the view, also when the alpha list is sorted.
    deferred.depth = -FLT_MAX;
}

FadingEffect::~FadingEffect() {
    releaseTextures();
}

void FadingEffect::releaseTextures() {
    for (TextureInterface* texture : textures) {
        texture->invalidate(0);
        if (theD3DTextureManager)
            theD3DTextureManager->destroyTexture(texture);
    }
    textures.clear();
}

void FadingEffect::setAlpha(float alpha) {
    const float a = std::clamp(alpha, 0.0f, 1.0f);
    // The integer part, as the rounding toward the nearest of (a * 255 - 0.4997) gives.
    const DWORD byte = static_cast<DWORD>(std::nearbyint(a * 255.0f - 0.4997f));
    color = (color & 0x00FFFFFFu) | (byte << 24);
}

void FadingEffect::setColor(const Color& c) {
    const auto byte = [](float v) { return static_cast<DWORD>(roundEven(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    color = (color & 0xFF000000u) | (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

void FadingEffect::setTextures(const std::vector<std::string>& names) {
    releaseTextures();
    if (!theD3DTextureManager)
        return;
    for (const std::string& name : names) {
        TextureInterface* texture = theD3DTextureManager->createTexture(name.c_str(), true, 3);
        if (!texture)
            continue;
        if (theD3DRenderDriver)
            texture->restore(theD3DRenderDriver->getDirectDraw(), theD3DRenderDriver->getD3DDevice(),
                             0, false);
        textures.push_back(texture);
    }
}

void FadingEffect::setTextureTransform(const TMatrix& matrix, const Vector& offset) {
    textureMatrix = matrix;
    textureOffset = offset;
}

void FadingEffect::setRectangle(float x, float y, float width, float height) {
    int w = 0;
    int h = 0;
    screenSize(w, h);
    rectangle[0] = roundEven(x * w);
    rectangle[1] = roundEven(y * h);
    rectangle[2] = roundEven(width * w);
    rectangle[3] = roundEven(height * h);
}

void FadingEffect::render(RenderView&) {
    if (color >> 24)
        addToDeferredAlphaObjectsList(&deferred);
}

int FadingEffect::frameFor(float elapsed, float frameRate, int n, int animationMode) {
    if (n <= 0)
        return -1;
    const int i = static_cast<int>(std::nearbyint(elapsed * frameRate - 0.4997f));
    int frame = i;
    switch (animationMode) {
    case 0:
        frame = i % n;
        break;
    case 1:
        frame = (i / n) % 2 != 0 ? n - (i % n) - 1 : i % n;
        break;
    case 2:
        frame = i / n > 0 ? n - 1 : i;
        break;
    default:
        break;
    }
    // A start in the future or a mode of its own can point outside the list.
    return frame >= 0 && frame < n ? frame : -1;
}

void FadingEffect::draw() {
    if (!theD3DRenderDriver || theD3DRenderDriver->inIdlingMode() || !g_pDevice ||
        !theRenderStateManager)
        return;
    RenderStateManager& states = *theRenderStateManager;
    const DWORD sourceBlend = states.getState(RS_SRCBLEND);
    const DWORD destinationBlend = states.getState(RS_DESTBLEND);
    const DWORD colorOperation = states.getState(TSS_COLOROP, 0);

    const float x = float(rectangle[0]);
    const float y = float(rectangle[1]);
    const float w = float(rectangle[2]);
    const float h = float(rectangle[3]);
    QuadVertex quad[4] = {{x, y, 0, 0.5f, color, 0, 0, 0},
                          {x + w, y, 0, 0.5f, color, 0, 0, 0},
                          {x + w, y + h, 0, 0.5f, color, 0, 0, 0},
                          {x, y + h, 0, 0.5f, color, 0, 0, 0}};

    if (!textures.empty()) {
        const float elapsed =
            static_cast<float>(thePausedRenderTimer->getTime()) - startTime;
        const int frame =
            frameFor(elapsed, frameRate, static_cast<int>(textures.size()), animationMode);
        if (theD3DTextureManager)
            theD3DTextureManager->setTexture(frame >= 0 ? textures[frame] : nullptr, 0);
        const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        const DWORD alpha = color >> 24;
        const auto premultiply = [alpha](DWORD c, int shift) {
            return (((c >> shift) & 0xFFu) * alpha >> 8) << shift;
        };
        const DWORD premultiplied =
            (color & 0xFF000000u) | premultiply(color, 16) | premultiply(color, 8) | premultiply(color, 0);
        for (int v = 0; v < 4; ++v) {
            const Vector t = textureMatrix * Vector(corners[v][0], corners[v][1], 0) + textureOffset;
            quad[v].tu = t.x;
            quad[v].tv = t.y;
            quad[v].diffuse = premultiplied;
        }
        switch (blendMode) {
        case 1:
            states.setState(RS_SRCBLEND, D3DBLEND_ONE);
            states.setState(RS_DESTBLEND, D3DBLEND_ONE);
            break;
        case 2:
            states.setState(RS_SRCBLEND, D3DBLEND_ONE);
            states.setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        case 3:
            states.setState(RS_SRCBLEND, D3DBLEND_ZERO);
            states.setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
            break;
        default:
            break;
        }
    } else {
        // The colour alone: no texture stage to sample a missing texture.
        states.setState(TSS_COLOROP, 0, D3DTOP_SELECTARG2);
        states.setState(TSS_ALPHAOP, 0, D3DTOP_SELECTARG2);
        if (theD3DTextureManager)
            theD3DTextureManager->setTexture(nullptr, 0);
    }
    states.setState(RS_ZENABLE, 0);
    states.flush();
    g_pDevice->DrawPrimitive(D3DPT_TRIANGLEFAN, quadFormat, quad, 4,
                             D3DDP_DONOTCLIP | D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT);
    states.setState(TSS_COLOROP, 0, colorOperation);
    states.setState(TSS_ALPHAOP, 0, D3DTOP_SELECTARG1);
    states.setState(RS_ZENABLE, 1);
    states.setState(RS_SRCBLEND, sourceBlend);
    states.setState(RS_DESTBLEND, destinationBlend);
}
