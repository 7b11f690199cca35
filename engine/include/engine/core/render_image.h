// The engine's side of 2D and 3D images: the render image a driver keeps the
// pixels in, the settings text, lines and bars are drawn with, and the
// factory that makes render images.
#pragma once

#include <engine/types.h>

class Image;
class Image2D;
class Image3D;

// A font as the engine sees it. Only the operation render images use is
// declared here; the remaining operations of a font follow it in the table.
class FontInterface {
public:
    virtual int getTextWidth(const char* text) = 0;

protected:
    FontInterface() = default;
    FontInterface(const FontInterface&) = default;
    FontInterface& operator=(const FontInterface&) = default;
    ~FontInterface() = default;  // fonts belong to the driver
};

// What text, lines and bars are drawn with. The driver reads the font and the
// colour in this order, so they stay the first two members.
struct DrawSettings {
    FontInterface* font = nullptr;
    Color color;
};

// Virtual operations in their binding slot order.
class RenderImage {
public:
    virtual ~RenderImage() = default;
    virtual void setDrawSettings(DrawSettings* settings) = 0;
    virtual void beginDrawSession() = 0;
    virtual void endDrawSession() = 0;
    virtual void drawText(int x, int y, const char* text) = 0;
    virtual void setPixel(int x, int y, Color& color) = 0;
    virtual Color getPixel(int x, int y) = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
    virtual void drawBar(int x1, int y1, int x2, int y2) = 0;
    virtual void drawImage(int x, int y, int w, int h, Image* image, int sx, int sy, int sw,
                           int sh) = 0;
    virtual void setColorKey(const Color& color) = 0;
    virtual Color& getColorKey() = 0;
    virtual void clearColorKey() = 0;
    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    virtual int getTextWidth(const char* text) = 0;
};

class RenderImage2D : public virtual RenderImage {};
class RenderImage3D : public virtual RenderImage {};

// Virtual operations in their binding slot order. Every product goes back to
// the factory that made it.
class RenderImageFactory {
public:
    virtual ~RenderImageFactory() = default;
    virtual RenderImage2D* createImage2D(Image2D& image, const char* file, bool cached) = 0;
    virtual RenderImage2D* createImage2D(Image2D& image, int width, int height) = 0;
    virtual RenderImage3D* createImage3D(Image3D& image, const char* file, bool cached,
                                         int mode) = 0;
    virtual RenderImage3D* createImage3D(Image3D& image, int width, int height, int alpha) = 0;
    virtual void destroy(RenderImage2D* image) = 0;
    virtual void destroy(RenderImage3D* image) = 0;
};
