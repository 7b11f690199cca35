// Render images: the driver's side of the engine's 2D and 3D images. 2D
// images keep their pixels in a plain surface, 3D images in a texture; both
// are drawn into with DirectDraw blits and GDI, never with polygons.
#pragma once

#include "driver.h"
#include "states.h"
#include "texture_interface.h"
#include "thread/synchronized.h"

#include <engine/core/image.h>
#include <engine/core/render_image.h>
#include <engine/debug.h>

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

// Thrown by every failing drawing operation; carries its message.
class D3DDRIVER_API DrawException : public debug::Exception {
public:
    DrawException() = default;
    explicit DrawException(const char* text) : debug::Exception(text) {}
};

class D3DDRIVER_API D3DRenderImage : public thread::SynchronizedObject,
                                     public virtual RenderImage {
public:
    D3DRenderImage() = default;
    D3DRenderImage(const D3DRenderImage&) = delete;
    D3DRenderImage& operator=(const D3DRenderImage&) = delete;

    virtual IDirectDrawSurface4* getSurface() = 0;
    virtual DDSURFACEDESC2& getDescription() = 0;
    // Lets the container keep a copy of the changed pixels.
    virtual bool setModified() = 0;

    void setDrawSettings(DrawSettings* settings) override { drawSettings = settings; }
    void beginDrawSession() override;
    void endDrawSession() override;
    void drawText(int, int, const char*) override {}
    void setPixel(int x, int y, Color& color) override;
    Color getPixel(int x, int y) override;
    void drawLine(int x1, int y1, int x2, int y2) override;
    void drawBar(int x1, int y1, int x2, int y2) override;
    void drawImage(int x, int y, int w, int h, Image* image, int sx, int sy, int sw,
                   int sh) override;
    Color& getColorKey() override { return colorKey; }
    void clearColorKey() override { colorKeyEnabled = 0; }
    int getTextWidth(const char* text) override;

    bool isColorKey() const { return colorKeyEnabled != 0; }
    int getDrawDepth() const { return drawDepth; }
    DWORD getDrawThread() const { return drawThread; }
    bool hasDC() const { return dc != nullptr; }

    // Copies the rectangle (sx, sy, sw, sh) of this image to (x, y, w, h) of
    // `target`: same sizes are clipped to the target, other sizes stretched.
    void draw(IDirectDrawSurface4* target, int x, int y, int w, int h, int sx, int sy, int sw,
              int sh, int targetWidth, int targetHeight, bool unused = false);

protected:
    ~D3DRenderImage() override = default;

    void AllocDC();
    void ReleaseDC();
    // The surface, or a DrawException when there is none.
    IDirectDrawSurface4* requireSurface();
    const DrawSettings& requireSettings(const char* message) const;

    HDC dc = nullptr;
    Color colorKey{0.0f, 0.0f, 0.0f, 1.0f};
    int colorKeyEnabled = 0;
    bool modified = false;
    DWORD drawThread = 0;
    int drawDepth = 0;
    DrawSettings* drawSettings = nullptr;

private:
    void copySameSize(IDirectDrawSurface4* target, IDirectDrawSurface4* source, int x, int y,
                      int w, int h, int sx, int sy, int sw, int sh, int targetWidth,
                      int targetHeight);
    void copyStretched(IDirectDrawSurface4* target, IDirectDrawSurface4* source, int x, int y,
                       int w, int h, int sx, int sy, int sw, int sh);
};

class D3DDRIVER_API D3DRenderImage2D : public D3DRenderImage, public RenderImage2D {
public:
    // Takes over `surface` and makes its DirectDraw surface.
    explicit D3DRenderImage2D(SurfaceInterface* surface);
    ~D3DRenderImage2D() override;

    IDirectDrawSurface4* getSurface() override { return surface->getSurface(); }
    DDSURFACEDESC2& getDescription() override { return surface->getDescription(); }
    bool setModified() override { return surface->backup(); }
    int getWidth() override { return surface->getSurfaceWidth(); }
    int getHeight() override { return surface->getSurfaceHeight(); }
    void setColorKey(const Color& color) override;
    void drawText(int x, int y, const char* text) override;

    SurfaceInterface* getSurfaceInterface() const { return surface; }

    static Counter counter;

private:
    SurfaceInterface* surface;
};

class D3DDRIVER_API D3DRenderImage3D : public RenderImage3D, public D3DRenderImage {
public:
    // Takes over `texture` and makes its surface for stage 0.
    explicit D3DRenderImage3D(TextureInterface* texture);
    ~D3DRenderImage3D() override;

    IDirectDrawSurface4* getSurface() override { return texture->getSurface(0); }
    DDSURFACEDESC2& getDescription() override { return texture->getDescription(0); }
    bool setModified() override { return texture->backup(); }
    int getWidth() override { return texture->getImageWidth(); }
    int getHeight() override { return texture->getImageHeight(); }
    // A texture keeps no colour key of its own.
    void setColorKey(const Color&) override {}
    void drawText(int x, int y, const char* text) override;

    bool hasAlpha() const { return texture->hasAlpha(); }
    // A video's image brings its frame up to date here first.
    virtual TextureInterface* getTextureInterface() const { return texture; }
    IDirect3DTexture2* getTexture() const { return texture->getTexture(0); }
    int getTextureWidth() const { return texture->getTextureWidth(0); }
    int getTextureHeight() const { return texture->getTextureHeight(0); }

    static Counter counter;

private:
    TextureInterface* texture;
};

class D3DDRIVER_API D3DRenderImageFactory : public RenderImageFactory {
public:
    RenderImage2D* createImage2D(Image2D& image, const char* file, bool cached) override;
    RenderImage2D* createImage2D(Image2D& image, int width, int height) override;
    RenderImage3D* createImage3D(Image3D& image, const char* file, bool cached,
                                 int mode) override;
    RenderImage3D* createImage3D(Image3D& image, int width, int height, int alpha) override;
    void destroy(RenderImage2D* image) override;
    void destroy(RenderImage3D* image) override;
};

// The packed GDI colour (red in the low byte) of `color`, and back.
COLORREF toGdiColor(const Color& color);
Color fromGdiColor(COLORREF value);
