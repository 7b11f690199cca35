#include "rimage.h"

#include "detached_clipper.h"
#include "dxerror.h"
#include "image_container.h"
#include "rfonts.h"
#include "tmanager.h"

#include <cmath>

namespace {

const char* const sourcePath = "3d/driver/d3d/rimage";
// Images are drawn from more than one thread; each keeps its own last result.
thread_local HRESULT hr = S_OK;

// 100 bytes in the 32-bit layout; DirectDraw checks it against its own.
constexpr DWORD bltFxSize = sizeof(DDBLTFX);

bool tested(HRESULT result, const char* call, int line) {
    hr = result;
    return testResult(result, call, line, sourcePath);
}
#define RIMAGE_TEST(call) tested((call), "hr", __LINE__)

BYTE toByte(float component) {
    return static_cast<BYTE>(std::lround(component * 255.0f));
}

RECT rectangle(int left, int top, int right, int bottom) {
    RECT r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

DDBLTFX bltFx() {
    DDBLTFX fx{};
    fx.dwSize = bltFxSize;
    return fx;
}

// A lost surface is restored by the application after the frame.
void noteLostSurface(HRESULT result) {
    if (result == DDERR_SURFACELOST)
        surfacesLost = true;
}


}  // namespace

COLORREF toGdiColor(const Color& color) {
    const Color c = clamped(color);
    return RGB(toByte(c.r), toByte(c.g), toByte(c.b));
}

Color fromGdiColor(COLORREF value) {
    const auto unit = [](DWORD byte) { return static_cast<float>(byte & 0xFFu) / 255.0f; };
    return {unit(value), unit(value >> 8), unit(value >> 16), 1.0f};
}

// ---------------------------------------------------------------------------
// D3DRenderImage
// ---------------------------------------------------------------------------

void D3DRenderImage::beginDrawSession() {
    lock();
    // Changes made in an enclosing session still need their backup.
    if (drawDepth == 0)
        modified = false;
    drawThread = GetCurrentThreadId();
    ++drawDepth;
}

void D3DRenderImage::endDrawSession() {
    thread::Lock guard(*this);
    if (drawDepth <= 0)
        throw DrawException("RenderImage::endDrawSession: no draw session is open");
    // Leaves the lock beginDrawSession kept, also when a step below throws.
    struct SessionLock {
        const D3DRenderImage& image;
        ~SessionLock() { image.unlock(); }
    } session{*this};

    --drawDepth;
    ReleaseDC();
    if (modified) {
        modified = false;
        if (!setModified())
            throw DrawException("backup failed");
    }
}

IDirectDrawSurface4* D3DRenderImage::requireSurface() {
    IDirectDrawSurface4* surface = getSurface();
    if (!surface)
        throw DrawException("RenderImage::getSurface failed");
    return surface;
}

const DrawSettings& D3DRenderImage::requireSettings(const char* message) const {
    if (!drawSettings)
        throw DrawException(message);
    return *drawSettings;
}

void D3DRenderImage::AllocDC() {
    if (dc)
        return;
    IDirectDrawSurface4* surface = requireSurface();
    HDC newDC = nullptr;
    if (!RIMAGE_TEST(surface->GetDC(&newDC)))
        throw DrawException("RenderImage::allocateDC: failed");
    dc = newDC;
}

void D3DRenderImage::ReleaseDC() {
    if (!dc)
        return;
    IDirectDrawSurface4* surface = requireSurface();
    const HDC old = dc;
    dc = nullptr;
    if (!RIMAGE_TEST(surface->ReleaseDC(old)))
        throw DrawException("RenderImage::releaseDC: failed");
}

void D3DRenderImage::setPixel(int x, int y, Color& color) {
    thread::Lock guard(*this);
    AllocDC();
    SetPixelV(dc, x, y, toGdiColor(color));
}

Color D3DRenderImage::getPixel(int x, int y) {
    thread::Lock guard(*this);
    AllocDC();
    const COLORREF value = GetPixel(dc, x, y);
    // Outside the image there is no colour: transparent black.
    if (value == CLR_INVALID)
        return {0.0f, 0.0f, 0.0f, 0.0f};
    return fromGdiColor(value);
}

void D3DRenderImage::drawLine(int x1, int y1, int x2, int y2) {
    thread::Lock guard(*this);
    const DrawSettings& settings = requireSettings("RenderImage::drawLine: drawSettings is empty");
    AllocDC();
    const HPEN pen = CreatePen(PS_SOLID, 1, toGdiColor(settings.color));
    const HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void D3DRenderImage::drawBar(int x1, int y1, int x2, int y2) {
    thread::Lock guard(*this);
    const DrawSettings& settings = requireSettings("RenderImage::drawBar: drawSettings is empty");
    ReleaseDC();
    IDirectDrawSurface4* surface = requireSurface();
    DDBLTFX fx = bltFx();
    fx.dwFillColor = DDColorMatch(getDescription(), settings.color);
    RECT bar = rectangle(x1, y1, x2, y2);
    if (!RIMAGE_TEST(surface->Blt(&bar, nullptr, nullptr, DDBLT_COLORFILL, &fx))) {
        noteLostSurface(hr);
        throw DrawException("RenderImage::drawBar: failed");
    }
    modified = true;
}

void D3DRenderImage::drawImage(int x, int y, int w, int h, Image* image, int sx, int sy, int sw,
                               int sh) {
    auto* source = image ? dynamic_cast<D3DRenderImage*>(image->getRenderImage()) : nullptr;
    if (!source)
        throw DrawException("RenderImage::drawImage: no source image");
    thread::Lock guard(*this);
    ReleaseDC();
    IDirectDrawSurface4* target = requireSurface();
    source->draw(target, x, y, w, h, sx, sy, sw, sh, getWidth(), getHeight());
    modified = true;
}

int D3DRenderImage::getTextWidth(const char* text) {
    const DrawSettings& settings =
        requireSettings("RenderImage::getTextWidth: drawSettings is empty");
    // Only the driver's bitmap fonts measure text; every other font answers 0.
    if (auto* font = dynamic_cast<BitmapFont*>(settings.font))
        return font->getTextWidth(text);
    return 0;
}

void D3DRenderImage::draw(IDirectDrawSurface4* target, int x, int y, int w, int h, int sx, int sy,
                          int sw, int sh, int targetWidth, int targetHeight, bool) {
    if (w == 0 || h == 0 || sw == 0 || sh == 0)
        return;
    thread::Lock guard(*this);
    // A device context held on the source would keep its surface locked.
    ReleaseDC();
    IDirectDrawSurface4* source = requireSurface();
    if (sw == w && sh == h)
        copySameSize(target, source, x, y, w, h, sx, sy, sw, sh, targetWidth, targetHeight);
    else
        copyStretched(target, source, x, y, w, h, sx, sy, sw, sh);
}

void D3DRenderImage::copySameSize(IDirectDrawSurface4* target, IDirectDrawSurface4* source, int x,
                                  int y, int w, int h, int sx, int sy, int sw, int sh,
                                  int targetWidth, int targetHeight) {
    const DWORD flags = DDBLTFAST_WAIT | (isColorKey() ? DDBLTFAST_SRCCOLORKEY : 0);
    if (x < 0) {
        sx -= x;
        sw += x;
        x = 0;
    }
    if (y < 0) {
        sy -= y;
        sh += y;
        y = 0;
    }
    if (x + w > targetWidth)
        sw -= x + w - targetWidth;
    if (y + h > targetHeight)
        sh -= y + h - targetHeight;
    if (sw <= 0 || sh <= 0)
        return;

    DetachedClipper detached(
        target, [](HRESULT result) { return RIMAGE_TEST(result); },
        "RenderImage::setColorKey: reset clipper failed");
    RECT from = rectangle(sx, sy, sx + sw, sy + sh);
    if (!RIMAGE_TEST(target->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, &from,
                                     flags))) {
        noteLostSurface(hr);
        throw DrawException("RenderImage::drawImage: failed");
    }
}

void D3DRenderImage::copyStretched(IDirectDrawSurface4* target, IDirectDrawSurface4* source, int x,
                                   int y, int w, int h, int sx, int sy, int sw, int sh) {
    const DWORD flags = isColorKey() ? DDBLT_KEYSRC : 0;
    DDBLTFX fx = bltFx();
    fx.dwDDFX = DDBLTFX_ARITHSTRETCHY;  // not selected by the flags
    RECT to = rectangle(x, y, x + w, y + h);
    RECT from = rectangle(sx, sy, sx + sw, sy + sh);
    if (!RIMAGE_TEST(target->Blt(&to, source, &from, flags, &fx))) {
        noteLostSurface(hr);
        throw DrawException("RenderImage::draw failed");
    }
}

// ---------------------------------------------------------------------------
// D3DRenderImage2D
// ---------------------------------------------------------------------------

Counter D3DRenderImage2D::counter("RenderImage2D");

D3DRenderImage2D::D3DRenderImage2D(SurfaceInterface* surface) : surface(surface) {
    counter.increment();
    surface->restore(theD3DRenderDriver ? theD3DRenderDriver->getDirectDraw() : nullptr);
}

D3DRenderImage2D::~D3DRenderImage2D() {
    try {
        ReleaseDC();
    } catch (const DrawException&) {
        // The surface goes away with the container anyway.
    }
    surface->invalidate();
    if (theD3DTextureManager)
        theD3DTextureManager->destroySurface(surface);
    counter.decrement();
}

void D3DRenderImage2D::setColorKey(const Color& color) {
    thread::Lock guard(*this);
    colorKeyEnabled = 1;
    colorKey = color;
    surface->setColorKey(toGdiColor(color));
}

void D3DRenderImage2D::drawText(int x, int y, const char* text) {
    thread::Lock guard(*this);
    const DrawSettings& settings = requireSettings("RenderImage::drawText: drawSettings is empty");
    IDirectDrawSurface4* target = requireSurface();
    // Text is drawn by the driver's bitmap fonts only; every other font
    // draws nothing.
    if (auto* font = dynamic_cast<BitmapFont*>(settings.font)) {
        ReleaseDC();
        font->drawText(target, x, y, text);
    }
}

// ---------------------------------------------------------------------------
// D3DRenderImage3D
// ---------------------------------------------------------------------------

Counter D3DRenderImage3D::counter("RenderImage3D");

D3DRenderImage3D::D3DRenderImage3D(TextureInterface* texture) : texture(texture) {
    counter.increment();
    // Drawn into at run time: made with the dynamic hint.
    texture->restore(theD3DRenderDriver ? theD3DRenderDriver->getDirectDraw() : nullptr,
                     theD3DRenderDriver ? theD3DRenderDriver->getD3DDevice() : nullptr, 0, true);
}

D3DRenderImage3D::~D3DRenderImage3D() {
    try {
        ReleaseDC();
    } catch (const DrawException&) {
        // The surface goes away with the container anyway.
    }
    texture->invalidate(0);
    if (theD3DTextureManager)
        theD3DTextureManager->destroyTexture(texture);
    counter.decrement();
}

void D3DRenderImage3D::drawText(int x, int y, const char* text) {
    thread::Lock guard(*this);
    const DrawSettings& settings = requireSettings("RenderImage::drawText: drawSettings is empty");
    IDirectDrawSurface4* target = requireSurface();
    // A texture receives no text, whatever the font.
    if (auto* font = dynamic_cast<BitmapFont*>(settings.font)) {
        ReleaseDC();
        font->drawTextureText(target, x, y, text);
    } else {
        D3DRenderImage::drawText(x, y, text);
    }
}
